#include "chatserver/ChatRoom.h"

#include "chatserver/ChatPackets.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "net/SocketState.h"
#include "text/LogTimeFormats.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QTime>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcRoom, "vornic.room")

const QString kSlowDownNotice = u"** Too many lines, please slow down **"_s;
const QString kCommandsNotice = u"** Too many commands, please wait a minute **"_s;
const QString kBusyNotice = u"** The room is busy, your line was not sent **"_s;
// AddPlayer has room for 20 characters; every list and log shows the name as the clients see it.
constexpr int kMaxNameLength = ChatPacket::AddPlayerNameWidth;

QString timeOfDay()
{
    const QLocale locale = QLocale::system();
    return locale.toString(QTime::currentTime(), LogTimeFormats::timeFormat(locale));
}

} // namespace

ChatRoom::ChatRoom(HostState &state, PlayerTable &players, ClientSlots &clientSlots,
    OutgoingQueue &queue, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_players(players)
    , m_slots(clientSlots)
    , m_queue(queue)
{
    m_clock.start();
    m_leftOutReport.setInterval(1000);
    connect(&m_leftOutReport, &QTimer::timeout, this, &ChatRoom::reportLeftOutNotes);
    connect(&m_slots, &ClientSlots::connectionRequested, this, &ChatRoom::offerConnection);
    connect(&m_slots, &ClientSlots::dataArrived, this, &ChatRoom::readArrivals);
    connect(&m_slots, &ClientSlots::peerClosed, this, &ChatRoom::closeConnection);
    connect(&m_queue, &OutgoingQueue::connectionOverflowed, this, &ChatRoom::dropOverflowing);
}

void ChatRoom::setCommandTest(CommandTest isCommand)
{
    m_isCommand = std::move(isCommand);
}

void ChatRoom::setLimits(const Limits &limits)
{
    m_limits = limits;
    m_joinBudget.setLimits(limits.joins);
    m_passwordLockout.setLimits(limits.passwords);
    m_debugThrottle = DebugThrottle(limits.debugLines);
}

bool ChatRoom::startListening(quint16 port, const QHostAddress &address)
{
    return m_slots.listen(address, port);
}

bool ChatRoom::isListening() const
{
    return m_slots.state(0) == SocketState::Listening;
}

void ChatRoom::closeAll()
{
    // Closing each connection also throws away what waits for it, so the next room starts with
    // an empty queue.
    m_slots.closeAll();
    m_connections.clear();
    m_players.clearPlayers();
    m_ipMonitor.clear();
    Q_EMIT playerListChanged();
}

QStringList ChatRoom::playerListRows() const
{
    QStringList rows;
    for (int position = 0; position <= m_players.count(); ++position)
        rows << m_players.name(position);
    return rows;
}

// --- Admission --------------------------------------------------------------------------------

void ChatRoom::offerConnection(ClientLink *pending, const QString &address)
{
    if (m_banList.isBanned(address)) {
        m_slots.refuse(pending);
        return;
    }
    // An address past its join budget is turned away as a full room turns it away, before it
    // can make the room announce anything to the others.
    const qint64 now = nowMs();
    if (!m_joinBudget.allows(address, now)) {
        note(address, Note::JoinsTooFast, u"Joins too often from "_s + address + u"; refused"_s);
        m_slots.refuse(pending, ChatPacket::roomFull());
        return;
    }
    // One connection per address: a client that reconnects replaces its older connection. A
    // seated one paid when it took its seat; one without a seat pays here, or reconnecting
    // without ever joining would cost nothing.
    for (int socket = 1; socket <= m_slots.highestIndex(); ++socket) {
        if (m_slots.peerAddress(socket) == address) {
            if (!m_players.findBySocket(socket))
                m_joinBudget.spend(address, now);
            closeConnection(socket);
        }
    }
    const int socket = m_slots.lowestClosedSlot();
    if (socket < 0 || !m_slots.accept(pending, socket)) {
        // The refused client is the only one who should hear that the room is full.
        m_slots.refuse(pending, ChatPacket::roomFull());
        return;
    }
    openConnection(socket);
}

void ChatRoom::openConnection(int socket)
{
    ClientConnection fresh;
    fresh.generation = ++m_lastGeneration;
    fresh.chatLines = TokenBucket(m_limits.lineBurst, m_limits.linesPerSecond);
    fresh.nameReplies = TokenBucket(m_limits.nameRequestBurst, m_limits.nameRequestsPerSecond);
    fresh.refusals = TokenBucket(m_limits.refusalBurst, m_limits.refusalsPerSecond);
    fresh.commandPackets
        = TokenBucket(m_limits.commandPacketBurst, m_limits.commandPacketsPerSecond);
    fresh.arrivals = ByteRateCap(m_limits.maxBytesPerSecond);
    m_connections.insert(socket, fresh);

    m_queue.queuePacket(
        socket, ChatPacket::initiateConnection(m_state.roomLocked, m_state.roomName));
    laterOnSameConnection(socket, m_limits.silentTimeout, [this](int silent) {
        if (!m_players.findBySocket(silent)) {
            note(silent, Note::SilentTimeout,
                u"Socket %1 sent no JoinRequest in time; closing it"_s.arg(silent));
            closeConnection(silent);
        }
    });
}

// --- Framing and dispatch ---------------------------------------------------------------------

void ChatRoom::readArrivals(int socket)
{
    receive(socket, m_slots.takeAvailable(socket));
}

void ChatRoom::receive(int socket, QByteArrayView bytes)
{
    ClientConnection *client = connection(socket);
    if (!client || client->closing)
        return;
    if (!client->arrivals.admit(bytes.size(), nowMs())) {
        note(socket, Note::SendsTooFast, u"Socket %1 sends too fast; closing it"_s.arg(socket));
        closeAtEndOfEvent(socket);
        return;
    }
    client->framer.append(bytes);
    const quint64 generation = client->generation;
    // Each packet takes at least a header's worth off a bounded buffer, so this ends; a handler
    // may end the connection, so it is looked up afresh every time round.
    while (isSameConnection(socket, generation) && !connection(socket)->closing) {
        const std::optional<QByteArray> packet = connection(socket)->framer.takeNext();
        if (!packet)
            break;
        // Whatever the room sends because of this packet counts against this connection.
        const OutgoingQueue::Cause cause(m_queue, socket);
        dispatch(*packet, socket);
    }
}

void ChatRoom::dispatch(const QByteArray &packet, int socket)
{
    switch (ChatPacket::opcode(packet)) {
    case ChatPacket::JoinRequest:
        handleJoinRequest(packet, socket);
        break;
    case ChatPacket::ChatLine:
        handleChatLine(packet, socket);
        break;
    case ChatPacket::NameRequest:
        handleNameRequest(packet, socket);
        break;
    default:
        break;
    }
}

// --- Join handshake ---------------------------------------------------------------------------

void ChatRoom::handleJoinRequest(const QByteArray &packet, int socket)
{
    if (m_players.findBySocket(socket)) {
        note(socket, Note::AlreadySeated,
            u"Socket %1 already holds a seat; JoinRequest ignored"_s.arg(socket));
        return;
    }
    const ChatPacket::JoinRequestFields request = ChatPacket::readJoinRequest(packet);
    const QString address = m_slots.peerAddress(socket);
    const qint64 now = nowMs();
    bool wrongPassword = false;
    if (m_state.roomLocked) {
        // A locked-out address is refused whatever it sends, so guessing there tells nothing.
        wrongPassword = m_passwordLockout.isLockedOut(address, now)
            || request.password != m_state.roomPassword;
        if (!wrongPassword)
            m_passwordLockout.noteRightPassword(address);
        else if (m_passwordLockout.noteWrongPassword(address, now))
            Q_EMIT systemMessage(u"Too many wrong room passwords from "_s + address);
    }
    // Past its budget a join is refused as a full room refuses it; nobody else hears of it.
    const std::optional<quint16> id
        = wrongPassword || !m_joinBudget.spend(address, now) ? std::nullopt : m_players.issueId();
    if (!id) {
        // Guessing passwords on one connection must not fill the queue with refusals.
        ClientConnection *client = connection(socket);
        if (!withinBudget(client->refusals, client->refusalsExhausted)) {
            if (client->refusalsExhausted == 1)
                note(socket, Note::RefusedTooOften,
                    u"Socket %1 is refused too often; JoinRequests ignored"_s.arg(socket));
            return;
        }
        m_queue.queuePacket(
            socket, wrongPassword ? ChatPacket::joinRefused() : ChatPacket::roomFull());
        return;
    }
    const QString name = request.name.left(kMaxNameLength);
    m_players.add(name, *id, socket);
    Q_EMIT playerListChanged();
    serverSendSetup(socket, *id);
    serverAddPlayer(name, *id, socket);
}

void ChatRoom::serverSendSetup(int socket, quint16 id)
{
    m_queue.queuePacket(socket, ChatPacket::roomSetup(m_players, id));
}

void ChatRoom::serverAddPlayer(const QString &name, quint16 id, int socket)
{
    m_queue.queuePacket(0, ChatPacket::addPlayer(id, name), socket);
    const QString address = m_slots.peerAddress(socket);
    m_ipMonitor.add({name, address, id, socket});
    Q_EMIT playerSeated(name, id, socket, address);
}

// --- Chat lines and name requests -------------------------------------------------------------

void ChatRoom::handleChatLine(const QByteArray &packet, int socket)
{
    // No line of this protocol is longer (the host's own carry a one-byte length); a longer one
    // would be relayed to everyone and written whole to the transcript and the log.
    if (packet.size() > ChatPacket::MaxChatLineSize) {
        note(socket, Note::ChatLineTooLong,
            timeOfDay() + u" Chat Line Too Long From Socket: "_s + QString::number(socket) + u" ("_s
                + QString::number(packet.size()) + u" bytes)"_s);
        return;
    }
    const std::optional<ChatPacket::ChatLineFields> line = ChatPacket::readChatLine(packet);
    if (!line) {
        note(socket, Note::ShortChatLine,
            u"Socket %1 sent a ChatLine of %2 bytes"_s.arg(socket).arg(packet.size()));
        return;
    }
    const std::optional<int> seat = m_players.findBySocket(socket);
    if (!seat) {
        note(socket, Note::NoSeat, u"Socket %1 has no seat; ChatLine dropped"_s.arg(socket));
        return;
    }
    // Players may only speak as themselves; a line under another ID would be relayed as theirs.
    if (line->senderId != m_players.id(*seat)) {
        note(socket, Note::WrongSenderId,
            u"Socket %1 sent a ChatLine as ID %2"_s.arg(socket).arg(line->senderId));
        return;
    }
    if (!withinLineRate(socket))
        return;
    if (m_isCommand && m_isCommand(line->text)) {
        answerCommand(packet, *line, socket);
        return;
    }
    if (!m_queue.admitsRelay(socket, relayCost(*line, socket))) {
        note(socket, Note::LineShed,
            u"Socket %1 line shed: the queue holds %2"_s.arg(socket).arg(m_queue.size()));
        tellRefusal(socket, connection(socket)->lastShedMs, kBusyNotice);
        return;
    }
    Q_EMIT chatLineReceived(packet, *line, socket);
}

void ChatRoom::answerCommand(
    const QByteArray &packet, const ChatPacket::ChatLineFields &line, int socket)
{
    if (!connection(socket)->commandPackets.available(nowMs())) {
        tellRefusal(socket, connection(socket)->lastCommandRefusalMs, kCommandsNotice);
        return;
    }
    const OutgoingQueue::Cause cause(m_queue, socket);
    Q_EMIT chatLineReceived(packet, line, socket);
    // A rank lookup answers later; it still costs its request.
    if (ClientConnection *client = connection(socket))
        client->commandPackets.charge(double(std::max<qint64>(1, cause.queued())), nowMs());
}

qsizetype ChatRoom::relayCost(const ChatPacket::ChatLineFields &line, int socket) const
{
    if (m_state.chatMuted)
        return m_players.count();
    if (line.whisper)
        return line.targetId != 0 && m_players.findById(line.targetId, 1) ? 1 : 0;
    qsizetype others = 0;
    for (int position = 1; position <= m_players.count(); ++position) {
        if (m_players.socket(position) != socket)
            ++others;
    }
    return others;
}

bool ChatRoom::withinBudget(TokenBucket &budget, int &refusedInARow)
{
    if (budget.take(nowMs())) {
        refusedInARow = 0;
        return true;
    }
    ++refusedInARow;
    return false;
}

void ChatRoom::tellRefusal(int socket, std::optional<qint64> &lastRefusalMs, const QString &notice)
{
    const qint64 now = nowMs();
    const bool tell = !lastRefusalMs || now - *lastRefusalMs >= m_limits.refusalNoticeGap.count();
    lastRefusalMs = now;
    if (tell)
        Q_EMIT noticeForPlayer(socket, notice);
}

bool ChatRoom::withinLineRate(int socket)
{
    ClientConnection *client = connection(socket);
    const qint64 now = nowMs();
    if (client->chatLines.take(now))
        return true;
    const qint64 noticeInterval = m_limits.slowDownNoticeInterval.count();
    if (!client->lastSlowDownNoticeMs || now - *client->lastSlowDownNoticeMs >= noticeInterval) {
        client->lastSlowDownNoticeMs = now;
        Q_EMIT noticeForPlayer(socket, kSlowDownNotice);
    }
    return false;
}

void ChatRoom::handleNameRequest(const QByteArray &packet, int socket)
{
    const std::optional<ChatPacket::NameRequestFields> request
        = ChatPacket::readNameRequest(packet);
    if (!request)
        return;
    ClientConnection *client = connection(socket);
    if (!withinBudget(client->nameReplies, client->nameRepliesExhausted)) {
        if (client->nameRepliesExhausted == 1)
            note(socket, Note::NameRequestsTooOften,
                u"Socket %1 asks for names too often; NameRequests ignored"_s.arg(socket));
        return;
    }
    m_queue.queuePacket(socket, ChatPacket::nameReply(*request, m_players));
}

// --- Departure --------------------------------------------------------------------------------

void ChatRoom::closeConnection(int socket)
{
    const QString address = m_slots.peerAddress(socket);
    const std::optional<int> seat = m_players.findBySocket(socket);
    std::optional<quint16> departedId;
    QString departedName;
    if (seat) {
        departedId = m_players.id(*seat);
        departedName = m_players.name(*seat);
        m_ipMonitor.removeById(*departedId);
        m_players.removeAt(*seat);
    }
    m_slots.close(socket);
    m_connections.remove(socket);
    Q_EMIT playerListChanged();
    if (departedId) {
        m_queue.queuePacket(0, ChatPacket::removePlayer(*departedId));
        Q_EMIT playerLeft(departedName, *departedId);
    } else {
        note(address, Note::NoPlayerFound,
            timeOfDay() + u" No Player Found for Socket: "_s + QString::number(socket));
    }
}

void ChatRoom::dropOverflowing(int socket)
{
    ClientConnection *client = connection(socket);
    if (!client || client->closing)
        return;
    note(socket, Note::CannotKeepUp,
        u"Socket %1 cannot keep up with what it is sent; closing it"_s.arg(socket));
    // Its backlog would otherwise go to the next client in this slot.
    m_queue.discardPacketsFor(socket);
    closeAtEndOfEvent(socket);
}

void ChatRoom::closeAtEndOfEvent(int socket)
{
    connection(socket)->closing = true;
    laterOnSameConnection(
        socket, std::chrono::milliseconds(0), [this](int closing) { closeConnection(closing); });
}

// --- Moderation -------------------------------------------------------------------------------

bool ChatRoom::kickPlayer(quint16 id, bool ban)
{
    const std::optional<int> position = m_players.findById(id, 1);
    if (!position)
        return false;
    kickPosition(*position, ban);
    return true;
}

bool ChatRoom::banPlayer(quint16 id, const BanList::Terms &terms)
{
    const std::optional<int> position = m_players.findById(id, 1);
    if (!position)
        return false;
    kickPosition(*position, true, terms);
    return true;
}

void ChatRoom::kickPosition(int position, bool ban, const BanList::Terms &terms)
{
    const int socket = m_players.socket(position);
    if (ban)
        m_banList.ban(m_players.name(position), m_slots.peerAddress(socket), terms);
    else
        Q_EMIT playerKicked(m_players.name(position));
    m_queue.queuePacket(socket, ChatPacket::kick());
    // The client is asked to leave; one that stays is shown the door once the Kick has had time
    // to arrive.
    laterOnSameConnection(
        socket, m_limits.kickGrace + m_queue.expectedWait(socket), [this](int kicked) {
            note(kicked, Note::KickIgnored,
                u"Kicked socket %1 is still connected; closing it"_s.arg(kicked));
            closeConnection(kicked);
        });
}

// --- Debug output -----------------------------------------------------------------------------

void ChatRoom::note(int socket, Note kind, const QString &text)
{
    note(m_slots.peerAddress(socket), kind, text);
}

void ChatRoom::note(const QString &address, Note kind, const QString &text)
{
    if (m_debugThrottle.admit(address, int(kind), nowMs()))
        writeNote(kind, text);
    // Ended seconds are reported and forgotten on the timer, so the throttle stays small.
    if (!m_leftOutReport.isActive())
        m_leftOutReport.start();
}

void ChatRoom::writeNote(Note kind, const QString &text)
{
    if (kind >= Note::ChatLineTooLong)
        Q_EMIT debugLine(text);
    else
        qCDebug(lcRoom).noquote() << text;
}

void ChatRoom::reportLeftOutNotes()
{
    for (const DebugThrottle::LeftOut &leftOut : m_debugThrottle.takeEnded(nowMs())) {
        const Note kind = Note(leftOut.kind);
        const QString text
            = u"%1 more lines like the last from %2 were left out"_s.arg(leftOut.count)
                  .arg(leftOut.address);
        writeNote(kind, kind >= Note::ChatLineTooLong ? timeOfDay() + u' ' + text : text);
    }
    if (m_debugThrottle.isEmpty())
        m_leftOutReport.stop();
}

// --- Connection bookkeeping -------------------------------------------------------------------

void ChatRoom::laterOnSameConnection(
    int socket, std::chrono::milliseconds delay, const std::function<void(int)> &action)
{
    const ClientConnection *client = connection(socket);
    if (!client)
        return;
    const quint64 generation = client->generation;
    QTimer::singleShot(delay, this, [this, socket, generation, action] {
        if (isSameConnection(socket, generation))
            action(socket);
    });
}

bool ChatRoom::isSameConnection(int socket, quint64 generation) const
{
    const auto found = m_connections.constFind(socket);
    return found != m_connections.cend() && found->generation == generation;
}

ClientConnection *ChatRoom::connection(int socket)
{
    const auto found = m_connections.find(socket);
    return found == m_connections.end() ? nullptr : &*found;
}
