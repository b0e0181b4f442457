#include "FuzzSupport.h"

#include "chatserver/BanStore.h"
#include "chatserver/ChatPackets.h"
#include "lobby/LobbyPackets.h"
#include "net/SocketState.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFile>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Inputs one host serves before it makes way for a fresh one, which bounds what piles up in
// its transcript, logs and timers.
constexpr int InputsPerHost = 500;

QString clientAddress(int client)
{
    return u"127.0.0.%1"_s.arg(client + 2);
}

const QString ClientNames[FuzzHost::Players] = {u"Ann"_s, u"Bob"_s};

std::unique_ptr<FuzzHost> g_host;
int g_inputsServed = 0;

} // namespace

QByteArrayView takeCounted(QByteArrayView &input)
{
    if (input.size() < 2) {
        input = {};
        return {};
    }
    const qsizetype count = std::min<qsizetype>(
        qsizetype(quint8(input.at(0))) | qsizetype(quint8(input.at(1))) << 8, input.size() - 2);
    const QByteArrayView bytes = input.sliced(2, count);
    input = input.sliced(2 + count);
    return bytes;
}

void endEvent()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void dropStrandedTimers()
{
    endEvent();
    const QObjectList timers = QAbstractEventDispatcher::instance()->children();
    for (QObject *timer : timers) {
        if (timer->inherits("QSingleShotTimer"))
            delete timer;
    }
}

FuzzHost::FuzzHost()
{
    QFile ladders(m_dir.filePath(u"ladders.ini"_s));
    require(ladders.open(QIODevice::WriteOnly));
    ladders.write("'comment\r\nAlpha|alp|3\r\n");
    ladders.close();

    HostOptions options;
    options.dataDir = m_dir.path();
    options.settingsFile = m_dir.filePath(u"settings.ini"_s);
    // Nothing listens on the discard port: a download or a lobby connection fails at once, and
    // never leaves the machine.
    const QUrl nowhere(u"http://127.0.0.1:9/"_s);
    options.leagueUrl = nowhere;
    options.tourneyUrl = nowhere;
    options.rankUrl = nowhere;
    options.network.lobbyHost = u"127.0.0.1"_s;
    options.network.lobbyPort = 9;
    options.network.chatPort = 0;
    m_core = std::make_unique<HostCore>(options);
    require(m_core->start());
    parts().identity.setOperatorName(u"Operator"_s);
    parts().identity.setRoomName(u"Fuzz Cup"_s);
    parts().room.setLimits(unboundedLimits());
}

ChatRoom::Limits unboundedLimits()
{
    ChatRoom::Limits limits;
    limits.lineBurst = 1 << 20;
    limits.nameRequestBurst = 1 << 20;
    limits.refusalBurst = 1 << 20;
    limits.commandPacketBurst = 1 << 20;
    limits.maxBytesPerSecond = qint64(1) << 40;
    limits.joins.burst = 1 << 20;
    limits.passwords.wrongAllowed = 1 << 20;
    return limits;
}

FuzzHost::~FuzzHost()
{
    m_core.reset();
    dropStrandedTimers();
}

quint16 FuzzHost::playerId(int client)
{
    const std::optional<int> position = parts().players.findBySocket(slotOf(client));
    return position ? parts().players.id(*position) : 0;
}

int FuzzHost::slotOf(int client) const
{
    ClientSlots &slots = m_core->parts().clientSlots;
    for (int slot = 1; slot <= slots.highestIndex(); ++slot) {
        if (slots.peerAddress(slot) == clientAddress(client))
            return slot;
    }
    return 0;
}

bool FuzzHost::open()
{
    if (m_core->hosting() == HostCore::Hosting::Idle)
        m_core->clickHostButton();
    Q_EMIT parts().lobby.messageArrived(LobbyPacket::ChatAdded);
    return m_core->hosting() == HostCore::Hosting::Open;
}

void FuzzHost::seat(int client)
{
    auto *link = new MemoryClientLink;
    m_links[client] = link;
    parts().clientSlots.offer(link, clientAddress(client));
    if (!link->isRetired())
        link->deliver(ChatPacket::joinRequest(ClientNames[client]));
}

void FuzzHost::settle()
{
    endEvent();
    // Every call takes at least one entry off, and sending queues nothing new.
    while (parts().queue.size() > 0)
        parts().queue.sendHeadNow();
    endEvent();
    for (const QPointer<MemoryClientLink> &link : m_links) {
        if (link)
            link->takeWritten();
    }
}

void FuzzHost::check()
{
    HostParts &p = parts();
    qsizetype waiting = 0;
    for (int slot = 1; slot <= p.clientSlots.highestIndex(); ++slot)
        waiting += p.queue.waitingFor(slot);
    require(waiting == p.queue.size());
    QSet<quint16> ids;
    for (int position = 1; position <= p.players.count(); ++position) {
        require(p.clientSlots.connectionId(p.players.socket(position)) != 0);
        require(!ids.contains(p.players.id(position)));
        ids.insert(p.players.id(position));
    }
    for (const BanRow &row : p.room.banList().rows()) {
        const std::optional<BanRow> back = BanStore::decode(BanStore::encode(row));
        require(back && back->address == row.address && back->playerName == row.playerName
            && back->reason == row.reason
            // Stored to the second.
            && back->expires.isValid() == row.expires.isValid()
            && std::abs(back->expires.msecsTo(row.expires)) < 1000);
    }
}

bool FuzzHost::restore()
{
    settle();
    if (m_core->hosting() != HostCore::Hosting::Open && !open())
        return false;
    if (!parts().room.banList().rows().isEmpty())
        m_core->unbanAll();
    if (m_core->isMuted())
        m_core->toggleMute();
    for (int client = 0; client < Players; ++client) {
        if (playerId(client) == 0)
            seat(client);
    }
    settle();
    for (int client = 0; client < Players; ++client) {
        if (playerId(client) == 0)
            return false;
    }
    return parts().players.count() == Players;
}

FuzzHost &sharedHost()
{
    if (!g_host || g_inputsServed >= InputsPerHost || !g_host->restore()) {
        g_host.reset();
        g_host = std::make_unique<FuzzHost>();
        g_inputsServed = 0;
        require(g_host->restore());
    }
    return *g_host;
}

void finishInput()
{
    g_host->settle();
    g_host->check();
    dropStrandedTimers();
    ++g_inputsServed;
}
