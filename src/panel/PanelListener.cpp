#include "panel/PanelListener.h"

#include <QSslSocket>

#include <unistd.h>

PanelListener::PanelListener(
    std::optional<QSslConfiguration> tls, std::function<bool()> admit, QObject *parent)
    : QTcpServer(parent)
    , m_tls(std::move(tls))
    , m_admit(std::move(admit))
{
}

void PanelListener::incomingConnection(qintptr descriptor)
{
    if (!m_admit()) {
        ::close(int(descriptor));
        return;
    }
    if (!m_tls) {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        addPendingConnection(socket);
        return;
    }
    auto *socket = new QSslSocket(this);
    socket->setSslConfiguration(*m_tls);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->startServerEncryption();
    addPendingConnection(socket);
}
