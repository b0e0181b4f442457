#include "panel/PanelListener.h"

#include <QSslSocket>

PanelListener::PanelListener(
    std::optional<QSslConfiguration> tls, std::function<bool(QTcpSocket *)> admit, QObject *parent)
    : QTcpServer(parent)
    , m_tls(std::move(tls))
    , m_admit(std::move(admit))
{
}

void PanelListener::incomingConnection(qintptr descriptor)
{
    QTcpSocket *socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    // Refused before a byte is read (or a TLS handshake begun): closing the socket closes the
    // connection on every platform.
    if (!socket->setSocketDescriptor(descriptor) || !m_admit(socket)) {
        delete socket;
        return;
    }
    if (auto *tls = qobject_cast<QSslSocket *>(socket)) {
        tls->setSslConfiguration(*m_tls);
        tls->startServerEncryption();
    }
    addPendingConnection(socket);
}
