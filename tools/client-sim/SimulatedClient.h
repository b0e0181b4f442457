#pragma once

#include "ClientAction.h"
#include "PacketDescriber.h"
#include "chatserver/InboundFramer.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

struct ClientOptions
{
    QHostAddress host = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 1516;
    QHostAddress bindAddress; // null: the system picks the source address
    QString name;
    QString password;
    int intervalMs = 1500; // pause before each scripted say, whisper or names
    QList<ClientAction> script;
    bool stayAfterScript = false;
};

// A game client for trying the host out and for load tests: connects, waits for the greeting,
// joins with its name and password, then plays its script and, unless told to stay, leaves.
// Every packet it receives or sends comes out of output() as one line, "<- ..." or "-> ...";
// its own notes start with "** ".
class SimulatedClient : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedClient(ClientOptions options, QObject *parent = nullptr);
    ~SimulatedClient() override;

    void start();
    // A typed command: done at once once the client is in the room, or as soon as it gets in;
    // without the pause that scripted lines take.
    void perform(const ClientAction &action);
    // Whether to stay connected once nothing is left to do; leaves at once when that is now.
    void setStayAfterScript(bool stay);
    void leave();

    bool isJoined() const { return m_state == State::Joined; }
    quint16 ownId() const { return m_ownId; }
    const PacketDescriber &describer() const { return m_describer; }

Q_SIGNALS:
    void output(const QString &line);
    // The connection is over. ok is false when the client never got into the room.
    void finished(bool ok);

private:
    enum class State { Idle, Connecting, Greeted, Joined, Leaving, Finished };
    struct Step
    {
        ClientAction action;
        bool paced;
    };

    void readPackets();
    void handle(const QByteArray &packet);
    void join();
    void enterRoom(const QByteArray &setup);
    void send(const QByteArray &packet);
    void schedule();
    void runNextStep();
    void run(const ClientAction &action);
    void sendChat(const QString &text, bool whisper, quint16 target);
    void sendNameRequest(const QList<quint16> &ids);
    void leaveWhenDone();
    void note(const QString &text);
    void finish();

    ClientOptions m_options;
    QTcpSocket m_socket;
    InboundFramer m_framer;
    PacketDescriber m_describer;
    QTimer m_stepTimer;
    QList<Step> m_steps;
    State m_state = State::Idle;
    quint16 m_ownId = 0;
    bool m_ok = false;
};
