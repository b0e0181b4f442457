#pragma once

#include "chatserver/PaceTimer.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QQueue>

#include <chrono>

class ClientSlots;
class PlayerTable;

// The only way packets reach the game clients. Packets leave one per 5 ms tick, in the order they
// were queued across all connections. A tick is due 5 ms after the previous packet left (never
// sooner), measured on the steady clock, so neither the time spent sending nor a late wake-up
// adds up over a long queue; an empty queue sleeps.
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
// waits, so the room can tell who made the queue long (see admitsRelay).
class OutgoingQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds TickInterval{5};
    // Ten seconds of the whole queue's pace for one connection alone.
    static constexpr int MaxPacketsPerConnection = 2048;
    // Players' lines passed on to others may fill the queue up to this wait freely...
    static constexpr std::chrono::milliseconds SharedRelayDelay{1000};
    // ... then only from players with nothing of theirs waiting, and never beyond this.
    static constexpr std::chrono::milliseconds MaxRelayDelay{2000};

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
    qsizetype size() const { return m_entries.size(); }
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
    // Sends the head now, as if its tick were due, so a fuzzer can drive the queue without a clock.
    void sendHeadNow() { sendHead(); }
    // Whether ticks wake on the precise timer (Linux) rather than the millisecond fallback.
    bool hasPreciseTimer() const { return m_timer.isPrecise(); }

Q_SIGNALS:
    // Said for every packet that one of the caps turned away.
    void connectionOverflowed(int socket);
    // A packet has been handed to the system for this connection; its tick began at sentAtNs on
    // the steady clock, the time the next tick is due from.
    void packetSent(int socket, qint64 sentAtNs);

private:
    struct Entry
    {
        int socket;
        quint64 connection;
        quint64 cause;
        QByteArray packet;
    };

    void append(int socket, const QByteArray &packet);
    void forget(const Entry &entry);
    void sendHead();
    void scheduleNextTick();

    const PlayerTable &m_table;
    ClientSlots &m_slots;
    QQueue<Entry> m_entries;
    // Both by connection ID, so a new connection in a slot starts from zero.
    QHash<quint64, int> m_waiting;
    QHash<quint64, int> m_caused;
    quint64 m_cause = 0;
    qint64 m_appended = 0;
    PaceTimer m_timer;
    PaceTimer::Clock::time_point m_lastSend;
};
