#include "BenchClock.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace BenchClock {

qint64 nowNs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(2);
    bool held = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        held = condition();
        if (held || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
    return held;
}

void pumpFor(int ms)
{
    waitFor([] { return false; }, ms);
}

} // namespace BenchClock
