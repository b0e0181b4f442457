#include "app/LocalPort.h"
#include "chatserver/ChatPackets.h"
#include "support/GameClient.h"
#include "support/ProgramLobby.h"
#include "support/ProgramProcess.h"
#include "support/TestWait.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Set by the build: the prefix the install fixture installed into.
QString installPrefix()
{
    return qEnvironmentVariable("VORNIC_INSTALL_PREFIX");
}

QStringList programFolderContents()
{
    return QDir(installPrefix() + u"/bin"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The libraries a process has mapped, one path per line of /proc/PID/maps.
QStringList mappedLibraries(qint64 pid)
{
    QFile maps(u"/proc/%1/maps"_s.arg(pid));
    QStringList libraries;
    if (!maps.open(QIODevice::ReadOnly))
        return libraries;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && line.contains(".so"))
            libraries << QString::fromUtf8(line.mid(slash));
    }
    libraries.removeDuplicates();
    return libraries;
}

} // namespace

// The programs as `cmake --install` put them, run as a user would: no --data-dir, no --settings,
// the home folders pointed at a temporary one. They must find the ladders they ship, keep their
// settings and logs in the user's folders and leave their own folder alone.
class TestInstalledPrograms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void roomSeatsAPlayerAndAnswersCommands_data();
    void roomSeatsAPlayerAndAnswersCommands();
    void serverProgramLoadsNoGraphicsLibraries();

private:
    std::unique_ptr<ProgramProcess> startRoom(const QString &program, const QStringList &extra);

    std::unique_ptr<QTemporaryDir> m_home;
    ProgramLobby m_lobby;
};

void TestInstalledPrograms::initTestCase()
{
    QVERIFY2(!installPrefix().isEmpty(), "VORNIC_INSTALL_PREFIX is not set");
    QCOMPARE(programFolderContents(), (QStringList{u"vornic-host"_s, u"vornic-hostd"_s}));
}

std::unique_ptr<ProgramProcess> TestInstalledPrograms::startRoom(
    const QString &program, const QStringList &extra)
{
    m_home = std::make_unique<QTemporaryDir>();
    const QString config = m_home->filePath(u".config/Vornic Host/settings.ini"_s);
    if (!writeFile(config,
            "[SOFTWARE\\TavixChat]\r\npName=Ann\r\ncName=Night Cup\r\ncRules 1=No mulligans.\r\n"
            "[SOFTWARE\\TavixChat\\Options]\r\ncLogs 0=1\r\ncLogs 1=1\r\ncLogs 2=1\r\n"))
        return nullptr;

    if (!m_lobby.open(LocalPort::pickFree()))
        return nullptr;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, m_home->path());
    environment.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u".config"_s));
    environment.insert(u"XDG_DATA_HOME"_s, m_home->filePath(u".local/share"_s));
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    auto host = std::make_unique<ProgramProcess>(installPrefix() + u"/bin/"_s + program);
    host->process.setProcessEnvironment(environment);
    host->process.setWorkingDirectory(m_home->path());
    host->start(QStringList{u"--host"_s} + m_lobby.arguments() + extra);
    return host;
}

void TestInstalledPrograms::roomSeatsAPlayerAndAnswersCommands_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("extra");
    QTest::newRow("vornic-hostd") << u"vornic-hostd"_s << QStringList();
    QTest::newRow("vornic-hostd --headless") << u"vornic-hostd"_s << QStringList{u"--headless"_s};
    QTest::newRow("vornic-host --headless") << u"vornic-host"_s << QStringList{u"--headless"_s};
}

void TestInstalledPrograms::roomSeatsAPlayerAndAnswersCommands()
{
    QFETCH(QString, program);
    QFETCH(QStringList, extra);
    auto host = startRoom(program, extra);
    QVERIFY(host);
    QVERIFY(host->process.waitForStarted(5000));
    // A service's standard input is empty; that must not end the room.
    host->process.closeWriteChannel();

    // Without the shipped ladders the room would not open at all.
    const std::unique_ptr<GameClient> bob = m_lobby.joinOnceOpen(*host, 2, u"Bob"_s, 15000);
    QVERIFY2(bob, qPrintable(host->allOutput()));
    QVERIFY(m_lobby.waitForLog(u"Night Cup"_s, 5000));

    bob->sendChat(bob->ownId(), u"+rules"_s);
    QVERIFY2(
        waitUntil([&] { return bob->chatTexts().join(u'\n').contains(u"No mulligans."_s); }, 8000),
        qPrintable(bob->chatTexts().join(u'\n')));
    bob->sendChat(bob->ownId(), u"hi Ann"_s);
    QVERIFY(!host->waitForOut(u"Bob: hi Ann"_s).isEmpty());

    host->process.terminate();
    QCOMPARE(host->waitForExit(15000), 0);
    QVERIFY(bob->waitForClose(3000));

    // The day's log is in the per-user data folder, and nothing was written beside the program.
    const QDir userData(m_home->filePath(u".local/share/Vornic Host"_s));
    const QStringList logs = userData.entryList({u"*.txt"_s}, QDir::Files);
    QVERIFY2(logs.size() == 1, qPrintable(logs.join(u' ')));
    QFile log(userData.filePath(logs.constFirst()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("hi Ann"));
    QCOMPARE(programFolderContents(), (QStringList{u"vornic-host"_s, u"vornic-hostd"_s}));
}

void TestInstalledPrograms::serverProgramLoadsNoGraphicsLibraries()
{
    auto host = startRoom(u"vornic-hostd"_s, {});
    QVERIFY(host);
    QVERIFY(host->process.waitForStarted(5000));
    const std::unique_ptr<GameClient> bob = m_lobby.joinOnceOpen(*host, 2, u"Bob"_s, 15000);
    QVERIFY2(bob, qPrintable(host->allOutput()));

    // Looked at while it serves a player, after every library it will load has been loaded.
    const QStringList libraries = mappedLibraries(host->process.processId());
    QVERIFY(libraries.join(u'\n').contains(u"libQt6Network"_s));
    for (const QString &library : libraries) {
        for (const QString &unwanted : {u"libQt6Gui"_s, u"libQt6Widgets"_s, u"libQt6DBus"_s,
                 u"libX11"_s, u"libxcb"_s, u"libGL"_s, u"libEGL"_s, u"libOpenGL"_s, u"libdbus"_s,
                 u"libfontconfig"_s, u"libfreetype"_s})
            QVERIFY2(!library.contains(unwanted), qPrintable(library));
    }
    host->process.terminate();
    QCOMPARE(host->waitForExit(15000), 0);
}

QTEST_GUILESS_MAIN(TestInstalledPrograms)
#include "tst_InstalledPrograms.moc"
