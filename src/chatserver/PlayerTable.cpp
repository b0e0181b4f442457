#include "chatserver/PlayerTable.h"

#include <limits>

PlayerTable::PlayerTable()
    : m_seats{Seat{}}
{
}

void PlayerTable::setHostName(const QString &name)
{
    m_seats.first().name = name;
}

void PlayerTable::add(const QString &name, quint16 id, int socket)
{
    m_seats.append(Seat{name, id, socket});
}

void PlayerTable::removeAt(int position)
{
    Q_ASSERT(position >= 1 && position <= count());
    if (position < 1 || position > count())
        return;
    Seat last = m_seats.takeLast();
    if (position < m_seats.size())
        m_seats[position] = std::move(last);
}

void PlayerTable::clearPlayers()
{
    m_seats.resize(1);
}

std::optional<int> PlayerTable::findBySocket(int socket) const
{
    for (int position = count(); position >= 1; --position) {
        if (m_seats.at(position).socket == socket)
            return position;
    }
    return std::nullopt;
}

std::optional<int> PlayerTable::findById(quint16 id, int from) const
{
    for (int position = qMax(from, 0); position <= count(); ++position) {
        if (m_seats.at(position).id == id)
            return position;
    }
    return std::nullopt;
}

std::optional<int> PlayerTable::findByName(const QString &name) const
{
    for (int position = 1; position <= count(); ++position) {
        if (m_seats.at(position).name == name)
            return position;
    }
    return std::nullopt;
}

std::optional<quint16> PlayerTable::issueId()
{
    constexpr int Ids = std::numeric_limits<quint16>::max();
    for (int tried = 0; tried < Ids; ++tried) {
        // 0 is the operator's.
        m_lastId = m_lastId == Ids ? 1 : quint16(m_lastId + 1);
        if (!findById(m_lastId, 1)) {
            ++m_totalJoins;
            return m_lastId;
        }
    }
    return std::nullopt;
}

bool PlayerTable::isWelcomed(const QString &address) const
{
    return m_welcomedAddresses.contains(address);
}

void PlayerTable::markWelcomed(const QString &address)
{
    if (!isWelcomed(address))
        m_welcomedAddresses.append(address);
}
