#include "chatserver/OutgoingQueue.h"

#include "chatserver/ClientSlots.h"
#include "chatserver/PlayerTable.h"
#include "net/SocketState.h"

namespace {

constexpr qsizetype ticksIn(std::chrono::milliseconds wait)
{
    return qsizetype(wait / OutgoingQueue::TickInterval);
}

} // namespace

OutgoingQueue::Cause::Cause(OutgoingQueue &queue, int socket)
    : m_queue(queue)
    , m_previous(queue.m_cause)
    , m_appendedBefore(queue.m_appended)
{
    m_queue.m_cause = m_queue.m_slots.connectionId(socket);
}

OutgoingQueue::Cause::~Cause()
{
    m_queue.m_cause = m_previous;
}

OutgoingQueue::OutgoingQueue(const PlayerTable &table, ClientSlots &clientSlots, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_slots(clientSlots)
    , m_lastSend(PaceTimer::Clock::now() - TickInterval)
{
    connect(&m_timer, &PaceTimer::due, this, &OutgoingQueue::sendHead);
    connect(&m_slots, &ClientSlots::connectionClosed, this, &OutgoingQueue::discardPacketsFor);
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

int OutgoingQueue::waitingFor(int socket) const
{
    return m_waiting.value(m_slots.connectionId(socket));
}

int OutgoingQueue::causedBy(int socket) const
{
    const quint64 connection = m_slots.connectionId(socket);
    return connection == 0 ? 0 : m_caused.value(connection);
}

bool OutgoingQueue::admitsRelay(int socket, qsizetype packets) const
{
    if (packets <= 0)
        return true;
    const qsizetype after = m_entries.size() + packets;
    if (after <= ticksIn(SharedRelayDelay))
        return true;
    if (after > ticksIn(MaxRelayDelay))
        return false;
    return causedBy(socket) == 0;
}

void OutgoingQueue::append(int socket, const QByteArray &packet)
{
    const quint64 connection = m_slots.connectionId(socket);
    // Nobody there: it must not wait for whoever takes the slot next.
    if (connection == 0)
        return;
    int &waiting = m_waiting[connection];
    if (waiting >= MaxPacketsPerConnection) {
        Q_EMIT connectionOverflowed(socket);
        return;
    }
    ++waiting;
    if (m_cause != 0)
        ++m_caused[m_cause];
    ++m_appended;
    m_entries.enqueue(Entry{socket, connection, m_cause, packet});
    if (!m_timer.isActive())
        scheduleNextTick();
}

void OutgoingQueue::forget(const Entry &entry)
{
    const auto waiting = m_waiting.find(entry.connection);
    if (waiting != m_waiting.end() && --*waiting <= 0)
        m_waiting.erase(waiting);
    const auto caused = m_caused.find(entry.cause);
    if (caused != m_caused.end() && --*caused <= 0)
        m_caused.erase(caused);
}

void OutgoingQueue::scheduleNextTick()
{
    // Due a whole interval after the previous packet left, however late this is worked out; a
    // queue that was idle for longer sends at once.
    m_timer.wakeAt(m_lastSend + TickInterval);
}

void OutgoingQueue::sendHead()
{
    // Entries whose connection is gone or not up are dropped without spending the tick.
    while (!m_entries.isEmpty()) {
        const Entry head = m_entries.dequeue();
        forget(head);
        if (m_slots.connectionId(head.socket) != head.connection
            || m_slots.state(head.socket) != SocketState::Connected)
            continue;
        m_lastSend = PaceTimer::Clock::now();
        if (m_slots.send(head.socket, head.packet))
            Q_EMIT packetSent(head.socket,
                std::chrono::duration_cast<std::chrono::nanoseconds>(m_lastSend.time_since_epoch())
                    .count());
        else
            Q_EMIT connectionOverflowed(head.socket);
        break;
    }
    if (!m_entries.isEmpty() && !m_timer.isActive())
        scheduleNextTick();
}

void OutgoingQueue::discardPacketsFor(int socket)
{
    qsizetype kept = 0;
    for (qsizetype index = 0; index < m_entries.size(); ++index) {
        if (m_entries.at(index).socket == socket) {
            forget(m_entries.at(index));
            continue;
        }
        if (kept != index)
            m_entries[kept] = std::move(m_entries[index]);
        ++kept;
    }
    m_entries.resize(kept);
    if (m_entries.isEmpty())
        m_timer.stop();
}
