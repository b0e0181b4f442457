#include "app/LocalPort.h"
#include "chatserver/ChatPackets.h"
#include "support/GameClient.h"
#include "support/ProgramLobby.h"
#include "support/ProgramProcess.h"
#include "support/TestWait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString programPath(const QString &name)
{
    // The tests are built beside the programs.
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

} // namespace

// The console as an operator types at it, through the real program: the status line, the
// settings list, players named rather than numbered, control characters, and what it says when
// there is no room or hosting fails.
class TestConsoleCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void serverProgramNamesItself();
    void withoutARoom();
    void refusedLobbyIsExplainedOnStandardError();
    void settingsAreListedAndConfirmed();
    void playersByNameAndStatus();

private:
    void writeSettings(const QByteArray &text);
    QStringList arguments(const QStringList &lobby) const
    {
        return QStringList{u"--headless"_s, u"--data-dir"_s, m_dir->path(), u"--settings"_s,
                   m_dir->filePath(u"settings.ini"_s)}
        + lobby;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramLobby m_lobby;
};

void TestConsoleCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QFile ladders(m_dir->filePath(u"ladders.ini"_s));
    QVERIFY(ladders.open(QIODevice::WriteOnly));
    ladders.write("Alpha|alp|3\r\n");
    ladders.close();
    writeSettings("[SOFTWARE\\TavixChat]\r\npName=Ann\r\ncName=Night Cup\r\n"
                  "[SOFTWARE\\TavixChat\\Options]\r\ncOptions 1=1\r\n");
    QVERIFY(m_lobby.open(LocalPort::pickFree()));
}

void TestConsoleCommands::writeSettings(const QByteArray &text)
{
    QFile settings(m_dir->filePath(u"settings.ini"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(text);
}

void TestConsoleCommands::serverProgramNamesItself()
{
    ProgramProcess server(programPath(u"vornic-hostd"_s));
    server.start({u"--version"_s});
    QCOMPARE(server.waitForExit(), 0);
    QCOMPARE(server.out.value(0), u"vornic-hostd (Vornic Host) 1.4"_s);
}

void TestConsoleCommands::withoutARoom()
{
    writeSettings("[SOFTWARE\\TavixChat]\r\ncName=Night Cup\r\n");
    ProgramProcess host(programPath(u"vornic-host"_s));
    host.start(arguments(m_lobby.arguments()));
    host.type(u"/host"_s);
    QVERIFY(!host.waitForErr(u"Please Enter a Player Name and a Room Name"_s).isEmpty());
    host.type(u"hello"_s);
    QVERIFY(!host.waitForErr(u"No room is open"_s).isEmpty());
    host.type(u"/whisper 1 psst"_s);
    host.type(u"/status"_s);
    const QString status = host.waitForOut(u"No room open"_s);
    QVERIFY2(status.contains(u"server Glenmora Net"_s) && status.contains(u"not muted"_s)
            && status.endsWith(u"lobby link Closed"_s),
        qPrintable(status));
    QCOMPARE(host.err.count(u"No room is open"_s), 2);
    // Nothing reached a lobby, and nothing was said.
    QVERIFY(!m_lobby.waitForLog(u"connected"_s, 200));
    QVERIFY(!host.out.join(u'\n').contains(u"hello"_s));
    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);
}

void TestConsoleCommands::refusedLobbyIsExplainedOnStandardError()
{
    // The system lines stay hidden; the reason comes anyway.
    writeSettings("[SOFTWARE\\TavixChat]\r\npName=Ann\r\ncName=Night Cup\r\n");
    const quint16 closed = LocalPort::pickFree();
    ProgramProcess host(programPath(u"vornic-host"_s));
    host.start(arguments({u"--lobby-host"_s, u"127.0.0.1"_s, u"--lobby-port"_s,
        QString::number(closed), u"--chat-port"_s, QString::number(m_lobby.chatPort())}));
    host.type(u"/host"_s);
    const QString reason = host.waitForErr(u"Could not reach the lobby server"_s, 8000);
    QVERIFY2(reason.startsWith(u"Could not reach the lobby server 127.0.0.1:"_s
                 + QString::number(closed) + u": connection refused."_s),
        qPrintable(host.allOutput()));
    QVERIFY(!host.waitForErr(u"lobbyHost and lobbyPort"_s).isEmpty());
    QVERIFY(!host.out.join(u'\n').contains(u"Add Chat Failed"_s));
    host.type(u"/status"_s);
    QVERIFY(!host.waitForOut(u"No room open"_s).isEmpty());
    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);
}

void TestConsoleCommands::settingsAreListedAndConfirmed()
{
    writeSettings("[SOFTWARE\\TavixChat]\r\npName=Ann\r\ncPass=hunter2\r\n");
    ProgramProcess host(programPath(u"vornic-host"_s));
    host.start(arguments(m_lobby.arguments()));
    host.type(u"/set"_s);
    QVERIFY(!host.waitForOut(u"pName = Ann"_s).isEmpty());
    QVERIFY(!host.waitForOut(u"cPass = (set)"_s).isEmpty());
    QVERIFY(!host.waitForOut(u"cOptions 4 = 1"_s).isEmpty());
    QVERIFY(!host.waitForOut(u"tDetails 1 ="_s).isEmpty());
    host.type(u"/set tDetails 1 4412"_s);
    QVERIFY(!host.waitForOut(u"Stored tDetails 1 = 4412"_s).isEmpty());
    host.type(u"/set cPass"_s);
    QVERIFY(!host.waitForOut(u"Stored cPass = (not set)"_s).isEmpty());
    // A refused value is not confirmed.
    host.type(u"/set cOptions 0 maybe"_s);
    host.type(u"/set tDetails 2 8pm"_s);
    QVERIFY(!host.waitForOut(u"Stored tDetails 2 = 8pm"_s).isEmpty());
    QVERIFY(!host.out.join(u'\n').contains(u"Stored cOptions 0"_s));
    host.type(u"/set nonsense 1"_s);
    QVERIFY(!host.waitForErr(u"(type /set for the list)"_s).isEmpty());
    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);
    QVERIFY(!host.allOutput().contains(u"hunter2"_s));
}

void TestConsoleCommands::playersByNameAndStatus()
{
    ProgramProcess host(programPath(u"vornic-host"_s));
    host.start(arguments(m_lobby.arguments()) << u"--host"_s);
    QVERIFY(host.process.waitForStarted(5000));
    auto bob = m_lobby.joinOnceOpen(host, 2, u"Bob"_s, 8000);
    QVERIFY2(bob, qPrintable(host.allOutput()));
    auto bobby = m_lobby.join(3, u"bob"_s);
    QVERIFY(bobby);
    auto cleo = m_lobby.join(4, u"Cleo Ray"_s);
    QVERIFY(cleo);
    QVERIFY(!host.waitForOut(u"System: Cleo Ray Joined the Room (ID 3)"_s).isEmpty());

    host.type(u"/status"_s);
    const QString status = host.waitForOut(u"Room open on Glenmora Net"_s);
    QVERIFY2(status.contains(u"3 players"_s) && status.contains(u"not muted"_s)
            && status.endsWith(u"lobby link Connected"_s),
        qPrintable(status));

    // Two players answer to "bob" in any case: the console wants an ID.
    host.type(u"/kick BOB"_s);
    QVERIFY(!host.waitForErr(u"use one of their IDs: 1, 2"_s).isEmpty());
    // A name with a blank, then the whisper's text.
    host.type(u"/whisper cleo ray meet at 9"_s);
    QVERIFY(waitUntil([&] { return cleo->chatTexts().contains(u"meet at 9"_s); }, 3000));
    QVERIFY(!host.waitForOut(u"<To> Cleo Ray: meet at 9"_s).isEmpty());
    host.type(u"/kick Zed"_s);
    QVERIFY(!host.waitForErr(u"No seated player is named \"Zed\""_s).isEmpty());

    // Ctrl+L and a bell typed into the line are dropped; the rest is said.
    host.type(u"he\x0cllo\x07 all"_s);
    QVERIFY(!host.waitForOut(u"Ann: hello all"_s).isEmpty());
    QVERIFY(waitUntil([&] { return cleo->chatTexts().contains(u"hello all"_s); }, 3000));
    host.type(u"\x0c"_s);

    host.type(u"/ban Cleo Ray 2h spam"_s);
    QVERIFY(!cleo->waitForOpcode(ChatPacket::Kick).isEmpty());
    const QString banned = host.waitForOut(u"System: Cleo Ray Was Banned Until "_s);
    QVERIFY2(banned.endsWith(u" (spam)"_s), qPrintable(banned));
    host.type(u"/kick %1"_s.arg(bobby->ownId()));
    QVERIFY(!host.waitForOut(u"System: bob Was Kicked"_s).isEmpty());
    host.type(u"/unban all"_s);
    QVERIFY(!host.waitForOut(u"System: All Bans Removed"_s).isEmpty());

    host.type(u"/quit"_s);
    QCOMPARE(host.waitForExit(), 0);
    QVERIFY(!host.allOutput().contains(u'\x0c'));
}

QTEST_GUILESS_MAIN(TestConsoleCommands)
#include "tst_ConsoleCommands.moc"
