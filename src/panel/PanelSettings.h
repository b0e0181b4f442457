#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;

// Where the panel listens and which names it answers to, from the command line or the stored
// values under [SOFTWARE\TavixChat\Panel].
namespace PanelSettings {

inline const QString Key = QStringLiteral("SOFTWARE\\TavixChat\\Panel");
inline const QString Address = QStringLiteral("panelAddress");
inline const QString Port = QStringLiteral("panelPort");
inline const QString PasswordHash = QStringLiteral("panelPassword");
// Extra host names (comma-separated) the panel accepts in the Host header, e.g. a DNS name.
inline const QString HostNames = QStringLiteral("panelHostNames");

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
