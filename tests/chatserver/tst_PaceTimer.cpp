#include "chatserver/PaceTimer.h"

#include "support/TestWait.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;
using Clock = PaceTimer::Clock;

class TestPaceTimer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wakesOnceNotBeforeItsDeadline()
    {
        PaceTimer timer;
        Clock::time_point dueAt;
        int wakes = 0;
        connect(&timer, &PaceTimer::due, this, [&] {
            dueAt = Clock::now();
            ++wakes;
        });
        const Clock::time_point deadline = Clock::now() + 30ms;
        timer.wakeAt(deadline);
        QVERIFY(timer.isActive());
        QVERIFY(waitUntil([&] { return wakes > 0; }, 3000));
        QVERIFY(dueAt >= deadline);
        QVERIFY(!timer.isActive());
        QTest::qWait(60);
        QCOMPARE(wakes, 1);
    }

    void aDeadlineAlreadyPastWakesAtOnce()
    {
        PaceTimer timer;
        QSignalSpy due(&timer, &PaceTimer::due);
        timer.wakeAt(Clock::now() - 1s);
        QVERIFY(due.wait(1000));
        timer.wakeAt(Clock::time_point{});
        QVERIFY(due.wait(1000));
    }

    void stoppedOrMovedWakeUpsDoNotFire()
    {
        PaceTimer timer;
        QSignalSpy due(&timer, &PaceTimer::due);
        timer.wakeAt(Clock::now() + 20ms);
        timer.stop();
        QVERIFY(!timer.isActive());
        QTest::qWait(80);
        QCOMPARE(due.size(), 0);

        // Already due when moved on: only the later deadline counts.
        timer.wakeAt(Clock::now());
        const Clock::time_point later = Clock::now() + 100ms;
        timer.wakeAt(later);
        QVERIFY(waitUntil([&] { return !due.isEmpty(); }, 3000));
        QVERIFY(Clock::now() >= later);
        QTest::qWait(30);
        QCOMPARE(due.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPaceTimer)
#include "tst_PaceTimer.moc"
