#include "chatserver/PaceTimer.h"

#include <QSocketNotifier>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>
#endif

using namespace std::chrono;

PaceTimer::PaceTimer(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_LINUX
    // steady_clock is CLOCK_MONOTONIC here, so its time points are the timerfd's deadlines.
    static_assert(Clock::is_steady);
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            // Re-arming clears the count, so a deadline moved on since the readiness was seen
            // reads nothing and must not fire.
            quint64 expirations = 0;
            if (::read(m_fd, &expirations, sizeof expirations) == qint64(sizeof expirations)
                && expirations > 0)
                fire();
        });
    }
#endif
    m_fallback.setSingleShot(true);
    m_fallback.setTimerType(Qt::PreciseTimer);
    connect(&m_fallback, &QTimer::timeout, this, &PaceTimer::fire);
}

PaceTimer::~PaceTimer()
{
#ifdef Q_OS_LINUX
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

bool PaceTimer::isPrecise() const
{
    return m_fd >= 0;
}

void PaceTimer::wakeAt(Clock::time_point when)
{
    m_active = true;
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        // A zero deadline would disarm the timer; one nanosecond is long past anyway.
        const qint64 ns
            = std::max<qint64>(1, duration_cast<nanoseconds>(when.time_since_epoch()).count());
        itimerspec deadline{};
        deadline.it_value.tv_sec = time_t(ns / 1000000000);
        deadline.it_value.tv_nsec = long(ns % 1000000000);
        if (timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &deadline, nullptr) == 0)
            return;
        // A timerfd that cannot be armed leaves the work to the fallback from now on.
        delete m_notifier;
        m_notifier = nullptr;
        ::close(m_fd);
        m_fd = -1;
    }
#endif
    // Rounded up, so the fallback never wakes before the deadline.
    const auto left = ceil<milliseconds>(when - Clock::now());
    m_fallback.start(std::max(left, milliseconds(0)));
}

void PaceTimer::stop()
{
    m_active = false;
    m_fallback.stop();
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        const itimerspec disarmed{};
        timerfd_settime(m_fd, 0, &disarmed, nullptr);
    }
#endif
}

void PaceTimer::fire()
{
    // A wake-up already in flight when the timer was stopped or moved is not the one asked for.
    if (!m_active)
        return;
    m_active = false;
    Q_EMIT due();
}
