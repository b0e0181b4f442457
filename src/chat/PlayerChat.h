#pragma once

#include "chatserver/ChatPackets.h"

#include <QByteArray>
#include <QString>

class BotReplies;
class BotSpeaker;
class OutgoingQueue;
class PlayerTable;
class RankLookup;
class Transcript;
struct HostState;

// One chat line from a seated player: a bot command answered to that player alone, a whois, a line
// refused while the room is muted, or chat shown to the operator and passed on to the others.
class PlayerChat
{
public:
    PlayerChat(const HostState &state, const PlayerTable &players, OutgoingQueue &queue,
        Transcript &transcript, BotSpeaker &bot, BotReplies &replies, RankLookup &ranks);

    // packet: one whole ChatLine, line its fields; the room checked that its sender ID is the
    // seat's own.
    void handlePlayerChat(
        const QByteArray &packet, const ChatPacket::ChatLineFields &line, int socket);

private:
    // True when the line was a bot command; it was then answered to the sender alone.
    bool answerCommand(const QString &text, int sender);
    void relayRoomChat(
        const QByteArray &packet, const QString &text, const QString &senderName, int socket);
    void relayWhisper(const QByteArray &packet, const ChatPacket::ChatLineFields &line,
        const QString &senderName);

    const HostState &m_state;
    const PlayerTable &m_players;
    OutgoingQueue &m_queue;
    Transcript &m_transcript;
    BotSpeaker &m_bot;
    BotReplies &m_replies;
    RankLookup &m_ranks;
};
