#include "chat/BotSpeaker.h"

#include "chat/ChatOptions.h"
#include "chat/Transcript.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"

using namespace Qt::StringLiterals;

BotSpeaker::BotSpeaker(Transcript &transcript, OutgoingQueue &queue, const ChatOptions &options,
    const PlayerTable &players)
    : m_transcript(transcript)
    , m_queue(queue)
    , m_options(options)
    , m_players(players)
{
}

void BotSpeaker::botSay(bool replyToHost, int socket, const QString &text)
{
    if (replyToHost) {
        m_transcript.addChatLine(u"BOT: "_s, text, LineKind::Bot);
        return;
    }
    for (const QByteArray &packet : ChatPacket::chatLines(text))
        m_queue.queuePacket(socket, packet, 0);
    if (m_options.echoesBotCommands())
        m_transcript.addChatLine(m_players.hostName() + u": "_s, text, LineKind::Chat);
}
