#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;

// Where the panel listens and which names it answers to, from the command line or the stored
// values StoredValues::PanelAddress, PanelPort and PanelHostNames (extra host names, comma-
// separated, that the panel accepts in the Host header, e.g. a DNS name), and the reverse proxies
// it believes (PanelTrustedProxies: addresses or ranges such as 10.0.0.0/8, comma-separated).
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

using Subnet = QPair<QHostAddress, int>;
// Addresses ("127.0.0.1", "::1") and ranges ("10.0.0.0/8"), comma-separated; an address stands
// for itself alone. Nothing when an entry is neither, and *bad then names it.
std::optional<QList<Subnet>> parseSubnets(const QString &text, QString *bad = nullptr);

} // namespace PanelSettings
