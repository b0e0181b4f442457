#include "panel/PanelApi.h"

#include "appearance/ChatStyles.h"
#include "chat/Announcement.h"
#include "chat/ChatOptions.h"
#include "chatserver/BanDuration.h"
#include "host/HostCore.h"
#include "host/HostIdentity.h"
#include "settings/StoredValues.h"
#include "tournament/CourseTable.h"
#include "tournament/TournamentSettings.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString NoRoomOpen = u"No room is open"_s;

using Operation = std::function<PanelApi::Result(HostCore &, const QJsonObject &)>;

PanelApi::Result ok(QJsonObject body = {})
{
    body.insert(u"ok"_s, true);
    return {200, body};
}

PanelApi::Result fail(const QString &message, int status = 400)
{
    return {status, QJsonObject{{u"error"_s, message}}};
}

QJsonArray strings(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

QString colourText(quint32 colour)
{
    const ChatStyle style{{}, colour};
    return u"#%1%2%3"_s.arg(style.red(), 2, 16, QChar(u'0'))
        .arg(style.green(), 2, 16, QChar(u'0'))
        .arg(style.blue(), 2, 16, QChar(u'0'));
}

QJsonObject styleJson(const ChatStyle &style)
{
    return {{u"font"_s, style.name}, {u"bold"_s, style.bold}, {u"italic"_s, style.italic},
        {u"size"_s, double(style.size)}, {u"colour"_s, colourText(style.colour)}};
}

std::optional<quint16> playerId(const QJsonObject &args)
{
    const double id = args.value(u"id"_s).toDouble(-1);
    if (id < 1 || id > 65535 || id != double(qint64(id)))
        return std::nullopt;
    return quint16(id);
}

std::optional<QString> inputLine(const QJsonObject &args, QString *problem)
{
    const QJsonValue value = args.value(u"line"_s);
    if (!value.isString() || value.toString().isEmpty()) {
        *problem = u"line must be a non-empty string"_s;
        return std::nullopt;
    }
    const QString line = value.toString();
    if (line.size() > PanelApi::MaxInputLength) {
        *problem = u"line holds at most %1 characters"_s.arg(PanelApi::MaxInputLength);
        return std::nullopt;
    }
    if (line.contains(u'\r') || line.contains(u'\n')) {
        *problem = u"line must be one line"_s;
        return std::nullopt;
    }
    return line;
}

PanelApi::Result chat(HostCore &core, const QJsonObject &args)
{
    QString problem;
    const std::optional<QString> line = inputLine(args, &problem);
    if (!line)
        return fail(problem);
    if (!core.say(*line))
        return fail(NoRoomOpen, 409);
    return ok();
}

PanelApi::Result whisper(HostCore &core, const QJsonObject &args)
{
    QString problem;
    const std::optional<QString> line = inputLine(args, &problem);
    if (!line)
        return fail(problem);
    if (!core.canSend())
        return fail(NoRoomOpen, 409);
    const std::optional<quint16> id = playerId(args);
    if (!id || !core.whisper(*id, *line))
        return fail(u"Please Select a Player To Whisper To"_s);
    return ok();
}

PanelApi::Result kick(HostCore &core, const QJsonObject &args)
{
    const std::optional<quint16> id = playerId(args);
    if (!id || !core.kick(*id))
        return fail(u"no seated player has that ID"_s);
    return ok();
}

// "duration" ("30m", "2h", "7d"; absent or empty: for good) and "reason", as the console's
// "[DURATION] [REASON]".
std::optional<BanTerms> banTerms(const QJsonObject &args)
{
    BanTerms terms;
    terms.reason = args.value(u"reason"_s).toString().trimmed();
    const QString duration = args.value(u"duration"_s).toString().trimmed();
    if (!duration.isEmpty()) {
        terms.duration = BanDuration::parse(duration);
        if (!terms.duration)
            return std::nullopt;
    }
    return terms;
}

PanelApi::Result ban(HostCore &core, const QJsonObject &args)
{
    const std::optional<quint16> id = playerId(args);
    const std::optional<BanTerms> terms = banTerms(args);
    if (!terms)
        return fail(u"not a duration such as 30m, 2h or 7d"_s);
    if (!id || !core.ban(*id, *terms))
        return fail(u"no seated player has that ID"_s);
    return ok();
}

PanelApi::Result banAddress(HostCore &core, const QJsonObject &args)
{
    const QString target = args.value(u"address"_s).toString().trimmed();
    const std::optional<BanTerms> terms = banTerms(args);
    if (!HostCore::isBanTarget(target))
        return fail(u"neither an address nor an IPv4 range such as 203.0.113.0/24"_s);
    if (!terms)
        return fail(u"not a duration such as 30m, 2h or 7d"_s);
    core.banAddress(target, *terms);
    return ok();
}

PanelApi::Result unban(HostCore &core, const QJsonObject &args)
{
    if (args.contains(u"rows"_s)) {
        QList<int> rows;
        for (const QJsonValue &row : args.value(u"rows"_s).toArray())
            rows << row.toInt(-1);
        core.unbanRows(rows);
        return ok();
    }
    if (!core.unban(args.value(u"address"_s).toString()))
        return fail(u"no ban for that address"_s);
    return ok();
}

PanelApi::Result announce(HostCore &core, const QJsonObject &args)
{
    const std::optional<Announcement> item = announcementNamed(args.value(u"item"_s).toString());
    if (!item)
        return fail(u"item must be all, details, rules, rounds or pairings"_s);
    core.announce(*item);
    return ok();
}

PanelApi::Result setValue(HostCore &core, const QJsonObject &args)
{
    const QJsonValue name = args.value(u"name"_s);
    const QJsonValue value = args.value(u"value"_s);
    if (!name.isString() || !value.isString())
        return fail(u"name and value must be strings"_s);
    QString reason;
    if (!core.settings().setStoredValue(name.toString(), value.toString(), &reason))
        return fail(reason);
    return ok();
}

// A round row's box, the "ALL" row (8) included, which the value names do not reach.
PanelApi::Result chooseRound(HostCore &core, const QJsonObject &args)
{
    const int row = args.value(u"row"_s).toInt(-1);
    const QString column = args.value(u"column"_s).toString();
    const QString value = args.value(u"value"_s).toString();
    if (row < 0 || row >= CourseTable::RowCount)
        return fail(u"row must be 0 to 8"_s);
    const StoredValue *stored = column == u"course"_s ? &StoredValues::Courses
        : column == u"level"_s                        ? &StoredValues::Levels
        : column == u"holes"_s                        ? &StoredValues::Holes
                                                      : nullptr;
    if (stored == nullptr)
        return fail(u"column must be course, level or holes"_s);
    const bool chosen = row == CourseTable::AllRow
        ? core.settings().chooseForEveryRound(*stored, value)
        : core.settings().setStoredValue(*stored, row, value);
    if (!chosen)
        return fail(u"\""_s + value + u"\" is not a choice for "_s + column);
    return ok();
}

// A font sample's choice, as the window's font picker makes it.
PanelApi::Result chooseFont(HostCore &core, const QJsonObject &args)
{
    const int slot = args.value(u"slot"_s).toInt(-1);
    if (slot < 0 || slot >= ChatStyles::FontSlotCount)
        return fail(u"slot must be 0 to %1"_s.arg(ChatStyles::FontSlotCount - 1));
    const QString name = args.value(u"font"_s).toString().trimmed();
    const double size = args.value(u"size"_s).toDouble(0);
    // The window's picker offers sizes up to a few dozen points; beyond that is a typing slip.
    if (name.size() > 64 || size < 0 || size > 200)
        return fail(u"font names go to 64 characters, sizes from 0 to 200 points"_s);
    core.settings().chooseFont(slot,
        ChatFont{
            name, args.value(u"bold"_s).toBool(), args.value(u"italic"_s).toBool(), float(size)});
    return ok();
}

PanelApi::Result page(HostCore &core, const QJsonObject &args)
{
    const int index = args.value(u"index"_s).toInt(-1);
    if (index < 0 || index >= 8)
        return fail(u"index must be 0 to 7"_s);
    const std::optional<QUrl> url = core.tournamentPageUrl(index);
    if (!url)
        return fail(u"No Jump Number Entered In Tourney Settings"_s);
    return ok({{u"url"_s, url->toString()}});
}

const QHash<QString, Operation> &operations()
{
    static const QHash<QString, Operation> all = {
        {u"host"_s,
            [](HostCore &core, const QJsonObject &) {
                if (core.hosting() != HostCore::Hosting::Idle)
                    return fail(u"A room is already starting or open."_s, 409);
                if (const QString refusal = core.hostRefusal(); !refusal.isEmpty())
                    return fail(refusal);
                core.clickHostButton();
                return ok();
            }},
        {u"close"_s,
            [](HostCore &core, const QJsonObject &) {
                if (core.hosting() != HostCore::Hosting::Open)
                    return fail(NoRoomOpen, 409);
                core.clickHostButton();
                return ok();
            }},
        {u"say"_s, chat},
        {u"whisper"_s, whisper},
        {u"kick"_s, kick},
        {u"ban"_s, ban},
        {u"ban-address"_s, banAddress},
        {u"unban"_s, unban},
        {u"unban-all"_s,
            [](HostCore &core, const QJsonObject &) {
                core.unbanAll();
                return ok();
            }},
        {u"mute"_s,
            [](HostCore &core, const QJsonObject &) {
                return ok({{u"muted"_s, core.toggleMute()}});
            }},
        {u"announce"_s, announce},
        {u"refresh-pairings"_s,
            [](HostCore &core, const QJsonObject &) {
                core.refreshPairings();
                return ok();
            }},
        {u"clear"_s,
            [](HostCore &core, const QJsonObject &) {
                core.clearTranscript();
                return ok();
            }},
        {u"set"_s, setValue},
        {u"round"_s, chooseRound},
        {u"font"_s, chooseFont},
        {u"page"_s, page},
    };
    return all;
}

} // namespace

PanelApi::PanelApi(HostCore &core, QObject *parent)
    : QObject(parent)
    , m_core(core)
{
    connectEvents();
}

QStringList PanelApi::operationNames()
{
    QStringList names = operations().keys();
    names.sort();
    return names;
}

QJsonObject PanelApi::lineJson(const TranscriptLine &line)
{
    return {{u"prefix"_s, line.prefix}, {u"body"_s, line.body},
        {u"kind"_s, lineKindCode(line.kind)}, {u"prefixStyle"_s, styleJson(line.prefixStyle)},
        {u"bodyStyle"_s, styleJson(line.bodyStyle)}};
}

PanelApi::Result PanelApi::run(const QString &operation, const QJsonObject &args)
{
    const auto it = operations().constFind(operation);
    if (it == operations().cend())
        return fail(u"unknown operation "_s + operation, 404);
    return (*it)(m_core, args);
}

void PanelApi::connectEvents()
{
    connect(&m_core, &HostCore::transcriptLineAdded, this, [this](const TranscriptLine &line) {
        m_recent.append(line);
        if (m_recent.size() > RecentLines)
            m_recent.removeFirst();
        send(u"line"_s, {{u"line"_s, lineJson(line)}});
    });
    connect(&m_core, &HostCore::transcriptCleared, this, [this] {
        m_recent.clear();
        send(u"cleared"_s, {});
    });
    // A change of hosting is followed by one of the players, whose list depends on it.
    connect(&m_core, &HostCore::playersChanged, this, [this] {
        send(u"players"_s, {{u"players"_s, playersJson()}});
    });
    const auto hosting = [this] { send(u"hosting"_s, {{u"hosting"_s, hostingJson()}}); };
    connect(&m_core, &HostCore::hostingChanged, this, hosting);
    // The mute travels with the hosting state, so every page's Mute button shows it.
    connect(&m_core, &HostCore::mutedChanged, this, hosting);
    connect(&m_core, &HostCore::ipMonitorChanged, this, [this] {
        send(u"ipMonitor"_s, {{u"ipMonitor"_s, ipMonitorJson()}});
    });
    connect(&m_core, &HostCore::bansChanged, this, [this] {
        send(u"bans"_s, {{u"bans"_s, bansJson()}});
    });
    connect(&m_core, &HostCore::statusChanged, this, [this] {
        send(u"status"_s, {{u"status"_s, statusJson()}, {u"summary"_s, m_core.roomSummary()}});
    });
    connect(&m_core, &HostCore::debugLineAdded, this, [this](const QString &line) {
        send(u"debug"_s, {{u"line"_s, line}});
    });
    connect(
        &m_core, &HostCore::messageBox, this, [this](const QString &text, const QString &title) {
            send(u"message"_s, {{u"text"_s, text}, {u"title"_s, title}});
        });
    connect(&m_core, &HostCore::windowTitleChanged, this, [this](const QString &title) {
        send(u"title"_s, {{u"title"_s, title}});
    });
    const auto settings = [this] { send(u"settings"_s, {{u"settings"_s, settingsJson()}}); };
    connect(&m_core.identity(), &HostIdentity::changed, this, settings);
    connect(&m_core.options(), &ChatOptions::changed, this, settings);
    connect(&m_core.styles(), &ChatStyles::changed, this, settings);
    connect(&m_core.tournament(), &TournamentSettings::changed, this, settings);
    connect(&m_core.tournament(), &TournamentSettings::holesChoicesChanged, this, settings);
}

void PanelApi::send(const QString &type, const QJsonObject &fields)
{
    QJsonObject message = fields;
    message.insert(u"type"_s, type);
    Q_EMIT event(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

QJsonObject PanelApi::state() const
{
    QJsonArray lines;
    for (const TranscriptLine &line : m_recent)
        lines.append(lineJson(line));
    QJsonArray debug;
    for (const QString &line : m_core.debugLines())
        debug.append(line);
    return {{u"title"_s, m_core.windowTitle()}, {u"hosting"_s, hostingJson()},
        {u"status"_s, statusJson()}, {u"summary"_s, m_core.roomSummary()}, {u"transcript"_s, lines},
        {u"players"_s, playersJson()}, {u"ipMonitor"_s, ipMonitorJson()}, {u"bans"_s, bansJson()},
        {u"debug"_s, debug}, {u"settings"_s, settingsJson()},
        {u"pages"_s,
            strings({u"TD Login"_s, u"Head TD Login"_s, u"Tourney Main Page"_s, u"Register"_s,
                u"Standings"_s, u"Teams"_s, u"Rules"_s, u"Report"_s})}};
}

QJsonObject PanelApi::hostingJson() const
{
    static const QStringList names = {u"idle"_s, u"starting"_s, u"open"_s, u"closing"_s};
    return {{u"state"_s, names.at(int(m_core.hosting()))},
        {u"caption"_s, m_core.hostButtonCaption()}, {u"enabled"_s, m_core.hostButtonEnabled()},
        {u"identityInputsEnabled"_s, m_core.identityInputsEnabled()},
        {u"canSend"_s, m_core.canSend()}, {u"muted"_s, m_core.isMuted()}};
}

QJsonArray PanelApi::playersJson() const
{
    QJsonArray rows;
    // As the window's list: nobody until a room is open, then the operator's own row first.
    for (const PlayerRow &row : m_core.playerRows()) {
        rows.append(QJsonObject{{u"id"_s, row.id}, {u"name"_s, row.name}, {u"text"_s, row.name},
            {u"address"_s, row.address}});
    }
    return rows;
}

QJsonArray PanelApi::ipMonitorJson() const
{
    QJsonArray rows;
    for (const IpMonitorRow &row : m_core.ipMonitorRows()) {
        rows.append(QJsonObject{{u"name"_s, row.playerName}, {u"address"_s, row.address},
            {u"id"_s, row.id}, {u"socket"_s, row.socket}});
    }
    return rows;
}

QJsonArray PanelApi::bansJson() const
{
    QJsonArray rows;
    for (const BanRow &row : m_core.banRows()) {
        rows.append(QJsonObject{{u"name"_s, row.playerName}, {u"address"_s, row.address},
            {u"time"_s, row.timeBanned}, {u"made"_s, row.made.toUTC().toString(Qt::ISODate)},
            {u"expires"_s,
                row.expires.isValid() ? row.expires.toUTC().toString(Qt::ISODate) : QString()},
            {u"reason"_s, row.reason}});
    }
    return rows;
}

QJsonArray PanelApi::statusJson() const
{
    QJsonArray captions;
    for (const QString &caption : m_core.statusCaptions())
        captions.append(caption);
    return captions;
}

QJsonObject PanelApi::settingsJson() const
{
    const HostIdentity &id = m_core.identity();
    const TournamentSettings &t = m_core.tournament();
    QJsonArray details;
    for (int i = 0; i < TournamentSettings::DetailCount; ++i) {
        details.append(QJsonObject{{u"caption"_s, TournamentSettings::detailCaption(i)},
            {u"value"_s, t.details(i)}, {u"choices"_s, strings(t.detailChoices(i))}});
    }
    QJsonArray detailTexts;
    for (int i = 0; i < TournamentSettings::DetailTextCount; ++i) {
        detailTexts.append(QJsonObject{{u"caption"_s, TournamentSettings::detailTextCaption(i)},
            {u"value"_s, t.detailText(i)}});
    }
    QJsonArray rules;
    for (int k = 0; k < TournamentSettings::RuleCount; ++k) {
        rules.append(QJsonObject{
            {u"caption"_s, TournamentSettings::ruleCaption(k)}, {u"value"_s, t.rule(k)}});
    }
    QJsonArray rounds;
    for (int row = 0; row < CourseTable::RowCount; ++row) {
        rounds.append(QJsonObject{{u"caption"_s, CourseTable::rowCaptions().at(row)},
            {u"course"_s, t.course(row)}, {u"level"_s, t.level(row)}, {u"holes"_s, t.holes(row)}});
    }
    QJsonArray options;
    for (int i = 0; i < ChatOptions::OptionCount; ++i) {
        options.append(QJsonObject{
            {u"caption"_s, ChatOptions::optionCaption(i)}, {u"on"_s, m_core.options().option(i)}});
    }
    QJsonArray logs;
    for (int i = 0; i < ChatOptions::LogOptionCount; ++i) {
        logs.append(QJsonObject{{u"caption"_s, ChatOptions::logOptionCaption(i)},
            {u"on"_s, m_core.options().logOption(i)}});
    }
    QJsonArray colours;
    for (int slot = 0; slot < StoredValues::Colours.count(); ++slot) {
        colours.append(QJsonObject{{u"name"_s, StoredValues::Colours.name(slot)},
            {u"caption"_s, ChatStyles::colourCaption(slot)},
            {u"colour"_s, colourText(m_core.styles().colour(slot))}});
    }
    QJsonArray fonts;
    for (int slot = 0; slot < ChatStyles::FontSlotCount; ++slot) {
        const ChatFont font = m_core.styles().font(slot);
        fonts.append(QJsonObject{{u"slot"_s, slot}, {u"caption"_s, ChatStyles::fontCaption(slot)},
            {u"font"_s, font.name}, {u"bold"_s, font.bold}, {u"italic"_s, font.italic},
            {u"size"_s, double(font.size)}});
    }
    return {{u"identity"_s,
                QJsonObject{{u"server"_s, id.server()},
                    {u"serverChoices"_s, strings(HostIdentity::serverChoices())},
                    {u"operatorName"_s, id.operatorName()}, {u"roomName"_s, id.roomName()},
                    {u"password"_s, id.password()}, {u"locked"_s, id.locked()},
                    {u"welcomeMessage"_s, id.welcomeMessage()}}},
        {u"details"_s, details}, {u"detailTexts"_s, detailTexts}, {u"rules"_s, rules},
        {u"type"_s, t.type()}, {u"typeChoices"_s, strings(TournamentSettings::typeChoices())},
        {u"rounds"_s, rounds}, {u"courseChoices"_s, strings(CourseTable::courseChoices())},
        {u"levelChoices"_s, strings(CourseTable::levelChoices())},
        {u"holesChoices"_s, strings(t.holesChoices())}, {u"holesCaption"_s, t.holesCaption()},
        {u"options"_s, options}, {u"logs"_s, logs}, {u"colours"_s, colours}, {u"fonts"_s, fonts}};
}
