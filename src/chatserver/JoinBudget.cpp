#include "chatserver/JoinBudget.h"

#include <algorithm>

JoinBudget::JoinBudget(const Limits &limits)
    : m_limits(limits)
{
}

void JoinBudget::setLimits(const Limits &limits)
{
    m_limits = limits;
    m_entries.clear();
}

bool JoinBudget::allows(const QString &address, qint64 nowMs)
{
    const auto found = m_entries.find(address);
    return found == m_entries.end() || found->joins.available(nowMs);
}

bool JoinBudget::spend(const QString &address, qint64 nowMs)
{
    Entry &entry = entryFor(address, nowMs);
    if (!entry.joins.take(nowMs))
        return false;
    entry.lastSpentMs = nowMs;
    return true;
}

JoinBudget::Entry &JoinBudget::entryFor(const QString &address, qint64 nowMs)
{
    const auto found = m_entries.find(address);
    if (found != m_entries.end())
        return *found;
    makeRoom(nowMs);
    return *m_entries.insert(address, Entry{freshBucket(), nowMs});
}

void JoinBudget::makeRoom(qint64 nowMs)
{
    if (m_entries.size() < std::max(m_limits.maxAddresses, 1))
        return;
    // A budget that has refilled whole is the same as none remembered.
    const qint64 wholeAgainMs = qint64(m_limits.burst) * m_limits.refillInterval.count();
    m_entries.removeIf(
        [&](const auto &entry) { return nowMs - entry.value().lastSpentMs >= wholeAgainMs; });
    if (m_entries.size() < std::max(m_limits.maxAddresses, 1))
        return;
    const auto oldest = std::min_element(m_entries.begin(), m_entries.end(),
        [](const Entry &left, const Entry &right) { return left.lastSpentMs < right.lastSpentMs; });
    m_entries.erase(oldest);
}

TokenBucket JoinBudget::freshBucket() const
{
    const double perSecond = m_limits.refillInterval.count() > 0
        ? 1000.0 / double(m_limits.refillInterval.count())
        : 1e9;
    return TokenBucket(m_limits.burst, perSecond);
}
