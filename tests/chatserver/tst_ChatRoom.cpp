#include "chatserver/ChatPackets.h"

#include "support/GameClient.h"
#include "support/RoomParts.h"
#include "support/TestWait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QDateTime kEvening(QDate(2024, 12, 7), QTime(22, 22, 33));
const QString kHint = u"Type +commands for a list of available commands."_s;
const QString kSlowDown = u"** Too many lines, please slow down **"_s;
const QString kTooManyCommands = u"** Too many commands, please wait a minute **"_s;
const QString kBusy = u"** The room is busy, your line was not sent **"_s;

QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

// A fixed-size packet: the given leading bytes, then zeros up to size.
QByteArray padded(QByteArray start, int size)
{
    start.resize(size, '\0');
    return start;
}

// A client's NameRequest, stretched or cut to size bytes as a faulty client might send it.
QByteArray nameRequest(const QList<quint16> &ids, int size = 80)
{
    QByteArray packet = ChatPacket::nameRequest(ids);
    packet.resize(size, '\0');
    ChatPacket::writeId(packet, 2, quint16(size));
    return packet;
}

// A ChatLine from sender of exactly size bytes, its text all 'a'.
QByteArray chatLineOfSize(quint16 sender, int size)
{
    QByteArray packet(size, 'a');
    packet[0] = char(ChatPacket::ChatLine);
    packet[1] = 7;
    ChatPacket::writeId(packet, 2, quint16(size));
    for (int offset = 4; offset < 16; ++offset)
        packet[offset] = '\0';
    ChatPacket::writeId(packet, 8, sender);
    packet[size - 1] = '\0';
    return packet;
}

// The whole host side of a room on 127.0.0.1, over real options, a log in a temporary folder and
// the real queue; clients connect from 127.0.0.<hostByte>.
struct Room : ChatRoomParts
{
    explicit Room(
        const ChatRoom::Limits &limits = {}, bool locked = false, const QString &password = {})
        : ChatRoomParts([] { return kEvening; })
    {
        players.setHostName(u"Operator"_s);
        state.roomName = u"Sunday Cup"_s;
        state.roomLocked = locked;
        state.roomPassword = password;
        options.setLogOption(ChatOptions::EnableLogging, true);
        options.setLogOption(ChatOptions::LogPlayerEvents, true);
        room.setLimits(limits);
        voice.setWelcomeMessage(u"Welcome to the Sunday Cup!"_s);
        listening = room.startListening(0, QHostAddress(QHostAddress::LocalHost));
    }

    // Connects and waits for the greeting; nullptr when the room did not greet it.
    GameClient *connect(int hostByte)
    {
        clients.push_back(std::make_unique<GameClient>(hostByte));
        GameClient *client = clients.back().get();
        if (!client->connectTo(slots.listeningPort()) || !client->waitForPackets(1))
            return nullptr;
        return client;
    }
    // Connects, joins and waits until the welcome has arrived (or the setup, for a known address).
    GameClient *join(int hostByte, const QString &name, qsizetype expectedPackets = 4)
    {
        GameClient *client = connect(hostByte);
        if (!client)
            return nullptr;
        client->sendJoin(name, state.roomPassword);
        return client->waitForPackets(expectedPackets) ? client : nullptr;
    }
    QByteArray logged() const
    {
        QFile file(QDir(dir.path()).filePath(u"12_7_2024.txt"_s));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QSignalSpy lines{&room, &ChatRoom::chatLineReceived};
    QSignalSpy debugLines{&room, &ChatRoom::debugLine};
    bool listening = false;
    std::vector<std::unique_ptr<GameClient>> clients;
};

ChatRoom::Limits quickLimits()
{
    ChatRoom::Limits limits;
    limits.silentTimeout = 300ms;
    limits.kickGrace = 200ms;
    return limits;
}

} // namespace

class TestChatRoom : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void joinAndLeaveByteForByte()
    {
        Room room;
        QVERIFY(room.listening);
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        QCOMPARE(ann->packets().at(0), padded(hex("d4074400ffffffff") + "Sunday Cup", 68));
        QByteArray setup = padded(hex("d6070002ffffffff01000000010000000000000001000000"), 512);
        setup.replace(272, 8, "Operator");
        QCOMPARE(ann->packets().at(1), setup);
        QCOMPARE(ann->chatTexts(), (QStringList{u"Welcome to the Sunday Cup!"_s, kHint}));

        GameClient *bob = room.join(3, u"Bob"_s);
        QVERIFY(bob);
        QVERIFY(ann->waitForPackets(5));
        QCOMPARE(ann->packets().at(4), padded(hex("e9072000ffffffff02000000") + "Bob", 32));
        QCOMPARE(room.room.playerListRows(), (QStringList{u"Operator"_s, u"Ann"_s, u"Bob"_s}));
        QCOMPARE(room.room.ipMonitor().rows().size(), 2);
        QCOMPARE(room.room.ipMonitor().rows().at(1).address, u"127.0.0.3"_s);
        QCOMPARE(room.room.ipMonitor().rows().at(1).socket, 2);

        bob->disconnectFromHost();
        QVERIFY(ann->waitForPackets(6));
        QCOMPARE(ann->packets().at(5), hex("ea070c00ffffffff02000000"));
        QCOMPARE(room.room.playerListRows(), (QStringList{u"Operator"_s, u"Ann"_s}));
        QCOMPARE(room.room.ipMonitor().rows().size(), 1);
        QVERIFY(room.logged().contains("Bob  Joined Chat  IP:127.0.0.3 ID:2\r\n"));
        QVERIFY(room.logged().contains("Bob  Leaves Chat\r\n"));
        QVERIFY(ann->staysQuiet(100));
    }

    void returningAddressIsNotWelcomedAgain()
    {
        Room room;
        GameClient *first = room.join(2, u"Ann"_s);
        QVERIFY(first);
        first->disconnectFromHost();
        QVERIFY(waitUntil([&] { return room.players.count() == 0; }));

        GameClient *again = room.join(2, u"Ann"_s, 2);
        QVERIFY(again);
        QCOMPARE(again->ownId(), quint16(2));
        QVERIFY(again->staysQuiet(150));
        QCOMPARE(again->opcodes(),
            (QList<quint8>{ChatPacket::InitiateConnectionOpen, ChatPacket::RoomSetup}));
    }

    void newConnectionReplacesOlderFromSameAddress()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        GameClient *bob = room.join(3, u"Bob"_s);
        QVERIFY(ann && bob);
        QVERIFY(ann->waitForPackets(5));

        GameClient *bobAgain = room.connect(3);
        QVERIFY(bobAgain);
        QVERIFY(bob->waitForClose());
        QVERIFY(ann->waitForPackets(6));
        QCOMPARE(ann->packets().at(5), ChatPacket::removePlayer(2));
        QCOMPARE(room.players.count(), 1);
        QVERIFY(room.logged().contains("Bob  Leaves Chat\r\n"));
    }

    void roomFullIsToldToTheRefusedClientOnly()
    {
        Room room;
        GameClient *seated = room.join(2, u"Ann"_s);
        QVERIFY(seated);
        for (int hostByte = 3; hostByte <= 64; ++hostByte)
            QVERIFY2(room.connect(hostByte), qPrintable(QString::number(hostByte)));
        QCOMPARE(room.slots.connectedCount(), ClientSlots::MaxClients);

        GameClient turnedAway(65);
        turnedAway.connectTo(room.slots.listeningPort()); // may see the close before the connect
        QVERIFY(turnedAway.waitForClose());
        QCOMPARE(turnedAway.packets(), QList<QByteArray>{hex("d2070800ffffffff")});
        QVERIFY(seated->staysQuiet(100));

        // A departure frees its slot for the next client.
        room.clients.at(5)->disconnectFromHost();
        QVERIFY(waitUntil([&] { return room.slots.connectedCount() < ClientSlots::MaxClients; }));
        GameClient *late = room.join(66, u"Late"_s);
        QVERIFY(late);
        QCOMPARE(room.room.ipMonitor().rows().last().socket, 6);
    }

    void password_data()
    {
        QTest::addColumn<QString>("roomPassword");
        QTest::addColumn<QByteArray>("joinRequest");
        QTest::addColumn<bool>("admitted");
        QTest::addColumn<QString>("seatedName");
        const QByteArray withSecret = padded(hex("d5072700ffffffff") + "Ann", 32) + "Secret";
        QTest::newRow("right") << u"Secret"_s << withSecret + '\0' << true << u"Ann"_s;
        QTest::newRow("letter case differs")
            << u"secret"_s << withSecret + '\0' << false << QString();
        QTest::newRow("missing") << u"Secret"_s << padded(hex("d5072000ffffffff") + "Ann", 32)
                                 << false << QString();
        // 20 bytes without a 0 after the name: the name runs to the end, the password is empty.
        QTest::newRow("empty password, short request")
            << QString() << hex("d5071400ffffffff") + "Twelve bytes" << true << u"Twelve bytes"_s;
        QTest::newRow("name cut to 20")
            << QString() << hex("d5072100ffffffff") + "Abcdefghijklmnopqrstuvwx" + '\0' << true
            << u"Abcdefghijklmnopqrst"_s;
    }
    void password()
    {
        QFETCH(QString, roomPassword);
        QFETCH(QByteArray, joinRequest);
        QFETCH(bool, admitted);
        QFETCH(QString, seatedName);
        Room room({}, true, roomPassword);
        GameClient *client = room.connect(2);
        QVERIFY(client);
        QCOMPARE(client->packets().at(0).at(0), char(ChatPacket::InitiateConnectionLocked));
        client->sendRaw(joinRequest);
        QVERIFY(client->waitForPackets(2));
        if (!admitted) {
            QCOMPARE(client->packets().at(1), hex("d7070800ffffffff"));
            QVERIFY(!client->isClosed());
            QCOMPARE(room.players.totalJoins(), 0);
            return;
        }
        QCOMPARE(client->ownId(), quint16(1));
        QCOMPARE(room.players.name(1), seatedName);
        QCOMPARE(room.room.ipMonitor().rows().at(0).playerName, seatedName);
    }

    // Joining again and again makes the room announce each seat to everyone, so each address has
    // a budget of joins. Past it the address is turned away as a full room turns it away, its
    // seated connection stays, and nobody else hears of it.
    void joinsAreBudgetedPerAddress()
    {
        ChatRoom::Limits limits;
        limits.joins.burst = 2;
        limits.joins.refillInterval = 3000ms;
        Room room(limits);
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        // A reconnect that replaces a seated connection pays for its new seat only.
        GameClient *cid = room.join(3, u"Cid"_s);
        QVERIFY(cid);
        GameClient *cidAgain = room.join(3, u"Cid"_s, 2);
        QVERIFY(cidAgain && cid->waitForClose());
        QVERIFY(waitUntil([&] { return room.queue.size() == 0; }));
        QVERIFY(ann->staysQuiet(50));
        const qsizetype annHeard = ann->packets().size();

        GameClient refused(3);
        refused.connectTo(room.slots.listeningPort());
        QVERIFY(refused.waitForClose());
        QCOMPARE(refused.packets(), QList<QByteArray>{ChatPacket::roomFull()});
        QVERIFY(!cidAgain->isClosed());
        QCOMPARE(room.players.count(), 2);
        QVERIFY(ann->staysQuiet(100));
        QCOMPARE(ann->packets().size(), annHeard);

        // Connections that never join and replace each other pay too.
        QVERIFY(room.connect(4) && room.connect(4) && room.connect(4));
        GameClient alsoRefused(4);
        alsoRefused.connectTo(room.slots.listeningPort());
        QVERIFY(alsoRefused.waitForClose());
        QCOMPARE(alsoRefused.packets(), QList<QByteArray>{ChatPacket::roomFull()});

        // Other addresses are not touched, and the budget comes back with time.
        QVERIFY(room.join(5, u"Dee"_s));
        GameClient *back = nullptr;
        for (int attempt = 0; !back && attempt < 40; ++attempt) {
            room.clients.push_back(std::make_unique<GameClient>(3));
            GameClient *client = room.clients.back().get();
            if (client->connectTo(room.slots.listeningPort()) && client->waitForPackets(1, 1000)
                && client->packets().first() != ChatPacket::roomFull())
                back = client;
            else
                client->staysQuiet(250); // the budget fills up with time
        }
        QVERIFY(back);
        back->sendJoin(u"Cid"_s);
        QVERIFY(!back->waitForOpcode(ChatPacket::RoomSetup).isEmpty());
    }

    // Past 65,535 the IDs start again from 1, passing over those seated players hold.
    void playerIdsWrapPastTheLast()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        QCOMPARE(ann->ownId(), quint16(1));
        room.players.setLastIssuedId(65534);
        GameClient *bob = room.join(3, u"Bob"_s);
        QVERIFY(bob);
        QCOMPARE(bob->ownId(), quint16(65535));
        GameClient *cid = room.join(4, u"Cid"_s);
        QVERIFY(cid);
        QCOMPARE(cid->ownId(), quint16(2));
        // The others are told the new ID too.
        QVERIFY(
            waitUntil([&] { return bob->packets().contains(ChatPacket::addPlayer(2, u"Cid"_s)); }));
        QCOMPARE(room.players.totalJoins(), 3);
    }

    // Five wrong passwords from one address lock it out: every JoinRequest from it is refused as
    // a wrong password is, the right one too, until the lockout ends. The operator is told once.
    void wrongPasswordsLockTheAddressOut()
    {
        ChatRoom::Limits limits;
        limits.passwords.lockout = 1500ms;
        Room room(limits, true, u"Secret"_s);
        QSignalSpy system(&room.room, &ChatRoom::systemMessage);
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        GameClient *guesser = room.connect(3);
        QVERIFY(guesser);
        for (int guess = 0; guess < 5; ++guess)
            guesser->sendJoin(u"Guess"_s, u"guess%1"_s.arg(guess));
        QVERIFY(guesser->waitForPackets(6));
        QCOMPARE(system.count(), 1);
        QCOMPARE(system.at(0).at(0).toString(), u"Too many wrong room passwords from 127.0.0.3"_s);

        // A new connection from that address with the right password is refused the same way.
        guesser->disconnectFromHost();
        QVERIFY(waitUntil([&] { return room.slots.connectedCount() == 1; }));
        GameClient *right = room.connect(3);
        QVERIFY(right);
        right->sendJoin(u"Guess"_s, u"Secret"_s);
        QVERIFY(right->waitForPackets(2));
        QCOMPARE(right->packets().at(1), ChatPacket::joinRefused());
        QCOMPARE(room.players.count(), 1);

        // Other addresses and seated players go on as before.
        QVERIFY(room.join(4, u"Bob"_s));
        ann->sendChat(ann->ownId(), u"still here"_s);
        QVERIFY(waitUntil([&] { return room.lines.count() == 1; }));

        // Once the lockout has run out, the right password seats that address.
        bool seated = false;
        for (int attempt = 0; !seated && attempt < 40; ++attempt) {
            right->sendJoin(u"Guess"_s, u"Secret"_s);
            seated = !right->waitForOpcode(ChatPacket::RoomSetup, 150).isEmpty();
        }
        QVERIFY(seated);
        QCOMPARE(system.count(), 1);
    }

    void secondJoinRequestIsIgnored()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        ann->sendJoin(u"Ann again"_s);
        QVERIFY(ann->staysQuiet(150));
        QCOMPARE(room.players.count(), 1);
        QCOMPARE(room.players.totalJoins(), 1);
    }

    void nameRequests()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(room.join(3, u"Bob"_s) && room.join(4, u"Cy"_s));
        QVERIFY(ann->waitForPackets(6));
        ann->clearPackets();

        ann->sendRaw(nameRequest({3}, 79));
        ann->sendRaw(nameRequest({3}, 81));
        QVERIFY(ann->staysQuiet(100));

        ann->sendRaw(nameRequest({3, 0, 7, 2}));
        const QByteArray reply = ann->waitForOpcode(ChatPacket::NameReply);
        QByteArray expected = padded(hex("e8070002ffffffff03000000000000000000000002000000"), 512);
        expected.replace(80, 2, "Cy");
        expected.replace(152, 3, "Bob");
        QCOMPARE(reply, expected);
    }

    void chatLinesFromTheirOwnSeatOnly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("handedOn");
        const QByteArray own = ChatPacket::chatLine(u"hi"_s);
        QByteArray asAnn = own;
        ChatPacket::writeId(asAnn, 8, 1);
        QByteArray asBob = own;
        ChatPacket::writeId(asBob, 8, 2);
        QByteArray asNobody = own;
        ChatPacket::writeId(asNobody, 8, 40000);
        QTest::newRow("own ID") << asAnn << true;
        QTest::newRow("another player's ID") << asBob << false;
        QTest::newRow("the host's ID") << own << false;
        QTest::newRow("an unseated ID") << asNobody << false;
        QTest::newRow("16 bytes") << asAnn.left(16).replace(2, 1, "\x10") << false;
    }
    void chatLinesFromTheirOwnSeatOnly()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, handedOn);
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann && room.join(3, u"Bob"_s));
        ann->sendRaw(line);
        ann->sendChat(1, u"marker"_s);
        QVERIFY(waitUntil([&] {
            return !room.lines.isEmpty()
                && room.lines.last().at(0).toByteArray().endsWith("marker\0"_ba);
        }));
        QCOMPARE(room.lines.size(), handedOn ? 2 : 1);
        if (handedOn) {
            QCOMPARE(room.lines.at(0).at(0).toByteArray(), line);
            QCOMPARE(room.lines.at(0).at(2).toInt(), 1);
        }
    }

    void chatLineWithoutSeatIsDropped()
    {
        Room room;
        GameClient *stranger = room.connect(2);
        QVERIFY(stranger);
        stranger->sendChat(0, u"hello"_s);
        stranger->sendChat(1, u"hello"_s);
        QVERIFY(stranger->staysQuiet(150));
        QVERIFY(room.lines.isEmpty());
    }

    void kickAndBan()
    {
        Room room(quickLimits());
        GameClient *ann = room.join(2, u"Twin"_s);
        QVERIFY(ann && room.join(3, u"Bob"_s));
        GameClient *twin = room.join(4, u"Twin"_s);
        QVERIFY(twin);
        twin->clearPackets();

        // Both are called "Twin": the one kicked is the one whose ID is given.
        QVERIFY(room.room.kickPlayer(ann->ownId(), true));
        QCOMPARE(ann->waitForOpcode(ChatPacket::Kick), hex("d9070800ffffffff"));
        QCOMPARE(room.room.banList().rows().size(), 1);
        const BanList::Row ban = room.room.banList().rows().at(0);
        QCOMPARE(ban.playerName, u"Twin"_s);
        QCOMPARE(ban.address, u"127.0.0.2"_s);
        QVERIFY(!ban.timeBanned.isEmpty());
        QVERIFY(twin->staysQuiet(100));

        ann->disconnectFromHost();
        QVERIFY(waitUntil([&] { return room.players.count() == 2; }));
        GameClient refused(2);
        refused.connectTo(room.slots.listeningPort());
        QVERIFY(refused.waitForClose());
        QVERIFY(refused.packets().isEmpty());

        room.room.banList().clear();
        QVERIFY(room.connect(2));
    }

    void hostIsNeverKicked()
    {
        Room room(quickLimits());
        GameClient *namesake = room.join(2, u"Operator"_s);
        QVERIFY(namesake);
        QVERIFY(!room.room.kickPlayer(0, true));
        QVERIFY(namesake->staysQuiet(100));
        QVERIFY(room.room.banList().rows().isEmpty());

        QVERIFY(room.room.kickPlayer(namesake->ownId(), false));
        QVERIFY(!namesake->waitForOpcode(ChatPacket::Kick).isEmpty());
        QVERIFY(room.room.banList().rows().isEmpty());
        QVERIFY(!room.room.kickPlayer(99, false));
    }

    void kickedClientThatStaysIsDisconnected()
    {
        Room room(quickLimits());
        GameClient *ann = room.join(2, u"Ann"_s);
        GameClient *bob = room.join(3, u"Bob"_s);
        QVERIFY(ann && bob);
        QVERIFY(room.room.kickPlayer(2, false));
        QVERIFY(!bob->waitForOpcode(ChatPacket::Kick).isEmpty());
        QVERIFY(bob->waitForClose(2000));
        QCOMPARE(ann->waitForOpcode(ChatPacket::RemovePlayer), ChatPacket::removePlayer(2));
        QVERIFY(room.logged().contains("Bob  Leaves Chat\r\n"));
    }

    void kickEnforcementSparesTheNextClientInTheSlot()
    {
        Room room(quickLimits());
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        QVERIFY(room.room.kickPlayer(1, false));
        QVERIFY(!ann->waitForOpcode(ChatPacket::Kick).isEmpty());
        ann->disconnectFromHost();
        QVERIFY(waitUntil([&] { return room.players.count() == 0; }));

        GameClient *next = room.join(3, u"Bob"_s);
        QVERIFY(next);
        QCOMPARE(room.room.ipMonitor().rows().at(0).socket, 1);
        QTest::qWait(400);
        QVERIFY(!next->isClosed());
    }

    void silentConnectionIsClosed()
    {
        Room room(quickLimits());
        GameClient *silent = room.connect(2);
        GameClient *seated = room.join(3, u"Bob"_s);
        QVERIFY(silent && seated);
        QVERIFY(silent->waitForClose(2000));
        QCOMPARE(room.debugLines.size(), 1);
        QVERIFY(
            room.debugLines.at(0).at(0).toString().endsWith(u" No Player Found for Socket: 1"_s));
        QVERIFY(seated->staysQuiet(400));
        QVERIFY(!seated->isClosed());
    }

    void chatFloodIsRefused()
    {
        ChatRoom::Limits limits;
        limits.lineBurst = 3;
        limits.linesPerSecond = 2;
        Room room(limits);
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        ann->clearPackets();
        for (int line = 0; line < 6; ++line)
            ann->sendChat(1, QString::number(line));
        QVERIFY(ann->waitForPackets(1));
        QVERIFY(ann->staysQuiet(100));
        QCOMPARE(ann->chatTexts(), QStringList{kSlowDown});
        QCOMPARE(room.lines.size(), 3);

        // The rate refills the bucket: a line after a pause is handed on again.
        QTest::qWait(600);
        ann->sendChat(1, u"later"_s);
        QVERIFY(waitUntil([&] { return room.lines.size() == 4; }));
    }

    void fastSenderIsDisconnected()
    {
        ChatRoom::Limits limits;
        limits.maxBytesPerSecond = 4000;
        Room room(limits);
        GameClient *ann = room.join(2, u"Ann"_s);
        GameClient *bob = room.join(3, u"Bob"_s);
        QVERIFY(ann && bob);
        // Well-framed packets of an unknown kind: only the amount gives the sender away.
        const QByteArray junk = padded(hex("01075000"), 80);
        for (int packet = 0; packet < 60; ++packet)
            bob->sendRaw(junk);
        QVERIFY(bob->waitForClose());
        QCOMPARE(ann->waitForOpcode(ChatPacket::RemovePlayer), ChatPacket::removePlayer(2));
    }

    void connectionThatCannotKeepUpIsDroppedWithItsBacklog()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        GameClient *bob = room.join(3, u"Bob"_s);
        QVERIFY(ann && bob);
        const int bobSocket = 2;
        for (int packet = 0; packet <= OutgoingQueue::MaxPacketsPerConnection; ++packet)
            room.queue.queuePacket(bobSocket, ChatPacket::chatLine(u"backlog"_s));
        // Dropped at the end of the event, its backlog gone with it.
        QCOMPARE(room.queue.waitingFor(bobSocket), 0);
        QVERIFY(bob->waitForClose());
        QCOMPARE(ann->waitForOpcode(ChatPacket::RemovePlayer), ChatPacket::removePlayer(2));
        QCOMPARE(room.room.playerListRows(), (QStringList{u"Operator"_s, u"Ann"_s}));
    }

    void bytesFedDirectlyAreFramedAndDispatched()
    {
        Room room;
        GameClient *ann = room.connect(2);
        QVERIFY(ann);
        ann->clearPackets();
        const QByteArray join = GameClient::joinRequestPacket(u"Ann"_s);
        // Split inside the header and inside the body: the framer must join them up.
        room.room.receive(1, QByteArrayView(join).first(3));
        room.room.receive(1, QByteArrayView(join).sliced(3, 20));
        QCOMPARE(room.room.playerListRows().size(), 1);
        room.room.receive(1, QByteArrayView(join).sliced(23));
        QCOMPARE(room.room.playerListRows(), (QStringList{u"Operator"_s, u"Ann"_s}));
        // Bytes for a slot without a connection go nowhere.
        room.room.receive(5, join);
        room.room.receive(-1, join);
        QCOMPARE(room.room.playerListRows().size(), 2);
    }

    // What waits for a connection goes when it closes: the next client in its slot hears neither
    // its predecessor's kick nor a line meant for it.
    void aReusedSlotHearsNothingOfItsPredecessor()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        GameClient *bob = room.join(3, u"Bob"_s);
        QVERIFY(ann && bob);
        // Half a second of Ann's packets keeps Bob's waiting.
        for (int packet = 0; packet < 100; ++packet)
            room.queue.queuePacket(1, ChatPacket::chatLine(u"filler"_s));
        QVERIFY(room.room.kickPlayer(bob->ownId(), false));
        room.queue.queuePacket(2, ChatPacket::chatLine(u"for Bob only"_s, true, bob->ownId()));
        QCOMPARE(room.queue.waitingFor(2), 2);
        bob->disconnectFromHost();
        QVERIFY(waitUntil([&] { return room.players.count() == 1; }));
        QCOMPARE(room.queue.waitingFor(2), 0);

        QVERIFY2(room.queue.size() > 0, "the filler left too soon for this test");
        GameClient *cy = room.connect(4);
        QVERIFY(cy);
        QCOMPARE(room.room.ipMonitor().rows().size(), 1);
        QVERIFY(waitUntil([&] { return room.queue.size() == 0; }));
        QVERIFY(cy->staysQuiet(100));
        QCOMPARE(cy->opcodes(), QList<quint8>{ChatPacket::InitiateConnectionOpen});
        QVERIFY(!cy->isClosed());
    }

    void aClosedRoomLeavesNothingQueued()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        for (int packet = 0; packet < 400; ++packet)
            room.queue.queuePacket(1, ChatPacket::chatLine(u"old room"_s));
        room.room.closeAll();
        QCOMPARE(room.queue.size(), 0);

        // The next room's first client is greeted at once, not after two seconds of the old.
        QVERIFY(room.room.startListening(0, QHostAddress(QHostAddress::LocalHost)));
        QElapsedTimer clock;
        clock.start();
        GameClient *first = room.connect(3);
        QVERIFY(first);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(first->opcodes(), QList<quint8>{ChatPacket::InitiateConnectionOpen});
    }

    void overlongChatLinesAreDropped_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("handedOn");
        QTest::newRow("the longest a line can be") << 255 << true;
        QTest::newRow("one byte more") << 256 << false;
        QTest::newRow("60,000 bytes") << 60000 << false;
    }
    void overlongChatLinesAreDropped()
    {
        QFETCH(int, size);
        QFETCH(bool, handedOn);
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        ann->sendRaw(chatLineOfSize(ann->ownId(), size));
        if (handedOn) {
            QVERIFY(waitUntil([&] { return room.lines.size() == 1; }));
            QCOMPARE(room.lines.at(0).at(0).toByteArray().size(), size);
            QCOMPARE(room.debugLines.size(), 0);
            return;
        }
        QVERIFY(waitUntil([&] { return room.debugLines.size() == 1; }));
        QVERIFY(ann->staysQuiet(100));
        QCOMPARE(room.lines.size(), 0);
        QVERIFY2(room.debugLines.at(0).at(0).toString().endsWith(
                     u" Chat Line Too Long From Socket: 1 (%1 bytes)"_s.arg(size)),
            qPrintable(room.debugLines.at(0).at(0).toString()));
        QVERIFY(!ann->isClosed());
    }

    // Requests whose answers a connection could ask for without end are answered up to a burst,
    // then at a steady rate; the rest go unanswered and the connection stays.
    void repliesToOneConnectionAreBudgeted_data()
    {
        QTest::addColumn<bool>("wrongPasswords");
        QTest::newRow("name requests") << false;
        QTest::newRow("wrong passwords") << true;
    }
    void repliesToOneConnectionAreBudgeted()
    {
        QFETCH(bool, wrongPasswords);
        ChatRoom::Limits limits;
        limits.nameRequestBurst = 3;
        limits.nameRequestsPerSecond = 4;
        limits.refusalBurst = 3;
        limits.refusalsPerSecond = 4;
        Room room(limits, wrongPasswords, u"Secret"_s);
        GameClient *client = wrongPasswords ? room.connect(2) : room.join(2, u"Ann"_s);
        QVERIFY(client);
        QVERIFY(client->staysQuiet(50));
        client->clearPackets();
        const QByteArray request = wrongPasswords
            ? GameClient::joinRequestPacket(u"Ann"_s, u"guess"_s)
            : nameRequest({1});
        const quint8 answer = wrongPasswords ? ChatPacket::JoinRefused : ChatPacket::NameReply;
        QByteArray flood;
        for (int copy = 0; copy < 200; ++copy)
            flood += request;
        client->sendRaw(flood);
        QVERIFY(client->waitForPackets(3));
        QVERIFY(client->staysQuiet(150));
        QCOMPARE(client->opcodes(), QList<quint8>(3, answer));

        // The rate refills the budget: one more is answered a little later.
        QTest::qWait(300);
        client->sendRaw(request);
        QVERIFY(client->waitForPackets(4));
        QCOMPARE(client->opcodes().last(), answer);
        QVERIFY(!client->isClosed());
        QCOMPARE(room.players.totalJoins(), wrongPasswords ? 0 : 1);
    }

    // A command is answered while the connection's budget has a token left and then pays for its
    // whole answer; beyond, the sender is told once and plain chat still goes through.
    void commandAnswersAreBudgeted()
    {
        ChatRoom::Limits limits;
        limits.commandPacketBurst = 60;
        limits.commandPacketsPerSecond = 0.001;
        Room room(limits);
        QObject::connect(&room.room, &ChatRoom::chatLineReceived, &room.room,
            [&](const QByteArray &, const ChatPacket::ChatLineFields &line, int socket) {
                if (!line.text.startsWith(u'+'))
                    return;
                for (int answer = 0; answer < 50; ++answer)
                    room.queue.queuePacket(socket, ChatPacket::chatLine(u"answer"_s));
            });
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        const quint16 annId = ann->ownId();
        ann->clearPackets();
        for (const char *line : {"+pairings", "+PAIRINGS", "+rules", "hello +whois Bob"})
            ann->sendChat(annId, QString::fromLatin1(line));
        QVERIFY(waitUntil([&] { return ann->packets().size() >= 101; }));
        QVERIFY(ann->staysQuiet(150));
        QCOMPARE(room.lines.size(), 2);
        QStringList texts = ann->chatTexts();
        QCOMPARE(texts.removeAll(u"answer"_s), 100);
        QCOMPARE(texts, QStringList{kTooManyCommands});

        ann->sendChat(annId, u"just chatting"_s);
        QVERIFY(waitUntil([&] { return room.lines.size() == 3; }));
    }

    // Past a second's worth of queue, a line is passed on only for a player with nothing of
    // theirs waiting; past two seconds' worth, for nobody. The shed player is told once.
    void linesAreShedWhileTheQueueIsLong()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        GameClient *bob = room.join(3, u"Bob"_s);
        GameClient *cy = room.join(4, u"Cy"_s);
        QVERIFY(ann && bob && cy && ann->waitForPackets(6) && bob->waitForPackets(5));
        QVERIFY(waitUntil([&] { return room.queue.size() == 0; }));
        const quint16 annId = ann->ownId();
        const quint16 bobId = bob->ownId();
        ann->clearPackets();
        bob->clearPackets();
        {
            const OutgoingQueue::Cause cause(room.queue, 1);
            for (int packet = 0; packet < 300; ++packet)
                room.queue.queuePacket(3, ChatPacket::chatLine(u"Ann's backlog"_s));
        }
        ann->sendChat(annId, u"first"_s);
        ann->sendChat(annId, u"second"_s);
        bob->sendChat(bobId, u"bob first"_s);
        QVERIFY(waitUntil([&] { return room.lines.size() == 1; }));
        QCOMPARE(
            ChatPacket::readChatLine(room.lines.at(0).at(0).toByteArray())->text, u"bob first"_s);
        // Behind the backlog; a busy machine may take longer than its 1.5 s.
        QVERIFY(ann->waitForPackets(1, 15000));
        QCOMPARE(ann->chatTexts(), QStringList{kBusy});

        // The host's own packets count for nobody, but still take up the queue.
        for (int packet = 0; packet < 420; ++packet)
            room.queue.queuePacket(3, ChatPacket::chatLine(u"host backlog"_s));
        bob->sendChat(bobId, u"bob second"_s);
        QVERIFY(bob->waitForPackets(1, 15000));
        QCOMPARE(room.lines.size(), 1);
        QCOMPARE(bob->chatTexts(), QStringList{kBusy});
        QVERIFY(!ann->isClosed() && !bob->isClosed());
    }

    void closeAllEmptiesTheRoom()
    {
        Room room;
        GameClient *ann = room.join(2, u"Ann"_s);
        QVERIFY(ann);
        room.room.closeAll();
        QVERIFY(!room.room.isListening());
        QVERIFY(ann->waitForClose());
        QCOMPARE(room.room.playerListRows(), QStringList{u"Operator"_s});
        QVERIFY(room.room.ipMonitor().rows().isEmpty());
        QCOMPARE(room.debugLines.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChatRoom)
#include "tst_ChatRoom.moc"
