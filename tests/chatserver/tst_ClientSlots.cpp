#include "chatserver/ChatPackets.h"
#include "chatserver/ClientSlots.h"
#include "net/SocketState.h"

#include "support/LoopbackRoom.h"
#include "support/MemoryClientLink.h"
#include "support/TestWait.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestClientSlots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listeningStates()
    {
        ClientSlots slots;
        QCOMPARE(slots.state(0), int(SocketState::Closed));
        QVERIFY(slots.listen(QHostAddress(QHostAddress::LocalHost), 0));
        QCOMPARE(slots.state(0), int(SocketState::Listening));

        ClientSlots rival;
        QVERIFY(!rival.listen(QHostAddress(QHostAddress::LocalHost), slots.listeningPort()));
        QCOMPARE(rival.state(0), int(SocketState::Error));
        rival.stopListening();
        QCOMPARE(rival.state(0), int(SocketState::Closed));

        slots.close(0);
        QCOMPARE(slots.state(0), int(SocketState::Closed));
    }

    void freedSlotsAreReusedLowestFirst()
    {
        LoopbackRoom room;
        QVERIFY(room.listen());
        QCOMPARE(room.slots.lowestClosedSlot(), 1);
        for (int host = 2; host <= 4; ++host)
            room.connectFrom(host);
        QCOMPARE(room.requestedSlots, (QList<int>{1, 2, 3}));
        QCOMPARE(room.slots.highestIndex(), 3);
        QCOMPARE(room.slots.connectedCount(), 3);
        QCOMPARE(room.slots.peerAddress(2), u"127.0.0.3"_s);
        QCOMPARE(room.slots.state(2), int(SocketState::Connected));

        // The client leaves: its slot reports the peer's close and stays busy until closed, which
        // the receiver may do from inside the signal.
        QSignalSpy closedSpy(&room.slots, &ClientSlots::peerClosed);
        QList<int> stateWhenReported;
        connect(&room.slots, &ClientSlots::peerClosed, this, [&](int index) {
            stateWhenReported << room.slots.state(index);
            room.slots.close(index);
        });
        room.clients.at(1)->disconnectFromHost();
        QVERIFY(waitUntil([&] { return closedSpy.size() == 1; }));
        QCOMPARE(closedSpy.at(0).at(0).toInt(), 2);
        QCOMPARE(stateWhenReported, QList<int>{SocketState::PeerIsClosing});
        QCOMPARE(room.slots.state(2), int(SocketState::Closed));
        QCOMPARE(room.slots.peerAddress(2), QString());
        QCOMPARE(room.slots.lowestClosedSlot(), 2);

        room.connectFrom(5);
        QCOMPARE(room.requestedSlots.last(), 2);
        QCOMPARE(room.slots.peerAddress(2), u"127.0.0.5"_s);
        QCOMPARE(room.slots.highestIndex(), 3);
    }

    void noSlotPast63()
    {
        LoopbackRoom room;
        QVERIFY(room.listen());
        for (int i = 0; i < ClientSlots::MaxClients; ++i)
            room.connectFrom(2 + i % 5);
        QCOMPARE(room.slots.connectedCount(), 63);
        QCOMPARE(room.slots.lowestClosedSlot(), -1);

        // The 64th connection cannot be placed; undecided, it is turned away.
        GameClient *turnedAway = room.connectFrom(9);
        QVERIFY(waitUntil([&] { return turnedAway->isClosed(); }));
        QCOMPARE(room.slots.highestIndex(), 63);
        QCOMPARE(room.requestedSlots.size(), 63);
    }

    void acceptChecksTheSlot()
    {
        LoopbackRoom room(false);
        QVERIFY(room.listen());
        QList<bool> results;
        connect(&room.slots, &ClientSlots::connectionRequested, this,
            [&](ClientLink *pending, const QString &) {
                results << room.slots.accept(pending, 0) << room.slots.accept(pending, 2)
                        << room.slots.accept(pending, 1) << room.slots.accept(pending, 2);
                room.slots.refuse(pending); // already placed: no effect
                room.requestedSlots << 1;
            });
        room.connectFrom(2);
        QCOMPARE(results, (QList<bool>{false, false, true, false}));
        QCOMPARE(room.slots.state(1), int(SocketState::Connected));
        QCOMPARE(room.slots.highestIndex(), 1);
    }

    void refusedConnectionsGetTheirFarewell()
    {
        LoopbackRoom room(false);
        QVERIFY(room.listen());
        QStringList addresses;
        connect(&room.slots, &ClientSlots::connectionRequested, this,
            [&](ClientLink *pending, const QString &address) {
                addresses << address;
                room.slots.refuse(pending, ChatPacket::roomFull());
            });
        GameClient *client = room.connectFrom(7);
        QVERIFY(waitUntil([&] { return client->isClosed(); }));
        QCOMPARE(client->packets(), QList<QByteArray>{ChatPacket::roomFull()});
        QCOMPARE(addresses, QStringList{u"127.0.0.7"_s});
        QCOMPARE(room.slots.highestIndex(), 0);
    }

    void dualStackListenerReportsDottedIpv4()
    {
        LoopbackRoom room;
        if (!room.slots.listen(QHostAddress(QHostAddress::Any), 0))
            QSKIP("no dual-stack listening here");
        room.connectFrom(3);
        QCOMPARE(room.slots.peerAddress(1), u"127.0.0.3"_s);
    }

    void dataArrivesAndIsTaken()
    {
        LoopbackRoom room;
        QVERIFY(room.listen());
        room.connectFrom(2);
        QSignalSpy arrivals(&room.slots, &ClientSlots::dataArrived);
        room.clients.at(0)->sendRaw("hello");
        QByteArray received;
        QVERIFY(waitUntil([&] {
            received += room.slots.takeAvailable(1);
            return received.size() == 5;
        }));
        QCOMPARE(received, QByteArray("hello"));
        QCOMPARE(arrivals.first().at(0).toInt(), 1);
        QCOMPARE(room.slots.takeAvailable(9), QByteArray());
    }

    void closingEverything()
    {
        LoopbackRoom room;
        QVERIFY(room.listen());
        room.connectFrom(2);
        room.connectFrom(3);
        QVERIFY(room.slots.send(2, ChatPacket::chatLine(u"last words")));
        room.slots.closeAll();
        QCOMPARE(room.slots.state(0), int(SocketState::Closed));
        QCOMPARE(room.slots.connectedCount(), 0);
        QVERIFY(!room.slots.send(2, ChatPacket::chatLine(u"too late")));
        QVERIFY(waitUntil(
            [&] { return room.clients.at(0)->isClosed() && room.clients.at(1)->isClosed(); }));
        // What was written before closing still left.
        QCOMPARE(
            room.clients.at(1)->packets(), QList<QByteArray>{ChatPacket::chatLine(u"last words")});
    }

    // A connection carried some other way than by the listening socket takes a slot, hears and is
    // heard, and leaves like a socket's: the fuzzers drive the room through this.
    void aLinkInMemoryIsAConnectionLikeAnyOther()
    {
        LoopbackRoom room;
        QSignalSpy arrivals(&room.slots, &ClientSlots::dataArrived);
        QSignalSpy lost(&room.slots, &ClientSlots::peerClosed);
        QSignalSpy closed(&room.slots, &ClientSlots::connectionClosed);
        QPointer<MemoryClientLink> link = new MemoryClientLink;
        room.slots.offer(link, u"127.0.0.4"_s);
        QCOMPARE(room.requestedSlots, QList<int>{1});
        QCOMPARE(room.slots.peerAddress(1), u"127.0.0.4"_s);
        QCOMPARE(room.slots.state(1), int(SocketState::Connected));

        link->deliver("hel");
        link->deliver("lo");
        QCOMPARE(arrivals.size(), 2);
        QCOMPARE(room.slots.takeAvailable(1), QByteArray("hello"));
        QVERIFY(room.slots.send(1, "abc"));
        QCOMPARE(link->takeWritten(), QByteArray("abc"));
        // Bytes the client has not read count against the unsent cap, as a socket's would.
        QVERIFY(room.slots.send(1, QByteArray(ClientSlots::MaxUnsentBytes, 'x')));
        QVERIFY(!room.slots.send(1, "y"));

        link->hangUp();
        QCOMPARE(lost.size(), 1);
        QCOMPARE(room.slots.state(1), int(SocketState::PeerIsClosing));
        room.slots.close(1);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(room.slots.state(1), int(SocketState::Closed));
        // Let go later, never inside its own signal.
        QVERIFY(link && link->isRetired());
        QTRY_VERIFY(link.isNull());
    }

    void aRefusedLinkHearsItsFarewellAndIsLetGo()
    {
        LoopbackRoom room(false);
        QList<ClientLink *> offered;
        connect(&room.slots, &ClientSlots::connectionRequested, this,
            [&](ClientLink *pending, const QString &) {
                offered << pending;
                room.slots.refuse(pending, ChatPacket::roomFull());
            });
        QPointer<MemoryClientLink> link = new MemoryClientLink;
        room.slots.offer(link, u"127.0.0.5"_s);
        QCOMPARE(offered, QList<ClientLink *>{link.data()});
        QCOMPARE(room.slots.highestIndex(), 0);
        QCOMPARE(link->written(), ChatPacket::roomFull());
        QVERIFY(link->isRetired());
        // A link left undecided is refused too.
        room.slots.disconnect(this);
        QPointer<MemoryClientLink> ignored = new MemoryClientLink;
        room.slots.offer(ignored, u"127.0.0.6"_s);
        QVERIFY(ignored->isRetired());
        QCOMPARE(room.slots.connectedCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestClientSlots)
#include "tst_ClientSlots.moc"
