#include "LobbySimulator.h"

#include "lobby/LobbyLink.h"
#include "lobby/LobbyPackets.h"
#include "support/TestWait.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Plays the host's side of registration the way the hosting logic does: answer each prompt.
class RegisteringHost : public QObject
{
public:
    RegisteringHost()
    {
        connect(&link, &LobbyLink::messageArrived, this, [this](int type) {
            types << type;
            if (type == LobbyPacket::LoginPrompt)
                link.send(LobbyPacket::login(u"Ann"));
            else if (type == LobbyPacket::AddChatPrompt)
                link.send(LobbyPacket::addChat(u"Golf", true));
        });
    }

    LobbyLink link;
    QList<int> types;
};

QStringList linesOf(const QSignalSpy &spy)
{
    QStringList lines;
    for (const auto &arguments : spy)
        lines << arguments.first().toString();
    return lines;
}

} // namespace

class TestLobbySimulator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registersARoomAndLogsEveryPacket()
    {
        LobbySimulator lobby;
        QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
        QSignalSpy log(&lobby, &LobbySimulator::logLine);
        RegisteringHost host;
        host.link.connectToLobby(u"127.0.0.1"_s, lobby.serverPort());
        QVERIFY(waitUntil([&] { return host.types.contains(LobbyPacket::ChatAdded); }));
        QCOMPARE(host.types, (QList<int>{1, 7, 10}));

        host.link.send(LobbyPacket::removeChat());
        host.link.close();
        QVERIFY(waitUntil([&] { return linesOf(log).last().startsWith(u"closed "_s); }));
        const QStringList lines = linesOf(log);
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0].startsWith(u"connected 127.0.0.1:"_s));
        QCOMPARE(lines[1], LobbySimulator::describe(LobbyPacket::login(u"Ann")));
        QVERIFY(lines[1].startsWith(u"login name=\"Ann\" | 10 00 20 00 a2 b4 87 3f 00 00 41"_s));
        QVERIFY(lines[2].startsWith(u"add-chat room=\"Golf\" locked=yes | 12 00 22 00 06"_s));
        QCOMPARE(lines[3], u"remove-chat | 14 00 04 00 20 20"_s);
    }

    void misbehavesOnRequest()
    {
        LobbySimulator silent({.confirmRoom = false, .closeAfterConfirmMs = {}});
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        RegisteringHost unconfirmed;
        unconfirmed.link.connectToLobby(u"127.0.0.1"_s, silent.serverPort());

        LobbySimulator closing({.confirmRoom = true, .closeAfterConfirmMs = 50});
        QVERIFY(closing.listen(QHostAddress::LocalHost, 0));
        RegisteringHost dropped;
        QSignalSpy peerCloses(&dropped.link, &LobbyLink::closedByPeer);
        dropped.link.connectToLobby(u"127.0.0.1"_s, closing.serverPort());

        QVERIFY(waitUntil([&] { return !peerCloses.isEmpty(); }));
        QCOMPARE(dropped.types, (QList<int>{1, 7, 10}));
        QTest::qWait(100);
        QCOMPARE(unconfirmed.types, (QList<int>{1, 7}));
        QVERIFY(unconfirmed.link.isConnected());
    }

    void splitsTheHostsPackets_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("length");
        const QByteArray login = LobbyPacket::login(u"Ann");
        QTest::newRow("nothing") << QByteArray() << qsizetype(0);
        QTest::newRow("login and add-chat together")
            << login + LobbyPacket::addChat(u"Golf", false) << qsizetype(32);
        QTest::newRow("login still incomplete") << login.first(31) << qsizetype(0);
        QTest::newRow("removal of six bytes") << LobbyPacket::removeChat() + "\x10" << qsizetype(6);
        QTest::newRow("unknown type taken whole") << "\x33\x00\x10\x00\x01"_ba << qsizetype(5);
    }
    void splitsTheHostsPackets()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, length);
        QCOMPARE(LobbySimulator::nextPacketLength(bytes), length);
    }

    void describesWhatItCannotRead()
    {
        QCOMPARE(LobbySimulator::describe("\x10\x00"_ba), u"unknown type=0x10 size=2 | 10 00"_s);
        QVERIFY(LobbySimulator::describe(LobbyPacket::addChat(u"Caf\u00E9", false))
                    .startsWith(u"add-chat room=\"Caf\u00E9\" locked=no | "_s));
    }
};

QTEST_GUILESS_MAIN(TestLobbySimulator)
#include "tst_LobbySimulator.moc"
