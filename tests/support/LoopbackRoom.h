#pragma once

#include "chatserver/ClientSlots.h"
#include "chatserver/InboundFramer.h"

#include "support/TestWait.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <memory>
#include <vector>

// A game client on loopback that frames what it receives and notes when each packet arrived.
struct LoopbackClient
{
    std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();
    InboundFramer framer;
    QList<QByteArray> packets;
    QList<qint64> arrivalsNs;
    bool closedByHost = false;
};

// A listening socket array on 127.0.0.1 that accepts every request into the lowest closed slot,
// plus the clients connected to it, each from its own loopback address.
class LoopbackRoom
{
public:
    ClientSlots slots;
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    QList<int> requestedSlots; // the slot each accepted request got, in order
    QElapsedTimer clock;

    explicit LoopbackRoom(bool autoAccept = true)
    {
        clock.start();
        if (autoAccept) {
            QObject::connect(&slots, &ClientSlots::connectionRequested, &slots,
                [this](QTcpSocket *pending, const QString &) {
                    const int index = slots.lowestClosedSlot();
                    if (index > 0 && slots.accept(pending, index))
                        requestedSlots << index;
                });
        }
    }

    bool listen() { return slots.listen(QHostAddress(QHostAddress::LocalHost), 0); }

    // Connects from 127.0.0.<host> and waits until the room has placed (or refused) it.
    LoopbackClient *connectFrom(int host)
    {
        auto client = std::make_unique<LoopbackClient>();
        LoopbackClient *raw = client.get();
        QObject::connect(raw->socket.get(), &QTcpSocket::readyRead, raw->socket.get(), [this, raw] {
            raw->framer.append(raw->socket->readAll());
            for (int guard = 0; guard < 10000; ++guard) {
                std::optional<QByteArray> packet = raw->framer.takeNext();
                if (!packet)
                    break;
                raw->packets << *packet;
                raw->arrivalsNs << clock.nsecsElapsed();
            }
        });
        QObject::connect(raw->socket.get(), &QTcpSocket::disconnected, raw->socket.get(),
            [raw] { raw->closedByHost = true; });
        raw->socket->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(host)));
        const qsizetype placedBefore = requestedSlots.size();
        raw->socket->connectToHost(QHostAddress(QHostAddress::LocalHost), slots.listeningPort());
        waitUntil([&] {
            return raw->closedByHost
                || (raw->socket->state() == QAbstractSocket::ConnectedState
                    && requestedSlots.size() > placedBefore);
        });
        clients.push_back(std::move(client));
        return raw;
    }
};
