#include "LobbySimulator.h"

#include "lobby/LobbyPackets.h"
#include "text/AnsiText.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The text of a zero-filled field: up to its first zero byte.
QString field(QByteArrayView packet, qsizetype offset, qsizetype size)
{
    QByteArrayView bytes = packet.sliced(offset, size);
    const qsizetype zero = bytes.indexOf('\0');
    return AnsiText::decode(zero < 0 ? bytes : bytes.first(zero));
}

QString peerText(const QTcpSocket *socket)
{
    return socket->peerAddress().toString() + u':' + QString::number(socket->peerPort());
}

} // namespace

LobbySimulator::LobbySimulator(LobbySimBehaviour behaviour, QObject *parent)
    : QObject(parent)
    , m_behaviour(behaviour)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this,
        &LobbySimulator::acceptConnections);
}

bool LobbySimulator::listen(const QHostAddress &address, quint16 port)
{
    return m_server->listen(address, port);
}

quint16 LobbySimulator::serverPort() const
{
    return m_server->serverPort();
}

QString LobbySimulator::errorString() const
{
    return u"Cannot listen: "_s + m_server->errorString();
}

qsizetype LobbySimulator::nextPacketLength(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return 0;
    qsizetype length = bytes.size();
    switch (static_cast<quint8>(bytes.front())) {
    case LobbyPacket::LoginType:
        length = LobbyPacket::LoginSize;
        break;
    case LobbyPacket::AddChatType:
        length = LobbyPacket::AddChatSize;
        break;
    case LobbyPacket::RemoveChatType:
        length = LobbyPacket::RemoveChatSize;
        break;
    }
    return bytes.size() >= length ? length : 0;
}

QString LobbySimulator::describe(QByteArrayView packet)
{
    const QString hex = QString::fromLatin1(packet.toByteArray().toHex(' '));
    const auto type = packet.isEmpty() ? 0 : static_cast<quint8>(packet.front());
    if (type == LobbyPacket::LoginType && packet.size() == LobbyPacket::LoginSize)
        return u"login name=\""_s + field(packet, 10, 22) + u"\" | "_s + hex;
    if (type == LobbyPacket::AddChatType && packet.size() == LobbyPacket::AddChatSize) {
        const bool locked = packet[4] == '\x06';
        return u"add-chat room=\""_s + field(packet, 14, 20) + u"\" locked="_s
            + (locked ? u"yes"_s : u"no"_s) + u" | "_s + hex;
    }
    if (type == LobbyPacket::RemoveChatType && packet.size() == LobbyPacket::RemoveChatSize)
        return u"remove-chat | "_s + hex;
    return u"unknown type=0x"_s + QString::number(type, 16).rightJustified(2, u'0') + u" size="_s
        + QString::number(packet.size()) + u" | "_s + hex;
}

void LobbySimulator::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_pending.insert(socket, {});
        Q_EMIT logLine(u"connected "_s + peerText(socket));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readPackets(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
        sendMessage(socket, LobbyPacket::LoginPrompt);
    }
}

void LobbySimulator::readPackets(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    while (const qsizetype length = nextPacketLength(buffer)) {
        const QByteArray packet = buffer.first(length);
        buffer.remove(0, length);
        Q_EMIT logLine(describe(packet));
        answer(socket, packet);
    }
}

void LobbySimulator::answer(QTcpSocket *socket, QByteArrayView packet)
{
    switch (static_cast<quint8>(packet.front())) {
    case LobbyPacket::LoginType:
        sendMessage(socket, LobbyPacket::AddChatPrompt);
        break;
    case LobbyPacket::AddChatType:
        if (!m_behaviour.confirmRoom)
            break;
        sendMessage(socket, LobbyPacket::ChatAdded);
        if (m_behaviour.closeAfterConfirmMs) {
            QTimer::singleShot(*m_behaviour.closeAfterConfirmMs, socket,
                [socket] { socket->disconnectFromHost(); });
        }
        break;
    }
}

void LobbySimulator::sendMessage(QTcpSocket *socket, int type)
{
    QByteArray message(4, '\0');
    message[0] = static_cast<char>(type);
    socket->write(message);
}

void LobbySimulator::forget(QTcpSocket *socket)
{
    const QByteArray rest = m_pending.take(socket);
    if (!rest.isEmpty())
        Q_EMIT logLine(u"incomplete packet | "_s + QString::fromLatin1(rest.toHex(' ')));
    Q_EMIT logLine(u"closed "_s + peerText(socket));
    socket->deleteLater();
}
