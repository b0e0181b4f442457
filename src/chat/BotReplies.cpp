#include "chat/BotReplies.h"

#include "chat/BotSpeaker.h"
#include "chat/ChatOptions.h"
#include "chat/ProgramCredits.h"
#include "chat/Transcript.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/PlayerTable.h"
#include "tournament/CourseTable.h"
#include "tournament/PairingsService.h"
#include "tournament/TournamentSettings.h"

#include <QHostAddress>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Stand for an empty ladder in the details and an empty first rule.
const QString NoDetailsSpecified = u"*** No Details Specified***"_s;
const QString NoRulesSpecified = u"*** No Rules Specified***"_s;

QString roundCaption(int row)
{
    return CourseTable::rowCaptions().value(row);
}

} // namespace

BotReplies::BotReplies(BotSpeaker &bot, const TournamentSettings &tournament,
    const PairingsService &pairings, const PlayerTable &players, const ClientSlots &clientSlots,
    Transcript &transcript)
    : m_bot(bot)
    , m_tournament(tournament)
    , m_pairings(pairings)
    , m_players(players)
    , m_slots(clientSlots)
    , m_transcript(transcript)
{
}

void BotReplies::sayLines(bool replyToHost, int socket, const QStringList &lines)
{
    for (const QString &line : lines)
        m_bot.botSay(replyToHost, socket, line);
}

void BotReplies::sendCommandList(bool replyToHost, int socket)
{
    static const QStringList lines = {
        u"(+ or !)rank - Returns your Rank and other stats."_s,
        u"(+ or !)rank name - Returns Rank and other stats for name."_s,
        u"(+ or !)whois name - Returns IP, ID and Socket for name."_s,
        u"(+ or !)details - General Details for this Tournament"_s,
        u"(+ or !)courses - Course, Level and Number of Holes"_s,
        u"(+ or !)rules - Rules for this Tournament"_s,
        u"(+ or !)pairings - Current Pairings"_s,
        u"(+ or !)version - Vornic Program Information"_s,
    };
    sayLines(replyToHost, socket, lines);
}

void BotReplies::sendDetails(bool replyToHost, int socket)
{
    for (int i = 0; i < TournamentSettings::DetailCount; ++i) {
        const QString text = m_tournament.details(i);
        if (!text.isEmpty())
            m_bot.botSay(
                replyToHost, socket, TournamentSettings::detailCaption(i) + u": "_s + text);
        else if (i == TournamentSettings::Ladder)
            m_bot.botSay(replyToHost, socket, NoDetailsSpecified);
    }
    for (int i = 0; i < TournamentSettings::DetailTextCount; ++i) {
        const QString text = m_tournament.detailText(i);
        if (!text.isEmpty())
            m_bot.botSay(
                replyToHost, socket, TournamentSettings::detailTextCaption(i) + u": "_s + text);
    }
}

void BotReplies::sendCourses(bool replyToHost, int socket)
{
    for (int row = 0; row < CourseTable::RoundCount; ++row) {
        if (const std::optional<QString> line = courseLine(row))
            m_bot.botSay(replyToHost, socket, *line);
    }
}

std::optional<QString> BotReplies::courseLine(int row) const
{
    const QString course = m_tournament.course(row);
    if (course.isEmpty() || course == u"No Setting")
        return std::nullopt;
    // Skins rounds are played for a prize, which the holes column then holds.
    const QString holesLabel = m_tournament.type() == u"Stroke" ? u" Holes: "_s : u" Amount: "_s;
    return roundCaption(row) + u": "_s + course + u" Level: "_s + m_tournament.level(row)
        + holesLabel + m_tournament.holes(row);
}

bool BotReplies::isSingleElimination() const
{
    return m_tournament.eliminationType() == u"Single Elimination";
}

void BotReplies::sendRules(bool replyToHost, int socket)
{
    for (int k = 0; k < TournamentSettings::RuleCount; ++k) {
        const QString text = m_tournament.rule(k);
        if (!text.isEmpty())
            m_bot.botSay(replyToHost, socket, TournamentSettings::ruleCaption(k) + u": "_s + text);
        else if (k == 0)
            m_bot.botSay(replyToHost, socket, NoRulesSpecified);
    }
}

void BotReplies::sendPairings(bool replyToHost, int socket)
{
    const bool anySent = isSingleElimination() ? sendRoundPairings(replyToHost, socket)
                                               : sendDoubleEliminationPairings(replyToHost, socket);
    if (!anySent)
        m_bot.botSay(replyToHost, socket, u"No Pairings Available"_s);
}

bool BotReplies::sendDoubleEliminationPairings(bool replyToHost, int socket)
{
    // The double elimination report lists every open match in round 1.
    m_bot.botSay(replyToHost, socket, u"Current Pairings"_s);
    return sendMatches(replyToHost, socket, 1);
}

bool BotReplies::sendRoundPairings(bool replyToHost, int socket)
{
    bool anySent = false;
    for (int round = 1; round <= Pairings::RoundCount; ++round) {
        // A round without its first match has not been drawn yet, whatever else it holds.
        if (m_pairings.pairings().at(round, 1).isEmpty())
            continue;
        anySent = sendRound(replyToHost, socket, round) || anySent;
    }
    return anySent;
}

bool BotReplies::sendRound(bool replyToHost, int socket, int round)
{
    const int row = round - 1;
    m_bot.botSay(replyToHost, socket,
        u"Round "_s + QString::number(round) + u" Course: "_s + m_tournament.course(row)
            + u" Level: "_s + m_tournament.level(row) + u" Holes: "_s + m_tournament.holes(row));
    return sendMatches(replyToHost, socket, round);
}

bool BotReplies::sendMatches(bool replyToHost, int socket, int round)
{
    bool anySent = false;
    for (int match = 1; match <= Pairings::MatchCount; ++match) {
        const QString line = m_pairings.pairings().at(round, match);
        if (line.isEmpty())
            continue;
        m_bot.botSay(replyToHost, socket, line);
        anySent = true;
    }
    return anySent;
}

void BotReplies::sendHelp(bool replyToHost, int socket)
{
    // Players know the eight lines of the command list; the newer commands follow them.
    sendCommandList(replyToHost, socket);
    static const QStringList lines = {
        u"(+ or !)pairings N - Pairings of round N only"_s,
        u"(+ or !)match - Your match in the latest round"_s,
        u"(+ or !)match name - The match of name in the latest round"_s,
        u"(+ or !)help - This list"_s,
    };
    sayLines(replyToHost, socket, lines);
}

void BotReplies::sendPairingsOfRound(bool replyToHost, int socket, int round)
{
    const Pairings &pairings = m_pairings.pairings();
    if (pairings.isEmpty()) {
        m_bot.botSay(replyToHost, socket, u"No Pairings Available"_s);
        return;
    }
    bool anySent = false;
    if (!isSingleElimination()) {
        // The double elimination report lists every open match in round 1.
        if (round == 1) {
            m_bot.botSay(replyToHost, socket, u"Current Pairings"_s);
            anySent = sendMatches(replyToHost, socket, 1);
        }
    } else if (!pairings.at(round, 1).isEmpty()) {
        anySent = sendRound(replyToHost, socket, round);
    }
    if (!anySent)
        m_bot.botSay(replyToHost, socket, u"No Pairings For Round "_s + QString::number(round));
}

void BotReplies::sendMatch(bool replyToHost, int socket, const QString &name)
{
    const Pairings &pairings = m_pairings.pairings();
    if (pairings.isEmpty()) {
        m_bot.botSay(replyToHost, socket, u"No Pairings Available"_s);
        return;
    }
    const QString wanted = name.trimmed();
    const int lastRound = isSingleElimination() ? Pairings::RoundCount : 1;
    for (int round = lastRound; round >= 1; --round) {
        for (int match = 1; match <= Pairings::MatchCount; ++match) {
            const QString entry = pairings.at(round, match);
            const QStringList sides = entry.split(u" vs "_s);
            const bool listed = std::any_of(sides.cbegin(), sides.cend(), [&](const QString &side) {
                return side.trimmed().compare(wanted, Qt::CaseInsensitive) == 0;
            });
            if (entry.isEmpty() || !listed)
                continue;
            m_bot.botSay(
                replyToHost, socket, u"Round "_s + QString::number(round) + u": "_s + entry);
            if (const std::optional<QString> course = courseLine(round - 1))
                m_bot.botSay(replyToHost, socket, *course);
            return;
        }
    }
    m_bot.botSay(replyToHost, socket, wanted + u" Is Not In The Pairings"_s);
}

void BotReplies::sendVersion(bool replyToHost, int socket)
{
    m_bot.botSay(replyToHost, socket,
        ProgramCredits::programName() + u' ' + ProgramCredits::versionCaption());
    m_bot.botSay(replyToHost, socket, ProgramCredits::authorsLine());
    m_bot.botSay(replyToHost, socket, ProgramCredits::supportLine());
}

void BotReplies::sendWhois(bool replyToHost, int socket, const QString &name)
{
    // An opponent's address in every player's hands invites attacks during a tournament.
    const bool wholeAddress = replyToHost || m_bot.options().showsFullIpsInWhois();
    for (int position = m_players.count(); position >= 0; --position) {
        if (m_players.name(position).compare(name, Qt::CaseInsensitive) == 0)
            m_bot.botSay(replyToHost, socket, whoisLine(position, wholeAddress));
    }
}

QString BotReplies::maskedAddress(const QString &address)
{
    bool isIpv4 = false;
    const QHostAddress parsed(address);
    const quint32 ipv4 = parsed.toIPv4Address(&isIpv4);
    if (isIpv4)
        return u"%1.%2.x.x"_s.arg(ipv4 >> 24).arg((ipv4 >> 16) & 0xff);
    if (parsed.protocol() != QAbstractSocket::IPv6Protocol)
        return u"x"_s;
    const Q_IPV6ADDR bytes = parsed.toIPv6Address();
    QStringList groups;
    for (int group = 0; group < 4; ++group)
        groups << QString::number((bytes[2 * group] << 8) | bytes[2 * group + 1], 16);
    return groups.join(u':') + u":x"_s;
}

QString BotReplies::whoisLine(int position, bool wholeAddress) const
{
    const QString id = QString::number(m_players.id(position));
    if (position == 0)
        return m_players.name(0) + u" is IP: Host   ID: "_s + id + u"   Sock: Host"_s;
    const int playerSocket = m_players.socket(position);
    const QString address = m_slots.peerAddress(playerSocket);
    return m_players.name(position) + u" is IP: "_s
        + (wholeAddress ? address : maskedAddress(address)) + u"   ID: "_s + id + u"   Sock: "_s
        + QString::number(playerSocket);
}

void BotReplies::announce(Announcement what)
{
    switch (what) {
    case Announcement::All:
        announceHeading(u"Announcing All"_s);
        sendDetails(false, 0);
        sendCourses(false, 0);
        sendRules(false, 0);
        break;
    case Announcement::Details:
        announceHeading(u"Announcing Details"_s);
        sendDetails(false, 0);
        break;
    case Announcement::Rules:
        announceHeading(u"Announcing Rules"_s);
        sendRules(false, 0);
        break;
    case Announcement::Rounds:
        announceHeading(u"Announcing Rounds"_s);
        sendCourses(false, 0);
        break;
    case Announcement::Pairings:
        sendPairings(false, 0);
        break;
    }
}

void BotReplies::announceNewPairings(const QList<int> &rounds)
{
    const Pairings &pairings = m_pairings.pairings();
    if (m_tournament.eliminationType() != u"Single Elimination") {
        if (pairings.isEmpty())
            return;
        announceHeading(u"Announcing New Pairings"_s);
        sendPairings(false, 0);
        return;
    }
    QList<int> drawn;
    for (const int round : rounds) {
        if (!pairings.at(round, 1).isEmpty() && !drawn.contains(round))
            drawn.append(round);
    }
    if (drawn.isEmpty())
        return;
    std::sort(drawn.begin(), drawn.end());
    announceHeading(u"Announcing New Pairings"_s);
    for (const int round : std::as_const(drawn))
        sendRound(false, 0, round);
}

void BotReplies::announceHeading(const QString &text)
{
    m_transcript.addChatLine(u"System: "_s, text, LineKind::System);
}
