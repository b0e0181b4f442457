#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <span>

class BotReplies;

// The chat commands the bot answers, each typed as "+word" or "!word".
enum class BotCommand {
    CommandList,
    Pairings,
    Details,
    Courses,
    Rules,
    Version,
    Rank,
    Whois,
    Help,
    Match
};

namespace BotCommands {

// Players and the operator test the words in slightly different orders; a line naming two
// commands gets the first of its asker's order, and people have long relied on that.
std::span<const BotCommand> playerOrder();
std::span<const BotCommand> operatorOrder();

// Only a line starting with "+" or "!" is a command. It names the first command of `order` whose
// "+word" or "!word" it contains anywhere, in any case ("+rules please", "!RULES").
std::optional<BotCommand> recognise(QStringView line, std::span<const BotCommand> order);

// The command a player's line asks for: as recognise with playerOrder, and also a whois wherever
// "+whois" stands in the line.
std::optional<BotCommand> playerCommand(QStringView line);

// The name a rank request asks for: the line after its fixed "+rank " start ("+ranking" asks for
// "ng"), the asker's own name when nothing follows, and nothing at all for a single blank.
std::optional<QString> rankName(QStringView line, const QString &ownName);

// The name a whois request asks for: the line after its fixed "+whois " start; nothing when the
// line holds no name.
std::optional<QString> whoisName(QStringView line);
// Whether the line holds the command's word after "+" or "!", anywhere and in any letter case.
bool mentions(QStringView line, BotCommand command);

// The round a "+pairings N" line asks for; nothing for the whole list.
std::optional<int> pairingsRound(QStringView line);
// The name a "+match" line asks for: what follows the word, or the asker's own name.
QString matchName(QStringView line, const QString &ownName);
// The commands answered from settings and tables alone; Rank and Whois look a name up in ways
// of their own, so their callers handle them. Returns false for those two. The line and the
// asker's name serve "+pairings N" and "+match".
bool sendReply(BotReplies &replies, BotCommand command, QStringView line, const QString &asker,
    bool replyToHost, int socket);

} // namespace BotCommands
