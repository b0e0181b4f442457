#include "HostProcess.h"

#include "BenchClock.h"
#include "app/LocalPort.h"
#include "chat/ChatOptions.h"
#include "panel/PanelPassword.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"
#include "tournament/TournamentSettings.h"

#include <QFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The transcript line the host shows once the lobby has confirmed the room and it listens.
constexpr QByteArrayView RoomOpenLine = "Chat Initiated at ";

} // namespace

HostProcess::HostProcess(const QString &program, QObject *parent)
    : QObject(parent)
    , m_program(program)
{
    connect(&m_lobby, &LobbySimulator::logLine, this, [this] {
        if (m_firstLobbyPacketAtNs < 0)
            m_firstLobbyPacketAtNs = BenchClock::nowNs();
    });
    connect(&m_process, &QProcess::readyReadStandardOutput, this,
        [this] { readOutput(QProcess::StandardOutput); });
    connect(&m_process, &QProcess::readyReadStandardError, this,
        [this] { readOutput(QProcess::StandardError); });
}

HostProcess::~HostProcess()
{
    stop();
}

bool HostProcess::start(FrontEnd frontEnd)
{
    if (!m_dir.isValid() || !m_lobby.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return false;
    QFile ladders(m_dir.filePath(u"ladders.ini"_s));
    if (!ladders.open(QIODevice::WriteOnly) || ladders.write("Alpha|alp|3\r\n") < 0)
        return false;
    ladders.close();
    writeSettings();
    m_chatPort = LocalPort::pickFree();

    QStringList arguments{u"--host"_s, u"--data-dir"_s, m_dir.path(), u"--settings"_s,
        m_dir.filePath(u"settings.ini"_s), u"--lobby-host"_s, u"127.0.0.1"_s, u"--lobby-port"_s,
        QString::number(m_lobby.serverPort()), u"--chat-port"_s, QString::number(m_chatPort)};
    if (frontEnd == FrontEnd::Headless)
        arguments.prepend(u"--headless"_s);
    if (!m_leagueUrl.isEmpty())
        arguments << u"--league-url"_s << m_leagueUrl << u"--tourney-url"_s << m_leagueUrl;
    if (!m_panelPassword.isEmpty()) {
        m_panelPort = LocalPort::pickFree();
        arguments << u"--panel"_s << u"127.0.0.1:%1"_s.arg(m_panelPort);
    }
    m_launchedAtNs = BenchClock::nowNs();
    m_process.start(m_program, arguments);
    return m_process.waitForStarted(10000);
}

void HostProcess::enablePanel(const QString &password)
{
    m_panelPassword = password;
}

void HostProcess::writeSettings() const
{
    SettingsStore store(m_dir.filePath(u"settings.ini"_s));
    store.writeRegValue(SettingsKeys::Root, u"pName"_s, u"Bench"_s);
    store.writeRegValue(SettingsKeys::Root, u"cName"_s, u"Bench Room"_s);
    // System lines on: the "Chat Initiated at" line tells that the room is open.
    store.writeRegValue(SettingsKeys::Options, u"cOptions 1"_s, u"1"_s);
    StoredValues::Options.write(
        store, ValueCodec::checkText(m_fastDelivery), ChatOptions::FastDelivery);
    if (!m_leagueUrl.isEmpty()) {
        StoredValues::DetailTexts.write(store, u"1234"_s, TournamentSettings::JumpNumber);
        StoredValues::Details.write(store, u"Double Elimination"_s, 2);
    }
    if (!m_panelPassword.isEmpty())
        PanelPassword::store(store, PanelPassword::hash(m_panelPassword));
}

void HostProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void HostProcess::writeLine(const QString &line)
{
    m_process.write(line.toLocal8Bit() + '\n');
}

void HostProcess::readOutput(QProcess::ProcessChannel channel)
{
    m_process.setReadChannel(channel);
    QByteArray &partial = m_partial[channel == QProcess::StandardOutput ? 0 : 1];
    partial += m_process.readAll();
    const qint64 now = BenchClock::nowNs();
    for (qsizetype end = partial.indexOf('\n'); end >= 0; end = partial.indexOf('\n')) {
        const QByteArray line = partial.left(end);
        partial.remove(0, end + 1);
        ++m_outputLines;
        m_lines << line;
        if (m_firstOutputAtNs < 0)
            m_firstOutputAtNs = now;
        if (m_roomOpenAtNs < 0 && line.contains(RoomOpenLine))
            m_roomOpenAtNs = now;
    }
}

int HostProcess::linesContaining(QByteArrayView text) const
{
    return int(std::count_if(m_lines.cbegin(), m_lines.cend(),
        [&](const QByteArray &line) { return line.contains(text); }));
}
