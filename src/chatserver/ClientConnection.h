#pragma once

#include "chatserver/ByteRateCap.h"
#include "chatserver/InboundFramer.h"
#include "chatserver/TokenBucket.h"

#include <optional>

// What the room keeps about one accepted connection while it holds its slot. Made fresh when a
// connection is accepted and thrown away when it closes, so nothing carries over to the next
// client in the same slot.
struct ClientConnection
{
    // Tells this connection apart from earlier and later ones in the same slot.
    quint64 generation = 0;
    InboundFramer framer;
    TokenBucket chatLines;
    // What this connection may make the room send in answer to it.
    TokenBucket nameReplies;
    TokenBucket refusals;
    TokenBucket commandPackets;
    int nameRepliesExhausted = 0;
    int refusalsExhausted = 0;
    ByteRateCap arrivals;
    // When the last "slow down" notice was said; nothing before the first.
    std::optional<qint64> lastSlowDownNoticeMs;
    // When a command was last refused, and a line last shed for the room's backlog.
    std::optional<qint64> lastCommandRefusalMs;
    std::optional<qint64> lastShedMs;
    // Broke a cap and closes at the end of the current event; nothing more is read from it.
    bool closing = false;
};
