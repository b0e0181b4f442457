#pragma once

#include <QByteArray>
#include <QObject>

// One client connection as the socket array sees it: bytes in, bytes out, and word of its end.
// The room's connections are carried over TCP (TcpClientLink); a test or a fuzzer may carry one
// in memory and drive the room without sockets or waiting.
class ClientLink : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // A SocketState number: Connected while bytes can go both ways.
    virtual int state() const = 0;
    // Bytes written that have not yet left for the peer.
    virtual qint64 unsentBytes() const = 0;
    // Hands the bytes on at once; false when not all of them were taken.
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QByteArray takeAvailable() = 0;
    // Ends the link once what was written has left, or after a while; it then deletes itself,
    // never at once, as it may be inside one of its own signals.
    virtual void retire() = 0;

Q_SIGNALS:
    void bytesArrived();
    // The peer closed its end or the connection broke.
    void peerClosed();
    // Any other failure; the link counts as in error until it is closed.
    void failed();
};
