#include "SimulatedClient.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/InboundFramer.h"
#include "chatserver/PlayerTable.h"
#include "common/FramedPackets.h"
#include "support/TestWait.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A bare room on loopback: greets each connection, admits a JoinRequest with the right password
// with RoomSetup (or refuses it), and keeps every packet the clients send.
class TestRoom : public QObject
{
public:
    explicit TestRoom(const QString &password = {})
        : m_password(password)
    {
        table.setHostName(u"Host"_s);
        connect(&slots, &ClientSlots::connectionRequested, this,
            [this](ClientLink *pending, const QString &address) {
                const int index = slots.lowestClosedSlot();
                if (!slots.accept(pending, index))
                    return;
                addresses << address;
                slots.send(
                    index, ChatPacket::initiateConnection(!m_password.isEmpty(), u"Test Room"_s));
            });
        connect(&slots, &ClientSlots::dataArrived, this, [this](int index) {
            for (const QByteArray &packet :
                takePackets(m_framers[index], slots.takeAvailable(index)))
                receive(index, packet);
        });
        connect(&slots, &ClientSlots::peerClosed, this, [this](int index) {
            ++departures;
            slots.close(index);
        });
    }

    bool listen() { return slots.listen(QHostAddress(QHostAddress::LocalHost), 0); }

    QList<QByteArray> received(quint8 opcode) const
    {
        QList<QByteArray> found;
        for (const QByteArray &packet : packets) {
            if (ChatPacket::opcode(packet) == opcode)
                found << packet;
        }
        return found;
    }

    ClientSlots slots;
    PlayerTable table;
    QList<QByteArray> packets;
    QStringList addresses;
    int departures = 0;

private:
    void receive(int index, const QByteArray &packet)
    {
        packets << packet;
        if (ChatPacket::opcode(packet) != ChatPacket::JoinRequest)
            return;
        const ChatPacket::JoinRequestFields join = ChatPacket::readJoinRequest(packet);
        if (!m_password.isEmpty() && join.password != m_password) {
            slots.send(index, ChatPacket::joinRefused());
            return;
        }
        const quint16 id = *table.issueId();
        table.add(join.name, id, index);
        slots.send(index, ChatPacket::roomSetup(table, id));
    }

    QString m_password;
    QHash<int, InboundFramer> m_framers;
};

ClientOptions optionsFor(const TestRoom &room, const QString &script, int hostByte = 5)
{
    ClientOptions options;
    options.port = room.slots.listeningPort();
    options.bindAddress = QHostAddress(u"127.0.0.%1"_s.arg(hostByte));
    options.name = u"Ann"_s;
    options.intervalMs = 10;
    options.script = parseClientScript(script).actions;
    return options;
}

// What a simulated client printed, and how its connection ended.
class ClientRun : public QObject
{
public:
    explicit ClientRun(SimulatedClient &client)
        : m_client(client)
    {
        connect(&client, &SimulatedClient::output, this,
            [this](const QString &line) { lines << line; });
        connect(&client, &SimulatedClient::finished, this, [this](bool ok) { joined = ok; });
    }

    // Starts the client and waits until its connection is over.
    bool startAndFinish()
    {
        m_client.start();
        return waitUntil([this] { return joined.has_value(); });
    }

    QStringList lines;
    std::optional<bool> joined; // once finished: whether it got into the room

private:
    SimulatedClient &m_client;
};

} // namespace

class TestSimulatedClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void joinsPlaysTheScriptAndLeaves()
    {
        TestRoom room;
        QVERIFY(room.listen());
        SimulatedClient client(optionsFor(
            room, u"say hello\nwhisper 0 psst\nnames 1,2\nsay "_s + u"x"_s.repeated(300)));
        ClientRun run(client);
        QVERIFY(run.startAndFinish());
        QCOMPARE(*run.joined, true);
        const QStringList &lines = run.lines;
        QVERIFY(waitUntil([&] { return room.departures == 1; }));
        QCOMPARE(room.addresses, QStringList{u"127.0.0.5"_s});

        QCOMPARE(ChatPacket::readJoinRequest(room.received(ChatPacket::JoinRequest).value(0)).name,
            u"Ann"_s);
        const QList<QByteArray> chat = room.received(ChatPacket::ChatLine);
        QCOMPARE(chat.size(), 4); // the long line goes out in two
        const auto hello = ChatPacket::readChatLine(chat[0]);
        QCOMPARE(hello->senderId, 1);
        QCOMPARE(hello->text, u"hello"_s);
        QCOMPARE(hello->whisper, false);
        const auto psst = ChatPacket::readChatLine(chat[1]);
        QCOMPARE(psst->whisper, true);
        QCOMPARE(psst->targetId, 0);
        QCOMPARE(ChatPacket::readChatLine(chat[2])->text.size()
                + ChatPacket::readChatLine(chat[3])->text.size(),
            300);
        const auto request
            = ChatPacket::readNameRequest(room.received(ChatPacket::NameRequest).value(0));
        QVERIFY(request);
        QCOMPARE(request->ids[0], 1);
        QCOMPARE(request->ids[1], 2);
        QCOMPARE(request->ids[2], 0);

        QCOMPARE(lines.mid(0, 6),
            (QStringList{
                u"** connecting to 127.0.0.1:%1 from 127.0.0.5"_s.arg(room.slots.listeningPort()),
                u"** connected"_s, u"<- InitiateConnection open room=\"Test Room\""_s,
                u"-> JoinRequest name=\"Ann\""_s,
                u"<- RoomSetup you=1 players=1 [0 Host] [1 Ann]"_s,
                u"-> ChatLine from Ann: hello"_s}));
        QVERIFY(lines.contains(u"-> ChatLine whisper from Ann to Host: psst"_s));
        QVERIFY(lines.contains(u"-> NameRequest 1 2"_s));
        QCOMPARE(lines.last(), u"** left"_s);
    }

    void learnsNamesAndStaysUntilTold()
    {
        TestRoom room;
        QVERIFY(room.listen());
        ClientOptions options = optionsFor(room, {}, 6);
        options.stayAfterScript = true;
        SimulatedClient client(options);
        QStringList lines;
        connect(
            &client, &SimulatedClient::output, this, [&](const QString &line) { lines << line; });
        // Typed before the client is in the room: done once it is.
        client.perform(*parseClientCommand(u"say early"_s).action);
        client.start();
        QVERIFY(waitUntil([&] { return room.received(ChatPacket::ChatLine).size() == 1; }));
        QCOMPARE(
            ChatPacket::readChatLine(room.received(ChatPacket::ChatLine)[0])->text, u"early"_s);

        const int slot = room.table.socket(1);
        room.slots.send(slot, ChatPacket::addPlayer(2, u"Bob"_s));
        QByteArray fromBob = ChatPacket::chatLine(u"hi Ann"_s);
        ChatPacket::writeId(fromBob, 8, 2);
        room.slots.send(slot, fromBob);
        room.slots.send(slot, ChatPacket::removePlayer(2));
        QVERIFY(waitUntil([&] { return lines.contains(u"<- RemovePlayer 2 Bob"_s); }));
        QVERIFY(lines.contains(u"<- AddPlayer 2 Bob"_s));
        QVERIFY(lines.contains(u"<- ChatLine from Bob: hi Ann"_s));
        QCOMPARE(room.departures, 0);

        QSignalSpy finished(&client, &SimulatedClient::finished);
        client.setStayAfterScript(false);
        QVERIFY(waitUntil([&] { return room.departures == 1 && !finished.isEmpty(); }));
    }

    void destroyedWhileInTheRoomSaysNothing()
    {
        TestRoom room;
        QVERIFY(room.listen());
        ClientOptions options = optionsFor(room, {}, 6);
        options.stayAfterScript = true;
        auto client = std::make_unique<SimulatedClient>(options);
        int emitted = 0;
        connect(client.get(), &SimulatedClient::output, this, [&] { ++emitted; });
        connect(client.get(), &SimulatedClient::finished, this, [&] { ++emitted; });
        client->start();
        QVERIFY(waitUntil([&] { return client->isJoined(); }));
        emitted = 0;
        client.reset();
        QCOMPARE(emitted, 0);
        QVERIFY(waitUntil([&] { return room.departures == 1; }));
    }

    void quitEndsTheScript()
    {
        TestRoom room;
        QVERIFY(room.listen());
        SimulatedClient client(optionsFor(room, u"say a\nwait 30\nquit\nsay b"_s, 7));
        QSignalSpy finished(&client, &SimulatedClient::finished);
        client.start();
        QVERIFY(waitUntil([&] { return !finished.isEmpty() && room.departures == 1; }));
        QCOMPARE(room.received(ChatPacket::ChatLine).size(), 1);
    }

    void wrongPasswordIsRefused()
    {
        TestRoom room(u"secret"_s);
        QVERIFY(room.listen());
        ClientOptions options = optionsFor(room, u"say never"_s, 8);
        options.password = u"Secret"_s;
        SimulatedClient client(options);
        ClientRun run(client);
        QVERIFY(run.startAndFinish());
        QCOMPARE(*run.joined, false);
        const QStringList &lines = run.lines;
        QVERIFY(lines.contains(u"<- InitiateConnection locked room=\"Test Room\""_s));
        QVERIFY(lines.contains(u"-> JoinRequest name=\"Ann\" with password"_s));
        QVERIFY(lines.contains(u"<- JoinRefused"_s));
        QVERIFY(room.received(ChatPacket::ChatLine).isEmpty());
        QVERIFY(waitUntil([&] { return room.departures == 1; }));
    }

    void noRoomToConnectTo()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress(QHostAddress::LocalHost), 0));
        const quint16 port = closed.serverPort();
        closed.close();
        ClientOptions options;
        options.port = port;
        SimulatedClient client(options);
        ClientRun run(client);
        QVERIFY(run.startAndFinish());
        QCOMPARE(*run.joined, false);
        const QStringList &lines = run.lines;
        QVERIFY(lines.last().startsWith(u"** cannot connect: "_s));
    }
};

QTEST_GUILESS_MAIN(TestSimulatedClient)
#include "tst_SimulatedClient.moc"
