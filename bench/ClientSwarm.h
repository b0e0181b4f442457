#pragma once

#include "SimulatedClient.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// Simulated game clients in this process, each from its own loopback address (127.0.0.2, .3,
// ...), that note when every packet reaches them.
class ClientSwarm : public QObject
{
    Q_OBJECT

public:
    struct Arrival
    {
        qint64 atNs;
        QString description;
    };

    explicit ClientSwarm(quint16 chatPort, QObject *parent = nullptr);
    ~ClientSwarm() override;

    // Adds clients and starts them; they stay until the swarm ends.
    void add(int count);
    qsizetype size() const { return m_clients.size(); }
    int joinedCount() const;
    SimulatedClient &client(qsizetype index) { return *m_clients[index]->client; }

    // Chat packets (lines and whispers) received by one client, in order.
    const QList<Arrival> &chatArrivals(qsizetype index) const { return m_clients[index]->chat; }
    qint64 chatPacketsReceived() const { return m_chatPackets; }
    qint64 lastPacketAtNs() const { return m_lastPacketAtNs; }

    // Until every client is seated and no packet has come for quietMs; false on time-out.
    bool settle(int quietMs, int timeoutMs);

private:
    struct Member
    {
        std::unique_ptr<SimulatedClient> client;
        QList<Arrival> chat;
    };

    void received(Member &member, const QString &line);

    quint16 m_chatPort;
    QList<std::shared_ptr<Member>> m_clients;
    qint64 m_chatPackets = 0;
    qint64 m_lastPacketAtNs = 0;
};
