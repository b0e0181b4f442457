// Feeds arbitrary bytes to a real ChatRoom as the arrivals of four connections, and lets the
// clients leave and come back into reused slots in between. The room, its queue and its sockets
// are the product's own; the connections are real loopback connections, made once and made again
// only when an input has changed who is connected or seated.
//
// Input: steps until the input ends. Each step starts with a control byte:
//   bits 0..1  the client: 0 and 1 start seated (IDs 1 and 2), 2 and 3 connected without a seat
//   bits 2..3  0 = bytes arrive from it; 1 = it leaves; 2 = it connects again from its address
//              (replacing its connection if it still has one); 3 = the queue sends for a tick
//   bits 4..7  for arrivals, the size of the pieces they come in (1..15 bytes, 0 = all at once),
//              which moves packet edges around
// Arrivals are followed by a 16-bit little-endian count and that many bytes.
//
// After every input the queue must hold nothing for a connection that is gone, and a client that
// connected during it must hear its own greeting first, never a packet queued for whoever had its
// slot before.

#include "chatserver/ChatPackets.h"
#include "net/SocketState.h"
#include "support/RoomParts.h"
#include "support/TestWait.h"

#include <QCoreApplication>
#include <QTcpSocket>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Clients = 4;
constexpr int Seated = 2;

struct FuzzedRoom : ChatRoomParts
{
    FuzzedRoom()
    {
        players.setHostName(u"Operator"_s);
        state.roomName = u"Fuzz Cup"_s;
        ChatRoom::Limits limits;
        // The caps on rate would soon close the connections or refuse the requests under a
        // fuzzer's pace; without them every input reaches the packet handlers.
        limits.lineBurst = 1 << 20;
        limits.nameRequestBurst = 1 << 20;
        limits.refusalBurst = 1 << 20;
        limits.commandPacketBurst = 1 << 20;
        limits.maxBytesPerSecond = qint64(1) << 40;
        room.setLimits(limits);
        room.setWelcomeMessage(u"Welcome"_s);
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

    // Connects the client again from its address and waits until the room has placed it.
    bool connect(int client)
    {
        const quint64 before = slots.connectionId(slotOf(client));
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress(address(client)));
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), slots.listeningPort());
        sockets[client] = std::move(socket);
        greeted[client] = false;
        return waitUntil(
            [&] {
                const int slot = slotOf(client);
                return slot > 0 && slots.connectionId(slot) != before
                    && slots.state(slot) == SocketState::Connected;
            },
            3000);
    }

    bool leave(int client)
    {
        if (!sockets[client])
            return true;
        sockets[client]->abort();
        sockets[client].reset();
        return waitUntil([&] { return slotOf(client) == 0; }, 3000);
    }

    bool open()
    {
        if (!room.startListening(0, QHostAddress(QHostAddress::LocalHost)))
            return false;
        for (int client = 0; client < Clients; ++client) {
            if (!connect(client))
                return false;
        }
        for (int client = 0; client < Seated; ++client)
            room.receive(slotOf(client), ChatPacket::joinRequest(u"Seated%1"_s.arg(client)));
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
        if (waiting != queue.size())
            std::abort();
        // A client's first packet is its own greeting.
        for (int client = 0; client < Clients; ++client) {
            QTcpSocket *socket = sockets[client].get();
            if (greeted[client] || !socket || socket->bytesAvailable() == 0)
                continue;
            const quint8 first = quint8(socket->peek(1).at(0));
            if (first != ChatPacket::InitiateConnectionOpen
                && first != ChatPacket::InitiateConnectionLocked && first != ChatPacket::RoomFull)
                std::abort();
            greeted[client] = true;
        }
    }

    std::array<std::unique_ptr<QTcpSocket>, Clients> sockets;
    std::array<bool, Clients> greeted{};
};

std::unique_ptr<FuzzedRoom> g_room;

void openFreshRoom()
{
    g_room.reset();
    g_room = std::make_unique<FuzzedRoom>();
    if (!g_room->open())
        std::abort();
}

// False when the room could not follow (a connection that did not come or go in time).
bool runStep(FuzzedRoom &room, QByteArrayView &input)
{
    const quint8 control = quint8(input.at(0));
    input = input.sliced(1);
    const int client = control & 3;
    switch ((control >> 2) & 3) {
    case 0: {
        if (input.size() < 2)
            return true;
        const qsizetype count = std::min<qsizetype>(
            qsizetype(quint8(input.at(0))) | qsizetype(quint8(input.at(1))) << 8, input.size() - 2);
        QByteArrayView bytes = input.sliced(2, count);
        input = input.sliced(2 + count);
        const int piece = control >> 4;
        const int slot = room.slotOf(client);
        while (slot > 0 && !bytes.isEmpty()) {
            const qsizetype taken
                = piece == 0 ? bytes.size() : std::min<qsizetype>(piece, bytes.size());
            room.room.receive(slot, bytes.first(taken));
            bytes = bytes.sliced(taken);
        }
        return true;
    }
    case 1:
        return room.leave(client);
    case 2:
        return room.connect(client);
    default:
        QCoreApplication::processEvents(QEventLoop::AllEvents, 6);
        return true;
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
    bool followed = true;
    while (followed && !input.isEmpty()) {
        followed = runStep(*g_room, input);
        g_room->check();
    }
    // Lets the closes at the end of the event, and a due packet of the queue, happen.
    QCoreApplication::processEvents();
    g_room->check();
    if (!followed || !g_room->isPristine())
        openFreshRoom();
    return 0;
}
