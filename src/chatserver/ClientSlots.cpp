#include "chatserver/ClientSlots.h"

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

QString dottedAddress(const QHostAddress &address)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4).toString() : address.toString();
}

} // namespace

ClientSlots::ClientSlots(QObject *parent)
    : QObject(parent)
    , m_slots(1)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ClientSlots::offerPendingConnections);
    connect(&m_server, &QTcpServer::acceptError, this, [this] { m_serverError = true; });
}

ClientSlots::~ClientSlots()
{
    // The sockets are our children and die after this destructor; keep their last signals from
    // reaching a half-destroyed object.
    for (const Slot &slot : std::as_const(m_slots)) {
        if (slot.socket)
            slot.socket->disconnect(this);
    }
}

bool ClientSlots::listen(const QHostAddress &address, quint16 port)
{
    m_server.close();
    m_serverError = !m_server.listen(address, port);
    return !m_serverError;
}

void ClientSlots::stopListening()
{
    m_server.close();
    m_serverError = false;
}

int ClientSlots::state(int index) const
{
    if (index == 0) {
        if (m_serverError)
            return SocketState::Error;
        return m_server.isListening() ? SocketState::Listening : SocketState::Closed;
    }
    if (!isClientIndex(index) || !m_slots.at(index).socket)
        return SocketState::Closed;
    const Slot &slot = m_slots.at(index);
    if (slot.errorPending)
        return SocketState::Error;
    if (slot.connectionLost)
        return SocketState::PeerIsClosing;
    return SocketState::fromQt(slot.socket->state());
}

quint64 ClientSlots::connectionId(int index) const
{
    return isClientIndex(index) && m_slots.at(index).socket ? m_slots.at(index).id : 0;
}

QString ClientSlots::peerAddress(int index) const
{
    return isClientIndex(index) && m_slots.at(index).socket ? m_slots.at(index).address : QString();
}

int ClientSlots::connectedCount() const
{
    int connected = 0;
    for (int index = 1; index <= highestIndex(); ++index) {
        if (state(index) == SocketState::Connected)
            ++connected;
    }
    return connected;
}

int ClientSlots::lowestClosedSlot() const
{
    for (int index = 1; index <= highestIndex(); ++index) {
        if (state(index) == SocketState::Closed)
            return index;
    }
    return highestIndex() < MaxClients ? highestIndex() + 1 : -1;
}

void ClientSlots::offerPendingConnections()
{
    while (QTcpSocket *pending = m_server.nextPendingConnection()) {
        m_undecided = pending;
        Q_EMIT connectionRequested(pending, dottedAddress(pending->peerAddress()));
        if (m_undecided == pending)
            refuse(pending);
        m_undecided = nullptr;
    }
}

bool ClientSlots::accept(QTcpSocket *pending, int index)
{
    // Only the connection on offer can be placed, and only once.
    if (!pending || pending != m_undecided)
        return false;
    if (index < 1 || index > MaxClients || index > highestIndex() + 1)
        return false;
    if (index <= highestIndex() && state(index) != SocketState::Closed)
        return false;
    if (index > highestIndex())
        m_slots.resize(index + 1);
    m_undecided = nullptr;

    Slot &slot = m_slots[index];
    if (slot.socket)
        retire(slot.socket);
    slot = Slot{pending, ++m_lastConnectionId, dottedAddress(pending->peerAddress())};
    pending->setParent(this);
    // Each paced packet is meant to leave on its own, not be coalesced with the next.
    pending->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    pending->setReadBufferSize(ReadBufferSize);
    watch(pending, index);
    return true;
}

void ClientSlots::watch(QTcpSocket *socket, int index)
{
    connect(socket, &QTcpSocket::readyRead, this, [this, index] { Q_EMIT dataArrived(index); });
    connect(socket, &QTcpSocket::disconnected, this, [this, index] { markLost(index); });
    connect(socket, &QTcpSocket::errorOccurred, this,
        [this, index](QAbstractSocket::SocketError error) {
            // The peer closing its end is a normal departure, reported by disconnected.
            if (error != QAbstractSocket::RemoteHostClosedError)
                m_slots[index].errorPending = true;
        });
}

void ClientSlots::markLost(int index)
{
    m_slots[index].connectionLost = true;
    Q_EMIT peerClosed(index);
}

void ClientSlots::refuse(QTcpSocket *pending, const QByteArray &farewell)
{
    if (!pending || pending != m_undecided)
        return;
    m_undecided = nullptr;
    pending->setParent(this);
    if (!farewell.isEmpty())
        pending->write(farewell);
    retire(pending);
}

bool ClientSlots::send(int index, const QByteArray &bytes)
{
    if (state(index) != SocketState::Connected)
        return false;
    QTcpSocket *socket = m_slots.at(index).socket;
    if (socket->bytesToWrite() + bytes.size() > MaxUnsentBytes)
        return false;
    if (socket->write(bytes) != bytes.size())
        return false;
    // Handed to the system now rather than at the event loop's next turn, so each packet leaves
    // at its own tick.
    socket->flush();
    return true;
}

QByteArray ClientSlots::takeAvailable(int index)
{
    return isClientIndex(index) && m_slots.at(index).socket ? m_slots.at(index).socket->readAll()
                                                            : QByteArray();
}

void ClientSlots::close(int index)
{
    if (index == 0) {
        stopListening();
        return;
    }
    if (!isClientIndex(index))
        return;
    Slot &slot = m_slots[index];
    const bool held = !slot.socket.isNull();
    if (slot.socket)
        retire(slot.socket);
    slot = Slot{};
    if (held)
        Q_EMIT connectionClosed(index);
}

void ClientSlots::closeAll()
{
    for (int index = 0; index <= highestIndex(); ++index)
        close(index);
}

void ClientSlots::retire(QTcpSocket *socket)
{
    // Never deleted here: we may be inside one of this socket's own signals.
    socket->disconnect(this);
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
        return;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(LingerTime, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->disconnectFromHost();
}
