#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Who is in the room. Position 0 is the operator (ID 0, socket 0), positions 1..count() are the
// seated players. Removing a position moves the last one into the gap, so positions are not
// stable across departures; IDs are.
class PlayerTable
{
public:
    PlayerTable();

    // The number of seated players, which is also the highest position.
    int count() const { return int(m_seats.size()) - 1; }

    QString name(int position) const { return m_seats.at(position).name; }
    quint16 id(int position) const { return m_seats.at(position).id; }
    int socket(int position) const { return m_seats.at(position).socket; }

    void setHostName(const QString &name);
    QString hostName() const { return m_seats.first().name; }

    void add(const QString &name, quint16 id, int socket);
    // position must be 1..count(); the operator's position 0 is never removed.
    void removeAt(int position);
    // Empties the room down to the operator's own position.
    void clearPlayers();

    // Departures: the newest matching position first (count() down to 1).
    std::optional<int> findBySocket(int socket) const;
    // from is 0 (the operator may match, chat) or 1 (players only, name requests).
    std::optional<int> findById(quint16 id, int from) const;
    // Kick and ban: exact name, lowest player position first.
    std::optional<int> findByName(const QString &name) const;

    // Player IDs run 1..65535, then from 1 again, skipping those seated players hold: an ID is
    // never held by two seated players at once, and a long run never runs out of them. Nothing
    // only when every ID is seated, which the 63 client slots never allow.
    std::optional<quint16> issueId();
    // Joins in this run, counted on past the wrap of the IDs.
    int totalJoins() const { return m_totalJoins; }
    // The ID issued last; the next is the one after it. For tests of the wrap.
    void setLastIssuedId(quint16 id) { m_lastId = id; }

    // Addresses already greeted in this run; kept when the room closes and opens again.
    bool isWelcomed(const QString &address) const;
    void markWelcomed(const QString &address);

private:
    struct Seat
    {
        QString name;
        quint16 id = 0;
        int socket = 0;
    };

    QList<Seat> m_seats;
    int m_totalJoins = 0;
    quint16 m_lastId = 0;
    QStringList m_welcomedAddresses;
};
