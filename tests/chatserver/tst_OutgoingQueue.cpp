#include "chatserver/ChatPackets.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"

#include "chatserver/LoopbackRoom.h"
#include "support/TestWait.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

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
        LoopbackClient &client(int slot) { return *room.clients.at(slot - 1); }
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
            QCOMPARE(seated.client(slot).packets.size(), copiesPerSlot.at(slot - 1));
    }

    void broadcastFollowsSeatsNotConnections()
    {
        SeatedRoom seated;
        seated.table.removeAt(3); // slot 3 is connected but has no seat
        seated.table.add(u"Again"_s, 9, 1); // slot 1 joined twice
        seated.queue.queuePacket(0, numbered(7));
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(seated.client(1).packets.size(), 2);
        QCOMPARE(seated.client(2).packets.size(), 1);
        QCOMPARE(seated.client(3).packets.size(), 0);
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
            const LoopbackClient &client = seated.client(slot);
            QCOMPARE(client.packets.size(), count / 3);
            for (int i = 0; i < client.packets.size(); ++i)
                arrivals.append({client.arrivalsNs.at(i), numberOf(client.packets.at(i))});
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
        QCOMPARE(seated.client(1).packets, QList<QByteArray>{numbered(2)});
        QCOMPARE(seated.client(2).packets, QList<QByteArray>{});
        QCOMPARE(seated.client(3).packets, QList<QByteArray>{numbered(4)});
    }

    void aReusedSlotReceivesWhatWasQueuedForIt()
    {
        SeatedRoom seated;
        seated.room.slots.close(2);
        // Filler keeps the entry for slot 2 waiting while a new client takes the slot.
        for (int number = 0; number < 40; ++number)
            seated.queue.queuePacket(1, numbered(number));
        seated.queue.queuePacket(2, numbered(100));
        LoopbackClient *newcomer = seated.room.connectFrom(9);
        QCOMPARE(seated.room.requestedSlots.last(), 2);
        QVERIFY2(seated.queue.size() > 1, "the newcomer came too late for this test");
        QVERIFY(seated.drained());
        seated.settle();
        QCOMPARE(newcomer->packets, QList<QByteArray>{numbered(100)});
        QCOMPARE(seated.client(2).packets, QList<QByteArray>{});
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
        QCOMPARE(seated.client(1).packets.size(), 0);
        QCOMPARE(seated.client(2).packets.size(), 1);
    }

    void sendRefusesBeyondTheUnsentByteCap()
    {
        SeatedRoom seated;
        const QByteArray half(int(ClientSlots::MaxUnsentBytes / 2), 'x');
        // The peer reads nothing while this runs, so the bytes wait in the socket.
        QVERIFY(seated.room.slots.send(1, half));
        QVERIFY(seated.room.slots.send(1, half));
        QVERIFY(!seated.room.slots.send(1, QByteArray(1, 'x')));
    }
};

QTEST_GUILESS_MAIN(TestOutgoingQueue)
#include "tst_OutgoingQueue.moc"
