#pragma once

#include <QObject>
#include <QString>

class BotSpeaker;
class ChatLog;
class ChatOptions;
class ChatRoom;
class PlayerTable;

// The chat layer's answer to what the room reports: the chat log's player events, the welcome
// text and the commands hint for an address seen for the first time in this run, and the room's
// notices to one player, said by the bot. It also tells the room which lines are the bot's
// commands.
class RoomVoice : public QObject
{
    Q_OBJECT

public:
    RoomVoice(ChatRoom &room, PlayerTable &players, BotSpeaker &bot, ChatLog &log,
        const ChatOptions &options, QObject *parent = nullptr);

    // The welcome text said to addresses seen for the first time in this run ("" = none).
    void setWelcomeMessage(const QString &text);

private:
    void greet(const QString &name, quint16 id, int socket, const QString &address);
    void noteDeparture(const QString &name);

    PlayerTable &m_players;
    BotSpeaker &m_bot;
    ChatLog &m_log;
    const ChatOptions &m_options;
    QString m_welcomeMessage;
};
