#include "chatserver/PasswordLockout.h"

#include <algorithm>

PasswordLockout::PasswordLockout(const Limits &limits)
    : m_limits(limits)
{
}

void PasswordLockout::setLimits(const Limits &limits)
{
    m_limits = limits;
}

bool PasswordLockout::isLockedOut(const QString &address, qint64 nowMs) const
{
    const auto found = m_entries.constFind(address);
    return found != m_entries.cend() && isLocked(*found, nowMs);
}

bool PasswordLockout::noteWrongPassword(const QString &address, qint64 nowMs)
{
    auto found = m_entries.find(address);
    if (found == m_entries.end()) {
        if (!makeRoom(nowMs))
            return false;
        found = m_entries.insert(address, Entry{});
    }
    Entry &entry = *found;
    if (isLocked(entry, nowMs))
        return false;
    entry.wrongAtMs.removeIf([&](qint64 at) { return nowMs - at >= m_limits.window.count(); });
    entry.wrongAtMs.append(nowMs);
    if (entry.wrongAtMs.size() < m_limits.wrongAllowed)
        return false;
    entry.wrongAtMs.clear();
    entry.lockedUntilMs = nowMs + m_limits.lockout.count();
    return true;
}

void PasswordLockout::noteRightPassword(const QString &address)
{
    // Only ever asked while the address is not locked out: a locked address is refused first.
    m_entries.remove(address);
}

bool PasswordLockout::makeRoom(qint64 nowMs)
{
    const int most = std::max(m_limits.maxAddresses, 1);
    if (m_entries.size() < most)
        return true;
    m_entries.removeIf([&](const auto &entry) {
        const Entry &e = entry.value();
        return !isLocked(e, nowMs)
            && (e.wrongAtMs.isEmpty() || nowMs - e.wrongAtMs.last() >= m_limits.window.count());
    });
    if (m_entries.size() < most)
        return true;
    auto oldest = m_entries.end();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (isLocked(*it, nowMs))
            continue;
        if (oldest == m_entries.end() || it->wrongAtMs.last() < oldest->wrongAtMs.last())
            oldest = it;
    }
    if (oldest == m_entries.end())
        return false;
    m_entries.erase(oldest);
    return true;
}
