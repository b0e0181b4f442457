#pragma once

#include "chatserver/PaceTimer.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QQueue>

#include <chrono>

class ClientSlots;
class PlayerTable;

// The only way packets reach the game clients. It paces in one of two ways:
// - shared (the default): packets leave one per 5 ms tick, in the order they were queued across
//   all connections;
// - per connection: every connection has a first-in first-out lane of its own and its own 5 ms
//   clock, so a packet for c leaves at the later of now and c's previous send + 5 ms, and
//   different connections are served side by side. No client gets two packets closer than
//   5 ms either way.
// A send is due 5 ms after the previous one on its lane left (never sooner), measured on the
// steady clock, so neither the time spent sending nor a late wake-up adds up over a long queue.
// One timer serves every lane, armed for the earliest deadline; an empty queue sleeps.
//
// An entry belongs to the connection that held its slot when it was queued: it is thrown away
// when that connection closes, and a later client in the same slot never receives it.
//
// No connection may hold more than MaxPacketsPerConnection waiting packets, and none may leave
// more than ClientSlots::MaxUnsentBytes unsent in its socket: a client that cannot keep up (or a
// room flooded with lines for it) would otherwise grow the host's memory without bound. Packets
// beyond either cap are not queued or sent, and connectionOverflowed tells the room to drop it.
//
// Every packet queued while a Cause is alive is counted against that connection for as long as it
// waits, so the room can tell who made the queue long (see admitsRelay). Players' lines passed on
// to others go through queueRelay: paced per connection, a lane already holding MaxRelayDelay of
// packets sheds them first, so no connection's own backlog waits longer than that for a relay.
class OutgoingQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds TickInterval{5};
    // Ten seconds of one lane's pace for one connection alone.
    static constexpr int MaxPacketsPerConnection = 2048;
    // Players' lines passed on to others may fill the queue (paced per connection: its longest
    // lane) up to this wait freely...
    static constexpr std::chrono::milliseconds SharedRelayDelay{1000};
    // ... then only from players with nothing of theirs waiting, and never beyond this.
    static constexpr std::chrono::milliseconds MaxRelayDelay{2000};

    enum class Pacing { Shared, PerConnection };

    // While alive, what the queue is given is counted against the connection now in socket.
    class Cause
    {
    public:
        Cause(OutgoingQueue &queue, int socket);
        ~Cause();
        Cause(const Cause &) = delete;
        Cause &operator=(const Cause &) = delete;
        // Packets queued since this cause began, for any connection.
        qint64 queued() const { return m_queue.m_appended - m_appendedBefore; }

    private:
        OutgoingQueue &m_queue;
        quint64 m_previous;
        qint64 m_appendedBefore;
    };

    OutgoingQueue(const PlayerTable &table, ClientSlots &clientSlots, QObject *parent = nullptr);

    // socket > 0: that connection. socket 0: every seated player (table positions 1..n, in table
    // order) except those on excludedSocket. socket < 0, or a slot without a connection: nothing.
    void queuePacket(int socket, const QByteArray &packet, int excludedSocket = 0);
    // The same for a player's line passed on to others; paced per connection, a lane that already
    // holds MaxRelayDelay of packets does not take it.
    void queueRelay(int socket, const QByteArray &packet, int excludedSocket = 0);
    // Packets waiting, for everyone.
    qsizetype size() const { return m_size; }
    // The longest wait in packets: the whole queue when shared, the longest lane per connection.
    qsizetype longestBacklog() const;
    // How long a packet queued now for that slot's connection waits at most.
    std::chrono::milliseconds expectedWait(int socket) const;

    Pacing pacing() const { return m_pacing; }
    // What waits moves into the other scheme; every connection keeps its order and no client
    // gets two packets closer than TickInterval across the change.
    void setPacing(Pacing pacing);
    // Packets waiting for the connection now in that slot.
    int waitingFor(int socket) const;
    // Waiting packets, for anyone, that the connection now in that slot made the room send.
    int causedBy(int socket) const;
    // Whether a relay of `packets` asked for by the connection on socket fits: freely while the
    // queue's wait stays within SharedRelayDelay, past it only for a connection that has nothing
    // of its own waiting, and never past MaxRelayDelay.
    bool admitsRelay(int socket, qsizetype packets) const;
    // Forgets what waits for that slot's connection. The queue does it by itself when a
    // connection closes; the room also calls it when it drops one.
    void discardPacketsFor(int socket);
    // Sends every lane's head now, as if its tick were due, so a fuzzer can drive the queue
    // without a clock.
    void sendHeadNow() { sendHeads(AnyLane); }
    // Whether ticks wake on the precise timer (Linux) rather than the millisecond fallback.
    bool hasPreciseTimer() const { return m_timer.isPrecise(); }

Q_SIGNALS:
    // Said for every packet that one of the caps turned away.
    void connectionOverflowed(int socket);
    // A packet has been handed to the system for this connection; its tick began at sentAtNs on
    // the steady clock, the time the next tick is due from.
    void packetSent(int socket, qint64 sentAtNs);

private:
    using TimePoint = PaceTimer::Clock::time_point;
    struct Entry
    {
        int socket;
        quint64 connection;
        quint64 cause;
        qint64 sequence; // order of queueing, across all connections
        QByteArray packet;
    };
    // One clock and its packets: the only lane when shared, one per connection otherwise.
    struct Lane
    {
        int socket = 0; // 0 for the shared lane
        quint64 connection = 0;
        QQueue<Entry> entries;
        TimePoint lastSend;
        TimePoint due() const { return lastSend + TickInterval; }
    };

    void queue(int socket, const QByteArray &packet, int excludedSocket, bool relay);
    void append(int socket, const QByteArray &packet, bool relay);
    Lane &laneFor(int socket, quint64 connection);
    Lane *findLane(quint64 connection);
    const Lane *findLane(quint64 connection) const;
    void forget(const Entry &entry);
    enum WhichLanes { DueLanes, AnyLane };
    void sendHeads(WhichLanes which);
    void sendHead(Lane &lane);
    void scheduleNextTick();
    void dropIdleLanes();

    const PlayerTable &m_table;
    ClientSlots &m_slots;
    Pacing m_pacing = Pacing::Shared;
    QList<Lane> m_lanes;
    qsizetype m_size = 0;
    // The latest send when the scheme last changed (or the queue was made): a lane made later
    // starts its clock from here, so it cannot follow a send of the other scheme too closely.
    TimePoint m_sharedLastSend;
    TimePoint m_armedFor;
    bool m_sending = false;
    // Both by connection ID, so a new connection in a slot starts from zero.
    QHash<quint64, int> m_waiting;
    QHash<quint64, int> m_caused;
    quint64 m_cause = 0;
    qint64 m_appended = 0;
    PaceTimer m_timer;
};
