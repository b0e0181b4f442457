#pragma once

#include <QHash>
#include <QString>

// Refuses an address after MaxFailures failed logins in a row for LockMs; a good login clears its
// count. Times are milliseconds on the panel's clock.
class LoginGuard
{
public:
    static constexpr int MaxFailures = 5;
    static constexpr qint64 LockMs = 15 * 60 * 1000;
    // Bounds the table under a spread attack; entries without a lock go first.
    static constexpr int MaxAddresses = 4096;

    bool isRefused(const QString &address, qint64 nowMs) const;
    void recordFailure(const QString &address, qint64 nowMs);
    void recordSuccess(const QString &address);

private:
    struct Entry
    {
        int failures = 0;
        qint64 lockedUntilMs = 0;
    };

    void makeRoom(qint64 nowMs);

    QHash<QString, Entry> m_entries;
};
