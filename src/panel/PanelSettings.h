#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;

// Where the panel listens and which names it answers to, from the command line or the stored
// values StoredValues::PanelAddress, PanelPort and PanelHostNames (extra host names, comma-
// separated, that the panel accepts in the Host header, e.g. a DNS name).
namespace PanelSettings {

struct Endpoint
{
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 0;
};

// "PORT" or "ADDRESS:PORT" ("[::1]:8088" for IPv6); nothing when malformed.
std::optional<Endpoint> parseEndpoint(const QString &text);

// The stored endpoint; nothing when no port is stored (the panel is then off).
std::optional<Endpoint> storedEndpoint(const SettingsStore &store);
QStringList storedHostNames(const SettingsStore &store);

} // namespace PanelSettings
