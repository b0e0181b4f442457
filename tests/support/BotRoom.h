#pragma once

#include "chatserver/InboundFramer.h"
#include "host/RoomServices.h"

#include "common/LoopbackHttpServer.h"
#include "support/GameClient.h"
#include "support/RoomParts.h"

#include <QMap>
#include <QNetworkAccessManager>

#include <memory>
#include <vector>

// One seated player: the loopback game client and the seat the room gave it.
struct Seat
{
    GameClient *client = nullptr;
    QString name;
    quint16 id = 0;
    int socket = 0;
};

// The chat side of a room built from real parts, without the room's admission and caps: the
// socket array listens on 127.0.0.1 and seats game clients from their own loopback addresses
// directly, and the tournament services talk to a loopback league site.
class BotRoom : public QObject, public RoomParts
{
    Q_OBJECT

public:
    static constexpr int RankTimeoutMs = 3000;

    BotRoom();

    // Connects a client from 127.0.0.<hostByte> and seats it under `name`, with the next player
    // ID unless one is given.
    Seat seat(const QString &name, int hostByte, quint16 id = 0);

    // The player's client sends a chat line; returns once the room has handled it and every
    // packet the room queued meanwhile has reached the clients.
    bool say(const Seat &from, const QString &text, bool whisper = false, quint16 target = 0);
    // Lets everything queued so far reach the clients, then collects it per client.
    bool settle();
    // What a client received up to the last settle(), and its chat texts.
    QList<QByteArray> received(const Seat &seat) const { return m_received.value(seat.socket); }
    QStringList texts(const Seat &seat) const;

    // Transcript lines shown since the last call, as "prefix|body|kind code".
    QStringList takeShown();
    QByteArray logged() const;

    LoopbackHttpServer league;
    QNetworkAccessManager network;
    RoomServices services;

private:
    void takeArrivals(int socket);

    std::vector<std::unique_ptr<GameClient>> m_clients;
    QMap<int, Seat> m_seats;
    QMap<int, InboundFramer> m_framers;
    QMap<int, QList<QByteArray>> m_received;
    QStringList m_shown;
    int m_handled = 0;
};

// The base of suites about a room that plays the singles ladder under one rule, "No mulligans",
// with Ann (127.0.0.2) and Bob (127.0.0.3) seated.
class LadderRoomSuite : public QObject
{
protected:
    // A fresh room for each case; false when the rule, the ladder or a seat did not take.
    bool openLadderRoom();

    std::unique_ptr<BotRoom> m_room;
    Seat m_ann;
    Seat m_bob;
};
