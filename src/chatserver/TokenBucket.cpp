#include "chatserver/TokenBucket.h"

#include <algorithm>

TokenBucket::TokenBucket(double capacity, double perSecond)
    : m_capacity(std::max(capacity, 1.0))
    , m_perSecond(std::max(perSecond, 0.0))
    , m_tokens(m_capacity)
{
}

bool TokenBucket::take(qint64 nowMs)
{
    if (!available(nowMs))
        return false;
    m_tokens -= 1.0;
    return true;
}

bool TokenBucket::available(qint64 nowMs)
{
    refill(nowMs);
    return m_tokens >= 1.0;
}

void TokenBucket::charge(double count, qint64 nowMs)
{
    refill(nowMs);
    m_tokens -= std::max(count, 0.0);
}

void TokenBucket::refill(qint64 nowMs)
{
    // A clock that steps back must not hand out tokens, nor take them away.
    if (m_lastRefillMs >= 0 && nowMs > m_lastRefillMs)
        m_tokens = std::min(
            m_capacity, m_tokens + double(nowMs - m_lastRefillMs) * m_perSecond / 1000.0);
    if (m_lastRefillMs < 0 || nowMs > m_lastRefillMs)
        m_lastRefillMs = nowMs;
}
