// Feeds arbitrary bytes to a real ChatRoom as the arrivals of four connections, and lets the
// clients leave and come back into reused slots in between. The room, its queue and its socket
// array are the product's own; the connections are links in memory, so nothing waits for a
// network and the queue sends when the input says so, not when its clock does.
//
// Input: steps until the input ends. Each step starts with a control byte:
//   bits 0..1  the client: 0 and 1 start seated (IDs 1 and 2), 2 and 3 connected without a seat
//   bits 2..3  0 = bytes arrive from it; 1 = it leaves; 2 = it connects again from its address
//              (replacing its connection if it still has one); 3 = the event ends and the queue
//              sends for 1 + (bits 4..7) ticks
//   bits 4..7  for arrivals, the size of the pieces they come in (1..15 bytes, 0 = all at once),
//              which moves packet edges around
// Arrivals are followed by a 16-bit little-endian count and that many bytes.
//
// After every step the queue must hold nothing for a connection that is gone, and a client that
// connected must hear its own greeting first, never a packet queued for whoever had its slot
// before. Every input ends with the queue sent out in full, and the next starts as this one
// did: clients the input moved connect again and take their seats.

#include "FuzzSupport.h"
#include "chatserver/ChatPackets.h"
#include "net/SocketState.h"
#include "support/MemoryClientLink.h"
#include "support/RoomParts.h"

#include <QCoreApplication>
#include <QPointer>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Clients = 4;
constexpr int Seated = 2;
// Inputs one room serves before it makes way for a fresh one; see dropStrandedTimers().
constexpr int InputsPerRoom = 2000;

struct FuzzedRoom : ChatRoomParts
{
    FuzzedRoom()
    {
        players.setHostName(u"Operator"_s);
        state.roomName = u"Fuzz Cup"_s;
        room.setLimits(unboundedLimits());
        voice.setWelcomeMessage(u"Welcome"_s);
    }

    static QString address(int client) { return u"127.0.0.%1"_s.arg(client + 2); }

    // The slot the client's connection holds, or 0.
    int slotOf(int client) const
    {
        for (int slot = 1; slot <= slots.highestIndex(); ++slot) {
            if (slots.peerAddress(slot) == address(client))
                return slot;
        }
        return 0;
    }

    MemoryClientLink *linkOf(int client) const
    {
        MemoryClientLink *link = links[client];
        return link && !link->isRetired() ? link : nullptr;
    }

    // Connects the client again from its address; false when the room did not place it.
    bool connect(int client)
    {
        auto *link = new MemoryClientLink;
        links[client] = link;
        greeted[client] = false;
        slots.offer(link, address(client));
        return slotOf(client) > 0;
    }

    void leave(int client)
    {
        if (MemoryClientLink *link = linkOf(client))
            link->hangUp();
    }

    void arrive(int client, QByteArrayView bytes, int piece)
    {
        while (!bytes.isEmpty()) {
            MemoryClientLink *link = linkOf(client);
            if (!link)
                return;
            const qsizetype taken
                = piece == 0 ? bytes.size() : std::min<qsizetype>(piece, bytes.size());
            link->deliver(bytes.first(taken));
            bytes = bytes.sliced(taken);
        }
    }

    void tick(int ticks)
    {
        endEvent();
        for (int i = 0; i < ticks && queue.size() > 0; ++i)
            queue.sendHeadNow();
    }

    void sendAll()
    {
        endEvent();
        // Every call takes at least one entry off, and sending queues nothing new.
        while (queue.size() > 0)
            queue.sendHeadNow();
        endEvent();
    }

    // Brings back to the start what the input changed: clients 0 and 1 seated, 2 and 3 connected
    // without a seat. A client out of place connects again (into a reused slot) and, if it is to
    // be seated, asks for its seat. Far cheaper than a fresh room; false when it did not work.
    bool restore()
    {
        for (int client = 0; client < Clients; ++client) {
            const int slot = slotOf(client);
            const bool connected
                = linkOf(client) && slot > 0 && slots.state(slot) == SocketState::Connected;
            const bool seated = slot > 0 && players.findBySocket(slot).has_value();
            if (connected && seated == (client < Seated))
                continue;
            if (!connect(client))
                return false;
            if (client < Seated)
                linkOf(client)->deliver(ChatPacket::joinRequest(u"Seated%1"_s.arg(client)));
        }
        sendAll();
        check();
        return isPristine();
    }

    bool isPristine() const
    {
        if (players.count() != Seated || slots.connectedCount() != Clients)
            return false;
        for (int client = 0; client < Seated; ++client) {
            if (players.socket(client + 1) != slotOf(client)
                || players.id(client + 1) != client + 1)
                return false;
        }
        return true;
    }

    // What must hold whatever the input was.
    void check()
    {
        // Everything waiting waits for a connection that is still in its slot.
        qsizetype waiting = 0;
        for (int slot = 1; slot <= slots.highestIndex(); ++slot)
            waiting += queue.waitingFor(slot);
        require(waiting == queue.size());
        // A client's first bytes are its own greeting (or, turned away, the room being full).
        for (int client = 0; client < Clients; ++client) {
            MemoryClientLink *link = links[client];
            if (!link || link->written().isEmpty())
                continue;
            if (!greeted[client]) {
                require(link->written().startsWith(greeting)
                    || link->written().startsWith(ChatPacket::roomFull()));
                greeted[client] = true;
            }
            // The client reads what it was sent, so nothing piles up.
            link->takeWritten();
        }
    }

    const QByteArray greeting = ChatPacket::initiateConnection(false, u"Fuzz Cup"_s);
    std::array<QPointer<MemoryClientLink>, Clients> links;
    std::array<bool, Clients> greeted{};
};

std::unique_ptr<FuzzedRoom> g_room;
int g_inputsServed = 0;

void openFreshRoom()
{
    g_room.reset();
    dropStrandedTimers();
    g_room = std::make_unique<FuzzedRoom>();
    g_inputsServed = 0;
    require(g_room->restore());
}

void runStep(FuzzedRoom &room, QByteArrayView &input)
{
    const quint8 control = quint8(input.at(0));
    input = input.sliced(1);
    const int client = control & 3;
    switch ((control >> 2) & 3) {
    case 0:
        room.arrive(client, takeCounted(input), control >> 4);
        return;
    case 1:
        room.leave(client);
        return;
    case 2:
        room.connect(client);
        return;
    default:
        room.tick(1 + (control >> 4));
        return;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    openFreshRoom();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArrayView input(data, qsizetype(size));
    while (!input.isEmpty()) {
        runStep(*g_room, input);
        g_room->check();
    }
    g_room->sendAll();
    g_room->check();
    // Without a clock they would never come due, and each one makes the next timer dearer.
    dropStrandedTimers();
    if (++g_inputsServed >= InputsPerRoom || !g_room->restore())
        openFreshRoom();
    return 0;
}
