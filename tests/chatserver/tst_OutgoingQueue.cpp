#include "chatserver/ChatPackets.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"

#include "support/LoopbackRoom.h"
#include "support/TestWait.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

QByteArray numbered(int number)
{
    return ChatPacket::chatLine(QString::number(number));
}

int numberOf(const QByteArray &packet)
{
    return ChatPacket::readChatLine(packet)->text.toInt();
}

QList<int> numbersOf(const QList<QByteArray> &packets)
{
    QList<int> numbers;
    for (const QByteArray &packet : packets)
        numbers << numberOf(packet);
    return numbers;
}

using Pacing = OutgoingQueue::Pacing;

} // namespace

Q_DECLARE_METATYPE(OutgoingQueue::Pacing)

class TestOutgoingQueue : public QObject
{
    Q_OBJECT

private:
    // Three connected clients on slots 1..3; the table seats them at positions 1..3.
    struct SeatedRoom
    {
        LoopbackRoom room;
        PlayerTable table;
        OutgoingQueue queue{table, room.slots};

        SeatedRoom()
        {
            room.listen();
            for (int slot = 1; slot <= 3; ++slot) {
                room.connectFrom(1 + slot);
                table.add(u"P%1"_s.arg(slot), quint16(slot), slot);
            }
        }
        GameClient &client(int slot) { return *room.clients.at(slot - 1); }
        // Runs a plain event loop: a polling wait would itself delay the timer it measures.
        bool drained()
        {
            QEventLoop loop;
            QTimer poll;
            connect(&poll, &QTimer::timeout, &loop, [&] {
                if (queue.size() == 0)
                    loop.quit();
            });
            poll.start(1);
            QTimer::singleShot(5000, &loop, &QEventLoop::quit);
            loop.exec();
            return queue.size() == 0;
        }
        // Lets the last sent bytes cross loopback.
        void settle() { QTest::qWait(50); }
    };

    // When each packet left, on the queue's own clock, by slot; a busy machine may hand a client
    // two packets in one read, so the arrivals alone cannot tell their spacing.
    struct SendLog
    {
        QHash<int, QList<qint64>> sentNs;

        explicit SendLog(OutgoingQueue &queue)
        {
            QObject::connect(&queue, &OutgoingQueue::packetSent, &queue,
                [this](int socket, qint64 atNs) { sentNs[socket] << atNs; });
        }
        // The shortest gap between two packets to one client, in microseconds.
        qint64 shortestGapUs() const
        {
            qint64 shortest = std::numeric_limits<qint64>::max();
            for (const QList<qint64> &times : sentNs) {
                for (qsizetype i = 1; i < times.size(); ++i)
                    shortest = std::min(shortest, (times.at(i) - times.at(i - 1)) / 1000);
            }
            return shortest;
        }
    };

private Q_SLOTS:
    void broadcastReachesTablePositions_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("excluded");
        QTest::addColumn<QList<int>>("copiesPerSlot");
        QTest::newRow("everyone") << 0 << 0 << QList<int>{1, 1, 1};
        QTest::newRow("all but socket 2") << 0 << 2 << QList<int>{1, 0, 1};
        QTest::newRow("one connection") << 3 << 3 << QList<int>{0, 0, 1};
        QTest::newRow("negative socket") << -1 << 0 << QList<int>{0, 0, 0};
    }
    void broadcastReachesTablePositions()
    {
        QFETCH(int, target);
        QFETCH(int, excluded);
        QFETCH(QList<int>, copiesPerSlot);
        SeatedRoom seated;
        seated.queue.queuePacket(target, numbered(1), excluded);
        QCOMPARE(seated.queue.size(), std::count(copiesPerSlot.begin(), copiesPerSlot.end(), 1));
        QVERIFY(seated.drained());
        seated.settle();
        for (int slot = 1; slot <= 3; ++slot)
            QCOMPARE(seated.client(slot).packets().size(), copiesPerSlot.at(slot - 1));
    }

    void broadcastFollowsSeatsNotConnections()
    {
        SeatedRoom seated;
        seated.table.removeAt(3); // slot 3 is connected but has no seat
        seated.table.add(u"Again"_s, 9, 1); // slot 1 joined twice
        seated.queue.queuePacket(0, numbered(7));
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(seated.client(1).packets().size(), 2);
        QCOMPARE(seated.client(2).packets().size(), 1);
        QCOMPARE(seated.client(3).packets().size(), 0);
    }

    void packetsLeaveInQueueOrderOnePerTick()
    {
        SeatedRoom seated;
        constexpr int count = 30;
        for (int number = 0; number < count; ++number)
            seated.queue.queuePacket(1 + number % 3, numbered(number));
        QVERIFY(seated.drained());
        seated.settle();

        QList<std::pair<qint64, int>> arrivals;
        for (int slot = 1; slot <= 3; ++slot) {
            const GameClient &client = seated.client(slot);
            QCOMPARE(client.packets().size(), count / 3);
            for (int i = 0; i < client.packets().size(); ++i)
                arrivals.append({client.arrivalsNs().at(i), numberOf(client.packets().at(i))});
        }
        std::sort(arrivals.begin(), arrivals.end());
        for (int i = 0; i < count; ++i)
            QCOMPARE(arrivals.at(i).second, i);

        // 29 gaps of at least one 5 ms tick; allow a little for timer and scheduling slack.
        const qint64 spanMs = (arrivals.last().first - arrivals.first().first) / 1000000;
        QVERIFY2(spanMs >= (count - 1) * 5 * 9 / 10, qPrintable(QString::number(spanMs)));
        int wellSpaced = 0;
        for (int i = 1; i < count; ++i) {
            if (arrivals.at(i).first - arrivals.at(i - 1).first >= 4000000)
                ++wellSpaced;
        }
        QVERIFY2(wellSpaced >= (count - 1) * 8 / 10, qPrintable(QString::number(wellSpaced)));
    }

    void packetsForClosedConnectionsAreDropped()
    {
        SeatedRoom seated;
        seated.queue.queuePacket(2, numbered(1));
        seated.queue.queuePacket(1, numbered(2));
        seated.queue.queuePacket(42, numbered(3)); // no such slot
        seated.queue.queuePacket(3, numbered(4));
        seated.room.slots.close(2);
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(seated.client(1).packets(), QList<QByteArray>{numbered(2)});
        QCOMPARE(seated.client(2).packets(), QList<QByteArray>{});
        QCOMPARE(seated.client(3).packets(), QList<QByteArray>{numbered(4)});
    }

    // Entries belong to the connection, not the slot: whatever waited for a client that left
    // is gone at once, and the next client in its slot hears only what is queued for it.
    void aReusedSlotReceivesNothingOfItsPredecessor()
    {
        SeatedRoom seated;
        // Filler keeps the entries for slot 2 waiting while its client leaves and a new one
        // takes the slot.
        for (int number = 0; number < 40; ++number)
            seated.queue.queuePacket(1, numbered(number));
        seated.queue.queuePacket(2, numbered(100));
        seated.queue.queuePacket(0, numbered(101));
        QCOMPARE(seated.queue.waitingFor(2), 2);
        seated.room.slots.close(2);
        QCOMPARE(seated.queue.waitingFor(2), 0);
        QCOMPARE(seated.queue.size(), 40 + 2);
        // Queued while the slot is empty: there is nobody to wait for.
        seated.queue.queuePacket(2, numbered(102));
        QCOMPARE(seated.queue.size(), 40 + 2);

        GameClient *newcomer = seated.room.connectFrom(9);
        QCOMPARE(seated.room.requestedSlots.last(), 2);
        QVERIFY2(seated.queue.size() > 1, "the newcomer came too late for this test");
        QCOMPARE(seated.queue.waitingFor(2), 0);
        seated.queue.queuePacket(2, numbered(103));
        QCOMPARE(seated.queue.waitingFor(2), 1);
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(newcomer->packets(), QList<QByteArray>{numbered(103)});
        QCOMPARE(seated.client(2).packets(), QList<QByteArray>{});
        QCOMPARE(seated.client(3).packets(), QList<QByteArray>{numbered(101)});
    }

    // Ticks are due 5 ms after the previous packet left, on the steady clock: the gaps keep to
    // the interval and do not add up the time of each tick's work.
    void pacingKeepsToTheInterval()
    {
#ifdef Q_OS_LINUX
        SeatedRoom probe;
        QVERIFY(probe.queue.hasPreciseTimer());
#endif
        SeatedRoom seated;
        constexpr int count = 200;
        // When each tick began, on the queue's own clock: a busy machine may hand the client two
        // packets in one read, so the arrivals alone cannot tell two packets in one tick.
        QList<qint64> sentNs;
        QObject::connect(&seated.queue, &OutgoingQueue::packetSent, &seated.queue,
            [&](int, qint64 sentAtNs) { sentNs << sentAtNs; });
        for (int number = 0; number < count; ++number)
            seated.queue.queuePacket(1, numbered(number));
        QVERIFY(seated.drained());
        seated.settle();
        const GameClient &client = seated.client(1);
        QCOMPARE(client.packets().size(), count);
        QCOMPARE(sentNs.size(), count);
        QList<qint64> gapsUs;
        for (int i = 1; i < count; ++i)
            gapsUs << (sentNs.at(i) - sentNs.at(i - 1)) / 1000;
        std::sort(gapsUs.begin(), gapsUs.end());
        const qint64 spanMs = (sentNs.last() - sentNs.first()) / 1000000;
        const QString figures = u"span %1 ms, shortest gap %2 us, median %3 us"_s.arg(spanMs)
                                    .arg(gapsUs.first())
                                    .arg(gapsUs.at(gapsUs.size() / 2));
        // Never two packets in one tick, however late a tick comes.
        QVERIFY2(gapsUs.first() >= 5000, qPrintable(figures));
        QVERIFY2(spanMs >= (count - 1) * 5, qPrintable(figures));
        // Generous for a busy machine, still short of a re-armed timer's millisecond rounding.
        QVERIFY2(gapsUs.at(gapsUs.size() / 2) < 5400, qPrintable(figures));
    }

    // A player's line passed on to the others is queued freely while the queue holds up to a
    // second's worth, then only for players with nothing of theirs waiting, never past two.
    void relaysAreAdmittedByBacklogAndCause()
    {
        SeatedRoom seated;
        const qsizetype shared = OutgoingQueue::SharedRelayDelay / OutgoingQueue::TickInterval;
        const qsizetype most = OutgoingQueue::MaxRelayDelay / OutgoingQueue::TickInterval;
        {
            const OutgoingQueue::Cause cause(seated.queue, 1);
            for (qsizetype number = 0; number < shared - 10; ++number)
                seated.queue.queuePacket(3, numbered(int(number)));
            QCOMPARE(cause.queued(), shared - 10);
        }
        QCOMPARE(seated.queue.causedBy(1), int(shared - 10));
        QCOMPARE(seated.queue.causedBy(2), 0);
        QVERIFY(seated.queue.admitsRelay(1, 10));
        QVERIFY(!seated.queue.admitsRelay(1, 11));
        QVERIFY(seated.queue.admitsRelay(2, 11));
        QVERIFY(seated.queue.admitsRelay(2, 0));

        {
            const OutgoingQueue::Cause cause(seated.queue, 2);
            seated.queue.queuePacket(3, numbered(-1));
            {
                // Nested: the inner cause counts for itself and is undone at its end.
                const OutgoingQueue::Cause inner(seated.queue, 1);
                seated.queue.queuePacket(3, numbered(-2));
            }
            seated.queue.queuePacket(3, numbered(-3));
        }
        QCOMPARE(seated.queue.causedBy(2), 2);
        QVERIFY(!seated.queue.admitsRelay(2, 20));
        // Host traffic counts for nobody.
        for (qsizetype number = seated.queue.size(); number < most - 5; ++number)
            seated.queue.queuePacket(3, numbered(0));
        QVERIFY(seated.queue.admitsRelay(3, 5));
        QVERIFY(!seated.queue.admitsRelay(3, 6));

        // What a connection caused is counted for that connection only: the next client in its
        // slot starts from nothing.
        seated.room.slots.close(1);
        seated.room.connectFrom(9);
        QCOMPARE(seated.room.requestedSlots.last(), 1);
        QVERIFY2(seated.queue.size() > shared, "the newcomer came too late for this test");
        QCOMPARE(seated.queue.causedBy(1), 0);
        QVERIFY(seated.queue.admitsRelay(1, 1));
        QVERIFY(seated.drained());
        QCOMPARE(seated.queue.causedBy(2), 0);
    }

    void aConnectionsBacklogIsCappedAndReported()
    {
        SeatedRoom seated;
        QSignalSpy overflowed(&seated.queue, &OutgoingQueue::connectionOverflowed);
        const int cap = OutgoingQueue::MaxPacketsPerConnection;
        for (int number = 0; number < cap; ++number)
            seated.queue.queuePacket(1, numbered(number));
        QCOMPARE(overflowed.size(), 0);
        // A broadcast still reaches the others when one connection is full.
        seated.queue.queuePacket(0, numbered(cap));
        QCOMPARE(overflowed.size(), 1);
        QCOMPARE(overflowed.first().first().toInt(), 1);
        QCOMPARE(seated.queue.waitingFor(1), cap);
        QCOMPARE(seated.queue.waitingFor(2), 1);
        QCOMPARE(seated.queue.size(), cap + 2);

        seated.queue.discardPacketsFor(1);
        QCOMPARE(seated.queue.size(), 2);
        QCOMPARE(seated.queue.waitingFor(1), 0);
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(seated.client(1).packets().size(), 0);
        QCOMPARE(seated.client(2).packets().size(), 1);
    }

    // Paced per connection, every client has its own first-in first-out lane and 5 ms clock:
    // packets to one client keep their order and spacing, and the lanes are served side by side,
    // so the whole takes about as long as the longest lane rather than the sum of them.
    void perConnectionLanesKeepOrderAndSpacing()
    {
        SeatedRoom seated;
        seated.queue.setPacing(Pacing::PerConnection);
        const SendLog log(seated.queue);
        constexpr int perClient = 40;
        QHash<int, QList<int>> expected;
        for (int number = 0; number < 3 * perClient; ++number) {
            const int slot = 1 + number % 3;
            seated.queue.queuePacket(slot, numbered(number));
            expected[slot] << number;
        }
        // A broadcast joins the end of every lane.
        seated.queue.queuePacket(0, numbered(1000));
        for (int slot = 1; slot <= 3; ++slot)
            expected[slot] << 1000;
        QCOMPARE(seated.queue.size(), 3 * perClient + 3);
        QCOMPARE(seated.queue.longestBacklog(), perClient + 1);
        QCOMPARE(seated.queue.expectedWait(1), OutgoingQueue::TickInterval * (perClient + 1));
        QVERIFY(seated.drained());
        seated.settle();

        qint64 first = std::numeric_limits<qint64>::max();
        qint64 last = 0;
        for (int slot = 1; slot <= 3; ++slot) {
            QCOMPARE(numbersOf(seated.client(slot).packets()), expected.value(slot));
            const QList<qint64> &sent = log.sentNs.value(slot);
            QCOMPARE(sent.size(), perClient + 1);
            first = std::min(first, sent.first());
            last = std::max(last, sent.last());
        }
        QVERIFY2(log.shortestGapUs() >= 5000, qPrintable(QString::number(log.shortestGapUs())));
        // One lane's floor is 40 x 5 ms; the shared queue's would be 122 x 5 ms.
        const qint64 spanMs = (last - first) / 1000000;
        QVERIFY2(spanMs >= perClient * 5 && spanMs < 3 * perClient * 5,
            qPrintable(QString::number(spanMs)));
    }

    // A broadcast queued behind one client's long backlog: shared, it waits for that backlog;
    // per connection, the other clients have it at once.
    void aBroadcastWaitsOnlyForItsOwnLane_data()
    {
        QTest::addColumn<Pacing>("pacing");
        QTest::addColumn<bool>("othersWait");
        QTest::newRow("shared") << Pacing::Shared << true;
        QTest::newRow("per connection") << Pacing::PerConnection << false;
    }
    void aBroadcastWaitsOnlyForItsOwnLane()
    {
        QFETCH(Pacing, pacing);
        QFETCH(bool, othersWait);
        SeatedRoom seated;
        seated.queue.setPacing(pacing);
        constexpr int backlog = 100;
        for (int number = 0; number < backlog; ++number)
            seated.queue.queuePacket(1, numbered(number));
        seated.queue.queuePacket(0, numbered(1000));
        QVERIFY(waitUntil([&] {
            return !seated.client(2).packets().isEmpty() && !seated.client(3).packets().isEmpty();
        }));
        const int stillWaiting = seated.queue.waitingFor(1);
        if (othersWait)
            QCOMPARE(stillWaiting, 0);
        else
            QVERIFY2(stillWaiting > backlog / 2, qPrintable(QString::number(stillWaiting)));
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(seated.client(1).packets().size(), backlog + 1);
        QCOMPARE(numberOf(seated.client(1).packets().last()), 1000);
    }

    // Per connection too, entries belong to their connection: a client that leaves takes its lane
    // with it, and the next client in its slot starts with an empty lane and a clock of its own.
    void perConnectionEntriesDieWithTheirConnection()
    {
        SeatedRoom seated;
        seated.queue.setPacing(Pacing::PerConnection);
        for (int number = 0; number < 40; ++number)
            seated.queue.queuePacket(2, numbered(number));
        seated.queue.queuePacket(0, numbered(100));
        QCOMPARE(seated.queue.waitingFor(2), 41);
        seated.room.slots.close(2);
        QCOMPARE(seated.queue.waitingFor(2), 0);
        QCOMPARE(seated.queue.size(), 2);
        QCOMPARE(seated.queue.expectedWait(2), std::chrono::milliseconds(0));
        seated.queue.queuePacket(2, numbered(101)); // nobody in the slot
        QCOMPARE(seated.queue.size(), 2);

        GameClient *newcomer = seated.room.connectFrom(9);
        QCOMPARE(seated.room.requestedSlots.last(), 2);
        seated.queue.queuePacket(2, numbered(102));
        QCOMPARE(seated.queue.waitingFor(2), 1);
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(newcomer->packets(), QList<QByteArray>{numbered(102)});
        QCOMPARE(seated.client(2).packets(), QList<QByteArray>{});
        QCOMPARE(seated.client(1).packets(), QList<QByteArray>{numbered(100)});

        // A lane that overflows is dropped whole, the other lanes go on.
        QSignalSpy overflowed(&seated.queue, &OutgoingQueue::connectionOverflowed);
        for (int number = 0; number <= OutgoingQueue::MaxPacketsPerConnection; ++number)
            seated.queue.queuePacket(3, numbered(number));
        QCOMPARE(overflowed.size(), 1);
        seated.queue.discardPacketsFor(3);
        seated.queue.queuePacket(1, numbered(200));
        QCOMPARE(seated.queue.size(), 1);
        QVERIFY(seated.drained());
    }

    // Switching while packets wait moves them into the other scheme: none is lost, every client
    // keeps its order, and no client gets two packets closer than a tick across the switch.
    void switchingPacingWhilePacketsWait_data()
    {
        QTest::addColumn<QList<Pacing>>("schemes");
        QTest::newRow("shared, then per connection")
            << QList<Pacing>{Pacing::Shared, Pacing::PerConnection};
        QTest::newRow("per connection, then shared")
            << QList<Pacing>{Pacing::PerConnection, Pacing::Shared};
        QTest::newRow("back and forth") << QList<Pacing>{
            Pacing::Shared, Pacing::PerConnection, Pacing::Shared, Pacing::PerConnection};
    }
    void switchingPacingWhilePacketsWait()
    {
        QFETCH(QList<Pacing>, schemes);
        SeatedRoom seated;
        seated.queue.setPacing(schemes.first());
        const SendLog log(seated.queue);
        constexpr int count = 90;
        QHash<int, QList<int>> expected;
        for (int number = 0; number < count; ++number) {
            // Uneven lanes: slot 1 gets half of everything.
            const int slot = number % 2 == 0 ? 1 : 2 + (number / 2) % 2;
            seated.queue.queuePacket(slot, numbered(number));
            expected[slot] << number;
        }
        qsizetype switchAt = count;
        for (const Pacing pacing : schemes.sliced(1)) {
            switchAt -= 10;
            QVERIFY(waitUntil([&] { return seated.queue.size() <= switchAt; }));
            const qsizetype before = seated.queue.size();
            seated.queue.setPacing(pacing);
            QCOMPARE(seated.queue.pacing(), pacing);
            QCOMPARE(seated.queue.size(), before);
            // Queued after the switch: behind what already waits for that client.
            seated.queue.queuePacket(0, numbered(count + int(switchAt)));
            for (int slot = 1; slot <= 3; ++slot)
                expected[slot] << count + int(switchAt);
        }
        QVERIFY(seated.drained());
        seated.settle();
        for (int slot = 1; slot <= 3; ++slot)
            QCOMPARE(numbersOf(seated.client(slot).packets()), expected.value(slot));
        QVERIFY2(log.shortestGapUs() >= 5000, qPrintable(QString::number(log.shortestGapUs())));
        // Setting the scheme in force changes nothing.
        seated.queue.setPacing(schemes.last());
        QCOMPARE(seated.queue.size(), 0);
    }

    // Per connection, the backlog rule holds lane by lane: relays are admitted by the longest
    // lane rather than the sum of all, and a lane already holding MaxRelayDelay of packets sheds
    // players' lines for its client while the host's own packets still join it.
    void perConnectionRelaysAreShedLaneByLane()
    {
        SeatedRoom seated;
        seated.queue.setPacing(Pacing::PerConnection);
        const qsizetype shared = OutgoingQueue::SharedRelayDelay / OutgoingQueue::TickInterval;
        const qsizetype most = OutgoingQueue::MaxRelayDelay / OutgoingQueue::TickInterval;
        {
            const OutgoingQueue::Cause cause(seated.queue, 1);
            for (qsizetype number = 0; number < shared - 1; ++number)
                seated.queue.queuePacket(0, numbered(int(number)));
        }
        // Three lanes of 199: shared, that would be three seconds' worth.
        QCOMPARE(seated.queue.size(), 3 * (shared - 1));
        QVERIFY(seated.queue.admitsRelay(1, 2));
        QVERIFY(seated.queue.admitsRelay(2, 2));
        seated.queue.queuePacket(3, numbered(-1));
        // The longest lane is past a second: only players with nothing of theirs waiting.
        QVERIFY(!seated.queue.admitsRelay(1, 2));
        QVERIFY(seated.queue.admitsRelay(2, 2));

        for (qsizetype number = seated.queue.waitingFor(3); number < most; ++number)
            seated.queue.queuePacket(3, numbered(int(number)));
        QCOMPARE(seated.queue.waitingFor(3), int(most));
        seated.queue.queueRelay(0, numbered(-2), 1);
        QCOMPARE(seated.queue.waitingFor(3), int(most));
        QCOMPARE(seated.queue.waitingFor(2), int(shared));
        seated.queue.queuePacket(3, numbered(-3));
        QCOMPARE(seated.queue.waitingFor(3), int(most) + 1);
        // Shared, a relay is never shed by the lane; admitsRelay is the only gate.
        seated.queue.setPacing(Pacing::Shared);
        const qsizetype before = seated.queue.size();
        seated.queue.queueRelay(3, numbered(-4));
        QCOMPARE(seated.queue.size(), before + 1);
        QVERIFY(!seated.queue.admitsRelay(2, 1));
    }

    void sendRefusesBeyondTheUnsentByteCap()
    {
        SeatedRoom seated;
        const QByteArray chunk(int(ClientSlots::MaxUnsentBytes / 4), 'x');
        // The peer reads nothing while this runs: the system's buffers fill first, then the
        // bytes wait in the socket up to the cap.
        int sent = 0;
        while (sent < 400 && seated.room.slots.send(1, chunk))
            ++sent;
        QVERIFY2(sent >= 4 && sent < 400, qPrintable(QString::number(sent)));
        QVERIFY(!seated.room.slots.send(1, chunk));
    }
};

QTEST_GUILESS_MAIN(TestOutgoingQueue)
#include "tst_OutgoingQueue.moc"
