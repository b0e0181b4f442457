#include "chatserver/OutgoingQueue.h"

#include "chatserver/ClientSlots.h"
#include "chatserver/PlayerTable.h"
#include "chatserver/SocketState.h"

OutgoingQueue::OutgoingQueue(const PlayerTable &table, ClientSlots &clientSlots, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_slots(clientSlots)
{
    // A repeating timer keeps to its grid and fires early after a late tick; restarting a
    // single-shot timer after every packet keeps at least one full interval between packets.
    m_ticker.setTimerType(Qt::PreciseTimer);
    m_ticker.setSingleShot(true);
    m_ticker.setInterval(TickInterval);
    connect(&m_ticker, &QTimer::timeout, this, &OutgoingQueue::sendHead);
}

void OutgoingQueue::queuePacket(int socket, const QByteArray &packet, int excludedSocket)
{
    if (socket > 0) {
        append(socket, packet);
        return;
    }
    if (socket < 0)
        return;
    for (int position = 1; position <= m_table.count(); ++position) {
        if (m_table.socket(position) != excludedSocket)
            append(m_table.socket(position), packet);
    }
}

void OutgoingQueue::append(int socket, const QByteArray &packet)
{
    int &waiting = m_waitingBySocket[socket];
    if (waiting >= MaxPacketsPerConnection) {
        Q_EMIT connectionOverflowed(socket);
        return;
    }
    ++waiting;
    m_entries.enqueue(Entry{socket, packet});
    // The timer only runs while there is work; starting it now still leaves a full interval
    // before this packet, so the pacing holds without waking up when idle.
    if (!m_ticker.isActive())
        m_ticker.start();
}

void OutgoingQueue::sendHead()
{
    if (m_entries.isEmpty())
        return;
    const Entry head = m_entries.dequeue();
    if (--m_waitingBySocket[head.socket] == 0)
        m_waitingBySocket.remove(head.socket);
    if (m_slots.state(head.socket) == SocketState::Connected
        && !m_slots.send(head.socket, head.packet))
        Q_EMIT connectionOverflowed(head.socket);
    // Restarted even after an empty queue's last packet, so a packet queued right after it
    // still waits its interval.
    m_ticker.start();
}

void OutgoingQueue::discardPacketsFor(int socket)
{
    m_entries.removeIf([socket](const Entry &entry) { return entry.socket == socket; });
    m_waitingBySocket.remove(socket);
}
