#include "MemoryClientLink.h"

#include "net/SocketState.h"

#include <utility>

int MemoryClientLink::state() const
{
    return m_open ? SocketState::Connected : SocketState::Closed;
}

bool MemoryClientLink::write(const QByteArray &bytes)
{
    if (!m_open)
        return false;
    m_written += bytes;
    return true;
}

QByteArray MemoryClientLink::takeAvailable()
{
    return std::exchange(m_arrived, QByteArray());
}

void MemoryClientLink::retire()
{
    m_open = false;
    m_retired = true;
    deleteLater();
}

void MemoryClientLink::deliver(QByteArrayView bytes)
{
    if (!m_open)
        return;
    m_arrived += bytes;
    Q_EMIT bytesArrived();
}

void MemoryClientLink::hangUp()
{
    if (!m_open)
        return;
    m_open = false;
    Q_EMIT peerClosed();
}

QByteArray MemoryClientLink::takeWritten()
{
    return std::exchange(m_written, QByteArray());
}
