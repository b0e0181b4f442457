#pragma once

#include "chatserver/ClientSlots.h"
#include "support/GameClient.h"

#include <memory>
#include <vector>

// A listening socket array on 127.0.0.1 that accepts every request into the lowest closed slot,
// plus the game clients connected to it, each from its own loopback address.
class LoopbackRoom
{
public:
    ClientSlots slots;
    std::vector<std::unique_ptr<GameClient>> clients;
    QList<int> requestedSlots; // the slot each accepted request got, in order

    explicit LoopbackRoom(bool autoAccept = true);

    bool listen();
    // Connects from 127.0.0.<host> and waits until the room has placed (or refused) it.
    GameClient *connectFrom(int host);
};
