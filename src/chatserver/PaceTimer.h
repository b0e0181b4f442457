#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class QSocketNotifier;

// A one-shot wake-up at a point of the steady clock, for the outgoing queue's pacing. On Linux a
// timerfd armed with an absolute deadline wakes within microseconds of it; elsewhere (or when no
// timerfd can be had) a precise QTimer stands in, which rounds to whole milliseconds. Nothing
// runs between wake-ups, so a stopped timer costs no CPU.
class PaceTimer : public QObject
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    explicit PaceTimer(QObject *parent = nullptr);
    ~PaceTimer() override;

    // Replaces any earlier wake-up. A point already past wakes at the event loop's next turn.
    void wakeAt(Clock::time_point when);
    void stop();
    bool isActive() const { return m_active; }
    // Whether the timerfd is in use rather than the millisecond fallback.
    bool isPrecise() const;

Q_SIGNALS:
    void due();

private:
    void fire();

    bool m_active = false;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_fallback;
};
