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
    void sendWhois(bool replyToHost, int socket, const QString &name);
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
    // Each returns whether it sent at least one match line.
    bool sendDoubleEliminationPairings(bool replyToHost, int socket);
    bool sendRoundPairings(bool replyToHost, int socket);
    bool sendRound(bool replyToHost, int socket, int round);
    bool sendMatches(bool replyToHost, int socket, int round);
    QString whoisLine(int position) const;
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
