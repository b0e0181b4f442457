#pragma once

#include <QString>

class ChatOptions;
class OutgoingQueue;
class PlayerTable;
class Transcript;

// Every line the bot says goes through here: to the players as a line from the host, or, when the
// operator asked, only into the operator's transcript.
class BotSpeaker
{
public:
    BotSpeaker(Transcript &transcript, OutgoingQueue &queue, const ChatOptions &options,
        const PlayerTable &players);

    // replyToHost: a "BOT: " line for the operator only. Otherwise a host chat line to one socket,
    // or to every seated player for socket 0, echoed as the operator's own chat when "Echo Bot
    // Commands" is on. Text longer than one chat line can carry goes out as several lines.
    void botSay(bool replyToHost, int socket, const QString &text);
    // What the bot says may depend on the options too ("Show Full IPs in +whois").
    const ChatOptions &options() const { return m_options; }

private:
    Transcript &m_transcript;
    OutgoingQueue &m_queue;
    const ChatOptions &m_options;
    const PlayerTable &m_players;
};
