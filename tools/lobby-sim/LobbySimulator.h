#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <optional>

class QTcpServer;
class QTcpSocket;

// How the simulated lobby server misbehaves, for testing the host's failure handling.
struct LobbySimBehaviour
{
    bool confirmRoom = true; // false: never send the room confirmation
    std::optional<int> closeAfterConfirmMs; // end the connection this long after confirming
};

// A stand-in for the game network's lobby server: it prompts a connecting host for its login,
// then for its room, confirms the room, and describes every packet it receives in one line.
class LobbySimulator : public QObject
{
    Q_OBJECT

public:
    explicit LobbySimulator(LobbySimBehaviour behaviour = {}, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    quint16 serverPort() const;
    QString errorString() const;

    // One line for a host packet: its kind, its decoded fields and all its bytes in hex.
    static QString describe(QByteArrayView packet);
    // The length of the host packet at the start of the bytes, or 0 if more bytes are needed.
    // Bytes of an unknown type are taken whole: nothing else can tell where they end.
    static qsizetype nextPacketLength(QByteArrayView bytes);

Q_SIGNALS:
    void logLine(const QString &line);

private:
    void acceptConnections();
    void readPackets(QTcpSocket *socket);
    void answer(QTcpSocket *socket, QByteArrayView packet);
    void sendMessage(QTcpSocket *socket, int type);
    void forget(QTcpSocket *socket);

    LobbySimBehaviour m_behaviour;
    QTcpServer *m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
