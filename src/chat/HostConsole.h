#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class BotReplies;
class OutgoingQueue;
class PlayerTable;
class RankLookup;
class Transcript;
struct HostState;

// The operator's side of the room: lines typed into the chat input, whispers to a chosen player,
// the operator's own bot commands (answered to the operator only) and the room's mute.
class HostConsole
{
public:
    HostConsole(HostState &state, const PlayerTable &players, OutgoingQueue &queue,
        Transcript &transcript, BotReplies &replies, RankLookup &ranks);

    // Send and Enter: a command, or chat said to the room. The caller empties the input box after
    // a line was handled; an empty line is not handled.
    void handleHostInput(const QString &line);

    // A whisper to the seated player with that ID; false when there is none.
    bool whisperTo(quint16 targetId, const QString &line);

    // The Mute menu item; nothing happens while no player is seated. Returns the new state.
    bool toggleMute();
    bool isMuted() const;

private:
    struct WhisperTarget
    {
        quint16 id;
        int position;
    };

    // A line the operator typed, said to the room or whispered to one player unless it is a
    // command.
    void handleLine(const QString &line, std::optional<WhisperTarget> whisper);
    // True when the line was a command; its answers are shown to the operator only.
    bool answerCommand(const QString &line);
    void say(const QString &line);
    void whisper(const QString &line, WhisperTarget target);
    void tellEverybody(const QString &notice);

    HostState &m_state;
    const PlayerTable &m_players;
    OutgoingQueue &m_queue;
    Transcript &m_transcript;
    BotReplies &m_replies;
    RankLookup &m_ranks;
};
