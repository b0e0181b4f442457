#pragma once

#include "chatserver/InboundFramer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Adds what arrived on a connection to its framer and takes the packets that are now complete, at
// most `most` of them; the rest stay in the framer for the next call.
QList<QByteArray> takePackets(
    InboundFramer &framer, QByteArrayView arrived, qsizetype most = 100000);
