// The panel's request reader, fed as the panel's server feeds it: the bytes of one connection
// arrive in pieces, and after each piece every complete request at the front is read and taken
// off, the next pipelined one after it.
//
// Input: byte 0 sets the size of the pieces (1 + its low five bits); the rest is the stream.
//
// Whatever the pieces, the requests read and the outcome that ends the stream must be those of
// the whole stream read at once. A request read must be within every limit the reader refuses
// beyond, and its head must end at the first blank line: nothing of the body or of the next
// request is read as part of it.

#include "panel/HttpMessage.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using Reader = HttpRequestReader;

struct Read
{
    HttpRequest request;
    qsizetype bodyLength = 0;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A request the reader took must be one its limits allow, read from its own head only.
void checkAccepted(const QByteArray &buffer, const HttpRequest &request, qsizetype bodyLength)
{
    const qsizetype blank = buffer.indexOf("\r\n\r\n");
    require(blank >= 0 && request.headerBytes == blank + 4);
    require(request.headerBytes <= Reader::MaxHeaderBytes);
    require(bodyLength >= 0 && bodyLength <= Reader::MaxBodyBytes);
    require(request.headers.size() <= Reader::MaxHeaderCount);
    require(buffer.left(blank).count('\n') <= Reader::MaxHeaderCount);
    require(!request.method.isEmpty() && request.path.startsWith('/'));
    require(!request.headers.contains("transfer-encoding"));
    if (request.headers.contains("content-length"))
        require(request.header("content-length").toLongLong() == bodyLength);
    else
        require(bodyLength == 0);
    for (auto it = request.headers.cbegin(); it != request.headers.cend(); ++it)
        require(it.key() == it.key().toLower() && !it.key().isEmpty());
    // What the server reads next, which must work on any request.
    request.cookie("vornic_session");
    request.isWebSocketUpgrade();
}

// Reads every complete request at the front of buffer, taking each off with its body. Returns
// the outcome that stopped it: NeedMore, or the refusal that ends the connection.
Reader::Outcome readAll(QByteArray &buffer, QList<Read> &reads)
{
    for (;;) {
        // The server looks at no more than one byte past the largest head.
        const QByteArray head = buffer.left(Reader::MaxHeaderBytes + 1);
        Read read;
        const Reader::Outcome outcome = Reader::readHead(head, read.request, read.bodyLength);
        if (outcome != Reader::Outcome::Ready)
            return outcome;
        checkAccepted(head, read.request, read.bodyLength);
        if (buffer.size() < read.request.headerBytes + read.bodyLength)
            return Reader::Outcome::NeedMore;
        read.request.body = buffer.mid(read.request.headerBytes, read.bodyLength);
        buffer.remove(0, read.request.headerBytes + read.bodyLength);
        reads.append(read);
    }
}

bool sameRequest(const Read &a, const Read &b)
{
    return a.request.method == b.request.method && a.request.path == b.request.path
        && a.request.headers == b.request.headers && a.request.body == b.request.body
        && a.request.headerBytes == b.request.headerBytes && a.bodyLength == b.bodyLength;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = 1 + (data[0] & 31);
    const QByteArray stream(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);

    QByteArray whole = stream;
    QList<Read> wholeReads;
    const Reader::Outcome wholeOutcome = readAll(whole, wholeReads);

    QByteArray buffer;
    QList<Read> pieceReads;
    Reader::Outcome outcome = Reader::Outcome::NeedMore;
    for (qsizetype at = 0; at < stream.size() && outcome == Reader::Outcome::NeedMore;
         at += piece) {
        buffer += stream.mid(at, piece);
        outcome = readAll(buffer, pieceReads);
    }
    require(outcome == wholeOutcome && pieceReads.size() == wholeReads.size());
    for (qsizetype i = 0; i < wholeReads.size(); ++i)
        require(sameRequest(pieceReads[i], wholeReads[i]));
    return 0;
}
