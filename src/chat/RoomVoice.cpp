#include "chat/RoomVoice.h"

#include "chat/BotCommand.h"
#include "chat/BotSpeaker.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chatserver/ChatRoom.h"
#include "chatserver/PlayerTable.h"

using namespace Qt::StringLiterals;

namespace {

const QString kCommandsHint = u"Type +commands for a list of available commands."_s;

} // namespace

RoomVoice::RoomVoice(ChatRoom &room, PlayerTable &players, BotSpeaker &bot, ChatLog &log,
    const ChatOptions &options, QObject *parent)
    : QObject(parent)
    , m_players(players)
    , m_bot(bot)
    , m_log(log)
    , m_options(options)
{
    room.setCommandTest(
        [](const QString &text) { return BotCommands::playerCommand(text).has_value(); });
    connect(&room, &ChatRoom::playerSeated, this, &RoomVoice::greet);
    connect(&room, &ChatRoom::playerLeft, this, &RoomVoice::noteDeparture);
    connect(&room, &ChatRoom::noticeForPlayer, this,
        [this](int socket, const QString &text) { m_bot.botSay(false, socket, text); });
}

void RoomVoice::setWelcomeMessage(const QString &text)
{
    m_welcomeMessage = text;
}

void RoomVoice::greet(const QString &name, quint16 id, int socket, const QString &address)
{
    if (m_options.logsPlayerEvents())
        m_log.writeChatLog(name, u"Joined Chat  IP:"_s + address + u" ID:"_s + QString::number(id));
    // Once per address and run: a player who reconnects has read it already.
    if (m_players.isWelcomed(address))
        return;
    if (!m_welcomeMessage.isEmpty())
        m_bot.botSay(false, socket, m_welcomeMessage);
    m_bot.botSay(false, socket, kCommandsHint);
    m_players.markWelcomed(address);
}

void RoomVoice::noteDeparture(const QString &name)
{
    if (m_options.logsPlayerEvents())
        m_log.writeChatLog(name, u"Leaves Chat"_s);
}
