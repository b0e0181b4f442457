#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QQueue>
#include <QTimer>

#include <chrono>

class ClientSlots;
class PlayerTable;

// The only way packets reach the game clients. Packets leave one per tick of a 5 ms timer, in the
// order they were queued across all connections; an entry is addressed by socket index only, so
// it goes to whichever connection holds that slot when its turn comes, and is dropped if that
// slot is not connected then.
//
// No connection may hold more than MaxPacketsPerConnection waiting packets, and none may leave
// more than ClientSlots::MaxUnsentBytes unsent in its socket: a client that cannot keep up (or a
// room flooded with lines for it) would otherwise grow the host's memory without bound. Packets
// beyond either cap are not queued or sent, and connectionOverflowed tells the room to drop it.
class OutgoingQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds TickInterval{5};
    // Ten seconds of the whole queue's pace for one connection alone.
    static constexpr int MaxPacketsPerConnection = 2048;

    OutgoingQueue(const PlayerTable &table, ClientSlots &clientSlots, QObject *parent = nullptr);

    // socket > 0: that connection. socket 0: every seated player (table positions 1..n, in table
    // order) except those on excludedSocket. socket < 0: nothing.
    void queuePacket(int socket, const QByteArray &packet, int excludedSocket = 0);
    qsizetype size() const { return m_entries.size(); }
    int waitingFor(int socket) const { return m_waitingBySocket.value(socket); }
    // Forgets what waits for that connection; used when it is dropped, so a later client in the
    // same slot does not receive it.
    void discardPacketsFor(int socket);

Q_SIGNALS:
    // Said for every packet that one of the caps turned away.
    void connectionOverflowed(int socket);

private:
    struct Entry
    {
        int socket;
        QByteArray packet;
    };

    void append(int socket, const QByteArray &packet);
    void sendHead();

    const PlayerTable &m_table;
    ClientSlots &m_slots;
    QQueue<Entry> m_entries;
    QHash<int, int> m_waitingBySocket;
    QTimer m_ticker;
};
