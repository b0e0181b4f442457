#pragma once

#include <QSslConfiguration>
#include <QTcpServer>

#include <functional>
#include <optional>

// The panel's listening socket: refuses a connection outright when admit() says no (it sees the
// peer's address), and with a TLS configuration speaks HTTPS only, as QSslServer does, but with
// every socket counted from its first byte, the ones still in their handshake too.
class PanelListener : public QTcpServer
{
    Q_OBJECT

public:
    PanelListener(std::optional<QSslConfiguration> tls, std::function<bool(QTcpSocket *)> admit,
        QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    std::optional<QSslConfiguration> m_tls;
    std::function<bool(QTcpSocket *)> m_admit;
};
