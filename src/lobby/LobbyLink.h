#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

// The host's one TCP connection to the lobby server. It carries bytes and reports what arrives;
// what to do with a message is the hosting logic's decision.
class LobbyLink : public QObject
{
    Q_OBJECT

public:
    explicit LobbyLink(QObject *parent = nullptr);

    // Drops any earlier connection first. The host name is kept as given, for the transcript.
    void connectToLobby(const QString &host, quint16 port);
    QString remoteHost() const { return m_remoteHost; }
    quint16 remotePort() const { return m_remotePort; }

    // False, and nothing is sent, unless the link is connected.
    bool send(const QByteArray &packet);
    // Bytes already handed to send() are still delivered before the connection ends; an attempt
    // still resolving or connecting is abandoned at once.
    void close();

    // 0..9 as SocketState numbers them: "Error" after a failure and "Peer Is Closing" after the
    // lobby server ended the connection, each until the next connect or close.
    int stateNumber() const;
    bool isConnected() const;
    qint64 bytesToWrite() const;

Q_SIGNALS:
    // Byte 0 of one arrival; the rest of it is not looked at.
    void messageArrived(int type);
    void closedByPeer();
    // The connection failed or broke; reason says why in words for the operator
    // ("connection refused"). An orderly close by the server is closedByPeer instead.
    void failed(const QString &reason);
    void stateChanged();

private:
    void readArrival();
    void onErrorOccurred(QAbstractSocket::SocketError error);
    void onDisconnected();
    void resetFlags();
    QString describe(QAbstractSocket::SocketError error) const;
    void reportStateIfChanged();

    QTcpSocket *m_socket;
    QString m_remoteHost;
    quint16 m_remotePort = 0;
    bool m_errorPending = false;
    bool m_closedByPeer = false;
    bool m_closingOnOurSide = false;
    int m_reportedState = 0;
};
