#include "BotRoom.h"

#include "chatserver/ChatPackets.h"
#include "common/FramedPackets.h"
#include "support/TestWait.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QString SettleMark = u"<settled>"_s;

QList<LadderEntry> ladders()
{
    return {{u"Singles Ladder"_s, u"singles"_s, u"1"_s}};
}

// Every league page comes from the loopback site, which listens from here on.
LeagueSite listeningSite(LoopbackHttpServer &league)
{
    league.listen();
    return LeagueSite({league.baseUrl(), league.baseUrl(), league.baseUrl()});
}

} // namespace

BotRoom::BotRoom()
    : services(RoomServices::Room{state, players, slots, queue, transcript, bot}, store, ladders(),
        listeningSite(league), &network)
{
    services.ranks.fetcher().setTimeoutMs(RankTimeoutMs);
    services.tournament.restore();
    players.setHostName(u"Host"_s);

    connect(&slots, &ClientSlots::connectionRequested, this,
        [this](ClientLink *pending, const QString &) {
            slots.accept(pending, slots.lowestClosedSlot());
        });
    connect(&slots, &ClientSlots::dataArrived, this, &BotRoom::takeArrivals);
    connect(&transcript, &Transcript::lineAdded, this, [this](const TranscriptLine &line) {
        m_shown << line.prefix + u'|' + line.body + u'|' + lineKindCode(line.kind);
    });
    slots.listen(QHostAddress(QHostAddress::LocalHost), 0);
}

Seat BotRoom::seat(const QString &name, int hostByte, quint16 id)
{
    auto client = std::make_unique<GameClient>(hostByte);
    const int before = slots.connectedCount();
    if (!client->connectTo(slots.listeningPort())
        || !waitUntil([&] { return slots.connectedCount() > before; }, 3000))
        return {};
    int socket = 0;
    for (int index = 1; index <= slots.highestIndex(); ++index) {
        if (slots.peerAddress(index) == client->address())
            socket = index;
    }
    const Seat seated{client.get(), name, id != 0 ? id : *players.issueId(), socket};
    players.add(name, seated.id, socket);
    m_seats.insert(socket, seated);
    m_clients.push_back(std::move(client));
    return seated;
}

void BotRoom::takeArrivals(int socket)
{
    for (const QByteArray &packet : takePackets(m_framers[socket], slots.takeAvailable(socket))) {
        // The room parses and checks a line before the chat layer sees it; here the test does.
        if (const std::optional<ChatPacket::ChatLineFields> line = ChatPacket::readChatLine(packet))
            services.playerChat.handlePlayerChat(packet, *line, socket);
        ++m_handled;
    }
}

bool BotRoom::say(const Seat &from, const QString &text, bool whisper, quint16 target)
{
    const int before = m_handled;
    from.client->sendChat(from.id, text, whisper, target);
    return waitUntil([&] { return m_handled > before; }, 3000) && settle();
}

bool BotRoom::settle()
{
    queue.queuePacket(0, ChatPacket::chatLine(SettleMark), 0);
    const auto allSettled = [this] {
        for (const Seat &seated : std::as_const(m_seats)) {
            const QStringList received = seated.client->chatTexts();
            if (received.isEmpty() || received.last() != SettleMark)
                return false;
        }
        return true;
    };
    const bool settled = waitUntil(allSettled, 3000);
    for (const Seat &seated : std::as_const(m_seats)) {
        QList<QByteArray> packets = seated.client->packets();
        if (!packets.isEmpty())
            packets.removeLast();
        m_received.insert(seated.socket, packets);
        seated.client->clearPackets();
    }
    return settled;
}

QStringList BotRoom::texts(const Seat &seated) const
{
    QStringList result;
    for (const QByteArray &packet : received(seated)) {
        if (const auto line = ChatPacket::readChatLine(packet))
            result << line->text;
    }
    return result;
}

QStringList BotRoom::takeShown()
{
    return std::exchange(m_shown, {});
}

QByteArray BotRoom::logged() const
{
    QFile file(log.filePath(QDate::currentDate()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool LadderRoomSuite::openLadderRoom()
{
    m_room = std::make_unique<BotRoom>();
    m_room->services.tournament.setRule(0, u"No mulligans"_s);
    if (!m_room->services.tournament.chooseDetail(TournamentSettings::Ladder, u"Singles Ladder"_s))
        return false;
    m_ann = m_room->seat(u"Ann"_s, 2);
    m_bob = m_room->seat(u"Bob"_s, 3);
    return m_ann.client && m_bob.client;
}
