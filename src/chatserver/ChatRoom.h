#pragma once

#include "chatserver/BanList.h"
#include "chatserver/InboundFramer.h"
#include "chatserver/IpMonitor.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class BotSpeaker;
class ChatLog;
class ChatOptions;
class ClientSlots;
class OutgoingQueue;
class PlayerTable;
class QTcpSocket;
struct HostState;

// The room's server side: admits game clients and seats them, frames and dispatches what they
// send, greets newcomers, announces departures, and carries out the operator's kicks and bans.
// Chat lines are handed on through chatLineReceived; everything sent goes through the queue.
class ChatRoom : public QObject
{
    Q_OBJECT

public:
    ChatRoom(HostState &state, PlayerTable &players, ClientSlots &clientSlots,
             OutgoingQueue &queue, BotSpeaker &bot, ChatLog &log, const ChatOptions &options,
             QObject *parent = nullptr);

    // The welcome text said to addresses seen for the first time in this run ("" = none).
    void setWelcomeMessage(const QString &text);

    BanList &banList() { return m_banList; }
    IpMonitor &ipMonitor() { return m_ipMonitor; }

    // Listening starts when the lobby confirms the room. False when the port cannot be listened on.
    bool startListening(quint16 port);
    bool isListening() const;
    // Closes the listening socket and every client connection without announcing departures, and
    // empties the table down to the operator, the player list and the IP monitor.
    void closeAll();

    // The operator's kick or ban of the player-list rows that are selected: each row is (row index,
    // row text) as the list shows them; row 0 is the operator's own.
    void kickSelectedPlayer(const QList<QPair<int, QString>> &selectedRows, bool ban);
    // Kick or ban the seated player with that ID; false when there is none.
    bool kickPlayer(quint16 id, bool ban);

    // Names for the player list, the operator first (RefreshPlayerList).
    QStringList playerListRows() const;

Q_SIGNALS:
    // The player list must be refilled from playerListRows().
    void playerListChanged();
    // A line for the debug list (time of day first).
    void debugLine(const QString &line);
    // A chat line from a seated player, already checked to carry that player's own ID.
    void chatLineReceived(const QByteArray &packet, int socket);
};
