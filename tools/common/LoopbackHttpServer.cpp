#include "common/LoopbackHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype MaxRequestHeadSize = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::acceptConnections);
}

bool LoopbackHttpServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

QString LoopbackHttpServer::baseUrl() const
{
    return u"http://%1:%2"_s.arg(m_server.serverAddress().toString()).arg(port());
}

void LoopbackHttpServer::setResponse(const QString &target, const Response &response)
{
    m_responses.insert(target, response);
}

void LoopbackHttpServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void LoopbackHttpServer::readRequest(QTcpSocket *socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    // Wait for the whole head; the requests we serve have no body.
    const QByteArray head = socket->peek(MaxRequestHeadSize);
    if (!head.contains("\r\n\r\n")) {
        if (head.size() >= MaxRequestHeadSize)
            socket->abort();
        return;
    }
    socket->readAll();
    socket->setProperty("answered", true);
    const QString requestLine = QString::fromLatin1(head.left(head.indexOf("\r\n")));
    m_requestLines.append(requestLine);
    Q_EMIT requestReceived(requestLine);
    answer(socket, requestLine);
}

void LoopbackHttpServer::answer(QTcpSocket *socket, const QString &requestLine)
{
    const Response response = responseFor(requestLine.section(u' ', 1, 1));
    if (response.neverAnswer)
        return;
    if (response.delayMs <= 0) {
        send(socket, response);
        return;
    }
    QTimer::singleShot(response.delayMs, socket, [socket, response] { send(socket, response); });
}

LoopbackHttpServer::Response LoopbackHttpServer::responseFor(const QString &target) const
{
    if (const auto exact = m_responses.constFind(target); exact != m_responses.cend())
        return *exact;
    if (const auto byPath = m_responses.constFind(target.section(u'?', 0, 0));
        byPath != m_responses.cend()) {
        return *byPath;
    }
    if (m_handler) {
        if (std::optional<Response> built = m_handler(target))
            return *built;
    }
    return {404, "<html><body>Not Found</body></html>"};
}

void LoopbackHttpServer::send(QTcpSocket *socket, const Response &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + reasonPhrase(response.status) + "\r\nContent-Type: " + response.contentType
        + "\r\nContent-Length: " + QByteArray::number(response.body.size())
        + "\r\nConnection: close\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    head += "\r\n";
    socket->write(head + response.body);
    socket->disconnectFromHost();
}
