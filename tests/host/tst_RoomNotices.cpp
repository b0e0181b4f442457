#include "host/HostCore.h"
#include "settings/SettingsKeys.h"
#include "support/HostFixture.h"

#include "chatserver/BanList.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"
#include "support/GameClient.h"
#include "support/ScratchHost.h"
#include "support/TestWait.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A host whose lobby server is at lobbyPort on loopback, started and given both names.
std::unique_ptr<HostCore> hostWithLobbyAt(
    const QTemporaryDir &dir, quint16 lobbyPort, QStringList &messages)
{
    auto core = std::make_unique<HostCore>(scratchHostOptions(dir, lobbyPort));
    QObject::connect(core.get(), &HostCore::messageBox, core.get(),
        [&messages](const QString &text, const QString &) { messages << text; });
    if (!core->start())
        return nullptr;
    core->parts().identity.setOperatorName(u"Ann"_s);
    core->parts().identity.setRoomName(u"Golf"_s);
    return core;
}

} // namespace

// What the operator is told: refusals, failed starts, the title, the transcript's record of
// players coming and going and of every moderation step, and sending with no room.
class TestRoomNotices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void hostingNeedsAPlayerNameAndARoomName()
    {
        HostFixture host;
        QVERIFY(host.core->start());
        HostCore &core = *host.core;
        QSignalSpy cleared(&core, &HostCore::transcriptCleared);
        const QString refusal = u"Please Enter a Player Name and a Room Name"_s;
        for (const auto &[name, room] : {std::pair{u""_s, u""_s}, std::pair{u"Ann"_s, u""_s},
                 std::pair{u""_s, u"Golf"_s}, std::pair{u"   "_s, u"Golf"_s}}) {
            core.parts().identity.setOperatorName(name);
            core.parts().identity.setRoomName(room);
            QCOMPARE(core.hostRefusal(), refusal);
            host.messages.clear();
            core.clickHostButton();
            QCOMPARE(host.messages, QStringList{refusal});
            QCOMPARE(core.hosting(), HostCore::Hosting::Idle);
        }
        // Nothing was cleared and the lobby never heard of it.
        QCOMPARE(cleared.count(), 0);
        QCOMPARE(core.parts().lobby.stateNumber(), 0);

        core.parts().identity.setOperatorName(u"Ann"_s);
        QVERIFY(core.hostRefusal().isEmpty());
        core.clickHostButton();
        QCOMPARE(core.hosting(), HostCore::Hosting::Starting);
    }

    // A refused connection ends the start at once, not 20 seconds later, and says so whatever
    // the display options; the transcript keeps its usual line.
    void refusedLobbyIsReportedAtOnceWithServerAndPort()
    {
        const quint16 port = closedPort();
        QVERIFY(port != 0);
        QTemporaryDir dir;
        QStringList messages;
        auto core = hostWithLobbyAt(dir, port, messages);
        QVERIFY(core);
        QStringList bodies;
        QObject::connect(&core->parts().transcript, &Transcript::lineAdded, core.get(),
            [&](const TranscriptLine &line) { bodies << line.body; });
        core->parts().chatOptions.setOption(ChatOptions::DisplaySystemMessages, false);
        QElapsedTimer took;
        took.start();
        core->clickHostButton();
        QVERIFY(waitUntil([&] { return core->hosting() == HostCore::Hosting::Idle; }, 8000));
        QVERIFY(took.elapsed() < 15000);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).startsWith(u"Could not reach the lobby server 127.0.0.1:"_s
                     + QString::number(port) + u": connection refused."_s),
            qPrintable(messages.at(0)));
        QVERIFY(messages.at(0).contains(u"lobbyPort"_s));
        QVERIFY(bodies.isEmpty()); // system lines hidden, as the option says

        // Shown, the transcript has the failure line too; Host works again at once.
        core->parts().chatOptions.setOption(ChatOptions::DisplaySystemMessages, true);
        core->clickHostButton();
        QVERIFY(waitUntil([&] { return core->hosting() == HostCore::Hosting::Idle; }, 8000));
        QCOMPARE(bodies.last(), u"Add Chat Failed.....Please Try Again"_s);
        QCOMPARE(messages.size(), 2);
    }

    void unconfirmedRoomIsReportedAfterTheTimeout()
    {
        LobbySimBehaviour silent;
        silent.confirmRoom = false;
        HostFixture host(silent);
        QVERIFY(host.core->start());
        host.core->parts().identity.setOperatorName(u"Ann"_s);
        host.core->parts().identity.setRoomName(u"Golf"_s);
        host.core->clickHostButton();
        QVERIFY(waitUntil([&] { return host.core->hosting() == HostCore::Hosting::Idle; }));
        QCOMPARE(host.messages.size(), 1);
        QVERIFY2(host.messages.at(0).startsWith(u"Could not host on the lobby server 127.0.0.1:"_s
                     + QString::number(host.lobby.serverPort())
                     + u": the room was not confirmed within 1 seconds"_s),
            qPrintable(host.messages.at(0)));
    }

    void titleFollowsTheLobbyLink()
    {
        LobbySimBehaviour closing;
        closing.closeAfterConfirmMs = 300;
        HostFixture host(closing);
        QVERIFY(host.core->start());
        QCOMPARE(host.core->windowTitle(), u"Vornic Host - Disconnected"_s);
        QSignalSpy titles(host.core.get(), &HostCore::windowTitleChanged);
        host.core->parts().identity.setOperatorName(u"Ann"_s);
        host.core->parts().identity.setRoomName(u"Golf"_s);
        host.core->clickHostButton();
        QVERIFY(waitUntil([&] { return host.core->parts().lobby.isConnected(); }));
        QCOMPARE(host.core->windowTitle(), u"Vornic Host - Connected"_s);
        QVERIFY(waitUntil([&] { return !host.core->parts().lobby.isConnected(); }));
        QCOMPARE(host.core->windowTitle(), u"Vornic Host - Disconnected"_s);
        QCOMPARE(titles.count(), 2);
    }

    void joinsLeavesAndModerationLeaveSystemLines()
    {
        HostFixture host;
        QVERIFY(openPatiently(host));
        HostCore &core = *host.core;
        // Absent from the settings, the option is on.
        QVERIFY(core.options().showsJoinsAndLeaves());
        auto bob = host.join(2, u"Bob"_s);
        QVERIFY(bob);
        QVERIFY(waitUntil(
            [&] { return host.lines.contains(u"System: Bob Joined the Room (ID 1)"_s); }));

        core.parts().chatOptions.setOption(ChatOptions::ShowJoinsAndLeaves, false);
        QCOMPARE(core.store().readRegValue(SettingsKeys::Options, u"cOptions 4"_s), u"0"_s);
        auto cat = host.join(3, u"Cat"_s);
        QVERIFY(cat);
        cat->disconnectFromHost();
        QVERIFY(waitUntil([&] { return core.playerRows().size() == 2; }));
        for (const QString &line : std::as_const(host.lines))
            QVERIFY2(!line.contains(u"Cat"_s), qPrintable(line));

        core.parts().chatOptions.setOption(ChatOptions::ShowJoinsAndLeaves, true);
        auto dan = host.join(4, u"Dan"_s);
        QVERIFY(dan);
        // Moderation shows whatever the joins option says; a kicked player then leaves.
        QVERIFY(core.kick(dan->ownId()));
        QVERIFY(host.lines.contains(u"System: Dan Was Kicked"_s));
        QVERIFY(waitUntil([&] { return host.lines.contains(u"System: Dan Left the Room"_s); }));

        BanTerms terms;
        terms.duration = std::chrono::hours(1);
        terms.reason = u"spam"_s;
        QVERIFY(core.ban(bob->ownId(), terms));
        const qsizetype banned = host.lines.indexOf(
            QRegularExpression(u"^System: Bob Was Banned Until \\S+ \\S+.* \\(spam\\)$"_s));
        QVERIFY2(banned >= 0, qPrintable(host.lines.join(u'\n')));
        QVERIFY(core.banAddress(u"203.0.113.0/24"_s));
        QCOMPARE(host.lines.last(), u"System: 203.0.113.0/24 Was Banned"_s);
        QVERIFY(core.unban(u"203.0.113.0/24"_s));
        QCOMPARE(host.lines.last(), u"System: Ban Removed: 203.0.113.0/24"_s);
        QVERIFY(core.banAddress(u"198.51.100.7"_s));
        core.unbanRows({1});
        QCOMPARE(host.lines.last(), u"System: Ban Removed: 198.51.100.7"_s);
        core.unbanAll();
        QCOMPARE(host.lines.last(), u"System: All Bans Removed"_s);
        QVERIFY(core.banRows().isEmpty());
    }

    void sendingNeedsAnOpenRoom()
    {
        HostFixture host;
        QVERIFY(host.core->start());
        HostCore &core = *host.core;
        QSignalSpy added(&core, &HostCore::transcriptLineAdded);
        QVERIFY(!core.canSend());
        QVERIFY(!core.say(u"hello"_s));
        QVERIFY(!core.say(u"+commands"_s));
        QVERIFY(!core.whisper(1, u"psst"_s));
        QCOMPARE(added.count(), 0);
        QCOMPARE(core.roomSummary(), u"No room open"_s);

        host.core.reset();
        HostFixture open;
        QVERIFY(openPatiently(open));
        QVERIFY(open.core->canSend());
        QVERIFY(open.core->say(u"hello"_s));
        QCOMPARE(open.lines.last(), u"Ann: hello"_s);
        auto bob = open.join(2, u"Bob"_s);
        QVERIFY(bob);
        QVERIFY(waitUntil([&] { return open.core->playerRows().size() == 2; }));
        QCOMPARE(
            open.core->roomSummary(), u"Room open on Glenmora Net \u00b7 1 player \u00b7 00:00"_s);
    }
};

QTEST_GUILESS_MAIN(TestRoomNotices)
#include "tst_RoomNotices.moc"
