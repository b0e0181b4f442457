#include "LoopbackRoom.h"

#include "support/TestWait.h"

#include <QHostAddress>

LoopbackRoom::LoopbackRoom(bool autoAccept)
{
    if (autoAccept) {
        QObject::connect(&slots, &ClientSlots::connectionRequested, &slots,
            [this](ClientLink *pending, const QString &) {
                const int index = slots.lowestClosedSlot();
                if (index > 0 && slots.accept(pending, index))
                    requestedSlots << index;
            });
    }
}

bool LoopbackRoom::listen()
{
    return slots.listen(QHostAddress(QHostAddress::LocalHost), 0);
}

GameClient *LoopbackRoom::connectFrom(int host)
{
    clients.push_back(std::make_unique<GameClient>(host));
    GameClient *client = clients.back().get();
    const qsizetype placedBefore = requestedSlots.size();
    // A refused client may be closed before it ever counts as connected.
    client->connectTo(slots.listeningPort());
    waitUntil([&] { return client->isClosed() || requestedSlots.size() > placedBefore; });
    return client;
}
