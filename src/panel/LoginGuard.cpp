#include "panel/LoginGuard.h"

#include "net/PeerAddress.h"

bool LoginGuard::isRefused(const QHostAddress &address, qint64 nowMs) const
{
    const auto it = m_entries.constFind(PeerAddress::block(address));
    return it != m_entries.cend() && it->lockedUntilMs > nowMs;
}

void LoginGuard::recordFailure(const QHostAddress &address, qint64 nowMs)
{
    const QString key = PeerAddress::block(address);
    if (!m_entries.contains(key) && m_entries.size() >= MaxAddresses && !makeRoom(nowMs))
        return;
    Entry &entry = m_entries[key];
    if (entry.lockedUntilMs != 0 && entry.lockedUntilMs <= nowMs)
        entry = Entry(); // the lock is over: a fresh count
    if (++entry.failures >= MaxFailures)
        entry.lockedUntilMs = nowMs + LockMs;
}

void LoginGuard::recordSuccess(const QHostAddress &address)
{
    m_entries.remove(PeerAddress::block(address));
}

bool LoginGuard::makeRoom(qint64 nowMs)
{
    m_entries.removeIf(
        [nowMs](const QHash<QString, Entry>::iterator &it) { return it->lockedUntilMs <= nowMs; });
    return m_entries.size() < MaxAddresses;
}
