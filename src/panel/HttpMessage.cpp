#include "panel/HttpMessage.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

bool isToken(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QByteArray HttpRequest::cookie(const QByteArray &name) const
{
    for (const QByteArray &pair : header("cookie").split(';')) {
        const QByteArray trimmed = pair.trimmed();
        const qsizetype eq = trimmed.indexOf('=');
        if (eq > 0 && trimmed.left(eq) == name)
            return trimmed.mid(eq + 1);
    }
    return QByteArray();
}

bool HttpRequest::isWebSocketUpgrade() const
{
    return header("upgrade").toLower() == "websocket"
        && header("connection").toLower().contains("upgrade");
}

HttpRequestReader::Outcome HttpRequestReader::readHead(
    const QByteArray &bytes, HttpRequest &request, qsizetype &bodyLength)
{
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0)
        return bytes.size() > MaxHeaderBytes ? Outcome::HeadersTooLarge : Outcome::NeedMore;
    if (end + 4 > MaxHeaderBytes)
        return Outcome::HeadersTooLarge;
    const QList<QByteArray> lines = bytes.left(end).split('\n');
    if (lines.size() - 1 > MaxHeaderCount)
        return Outcome::HeadersTooLarge;
    const QList<QByteArray> start = lines.first().trimmed().split(' ');
    if (start.size() != 3 || !isToken(start[0]) || !start[1].startsWith('/')
        || !start[2].startsWith("HTTP/1."))
        return Outcome::Bad;
    request = HttpRequest();
    request.method = start[0];
    const qsizetype query = start[1].indexOf('?');
    request.path = query < 0 ? start[1] : start[1].left(query);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.left(colon)))
            return Outcome::Bad;
        const QByteArray name = line.left(colon).toLower();
        // A repeated Host or Content-Length could mean different things to different readers.
        if (request.headers.contains(name) && (name == "host" || name == "content-length"))
            return Outcome::Bad;
        request.headers.insert(name, line.mid(colon + 1).trimmed());
    }
    request.headerBytes = end + 4;
    if (request.headers.contains("transfer-encoding"))
        return Outcome::NotImplemented;
    bodyLength = 0;
    if (request.headers.contains("content-length")) {
        bool ok = false;
        const QByteArray text = request.header("content-length");
        const qlonglong length = text.toLongLong(&ok);
        if (!ok || length < 0
            || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return Outcome::Bad;
        if (length > MaxBodyBytes)
            return Outcome::BodyTooLarge;
        bodyLength = qsizetype(length);
    }
    return Outcome::Ready;
}

HttpResponse HttpResponse::json(int status, const QByteArray &body)
{
    HttpResponse response;
    response.status = status;
    response.body = body;
    return response;
}

HttpResponse HttpResponse::error(int status, const QByteArray &message)
{
    return json(status,
        QJsonDocument(QJsonObject{{QStringLiteral("error"), QString::fromUtf8(message)}})
            .toJson(QJsonDocument::Compact));
}

QByteArray HttpResponse::serialize() const
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + httpReason(status) + "\r\n";
    out += "Content-Type: " + contentType + "\r\n";
    if (!openEnded)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Content-Security-Policy: default-src 'self'; frame-ancestors 'none'\r\n"
           "X-Content-Type-Options: nosniff\r\n"
           "Referrer-Policy: no-referrer\r\n"
           "X-Frame-Options: DENY\r\n"
           "Cache-Control: no-store\r\n";
    for (const auto &[name, value] : headers)
        out += name + ": " + value + "\r\n";
    if (closeAfter)
        out += "Connection: close\r\n";
    out += "\r\n";
    return omitBody ? out : out + body;
}

QByteArray eventStreamMessage(const QByteArray &data)
{
    QByteArray out;
    // A line break inside the data would end its field early: each line gets a field of its own,
    // and the reader joins them again with line feeds.
    QByteArray text = data;
    text.replace("\r\n", "\n").replace('\r', '\n');
    for (const QByteArray &line : text.split('\n'))
        out += "data: " + line + '\n';
    return out + '\n';
}

QByteArray httpReason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 415:
        return "Unsupported Media Type";
    case 421:
        return "Misdirected Request";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    default:
        return "Unknown";
    }
}
