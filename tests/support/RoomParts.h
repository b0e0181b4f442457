#pragma once

#include "appearance/ChatStyles.h"
#include "chat/BotSpeaker.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/RoomVoice.h"
#include "chat/Transcript.h"
#include "chatserver/ChatRoom.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QTemporaryDir>

// The parts of a room wired as the host wires them: settings in memory, the chat options and
// styles, a chat log in a temporary folder (US dates, on the given clock), the transcript, the
// room's state and player table, the socket array, the outgoing queue and the bot's voice.
struct RoomParts
{
    explicit RoomParts(ChatLog::Clock clock = &QDateTime::currentDateTime);

    QTemporaryDir dir;
    SettingsStore store;
    ChatOptions options{store};
    ChatStyles styles{store};
    ChatLog log;
    Transcript transcript{options, styles, log};
    HostState state;
    PlayerTable players;
    ClientSlots slots;
    OutgoingQueue queue{players, slots};
    BotSpeaker bot{transcript, queue, options, players};
};

// Those parts with the room's server side on them, which admits, seats and frames the clients,
// and the chat layer's voice, which greets them and tells commands from chat.
struct ChatRoomParts : RoomParts
{
    using RoomParts::RoomParts;

    ChatRoom room{state, players, slots, queue};
    RoomVoice voice{room, players, bot, log, options};
};
