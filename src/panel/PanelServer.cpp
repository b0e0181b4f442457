#include "panel/PanelServer.h"

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

using namespace Qt::StringLiterals;

namespace {

const char *const BusyProperty = "panelBusy";

QTimer *requestTimer(QTcpSocket *socket)
{
    return socket->findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
}

bool isJson(const HttpRequest &request)
{
    const QByteArray type = request.header("content-type").toLower();
    return type == "application/json" || type.startsWith("application/json;");
}

// What the connection holds unsent, the encrypted bytes of TLS included.
qint64 unsentBytes(const QTcpSocket *socket)
{
    qint64 bytes = socket->bytesToWrite();
    if (const auto *tls = qobject_cast<const QSslSocket *>(socket))
        bytes += tls->encryptedBytesToWrite();
    return bytes;
}

QString normalAddress(QHostAddress address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4)
        address = QHostAddress(v4);
    return address.toString().toLower();
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
    m_listener
        = std::make_unique<PanelListener>(m_config.tls, [this] { return admitConnection(); });
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

qint64 PanelServer::now() const
{
    return m_config.clockMs();
}

bool PanelServer::admitConnection() const
{
    return m_liveConnections < m_config.maxConnections;
}

void PanelServer::takeConnections()
{
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        ++m_liveConnections;
        connect(socket, &QObject::destroyed, this, [this] { --m_liveConnections; });
        // The socket stops reading once a request head and body of the largest size are waiting.
        socket->setReadBufferSize(
            HttpRequestReader::MaxHeaderBytes + HttpRequestReader::MaxBodyBytes);
        auto *timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->abort(); });
        timer->start(m_config.requestTimeoutMs);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::errorOccurred, socket, [socket] {
            if (socket->state() == QAbstractSocket::UnconnectedState)
                socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
        readRequests(socket);
    }
}

void PanelServer::readRequests(QTcpSocket *socket)
{
    while (!socket->property(BusyProperty).toBool() && socket->isOpen()
        && socket->state() == QAbstractSocket::ConnectedState) {
        const QByteArray head = socket->peek(HttpRequestReader::MaxHeaderBytes + 1);
        HttpRequest request;
        qsizetype bodyLength = 0;
        switch (HttpRequestReader::readHead(head, request, bodyLength)) {
        case HttpRequestReader::Outcome::NeedMore:
            return;
        case HttpRequestReader::Outcome::Bad:
            return answer(socket, [] {
                HttpResponse r = HttpResponse::error(400, "malformed request");
                r.closeAfter = true;
                return r;
            }());
        case HttpRequestReader::Outcome::HeadersTooLarge: {
            HttpResponse r = HttpResponse::error(431, "request head too large");
            r.closeAfter = true;
            return answer(socket, r);
        }
        case HttpRequestReader::Outcome::BodyTooLarge: {
            HttpResponse r = HttpResponse::error(413, "request body too large");
            r.closeAfter = true;
            return answer(socket, r);
        }
        case HttpRequestReader::Outcome::NotImplemented: {
            HttpResponse r = HttpResponse::error(501, "chunked bodies are not taken");
            r.closeAfter = true;
            return answer(socket, r);
        }
        case HttpRequestReader::Outcome::Ready:
            break;
        }
        if (request.isWebSocketUpgrade()) {
            HttpResponse r = HttpResponse::error(400, "the event stream is text/event-stream");
            r.closeAfter = true;
            return answer(socket, r);
        }
        if (socket->bytesAvailable() < request.headerBytes + bodyLength)
            return;
        socket->skip(request.headerBytes);
        request.body = socket->read(bodyLength);
        if (QTimer *timer = requestTimer(socket))
            timer->start(m_config.requestTimeoutMs);
        dispatch(socket, request);
    }
}

void PanelServer::answer(QTcpSocket *socket, const HttpResponse &response)
{
    socket->write(response.serialize());
    if (response.closeAfter)
        socket->disconnectFromHost();
}

void PanelServer::dispatch(QTcpSocket *socket, const HttpRequest &request)
{
    if (!hostAllowed(socket, request)) {
        HttpResponse r = HttpResponse::error(421, "unknown host");
        r.closeAfter = true;
        return answer(socket, r);
    }
    const QByteArray &path = request.path;
    const bool get = request.method == "GET" || request.method == "HEAD";
    const bool post = request.method == "POST";
    if (path == "/" || path == "/index.html" || path == "/panel.js" || path == "/panel.css") {
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
        if (!request.header("origin").isEmpty() && !originAllowed(request))
            return answer(socket, HttpResponse::error(403, "origin not allowed"));
        const QByteArray token = liveToken(request);
        if (token.isEmpty())
            return answer(socket, HttpResponse::error(401, "log in first"));
        return openStream(socket, token);
    }
    if (path == "/api/state") {
        if (!get)
            return answer(socket, HttpResponse::error(405, "method not allowed"));
        if (liveToken(request).isEmpty())
            return answer(socket, HttpResponse::error(401, "log in first"));
        return answer(socket,
            HttpResponse::json(200, QJsonDocument(m_api.state()).toJson(QJsonDocument::Compact)));
    }
    if (!post)
        return answer(socket, HttpResponse::error(405, "method not allowed"));
    if (!originAllowed(request))
        return answer(socket, HttpResponse::error(403, "origin not allowed"));
    if (!isJson(request))
        return answer(socket, HttpResponse::error(415, "send application/json"));
    if (path == "/api/login")
        return login(socket, request);
    const QByteArray token = liveToken(request);
    if (token.isEmpty())
        return answer(socket, HttpResponse::error(401, "log in first"));
    if (path == "/api/logout") {
        endSession(token);
        HttpResponse r = HttpResponse::json(200, "{\"ok\":true}");
        r.headers.append({"Set-Cookie",
            CookieName
                + "=; Path=/; Max-Age=0; HttpOnly; "
                  "SameSite=Strict"
                + QByteArray(isTls() ? "; Secure" : "")});
        return answer(socket, r);
    }
    runOperation(socket, request, QString::fromLatin1(path.mid(5)));
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
    const quint16 own = serverPort();
    if (port ? *port != own : own != (isTls() ? 443 : 80))
        return false;
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    const QHostAddress local = socket->localAddress();
    if (name == normalAddress(local))
        return true;
    if (name == u"localhost"_s && local.isLoopback())
        return true;
    return m_config.hostNames.contains(name);
}

bool PanelServer::originAllowed(const HttpRequest &request) const
{
    const QByteArray origin = request.header("origin").toLower();
    const QByteArray expected
        = QByteArray(isTls() ? "https://" : "http://") + request.header("host").toLower();
    return !origin.isEmpty() && origin == expected;
}

QByteArray PanelServer::liveToken(const HttpRequest &request)
{
    const QByteArray token = request.cookie(CookieName);
    if (token.isEmpty() || !m_sessions.touch(token, now()))
        return QByteArray();
    return token;
}

void PanelServer::login(QTcpSocket *socket, const HttpRequest &request)
{
    QElapsedTimer arrival;
    arrival.start();
    const qint64 at = now();
    const QString address = normalAddress(socket->peerAddress());
    // Nothing more is read from this connection until the answer has gone.
    socket->setProperty(BusyProperty, true);
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
        [this, watcher, address, arrival, connection = QPointer<QTcpSocket>(socket)] {
            m_checkRunning = false;
            const bool good = watcher->result();
            watcher->deleteLater();
            if (!connection)
                return;
            HttpResponse response;
            if (good) {
                m_guard.recordSuccess(address);
                const QByteArray token = m_sessions.create(now());
                response = HttpResponse::json(200, "{\"ok\":true}");
                response.headers.append({"Set-Cookie",
                    CookieName + '=' + token
                        + "; Path=/; HttpOnly; "
                          "SameSite=Strict"
                        + QByteArray(isTls() ? "; Secure" : "")});
            } else {
                m_guard.recordFailure(address, now());
                response = HttpResponse::error(401, "wrong password");
            }
            answerLogin(connection, arrival, response);
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
        socket->setProperty(BusyProperty, false);
        answer(socket, response);
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
    // whatever the panel sends is dropped.
    socket->setProperty(BusyProperty, true);
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    socket->readAll();
    delete requestTimer(socket);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropStream(socket); });
    m_streams.append({socket, token});
    HttpResponse head;
    head.contentType = "text/event-stream; charset=utf-8";
    head.openEnded = true;
    // A proxy in front must pass each event on as it comes.
    head.headers.append({"X-Accel-Buffering", "no"});
    socket->write(head.serialize() + "retry: 3000\n" + eventStreamMessage("{\"type\":\"hello\"}"));
}

void PanelServer::broadcast(const QByteArray &message)
{
    sendToStreams(eventStreamMessage(message));
}

void PanelServer::sendToStreams(const QByteArray &bytes)
{
    // A panel that stops reading must not make the host hold ever more for it.
    closeStreams([this, &bytes](const Stream &stream) {
        return unsentBytes(stream.socket) + bytes.size() > m_config.maxUnsentBytes;
    });
    for (const Stream &stream : std::as_const(m_streams))
        stream.socket->write(bytes);
}

void PanelServer::closeStreams(const std::function<bool(const Stream &)> &which)
{
    // Closing a socket can remove it from the list at once: take the ones to close out first.
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

void PanelServer::dropStream(QTcpSocket *socket)
{
    closeStreams([socket](const Stream &stream) { return stream.socket == socket; });
}

void PanelServer::sweepSessions()
{
    const qint64 at = now();
    closeStreams(
        [this, at](const Stream &stream) { return !m_sessions.isLive(stream.token, at); });
}

void PanelServer::endSession(const QByteArray &token)
{
    m_sessions.end(token);
    closeStreams([&token](const Stream &stream) { return stream.token == token; });
}
