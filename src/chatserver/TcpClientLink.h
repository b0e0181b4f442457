#pragma once

#include "chatserver/ClientLink.h"

class QTcpSocket;

// A client connection carried by a socket the listening server handed out; takes it over.
class TcpClientLink : public ClientLink
{
    Q_OBJECT

public:
    explicit TcpClientLink(QTcpSocket *socket, QObject *parent = nullptr);

    int state() const override;
    qint64 unsentBytes() const override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeAvailable() override;
    void retire() override;

private:
    QTcpSocket *m_socket;
};
