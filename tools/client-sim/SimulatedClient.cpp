#include "SimulatedClient.h"

#include "chatserver/ChatPackets.h"
#include "common/FramedPackets.h"
#include "text/AnsiText.h"

using namespace Qt::StringLiterals;

namespace {

// Enough for any burst the host sends between two arrivals; a host that sends endless packets
// in one arrival still gets an answer to the rest on the next one.
constexpr int MaxPacketsPerArrival = 10'000;

bool isChatStep(ClientAction::Kind kind)
{
    return kind == ClientAction::Kind::Say || kind == ClientAction::Kind::Whisper
        || kind == ClientAction::Kind::Names;
}

QString endpoint(const QHostAddress &address, quint16 port)
{
    return address.toString() + u':' + QString::number(port);
}

} // namespace

SimulatedClient::SimulatedClient(ClientOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    for (const ClientAction &action : std::as_const(m_options.script))
        m_steps.append({action, true});
    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &SimulatedClient::runNextStep);
    connect(&m_socket, &QTcpSocket::connected, this, [this] { note(u"connected"_s); });
    connect(&m_socket, &QTcpSocket::readyRead, this, &SimulatedClient::readPackets);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_state == State::Finished)
            return;
        note(m_state == State::Leaving ? u"left"_s : u"connection closed by the host"_s);
        finish();
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] {
        // Later errors end in disconnected(); only a failed attempt ends here.
        if (m_state == State::Connecting && m_socket.state() == QAbstractSocket::UnconnectedState) {
            note(u"cannot connect: "_s + m_socket.errorString());
            finish();
        }
    });
}

SimulatedClient::~SimulatedClient()
{
    // The socket outlives the other members and reports its disconnection as it is destroyed;
    // nothing of this object is left to answer that, and no finished() may come from here.
    disconnect(&m_socket, nullptr, this, nullptr);
}

void SimulatedClient::start()
{
    if (m_state != State::Idle)
        return;
    m_state = State::Connecting;
    QString from;
    if (!m_options.bindAddress.isNull()) {
        if (!m_socket.bind(m_options.bindAddress)) {
            note(u"cannot use the source address "_s + m_options.bindAddress.toString() + u": "_s
                + m_socket.errorString());
            finish();
            return;
        }
        from = u" from "_s + m_options.bindAddress.toString();
    }
    note(u"connecting to "_s + endpoint(m_options.host, m_options.port) + from);
    m_socket.connectToHost(m_options.host, m_options.port);
}

void SimulatedClient::perform(const ClientAction &action)
{
    if (m_state == State::Leaving || m_state == State::Finished)
        return;
    m_steps.append({action, false});
    schedule();
}

void SimulatedClient::setStayAfterScript(bool stay)
{
    m_options.stayAfterScript = stay;
    if (m_state == State::Joined && m_steps.isEmpty() && !m_stepTimer.isActive())
        leaveWhenDone();
}

void SimulatedClient::leave()
{
    if (m_state == State::Leaving || m_state == State::Finished)
        return;
    m_stepTimer.stop();
    m_steps.clear();
    if (m_socket.state() == QAbstractSocket::UnconnectedState) {
        finish();
        return;
    }
    m_state = State::Leaving;
    note(u"leaving"_s);
    m_socket.disconnectFromHost();
}

void SimulatedClient::readPackets()
{
    for (const QByteArray &packet :
        takePackets(m_framer, m_socket.readAll(), MaxPacketsPerArrival)) {
        if (m_state == State::Finished)
            return;
        handle(packet);
    }
}

void SimulatedClient::handle(const QByteArray &packet)
{
    const quint8 opcode = ChatPacket::opcode(packet);
    m_describer.learn(packet);
    const bool admitted = opcode == ChatPacket::RoomSetup && m_state == State::Greeted;
    if (admitted) {
        m_ownId = ChatPacket::readId(packet, 12);
        m_describer.setName(m_ownId, m_options.name);
    }
    Q_EMIT output(u"<- "_s + m_describer.describe(packet));

    const bool greeting = opcode == ChatPacket::InitiateConnectionLocked
        || opcode == ChatPacket::InitiateConnectionOpen;
    if (greeting && m_state == State::Connecting) {
        join();
    } else if (admitted) {
        m_state = State::Joined;
        m_ok = true;
        schedule();
    } else if (opcode == ChatPacket::JoinRefused && m_state == State::Greeted) {
        note(u"the room refused the password"_s);
        leave();
    }
}

void SimulatedClient::join()
{
    m_state = State::Greeted;
    if (m_options.name.size() > ChatPacket::ListNameWidth)
        note(u"the name is cut to %1 characters"_s.arg(ChatPacket::ListNameWidth));
    send(ChatPacket::joinRequest(m_options.name, m_options.password));
}

void SimulatedClient::send(const QByteArray &packet)
{
    Q_EMIT output(u"-> "_s + m_describer.describe(packet));
    m_socket.write(packet);
}

void SimulatedClient::schedule()
{
    if (m_state != State::Joined || m_stepTimer.isActive())
        return;
    if (m_steps.isEmpty()) {
        leaveWhenDone();
        return;
    }
    const Step &next = m_steps.first();
    int delayMs = 0;
    if (next.action.kind == ClientAction::Kind::Wait)
        delayMs = next.action.waitMs;
    else if (next.paced && isChatStep(next.action.kind))
        delayMs = m_options.intervalMs;
    m_stepTimer.start(delayMs);
}

void SimulatedClient::runNextStep()
{
    if (m_state != State::Joined || m_steps.isEmpty())
        return;
    run(m_steps.takeFirst().action);
    schedule();
}

void SimulatedClient::run(const ClientAction &action)
{
    switch (action.kind) {
    case ClientAction::Kind::Say:
        sendChat(action.text, false, 0);
        break;
    case ClientAction::Kind::Whisper:
        sendChat(action.text, true, action.targetId);
        break;
    case ClientAction::Kind::Names:
        sendNameRequest(action.ids);
        break;
    case ClientAction::Kind::Wait:
        break;
    case ClientAction::Kind::Quit:
        leave();
        break;
    }
}

void SimulatedClient::sendChat(const QString &text, bool whisper, quint16 target)
{
    // A line longer than one packet can carry goes out as several, like a long bot answer.
    for (QByteArray line : ChatPacket::chatLines(text, whisper, target)) {
        ChatPacket::writeId(line, 8, m_ownId);
        send(line);
    }
}

void SimulatedClient::sendNameRequest(const QList<quint16> &ids)
{
    send(ChatPacket::nameRequest(ids));
}

void SimulatedClient::leaveWhenDone()
{
    if (!m_options.stayAfterScript)
        leave();
}

void SimulatedClient::note(const QString &text)
{
    Q_EMIT output(u"** "_s + text);
}

void SimulatedClient::finish()
{
    m_state = State::Finished;
    m_stepTimer.stop();
    Q_EMIT finished(m_ok);
}
