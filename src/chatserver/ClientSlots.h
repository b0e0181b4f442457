#pragma once

#include "chatserver/ClientLink.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>

// The room's socket array. Index 0 is the listening socket; 1..MaxClients are client connections,
// named by their index everywhere else in the room. A slot is created when a connection needs one
// and is never removed; a closed slot is free for the next connection. States are the 0..9
// numbers of SocketState.
//
// Every new connection is offered through connectionRequested before it has a slot; the receiver
// (connected directly) decides with accept() or refuse(). A connection left undecided when the
// signal returns is refused, so none can linger outside the array.
//
// A slot carries its connection through a ClientLink: the listening socket's connections go over
// TCP, and offer() brings in one carried some other way (a test's or a fuzzer's, in memory).
class ClientSlots : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxClients = 63;
    // Bytes a connection may leave unsent (its peer not reading) before send() refuses more.
    static constexpr qint64 MaxUnsentBytes = 1024 * 1024;

    explicit ClientSlots(QObject *parent = nullptr);
    ~ClientSlots() override;

    bool listen(const QHostAddress &address, quint16 port);
    void stopListening();
    quint16 listeningPort() const { return m_server.serverPort(); }
    QString listenErrorString() const { return m_server.errorString(); }

    int state(int index) const;
    // Names the connection that holds the slot, unlike every earlier and later one in it; 0 while
    // the slot holds none.
    quint64 connectionId(int index) const;
    int highestIndex() const { return int(m_slots.size()) - 1; }
    // Dotted IPv4 text (no "::ffff:" prefix on dual-stack listeners); empty for a closed slot.
    QString peerAddress(int index) const;
    int connectedCount() const;
    // Lowest closed slot from 1 up, else the next new index, else -1 when all client slots are
    // busy.
    int lowestClosedSlot() const;

    // Offers a connection from that address as the listening socket offers its own; the slots
    // own the link from now on.
    void offer(ClientLink *link, const QString &address);

    // Both work only on the connection being offered by connectionRequested, from its handler.
    // Puts it into a closed (or the next new) slot; false if that slot cannot take it, in which
    // case the connection is still undecided.
    bool accept(ClientLink *pending, int index);
    // Sends the farewell, if any, and closes the connection once it has left.
    void refuse(ClientLink *pending, const QByteArray &farewell = {});

    // False when the slot is not connected, the write failed, or the bytes would take the
    // connection's unsent bytes past MaxUnsentBytes.
    bool send(int index, const QByteArray &bytes);
    QByteArray takeAvailable(int index);
    // Frees the slot at once; bytes already written still leave before the connection closes.
    // Index 0 stops listening. Safe to call from a handler of this slot's own signals.
    void close(int index);
    void closeAll();

Q_SIGNALS:
    void connectionRequested(ClientLink *pending, const QString &address);
    void dataArrived(int index);
    // The client closed its end or the connection broke; the slot stays busy until close().
    void peerClosed(int index);
    // close() freed a slot that held a connection; said before the slot takes another.
    void connectionClosed(int index);

private:
    struct Slot
    {
        QPointer<ClientLink> link;
        quint64 id = 0;
        QString address;
        bool errorPending = false;
        bool connectionLost = false;
    };

    void offerPendingConnections();
    void watch(ClientLink *link, int index);
    void markLost(int index);
    void retire(ClientLink *link);
    bool isClientIndex(int index) const { return index >= 1 && index <= highestIndex(); }

    QTcpServer m_server;
    bool m_serverError = false;
    // Element 0 stands for the listening socket and holds no connection.
    QList<Slot> m_slots;
    // The connection on offer and its address.
    ClientLink *m_undecided = nullptr;
    QString m_undecidedAddress;
    quint64 m_lastConnectionId = 0;
};
