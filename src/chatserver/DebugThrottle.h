#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Debug lines per address and kind. A client that streams packets the room notes (empty chat
// lines, lines under another ID, connections that close without a seat) would otherwise make the
// host write a line for each: tens of thousands a second that flood the journal, hide real events
// and, with a slow reader, stall the room. A few lines a second of each kind are written, then one
// line saying how many were left out. Keyed by address rather than by connection, since the room
// holds one connection per address and a client that reconnects must not start afresh.
class DebugThrottle
{
public:
    struct Limits
    {
        int linesPerSecond = 3;
        // Keys remembered at most; beyond, lines of new keys are left out uncounted until the
        // ended seconds are reported.
        int maxKeys = 4096;
    };

    struct LeftOut
    {
        QString address;
        int kind = 0;
        int count = 0;
    };

    DebugThrottle() = default;
    explicit DebugThrottle(const Limits &limits);

    // Whether a line of kind about address may be written now; false counts it as left out.
    bool admit(const QString &address, int kind, qint64 nowMs);
    // The lines left out in seconds that have ended, to be told now; forgets every key whose
    // second has ended.
    QList<LeftOut> takeEnded(qint64 nowMs);
    bool isEmpty() const { return m_keys.isEmpty(); }

private:
    struct Second
    {
        qint64 startMs = 0;
        int written = 0;
        int leftOut = 0;
    };
    using Key = std::pair<QString, int>;

    Limits m_limits;
    QHash<Key, Second> m_keys;
};
