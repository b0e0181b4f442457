#pragma once

#include <QHash>
#include <QHostAddress>
#include <QString>

// Refuses a visitor after MaxFailures failed logins in a row for LockMs; a good login clears its
// count. A visitor is an IPv4 address or an IPv6 /64, which one subscriber holds whole. Times are
// milliseconds on the panel's clock.
class LoginGuard
{
public:
    static constexpr int MaxFailures = 5;
    static constexpr qint64 LockMs = 15 * 60 * 1000;
    // Bounds the table under a spread attack; entries without a running lock go first, and a
    // running lock is never dropped: with the table full of them a new visitor goes uncounted.
    static constexpr int MaxAddresses = 4096;

    bool isRefused(const QHostAddress &address, qint64 nowMs) const;
    void recordFailure(const QHostAddress &address, qint64 nowMs);
    void recordSuccess(const QHostAddress &address);

private:
    struct Entry
    {
        int failures = 0;
        qint64 lockedUntilMs = 0;
    };

    bool makeRoom(qint64 nowMs);

    QHash<QString, Entry> m_entries;
};
