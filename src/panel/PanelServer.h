#pragma once

#include "panel/HttpMessage.h"
#include "panel/LoginGuard.h"
#include "panel/PanelSessions.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class PanelApi;
class PanelListener;
class QElapsedTimer;
class QTcpSocket;

// The panel's web server: the page, the JSON API and the event stream, behind the password, the
// session cookie and the Host, Origin and size checks. Everything runs on the event loop; no
// panel can hold up the room, a slow one is dropped.
class PanelServer : public QObject
{
    Q_OBJECT

public:
    struct Config
    {
        QHostAddress address{QHostAddress::LocalHost};
        quint16 port = 0; // 0: any free port (tests)
        QStringList hostNames; // accepted in Host besides the address the panel was reached at
        std::optional<QSslConfiguration> tls;
        // Reverse proxies whose X-Forwarded-For and X-Forwarded-Proto are believed.
        QList<QPair<QHostAddress, int>> trustedProxies;
        int loginDelayMs
            = 1000; // every login answer, good or bad, comes this long after the request
        int maxConnections = 32;
        // Connections without a session from one address (an IPv6 /64); a trusted proxy has none.
        int maxConnectionsPerAddress = 8;
        // Unsent answers or events a connection may hold: past the first its requests are left
        // unread until they drain, past the second it is closed.
        qint64 pauseReadingBytes = 256 * 1024;
        qint64 maxUnsentBytes = 1024 * 1024;
        int streamHeartbeatMs = 30000; // a comment down every event stream, for proxies' timers
        // A connection without a session closes this long after it opened; one with a session
        // when no request has come for this long.
        int requestTimeoutMs = 30000;
        int sessionSweepMs = 60000;
        std::function<qint64()> clockMs; // empty: a monotonic clock
    };

    static inline const QByteArray CookieName = QByteArrayLiteral("vornic_session");

    PanelServer(
        PanelApi &api, const QString &passwordRecord, Config config, QObject *parent = nullptr);
    ~PanelServer() override;

    bool listen(QString *error);
    quint16 serverPort() const;
    bool isTls() const { return m_config.tls.has_value(); }

    // A new password ends every session.
    void setPasswordRecord(const QString &record);

    int connectionCount() const { return int(m_connections.size()); }
    // What every connection holds unsent, answers and events together.
    qint64 unsentBytes() const;
    int eventStreamCount() const { return int(m_streams.size()); }
    int sessionCount() const { return m_sessions.count(); }

private:
    struct Stream
    {
        QTcpSocket *socket;
        QByteArray token;
    };

    struct Connection
    {
        QString block; // the peer's address block (PeerAddress::block); empty for a trusted proxy
        quint64 order = 0; // in the order of arrival
        QTimer *deadline = nullptr;
        bool proven = false; // has carried a live session
        bool busy = false; // a login answer is on its way; nothing more is read meanwhile
        bool expired = false; // its time ran out while busy: it closes after that answer
        bool stream = false;
        bool head = false; // the request being answered is a HEAD
    };

    // Who sent a request: through a trusted proxy, the visitor it names.
    struct Visitor
    {
        QHostAddress address;
        bool https = false;
        bool viaProxy = false;
    };

    qint64 now() const;
    Connection *connection(const QTcpSocket *socket);
    bool admitConnection(QTcpSocket *socket);
    bool evictFor(const QString &block);
    void takeConnections();
    void forget(QTcpSocket *socket);
    void expire(QTcpSocket *socket);
    void readRequests(QTcpSocket *socket);
    void answer(QTcpSocket *socket, HttpResponse response);
    bool send(QTcpSocket *socket, const QByteArray &bytes);
    void dispatch(QTcpSocket *socket, const HttpRequest &request);
    bool isTrustedProxy(const QHostAddress &address) const;
    Visitor visitor(const QTcpSocket *socket, const HttpRequest &request) const;
    bool hostAllowed(const QTcpSocket *socket, const HttpRequest &request) const;
    bool originAllowed(const QTcpSocket *socket, const HttpRequest &request) const;
    QByteArray sessionCookie(
        const QTcpSocket *socket, const HttpRequest &request, const QByteArray &token) const;
    QByteArray liveToken(QTcpSocket *socket, const HttpRequest &request);
    void login(QTcpSocket *socket, const HttpRequest &request);
    void answerLogin(
        QTcpSocket *socket, const QElapsedTimer &arrival, const HttpResponse &response);
    void serveFile(QTcpSocket *socket, const QByteArray &path);
    void runOperation(QTcpSocket *socket, const HttpRequest &request, const QString &name);
    void openStream(QTcpSocket *socket, const QByteArray &token);
    void broadcast(const QByteArray &message);
    void sendToStreams(const QByteArray &bytes);
    void closeStreams(const std::function<bool(const Stream &)> &which);
    void sweepSessions();
    void endSession(const QByteArray &token);

    PanelApi &m_api;
    QString m_passwordRecord;
    Config m_config;
    LoginGuard m_guard;
    PanelSessions m_sessions;
    bool m_checkRunning = false;
    QHash<const QTcpSocket *, Connection> m_connections;
    quint64 m_arrivals = 0;
    QList<Stream> m_streams;
    QTimer m_sweepTimer;
    QTimer m_heartbeatTimer;
    // Last: its connections go first, while the tables above still exist.
    std::unique_ptr<PanelListener> m_listener;
};
