#include "chat/HostConsole.h"

#include "chat/BotCommand.h"
#include "chat/BotReplies.h"
#include "chat/Transcript.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "tournament/RankLookup.h"

using namespace Qt::StringLiterals;

HostConsole::HostConsole(HostState &state, const PlayerTable &players, OutgoingQueue &queue,
    Transcript &transcript, BotReplies &replies, RankLookup &ranks)
    : m_state(state)
    , m_players(players)
    , m_queue(queue)
    , m_transcript(transcript)
    , m_replies(replies)
    , m_ranks(ranks)
{
}

void HostConsole::handleHostInput(const QString &line)
{
    handleLine(line, std::nullopt);
}

bool HostConsole::whisperTo(quint16 targetId, const QString &line)
{
    const std::optional<int> target = m_players.findById(targetId, 1);
    if (!target)
        return false;
    handleLine(line, WhisperTarget{targetId, *target});
    return true;
}

bool HostConsole::toggleMute()
{
    // Muting an empty room would tell nobody; the flag stays as it is until someone is there.
    if (m_players.count() == 0)
        return m_state.chatMuted;
    m_state.chatMuted = !m_state.chatMuted;
    tellEverybody(
        m_state.chatMuted ? u"** Chat Muted by Host **"_s : u"** Chat Mute Removed By Host **"_s);
    return m_state.chatMuted;
}

bool HostConsole::isMuted() const
{
    return m_state.chatMuted;
}

void HostConsole::handleLine(const QString &line, std::optional<WhisperTarget> whisperTarget)
{
    if (line.isEmpty() || answerCommand(line))
        return;
    // The operator is never muted.
    if (whisperTarget)
        whisper(line, *whisperTarget);
    else
        say(line);
}

bool HostConsole::answerCommand(const QString &line)
{
    const std::optional<BotCommand> command
        = BotCommands::recognise(line, BotCommands::operatorOrder());
    if (!command)
        return false;
    if (BotCommands::sendReply(m_replies, *command, line, m_players.hostName(), true, 0))
        return true;
    if (*command == BotCommand::Rank) {
        if (const std::optional<QString> name = BotCommands::rankName(line, m_players.hostName()))
            m_ranks.requestRank(true, 0, *name);
    } else if (const std::optional<QString> name = BotCommands::whoisName(line)) {
        // The operator knows what was typed, so a whois without a name is simply dropped.
        m_replies.sendWhois(true, 0, *name);
    }
    return true;
}

void HostConsole::say(const QString &line)
{
    for (const QByteArray &packet : ChatPacket::chatLines(line))
        m_queue.queuePacket(0, packet, 0);
    m_transcript.addChatLine(m_players.hostName() + u": "_s, line, LineKind::Chat);
}

void HostConsole::whisper(const QString &line, WhisperTarget target)
{
    // Only the addressee's connection gets it; the other clients have no business reading it.
    for (const QByteArray &packet : ChatPacket::chatLines(line, true, target.id))
        m_queue.queuePacket(m_players.socket(target.position), packet, 0);
    m_transcript.addChatLine(
        u"<To> "_s + m_players.name(target.position) + u": "_s, line, LineKind::WhisperTo);
}

void HostConsole::tellEverybody(const QString &notice)
{
    m_queue.queuePacket(0, ChatPacket::chatLine(notice), 0);
    m_transcript.addChatLine(u"Server: "_s, notice, LineKind::System);
}
