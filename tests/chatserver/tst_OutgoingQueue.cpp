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

} // namespace

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
