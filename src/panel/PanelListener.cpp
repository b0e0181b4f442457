#include "panel/PanelListener.h"

#include <QSslSocket>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <unistd.h>
#endif

namespace {

// A connection refused before any socket object owns it.
void closeDescriptor(qintptr descriptor)
{
#ifdef Q_OS_WIN
    ::closesocket(SOCKET(descriptor));
#else
    ::close(int(descriptor));
#endif
}

} // namespace

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
        closeDescriptor(descriptor);
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
