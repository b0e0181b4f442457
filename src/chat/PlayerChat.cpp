#include "chat/PlayerChat.h"

#include "chat/BotCommand.h"
#include "chat/BotReplies.h"
#include "chat/BotSpeaker.h"
#include "chat/Transcript.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "tournament/RankLookup.h"

using namespace Qt::StringLiterals;

PlayerChat::PlayerChat(const HostState &state, const PlayerTable &players, OutgoingQueue &queue,
    Transcript &transcript, BotSpeaker &bot, BotReplies &replies, RankLookup &ranks)
    : m_state(state)
    , m_players(players)
    , m_queue(queue)
    , m_transcript(transcript)
    , m_bot(bot)
    , m_replies(replies)
    , m_ranks(ranks)
{
}

void PlayerChat::handlePlayerChat(
    const QByteArray &packet, const ChatPacket::ChatLineFields &line, int socket)
{
    const std::optional<int> sender = m_players.findBySocket(socket);
    if (!sender)
        return;
    if (answerCommand(line.text, *sender))
        return;
    if (m_state.chatMuted) {
        // Everybody hears why the room went quiet, the sender included.
        m_queue.queuePacket(0, ChatPacket::chatLine(u"** Chat is Muted **"), 0);
        return;
    }
    const QString senderName = m_players.name(*sender);
    if (line.whisper)
        relayWhisper(packet, line, senderName);
    else
        relayRoomChat(packet, line.text, senderName, socket);
}

bool PlayerChat::answerCommand(const QString &text, int sender)
{
    const std::optional<BotCommand> command = BotCommands::playerCommand(text);
    if (!command)
        return false;
    const int socket = m_players.socket(sender);
    if (BotCommands::sendReply(m_replies, *command, text, m_players.name(sender), false, socket))
        return true;
    if (*command == BotCommand::Rank) {
        if (const std::optional<QString> name = BotCommands::rankName(text, m_players.name(sender)))
            m_ranks.requestRank(false, socket, *name);
    } else if (const std::optional<QString> name = BotCommands::whoisName(text)) {
        m_replies.sendWhois(false, socket, *name);
    } else {
        m_bot.botSay(false, socket, u"Invalid +whois Request"_s);
    }
    return true;
}

void PlayerChat::relayRoomChat(
    const QByteArray &packet, const QString &text, const QString &senderName, int socket)
{
    m_transcript.addChatLine(senderName + u": "_s, text, LineKind::Chat);
    // Passed on unchanged: the game clients expect the sender's own bytes.
    m_queue.queueRelay(0, packet, socket);
}

void PlayerChat::relayWhisper(
    const QByteArray &packet, const ChatPacket::ChatLineFields &line, const QString &senderName)
{
    if (line.targetId == 0) {
        // Meant for the host alone.
        m_transcript.addChatLine(
            u"<From> "_s + senderName + u": "_s, line.text, LineKind::WhisperFrom);
        return;
    }
    // Only the addressee's connection gets it, so nobody else can read another's whispers.
    // A whisper to someone who has left is dropped.
    if (const std::optional<int> target = m_players.findById(line.targetId, 1))
        m_queue.queueRelay(m_players.socket(*target), packet, 0);
}
