#pragma once

#include "chatserver/BanList.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ClientConnection.h"
#include "chatserver/DebugThrottle.h"
#include "chatserver/IpMonitor.h"
#include "chatserver/JoinBudget.h"
#include "chatserver/PasswordLockout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>

class ClientSlots;
class OutgoingQueue;
class PlayerTable;
class ClientLink;
struct HostState;

// The room's server side: admits game clients and seats them, frames and dispatches what they
// send, announces arrivals and departures to the clients, and carries out the operator's kicks
// and bans. It says what happened through its signals; the chat layer above decides what to log,
// greet or answer. Everything sent goes through the queue.
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
        // Seats taken and connections replaced per address; beyond, refused as a full room.
        JoinBudget::Limits joins;
        // Wrong room passwords per address before every JoinRequest from it is refused.
        PasswordLockout::Limits passwords;
        // Debug lines per address and kind.
        DebugThrottle::Limits debugLines;
    };

    // Tells the bot's commands from chat: a command is charged to its sender's command budget
    // and never relayed. Until one is set, every line is chat.
    using CommandTest = std::function<bool(const QString &text)>;

    ChatRoom(HostState &state, PlayerTable &players, ClientSlots &clientSlots, OutgoingQueue &queue,
        QObject *parent = nullptr);

    void setCommandTest(CommandTest isCommand);

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
    // A chat line from a seated player, already checked to carry that player's own ID: packet
    // is the whole ChatLine as it arrived, line its fields.
    void chatLineReceived(
        const QByteArray &packet, const ChatPacket::ChatLineFields &line, int socket);
    // A player was seated and announced to the others; the table and the IP monitor show them.
    void playerSeated(const QString &name, quint16 id, int socket, const QString &address);
    // A seated player left or was dropped, and was announced to the others.
    void playerLeft(const QString &name, quint16 id);
    // A notice about the player's own lines (too many, shed), to be said to that connection alone.
    void noticeForPlayer(int socket, const QString &text);
    // A line for the operator's transcript, as a system message.
    void systemMessage(const QString &text);
    // The operator kicked a player without banning; a ban shows as the ban list's banned().
    void playerKicked(const QString &name);

private:
    // What the room notes in its debug output, each kind throttled on its own.
    enum class Note {
        SilentTimeout,
        SendsTooFast,
        AlreadySeated,
        RefusedTooOften,
        ShortChatLine,
        NoSeat,
        WrongSenderId,
        LineShed,
        NameRequestsTooOften,
        CannotKeepUp,
        KickIgnored,
        JoinsTooFast,
        // Lines of the debug list, which the operator sees.
        ChatLineTooLong,
        NoPlayerFound,
    };

    // Writes text to the debug output (the debug list for the kinds the operator sees) unless
    // that address has had its share of this kind for the second.
    void note(const QString &address, Note kind, const QString &text);
    void note(int socket, Note kind, const QString &text);
    void writeNote(Note kind, const QString &text);
    void reportLeftOutNotes();

    void offerConnection(ClientLink *pending, const QString &address);
    void openConnection(int socket);
    void readArrivals(int socket);
    void dispatch(const QByteArray &packet, int socket);

    void handleJoinRequest(const QByteArray &packet, int socket);
    void serverSendSetup(int socket, quint16 id);
    void serverAddPlayer(const QString &name, quint16 id, int socket);
    void handleChatLine(const QByteArray &packet, int socket);
    bool withinLineRate(int socket);
    void answerCommand(
        const QByteArray &packet, const ChatPacket::ChatLineFields &line, int socket);
    // Packets that passing the line on would queue (the muted notice goes to everyone).
    qsizetype relayCost(const ChatPacket::ChatLineFields &line, int socket) const;
    // Takes a token; counts the requests refused since the last one let through, so that a
    // flood is noted once, not once per request.
    bool withinBudget(TokenBucket &budget, int &refusedInARow);
    // Says notice unless the previous refusal noted in lastRefusalMs was less than the notice
    // gap ago; notes this one either way.
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
    CommandTest m_isCommand;

    BanList m_banList;
    IpMonitor m_ipMonitor;
    Limits m_limits;
    JoinBudget m_joinBudget;
    PasswordLockout m_passwordLockout;
    DebugThrottle m_debugThrottle;
    QTimer m_leftOutReport;
    // Accepted connections by slot index.
    QHash<int, ClientConnection> m_connections;
    quint64 m_lastGeneration = 0;
    QElapsedTimer m_clock;
};
