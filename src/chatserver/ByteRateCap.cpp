#include "chatserver/ByteRateCap.h"

ByteRateCap::ByteRateCap(qint64 maxBytesPerWindow)
    : m_maxBytes(maxBytesPerWindow)
{
}

bool ByteRateCap::admit(qint64 bytes, qint64 nowMs)
{
    if (m_windowStartMs < 0 || nowMs - m_windowStartMs >= WindowMs) {
        m_windowStartMs = nowMs;
        m_windowBytes = 0;
    }
    m_windowBytes += bytes;
    return m_windowBytes <= m_maxBytes;
}
