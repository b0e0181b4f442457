#pragma once

#include "chatserver/InboundFramer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpSocket>

#include <memory>

// A game client on loopback for tests: connects from its own 127.0.0.x address, frames what the
// host sends, and sends the client's packets. Every wait is bounded.
class GameClient : public QObject
{
    Q_OBJECT

public:
    explicit GameClient(int hostByte, QObject *parent = nullptr);

    // Connects from 127.0.0.<hostByte> to 127.0.0.1:port and waits for the connection.
    bool connectTo(quint16 port, int timeoutMs = 3000);

    // A client from 127.0.0.<hostByte> seated in the open room on port as name, or nothing when
    // the room did not greet or seat it in time.
    static std::unique_ptr<GameClient> seated(int hostByte, quint16 port, const QString &name);

    void sendRaw(const QByteArray &bytes);
    void sendJoin(const QString &name, const QString &password = QString());
    static QByteArray joinRequestPacket(const QString &name, const QString &password = QString());
    void sendChat(quint16 senderId, const QString &text, bool whisper = false, quint16 target = 0);

    // Waits until at least count packets have arrived in all.
    bool waitForPackets(qsizetype count, int timeoutMs = 3000);
    // Waits until a packet with that opcode has arrived; gives it, or an empty array on time-out.
    QByteArray waitForOpcode(quint8 opcode, int timeoutMs = 3000);
    // Waits until the host has closed the connection.
    bool waitForClose(int timeoutMs = 3000);
    // Lets the event loop run for a while and says whether nothing further arrived.
    bool staysQuiet(int forMs = 150);

    const QList<QByteArray> &packets() const { return m_packets; }
    // When each packet arrived, in nanoseconds on the steady clock all clients share.
    const QList<qint64> &arrivalsNs() const { return m_arrivalsNs; }
    QList<quint8> opcodes() const;
    // Texts of the chat lines received, in order.
    QStringList chatTexts() const;
    // The ID the host gave this client in its room setup (0 before).
    quint16 ownId() const;
    bool isClosed() const { return m_closed; }
    QString address() const { return QStringLiteral("127.0.0.%1").arg(m_hostByte); }
    void disconnectFromHost() { m_socket.disconnectFromHost(); }
    void clearPackets()
    {
        m_packets.clear();
        m_arrivalsNs.clear();
    }

private:
    void readArrivals();

    int m_hostByte;
    QTcpSocket m_socket;
    InboundFramer m_framer;
    QList<QByteArray> m_packets;
    QList<qint64> m_arrivalsNs;
    bool m_closed = false;
};
