#include "app/DemoLauncher.h"

#include "app/LocalPort.h"
#include "host/HostCore.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// How long the players wait before the first of them connects: the room needs a moment to open.
constexpr int FirstPlayerDelayMs = 2500;
constexpr int NextPlayerDelayMs = 2000;
// The longest wait for a simulator to say that it listens.
constexpr int ListenWaitMs = 5000;

struct DemoPlayer
{
    QString name;
    QString address;
    QStringList script;
};

const QList<DemoPlayer> &demoPlayers()
{
    static const QList<DemoPlayer> players = {
        {u"Marla"_s, u"127.0.0.11"_s,
            {u"say Hi all, ready for round one?"_s, u"say +details"_s, u"wait 2000"_s,
                u"say +pairings"_s}},
        {u"Tobin"_s, u"127.0.0.12"_s,
            {u"say Evening everyone"_s, u"say !rules"_s, u"wait 2500"_s, u"say +rank"_s}},
        {u"Quill"_s, u"127.0.0.13"_s,
            {u"say Which course are we on?"_s, u"say +courses"_s, u"wait 3000"_s,
                u"say +whois Marla"_s}},
    };
    return players;
}

} // namespace

DemoLauncher::DemoLauncher(QObject *parent)
    : QObject(parent)
{
}

DemoLauncher::~DemoLauncher()
{
    for (QProcess *process : std::as_const(m_processes)) {
        process->terminate();
        if (!process->waitForFinished(1000))
            process->kill();
    }
}

bool DemoLauncher::start(CommandLineOptions &options)
{
    if (!m_folder.isValid())
        return false;
    // Each simulator picks its own free port and says which once it listens, so the host never
    // connects before the simulator is ready, nor to a port somebody else took meanwhile.
    const std::optional<quint16> lobbyPort = startSimulator(u"vornic-lobby-sim"_s);
    const std::optional<quint16> leaguePort
        = lobbyPort ? startSimulator(u"vornic-league-sim"_s) : std::nullopt;
    if (!leaguePort)
        return false;
    const quint16 chatPort = LocalPort::pickFree();

    const QString league = u"http://127.0.0.1:%1"_s.arg(*leaguePort);
    options.leagueUrl = QUrl(league);
    options.tourneyUrl = QUrl(league);
    options.rankUrl = QUrl(league);
    options.network.lobbyHost = u"127.0.0.1"_s;
    options.network.lobbyPort = *lobbyPort;
    options.network.chatPort = chatPort;
    const QString operatorSettings = HostCore::settingsFileFor(options);
    options.settingsFile = m_folder.filePath(u"settings.ini"_s);
    options.dataDir = m_folder.path();
    options.hostAtStart = true;
    QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(u"ladders.ini"_s),
        m_folder.filePath(u"ladders.ini"_s));
    writeDemoSettings(options.settingsFile, operatorSettings);
    startPlayers(chatPort);
    return true;
}

std::optional<quint16> DemoLauncher::startSimulator(const QString &name)
{
    QProcess *process = startTool(name, {u"--port"_s, u"0"_s}, OutputUse::FirstLine);
    if (!process)
        return std::nullopt;
    // Start-up, before the event loop runs: a bounded blocking wait for the first line.
    static const QRegularExpression listening(u"^listening on .*:(\\d+)\\s*$"_s);
    QByteArray firstLine;
    while (!firstLine.contains('\n') && process->waitForReadyRead(ListenWaitMs))
        firstLine += process->readAllStandardOutput();
    const QRegularExpressionMatch match
        = listening.match(QString::fromUtf8(firstLine.left(firstLine.indexOf('\n'))));
    const uint port = match.hasMatch() ? match.captured(1).toUInt() : 0;
    if (port == 0 || port > 65535) {
        std::fprintf(stderr, "%s did not start listening.\n", qPrintable(name));
        return std::nullopt;
    }
    // What the simulator prints from here on is read and dropped, so it cannot pile up.
    connect(process, &QProcess::readyReadStandardOutput, process,
        [process] { process->readAllStandardOutput(); });
    return quint16(port);
}

QProcess *DemoLauncher::startTool(
    const QString &name, const QStringList &arguments, OutputUse outputUse)
{
#ifdef Q_OS_WIN
    const QString suffix = u".exe"_s; // Windows tells a program by its whole file name
#else
    const QString suffix;
#endif
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(name + suffix);
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "The demo needs %s beside the program.\n", qPrintable(program));
        return nullptr;
    }
    auto *process = new QProcess(this);
    // The simulators' own output would drown the host's; their work shows in the room.
    if (outputUse == OutputUse::None)
        process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(program, arguments);
    if (!process->waitForStarted(3000)) {
        std::fprintf(stderr, "Cannot start %s.\n", qPrintable(program));
        delete process;
        return nullptr;
    }
    m_processes << process;
    return process;
}

void DemoLauncher::writeDemoSettings(
    const QString &settingsFile, const QString &operatorSettingsFile)
{
    using namespace StoredValues;
    struct Value
    {
        const StoredValue &stored;
        int index;
        QString text;
    };
    SettingsStore store(settingsFile);
    const QList<Value> values = {
        {OperatorName, 0, u"Director"_s},
        {RoomName, 0, u"Vornic Demo Room"_s},
        {WelcomeMessage, 0, u"Welcome to the demo room! Good luck in tonight's cup."_s},
        {Details, 0, u"Singles Ladder"_s},
        {Details, 1, u"1 vs 1"_s},
        {Details, 2, u"Single Elimination"_s},
        {DetailTexts, 0, u"1234"_s},
        {DetailTexts, 1, u"9:00 PM"_s},
        {Rules, 0, u"Play your match within 30 minutes of the pairing."_s},
        {Rules, 1, u"No mulligans."_s},
        {Courses, 0, u"Pine Creek"_s},
        {Levels, 0, u"3+"_s},
        {Holes, 0, u"18"_s},
        {Courses, 1, u"Coral Ridge"_s},
        {Levels, 1, u"4"_s},
        {Holes, 1, u"9"_s},
        // Show the bot's answers and the system lines, so the demo shows what the room does.
        {Options, 0, ValueCodec::checkText(true)},
        {Options, 1, ValueCodec::checkText(true)},
    };
    for (const Value &value : values)
        value.stored.write(store, value.text, value.index);

    // "--demo --panel" asks for the password the operator set with --set-panel-password: the
    // record is read from their settings, which the demo never writes.
    const SettingsStore operatorStore(operatorSettingsFile);
    const QString passwordRecord = PanelPassword.read(operatorStore);
    if (!passwordRecord.isEmpty())
        PanelPassword.write(store, passwordRecord);
}

void DemoLauncher::startPlayers(quint16 chatPort)
{
    int delay = FirstPlayerDelayMs;
    for (const DemoPlayer &player : demoPlayers()) {
        QTimer::singleShot(delay, this, [this, player, chatPort] {
            QFile script(m_folder.filePath(player.name + u".script"_s));
            if (script.open(QIODevice::WriteOnly))
                script.write((player.script.join(u'\n') + u'\n').toUtf8());
            script.close();
            startTool(u"vornic-client-sim"_s,
                {u"--port"_s, QString::number(chatPort), u"--bind"_s, player.address, u"--name"_s,
                    player.name, u"--script"_s, script.fileName(), u"--stay"_s},
                OutputUse::None);
        });
        delay += NextPlayerDelayMs;
    }
}
