#include "panel/PanelServer.h"

#include "net/PeerAddress.h"
#include "panel/PanelApi.h"
#include "panel/PanelListener.h"
#include "panel/PanelPassword.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFutureWatcher>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QtConcurrent>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool isJson(const HttpRequest &request)
{
    const QByteArray type = request.header("content-type").toLower();
    return type == "application/json" || type.startsWith("application/json;");
}

// What the connection holds unsent, the encrypted bytes of TLS included.
qint64 unsentOf(const QTcpSocket *socket)
{
    qint64 bytes = socket->bytesToWrite();
    if (const auto *tls = qobject_cast<const QSslSocket *>(socket))
        bytes += tls->encryptedBytesToWrite();
    return bytes;
}

HttpResponse closing(int status, const QByteArray &message)
{
    HttpResponse r = HttpResponse::error(status, message);
    r.closeAfter = true;
    return r;
}

} // namespace

PanelServer::PanelServer(
    PanelApi &api, const QString &passwordRecord, Config config, QObject *parent)
    : QObject(parent)
    , m_api(api)
    , m_passwordRecord(passwordRecord)
    , m_config(std::move(config))
{
    if (!m_config.clockMs) {
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        m_config.clockMs = [clock] { return clock->elapsed(); };
    }
    m_listener = std::make_unique<PanelListener>(
        m_config.tls, [this](QTcpSocket *socket) { return admitConnection(socket); });
    connect(m_listener.get(), &QTcpServer::newConnection, this, &PanelServer::takeConnections);
    connect(&m_api, &PanelApi::event, this, &PanelServer::broadcast);
    m_sweepTimer.setInterval(m_config.sessionSweepMs);
    connect(&m_sweepTimer, &QTimer::timeout, this, &PanelServer::sweepSessions);
    m_sweepTimer.start();
    m_heartbeatTimer.setInterval(m_config.streamHeartbeatMs);
    connect(&m_heartbeatTimer, &QTimer::timeout, this, [this] { sendToStreams(": \n\n"); });
    m_heartbeatTimer.start();
}

PanelServer::~PanelServer()
{
    m_listener->close();
}

bool PanelServer::listen(QString *error)
{
    if (m_listener->listen(m_config.address, m_config.port))
        return true;
    if (error)
        *error = m_listener->errorString();
    return false;
}

quint16 PanelServer::serverPort() const
{
    return m_listener->serverPort();
}

void PanelServer::setPasswordRecord(const QString &record)
{
    m_passwordRecord = record;
    m_sessions.endAll();
    closeStreams([](const Stream &) { return true; });
}

qint64 PanelServer::unsentBytes() const
{
    qint64 total = 0;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it)
        total += unsentOf(it.key());
    return total;
}

qint64 PanelServer::now() const
{
    return m_config.clockMs();
}

PanelServer::Connection *PanelServer::connection(const QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    return it == m_connections.end() ? nullptr : &it.value();
}

bool PanelServer::admitConnection(QTcpSocket *socket)
{
    const QHostAddress peer = socket->peerAddress();
    // Behind a proxy every visitor shares its address; the proxy keeps its own limits.
    const QString block = isTrustedProxy(peer) ? QString() : PeerAddress::block(peer);
    if (!block.isEmpty()) {
        const auto held = std::count_if(m_connections.cbegin(), m_connections.cend(),
            [&block](const Connection &c) { return !c.proven && c.block == block; });
        if (held >= m_config.maxConnectionsPerAddress)
            return false;
    }
    if (m_connections.size() >= m_config.maxConnections && !evictFor(block))
        return false;
    Connection entry;
    entry.block = block;
    entry.order = ++m_arrivals;
    m_connections.insert(socket, entry);
    return true;
}

bool PanelServer::evictFor(const QString &block)
{
    // All places taken: a newcomer takes that of an idle connection without a session from the
    // address holding the most of them, when that address holds more than the newcomer's. So no
    // one address, nor a few, can keep a director at another address out.
    QHash<QString, int> held;
    for (const Connection &c : std::as_const(m_connections)) {
        if (!c.proven && !c.block.isEmpty())
            ++held[c.block];
    }
    const QTcpSocket *victim = nullptr;
    int victimHeld = held.value(block);
    quint64 victimOrder = 0;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        const Connection &c = it.value();
        if (c.proven || c.busy || c.stream || c.block.isEmpty())
            continue;
        const int count = held.value(c.block);
        if (count > victimHeld || (victim && count == victimHeld && c.order < victimOrder)) {
            victim = it.key();
            victimHeld = count;
            victimOrder = c.order;
        }
    }
    if (!victim)
        return false;
    auto *socket = const_cast<QTcpSocket *>(victim);
    m_connections.remove(victim);
    socket->abort();
    return true;
}

void PanelServer::takeConnections()
{
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        Connection *c = connection(socket);
        if (!c) { // made room for a later one before it was taken
            socket->deleteLater();
            continue;
        }
        // The socket stops reading once a request head and body of the largest size are waiting.
        socket->setReadBufferSize(
            HttpRequestReader::MaxHeaderBytes + HttpRequestReader::MaxBodyBytes);
        c->deadline = new QTimer(socket);
        c->deadline->setSingleShot(true);
        connect(c->deadline, &QTimer::timeout, this, [this, socket] { expire(socket); });
        c->deadline->start(m_config.requestTimeoutMs);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
        // Deleted without a disconnect (the server going): only the tables are cleaned.
        connect(socket, &QObject::destroyed, this, [this, socket] {
            m_connections.remove(socket);
            m_streams.removeIf([socket](const Stream &stream) { return stream.socket == socket; });
        });
        connect(socket, &QTcpSocket::errorOccurred, socket, [socket] {
            if (socket->state() == QAbstractSocket::UnconnectedState)
                socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
        // Answers draining may let the requests left unread be read.
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { readRequests(socket); });
        if (auto *tls = qobject_cast<QSslSocket *>(socket)) {
            connect(tls, &QSslSocket::encryptedBytesWritten, this,
                [this, socket] { readRequests(socket); });
        }
        readRequests(socket);
    }
}

void PanelServer::forget(QTcpSocket *socket)
{
    m_connections.remove(socket);
    closeStreams([socket](const Stream &stream) { return stream.socket == socket; });
}

void PanelServer::expire(QTcpSocket *socket)
{
    Connection *c = connection(socket);
    if (c && c->busy)
        c->expired = true;
    else
        socket->abort();
}

void PanelServer::readRequests(QTcpSocket *socket)
{
    while (socket->state() == QAbstractSocket::ConnectedState) {
        Connection *c = connection(socket);
        if (!c || c->busy)
            return;
        if (c->stream) {
            socket->readAll(); // a panel sends nothing on its stream; whatever comes is dropped
            return;
        }
        // A visitor that does not read its answers gets no more of them: its requests wait
        // unread, and TCP holds the sender back, until the answers have drained.
        if (unsentOf(socket) > m_config.pauseReadingBytes)
            return;
        const QByteArray head = socket->peek(HttpRequestReader::MaxHeaderBytes + 1);
        HttpRequest request;
        qsizetype bodyLength = 0;
        switch (HttpRequestReader::readHead(head, request, bodyLength)) {
        case HttpRequestReader::Outcome::NeedMore:
            return;
        case HttpRequestReader::Outcome::Bad:
            return answer(socket, closing(400, "malformed request"));
        case HttpRequestReader::Outcome::HeadersTooLarge:
            return answer(socket, closing(431, "request head too large"));
        case HttpRequestReader::Outcome::BodyTooLarge:
            return answer(socket, closing(413, "request body too large"));
        case HttpRequestReader::Outcome::NotImplemented:
            return answer(socket, closing(501, "chunked bodies are not taken"));
        case HttpRequestReader::Outcome::Ready:
            break;
        }
        if (request.isWebSocketUpgrade())
            return answer(socket, closing(400, "the event stream is text/event-stream"));
        if (socket->bytesAvailable() < request.headerBytes + bodyLength)
            return;
        socket->skip(request.headerBytes);
        request.body = socket->read(bodyLength);
        c->head = request.method == "HEAD";
        dispatch(socket, request);
        // Only a connection with a live session gets more time from a request: one without has
        // no more than its first period, however often it asks.
        c = connection(socket);
        if (c && c->proven && !c->busy && !c->stream)
            c->deadline->start(m_config.requestTimeoutMs);
    }
}

void PanelServer::answer(QTcpSocket *socket, HttpResponse response)
{
    if (const Connection *c = connection(socket))
        response.omitBody = c->head;
    if (send(socket, response.serialize()) && response.closeAfter)
        socket->disconnectFromHost();
}

bool PanelServer::send(QTcpSocket *socket, const QByteArray &bytes)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return false;
    // Answers and events count alike: a visitor that leaves too much unread is dropped.
    if (unsentOf(socket) + bytes.size() > m_config.maxUnsentBytes) {
        socket->abort();
        return false;
    }
    socket->write(bytes);
    return true;
}

void PanelServer::dispatch(QTcpSocket *socket, const HttpRequest &request)
{
    if (!hostAllowed(socket, request))
        return answer(socket, closing(421, "unknown host"));
    const QByteArray &path = request.path;
    const bool get = request.method == "GET" || request.method == "HEAD";
    const bool post = request.method == "POST";
    if (path == "/" || path == "/index.html" || path == "/panel.js" || path == "/panel.css"
        || path == "/favicon.svg") {
        if (!get)
            return answer(socket, HttpResponse::error(405, "method not allowed"));
        return serveFile(socket, path);
    }
    if (!path.startsWith("/api/"))
        return answer(socket, HttpResponse::error(404, "not found"));
    if (path == "/api/events") {
        if (request.method != "GET")
            return answer(socket, HttpResponse::error(405, "method not allowed"));
        // A browser's EventSource sends no Origin to its own site; one from another site does,
        // and is refused like a POST from there.
        if (!request.header("origin").isEmpty() && !originAllowed(socket, request))
            return answer(socket, HttpResponse::error(403, "origin not allowed"));
        const QByteArray token = liveToken(socket, request);
        if (token.isEmpty())
            return answer(socket, HttpResponse::error(401, "log in first"));
        return openStream(socket, token);
    }
    if (path == "/api/state") {
        if (!get)
            return answer(socket, HttpResponse::error(405, "method not allowed"));
        if (liveToken(socket, request).isEmpty())
            return answer(socket, HttpResponse::error(401, "log in first"));
        return answer(socket,
            HttpResponse::json(200, QJsonDocument(m_api.state()).toJson(QJsonDocument::Compact)));
    }
    if (!post)
        return answer(socket, HttpResponse::error(405, "method not allowed"));
    if (!originAllowed(socket, request))
        return answer(socket, HttpResponse::error(403, "origin not allowed"));
    if (!isJson(request))
        return answer(socket, HttpResponse::error(415, "send application/json"));
    if (path == "/api/login")
        return login(socket, request);
    const QByteArray token = liveToken(socket, request);
    if (token.isEmpty())
        return answer(socket, HttpResponse::error(401, "log in first"));
    if (path == "/api/logout") {
        endSession(token);
        HttpResponse r = HttpResponse::json(200, "{\"ok\":true}");
        r.headers.append({"Set-Cookie", sessionCookie(socket, request, {})});
        return answer(socket, r);
    }
    runOperation(socket, request, QString::fromLatin1(path.mid(5)));
}

bool PanelServer::isTrustedProxy(const QHostAddress &address) const
{
    return std::any_of(m_config.trustedProxies.cbegin(), m_config.trustedProxies.cend(),
        [&address](const QPair<QHostAddress, int> &subnet) {
            return address.isInSubnet(subnet)
                || QHostAddress(PeerAddress::dotted(address)).isInSubnet(subnet);
        });
}

PanelServer::Visitor PanelServer::visitor(
    const QTcpSocket *socket, const HttpRequest &request) const
{
    Visitor v{socket->peerAddress(), isTls(), false};
    if (!isTrustedProxy(v.address))
        return v;
    v.viaProxy = true;
    // Each proxy appends the address it was reached from: read from the right, the first one
    // that is no trusted proxy is the visitor. A damaged entry is not believed, nor what is left
    // of it.
    const QList<QByteArray> hops = request.header("x-forwarded-for").split(',');
    for (qsizetype i = hops.size() - 1; i >= 0; --i) {
        QByteArray hop = hops[i].trimmed();
        if (hop.startsWith('[') && hop.endsWith(']'))
            hop = hop.mid(1, hop.size() - 2);
        const QHostAddress address(QString::fromLatin1(hop));
        if (address.isNull())
            break;
        v.address = address;
        if (!isTrustedProxy(address))
            break;
    }
    const QByteArray proto = request.header("x-forwarded-proto").split(',').last().trimmed();
    if (proto.compare("https", Qt::CaseInsensitive) == 0)
        v.https = true;
    else if (proto.compare("http", Qt::CaseInsensitive) == 0)
        v.https = false;
    return v;
}

bool PanelServer::hostAllowed(const QTcpSocket *socket, const HttpRequest &request) const
{
    const QString host = QString::fromLatin1(request.header("host")).toLower();
    if (host.isEmpty())
        return false;
    QString name = host;
    std::optional<quint16> port;
    const qsizetype colon = host.lastIndexOf(u':');
    if (colon >= 0 && !host.endsWith(u']')) {
        bool ok = false;
        const uint number = host.mid(colon + 1).toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            return false;
        port = quint16(number);
        name = host.left(colon);
    }
    // Through a proxy the port is the proxy's: only the name is checked.
    if (!isTrustedProxy(socket->peerAddress())) {
        const quint16 own = serverPort();
        if (port ? *port != own : own != (isTls() ? 443 : 80))
            return false;
    }
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    const QHostAddress local = socket->localAddress();
    if (name == PeerAddress::dotted(local))
        return true;
    if (name == u"localhost"_s && local.isLoopback())
        return true;
    return m_config.hostNames.contains(name);
}

bool PanelServer::originAllowed(const QTcpSocket *socket, const HttpRequest &request) const
{
    const QByteArray origin = request.header("origin").toLower();
    const QByteArray expected = QByteArray(visitor(socket, request).https ? "https://" : "http://")
        + request.header("host").toLower();
    return !origin.isEmpty() && origin == expected;
}

QByteArray PanelServer::sessionCookie(
    const QTcpSocket *socket, const HttpRequest &request, const QByteArray &token) const
{
    // No token: the cookie is cleared.
    return CookieName + '=' + token + (token.isEmpty() ? "; Path=/; Max-Age=0" : "; Path=/")
        + "; HttpOnly; SameSite=Strict"
        + QByteArray(visitor(socket, request).https ? "; Secure" : "");
}

QByteArray PanelServer::liveToken(QTcpSocket *socket, const HttpRequest &request)
{
    const QByteArray token = request.cookie(CookieName);
    if (token.isEmpty() || !m_sessions.touch(token, now()))
        return QByteArray();
    if (Connection *c = connection(socket))
        c->proven = true;
    return token;
}

void PanelServer::login(QTcpSocket *socket, const HttpRequest &request)
{
    QElapsedTimer arrival;
    arrival.start();
    const qint64 at = now();
    const QHostAddress address = visitor(socket, request).address;
    // Nothing more is read from this connection until the answer has gone.
    connection(socket)->busy = true;
    if (m_guard.isRefused(address, at)) {
        return answerLogin(socket, arrival,
            HttpResponse::error(429,
                "too many failed logins from this address; "
                "try again later"));
    }
    if (m_checkRunning)
        return answerLogin(socket, arrival, HttpResponse::error(503, "busy; try again"));
    // The hash takes a good part of a second by design: it runs beside the event loop, so the
    // room's pacing never waits for it; one check at a time keeps the cost bounded.
    m_checkRunning = true;
    const QJsonValue given = QJsonDocument::fromJson(request.body).object().value(u"password"_s);
    const QString password = given.toString();
    auto *watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcher<bool>::finished, this,
        [this, watcher, address, arrival, request, peer = QPointer<QTcpSocket>(socket)] {
            m_checkRunning = false;
            const bool good = watcher->result();
            watcher->deleteLater();
            Connection *c = peer ? connection(peer) : nullptr;
            if (!c)
                return;
            HttpResponse response;
            if (good) {
                m_guard.recordSuccess(address);
                c->proven = true;
                response = HttpResponse::json(200, "{\"ok\":true}");
                response.headers.append(
                    {"Set-Cookie", sessionCookie(peer, request, m_sessions.create(now()))});
            } else {
                m_guard.recordFailure(address, now());
                response = HttpResponse::error(401, "wrong password");
            }
            answerLogin(peer, arrival, response);
        });
    watcher->setFuture(QtConcurrent::run([password, record = m_passwordRecord] {
        return !password.isEmpty() && PanelPassword::verify(password, record);
    }));
}

void PanelServer::answerLogin(
    QTcpSocket *socket, const QElapsedTimer &arrival, const HttpResponse &response)
{
    // Good or bad, the answer comes after the same wait from the request's arrival.
    const qint64 wait = std::max<qint64>(0, m_config.loginDelayMs - arrival.elapsed());
    QTimer::singleShot(std::chrono::milliseconds(wait), socket, [this, socket, response] {
        Connection *c = connection(socket);
        if (!c)
            return;
        c->busy = false;
        HttpResponse last = response;
        // Its time ran out during the check: without a session it gets this answer and no more.
        last.closeAfter = c->expired && !c->proven;
        if (c->proven)
            c->deadline->start(m_config.requestTimeoutMs);
        answer(socket, last);
        readRequests(socket);
    });
}

void PanelServer::serveFile(QTcpSocket *socket, const QByteArray &path)
{
    const QString name = path == "/" ? u"index.html"_s : QString::fromLatin1(path.mid(1));
    QFile file(u":/panel/"_s + name);
    if (!file.open(QIODevice::ReadOnly))
        return answer(socket, HttpResponse::error(404, "not found"));
    HttpResponse response;
    response.body = file.readAll();
    if (name.endsWith(u".html"_s))
        response.contentType = "text/html; charset=utf-8";
    else if (name.endsWith(u".js"_s))
        response.contentType = "text/javascript; charset=utf-8";
    else if (name.endsWith(u".svg"_s))
        response.contentType = "image/svg+xml";
    else
        response.contentType = "text/css; charset=utf-8";
    answer(socket, response);
}

void PanelServer::runOperation(QTcpSocket *socket, const HttpRequest &request, const QString &name)
{
    QJsonParseError parseError;
    const QJsonDocument document = request.body.trimmed().isEmpty()
        ? QJsonDocument(QJsonObject())
        : QJsonDocument::fromJson(request.body, &parseError);
    if (!document.isObject())
        return answer(socket, HttpResponse::error(400, "the body must be a JSON object"));
    const PanelApi::Result result = m_api.run(name, document.object());
    answer(socket,
        HttpResponse::json(
            result.status, QJsonDocument(result.body).toJson(QJsonDocument::Compact)));
}

void PanelServer::openStream(QTcpSocket *socket, const QByteArray &token)
{
    // From here on the connection only carries events: no request is read from it again, and
    // whatever the panel sends is dropped. It lives as long as its session.
    Connection *c = connection(socket);
    c->stream = true;
    delete c->deadline;
    c->deadline = nullptr;
    socket->readAll();
    m_streams.append({socket, token});
    HttpResponse head;
    head.contentType = "text/event-stream; charset=utf-8";
    head.openEnded = true;
    // A proxy in front must pass each event on as it comes.
    head.headers.append({QByteArray("X-Accel-Buffering"), QByteArray("no")});
    send(socket, head.serialize() + "retry: 3000\n" + eventStreamMessage("{\"type\":\"hello\"}"));
}

void PanelServer::broadcast(const QByteArray &message)
{
    sendToStreams(eventStreamMessage(message));
}

void PanelServer::sendToStreams(const QByteArray &bytes)
{
    // Over a copy: a panel that holds too much unsent is dropped, and leaves the list, on the way.
    const QList<Stream> streams = m_streams;
    for (const Stream &stream : streams)
        send(stream.socket, bytes);
}

void PanelServer::closeStreams(const std::function<bool(const Stream &)> &which)
{
    // Closing a socket removes it from the list at once: take the ones to close out first.
    QList<QTcpSocket *> closing;
    m_streams.removeIf([&](const Stream &stream) {
        if (!which(stream))
            return false;
        closing << stream.socket;
        return true;
    });
    for (QTcpSocket *socket : std::as_const(closing))
        socket->abort();
}

void PanelServer::sweepSessions()
{
    const qint64 at = now();
    closeStreams([this, at](const Stream &stream) { return !m_sessions.isLive(stream.token, at); });
}

void PanelServer::endSession(const QByteArray &token)
{
    m_sessions.end(token);
    closeStreams([&token](const Stream &stream) { return stream.token == token; });
}
