#include "host/NetworkConfig.h"

#include "settings/SettingsStore.h"

using namespace Qt::StringLiterals;

namespace {

const QString LobbyHostName = u"lobbyHost"_s;
const QString LobbyPortName = u"lobbyPort"_s;
const QString ChatPortName = u"chatPort"_s;

quint16 storedPort(const SettingsStore &store, const QString &valueName, quint16 fallback)
{
    return NetworkConfig::parsePort(store.readRegValue(SettingsKeys::Network, valueName))
        .value_or(fallback);
}

} // namespace

QString NetworkConfig::defaultLobbyHost()
{
    return u"lobby.glenmora.net"_s;
}

NetworkConfig NetworkConfig::load(const SettingsStore &store, const NetworkOverrides &overrides)
{
    NetworkConfig config;
    const QString host = store.readRegValue(SettingsKeys::Network, LobbyHostName).trimmed();
    if (!host.isEmpty())
        config.lobbyHost = host;
    config.lobbyPort = storedPort(store, LobbyPortName, DefaultLobbyPort);
    config.chatPort = storedPort(store, ChatPortName, DefaultChatPort);

    config.lobbyHost = overrides.lobbyHost.value_or(config.lobbyHost);
    config.lobbyPort = overrides.lobbyPort.value_or(config.lobbyPort);
    config.chatPort = overrides.chatPort.value_or(config.chatPort);
    return config;
}

std::optional<quint16> NetworkConfig::parsePort(QStringView text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok, 10);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}
