#include "lobby/LobbyLink.h"

#include "net/SocketState.h"

#include <QTcpSocket>

LobbyLink::LobbyLink(QObject *parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::readyRead, this, &LobbyLink::readArrival);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &LobbyLink::onErrorOccurred);
    connect(m_socket, &QTcpSocket::disconnected, this, &LobbyLink::onDisconnected);
    connect(m_socket, &QTcpSocket::stateChanged, this, &LobbyLink::reportStateIfChanged);
}

void LobbyLink::connectToLobby(const QString &host, quint16 port)
{
    m_closingOnOurSide = true; // dropping an old connection is not the peer's doing
    m_socket->abort();
    m_closingOnOurSide = false;
    resetFlags();
    m_remoteHost = host;
    m_socket->connectToHost(host, port);
    reportStateIfChanged();
}

bool LobbyLink::send(const QByteArray &packet)
{
    if (!isConnected())
        return false;
    return m_socket->write(packet) == packet.size();
}

void LobbyLink::close()
{
    m_closingOnOurSide = true;
    resetFlags();
    // A graceful close flushes what is still buffered, such as the room removal packet. A link
    // still resolving or connecting has nothing to flush, and would otherwise go on trying.
    const QAbstractSocket::SocketState state = m_socket->state();
    if (state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState)
        m_socket->abort();
    else
        m_socket->disconnectFromHost();
    reportStateIfChanged();
}

int LobbyLink::stateNumber() const
{
    if (m_closedByPeer && !m_errorPending)
        return SocketState::PeerIsClosing;
    return SocketState::fromQt(m_socket->state(), m_errorPending);
}

bool LobbyLink::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

qint64 LobbyLink::bytesToWrite() const
{
    return m_socket->bytesToWrite();
}

void LobbyLink::readArrival()
{
    // Everything waiting counts as one message, however the server split or joined its writes.
    const QByteArray arrival = m_socket->readAll();
    if (!arrival.isEmpty())
        Q_EMIT messageArrived(static_cast<quint8>(arrival.at(0)));
}

void LobbyLink::onErrorOccurred(QAbstractSocket::SocketError error)
{
    // The peer's orderly close arrives as an "error" too; it is reported as a close instead.
    if (error != QAbstractSocket::RemoteHostClosedError)
        m_errorPending = true;
    reportStateIfChanged();
}

void LobbyLink::onDisconnected()
{
    if (m_closingOnOurSide)
        return;
    m_closedByPeer = true;
    reportStateIfChanged();
    Q_EMIT closedByPeer();
}

void LobbyLink::resetFlags()
{
    m_errorPending = false;
    m_closedByPeer = false;
}

void LobbyLink::reportStateIfChanged()
{
    const int state = stateNumber();
    if (state == m_reportedState)
        return;
    m_reportedState = state;
    Q_EMIT stateChanged();
}
