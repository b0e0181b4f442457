#include "app/LocalPort.h"
#include "chatserver/ChatPackets.h"
#include "support/GameClient.h"
#include "support/ProgramLobby.h"
#include "support/ProgramProcess.h"
#include "support/TestWait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;

namespace {

QString programPath()
{
    // The tests are built beside the program.
#ifdef Q_OS_WIN
    return QDir(QCoreApplication::applicationDirPath()).filePath(u"vornic-host.exe"_s);
#else
    return QDir(QCoreApplication::applicationDirPath()).filePath(u"vornic-host"_s);
#endif
}

// The program as a child process, as the tests start it.
class HostProcess : public ProgramProcess
{
public:
    HostProcess()
        : ProgramProcess(programPath())
    {
    }
};

} // namespace

// The headless program as an operator or a service manager runs it: options, standard input
// commands, its output lines and its exit codes.
class TestHeadlessProgram : public QObject
{
    Q_OBJECT

public:
    enum StartFailure { UnknownOption, PortOutOfRange, NoLadders, ChatPortTaken };
    Q_ENUM(StartFailure)

private Q_SLOTS:
    void init();
    void versionAndHelpPrintAndEnd_data();
    void versionAndHelpPrintAndEnd();
    void failedStartsEndWithAReason_data();
    void failedStartsEndWithAReason();
    void windowWithoutADisplayPointsToHeadless_data();
    void windowWithoutADisplayPointsToHeadless();
    void operatorRunsARoomFromStandardInput();
    void terminationClosesTheRoom();
    void namesWithControlCharactersCannotForgeConsoleLines();
    void demoPlayersJoinAndSpeak();
    void demoPanelTakesTheOperatorsPassword();

private:
    QStringList roomArguments() const;
    std::unique_ptr<GameClient> join(int hostByte, const QString &name) const
    {
        return m_lobby.join(hostByte, name);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramLobby m_lobby;
};

void TestHeadlessProgram::init()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
    m_dir = std::make_unique<QTemporaryDir>();
    QFile ladders(m_dir->filePath(u"ladders.ini"_s));
    QVERIFY(ladders.open(QIODevice::WriteOnly));
    ladders.write("Alpha|alp|3\r\n");
    ladders.close();
    // System lines shown from the start, so the registration can be followed on standard output.
    QFile settings(m_dir->filePath(u"settings.ini"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[SOFTWARE\\TavixChat]\r\npName=Ann\r\ncName=Night Cup\r\n"
                   "cRules 1=No mulligans.\r\n");
    settings.close();

    QVERIFY(m_lobby.open(LocalPort::pickFree()));
}

QStringList TestHeadlessProgram::roomArguments() const
{
    return QStringList{u"--headless"_s, u"--data-dir"_s, m_dir->path(), u"--settings"_s,
               m_dir->filePath(u"settings.ini"_s)}
    + m_lobby.arguments();
}

void TestHeadlessProgram::versionAndHelpPrintAndEnd_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");
    QTest::newRow("version") << u"--version"_s << u"Vornic Host 1.4"_s;
    // "vornic-host.exe" on Windows.
    QTest::newRow("help") << u"--help"_s << u"Usage: vornic-host"_s;
}

void TestHeadlessProgram::versionAndHelpPrintAndEnd()
{
    QFETCH(QString, option);
    QFETCH(QString, expected);
    HostProcess host;
    host.start({option});
    QCOMPARE(host.waitForExit(), 0);
    QVERIFY2(!host.waitForOut(expected, 1000).isEmpty(), qPrintable(host.out.join(u'\n')));
}

void TestHeadlessProgram::failedStartsEndWithAReason_data()
{
    QTest::addColumn<StartFailure>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << UnknownOption << u"Unknown option 'bogus'"_s;
    QTest::newRow("bad port") << PortOutOfRange << u"--chat-port"_s;
    QTest::newRow("no ladders") << NoLadders << u"Error Loading Ladders"_s;
    QTest::newRow("chat port taken") << ChatPortTaken << u"Cannot listen for players on port"_s;
}

void TestHeadlessProgram::failedStartsEndWithAReason()
{
    QFETCH(StartFailure, failure);
    QFETCH(QString, message);
    QStringList arguments = roomArguments();
    QTcpServer occupier;
    switch (failure) {
    case UnknownOption:
        arguments << u"--bogus"_s;
        break;
    case PortOutOfRange:
        arguments << u"--chat-port"_s << u"70000"_s;
        break;
    case NoLadders:
        QVERIFY(QFile::remove(m_dir->filePath(u"ladders.ini"_s)));
        break;
    case ChatPortTaken:
        QVERIFY(occupier.listen(QHostAddress::Any, m_lobby.chatPort()));
        arguments << u"--host"_s;
        break;
    }

    HostProcess host;
    host.start(arguments);
    const int code = host.waitForExit();
    QVERIFY2(code > 0, qPrintable(u"exit code %1"_s.arg(code)));
    QVERIFY2(!host.waitForErr(message, 1000).isEmpty(), qPrintable(host.err.join(u'\n')));
}

void TestHeadlessProgram::windowWithoutADisplayPointsToHeadless_data()
{
    QTest::addColumn<QString>("platform");
    QTest::newRow("nothing set") << QString();
    // A platform named on purpose whose server is not there fails inside the window system.
    QTest::newRow("X named, no server") << u"xcb"_s;
}

void TestHeadlessProgram::windowWithoutADisplayPointsToHeadless()
{
    QFETCH(QString, platform);
#ifdef Q_OS_WIN
    QSKIP("A Windows session always has a desktop to open the window on");
#endif
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    if (!platform.isEmpty())
        environment.insert(u"QT_QPA_PLATFORM"_s, platform);
    HostProcess host;
    host.process.setProcessEnvironment(environment);
    // Should the program still abort, it leaves no core file behind.
#ifdef Q_OS_UNIX
    host.process.setChildProcessModifier([] {
        const rlimit none{0, 0};
        setrlimit(RLIMIT_CORE, &none);
    });
#endif
    host.start(
        {u"--data-dir"_s, m_dir->path(), u"--settings"_s, m_dir->filePath(u"settings.ini"_s)});
    QCOMPARE(host.waitForExit(), 2);
    QVERIFY(waitUntil([&] { return !host.err.isEmpty(); }, 1000));
    const QString line = host.err.constLast();
    QVERIFY2(line.contains(u"no display found"_s), qPrintable(host.err.join(u'\n')));
    QVERIFY2(line.contains(u"vornic-host --headless --host ..."_s), qPrintable(line));
    if (platform.isEmpty())
        QCOMPARE(host.err.size(), 1);
}

void TestHeadlessProgram::operatorRunsARoomFromStandardInput()
{
    HostProcess host;
    host.start(roomArguments());
    QVERIFY(host.process.waitForStarted(5000));

    host.type(u"/set cOptions 0 1"_s);
    host.type(u"/set cOptions 1 1"_s);
    host.type(u"/host"_s);
    QVERIFY(!host.waitForOut(u"System: Chat Initiated at "_s).isEmpty());
    QVERIFY(m_lobby.waitForLog(u"Night Cup"_s, 3000));

    // The line comes just before the room listens; the first player may have to try again.
    std::unique_ptr<GameClient> bob;
    QVERIFY2(waitUntil([&] { return (bob = join(2, u"Bob"_s)) != nullptr; }, 8000),
        qPrintable((host.out + host.err).join(u'\n')));
    auto cleo = join(3, u"Cleo"_s);
    QVERIFY(cleo);

    host.type(u"hello all"_s);
    QVERIFY(!host.waitForOut(u"Ann: hello all"_s).isEmpty());
    QVERIFY(waitUntil([&] { return bob->chatTexts().contains(u"hello all"_s); }, 3000));

    bob->sendChat(bob->ownId(), u"hi Ann"_s);
    QVERIFY(!host.waitForOut(u"Bob: hi Ann"_s).isEmpty());

    host.type(u"/players"_s);
    const QString bobRow = host.waitForOut(u"  Bob  "_s);
    QCOMPARE(bobRow.section(u"  "_s, 0, 2), u"%1  Bob  127.0.0.2"_s.arg(bob->ownId()));
    QVERIFY(!host.waitForOut(u"%1  Cleo  127.0.0.3"_s.arg(cleo->ownId())).isEmpty());

    host.type(u"/kick %1"_s.arg(cleo->ownId()));
    QVERIFY(!cleo->waitForOpcode(ChatPacket::Kick).isEmpty());

    host.type(u"/ban %1"_s.arg(bob->ownId()));
    QVERIFY(!bob->waitForOpcode(ChatPacket::Kick).isEmpty());
    host.type(u"/ban-address 127.0.0.9/30 7d trolling | again"_s);
    host.type(u"/ban-address nonsense 2h"_s);
    QVERIFY(!host.waitForErr(u"\"nonsense\" is neither"_s).isEmpty());
    host.type(u"/ban %1 0m spam"_s.arg(cleo->ownId()));
    QVERIFY(!host.waitForErr(u"Usage: /ban ID"_s).isEmpty());
    host.type(u"/bans"_s);
    QVERIFY(host.waitForOut(u"127.0.0.2  Bob  banned "_s).endsWith(u"  expires never  -"_s));
    const QString ranged = host.waitForOut(u"127.0.0.8/30  -  banned "_s);
    QVERIFY(ranged.endsWith(u"  trolling | again"_s));
    QVERIFY(!ranged.contains(u"never"_s));
    host.type(u"/unban all"_s);
    host.type(u"/bans"_s);
    QVERIFY(!host.waitForOut(u"No bans."_s).isEmpty());

    host.type(u"/announce rules"_s);
    QVERIFY(!host.waitForOut(u"No mulligans."_s).isEmpty());
    QVERIFY(waitUntil(
        [&] { return cleo->chatTexts().join(u'\n').contains(u"No mulligans."_s); }, 5000));

    host.type(u"/frobnicate now"_s);
    QVERIFY(!host.waitForErr(u"Unknown command /frobnicate (try /help)"_s).isEmpty());
    host.type(u"/kick 999"_s);
    QVERIFY(!host.waitForErr(u"No seated player has ID 999"_s).isEmpty());

    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);
    QVERIFY(m_lobby.waitForLog(u"remove-chat"_s, 3000));
    QVERIFY(cleo->waitForClose(3000));
}

void TestHeadlessProgram::namesWithControlCharactersCannotForgeConsoleLines()
{
    HostProcess host;
    host.start(roomArguments() << u"--host"_s);
    // Names are cut to 20 characters; this one fits whole.
    const QString forged = u"System: Closed"_s;
    std::unique_ptr<GameClient> mallory;
    QVERIFY(waitUntil([&] { return (mallory = join(2, u"x\n"_s + forged)) != nullptr; }, 8000));
    auto eve = join(3, u"\x1b[2J\x1b]0;owned\x07z"_s);
    QVERIFY(eve);

    host.type(u"/players"_s);
    QVERIFY(!host.waitForOut(u"  x?System: Closed  127.0.0.2"_s).isEmpty());
    QVERIFY(!host.waitForOut(u"  ?[2J?]0;owned?z  127.0.0.3"_s).isEmpty());
    host.type(u"/ban %1"_s.arg(mallory->ownId()));
    QVERIFY(!mallory->waitForOpcode(ChatPacket::Kick).isEmpty());
    host.type(u"/bans"_s);
    QVERIFY(!host.waitForOut(u"127.0.0.2  x?System: Closed  banned "_s).isEmpty());

    QVERIFY(!host.out.contains(forged));
    QVERIFY(!host.out.join(u'\n').contains(u'\x1b'));
    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);
}

void TestHeadlessProgram::terminationClosesTheRoom()
{
#ifdef Q_OS_WIN
    // QProcess::terminate() posts WM_CLOSE, which a console program never sees; a console's
    // Ctrl+C cannot be sent to a child that does not share the test's console.
    QSKIP("Console control events cannot be sent to a child process from here");
#endif
    HostProcess host;
    host.start(roomArguments() << u"--host"_s);
    // End of input must not end a service.
    host.process.closeWriteChannel();
    std::unique_ptr<GameClient> bob;
    QVERIFY(waitUntil([&] { return (bob = join(2, u"Bob"_s)) != nullptr; }, 5000));

    host.process.terminate();
    QCOMPARE(host.waitForExit(), 0);
    QVERIFY(bob->waitForClose(3000));
    QVERIFY(m_lobby.waitForLog(u"remove-chat"_s, 3000));
}

void TestHeadlessProgram::demoPlayersJoinAndSpeak()
{
    HostProcess host;
    host.start({u"--headless"_s, u"--demo"_s});
    const QStringList firstLines{u"Marla: Hi all, ready for round one?"_s,
        u"Tobin: Evening everyone"_s, u"Quill: Which course are we on?"_s};
    for (const QString &line : firstLines)
        QVERIFY2(
            !host.waitForOut(line, 20000).isEmpty(), qPrintable((host.out + host.err).join(u'\n')));

    host.type(u"/players"_s);
    for (const QString &name : {u"Marla"_s, u"Tobin"_s, u"Quill"_s})
        QVERIFY(!host.waitForOut(u"  "_s + name + u"  127.0.0."_s).isEmpty());

    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);
}

// The demo keeps its own settings, but a panel beside it asks for the password the operator set;
// their settings file is read, never written.
void TestHeadlessProgram::demoPanelTakesTheOperatorsPassword()
{
    const QString settings = m_dir->filePath(u"settings.ini"_s);
    {
        HostProcess setter;
        setter.start({u"--settings"_s, settings, u"--set-panel-password"_s});
        setter.type(u"demo password"_s);
        QCOMPARE(setter.waitForExit(), 0);
    }
    QFile file(settings);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    HostProcess host;
    host.start({u"--headless"_s, u"--demo"_s, u"--settings"_s, settings, u"--panel"_s,
        QString::number(LocalPort::pickFree())});
    QVERIFY2(!host.waitForErr(u"Panel at http://127.0.0.1:"_s, 20000).isEmpty(),
        qPrintable((host.out + host.err).join(u'\n')));
    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

QTEST_GUILESS_MAIN(TestHeadlessProgram)
#include "tst_HeadlessProgram.moc"
