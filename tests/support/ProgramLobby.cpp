#include "ProgramLobby.h"

#include "ProgramProcess.h"
#include "TestWait.h"

using namespace Qt::StringLiterals;

bool ProgramLobby::open(quint16 chatPort)
{
    m_log.clear();
    m_simulator = std::make_unique<LobbySimulator>();
    if (!m_simulator->listen(QHostAddress(QHostAddress::LocalHost), 0))
        return false;
    connect(m_simulator.get(), &LobbySimulator::logLine, this,
        [this](const QString &line) { m_log << line; });
    m_chatPort = chatPort;
    return true;
}

QStringList ProgramLobby::arguments() const
{
    return {u"--lobby-host"_s, u"127.0.0.1"_s, u"--lobby-port"_s,
        QString::number(m_simulator->serverPort()), u"--chat-port"_s, QString::number(m_chatPort)};
}

bool ProgramLobby::waitForLog(const QString &text, int timeoutMs)
{
    return waitUntil([&] { return m_log.join(u'\n').contains(text); }, timeoutMs);
}

std::unique_ptr<GameClient> ProgramLobby::join(int hostByte, const QString &name) const
{
    return GameClient::seated(hostByte, m_chatPort, name);
}

std::unique_ptr<GameClient> ProgramLobby::joinOnceOpen(
    const ProgramProcess &program, int hostByte, const QString &name, int timeoutMs)
{
    std::unique_ptr<GameClient> client;
    waitUntil(
        [&] {
            return program.process.state() != QProcess::Running
                || (client = join(hostByte, name)) != nullptr;
        },
        timeoutMs);
    return client;
}
