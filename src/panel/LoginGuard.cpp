#include "panel/LoginGuard.h"

bool LoginGuard::isRefused(const QString &address, qint64 nowMs) const
{
    const auto it = m_entries.constFind(address);
    return it != m_entries.cend() && it->lockedUntilMs > nowMs;
}

void LoginGuard::recordFailure(const QString &address, qint64 nowMs)
{
    if (!m_entries.contains(address) && m_entries.size() >= MaxAddresses)
        makeRoom(nowMs);
    Entry &entry = m_entries[address];
    if (entry.lockedUntilMs != 0 && entry.lockedUntilMs <= nowMs)
        entry = Entry(); // the lock is over: a fresh count
    if (++entry.failures >= MaxFailures)
        entry.lockedUntilMs = nowMs + LockMs;
}

void LoginGuard::recordSuccess(const QString &address)
{
    m_entries.remove(address);
}

void LoginGuard::makeRoom(qint64 nowMs)
{
    m_entries.removeIf(
        [nowMs](const QHash<QString, Entry>::iterator &it) { return it->lockedUntilMs <= nowMs; });
    // Every entry is a running lock: the newest address goes uncounted rather than unlocking one.
    if (m_entries.size() >= MaxAddresses)
        m_entries.erase(m_entries.begin());
}
