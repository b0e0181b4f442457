#pragma once

#include "panel/HttpMessage.h"
#include "panel/LoginGuard.h"
#include "panel/PanelSessions.h"

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
        int loginDelayMs
            = 1000; // every login answer, good or bad, comes this long after the request
        int maxConnections = 32;
        qint64 maxUnsentBytes = 1024 * 1024; // a panel's event stream
        int streamHeartbeatMs = 30000; // a comment down every event stream, for proxies' timers
        int requestTimeoutMs = 30000; // a request must be complete this long after the last one
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

    int connectionCount() const { return m_liveConnections; }
    int eventStreamCount() const { return int(m_streams.size()); }
    int sessionCount() const { return m_sessions.count(); }

private:
    struct Stream
    {
        QTcpSocket *socket;
        QByteArray token;
    };

    qint64 now() const;
    bool admitConnection() const;
    void takeConnections();
    void readRequests(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const HttpResponse &response);
    void dispatch(QTcpSocket *socket, const HttpRequest &request);
    bool hostAllowed(const QTcpSocket *socket, const HttpRequest &request) const;
    bool originAllowed(const HttpRequest &request) const;
    QByteArray liveToken(const HttpRequest &request);
    void login(QTcpSocket *socket, const HttpRequest &request);
    void answerLogin(
        QTcpSocket *socket, const QElapsedTimer &arrival, const HttpResponse &response);
    void serveFile(QTcpSocket *socket, const QByteArray &path);
    void runOperation(QTcpSocket *socket, const HttpRequest &request, const QString &name);
    void openStream(QTcpSocket *socket, const QByteArray &token);
    void broadcast(const QByteArray &message);
    void sendToStreams(const QByteArray &bytes);
    void closeStreams(const std::function<bool(const Stream &)> &which);
    void dropStream(QTcpSocket *socket);
    void sweepSessions();
    void endSession(const QByteArray &token);

    PanelApi &m_api;
    QString m_passwordRecord;
    Config m_config;
    LoginGuard m_guard;
    PanelSessions m_sessions;
    bool m_checkRunning = false;
    int m_liveConnections = 0;
    QList<Stream> m_streams;
    QTimer m_sweepTimer;
    QTimer m_heartbeatTimer;
    // Last: its connections go first, while the counters above still exist.
    std::unique_ptr<PanelListener> m_listener;
};
