#include "PanelClient.h"
#include "PanelRig.h"
#include "panel/LoginGuard.h"
#include "panel/PanelSettings.h"

#include <QTcpServer>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A connection that stays open for several requests and counts the answers that come back.
struct KeepAlive
{
    KeepAlive(quint16 port, int hostByte)
    {
        socket.bind(QHostAddress(u"127.0.0.%1"_s.arg(hostByte)));
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            received += socket.readAll();
            answers = int(received.count("HTTP/1.1 "));
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    bool open() const { return socket.state() == QAbstractSocket::ConnectedState; }

    QTcpSocket socket;
    QByteArray received;
    int answers = 0;
};

std::vector<std::unique_ptr<KeepAlive>> openIdle(quint16 port, int hostByte, int count)
{
    std::vector<std::unique_ptr<KeepAlive>> sockets;
    for (int i = 0; i < count; ++i)
        sockets.push_back(std::make_unique<KeepAlive>(port, hostByte));
    return sockets;
}

int openCount(const std::vector<std::unique_ptr<KeepAlive>> &sockets)
{
    return int(
        std::count_if(sockets.begin(), sockets.end(), [](const auto &s) { return s->open(); }));
}

// A reverse proxy as nginx is set up in the documentation: it connects to the panel from its own
// address, passes Host on, appends the visitor's address to X-Forwarded-For and says the visitor
// came over HTTPS.
class ForwardingProxy : public QObject
{
public:
    ForwardingProxy(quint16 panelPort, const QHostAddress &from)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this, panelPort, from] {
            while (QTcpSocket *visitor = m_server.nextPendingConnection())
                relay(visitor, panelPort, from);
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    static void relay(QTcpSocket *visitor, quint16 panelPort, const QHostAddress &from)
    {
        auto *upstream = new QTcpSocket(visitor);
        upstream->bind(from);
        upstream->connectToHost(QHostAddress::LocalHost, panelPort);
        auto pending = std::make_shared<QByteArray>();
        connect(visitor, &QTcpSocket::readyRead, visitor, [=] {
            *pending += visitor->readAll();
            qsizetype end;
            while ((end = pending->indexOf("\r\n\r\n")) >= 0) {
                QByteArray head;
                QByteArray forwardedFor;
                qsizetype length = 0;
                for (const QByteArray &line : pending->left(end).split('\n')) {
                    const QByteArray lower = line.toLower();
                    if (lower.startsWith("x-forwarded-for:"))
                        forwardedFor = line.mid(16).trimmed() + ", ";
                    else if (!lower.startsWith("x-forwarded-proto:"))
                        head += line.trimmed() + "\r\n";
                    if (lower.startsWith("content-length:"))
                        length = line.mid(15).trimmed().toLongLong();
                }
                if (pending->size() < end + 4 + length)
                    return;
                forwardedFor += visitor->peerAddress().toString().toLatin1();
                upstream->write(head + "X-Forwarded-For: " + forwardedFor
                    + "\r\nX-Forwarded-Proto: https\r\n\r\n" + pending->mid(end + 4, length));
                pending->remove(0, end + 4 + length);
            }
        });
        connect(upstream, &QTcpSocket::readyRead, visitor,
            [=] { visitor->write(upstream->readAll()); });
        connect(upstream, &QTcpSocket::disconnected, visitor, &QTcpSocket::disconnectFromHost);
        connect(visitor, &QTcpSocket::disconnected, visitor, &QObject::deleteLater);
    }

    QTcpServer m_server;
};

} // namespace

class TestPanelLimits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unreadAnswersStopTheReading();
    void oneAddressHasAShareOfTheConnections();
    void requestsWithoutASessionDoNotExtendTheTime();
    void lockoutCountsAnIpv6Network();
    void aFullLockoutTableKeepsEveryLock();
    void trustedProxyNamesTheVisitorAndScheme();
    void trustedProxiesParse();
    void headAnswersCarryNoBody();
    void streamsCloseTogether();
};

void TestPanelLimits::unreadAnswersStopTheReading()
{
    PanelRig rig([](PanelServer::Config &c) { c.requestTimeoutMs = 4000; });
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client(3);
    const qint64 scriptSize = client.get("/panel.js").body.size();
    QVERIFY(scriptSize > 1000);
    // Thousands of pipelined requests for the script whose answers are never read: some 75 MB of
    // answers, far more than the kernel's buffers take.
    QTcpSocket flooder;
    flooder.setReadBufferSize(1);
    flooder.bind(QHostAddress(u"127.0.0.2"_s));
    flooder.connectToHost(QHostAddress::LocalHost, rig.server->serverPort());
    QVERIFY(flooder.waitForConnected(3000));
    const QByteArray request
        = "GET /panel.js HTTP/1.1\r\nHost: " + client.hostHeader() + "\r\n\r\n";
    flooder.write(request.repeated(4000));
    qint64 most = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &sample,
        [&] { most = std::max(most, rig.server->unsentBytes()); });
    sample.start(5);
    // The host fills the kernel's buffers, then holds the bound and stops reading.
    QVERIFY(waitUntil([&] { return rig.server->unsentBytes() >= 256 * 1024; }, 20000));
    // Others are served meanwhile.
    for (int i = 0; i < 3; ++i)
        QCOMPARE(client.get("/").status, 200);
    most = std::max(most, rig.server->unsentBytes());
    QVERIFY2(most < 256 * 1024 + 2 * scriptSize, QByteArray::number(most));
    // With no session its time runs out, and the connection goes with what it held.
    QVERIFY(waitUntil([&] { return rig.server->connectionCount() == 0; }, 15000));
    QCOMPARE(rig.server->unsentBytes(), 0);
}

void TestPanelLimits::oneAddressHasAShareOfTheConnections()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const quint16 port = rig.server->serverPort();
    // The director watches from 127.0.0.6.
    const QByteArray token = rig.client(6).login(Password);
    QVERIFY(!token.isEmpty());
    PanelEventStream director(port, token, {}, 6);
    QVERIFY(director.waitForMessages(1));

    // One address gets 8 connections; a ninth is closed at once, others are still served.
    auto first = openIdle(port, 2, 8);
    QTRY_COMPARE_WITH_TIMEOUT(rig.server->connectionCount(), 9, 5000);
    KeepAlive ninth(port, 2);
    QTRY_VERIFY_WITH_TIMEOUT(ninth.socket.state() == QAbstractSocket::UnconnectedState, 5000);
    QCOMPARE(rig.client(7).get("/").status, 200);
    QTRY_COMPARE_WITH_TIMEOUT(rig.server->connectionCount(), 9, 5000);

    // Four addresses holding 8 each fill every place; the director is still served, in the place
    // of one of theirs, and the director's stream stays.
    auto second = openIdle(port, 3, 8);
    auto third = openIdle(port, 4, 8);
    auto fourth = openIdle(port, 5, 8);
    QTRY_COMPARE_WITH_TIMEOUT(rig.server->connectionCount(), 32, 5000);
    QVERIFY(waitUntil([&] {
        return openCount(first) + openCount(second) + openCount(third) + openCount(fourth) == 31;
    }));
    QCOMPARE(rig.client(6).get("/api/state", token).status, 200);
    QCOMPARE(rig.client(8).get("/").status, 200);
    QCOMPARE(director.socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(rig.server->eventStreamCount(), 1);
}

void TestPanelLimits::requestsWithoutASessionDoNotExtendTheTime()
{
    PanelRig rig([](PanelServer::Config &c) { c.requestTimeoutMs = 2000; });
    QVERIFY(rig.started && rig.listening);
    const quint16 port = rig.server->serverPort();
    const PanelClient client = rig.client(3);
    const QByteArray token = client.login(Password);
    QVERIFY(!token.isEmpty());
    // Both ask every 200 ms on one connection; only the one with a session is kept.
    KeepAlive stranger(port, 2);
    KeepAlive director(port, 3);
    QVERIFY(waitUntil([&] { return stranger.open() && director.open(); }));
    QElapsedTimer age;
    age.start();
    const QByteArray ask = "GET /api/state HTTP/1.1\r\nHost: " + client.hostHeader() + "\r\n";
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        if (stranger.open())
            stranger.socket.write(ask + "\r\n");
        if (director.open())
            director.socket.write(ask + "Cookie: vornic_session=" + token + "\r\n\r\n");
    });
    tick.start(200);
    QVERIFY(waitUntil([&] { return !stranger.open(); }, 8000));
    QVERIFY(stranger.answers >= 3);
    QVERIFY(stranger.received.contains("HTTP/1.1 401 "));
    // The director outlives two whole periods.
    QVERIFY(!waitUntil(
        [&] { return !director.open(); }, int(std::max<qint64>(0, 4500 - age.elapsed()))));
    QVERIFY(director.answers >= 10);
    QVERIFY(!director.received.contains("HTTP/1.1 401 "));
}

void TestPanelLimits::lockoutCountsAnIpv6Network()
{
    PanelRig rig([](PanelServer::Config &c) {
        c.trustedProxies = {QHostAddress::parseSubnet(u"127.0.0.5/32"_s)};
    });
    QVERIFY(rig.started && rig.listening);
    // What a trusted proxy says of its visitors; the visitors' networks differ.
    const PanelClient proxy = rig.client(5);
    const auto loginAs = [&](const QByteArray &visitor, const QString &password) {
        return proxy
            .post("/api/login", {{u"password"_s, password}}, {},
                "X-Forwarded-For: " + visitor + "\r\n")
            .status;
    };
    for (int i = 1; i <= LoginGuard::MaxFailures; ++i)
        QCOMPARE(loginAs("2001:db8:0:7::" + QByteArray::number(i), u"guess"_s), 401);
    // Every address of that /64 is locked out, the next /64 and other visitors are not.
    QCOMPARE(loginAs("2001:db8:0:7:ffff:1:2:3", Password), 429);
    QCOMPARE(loginAs("2001:db8:0:8::1", Password), 200);
    QCOMPARE(loginAs("203.0.113.9", Password), 200);
    // IPv4 addresses count one by one, an IPv4-mapped one as itself.
    for (int i = 1; i <= LoginGuard::MaxFailures; ++i)
        QCOMPARE(loginAs("::ffff:198.51.100.1", u"guess"_s), 401);
    QCOMPARE(loginAs("198.51.100.1", Password), 429);
    QCOMPARE(loginAs("198.51.100.2", Password), 200);
}

void TestPanelLimits::aFullLockoutTableKeepsEveryLock()
{
    LoginGuard guard;
    const auto address = [](int i) { return QHostAddress(quint32(0x0a000000 + i)); };
    for (int i = 0; i < LoginGuard::MaxAddresses; ++i) {
        for (int k = 0; k < LoginGuard::MaxFailures; ++k)
            guard.recordFailure(address(i), 1000);
    }
    // A newcomer finds the table full of running locks: none of them is given up for it.
    for (int k = 0; k < LoginGuard::MaxFailures; ++k)
        guard.recordFailure(QHostAddress(u"192.0.2.1"_s), 2000);
    for (int i = 0; i < LoginGuard::MaxAddresses; ++i)
        QVERIFY2(guard.isRefused(address(i), 2000), qPrintable(address(i).toString()));
    // Once the locks have run out they make room.
    const qint64 later = 1000 + LoginGuard::LockMs;
    for (int k = 0; k < LoginGuard::MaxFailures; ++k)
        guard.recordFailure(QHostAddress(u"192.0.2.1"_s), later);
    QVERIFY(guard.isRefused(QHostAddress(u"192.0.2.1"_s), later));
    QVERIFY(!guard.isRefused(address(0), later));
}

void TestPanelLimits::trustedProxyNamesTheVisitorAndScheme()
{
    PanelRig rig([](PanelServer::Config &c) {
        c.hostNames = {u"panel.example"_s};
        c.trustedProxies = {QHostAddress::parseSubnet(u"127.0.0.5/32"_s)};
    });
    QVERIFY(rig.started && rig.listening);
    ForwardingProxy nginx(rig.server->serverPort(), QHostAddress(u"127.0.0.5"_s));
    // A browser at https://panel.example/ behind the proxy.
    const auto loginVia = [&](int hostByte, const QString &password, const QByteArray &extra = {}) {
        const QByteArray body
            = QJsonDocument(QJsonObject{{u"password"_s, password}}).toJson(QJsonDocument::Compact);
        return PanelClient(nginx.port(), hostByte)
            .raw("POST /api/login HTTP/1.1\r\nHost: panel.example\r\n"
                 "Origin: https://panel.example\r\nContent-Type: application/json\r\n"
                + extra + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    };
    const PanelReply good = loginVia(2, Password);
    QCOMPARE(good.status, 200);
    QVERIFY(good.header("set-cookie").endsWith("; Secure"));
    // Five wrong passwords lock out their visitor, not the proxy's other visitors; what a
    // visitor writes into X-Forwarded-For itself does not change who it is.
    for (int i = 0; i < LoginGuard::MaxFailures; ++i)
        QCOMPARE(
            loginVia(3, u"guess"_s, "X-Forwarded-For: 198.51.100." + QByteArray::number(i) + "\r\n")
                .status,
            401);
    QCOMPARE(loginVia(3, Password).status, 429);
    QCOMPARE(loginVia(3, Password, "X-Forwarded-For: 127.0.0.2\r\n").status, 429);
    QCOMPARE(loginVia(2, Password).status, 200);

    // Without the proxy the same headers are not believed: the scheme stays http, the address
    // is the peer's own.
    const PanelClient direct = rig.client(4);
    const QByteArray spoof = "X-Forwarded-Proto: https\r\nX-Forwarded-For: 127.0.0.2\r\n";
    QCOMPARE(direct
                 .raw("POST /api/login HTTP/1.1\r\nHost: " + direct.hostHeader()
                     + "\r\nOrigin: https://" + direct.hostHeader() + "\r\n" + spoof
                     + "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n{}")
                 .status,
        403);
    for (int i = 0; i < LoginGuard::MaxFailures; ++i) {
        QCOMPARE(direct
                     .post("/api/login", {{u"password"_s, u"guess"_s}}, {},
                         "X-Forwarded-For: 203.0.113." + QByteArray::number(i) + "\r\n")
                     .status,
            401);
    }
    QCOMPARE(direct.post("/api/login", {{u"password"_s, Password}}, {}, spoof).status, 429);
    // Nor is a name without the panel's port, which only a proxy may send.
    QCOMPARE(direct.raw("GET / HTTP/1.1\r\nHost: panel.example\r\n\r\n").status, 421);
    QCOMPARE(
        PanelClient(nginx.port(), 2).raw("GET / HTTP/1.1\r\nHost: panel.example\r\n\r\n").status,
        200);
}

void TestPanelLimits::trustedProxiesParse()
{
    QString bad;
    const auto parsed = PanelSettings::parseSubnets(u" 127.0.0.1, 10.0.0.0/8 ,::1,,"_s, &bad);
    QVERIFY(parsed);
    QCOMPARE(parsed->size(), 3);
    QCOMPARE(parsed->at(0), qMakePair(QHostAddress(u"127.0.0.1"_s), 32));
    QCOMPARE(parsed->at(1), qMakePair(QHostAddress(u"10.0.0.0"_s), 8));
    QCOMPARE(parsed->at(2), qMakePair(QHostAddress(u"::1"_s), 128));
    QVERIFY(PanelSettings::parseSubnets(QString())->isEmpty());
    QVERIFY(!PanelSettings::parseSubnets(u"127.0.0.1, proxy.example"_s, &bad));
    QCOMPARE(bad, u"proxy.example"_s);
    QVERIFY(!PanelSettings::parseSubnets(u"10.0.0.0/33"_s, &bad));
}

void TestPanelLimits::headAnswersCarryNoBody()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const qsizetype pageSize = client.get("/").body.size();
    const QByteArray style = client.get("/panel.css").body;
    QVERIFY(pageSize > 0 && !style.isEmpty());
    // Three requests on one connection: each answer must start where the one before ended.
    KeepAlive connection(rig.server->serverPort(), 2);
    const QByteArray host = "Host: " + client.hostHeader() + "\r\n\r\n";
    connection.socket.write("HEAD / HTTP/1.1\r\n" + host + "HEAD /nothing HTTP/1.1\r\n" + host
        + "GET /panel.css HTTP/1.1\r\n" + host);
    QVERIFY(
        waitUntil([&] { return connection.answers == 3 && connection.received.endsWith(style); }));
    QByteArray in = connection.received;
    qsizetype end = in.indexOf("\r\n\r\n");
    const QByteArray first = in.left(end);
    QVERIFY(first.startsWith("HTTP/1.1 200 "));
    QVERIFY(
        first.contains(QByteArray("\r\nContent-Length: " + QByteArray::number(pageSize) + "\r\n")));
    in.remove(0, end + 4);
    QVERIFY2(in.startsWith("HTTP/1.1 404 "), in.left(40));
    end = in.indexOf("\r\n\r\n");
    in.remove(0, end + 4);
    QVERIFY2(in.startsWith("HTTP/1.1 200 "), in.left(40));
    QCOMPARE(in.mid(in.indexOf("\r\n\r\n") + 4), style);
}

void TestPanelLimits::streamsCloseTogether()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const quint16 port = rig.server->serverPort();
    const QByteArray first = rig.client().login(Password);
    const QByteArray second = rig.client().login(Password);
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    std::vector<std::unique_ptr<PanelEventStream>> streams;
    for (int i = 0; i < 6; ++i) {
        streams.push_back(std::make_unique<PanelEventStream>(port, i % 2 ? second : first));
        QVERIFY(streams.back()->waitForMessages(1));
    }
    QCOMPARE(rig.server->eventStreamCount(), 6);
    // Logging one session out ends each of its streams, and only those.
    QCOMPARE(rig.client().post("/api/logout", {}, first).status, 200);
    for (int i = 0; i < 6; i += 2)
        QVERIFY(streams[i]->waitForClose());
    QCOMPARE(rig.server->eventStreamCount(), 3);
    rig.host.core->parts().transcript.addChatLine(u"Ann: "_s, u"still here"_s, LineKind::Chat);
    for (int i = 1; i < 6; i += 2) {
        QVERIFY(waitUntil([&] { return streams[i]->messages.last().contains("still here"); }));
        QCOMPARE(streams[i]->socket.state(), QAbstractSocket::ConnectedState);
    }
    // A new password ends every stream at once, none left behind.
    rig.server->setPasswordRecord(PanelPassword::hash(u"new one"_s, 1000));
    QCOMPARE(rig.server->eventStreamCount(), 0);
    for (int i = 1; i < 6; i += 2)
        QVERIFY(streams[i]->waitForClose());
}

QTEST_GUILESS_MAIN(TestPanelLimits)
#include "tst_PanelLimits.moc"
