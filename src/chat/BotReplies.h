#pragma once

#include "chat/Announcement.h"

#include <QList>
#include <QString>

#include <optional>

class BotSpeaker;
class ClientSlots;
class PairingsService;
class PlayerTable;
class TournamentSettings;
class Transcript;

// The bot's answers: each turns the tournament settings, the pairings or the player table into
// short lines said through the bot, to one player (replyToHost false, that player's socket), to
// every player (socket 0) or to the operator alone (replyToHost true).
class BotReplies
{
public:
    using Announcement = ::Announcement;

    BotReplies(BotSpeaker &bot, const TournamentSettings &tournament,
        const PairingsService &pairings, const PlayerTable &players, const ClientSlots &clientSlots,
        Transcript &transcript);

    void sendCommandList(bool replyToHost, int socket);
    void sendDetails(bool replyToHost, int socket);
    void sendCourses(bool replyToHost, int socket);
    void sendRules(bool replyToHost, int socket);
    void sendPairings(bool replyToHost, int socket);
    void sendVersion(bool replyToHost, int socket);
    // Players are shown addresses with their last parts hidden (see maskedAddress) unless "Show
    // Full IPs in +whois" is on; the operator always sees them whole.
    void sendWhois(bool replyToHost, int socket, const QString &name);
    // An address as players see it: an IPv4 address's last two parts, or everything of an IPv6
    // address after its first four groups, replaced by "x" ("203.0.x.x", "2001:db8:0:1:x"). Text
    // that is no address comes back as "x".
    static QString maskedAddress(const QString &address);
    // "+help": the command list, then a line for each command added since.
    void sendHelp(bool replyToHost, int socket);
    // "+pairings N": round N alone, with its heading.
    void sendPairingsOfRound(bool replyToHost, int socket, int round);
    // "+match": the match naming that player in the latest round that lists them, then that
    // round's course line.
    void sendMatch(bool replyToHost, int socket, const QString &name);

    // The Announce menu: its own "System: " line first, then the replies to every player.
    void announce(Announcement what);
    // "Announce New Pairings": after "Announcing New Pairings", the rounds given (single
    // elimination; rounds not drawn are left out) or the whole list (double elimination), to
    // every player. Nothing at all when none of it can be shown.
    void announceNewPairings(const QList<int> &rounds);

private:
    void sayLines(bool replyToHost, int socket, const QStringList &lines);
    // Each returns whether it sent at least one match line.
    bool sendDoubleEliminationPairings(bool replyToHost, int socket);
    bool sendRoundPairings(bool replyToHost, int socket);
    bool sendRound(bool replyToHost, int socket, int round);
    bool sendMatches(bool replyToHost, int socket, int round);
    QString whoisLine(int position, bool wholeAddress) const;
    // The "+courses" line of a round row; nothing when its course is not set.
    std::optional<QString> courseLine(int row) const;
    bool isSingleElimination() const;
    void announceHeading(const QString &text);

    BotSpeaker &m_bot;
    const TournamentSettings &m_tournament;
    const PairingsService &m_pairings;
    const PlayerTable &m_players;
    const ClientSlots &m_slots;
    Transcript &m_transcript;
};
