#include "host/NetworkConfig.h"

#include "settings/StoredValues.h"

using namespace Qt::StringLiterals;

namespace {

quint16 storedPort(const SettingsStore &store, const StoredValue &value)
{
    return ValueCodec::parsePort(value.read(store))
        .value_or(ValueCodec::parsePort(value.defaultText()).value_or(0));
}

} // namespace

QString NetworkConfig::defaultLobbyHost()
{
    return StoredValues::LobbyHost.defaultText();
}

NetworkConfig NetworkConfig::load(const SettingsStore &store, const NetworkOverrides &overrides)
{
    NetworkConfig config;
    const QString host = StoredValues::LobbyHost.read(store).trimmed();
    if (!host.isEmpty())
        config.lobbyHost = host;
    config.lobbyPort = storedPort(store, StoredValues::LobbyPort);
    config.chatPort = storedPort(store, StoredValues::ChatPort);

    config.lobbyHost = overrides.lobbyHost.value_or(config.lobbyHost);
    config.lobbyPort = overrides.lobbyPort.value_or(config.lobbyPort);
    config.chatPort = overrides.chatPort.value_or(config.chatPort);
    return config;
}

std::optional<quint16> NetworkConfig::parsePort(QStringView text)
{
    return ValueCodec::parsePort(text);
}
