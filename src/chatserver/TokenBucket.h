#pragma once

#include <QtGlobal>

// Lets a burst of `capacity` events through at once, then `perSecond` on average. The caller gives
// the time (milliseconds of a monotonic clock), so the bucket itself never sleeps or polls.
class TokenBucket
{
public:
    TokenBucket(double capacity = 5, double perSecond = 2);

    // Takes one token if there is one; false when the event is over the rate.
    bool take(qint64 nowMs);
    // Whether a whole token is there, without taking it.
    bool available(qint64 nowMs);
    // Takes count tokens whether or not there are so many: an event whose cost is known only
    // afterwards runs while a token is available, then pays in full, and the debt is paid back at
    // the rate before the next one may run.
    void charge(double count, qint64 nowMs);

private:
    void refill(qint64 nowMs);

    double m_capacity;
    double m_perSecond;
    double m_tokens;
    qint64 m_lastRefillMs = -1;
};
