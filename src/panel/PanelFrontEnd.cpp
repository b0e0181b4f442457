#include "panel/PanelFrontEnd.h"

#include "host/HostCore.h"
#include "panel/PanelApi.h"
#include "panel/PanelPassword.h"
#include "panel/PanelServer.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

using namespace Qt::StringLiterals;

namespace {

std::optional<QSslConfiguration> loadTls(const PanelRequest &request, QString *error)
{
    QFile certFile(request.certFile);
    QFile keyFile(request.keyFile);
    if (!certFile.open(QIODevice::ReadOnly)) {
        *error = u"Cannot read the panel certificate "_s + request.certFile;
        return std::nullopt;
    }
    if (!keyFile.open(QIODevice::ReadOnly)) {
        *error = u"Cannot read the panel key "_s + request.keyFile;
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certFile.readAll(), QSsl::Pem);
    const QByteArray keyText = keyFile.readAll();
    QSslKey key(keyText, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyText, QSsl::Ec, QSsl::Pem);
    if (chain.isEmpty() || key.isNull()) {
        *error = u"The panel certificate or key is not a PEM certificate and private key"_s;
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

} // namespace

PanelFrontEnd::PanelFrontEnd(HostCore &core, QObject *parent)
    : QObject(parent)
    , m_api(std::make_unique<PanelApi>(core))
{
}

PanelFrontEnd::~PanelFrontEnd()
{
    // The server holds the API; it goes first.
    m_server.reset();
}

std::unique_ptr<PanelFrontEnd> PanelFrontEnd::start(
    HostCore &core, const PanelRequest &request, QString *error)
{
    error->clear();
    const SettingsStore &store = core.store();
    std::optional<PanelSettings::Endpoint> endpoint = request.endpoint;
    if (!endpoint)
        endpoint = PanelSettings::storedEndpoint(store);
    if (!endpoint)
        return nullptr;
    const QString record = PanelPassword::storedRecord(store);
    if (record.isEmpty()) {
        *error = u"The panel has no password yet: run the program once with "
                 "--set-panel-password (and the same --settings)."_s;
        return nullptr;
    }
    PanelServer::Config config;
    config.address = endpoint->address;
    config.port = endpoint->port;
    config.hostNames = PanelSettings::storedHostNames(store);
    QString badProxy;
    const auto proxies
        = PanelSettings::parseSubnets(StoredValues::PanelTrustedProxies.read(store), &badProxy);
    if (!proxies) {
        *error
            = u"panelTrustedProxies holds \"%1\", which is not an address or range"_s.arg(badProxy);
        return nullptr;
    }
    config.trustedProxies = *proxies;
    if (!request.certFile.isEmpty() || !request.keyFile.isEmpty()) {
        if (request.certFile.isEmpty() || request.keyFile.isEmpty()) {
            *error = u"--panel-cert and --panel-key go together"_s;
            return nullptr;
        }
        config.tls = loadTls(request, error);
        if (!config.tls)
            return nullptr;
    }
    std::unique_ptr<PanelFrontEnd> panel(new PanelFrontEnd(core));
    panel->m_server = std::make_unique<PanelServer>(*panel->m_api, record, config);
    QString listenError;
    if (!panel->m_server->listen(&listenError)) {
        *error = u"The panel cannot listen on port %1: %2"_s.arg(endpoint->port).arg(listenError);
        return nullptr;
    }
    panel->m_address = (config.tls ? u"https://"_s : u"http://"_s)
        + (endpoint->address.protocol() == QAbstractSocket::IPv6Protocol
                ? u'[' + endpoint->address.toString() + u']'
                : endpoint->address.toString())
        + u':' + QString::number(panel->m_server->serverPort()) + u'/';
    // A password set by another run of the program (--set-panel-password while this one serves)
    // counts as a change of password: every session ends.
    connect(&store, &SettingsStore::changedElsewhere, panel.get(),
        [server = panel->m_server.get(), settings = &store](
            const QString &keyPath, const QString &name) {
            if (keyPath == StoredValues::PanelPassword.keyPath
                && name == StoredValues::PanelPassword.name())
                server->setPasswordRecord(PanelPassword::storedRecord(*settings));
        });
    return panel;
}

quint16 PanelFrontEnd::port() const
{
    return m_server->serverPort();
}

QString PanelFrontEnd::address() const
{
    return m_address;
}
