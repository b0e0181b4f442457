#pragma once

#include "chatserver/TokenBucket.h"

#include <QHash>
#include <QString>

#include <chrono>

// Joins per address: every seat taken, and every connection that replaces an older one without a
// seat from the same address, spends one. A client that joins and leaves in a loop makes the room
// announce it to every player each time, and host traffic is never shed; past its budget the
// address is refused as a full room refuses, and nobody else hears of it.
class JoinBudget
{
public:
    struct Limits
    {
        // Joins an address may make at once: a first visit and a reconnect after a dropped line.
        int burst = 2;
        // Then one more each interval.
        std::chrono::milliseconds refillInterval{30000};
        // Addresses remembered at most; a full table forgets those whose budget is whole again
        // first, then the one that spent longest ago.
        int maxAddresses = 4096;
    };

    JoinBudget() = default;
    explicit JoinBudget(const Limits &limits);
    void setLimits(const Limits &limits);

    // Whether address has a join left now, without spending it.
    bool allows(const QString &address, qint64 nowMs);
    // Spends one join of address; false (and nothing spent) when none is left.
    bool spend(const QString &address, qint64 nowMs);

    int rememberedAddresses() const { return int(m_entries.size()); }

private:
    struct Entry
    {
        TokenBucket joins;
        qint64 lastSpentMs = 0;
    };

    Entry &entryFor(const QString &address, qint64 nowMs);
    void makeRoom(qint64 nowMs);
    TokenBucket freshBucket() const;

    Limits m_limits;
    QHash<QString, Entry> m_entries;
};
