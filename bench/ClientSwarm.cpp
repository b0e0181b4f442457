#include "ClientSwarm.h"

#include "BenchClock.h"

using namespace Qt::StringLiterals;

ClientSwarm::ClientSwarm(quint16 chatPort, QObject *parent)
    : QObject(parent)
    , m_chatPort(chatPort)
{
}

ClientSwarm::~ClientSwarm() = default;

void ClientSwarm::add(int count)
{
    for (int k = 0; k < count; ++k) {
        const qsizetype index = m_clients.size();
        ClientOptions options;
        options.port = m_chatPort;
        // 127.0.0.2 onwards: the host tells clients apart by address.
        options.bindAddress = QHostAddress(quint32(0x7f000002 + index));
        options.name = u"Bench%1"_s.arg(index + 1);
        options.stayAfterScript = true;
        auto member = std::make_shared<Member>();
        member->client = std::make_unique<SimulatedClient>(options);
        connect(member->client.get(), &SimulatedClient::output, this,
            [this, raw = member.get()](const QString &line) { received(*raw, line); });
        m_clients << member;
        member->client->start();
    }
}

int ClientSwarm::joinedCount() const
{
    return int(std::count_if(m_clients.begin(), m_clients.end(),
        [](const auto &member) { return member->client->isJoined(); }));
}

void ClientSwarm::received(Member &member, const QString &line)
{
    if (!line.startsWith(u"<- "))
        return;
    m_lastPacketAtNs = BenchClock::nowNs();
    if (line.startsWith(u"<- ChatLine")) { // lines and whispers alike
        member.chat << Arrival{m_lastPacketAtNs, line};
        ++m_chatPackets;
    }
}

bool ClientSwarm::settle(int quietMs, int timeoutMs)
{
    const qint64 quietNs = qint64(quietMs) * 1'000'000;
    return BenchClock::waitFor(
        [&] {
            return joinedCount() == m_clients.size()
                && BenchClock::nowNs() - m_lastPacketAtNs >= quietNs;
        },
        timeoutMs);
}
