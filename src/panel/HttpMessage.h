#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>

// One HTTP/1.1 request as the panel reads it: header names in lower case, no chunked bodies.
struct HttpRequest
{
    QByteArray method;
    QByteArray path;
    QHash<QByteArray, QByteArray> headers;
    QByteArray body;
    qsizetype headerBytes = 0; // the request line and headers with their blank line

    QByteArray header(const QByteArray &lowerName) const { return headers.value(lowerName); }
    QByteArray cookie(const QByteArray &name) const;
    bool isWebSocketUpgrade() const;
};

// Reads the head of a request from the bytes at hand, which stay where they are.
class HttpRequestReader
{
public:
    static constexpr qsizetype MaxHeaderBytes = 8 * 1024;
    static constexpr qsizetype MaxBodyBytes = 64 * 1024;
    static constexpr int MaxHeaderCount = 64;

    enum class Outcome { NeedMore, Ready, Bad, HeadersTooLarge, BodyTooLarge, NotImplemented };

    // bytes starts with a request; on Ready, request holds the head and the body's length is
    // in bodyLength (the body follows the head in bytes, maybe not yet all of it).
    static Outcome readHead(const QByteArray &bytes, HttpRequest &request, qsizetype &bodyLength);
};

struct HttpResponse
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    bool closeAfter = false;
    // An answer to HEAD: the headers a GET would get, Content-Length included, and no body.
    bool omitBody = false;
    // The head of an event stream: the body goes on until the connection closes, so it has no
    // length.
    bool openEnded = false;

    static HttpResponse json(int status, const QByteArray &body);
    static HttpResponse error(int status, const QByteArray &message);
    // With the security headers every answer carries.
    QByteArray serialize() const;
};

QByteArray httpReason(int status);

// One message of an event stream (text/event-stream) carrying data, line breaks and all.
QByteArray eventStreamMessage(const QByteArray &data);
