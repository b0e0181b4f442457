#pragma once

#include "support/TestWait.h"
#include "support/TrafficCapture.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

// A plain HTTP/1.1 client for the panel tests: one request per connection, from its own
// 127.0.0.x address, every wait bounded.
struct PanelReply
{
    int status = 0; // 0: no complete answer
    QHash<QByteArray, QList<QByteArray>> headers; // names in lower case
    QByteArray body;
    qint64 elapsedMs = 0;

    QByteArray header(const QByteArray &name) const { return headers.value(name).value(0); }
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

class PanelClient
{
public:
    PanelClient(quint16 port, int hostByte = 1)
        : m_port(port)
        , m_hostByte(hostByte)
    {
    }

    QByteArray hostHeader() const { return "127.0.0.1:" + QByteArray::number(m_port); }
    QByteArray origin() const { return "http://" + hostHeader(); }

    // Sends bytes as they stand and reads one answer.
    PanelReply raw(const QByteArray &bytes, int timeoutMs = 8000) const
    {
        QTcpSocket socket;
        socket.bind(QHostAddress(u"127.0.0.%1"_s.arg(m_hostByte)));
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        PanelReply reply;
        if (!waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 3000))
            return reply;
        QElapsedTimer clock;
        clock.start();
        captureTraffic("http", bytes);
        socket.write(bytes);
        QByteArray in;
        waitUntil(
            [&] {
                in += socket.readAll();
                return complete(in, reply) || socket.state() != QAbstractSocket::ConnectedState;
            },
            timeoutMs);
        in += socket.readAll();
        if (!complete(in, reply))
            reply.status = 0;
        reply.elapsedMs = clock.elapsed();
        return reply;
    }

    PanelReply get(const QByteArray &path, const QByteArray &cookie = {}) const
    {
        QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: " + hostHeader() + "\r\n";
        if (!cookie.isEmpty())
            request += "Cookie: vornic_session=" + cookie + "\r\n";
        return raw(request + "\r\n");
    }

    PanelReply post(const QByteArray &path, const QJsonObject &body, const QByteArray &cookie = {},
        const QByteArray &extraHeaders = {}) const
    {
        const QByteArray text = QJsonDocument(body).toJson(QJsonDocument::Compact);
        QByteArray request = "POST " + path + " HTTP/1.1\r\nHost: " + hostHeader()
            + "\r\nOrigin: " + origin() + "\r\nContent-Type: application/json\r\n"
            + "Content-Length: " + QByteArray::number(text.size()) + "\r\n" + extraHeaders;
        if (!cookie.isEmpty())
            request += "Cookie: vornic_session=" + cookie + "\r\n";
        return raw(request + "\r\n" + text);
    }

    // The session token of a good login; empty when the login failed.
    QByteArray login(const QString &password) const
    {
        const PanelReply reply = post("/api/login", {{u"password"_s, password}});
        const QByteArray cookie = reply.header("set-cookie");
        if (reply.status != 200 || !cookie.startsWith("vornic_session="))
            return QByteArray();
        return cookie.mid(15, cookie.indexOf(';') - 15);
    }

private:
    static bool complete(const QByteArray &in, PanelReply &reply)
    {
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QList<QByteArray> lines = in.left(end).split('\n');
        reply.headers.clear();
        const QList<QByteArray> status = lines.first().split(' ');
        reply.status = status.value(1).toInt();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            reply.headers[lines[i].left(colon).trimmed().toLower()].append(
                lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = reply.header("content-length").toLongLong();
        if (in.size() < end + 4 + length)
            return false;
        reply.body = in.mid(end + 4, length);
        return true;
    }

    quint16 m_port;
    int m_hostByte;
};

// A panel's event stream as a browser's EventSource reads it: GET /api/events, then one message
// per blank-line-ended block, its data lines joined.
class PanelEventStream
{
public:
    // origin: the Origin header to send; none when empty, as a browser on the panel's own page.
    PanelEventStream(
        quint16 port, const QByteArray &cookie, const QByteArray &origin = {}, int hostByte = 1)
    {
        socket.bind(QHostAddress(u"127.0.0.%1"_s.arg(hostByte)));
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { take(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        QByteArray request = "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:"
            + QByteArray::number(port) + "\r\nAccept: text/event-stream\r\n";
        if (!cookie.isEmpty())
            request += "Cookie: vornic_session=" + cookie + "\r\n";
        if (!origin.isEmpty())
            request += "Origin: " + origin + "\r\n";
        socket.write(request + "\r\n");
    }

    // The answer's status once its head has come; 0 before.
    bool waitForHead(int timeoutMs = 5000)
    {
        return waitUntil([this] { return status != 0; }, timeoutMs);
    }
    bool waitForMessages(qsizetype count, int timeoutMs = 5000)
    {
        return waitUntil([this, count] { return messages.size() >= count; }, timeoutMs);
    }
    bool waitForClose(int timeoutMs = 5000)
    {
        return waitUntil(
            [this] { return socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
    }

    QTcpSocket socket;
    int status = 0;
    QByteArray head;
    QList<QByteArray> messages; // the data of each message
    int comments = 0; // lines starting with ':', the stream's keep-alives

private:
    void take()
    {
        m_in += socket.readAll();
        if (status == 0) {
            const qsizetype end = m_in.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            head = m_in.left(end + 4);
            status = head.split(' ').value(1).toInt();
            m_in.remove(0, end + 4);
            if (status != 200)
                return;
        }
        qsizetype end;
        while ((end = m_in.indexOf("\n\n")) >= 0) {
            QList<QByteArray> data;
            for (const QByteArray &line : m_in.left(end).split('\n')) {
                if (line.startsWith("data: "))
                    data << line.mid(6);
                else if (line.startsWith(':'))
                    ++comments;
            }
            if (!data.isEmpty())
                messages << data.join('\n');
            m_in.remove(0, end + 2);
        }
    }

    QByteArray m_in;
};
