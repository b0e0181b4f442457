#include "host/SettingCommands.h"

#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostCore.h"
#include "host/HostIdentity.h"
#include "settings/SettingsStore.h"
#include "tournament/TournamentSettings.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

using Apply = std::function<bool(HostCore &, const QString &)>;

std::optional<bool> checkValue(const QString &value)
{
    if (value == u"1"_s)
        return true;
    if (value == u"0"_s)
        return false;
    return std::nullopt;
}

// Adds "base first".."base last" (with the blank), each applying to its 0-based index.
void addNumbered(QHash<QString, Apply> &table, const QString &base, int first, int last,
    const std::function<bool(HostCore &, int, const QString &)> &apply)
{
    for (int n = first; n <= last; ++n) {
        table.insert(base + u' ' + QString::number(n),
            [apply, index = n - first](
                HostCore &core, const QString &value) { return apply(core, index, value); });
    }
}

void addIdentity(QHash<QString, Apply> &table)
{
    table.insert(u"cServer"_s, [](HostCore &core, const QString &value) {
        if (!HostIdentity::serverChoices().contains(value))
            return false;
        core.identity().chooseServer(value);
        return true;
    });
    table.insert(u"pName"_s, [](HostCore &core, const QString &v) {
        core.identity().setOperatorName(v);
        return true;
    });
    table.insert(u"cName"_s, [](HostCore &core, const QString &v) {
        core.identity().setRoomName(v);
        return true;
    });
    table.insert(u"cPass"_s, [](HostCore &core, const QString &v) {
        core.identity().setPassword(v);
        return true;
    });
    table.insert(u"cWelcomeMsg"_s, [](HostCore &core, const QString &v) {
        core.identity().setWelcomeMessage(v);
        return true;
    });
    table.insert(u"cLocked"_s, [](HostCore &core, const QString &v) {
        const std::optional<bool> on = checkValue(v);
        if (on)
            core.identity().setLocked(*on);
        return on.has_value();
    });
}

void addTournament(QHash<QString, Apply> &table)
{
    addNumbered(table, u"cDetails"_s, 1, 3, [](HostCore &core, int i, const QString &v) {
        return core.tournament().chooseDetail(i, v);
    });
    addNumbered(table, u"tDetails"_s, 1, 4, [](HostCore &core, int i, const QString &v) {
        core.tournament().setDetailText(i, v);
        return true;
    });
    addNumbered(table, u"cRules"_s, 1, 5, [](HostCore &core, int k, const QString &v) {
        core.tournament().setRule(k, v);
        return true;
    });
    addNumbered(table, u"cCourse"_s, 1, 8, [](HostCore &core, int row, const QString &v) {
        return core.tournament().chooseCourse(row, v);
    });
    addNumbered(table, u"cLevel"_s, 1, 8, [](HostCore &core, int row, const QString &v) {
        return core.tournament().chooseLevel(row, v);
    });
    addNumbered(table, u"cHoles"_s, 1, 8, [](HostCore &core, int row, const QString &v) {
        return core.tournament().chooseHoles(row, v);
    });
    table.insert(u"cType"_s,
        [](HostCore &core, const QString &v) { return core.tournament().chooseType(v); });
}

void addOptions(QHash<QString, Apply> &table)
{
    addNumbered(table, u"cOptions"_s, 0, 2, [](HostCore &core, int i, const QString &v) {
        const std::optional<bool> on = checkValue(v);
        if (on)
            core.options().setOption(i, *on);
        return on.has_value();
    });
    addNumbered(table, u"cLogs"_s, 0, 4, [](HostCore &core, int i, const QString &v) {
        const std::optional<bool> on = checkValue(v);
        if (on)
            core.options().setLogOption(i, *on);
        return on.has_value();
    });
}

void addColours(QHash<QString, Apply> &table)
{
    const QStringList names
        = {u"bColor"_s, u"pColor"_s, u"cColor"_s, u"wtColor"_s, u"wfColor"_s, u"sColor"_s};
    for (int j = 0; j < names.size(); ++j) {
        table.insert(names[j], [j](HostCore &core, const QString &v) {
            bool ok = false;
            const uint colour = v.toUInt(&ok);
            if (!ok || colour > 0xFFFFFF)
                return false;
            core.styles().setColour(j, colour);
            return true;
        });
    }
}

// Network values take effect at the next start, as the command-line overrides do.
void addNetwork(QHash<QString, Apply> &table)
{
    for (const QString &name : {u"lobbyHost"_s, u"lobbyPort"_s, u"chatPort"_s, u"leagueUrl"_s,
             u"tourneyUrl"_s, u"rankUrl"_s}) {
        table.insert(name, [name](HostCore &core, const QString &v) {
            core.store().writeRegValue(SettingsKeys::Network, name, v);
            return true;
        });
    }
}

const QHash<QString, Apply> &table()
{
    static const QHash<QString, Apply> all = [] {
        QHash<QString, Apply> t;
        addIdentity(t);
        addTournament(t);
        addOptions(t);
        addColours(t);
        addNetwork(t);
        return t;
    }();
    return all;
}

} // namespace

namespace SettingCommands {

QStringList knownNames()
{
    QStringList names = table().keys();
    names.sort();
    return names;
}

std::optional<std::pair<QString, QString>> split(const QString &line)
{
    QString best;
    for (auto it = table().cbegin(); it != table().cend(); ++it) {
        const QString &name = it.key();
        const bool fits
            = line.startsWith(name) && (line.size() == name.size() || line.at(name.size()) == u' ');
        if (fits && name.size() > best.size())
            best = name;
    }
    if (best.isEmpty())
        return std::nullopt;
    return std::pair{best, line.mid(best.size() + 1)};
}

bool apply(HostCore &core, const QString &name, const QString &value, QString *reason)
{
    const auto entry = table().constFind(name);
    if (entry == table().cend()) {
        if (reason)
            *reason = u"unknown setting "_s + name;
        return false;
    }
    const bool applied = (*entry)(core, value);
    if (!applied && reason)
        *reason = u"\""_s + value + u"\" is not a choice for "_s + name;
    return applied;
}

} // namespace SettingCommands
