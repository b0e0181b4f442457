#include "chatserver/InboundFramer.h"

#include "chatserver/ChatPackets.h"

void InboundFramer::append(QByteArrayView bytes)
{
    m_buffer.remove(0, m_start);
    m_start = 0;
    m_buffer.append(bytes);
}

std::optional<QByteArray> InboundFramer::takeNext()
{
    const QByteArrayView waiting = QByteArrayView(m_buffer).sliced(m_start);
    const std::optional<quint16> declared = ChatPacket::declaredLength(waiting);
    if (!declared)
        return std::nullopt;
    if (*declared < ChatPacket::HeaderSize) {
        // No way to tell where the next packet starts.
        m_discarded += waiting.size();
        clear();
        return std::nullopt;
    }
    if (waiting.size() < *declared)
        return std::nullopt;
    QByteArray packet = waiting.first(*declared).toByteArray();
    m_start += *declared;
    return packet;
}

void InboundFramer::clear()
{
    m_buffer.clear();
    m_start = 0;
}
