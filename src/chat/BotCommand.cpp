#include "chat/BotCommand.h"

#include "chat/BotReplies.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

// The newer commands come last, so a line the older ones took keeps its meaning.
constexpr std::array PlayerOrder = {BotCommand::CommandList, BotCommand::Pairings,
    BotCommand::Details, BotCommand::Courses, BotCommand::Rules, BotCommand::Version,
    BotCommand::Rank, BotCommand::Whois, BotCommand::Help, BotCommand::Match};

constexpr std::array OperatorOrder = {BotCommand::CommandList, BotCommand::Details,
    BotCommand::Courses, BotCommand::Rules, BotCommand::Pairings, BotCommand::Version,
    BotCommand::Rank, BotCommand::Whois, BotCommand::Help, BotCommand::Match};

// The fixed widths of "+rank " and "+whois ": what follows them is the name.
constexpr qsizetype RankPrefixWidth = 6;
constexpr qsizetype WhoisPrefixWidth = 7;

// Each command's word, in the order BotCommand declares them.
constexpr std::array<QStringView, 10> Words = {u"commands", u"pairings", u"details", u"courses",
    u"rules", u"version", u"rank", u"whois", u"help", u"match"};
static_assert(Words.size() == static_cast<std::size_t>(BotCommand::Match) + 1);

QString word(BotCommand command)
{
    return Words[static_cast<std::size_t>(command)].toString();
}

// What follows the command's "+word" or "!word" in the line, trimmed; empty when nothing does.
QString afterWord(QStringView line, BotCommand command)
{
    const QString lowered = line.toString().toLower();
    const QString name = word(command);
    qsizetype at = lowered.indexOf(u'+' + name);
    if (at < 0)
        at = lowered.indexOf(u'!' + name);
    if (at < 0)
        return QString();
    return line.sliced(at + 1 + name.size()).trimmed().toString();
}

} // namespace

namespace BotCommands {

std::span<const BotCommand> playerOrder()
{
    return PlayerOrder;
}

std::span<const BotCommand> operatorOrder()
{
    return OperatorOrder;
}

bool mentions(QStringView line, BotCommand command)
{
    const QString lowered = line.toString().toLower();
    const QString name = word(command);
    return lowered.contains(u'+' + name) || lowered.contains(u'!' + name);
}

std::optional<BotCommand> recognise(QStringView line, std::span<const BotCommand> order)
{
    if (!line.startsWith(u'+') && !line.startsWith(u'!'))
        return std::nullopt;
    for (const BotCommand command : order) {
        if (mentions(line, command))
            return command;
    }
    return std::nullopt;
}

std::optional<BotCommand> playerCommand(QStringView line)
{
    std::optional<BotCommand> command = recognise(line, PlayerOrder);
    // The players' whois is known to work wherever "+whois" stands in their line.
    if (!command && mentions(line, BotCommand::Whois))
        command = BotCommand::Whois;
    return command;
}

std::optional<QString> rankName(QStringView line, const QString &ownName)
{
    if (line.size() <= RankPrefixWidth)
        return ownName;
    const QStringView name = line.sliced(RankPrefixWidth);
    if (name == u" ")
        return std::nullopt;
    return name.toString();
}

std::optional<QString> whoisName(QStringView line)
{
    if (line.size() <= WhoisPrefixWidth)
        return std::nullopt;
    return line.sliced(WhoisPrefixWidth).toString();
}

std::optional<int> pairingsRound(QStringView line)
{
    bool isNumber = false;
    // Any number is a round: one the table lacks is answered as a round without pairings.
    const int round = afterWord(line, BotCommand::Pairings).toInt(&isNumber);
    if (!isNumber)
        return std::nullopt;
    return round;
}

QString matchName(QStringView line, const QString &ownName)
{
    const QString name = afterWord(line, BotCommand::Match);
    return name.isEmpty() ? ownName : name;
}

bool sendReply(BotReplies &replies, BotCommand command, QStringView line, const QString &asker,
    bool replyToHost, int socket)
{
    switch (command) {
    case BotCommand::CommandList:
        replies.sendCommandList(replyToHost, socket);
        return true;
    case BotCommand::Help:
        replies.sendHelp(replyToHost, socket);
        return true;
    case BotCommand::Match:
        replies.sendMatch(replyToHost, socket, matchName(line, asker));
        return true;
    case BotCommand::Pairings:
        if (const std::optional<int> round = pairingsRound(line))
            replies.sendPairingsOfRound(replyToHost, socket, *round);
        else
            replies.sendPairings(replyToHost, socket);
        return true;
    case BotCommand::Details:
        replies.sendDetails(replyToHost, socket);
        return true;
    case BotCommand::Courses:
        replies.sendCourses(replyToHost, socket);
        return true;
    case BotCommand::Rules:
        replies.sendRules(replyToHost, socket);
        return true;
    case BotCommand::Version:
        replies.sendVersion(replyToHost, socket);
        return true;
    case BotCommand::Rank:
    case BotCommand::Whois:
        return false;
    }
    return false;
}

} // namespace BotCommands
