#include "panel/PanelSettings.h"

#include "settings/StoredValues.h"

using namespace Qt::StringLiterals;

namespace {

std::optional<quint16> parsePort(const QString &text)
{
    return ValueCodec::parsePort(text);
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
    const std::optional<quint16> port = parsePort(StoredValues::PanelPort.read(store));
    if (!port)
        return std::nullopt;
    Endpoint endpoint;
    endpoint.port = *port;
    const QString address = StoredValues::PanelAddress.read(store).trimmed();
    if (!address.isEmpty() && !endpoint.address.setAddress(address))
        return std::nullopt;
    return endpoint;
}

QStringList storedHostNames(const SettingsStore &store)
{
    QStringList names;
    for (const QString &name : StoredValues::PanelHostNames.read(store).split(u',')) {
        if (!name.trimmed().isEmpty())
            names << name.trimmed().toLower();
    }
    return names;
}

std::optional<QList<Subnet>> parseSubnets(const QString &text, QString *bad)
{
    QList<Subnet> subnets;
    for (const QString &entry : text.split(u',')) {
        const QString trimmed = entry.trimmed();
        if (trimmed.isEmpty())
            continue;
        Subnet subnet = trimmed.contains(u'/') ? QHostAddress::parseSubnet(trimmed)
                                               : Subnet(QHostAddress(trimmed), -1);
        if (subnet.first.isNull()) {
            if (bad)
                *bad = trimmed;
            return std::nullopt;
        }
        if (subnet.second < 0)
            subnet.second = subnet.first.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32;
        subnets << subnet;
    }
    return subnets;
}

} // namespace PanelSettings
