#pragma once

#include <QByteArray>
#include <QHash>

// Logged-in panels: each holds a random 256-bit token (64 hex digits) that expires after IdleMs
// without use. Times are milliseconds on the panel's clock.
class PanelSessions
{
public:
    static constexpr qint64 IdleMs = 60 * 60 * 1000;
    static constexpr int MaxSessions = 64;

    QByteArray create(qint64 nowMs);
    // True, and the idle time starts again, when the token names a live session.
    bool touch(const QByteArray &token, qint64 nowMs);
    bool isLive(const QByteArray &token, qint64 nowMs) const;
    void end(const QByteArray &token);
    void endAll();
    int count() const { return int(m_lastUse.size()); }

private:
    QHash<QByteArray, qint64> m_lastUse;
};
