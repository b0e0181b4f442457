#include "lobby/LobbyLink.h"

#include "lobby/LobbyPackets.h"
#include "net/SocketState.h"
#include "support/StalledListener.h"
#include "support/TestWait.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Loopback = u"127.0.0.1"_s;

// The lobby server's side of one connection, on loopback.
class FakeLobby
{
public:
    FakeLobby() { QVERIFY(m_server.listen(QHostAddress::LocalHost)); }

    quint16 port() const { return m_server.serverPort(); }

    QTcpSocket *accept()
    {
        if (!waitUntil([this] { return m_server.hasPendingConnections(); }))
            return nullptr;
        m_peer.reset(m_server.nextPendingConnection());
        return m_peer.get();
    }

    // Connects the link to this lobby and waits until both ends are up.
    bool serve(LobbyLink &link)
    {
        link.connectToLobby(Loopback, port());
        return accept() && waitUntil([&] { return link.isConnected(); });
    }

    QTcpSocket *peer() const { return m_peer.get(); }

    QByteArray receive(qsizetype count)
    {
        QByteArray bytes;
        waitUntil([&] {
            bytes += m_peer->readAll();
            return bytes.size() >= count || m_peer->state() != QAbstractSocket::ConnectedState;
        });
        return bytes;
    }

private:
    QTcpServer m_server;
    std::unique_ptr<QTcpSocket> m_peer;
};

// A port on which nothing listens: taken from a server that is closed again.
quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestLobbyLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messagesArriveInOrderByTheirFirstByte()
    {
        FakeLobby lobby;
        LobbyLink link;
        QSignalSpy arrivals(&link, &LobbyLink::messageArrived);
        link.connectToLobby(Loopback, lobby.port());
        QTcpSocket *peer = lobby.accept();
        QVERIFY(peer);

        const QList<QByteArray> messages
            = {"\x01\0\0\0"_ba, "\x07\0\0\0"_ba, "\x0a\0\0\0"_ba, "\xfe\x01"_ba, "\x01"_ba};
        for (const QByteArray &message : messages) {
            const qsizetype before = arrivals.size();
            peer->write(message);
            QVERIFY(waitUntil([&] { return arrivals.size() > before; }));
        }
        QList<int> types;
        for (const auto &arrival : std::as_const(arrivals))
            types << arrival.at(0).toInt();
        QCOMPARE(types, (QList<int>{1, 7, 10, 254, 1}));
    }

    void oneArrivalIsOneMessageWhateverItHolds()
    {
        FakeLobby lobby;
        LobbyLink link;
        QSignalSpy arrivals(&link, &LobbyLink::messageArrived);
        link.connectToLobby(Loopback, lobby.port());
        QVERIFY(lobby.accept());
        lobby.peer()->write("\x07\0\0\0\x0a\0\0\0"_ba);
        QVERIFY(waitUntil([&] { return !arrivals.isEmpty(); }));
        QTest::qWait(50); // nothing further may come of the second half
        QCOMPARE(arrivals.size(), 1);
        QCOMPARE(arrivals.first().first().toInt(), 7);
    }

    void sendsPacketsWholeAndRefusesWhenNotConnected()
    {
        LobbyLink link;
        QVERIFY(!link.send(LobbyPacket::removeChat()));

        FakeLobby lobby;
        link.connectToLobby(Loopback, lobby.port());
        QVERIFY(!link.send(LobbyPacket::removeChat())); // still connecting
        QVERIFY(lobby.accept());
        QVERIFY(waitUntil([&] { return link.isConnected(); }));

        const QByteArray both = LobbyPacket::login(u"Ann") + LobbyPacket::addChat(u"Golf", true);
        QVERIFY(link.send(LobbyPacket::login(u"Ann")));
        QVERIFY(link.send(LobbyPacket::addChat(u"Golf", true)));
        QCOMPARE(lobby.receive(both.size()), both);
    }

    void closeDeliversTheLastPacketAndIsNotAPeerClose()
    {
        FakeLobby lobby;
        LobbyLink link;
        QSignalSpy peerCloses(&link, &LobbyLink::closedByPeer);
        QVERIFY(lobby.serve(link));

        QVERIFY(link.send(LobbyPacket::removeChat()));
        link.close();
        QCOMPARE(lobby.receive(6), LobbyPacket::removeChat());
        QVERIFY(waitUntil([&] { return link.stateNumber() == SocketState::Closed; }));
        QVERIFY(
            waitUntil([&] { return lobby.peer()->state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(peerCloses.size(), 0);
    }

    void peerCloseIsReportedOnceAndShowsUntilClose()
    {
        FakeLobby lobby;
        LobbyLink link;
        QSignalSpy peerCloses(&link, &LobbyLink::closedByPeer);
        QVERIFY(lobby.serve(link));

        lobby.peer()->disconnectFromHost();
        QVERIFY(waitUntil([&] { return !peerCloses.isEmpty(); }));
        QCOMPARE(link.stateNumber(), int(SocketState::PeerIsClosing));
        QVERIFY(!link.send(LobbyPacket::removeChat()));

        link.close();
        QCOMPARE(link.stateNumber(), int(SocketState::Closed));
        QCOMPARE(peerCloses.size(), 1);
    }

    void refusedConnectionShowsErrorUntilClosed()
    {
        const quint16 port = closedPort();
        QVERIFY(port != 0);
        LobbyLink link;
        QSignalSpy changes(&link, &LobbyLink::stateChanged);
        QSignalSpy peerCloses(&link, &LobbyLink::closedByPeer);
        link.connectToLobby(Loopback, port);
        QVERIFY(waitUntil([&] { return link.stateNumber() == SocketState::Error; }));
        QVERIFY(!changes.isEmpty());
        QCOMPARE(peerCloses.size(), 0);

        link.close();
        QCOMPARE(link.stateNumber(), int(SocketState::Closed));
    }

    // Closing while the attempt is under way ends it: nothing connects or fails afterwards.
    void closeWhileConnectingAbandonsTheAttempt_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("handshake unanswered") << false;
        QTest::newRow("connection refused") << true;
    }
    void closeWhileConnectingAbandonsTheAttempt()
    {
        QFETCH(bool, refused);
        StalledListener stalled;
        const quint16 port = refused ? closedPort() : stalled.port();
        QVERIFY(port != 0);
        LobbyLink link;
        link.connectToLobby(Loopback, port);
        QVERIFY(link.stateNumber() != SocketState::Closed);
        if (!refused)
            QVERIFY(waitUntil([&] { return link.stateNumber() == SocketState::Connecting; }));

        link.close();
        QCOMPARE(link.stateNumber(), int(SocketState::Closed));
        QSignalSpy changes(&link, &LobbyLink::stateChanged);
        QVERIFY(!waitUntil([&] { return link.stateNumber() != SocketState::Closed; }, 1500));
        QCOMPARE(changes.size(), 0);
    }

    void reconnectingDropsTheOldConnectionAndClearsTheError()
    {
        LobbyLink link;
        link.connectToLobby(Loopback, closedPort());
        QVERIFY(waitUntil([&] { return link.stateNumber() == SocketState::Error; }));

        FakeLobby first;
        link.connectToLobby(Loopback, first.port());
        QVERIFY(link.stateNumber() != SocketState::Error);
        QVERIFY(first.accept());
        QVERIFY(waitUntil([&] { return link.isConnected(); }));

        QSignalSpy peerCloses(&link, &LobbyLink::closedByPeer);
        FakeLobby second;
        link.connectToLobby(Loopback, second.port());
        QVERIFY(second.accept());
        QVERIFY(waitUntil([&] { return link.stateNumber() == SocketState::Connected; }));
        QVERIFY(
            waitUntil([&] { return first.peer()->state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(peerCloses.size(), 0);
    }

    void remoteHostReadsBackAsGiven_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("address") << Loopback;
        QTest::newRow("name") << u"localhost"_s;
    }
    void remoteHostReadsBackAsGiven()
    {
        QFETCH(QString, host);
        FakeLobby lobby;
        LobbyLink link;
        QCOMPARE(link.remoteHost(), QString());
        link.connectToLobby(host, lobby.port());
        QCOMPARE(link.remoteHost(), host);
        QVERIFY(lobby.accept());
        QVERIFY(waitUntil([&] { return link.isConnected(); }));
        QCOMPARE(link.stateNumber(), int(SocketState::Connected));
        link.close();
        QCOMPARE(link.remoteHost(), host);
    }
};

QTEST_GUILESS_MAIN(TestLobbyLink)
#include "tst_LobbyLink.moc"
