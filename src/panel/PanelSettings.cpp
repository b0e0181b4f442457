#include "panel/PanelSettings.h"

#include "settings/SettingsStore.h"

using namespace Qt::StringLiterals;

namespace {

std::optional<quint16> parsePort(const QString &text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace

namespace PanelSettings {

std::optional<Endpoint> parseEndpoint(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(u':');
    Endpoint endpoint;
    if (colon >= 0) {
        QString host = trimmed.left(colon);
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.mid(1, host.size() - 2);
        if (!endpoint.address.setAddress(host))
            return std::nullopt;
    }
    const std::optional<quint16> port = parsePort(trimmed.mid(colon + 1));
    if (!port)
        return std::nullopt;
    endpoint.port = *port;
    return endpoint;
}

std::optional<Endpoint> storedEndpoint(const SettingsStore &store)
{
    const std::optional<quint16> port = parsePort(store.readRegValue(Key, Port));
    if (!port)
        return std::nullopt;
    Endpoint endpoint;
    endpoint.port = *port;
    const QString address = store.readRegValue(Key, Address).trimmed();
    if (!address.isEmpty() && !endpoint.address.setAddress(address))
        return std::nullopt;
    return endpoint;
}

QStringList storedHostNames(const SettingsStore &store)
{
    QStringList names;
    for (const QString &name : store.readRegValue(Key, HostNames).split(u',')) {
        if (!name.trimmed().isEmpty())
            names << name.trimmed().toLower();
    }
    return names;
}

} // namespace PanelSettings
