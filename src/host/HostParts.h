#pragma once

#include "appearance/ChatStyles.h"
#include "chat/BotSpeaker.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/RoomVoice.h"
#include "chat/Transcript.h"
#include "chatserver/BanStore.h"
#include "chatserver/ChatRoom.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "host/HostIdentity.h"
#include "host/HostOptions.h"
#include "host/NetworkConfig.h"
#include "host/RoomServices.h"
#include "host/StatusPanel.h"
#include "host/StoredValueEditor.h"
#include "lobby/LobbyLink.h"
#include "settings/SettingsStore.h"

#include <QNetworkAccessManager>

#include <memory>

// Every part a HostCore owns. The core wires them together; tests look inside a running host
// through HostCore::parts(). Front ends never include this header: they use the core's
// operations and read models.
struct HostParts
{
    HostParts(
        const QString &settingsFile, const NetworkOverrides &overrides, const QString &dataFolder)
        : store(settingsFile)
        , network(NetworkConfig::load(store, overrides))
        , identity(store)
        , styles(store)
        , chatOptions(store)
        , chatLog(dataFolder)
        , transcript(chatOptions, styles, chatLog)
        , queue(players, clientSlots)
        , bot(transcript, queue, chatOptions, players)
        , room(state, players, clientSlots, queue)
        , voice(room, players, bot, chatLog, chatOptions)
        , banStore(store, room.banList())
        , editor(store, identity, chatOptions, styles)
    {
    }

    SettingsStore store;
    NetworkConfig network;
    HostIdentity identity;
    ChatStyles styles;
    ChatOptions chatOptions;
    ChatLog chatLog;
    Transcript transcript;
    HostState state;
    PlayerTable players;
    ClientSlots clientSlots;
    OutgoingQueue queue;
    BotSpeaker bot;
    ChatRoom room;
    RoomVoice voice;
    BanStore banStore;
    StoredValueEditor editor;
    LobbyLink lobby;
    StatusPanel status;
    QNetworkAccessManager web;

    // Built by HostCore::start(), once the ladders are loaded.
    std::unique_ptr<RoomServices> services;
};
