#include "chatserver/TcpClientLink.h"

#include "net/SocketState.h"

#include <QTcpSocket>
#include <QTimer>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Enough for the largest packet; past it the kernel holds the bytes back and TCP slows the sender
// down, so a flooding client cannot grow our memory.
constexpr qint64 ReadBufferSize = 64 * 1024;
// How long a closed connection may take to hand its last bytes to a peer that does not read.
constexpr auto LingerTime = 10s;

} // namespace

TcpClientLink::TcpClientLink(QTcpSocket *socket, QObject *parent)
    : ClientLink(parent)
    , m_socket(socket)
{
    socket->setParent(this);
    // Each paced packet is meant to leave on its own, not be coalesced with the next.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setReadBufferSize(ReadBufferSize);
    connect(socket, &QTcpSocket::readyRead, this, &ClientLink::bytesArrived);
    connect(socket, &QTcpSocket::disconnected, this, &ClientLink::peerClosed);
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // The peer closing its end is a normal departure, reported by disconnected.
        if (error != QAbstractSocket::RemoteHostClosedError)
            Q_EMIT failed();
    });
}

int TcpClientLink::state() const
{
    return SocketState::fromQt(m_socket->state());
}

qint64 TcpClientLink::unsentBytes() const
{
    return m_socket->bytesToWrite();
}

bool TcpClientLink::write(const QByteArray &bytes)
{
    if (m_socket->write(bytes) != bytes.size())
        return false;
    // Handed to the system now rather than at the event loop's next turn, so each packet leaves
    // at its own tick.
    m_socket->flush();
    return true;
}

QByteArray TcpClientLink::takeAvailable()
{
    return m_socket->readAll();
}

void TcpClientLink::retire()
{
    disconnect(m_socket, nullptr, this, nullptr);
    if (m_socket->state() == QAbstractSocket::UnconnectedState) {
        deleteLater();
        return;
    }
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    QTimer::singleShot(LingerTime, this, [this] {
        m_socket->abort();
        deleteLater();
    });
    m_socket->disconnectFromHost();
}
