#include "chatserver/ChatRoom.h"

#include "chat/BotCommand.h"
#include "chat/BotSpeaker.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/LogTimeFormats.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "chatserver/SocketState.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QTime>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcRoom, "vornic.room")

const QString kCommandsHint = u"Type +commands for a list of available commands."_s;
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
    OutgoingQueue &queue, BotSpeaker &bot, ChatLog &log, const ChatOptions &options,
    QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_players(players)
    , m_slots(clientSlots)
    , m_queue(queue)
    , m_bot(bot)
    , m_log(log)
    , m_options(options)
{
    m_clock.start();
    connect(&m_slots, &ClientSlots::connectionRequested, this, &ChatRoom::offerConnection);
    connect(&m_slots, &ClientSlots::dataArrived, this, &ChatRoom::readArrivals);
    connect(&m_slots, &ClientSlots::peerClosed, this, &ChatRoom::closeConnection);
    connect(&m_queue, &OutgoingQueue::connectionOverflowed, this, &ChatRoom::dropOverflowing);
}

void ChatRoom::setWelcomeMessage(const QString &text)
{
    m_welcomeMessage = text;
}

void ChatRoom::setLimits(const Limits &limits)
{
    m_limits = limits;
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
    // One connection per address: a client that reconnects replaces its older connection.
    for (int socket = 1; socket <= m_slots.highestIndex(); ++socket) {
        if (m_slots.peerAddress(socket) == address)
            closeConnection(socket);
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
            qCDebug(lcRoom) << "Socket" << silent << "sent no JoinRequest in time; closing it";
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
        qCDebug(lcRoom) << "Socket" << socket << "sends too fast; closing it";
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
        qCDebug(lcRoom) << "Socket" << socket << "already holds a seat; JoinRequest ignored";
        return;
    }
    const ChatPacket::JoinRequestFields request = ChatPacket::readJoinRequest(packet);
    const bool wrongPassword = m_state.roomLocked && request.password != m_state.roomPassword;
    const std::optional<quint16> id = wrongPassword ? std::nullopt : m_players.issueId();
    if (!id) {
        // Guessing passwords on one connection must not fill the queue with refusals.
        ClientConnection *client = connection(socket);
        if (!withinBudget(client->refusals, client->refusalsExhausted)) {
            if (client->refusalsExhausted == 1)
                qCDebug(lcRoom) << "Socket" << socket
                                << "is refused too often; JoinRequests ignored";
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
    if (m_options.logsPlayerEvents())
        m_log.writeChatLog(name, u"Joined Chat  IP:"_s + address + u" ID:"_s + QString::number(id));
    welcome(socket);
}

void ChatRoom::welcome(int socket)
{
    const QString address = m_slots.peerAddress(socket);
    if (m_players.isWelcomed(address))
        return;
    if (!m_welcomeMessage.isEmpty())
        m_bot.botSay(false, socket, m_welcomeMessage);
    m_bot.botSay(false, socket, kCommandsHint);
    m_players.markWelcomed(address);
}

// --- Chat lines and name requests -------------------------------------------------------------

void ChatRoom::handleChatLine(const QByteArray &packet, int socket)
{
    // No line of this protocol is longer (the host's own carry a one-byte length); a longer one
    // would be relayed to everyone and written whole to the transcript and the log.
    if (packet.size() > ChatPacket::MaxChatLineSize) {
        Q_EMIT debugLine(timeOfDay() + u" Chat Line Too Long From Socket: "_s
            + QString::number(socket) + u" ("_s + QString::number(packet.size()) + u" bytes)"_s);
        return;
    }
    const std::optional<ChatPacket::ChatLineFields> line = ChatPacket::readChatLine(packet);
    if (!line) {
        qCDebug(lcRoom) << "Socket" << socket << "sent a ChatLine of" << packet.size() << "bytes";
        return;
    }
    const std::optional<int> seat = m_players.findBySocket(socket);
    if (!seat) {
        qCDebug(lcRoom) << "Socket" << socket << "has no seat; ChatLine dropped";
        return;
    }
    // Players may only speak as themselves; a line under another ID would be relayed as theirs.
    if (line->senderId != m_players.id(*seat)) {
        qCDebug(lcRoom) << "Socket" << socket << "sent a ChatLine as ID" << line->senderId;
        return;
    }
    if (!withinLineRate(socket))
        return;
    if (BotCommands::playerCommand(line->text)) {
        answerCommand(packet, socket);
        return;
    }
    if (!m_queue.admitsRelay(socket, relayCost(*line, socket))) {
        qCDebug(lcRoom) << "Socket" << socket << "line shed: the queue holds" << m_queue.size();
        tellRefusal(socket, connection(socket)->lastShedMs, kBusyNotice);
        return;
    }
    Q_EMIT chatLineReceived(packet, socket);
}

void ChatRoom::answerCommand(const QByteArray &packet, int socket)
{
    if (!connection(socket)->commandPackets.available(nowMs())) {
        tellRefusal(socket, connection(socket)->lastCommandRefusalMs, kCommandsNotice);
        return;
    }
    const OutgoingQueue::Cause cause(m_queue, socket);
    Q_EMIT chatLineReceived(packet, socket);
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
        m_bot.botSay(false, socket, notice);
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
        m_bot.botSay(false, socket, kSlowDownNotice);
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
            qCDebug(lcRoom) << "Socket" << socket
                            << "asks for names too often; NameRequests ignored";
        return;
    }
    m_queue.queuePacket(socket, ChatPacket::nameReply(*request, m_players));
}

// --- Departure --------------------------------------------------------------------------------

void ChatRoom::closeConnection(int socket)
{
    const std::optional<int> seat = m_players.findBySocket(socket);
    std::optional<quint16> departedId;
    if (seat) {
        departedId = m_players.id(*seat);
        if (m_ipMonitor.removeById(*departedId) && m_options.logsPlayerEvents())
            m_log.writeChatLog(m_players.name(*seat), u"Leaves Chat"_s);
        m_players.removeAt(*seat);
    }
    m_slots.close(socket);
    m_connections.remove(socket);
    Q_EMIT playerListChanged();
    if (departedId)
        m_queue.queuePacket(0, ChatPacket::removePlayer(*departedId));
    else
        Q_EMIT debugLine(
            timeOfDay() + u" No Player Found for Socket: "_s + QString::number(socket));
}

void ChatRoom::dropOverflowing(int socket)
{
    ClientConnection *client = connection(socket);
    if (!client || client->closing)
        return;
    qCDebug(lcRoom) << "Socket" << socket << "cannot keep up with what it is sent; closing it";
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

void ChatRoom::kickSelectedPlayer(const QList<QPair<int, QString>> &selectedRows, bool ban)
{
    QList<QPair<int, QString>> rows = selectedRows;
    std::sort(rows.begin(), rows.end(),
        [](const auto &left, const auto &right) { return left.first < right.first; });
    for (const auto &[row, text] : std::as_const(rows)) {
        const std::optional<int> position = m_players.findByName(text);
        if (!position)
            continue;
        // The operator's own row names a player who bears the operator's name: never a target.
        if (row == 0)
            return;
        kickPosition(*position, ban);
    }
}

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
    m_queue.queuePacket(socket, ChatPacket::kick());
    // The client is asked to leave; one that stays is shown the door once the Kick has had time
    // to arrive.
    const auto queueWait = OutgoingQueue::TickInterval * m_queue.size();
    laterOnSameConnection(socket, m_limits.kickGrace + queueWait, [this](int kicked) {
        qCDebug(lcRoom) << "Kicked socket" << kicked << "is still connected; closing it";
        closeConnection(kicked);
    });
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
