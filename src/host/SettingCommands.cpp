#include "host/SettingCommands.h"

#include "settings/StoredValues.h"

namespace SettingCommands {

QStringList knownNames()
{
    QStringList names;
    for (const StoredValue *value : StoredValues::all()) {
        if (value->settable)
            names << value->names;
    }
    names.sort();
    return names;
}

std::optional<std::pair<QString, QString>> split(const QString &line)
{
    static const QStringList names = knownNames();
    QString best;
    for (const QString &name : names) {
        const bool fits
            = line.startsWith(name) && (line.size() == name.size() || line.at(name.size()) == u' ');
        if (fits && name.size() > best.size())
            best = name;
    }
    if (best.isEmpty())
        return std::nullopt;
    return std::pair{best, line.mid(best.size() + 1)};
}

} // namespace SettingCommands
