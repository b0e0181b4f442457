// Feeds arbitrary bytes to a real ChatRoom as the arrivals of one of its connections: a seated
// player's or one still without a seat. The room, its queue and its sockets are the product's
// own; the connections are real loopback connections, made once and made again only when an input
// has changed who is seated (a join, a drop for a broken cap).
//
// Input: byte 0 picks the connection (bit 0: the unseated one) and the size of the pieces the rest
// arrives in (bits 1..4: 1..16 bytes, 0 = all at once), which moves packet edges around.

#include "appearance/ChatStyles.h"
#include "chat/BotSpeaker.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/Transcript.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ChatRoom.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int SeatedSocket = 1;
constexpr int UnseatedSocket = 2;

bool runUntil(const std::function<bool()> &condition)
{
    const QDeadlineTimer deadline(3000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QByteArray joinRequest(const QByteArray &name)
{
    QByteArray packet(33, '\0');
    packet[0] = char(ChatPacket::JoinRequest);
    packet[1] = 7;
    ChatPacket::writeId(packet, 2, quint16(packet.size()));
    packet.replace(8, name.size(), name);
    return packet;
}

struct FuzzedRoom
{
    FuzzedRoom()
    {
        players.setHostName(u"Operator"_s);
        state.roomName = u"Fuzz Cup"_s;
        ChatRoom::Limits limits;
        // The caps on rate would soon close the connections under a fuzzer's pace; without them
        // every input reaches the packet handlers.
        limits.lineBurst = 1 << 20;
        limits.maxBytesPerSecond = qint64(1) << 40;
        room.setLimits(limits);
        room.setWelcomeMessage(u"Welcome"_s);
    }

    // Slot 1 seated as ID 1, slot 2 connected without a seat.
    bool open()
    {
        if (!room.startListening(0, QHostAddress(QHostAddress::LocalHost)))
            return false;
        for (int host = 2; host <= 3; ++host) {
            clients.push_back(std::make_unique<QTcpSocket>());
            QTcpSocket &client = *clients.back();
            client.bind(QHostAddress(u"127.0.0.%1"_s.arg(host)));
            client.connectToHost(QHostAddress(QHostAddress::LocalHost), slots.listeningPort());
            if (!runUntil([&] { return slots.connectedCount() == host - 1; }))
                return false;
        }
        room.receive(SeatedSocket, joinRequest("Seated"));
        return isPristine();
    }

    bool isPristine() const
    {
        return players.count() == 1 && players.socket(1) == SeatedSocket && players.id(1) == 1
            && slots.connectedCount() == 2;
    }

    QTemporaryDir dir;
    SettingsStore store;
    ChatOptions options{store};
    ChatStyles styles{store};
    ChatLog log{dir.path()};
    Transcript transcript{options, styles, log};
    HostState state;
    PlayerTable players;
    ClientSlots slots;
    OutgoingQueue queue{players, slots};
    BotSpeaker bot{transcript, queue, options, players};
    ChatRoom room{state, players, slots, queue, bot, log, options};
    std::vector<std::unique_ptr<QTcpSocket>> clients;
};

std::unique_ptr<FuzzedRoom> g_room;

void openFreshRoom()
{
    g_room.reset();
    g_room = std::make_unique<FuzzedRoom>();
    if (!g_room->open())
        std::abort();
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
    if (size == 0)
        return 0;
    const int socket = (data[0] & 1) ? UnseatedSocket : SeatedSocket;
    const int piece = (data[0] >> 1) & 0x0f;
    QByteArrayView rest(data + 1, qsizetype(size - 1));
    while (!rest.isEmpty()) {
        const qsizetype taken = piece == 0 ? rest.size() : std::min<qsizetype>(piece, rest.size());
        g_room->room.receive(socket, rest.first(taken));
        rest = rest.sliced(taken);
    }
    // Lets the closes at the end of the event, and a due packet of the queue, happen.
    QCoreApplication::processEvents();
    if (!g_room->isPristine())
        openFreshRoom();
    return 0;
}
