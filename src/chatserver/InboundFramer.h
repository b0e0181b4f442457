#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Cuts one connection's byte stream into packets by their declared length. It holds no sockets and
// no timers, so it can be driven byte by byte from a test or a fuzzer.
//
// A packet is complete once as many bytes as its length field declares have arrived; the bytes
// after it stay for the next packet. A declared length under the 8-byte header cannot be skipped
// past, so everything waiting is discarded. Because a length field cannot declare more than 65535
// bytes, the bytes left waiting once takeNext() returns nothing are always fewer than 65535: the
// buffer of an incomplete packet is bounded by construction.
class InboundFramer
{
public:
    void append(QByteArrayView bytes);

    // The next complete packet, or nothing while it is still incomplete (or was discarded).
    std::optional<QByteArray> takeNext();

    qsizetype waitingSize() const { return m_buffer.size() - m_start; }
    // Bytes thrown away for a declared length under 8, since construction.
    qsizetype discardedSize() const { return m_discarded; }
    void clear();

private:
    // Consumed packets only advance m_start, so a burst of many small packets costs linear time;
    // the consumed head is dropped when new bytes arrive.
    QByteArray m_buffer;
    qsizetype m_start = 0;
    qsizetype m_discarded = 0;
};
