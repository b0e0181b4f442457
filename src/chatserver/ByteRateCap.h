#pragma once

#include <QtGlobal>

// Counts the bytes a connection sends in fixed one-second windows (the first byte after a window
// ends opens the next) and tells when a window holds more than the cap. The caller gives the
// time (milliseconds of a monotonic clock).
class ByteRateCap
{
public:
    static constexpr qint64 WindowMs = 1000;

    explicit ByteRateCap(qint64 maxBytesPerWindow = 256 * 1024);

    // Counts the bytes; false once the current window holds more than the cap.
    bool admit(qint64 bytes, qint64 nowMs);

private:
    qint64 m_maxBytes;
    qint64 m_windowStartMs = -1;
    qint64 m_windowBytes = 0;
};
