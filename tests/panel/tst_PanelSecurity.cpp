#include "PanelClient.h"
#include "PanelRig.h"
#include "panel/HttpMessage.h"
#include "panel/PanelApi.h"
#include "panel/PanelPassword.h"
#include "panel/PanelServer.h"
#include "panel/PanelSettings.h"
#include "support/HostFixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestPanelSecurity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passwordRecordsAreSaltedAndChecked();
    void endpointsParse();
    void loginAnswersGoodAndBadAfterTheSameDelay();
    void fiveFailuresLockTheAddressForFifteenMinutes();
    void passwordCheckDoesNotHoldTheEventLoop();
    void sessionsExpireWhenIdleAndEndOnLogout();
    void newPasswordEndsEverySession();
    void hostAndOriginAreChecked();
    void everyAnswerCarriesTheSecurityHeaders();
    void oversizedRequestsAreRefused();
    void connectionsAreCapped();
    void eventStreamNeedsSessionAndOrigin();
    void eventsAreFramedLineByLine();
    void slowEventStreamIsDropped();
};

void TestPanelSecurity::passwordRecordsAreSaltedAndChecked()
{
    const QString a = PanelPassword::hash(u"pw"_s);
    const QString b = PanelPassword::hash(u"pw"_s);
    QVERIFY(a != b); // a fresh salt each time
    QVERIFY(a.startsWith(u"pbkdf2-sha256$"_s));
    QVERIFY(a.split(u'$').at(1).toInt() >= 200000);
    QVERIFY(!a.contains(u"pw$"_s));
    QVERIFY(PanelPassword::verify(u"pw"_s, a));
    QVERIFY(!PanelPassword::verify(u"pW"_s, a));
    QVERIFY(!PanelPassword::verify(u""_s, PanelPassword::hash(u"x"_s, 10)));
    // Damaged or hostile records never pass and never run away.
    QVERIFY(!PanelPassword::verify(u"pw"_s, QString()));
    QVERIFY(!PanelPassword::verify(u"pw"_s, u"pw"_s));
    QVERIFY(!PanelPassword::verify(u"pw"_s, u"pbkdf2-sha256$999999999$AAAA$AAAA"_s));
    QVERIFY(!PanelPassword::verify(u"pw"_s, u"pbkdf2-sha256$-1$AAAA$AAAA"_s));
    QStringList parts = a.split(u'$');
    parts[3] = QString::fromLatin1(QByteArray(16, 'x').toBase64());
    QVERIFY(!PanelPassword::verify(u"pw"_s, parts.join(u'$')));
}

void TestPanelSecurity::endpointsParse()
{
    auto e = PanelSettings::parseEndpoint(u"8088"_s);
    QVERIFY(e);
    QCOMPARE(e->port, 8088);
    QCOMPARE(e->address, QHostAddress(QHostAddress::LocalHost));
    e = PanelSettings::parseEndpoint(u"0.0.0.0:443"_s);
    QVERIFY(e);
    QCOMPARE(e->address, QHostAddress(QHostAddress::AnyIPv4));
    e = PanelSettings::parseEndpoint(u"[::1]:9000"_s);
    QVERIFY(e);
    QCOMPARE(e->address, QHostAddress(QHostAddress::LocalHostIPv6));
    QVERIFY(!PanelSettings::parseEndpoint(u"0"_s));
    QVERIFY(!PanelSettings::parseEndpoint(u"70000"_s));
    QVERIFY(!PanelSettings::parseEndpoint(u"example:80"_s));
    QVERIFY(!PanelSettings::parseEndpoint(u""_s));
}

void TestPanelSecurity::loginAnswersGoodAndBadAfterTheSameDelay()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const PanelReply bad = client.post("/api/login", {{u"password"_s, u"wrong"_s}});
    QCOMPARE(bad.status, 401);
    QVERIFY(bad.header("set-cookie").isEmpty());
    QVERIFY2(bad.elapsedMs >= 140, QByteArray::number(bad.elapsedMs));
    const PanelReply good = client.post("/api/login", {{u"password"_s, Password}});
    QCOMPARE(good.status, 200);
    QVERIFY2(good.elapsedMs >= 140, QByteArray::number(good.elapsedMs));
    const QByteArray cookie = good.header("set-cookie");
    QVERIFY(
        QRegularExpression(u"^vornic_session=[0-9a-f]{64}; Path=/; HttpOnly; SameSite=Strict$"_s)
            .match(QString::fromLatin1(cookie))
            .hasMatch());
    // Tokens are random: two logins never share one.
    QVERIFY(client.login(Password) != client.login(Password));
    // A missing or non-text password is a failure like any other.
    QCOMPARE(client.post("/api/login", {}).status, 401);
    QCOMPARE(client.post("/api/login", {{u"password"_s, 5}}).status, 401);
}

void TestPanelSecurity::fiveFailuresLockTheAddressForFifteenMinutes()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const PanelClient attacker = rig.client(2);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(attacker.post("/api/login", {{u"password"_s, u"guess"_s}}).status, 401);
    // A good login clears the count ...
    QVERIFY(!attacker.login(Password).isEmpty());
    for (int i = 0; i < 5; ++i)
        QCOMPARE(attacker.post("/api/login", {{u"password"_s, u"guess"_s}}).status, 401);
    // ... but after five failures in a row even the right password is refused.
    const PanelReply refused = attacker.post("/api/login", {{u"password"_s, Password}});
    QCOMPARE(refused.status, 429);
    QVERIFY(refused.header("set-cookie").isEmpty());
    QVERIFY(refused.elapsedMs >= 140);
    // Other addresses are not locked out.
    QVERIFY(!rig.client(3).login(Password).isEmpty());
    rig.nowMs += 15 * 60 * 1000 - 1000;
    QCOMPARE(attacker.post("/api/login", {{u"password"_s, Password}}).status, 429);
    rig.nowMs += 2000;
    QVERIFY(!attacker.login(Password).isEmpty());
}

void TestPanelSecurity::passwordCheckDoesNotHoldTheEventLoop()
{
    PanelRig rig([](PanelServer::Config &c) { c.loginDelayMs = 0; }, PanelPassword::Iterations);
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    QTcpSocket login;
    login.bind(QHostAddress(u"127.0.0.4"_s));
    login.connectToHost(QHostAddress::LocalHost, rig.server->serverPort());
    QVERIFY(login.waitForConnected(3000));
    const QByteArray body = "{\"password\":\"" + Password.toUtf8() + "\"}";
    login.write("POST /api/login HTTP/1.1\r\nHost: " + client.hostHeader() + "\r\nOrigin: "
        + client.origin() + "\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QVERIFY(waitUntil([&] { return rig.server->connectionCount() >= 1; }, 3000));
    // The full-strength hash is running; other panels are still answered meanwhile.
    QCOMPARE(client.get("/").status, 200);
    QCOMPARE(login.bytesAvailable(), 0);
    QVERIFY(waitUntil([&] { return login.bytesAvailable() > 0; }, 20000));
    QVERIFY(login.readAll().startsWith("HTTP/1.1 200 "));
}

void TestPanelSecurity::sessionsExpireWhenIdleAndEndOnLogout()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    QCOMPARE(client.get("/api/state").status, 401);
    QCOMPARE(client.get("/api/state", QByteArray(64, 'a')).status, 401);
    const QByteArray token = client.login(Password);
    QVERIFY(!token.isEmpty());
    QCOMPARE(client.get("/api/state", token).status, 200);
    // Use keeps a session alive; an hour without use ends it.
    rig.nowMs += 50 * 60 * 1000;
    QCOMPARE(client.get("/api/state", token).status, 200);
    rig.nowMs += 50 * 60 * 1000;
    QCOMPARE(client.get("/api/state", token).status, 200);
    rig.nowMs += 60 * 60 * 1000 + 1;
    QCOMPARE(client.get("/api/state", token).status, 401);

    const QByteArray second = client.login(Password);
    const QByteArray third = client.login(Password);
    const PanelReply out = client.post("/api/logout", {}, second);
    QCOMPARE(out.status, 200);
    QVERIFY(out.header("set-cookie").contains("Max-Age=0"));
    QCOMPARE(client.get("/api/state", second).status, 401);
    QCOMPARE(client.post("/api/logout", {}, second).status, 401);
    QCOMPARE(client.get("/api/state", third).status, 200);
}

void TestPanelSecurity::newPasswordEndsEverySession()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const QByteArray token = client.login(Password);
    QVERIFY(!token.isEmpty());
    rig.server->setPasswordRecord(PanelPassword::hash(u"new one"_s, 1000));
    QCOMPARE(client.get("/api/state", token).status, 401);
    QVERIFY(client.login(Password).isEmpty());
    QVERIFY(!client.login(u"new one"_s).isEmpty());
}

void TestPanelSecurity::hostAndOriginAreChecked()
{
    PanelRig rig([](PanelServer::Config &c) { c.hostNames = {u"panel.example"_s}; });
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const QByteArray port = QByteArray::number(rig.server->serverPort());
    const QByteArray token = client.login(Password);
    QVERIFY(!token.isEmpty());
    const auto getWithHost = [&](const QByteArray &host) {
        QByteArray request = "GET /api/state HTTP/1.1\r\n";
        if (!host.isNull())
            request += "Host: " + host + "\r\n";
        return client.raw(request + "Cookie: vornic_session=" + token + "\r\n\r\n").status;
    };
    QCOMPARE(getWithHost("127.0.0.1:" + port), 200);
    QCOMPARE(getWithHost("localhost:" + port), 200);
    QCOMPARE(getWithHost("LOCALHOST:" + port), 200);
    QCOMPARE(getWithHost("panel.example:" + port), 200);
    // DNS rebinding: a name the panel does not know, or another port, or none at all.
    QCOMPARE(getWithHost("evil.example:" + port), 421);
    QCOMPARE(getWithHost("127.0.0.1:1"), 421);
    QCOMPARE(getWithHost("127.0.0.1"), 421);
    QCOMPARE(getWithHost(QByteArray()), 421);
    QCOMPARE(getWithHost("127.0.0.1:" + port + "x"), 421);

    // State changes need the panel's own origin and a JSON body.
    const QJsonObject say{{u"line"_s, u"hello"_s}};
    const QByteArray text = QJsonDocument(say).toJson(QJsonDocument::Compact);
    const auto postWith = [&](const QByteArray &headers) {
        return client
            .raw("POST /api/clear HTTP/1.1\r\nHost: " + client.hostHeader() + "\r\n" + headers
                + "Cookie: vornic_session=" + token
                + "\r\nContent-Length: " + QByteArray::number(text.size()) + "\r\n\r\n" + text)
            .status;
    };
    QCOMPARE(postWith("Content-Type: application/json\r\n"), 403);
    QCOMPARE(postWith("Origin: http://evil.example\r\nContent-Type: application/json\r\n"), 403);
    QCOMPARE(postWith("Origin: null\r\nContent-Type: application/json\r\n"), 403);
    QCOMPARE(postWith("Origin: https://" + client.hostHeader()
                 + "\r\nContent-Type: application/json\r\n"),
        403);
    QCOMPARE(postWith("Origin: " + client.origin() + "\r\nContent-Type: text/plain\r\n"), 415);
    QCOMPARE(
        postWith("Origin: " + client.origin() + "\r\nContent-Type: application/json\r\n"), 200);
    // A login from another site is refused before the password is looked at.
    const PanelReply foreign = client.raw("POST /api/login HTTP/1.1\r\nHost: " + client.hostHeader()
        + "\r\nOrigin: http://evil.example\r\nContent-Type: application/json\r\n"
          "Content-Length: 2\r\n\r\n{}");
    QCOMPARE(foreign.status, 403);
    // Reading state changes nothing, but still needs the session.
    QCOMPARE(client.post("/api/state", {}, token).status, 405);
    QCOMPARE(client.get("/api/say", token).status, 405);
    QCOMPARE(client.post("/api/nonsense", {}, token).status, 404);
}

void TestPanelSecurity::everyAnswerCarriesTheSecurityHeaders()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const QList<PanelReply> replies = {client.get("/"), client.get("/panel.js"),
        client.get("/panel.css"), client.get("/api/state"), client.get("/nothing"),
        client.raw("BAD\r\n\r\n"), client.get("/favicon.svg")};
    for (const PanelReply &reply : replies) {
        QVERIFY(reply.status != 0);
        QCOMPARE(
            reply.header("content-security-policy"), "default-src 'self'; frame-ancestors 'none'");
        QCOMPARE(reply.header("x-content-type-options"), "nosniff");
        QCOMPARE(reply.header("referrer-policy"), "no-referrer");
    }
    QCOMPARE(replies[0].status, 200);
    QVERIFY(replies[0].header("content-type").startsWith("text/html"));
    QVERIFY(replies[1].header("content-type").startsWith("text/javascript"));
    QVERIFY(replies[2].header("content-type").startsWith("text/css"));
    // The tab's icon comes without a session, like the page that names it.
    QCOMPARE(replies[6].status, 200);
    QCOMPARE(replies[6].header("content-type"), "image/svg+xml");
    QVERIFY(replies[6].body.startsWith("<svg"));
    // The page keeps its script and style in files: the policy forbids inline ones.
    const QString page = QString::fromUtf8(replies[0].body);
    QVERIFY(page.contains(u"<script src=\"panel.js\""_s));
    QVERIFY(!QRegularExpression(u"<script(?![^>]*\\bsrc=)"_s).match(page).hasMatch());
    QVERIFY(!QRegularExpression(u"\\son[a-z]+\\s*="_s).match(page).hasMatch());
    QVERIFY(!page.contains(u"<style"_s));
    QVERIFY(!page.contains(u"style=\""_s));
    // The script inserts what it is given as text only.
    const QString script = QString::fromUtf8(replies[1].body);
    QVERIFY(!script.contains(u"innerHTML"_s));
    QVERIFY(!script.contains(u"outerHTML"_s));
    QVERIFY(!script.contains(u"insertAdjacentHTML"_s));
    QVERIFY(!script.contains(u"document.write"_s));
    QVERIFY(!script.contains(u"eval("_s));
}

void TestPanelSecurity::oversizedRequestsAreRefused()
{
    PanelRig rig;
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const QByteArray host = "Host: " + client.hostHeader() + "\r\n";
    const QByteArray filler
        = "X-Filler: " + QByteArray(HttpRequestReader::MaxHeaderBytes, 'a') + "\r\n";
    QCOMPARE(client.raw("GET / HTTP/1.1\r\n" + host + filler + "\r\n").status, 431);
    // The whole head need not arrive: the panel answers as soon as it is too long.
    QCOMPARE(client.raw("GET / HTTP/1.1\r\n" + host + filler).status, 431);
    QByteArray many = "GET / HTTP/1.1\r\n" + host;
    for (int i = 0; i < HttpRequestReader::MaxHeaderCount + 1; ++i)
        many += "X-" + QByteArray::number(i) + ": 1\r\n";
    QCOMPARE(client.raw(many + "\r\n").status, 431);
    const QByteArray post = "POST /api/login HTTP/1.1\r\n" + host + "Origin: " + client.origin()
        + "\r\nContent-Type: application/json\r\n";
    QCOMPARE(client
                 .raw(post + "Content-Length: "
                     + QByteArray::number(HttpRequestReader::MaxBodyBytes + 1) + "\r\n\r\n")
                 .status,
        413);
    QCOMPARE(client.raw(post + "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n").status, 501);
    QCOMPARE(client.raw(post + "Content-Length: -1\r\n\r\n").status, 400);
    QCOMPARE(client.raw(post + "Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}").status, 400);
    QCOMPARE(client.raw("GET / HTTP/1.1\r\n" + host + host + "\r\n").status, 400);
    QCOMPARE(client.raw("GET nothing HTTP/1.1\r\n" + host + "\r\n").status, 400);
    // A body of the largest size is still read.
    const QByteArray big
        = "{\"password\":\"" + QByteArray(HttpRequestReader::MaxBodyBytes - 15, 'p') + "\"}";
    QCOMPARE(
        client.raw(post + "Content-Length: " + QByteArray::number(big.size()) + "\r\n\r\n" + big)
            .status,
        401);
}

void TestPanelSecurity::connectionsAreCapped()
{
    PanelRig rig([](PanelServer::Config &c) {
        c.maxConnections = 3;
        c.requestTimeoutMs = 400;
    });
    QVERIFY(rig.started && rig.listening);
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 3; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, rig.server->serverPort());
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.server->connectionCount(), 3, 5000);
    QTcpSocket extra;
    extra.connectToHost(QHostAddress::LocalHost, rig.server->serverPort());
    QTRY_COMPARE_WITH_TIMEOUT(extra.state(), QAbstractSocket::UnconnectedState, 5000);
    // Connections that send nothing are closed after the request time-out, making room again.
    QTRY_COMPARE_WITH_TIMEOUT(rig.server->connectionCount(), 0, 5000);
    QCOMPARE(rig.client().get("/").status, 200);
}

void TestPanelSecurity::eventStreamNeedsSessionAndOrigin()
{
    PanelRig rig([](PanelServer::Config &c) { c.streamHeartbeatMs = 100; });
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const QByteArray token = client.login(Password);
    QVERIFY(!token.isEmpty());
    const quint16 port = rig.server->serverPort();
    PanelEventStream noCookie(port, {});
    PanelEventStream stale(port, QByteArray(64, 'a'));
    PanelEventStream foreign(port, token, "http://evil.example");
    PanelEventStream good(port, token);
    PanelEventStream sameOrigin(port, token, client.origin());
    QVERIFY(good.waitForMessages(1));
    QVERIFY(good.head.startsWith("HTTP/1.1 200 "));
    QVERIFY(good.head.contains("\r\nContent-Type: text/event-stream"));
    QVERIFY(!good.head.toLower().contains("content-length"));
    QVERIFY(good.head.contains("\r\nX-Content-Type-Options: nosniff\r\n"));
    QCOMPARE(good.messages.first(), "{\"type\":\"hello\"}");
    QVERIFY(sameOrigin.waitForMessages(1));
    for (PanelEventStream *refused : {&noCookie, &stale, &foreign})
        QVERIFY(refused->waitForHead());
    QCOMPARE(noCookie.status, 401);
    QCOMPARE(stale.status, 401);
    QCOMPARE(foreign.status, 403);
    QVERIFY(noCookie.messages.isEmpty() && foreign.messages.isEmpty());
    // Only GET opens a stream; a WebSocket handshake is refused plainly.
    QCOMPARE(client.post("/api/events", {}, token).status, 405);
    QCOMPARE(client
                 .raw("GET /api/events HTTP/1.1\r\nHost: " + client.hostHeader()
                     + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nCookie: vornic_session="
                     + token + "\r\n\r\n")
                 .status,
        400);
    QCOMPARE(rig.server->eventStreamCount(), 2);
    // A quiet stream still carries a comment now and then, so proxies keep it open.
    QVERIFY(waitUntil([&] { return good.comments >= 2; }));
    // Events go down every stream; what a panel sends up is ignored.
    good.socket.write(QByteArray(100000, 'x'));
    // No room is open here, so a setting is what changes.
    QCOMPARE(
        client.post("/api/set", {{u"name"_s, u"cWelcomeMsg"_s}, {u"value"_s, u"hello"_s}}, token)
            .status,
        200);
    QVERIFY(waitUntil([&] {
        return good.messages.size() > 1 && good.messages.last().contains("hello")
            && sameOrigin.messages.size() > 1;
    }));
    QCOMPARE(good.socket.state(), QAbstractSocket::ConnectedState);
    // Logging out ends the streams of that session.
    QCOMPARE(client.post("/api/logout", {}, token).status, 200);
    QVERIFY(good.waitForClose());
    QVERIFY(sameOrigin.waitForClose());
    QCOMPARE(rig.server->eventStreamCount(), 0);
}

void TestPanelSecurity::eventsAreFramedLineByLine()
{
    QCOMPARE(eventStreamMessage("{\"type\":\"hello\"}"), "data: {\"type\":\"hello\"}\n\n");
    // A line break in the data would end its field early, and a blank line the event: each line
    // gets a field of its own, whatever its break.
    QCOMPARE(eventStreamMessage("a\nb\r\nc\rd"), "data: a\ndata: b\ndata: c\ndata: d\n\n");
    QCOMPARE(eventStreamMessage("a\n\nb"), "data: a\ndata: \ndata: b\n\n");
    QCOMPARE(eventStreamMessage(""), "data: \n\n");
}

void TestPanelSecurity::slowEventStreamIsDropped()
{
    PanelRig rig([](PanelServer::Config &c) { c.maxUnsentBytes = 2048; });
    QVERIFY(rig.started && rig.listening);
    const PanelClient client = rig.client();
    const QByteArray token = client.login(Password);
    PanelEventStream stream(rig.server->serverPort(), token);
    QVERIFY(stream.waitForMessages(1));
    QCOMPARE(rig.server->eventStreamCount(), 1);
    // An event larger than the panel may hold unsent: the panel is dropped, the host goes on.
    rig.host.core->parts().transcript.addChatLine(u"Ann: "_s, QString(4000, u'x'), LineKind::Chat);
    QTRY_COMPARE_WITH_TIMEOUT(rig.server->eventStreamCount(), 0, 5000);
    QVERIFY(stream.waitForClose());
}

QTEST_GUILESS_MAIN(TestPanelSecurity)
#include "tst_PanelSecurity.moc"
