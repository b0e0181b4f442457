#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <chrono>

// Wrong room passwords per address. Refusals are budgeted per connection, guesses are not: a
// client that streams JoinRequests or reconnects could try thousands of passwords a second. After
// a few wrong ones within a while, every JoinRequest from that address is refused, right or
// wrong, until the lockout ends.
class PasswordLockout
{
public:
    struct Limits
    {
        int wrongAllowed = 5;
        std::chrono::milliseconds window{10 * 60 * 1000};
        std::chrono::milliseconds lockout{15 * 60 * 1000};
        // Addresses remembered at most. A full table forgets guesses that no longer count, then
        // the address whose last guess is oldest, but never a running lockout: with every entry
        // locked, a new address's guesses are simply not counted.
        int maxAddresses = 4096;
    };

    PasswordLockout() = default;
    explicit PasswordLockout(const Limits &limits);
    void setLimits(const Limits &limits);

    bool isLockedOut(const QString &address, qint64 nowMs) const;
    // Counts a wrong password; true when it is the one that locks the address out.
    bool noteWrongPassword(const QString &address, qint64 nowMs);
    // A right password forgets the earlier mistakes of an address that is not locked out.
    void noteRightPassword(const QString &address);

private:
    struct Entry
    {
        QList<qint64> wrongAtMs; // within the window, oldest first
        qint64 lockedUntilMs = -1;
    };

    bool isLocked(const Entry &entry, qint64 nowMs) const { return nowMs < entry.lockedUntilMs; }
    bool makeRoom(qint64 nowMs);

    Limits m_limits;
    QHash<QString, Entry> m_entries;
};
