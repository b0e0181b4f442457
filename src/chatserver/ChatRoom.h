#pragma once

#include "chatserver/BanList.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ClientConnection.h"
#include "chatserver/IpMonitor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

class BotSpeaker;
class ChatLog;
class ChatOptions;
class ClientSlots;
class OutgoingQueue;
class PlayerTable;
class ClientLink;
struct HostState;

// The room's server side: admits game clients and seats them, frames and dispatches what they
// send, greets newcomers, announces departures, and carries out the operator's kicks and bans.
// Chat lines are handed on through chatLineReceived; everything sent goes through the queue.
class ChatRoom : public QObject
{
    Q_OBJECT

public:
    // Guards against clients that misbehave. Tests shorten the times.
    struct Limits
    {
        // A connection still without a seat this long after it connected is closed, so idle
        // connections cannot hold the client slots.
        std::chrono::milliseconds silentTimeout{60000};
        // A kicked client still connected this long after its Kick was queued (plus the time
        // the queue needs to send what is ahead of it) is disconnected by the host.
        std::chrono::milliseconds kickGrace{2000};
        // Chat lines per connection: a burst, then a steady rate; lines beyond are refused.
        int lineBurst = 5;
        double linesPerSecond = 2.0;
        // The "slow down" notice goes to one connection at most this often.
        std::chrono::milliseconds slowDownNoticeInterval{1000};
        // NameRequests answered per connection: a burst, then a steady rate; beyond, unanswered.
        // A client asks once when it joins and when someone new speaks.
        int nameRequestBurst = 10;
        double nameRequestsPerSecond = 0.5;
        // Refused JoinRequests (wrong password, no free ID) answered per connection; beyond,
        // unanswered.
        int refusalBurst = 5;
        double refusalsPerSecond = 0.2;
        // Packets the bot may send in answer to one connection's commands: a burst of a dozen
        // short answers, then a few commands a minute. A command is answered while a token is
        // left and its whole answer is charged, so the longest ("+pairings", up to 198 lines) runs
        // once and then keeps that connection's commands waiting about 25 s.
        int commandPacketBurst = 100;
        double commandPacketsPerSecond = 4.0;
        // A refused command, or a line shed because the queue is too long, is told to its sender
        // once for each run of refusals that follow each other closer than this.
        std::chrono::milliseconds refusalNoticeGap{5000};
        // A connection that sends more than this within one second is closed.
        qint64 maxBytesPerSecond = 256 * 1024;
    };

    ChatRoom(HostState &state, PlayerTable &players, ClientSlots &clientSlots, OutgoingQueue &queue,
        BotSpeaker &bot, ChatLog &log, const ChatOptions &options, QObject *parent = nullptr);

    // The welcome text said to addresses seen for the first time in this run ("" = none).
    void setWelcomeMessage(const QString &text);

    BanList &banList() { return m_banList; }
    IpMonitor &ipMonitor() { return m_ipMonitor; }

    // Applies to connections accepted from now on.
    void setLimits(const Limits &limits);
    const Limits &limits() const { return m_limits; }

    // Listening starts when the lobby confirms the room. False when the port cannot be listened on.
    bool startListening(quint16 port, const QHostAddress &address = QHostAddress::AnyIPv4);
    bool isListening() const;
    // Closes the listening socket and every client connection without announcing departures, and
    // empties the table down to the operator, the player list and the IP monitor.
    void closeAll();

    // The operator's kick or ban of the player-list rows that are selected: each row is (row index,
    // row text) as the list shows them; row 0 is the operator's own.
    void kickSelectedPlayer(const QList<QPair<int, QString>> &selectedRows, bool ban);
    // Kick or ban the seated player with that ID; false when there is none.
    bool kickPlayer(quint16 id, bool ban);
    // Kick and ban with a duration and a reason; false when no player has that ID.
    bool banPlayer(quint16 id, const BanList::Terms &terms);

    // Bytes that arrived on connection socket: checked against the byte rate, framed, and every
    // complete packet dispatched. Every arrival from the network comes through here; a test or a
    // fuzzer can feed an accepted connection's bytes in directly.
    void receive(int socket, QByteArrayView bytes);

    // Names for the player list, the operator first (RefreshPlayerList).
    QStringList playerListRows() const;

Q_SIGNALS:
    // The player list must be refilled from playerListRows().
    void playerListChanged();
    // A line for the debug list (time of day first).
    void debugLine(const QString &line);
    // A chat line from a seated player, already checked to carry that player's own ID.
    void chatLineReceived(const QByteArray &packet, int socket);

private:
    void offerConnection(ClientLink *pending, const QString &address);
    void openConnection(int socket);
    void readArrivals(int socket);
    void dispatch(const QByteArray &packet, int socket);

    void handleJoinRequest(const QByteArray &packet, int socket);
    void serverSendSetup(int socket, quint16 id);
    void serverAddPlayer(const QString &name, quint16 id, int socket);
    void welcome(int socket);
    void handleChatLine(const QByteArray &packet, int socket);
    bool withinLineRate(int socket);
    void answerCommand(const QByteArray &packet, int socket);
    // Packets that passing the line on would queue (the muted notice goes to everyone).
    qsizetype relayCost(const ChatPacket::ChatLineFields &line, int socket) const;
    // Says notice unless the previous refusal noted in lastRefusalMs was less than the notice
    // gap ago; notes this one either way.
    // Takes a token; counts the requests refused since the last one let through, so that a
    // flood is noted once, not once per request.
    bool withinBudget(TokenBucket &budget, int &refusedInARow);
    void tellRefusal(int socket, std::optional<qint64> &lastRefusalMs, const QString &notice);
    void handleNameRequest(const QByteArray &packet, int socket);

    void closeConnection(int socket);
    void closeAtEndOfEvent(int socket);
    void dropOverflowing(int socket);
    void kickPosition(int position, bool ban, const BanList::Terms &terms = {});

    // Runs action after delay, but only if the connection then in the slot is still the one
    // there now: slots are reused, and a timer meant for one client must never hit the next.
    void laterOnSameConnection(
        int socket, std::chrono::milliseconds delay, const std::function<void(int)> &action);
    bool isSameConnection(int socket, quint64 generation) const;
    ClientConnection *connection(int socket);
    qint64 nowMs() const { return m_clock.elapsed(); }

    HostState &m_state;
    PlayerTable &m_players;
    ClientSlots &m_slots;
    OutgoingQueue &m_queue;
    BotSpeaker &m_bot;
    ChatLog &m_log;
    const ChatOptions &m_options;

    QString m_welcomeMessage;
    BanList m_banList;
    IpMonitor m_ipMonitor;
    Limits m_limits;
    // Accepted connections by slot index.
    QHash<int, ClientConnection> m_connections;
    quint64 m_lastGeneration = 0;
    QElapsedTimer m_clock;
};
