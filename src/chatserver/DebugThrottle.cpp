#include "chatserver/DebugThrottle.h"

namespace {

constexpr qint64 kSecondMs = 1000;

} // namespace

DebugThrottle::DebugThrottle(const Limits &limits)
    : m_limits(limits)
{
}

bool DebugThrottle::admit(const QString &address, int kind, qint64 nowMs)
{
    const Key key{address, kind};
    auto found = m_keys.find(key);
    if (found != m_keys.end() && nowMs - found->startMs >= kSecondMs && found->leftOut == 0) {
        // A quiet key starts a new second; one with lines left out waits to be reported first.
        *found = Second{nowMs, 0, 0};
    }
    if (found == m_keys.end()) {
        if (m_keys.size() >= m_limits.maxKeys)
            return false;
        found = m_keys.insert(key, Second{nowMs, 0, 0});
    }
    if (found->written < m_limits.linesPerSecond && found->leftOut == 0) {
        ++found->written;
        return true;
    }
    ++found->leftOut;
    return false;
}

QList<DebugThrottle::LeftOut> DebugThrottle::takeEnded(qint64 nowMs)
{
    QList<LeftOut> ended;
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (nowMs - it->startMs < kSecondMs) {
            ++it;
            continue;
        }
        if (it->leftOut > 0)
            ended.append({it.key().first, it.key().second, it->leftOut});
        it = m_keys.erase(it);
    }
    return ended;
}
