#pragma once

#include "chat/BotReplies.h"
#include "chat/HostConsole.h"
#include "chat/PlayerChat.h"
#include "tournament/PairingsService.h"
#include "tournament/RankLookup.h"
#include "tournament/TournamentSettings.h"

class BotSpeaker;
class ClientSlots;
class LeagueSite;
class OutgoingQueue;
class PlayerTable;
class QNetworkAccessManager;
class SettingsStore;
class Transcript;
struct HostState;

// What a room offers beyond relaying chat: the tournament, its league lookups, the bot's replies
// and the handling of the players' and the operator's lines. Built once the ladders are known.
struct RoomServices
{
    // The room the services answer into.
    struct Room
    {
        HostState &state;
        PlayerTable &players;
        ClientSlots &slots;
        OutgoingQueue &queue;
        Transcript &transcript;
        BotSpeaker &bot;
    };

    RoomServices(const Room &room, SettingsStore &store, const QList<LadderEntry> &ladders,
        const LeagueSite &site, QNetworkAccessManager *web);

    TournamentSettings tournament;
    PairingsService pairings;
    RankLookup ranks;
    BotReplies replies;
    PlayerChat playerChat;
    HostConsole console;
};
