#include "chatserver/ClientSlots.h"

#include "chatserver/TcpClientLink.h"
#include "net/PeerAddress.h"
#include "net/SocketState.h"

#include <QTcpSocket>

ClientSlots::ClientSlots(QObject *parent)
    : QObject(parent)
    , m_slots(1)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ClientSlots::offerPendingConnections);
    connect(&m_server, &QTcpServer::acceptError, this, [this] { m_serverError = true; });
}

ClientSlots::~ClientSlots()
{
    // The links are our children and die after this destructor; keep their last signals from
    // reaching a half-destroyed object.
    for (const Slot &slot : std::as_const(m_slots)) {
        if (slot.link)
            slot.link->disconnect(this);
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
    if (!isClientIndex(index) || !m_slots.at(index).link)
        return SocketState::Closed;
    const Slot &slot = m_slots.at(index);
    if (slot.errorPending)
        return SocketState::Error;
    if (slot.connectionLost)
        return SocketState::PeerIsClosing;
    return slot.link->state();
}

quint64 ClientSlots::connectionId(int index) const
{
    return isClientIndex(index) && m_slots.at(index).link ? m_slots.at(index).id : 0;
}

QString ClientSlots::peerAddress(int index) const
{
    return isClientIndex(index) && m_slots.at(index).link ? m_slots.at(index).address : QString();
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
    while (QTcpSocket *pending = m_server.nextPendingConnection())
        offer(new TcpClientLink(pending), PeerAddress::dotted(pending->peerAddress()));
}

void ClientSlots::offer(ClientLink *link, const QString &address)
{
    link->setParent(this);
    m_undecided = link;
    m_undecidedAddress = address;
    Q_EMIT connectionRequested(link, address);
    if (m_undecided == link)
        refuse(link);
    m_undecided = nullptr;
}

bool ClientSlots::accept(ClientLink *pending, int index)
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
    if (slot.link)
        retire(slot.link);
    slot = Slot{pending, ++m_lastConnectionId, m_undecidedAddress};
    watch(pending, index);
    return true;
}

void ClientSlots::watch(ClientLink *link, int index)
{
    connect(link, &ClientLink::bytesArrived, this, [this, index] { Q_EMIT dataArrived(index); });
    connect(link, &ClientLink::peerClosed, this, [this, index] { markLost(index); });
    connect(link, &ClientLink::failed, this, [this, index] { m_slots[index].errorPending = true; });
}

void ClientSlots::markLost(int index)
{
    m_slots[index].connectionLost = true;
    Q_EMIT peerClosed(index);
}

void ClientSlots::refuse(ClientLink *pending, const QByteArray &farewell)
{
    if (!pending || pending != m_undecided)
        return;
    m_undecided = nullptr;
    if (!farewell.isEmpty())
        pending->write(farewell);
    retire(pending);
}

bool ClientSlots::send(int index, const QByteArray &bytes)
{
    if (state(index) != SocketState::Connected)
        return false;
    ClientLink *link = m_slots.at(index).link;
    if (link->unsentBytes() + bytes.size() > MaxUnsentBytes)
        return false;
    return link->write(bytes);
}

QByteArray ClientSlots::takeAvailable(int index)
{
    return isClientIndex(index) && m_slots.at(index).link ? m_slots.at(index).link->takeAvailable()
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
    const bool held = !slot.link.isNull();
    if (slot.link)
        retire(slot.link);
    slot = Slot{};
    if (held)
        Q_EMIT connectionClosed(index);
}

void ClientSlots::closeAll()
{
    for (int index = 0; index <= highestIndex(); ++index)
        close(index);
}

void ClientSlots::retire(ClientLink *link)
{
    // Never deleted here: we may be inside one of this link's own signals.
    link->disconnect(this);
    link->retire();
}
