#pragma once

#include <QByteArray>
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
class OutgoingQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds TickInterval{5};

    OutgoingQueue(const PlayerTable &table, ClientSlots &clientSlots, QObject *parent = nullptr);

    // socket > 0: that connection. socket 0: every seated player (table positions 1..n, in table
    // order) except those on excludedSocket. socket < 0: nothing.
    void queuePacket(int socket, const QByteArray &packet, int excludedSocket = 0);
    qsizetype size() const { return m_entries.size(); }

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
    QTimer m_ticker;
};
