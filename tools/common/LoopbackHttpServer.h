#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

#include <functional>
#include <optional>

class QTcpSocket;

// A small HTTP/1.1 server on loopback that serves configured answers, for tests and for the league
// site simulator. Every connection carries one request and is closed after the answer.
class LoopbackHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        Response(int status_ = 200, QByteArray body_ = {})
            : status(status_)
            , body(std::move(body_))
        {
        }
        Response &delayedBy(int ms)
        {
            delayMs = ms;
            return *this;
        }
        Response &redirectedTo(QByteArray target)
        {
            location = std::move(target);
            return *this;
        }
        Response &silent()
        {
            neverAnswer = true;
            return *this;
        }

        int status;
        QByteArray body;
        QByteArray contentType = "text/html; charset=windows-1252";
        QByteArray location; // sent as the Location header when not empty
        int delayMs = 0; // wait this long before answering
        bool neverAnswer = false; // keep the connection open without a word
    };

    explicit LoopbackHttpServer(QObject *parent = nullptr);

    // Listens on the address (127.0.0.1 unless given) and any free port, or on `port`.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    // The answer for a request target: an exact "path?query" entry wins over a "path" entry;
    // then the handler, if any, is asked; anything else gets 404.
    void setResponse(const QString &target, const Response &response);
    void clearResponses() { m_responses.clear(); }

    // Builds answers that depend on the request, such as a page per player name. Returns
    // nothing for targets it does not know.
    using Handler = std::function<std::optional<Response>(const QString &target)>;
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // Request lines received so far, e.g. "GET /tk HTTP/1.1".
    QStringList requestLines() const { return m_requestLines; }

Q_SIGNALS:
    void requestReceived(const QString &requestLine);

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QString &requestLine);
    Response responseFor(const QString &target) const;
    static void send(QTcpSocket *socket, const Response &response);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    Handler m_handler;
    QStringList m_requestLines;
};
