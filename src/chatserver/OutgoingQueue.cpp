#include "chatserver/OutgoingQueue.h"

#include "chatserver/ClientSlots.h"
#include "chatserver/PlayerTable.h"
#include "net/SocketState.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <optional>

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
    , m_sharedLastSend(PaceTimer::Clock::now() - TickInterval)
{
    m_lanes.append(Lane{0, 0, {}, m_sharedLastSend});
    connect(&m_timer, &PaceTimer::due, this, [this] { sendHeads(DueLanes); });
    connect(&m_slots, &ClientSlots::connectionClosed, this, &OutgoingQueue::discardPacketsFor);
}

void OutgoingQueue::queuePacket(int socket, const QByteArray &packet, int excludedSocket)
{
    queue(socket, packet, excludedSocket, false);
}

void OutgoingQueue::queueRelay(int socket, const QByteArray &packet, int excludedSocket)
{
    queue(socket, packet, excludedSocket, true);
}

void OutgoingQueue::queue(int socket, const QByteArray &packet, int excludedSocket, bool relay)
{
    if (socket > 0) {
        append(socket, packet, relay);
        return;
    }
    if (socket < 0)
        return;
    for (int position = 1; position <= m_table.count(); ++position) {
        if (m_table.socket(position) != excludedSocket)
            append(m_table.socket(position), packet, relay);
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

qsizetype OutgoingQueue::longestBacklog() const
{
    if (m_pacing == Pacing::Shared)
        return m_size;
    qsizetype longest = 0;
    for (const Lane &lane : m_lanes)
        longest = std::max(longest, lane.entries.size());
    return longest;
}

std::chrono::milliseconds OutgoingQueue::expectedWait(int socket) const
{
    if (m_pacing == Pacing::Shared)
        return TickInterval * m_size;
    const Lane *lane = findLane(m_slots.connectionId(socket));
    return TickInterval * (lane ? lane->entries.size() : 0);
}

bool OutgoingQueue::admitsRelay(int socket, qsizetype packets) const
{
    if (packets <= 0)
        return true;
    // A relay adds one packet to each lane it reaches; a lane that is full sheds it by itself.
    const bool shared = m_pacing == Pacing::Shared;
    const qsizetype after = longestBacklog() + (shared ? packets : 1);
    if (after <= ticksIn(SharedRelayDelay))
        return true;
    if (shared && after > ticksIn(MaxRelayDelay))
        return false;
    return causedBy(socket) == 0;
}

void OutgoingQueue::append(int socket, const QByteArray &packet, bool relay)
{
    const quint64 connection = m_slots.connectionId(socket);
    // Nobody there: it must not wait for whoever takes the slot next.
    if (connection == 0)
        return;
    if (m_waiting.value(connection) >= MaxPacketsPerConnection) {
        Q_EMIT connectionOverflowed(socket);
        return;
    }
    Lane &lane = laneFor(socket, connection);
    // Paced per connection, a long backlog of one client sheds the lines passed on to it rather
    // than hold back anyone else's.
    if (relay && m_pacing == Pacing::PerConnection && lane.entries.size() >= ticksIn(MaxRelayDelay))
        return;
    ++m_waiting[connection];
    if (m_cause != 0)
        ++m_caused[m_cause];
    lane.entries.enqueue(Entry{socket, connection, m_cause, m_appended++, packet});
    ++m_size;
    // A pass that is sending arms the timer when it ends; otherwise wake for this lane unless an
    // earlier (or already past) deadline is armed.
    if (m_sending)
        return;
    if (!m_timer.isActive() || (lane.due() < m_armedFor && m_armedFor > PaceTimer::Clock::now())) {
        m_armedFor = lane.due();
        m_timer.wakeAt(m_armedFor);
    }
}

OutgoingQueue::Lane &OutgoingQueue::laneFor(int socket, quint64 connection)
{
    if (m_pacing == Pacing::Shared)
        return m_lanes.first();
    if (Lane *lane = findLane(connection))
        return *lane;
    // No lane for this connection: it has had nothing sent for at least a tick since the scheme
    // last changed, or ever.
    m_lanes.append(Lane{socket, connection, {}, m_sharedLastSend});
    return m_lanes.last();
}

OutgoingQueue::Lane *OutgoingQueue::findLane(quint64 connection)
{
    return const_cast<Lane *>(std::as_const(*this).findLane(connection));
}

const OutgoingQueue::Lane *OutgoingQueue::findLane(quint64 connection) const
{
    // At most one lane per client slot: a scan is cheaper than keeping an index.
    for (const Lane &lane : m_lanes) {
        if (lane.connection == connection)
            return &lane;
    }
    return nullptr;
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
    // Each lane is due a whole interval after its previous packet left, however late this is
    // worked out; a lane that was idle for longer sends at once.
    std::optional<TimePoint> earliest;
    for (const Lane &lane : std::as_const(m_lanes)) {
        if (!lane.entries.isEmpty() && (!earliest || lane.due() < *earliest))
            earliest = lane.due();
    }
    if (!earliest) {
        m_timer.stop();
        return;
    }
    m_armedFor = *earliest;
    m_timer.wakeAt(m_armedFor);
}

void OutgoingQueue::sendHeads(WhichLanes which)
{
    {
        const QScopedValueRollback sending(m_sending, true);
        // Lanes are looked up afresh each time: what a send sets off may add lanes.
        for (qsizetype index = 0; index < m_lanes.size(); ++index) {
            Lane &lane = m_lanes[index];
            if (!lane.entries.isEmpty()
                && (which == AnyLane || lane.due() <= PaceTimer::Clock::now()))
                sendHead(lane);
        }
    }
    dropIdleLanes();
    scheduleNextTick();
}

void OutgoingQueue::sendHead(Lane &lane)
{
    // Entries whose connection is gone or not up are dropped without spending the lane's tick.
    while (!lane.entries.isEmpty()) {
        const Entry head = lane.entries.dequeue();
        --m_size;
        forget(head);
        if (m_slots.connectionId(head.socket) != head.connection
            || m_slots.state(head.socket) != SocketState::Connected)
            continue;
        const TimePoint now = PaceTimer::Clock::now();
        lane.lastSend = now;
        // Nothing below may touch the lane: the send and the signals may add lanes.
        if (m_slots.send(head.socket, head.packet))
            Q_EMIT packetSent(head.socket,
                std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch())
                    .count());
        else
            Q_EMIT connectionOverflowed(head.socket);
        return;
    }
}

void OutgoingQueue::dropIdleLanes()
{
    if (m_pacing == Pacing::Shared)
        return;
    // An empty lane is kept only while its clock still holds its connection back: once its next
    // send would be due anyway, a new lane (which starts from an older send) paces it the same.
    const TimePoint now = PaceTimer::Clock::now();
    m_lanes.removeIf([&](const Lane &lane) {
        return lane.entries.isEmpty()
            && (lane.due() <= now || m_slots.connectionId(lane.socket) != lane.connection);
    });
}

void OutgoingQueue::setPacing(Pacing pacing)
{
    if (pacing == m_pacing)
        return;
    // Every send so far counts for every connection: the first packet in the new scheme leaves
    // no sooner than a tick after the latest one in the old.
    TimePoint latest = m_sharedLastSend;
    QList<Entry> waiting;
    waiting.reserve(m_size);
    for (Lane &lane : m_lanes) {
        latest = std::max(latest, lane.lastSend);
        while (!lane.entries.isEmpty())
            waiting.append(lane.entries.dequeue());
    }
    // Back into the order they were queued in; within one connection it is unchanged.
    std::sort(waiting.begin(), waiting.end(),
        [](const Entry &left, const Entry &right) { return left.sequence < right.sequence; });
    m_pacing = pacing;
    m_sharedLastSend = latest;
    m_lanes.clear();
    if (pacing == Pacing::Shared)
        m_lanes.append(Lane{0, 0, {}, latest});
    for (Entry &entry : waiting)
        laneFor(entry.socket, entry.connection).entries.enqueue(std::move(entry));
    if (!m_sending)
        scheduleNextTick();
}

void OutgoingQueue::discardPacketsFor(int socket)
{
    for (Lane &lane : m_lanes) {
        const qsizetype before = lane.entries.size();
        lane.entries.removeIf([&](const Entry &entry) {
            if (entry.socket != socket)
                return false;
            forget(entry);
            return true;
        });
        m_size -= before - lane.entries.size();
    }
    if (!m_sending)
        dropIdleLanes();
    if (m_size == 0)
        m_timer.stop();
}
