#include "headless/HeadlessConsole.h"
#include "headless/StandardInput.h"

#include "chat/Announcement.h"
#include "chat/PrintableText.h"
#include "chatserver/BanDuration.h"
#include "host/HostCore.h"
#include "host/HostIdentity.h"
#include "host/SettingCommands.h"

using namespace Qt::StringLiterals;

namespace {

const QString NoRoomOpen = u"No room is open"_s;
const QString BanUsage = u"Usage: /ban ID|NAME [DURATION] [REASON], /ban-address ADDRESS|RANGE "
                         "[DURATION] [REASON]; DURATION is a number and s, m, h, d or w"_s;

// The longest line taken from standard input; the chat input itself holds 80 characters.
constexpr qsizetype MaxInputLine = 4096;

} // namespace

HeadlessConsole::HeadlessConsole(HostCore &core, FILE *out, FILE *err, QObject *parent)
    : QObject(parent)
    , m_core(core)
    , m_out(out)
    , m_err(err)
{
    connectOutput();
}

HeadlessConsole::~HeadlessConsole() = default;

void HeadlessConsole::connectOutput()
{
    connect(&m_core, &HostCore::transcriptLineAdded, this,
        [this](const TranscriptLine &line) { printOut(line.prefix + line.body); });
    connect(&m_core, &HostCore::debugLineAdded, this, &HeadlessConsole::printErr);
    connect(&m_core, &HostCore::messageBox, this,
        [this](const QString &text, const QString &) { printErr(text); });
}

void HeadlessConsole::readStandardInput()
{
    // End of input leaves the host running: a service runs without any.
    m_input = std::make_unique<StandardInput>();
    connect(m_input.get(), &StandardInput::received, this, &HeadlessConsole::takeInput);
    m_input->start();
}

void HeadlessConsole::takeInput(const QByteArray &bytes)
{
    m_pendingInput.append(bytes);
    qsizetype newline;
    while ((newline = m_pendingInput.indexOf('\n')) >= 0) {
        QByteArray line = m_pendingInput.left(newline);
        m_pendingInput.remove(0, newline + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        handleLine(QString::fromUtf8(line));
    }
    if (m_pendingInput.size() > MaxInputLine)
        m_pendingInput.clear();
}

void HeadlessConsole::handleLine(const QString &typed)
{
    // Ctrl+L and the like reach standard input as bytes; they mean nothing in a chat line.
    QString line = typed;
    line.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (line.isEmpty())
        return;
    if (!line.startsWith(u'/')) {
        if (!m_core.say(line))
            printErr(NoRoomOpen);
        return;
    }
    const qsizetype blank = line.indexOf(u' ');
    const QString command = blank < 0 ? line.mid(1) : line.mid(1, blank - 1);
    const QString argument = blank < 0 ? QString() : line.mid(blank + 1);
    runCommand(command, argument);
}

void HeadlessConsole::runCommand(const QString &command, const QString &argument)
{
    if (command == u"host"_s) {
        if (m_core.hosting() == HostCore::Hosting::Idle)
            m_core.clickHostButton();
        else
            printErr(u"A room is already starting or open."_s);
    } else if (command == u"close"_s) {
        if (m_core.hosting() == HostCore::Hosting::Open)
            m_core.clickHostButton();
        else
            printErr(NoRoomOpen);
    } else if (command == u"mute"_s) {
        const bool muted = m_core.toggleMute();
        printOut(muted ? u"Chat is muted."_s : u"Chat is not muted."_s);
    } else if (command == u"players"_s) {
        printPlayers();
    } else if (command == u"status"_s) {
        printOut(statusLine());
    } else if (command == u"whisper"_s) {
        if (!m_core.canSend()) {
            printErr(NoRoomOpen);
            return;
        }
        const std::optional<PlayerArgument> target = playerArgument(argument, true);
        if (target && (target->rest.isEmpty() || !m_core.whisper(target->id, target->rest)))
            printErr(u"Please Select a Player To Whisper To"_s);
    } else if (command == u"kick"_s) {
        const std::optional<PlayerArgument> target = playerArgument(argument, false);
        if (target && !m_core.kick(target->id))
            printErr(u"No seated player has ID "_s + argument);
    } else if (command == u"ban"_s) {
        banPlayer(argument);
    } else if (command == u"ban-address"_s) {
        banAddress(argument);
    } else if (command == u"bans"_s) {
        printBans();
    } else if (command == u"unban"_s) {
        if (argument == u"all"_s)
            m_core.unbanAll();
        else if (!m_core.unban(argument))
            printErr(u"No ban for "_s + argument);
    } else if (command == u"announce"_s) {
        const std::optional<Announcement> item = announcementNamed(argument);
        if (!item)
            printErr(u"Usage: /announce all|details|rules|rounds|pairings"_s);
        else
            m_core.announce(*item);
    } else if (command == u"pairings"_s) {
        m_core.refreshPairings();
    } else if (command == u"set"_s) {
        setStoredValue(argument);
    } else if (command == u"help"_s) {
        printOut(helpText());
    } else if (command == u"quit"_s) {
        m_core.shutdown();
    } else {
        printErr(u"Unknown command /"_s + command + u" (try /help)"_s);
    }
}

void HeadlessConsole::setStoredValue(const QString &nameAndValue)
{
    if (nameAndValue.trimmed().isEmpty()) {
        for (const QString &name : SettingCommands::knownNames())
            printOut(name + u" = "_s + shownValue(name));
        return;
    }
    const auto parts = SettingCommands::split(nameAndValue);
    if (!parts) {
        printErr(u"Unknown setting in \""_s + nameAndValue + u"\" (type /set for the list)"_s);
        return;
    }
    QString reason;
    if (!m_core.settings().setStoredValue(parts->first, parts->second, &reason))
        printErr(reason);
    else
        printOut(u"Stored "_s + parts->first + u" = "_s + shownValue(parts->first));
}

QString HeadlessConsole::shownValue(const QString &name) const
{
    const QString value = m_core.settings().storedValue(name);
    // A password is never echoed, only whether there is one.
    if (name.contains(u"pass"_s, Qt::CaseInsensitive))
        return value.isEmpty() ? u"(not set)"_s : u"(set)"_s;
    return printableText(value);
}

QString HeadlessConsole::statusLine() const
{
    QString line = m_core.roomSummary();
    if (m_core.hosting() != HostCore::Hosting::Open)
        line += u" \u00b7 server "_s + m_core.identity().server();
    line += m_core.isMuted() ? u" \u00b7 muted"_s : u" \u00b7 not muted"_s;
    return line + u" \u00b7 lobby link "_s + m_core.lobbyLinkState();
}

std::optional<HeadlessConsole::PlayerArgument> HeadlessConsole::playerArgument(
    const QString &argument, bool withRest)
{
    const QString text = argument.trimmed();
    const qsizetype blank = text.indexOf(u' ');
    const QString first = withRest ? text.left(blank) : text;
    // A number is an ID, as /players shows them.
    bool isNumber = false;
    first.toUInt(&isNumber);
    if (isNumber) {
        const std::optional<quint16> id = parseId(first);
        if (!id)
            return std::nullopt;
        return PlayerArgument{*id, blank < 0 || !withRest ? QString() : text.mid(blank + 1)};
    }
    // Otherwise the longest seated player's name the argument starts with, in any case.
    const QList<PlayerRow> rows = m_core.playerRows();
    qsizetype longest = 0;
    QList<quint16> ids;
    for (qsizetype k = 1; k < rows.size(); ++k) {
        const QString &name = rows.at(k).name;
        const bool whole = text.compare(name, Qt::CaseInsensitive) == 0;
        const bool starts = withRest && text.startsWith(name + u' ', Qt::CaseInsensitive);
        if (name.isEmpty() || (!whole && !starts) || name.size() < longest)
            continue;
        if (name.size() > longest)
            ids.clear();
        longest = name.size();
        ids << rows.at(k).id;
    }
    if (ids.isEmpty()) {
        printErr(u"No seated player is named \""_s + printableText(first) + u'"');
        return std::nullopt;
    }
    if (ids.size() > 1) {
        QStringList shown;
        for (const quint16 id : std::as_const(ids))
            shown << QString::number(id);
        printErr(u"Several players are named \""_s + printableText(text.left(longest))
            + u"\"; use one of their IDs: "_s + shown.join(u", "_s));
        return std::nullopt;
    }
    return PlayerArgument{ids.constFirst(), text.mid(longest).trimmed()};
}

void HeadlessConsole::printPlayers()
{
    // The operator's own row comes first and is not a seated player.
    const QList<PlayerRow> rows = m_core.playerRows();
    if (rows.size() <= 1)
        printOut(u"No players."_s);
    for (qsizetype k = 1; k < rows.size(); ++k) {
        const PlayerRow &row = rows.at(k);
        printOut(u"%1  %2  %3  socket %4"_s.arg(row.id)
                     .arg(printableText(row.name), row.address)
                     .arg(row.socket));
    }
}

void HeadlessConsole::banPlayer(const QString &argument)
{
    const std::optional<PlayerArgument> target = playerArgument(argument, true);
    if (!target)
        return;
    const std::optional<BanTerms> terms = BanDuration::parseTerms(target->rest);
    if (!terms)
        printErr(BanUsage);
    else if (!m_core.ban(target->id, *terms))
        printErr(u"No seated player has ID "_s + QString::number(target->id));
}

void HeadlessConsole::banAddress(const QString &argument)
{
    const QString trimmed = argument.trimmed();
    const qsizetype blank = trimmed.indexOf(u' ');
    const QString target = trimmed.left(blank);
    const std::optional<BanTerms> terms
        = BanDuration::parseTerms(blank < 0 ? QString() : trimmed.mid(blank + 1));
    if (!HostCore::isBanTarget(target)) {
        printErr(u"\""_s + target
            + u"\" is neither an address nor an IPv4 range such as 203.0.113.0/24"_s);
        return;
    }
    if (!terms) {
        printErr(BanUsage);
        return;
    }
    m_core.banAddress(target, *terms);
}

void HeadlessConsole::printBans()
{
    const QList<BanRow> &rows = m_core.banRows();
    if (rows.isEmpty())
        printOut(u"No bans."_s);
    for (const BanRow &row : rows)
        printOut(banLine(row));
}

QString HeadlessConsole::banLine(const BanRow &row)
{
    const auto shown = [](const QDateTime &when) {
        return when.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
    };
    const QString name = row.playerName.isEmpty() ? u"-"_s : printableText(row.playerName);
    return row.address + u"  "_s + name + u"  banned "_s + shown(row.made) + u"  expires "_s
        + (row.expires.isValid() ? shown(row.expires) : u"never"_s) + u"  "_s
        + (row.reason.isEmpty() ? u"-"_s : printableText(row.reason));
}

std::optional<quint16> HeadlessConsole::parseId(const QString &text)
{
    bool ok = false;
    const uint id = text.trimmed().toUInt(&ok);
    if (!ok || id == 0 || id > 65535) {
        printErr(u"\""_s + text + u"\" is not a player ID"_s);
        return std::nullopt;
    }
    return quint16(id);
}

void HeadlessConsole::printOut(const QString &text)
{
    std::fputs(text.toLocal8Bit().append('\n').constData(), m_out);
    std::fflush(m_out);
}

void HeadlessConsole::printErr(const QString &text)
{
    std::fputs(text.toLocal8Bit().append('\n').constData(), m_err);
    std::fflush(m_err);
}

QString HeadlessConsole::helpText()
{
    return u"Type a line to say it to the room (\"+\" commands work as in the window).\n"
           "/host, /close           open or close the room\n"
           "/status                 the room, server, players, uptime, mute and lobby link\n"
           "/mute                   mute or unmute the room\n"
           "/players                the seated players: ID, name, address, socket\n"
           "/whisper ID|NAME TEXT   whisper to a player\n"
           "/kick ID|NAME           kick a player\n"
           "/ban ID|NAME [DURATION] [REASON]\n"
           "                        ban a player, for good or e.g. for 30m, 2h, 7d\n"
           "/ban-address ADDRESS|RANGE [DURATION] [REASON]\n"
           "                        ban an address or range (203.0.113.0/24) nobody is on\n"
           "/bans                   address, name, made, expires, reason of every ban\n"
           "/unban ADDRESS|RANGE, /unban all\n"
           "/announce all|details|rules|rounds|pairings\n"
           "/pairings               refresh the pairings now\n"
           "/set                    every setting that can be changed, with its value\n"
           "/set NAME VALUE         change a setting, e.g. /set tDetails 1 1234 or /set cOptions 0 "
           "1\n"
           "/quit                   close the room and end the program"_s;
}
