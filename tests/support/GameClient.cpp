#include "GameClient.h"

#include "TestWait.h"
#include "TrafficCapture.h"
#include "chatserver/ChatPackets.h"
#include "common/FramedPackets.h"
#include "text/AnsiText.h"

#include <QHostAddress>

#include <chrono>

GameClient::GameClient(int hostByte, QObject *parent)
    : QObject(parent)
    , m_hostByte(hostByte)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &GameClient::readArrivals);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { m_closed = true; });
}

bool GameClient::connectTo(quint16 port, int timeoutMs)
{
    m_socket.bind(QHostAddress(address()));
    m_socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    return waitUntil(
               [this] { return m_socket.state() == QAbstractSocket::ConnectedState || m_closed; },
               timeoutMs)
        && !m_closed;
}

void GameClient::sendRaw(const QByteArray &bytes)
{
    captureTraffic("connection", bytes);
    m_socket.write(bytes);
    m_socket.flush();
}

std::unique_ptr<GameClient> GameClient::seated(int hostByte, quint16 port, const QString &name)
{
    auto client = std::make_unique<GameClient>(hostByte);
    if (!client->connectTo(port)
        || client->waitForOpcode(ChatPacket::InitiateConnectionOpen).isEmpty())
        return nullptr;
    client->sendJoin(name);
    if (client->waitForOpcode(ChatPacket::RoomSetup).isEmpty())
        return nullptr;
    return client;
}

void GameClient::sendJoin(const QString &name, const QString &password)
{
    sendRaw(joinRequestPacket(name, password));
}

QByteArray GameClient::joinRequestPacket(const QString &name, const QString &password)
{
    return ChatPacket::joinRequest(name, password);
}

void GameClient::sendChat(quint16 senderId, const QString &text, bool whisper, quint16 target)
{
    sendRaw(ChatPacket::clientChatLine(senderId, text, whisper, target));
}

bool GameClient::waitForPackets(qsizetype count, int timeoutMs)
{
    return waitUntil([&] { return m_packets.size() >= count; }, timeoutMs);
}

QByteArray GameClient::waitForOpcode(quint8 opcode, int timeoutMs)
{
    QByteArray found;
    waitUntil(
        [&] {
            for (const QByteArray &packet : std::as_const(m_packets)) {
                if (ChatPacket::opcode(packet) == opcode) {
                    found = packet;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool GameClient::waitForClose(int timeoutMs)
{
    return waitUntil([this] { return m_closed; }, timeoutMs);
}

bool GameClient::staysQuiet(int forMs)
{
    const qsizetype before = m_packets.size();
    waitUntil([] { return false; }, forMs);
    return m_packets.size() == before;
}

QList<quint8> GameClient::opcodes() const
{
    QList<quint8> codes;
    for (const QByteArray &packet : m_packets)
        codes << ChatPacket::opcode(packet);
    return codes;
}

QStringList GameClient::chatTexts() const
{
    QStringList texts;
    for (const QByteArray &packet : m_packets) {
        if (ChatPacket::opcode(packet) != ChatPacket::ChatLine)
            continue;
        if (const auto line = ChatPacket::readChatLine(packet))
            texts << line->text;
    }
    return texts;
}

quint16 GameClient::ownId() const
{
    for (const QByteArray &packet : m_packets) {
        if (ChatPacket::opcode(packet) == ChatPacket::RoomSetup)
            return ChatPacket::readId(packet, 12);
    }
    return 0;
}

void GameClient::readArrivals()
{
    const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    for (QByteArray &packet : takePackets(m_framer, m_socket.readAll())) {
        m_packets << std::move(packet);
        m_arrivalsNs << now;
    }
}
