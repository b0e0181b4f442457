#include "chatserver/BanList.h"

#include <algorithm>

bool BanList::isBanned(const QString &address) const
{
    return std::any_of(
        m_rows.cbegin(), m_rows.cend(), [&](const Row &row) { return row.address == address; });
}

void BanList::add(const Row &row)
{
    m_rows.append(row);
    Q_EMIT changed();
}

void BanList::removeRows(QList<int> indices)
{
    // From the back, so removing one row does not shift the indices still to come.
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    bool removed = false;
    for (const int index : std::as_const(indices)) {
        if (index < 0 || index >= m_rows.size())
            continue;
        m_rows.removeAt(index);
        removed = true;
    }
    if (removed)
        Q_EMIT changed();
}

bool BanList::removeAddress(const QString &address)
{
    const qsizetype removed
        = m_rows.removeIf([&](const Row &row) { return row.address == address; });
    if (removed > 0)
        Q_EMIT changed();
    return removed > 0;
}

void BanList::clear()
{
    if (m_rows.isEmpty())
        return;
    m_rows.clear();
    Q_EMIT changed();
}
