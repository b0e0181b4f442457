#pragma once

#include <QString>
#include <QStringView>

#include <optional>

class SettingsStore;

// Values given for this run only (from the command line); they win over the stored ones and are
// never written to the settings store.
struct NetworkOverrides
{
    std::optional<QString> lobbyHost;
    std::optional<quint16> lobbyPort;
    std::optional<quint16> chatPort;
};

// Where the host finds the lobby server and where it listens for game clients: the stored
// values StoredValues::LobbyHost, LobbyPort and ChatPort; an absent or unusable stored value
// falls back to the default.
struct NetworkConfig
{
    // The lobby server behind the "Glenmora Net" server choice.
    static QString defaultLobbyHost();
    static constexpr quint16 DefaultLobbyPort = 1579;
    static constexpr quint16 DefaultChatPort = 1516;

    static NetworkConfig load(const SettingsStore &store, const NetworkOverrides &overrides = {});

    // A TCP port as decimal text, 1 to 65535; surrounding blanks are allowed.
    static std::optional<quint16> parsePort(QStringView text);

    QString lobbyHost = defaultLobbyHost();
    quint16 lobbyPort = DefaultLobbyPort;
    quint16 chatPort = DefaultChatPort;
};
