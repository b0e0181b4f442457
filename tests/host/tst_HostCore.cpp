#include "host/HostCore.h"
#include "host/HostParts.h"
#include "support/HostFixture.h"

#include "chat/ChatOptions.h"
#include "chat/Transcript.h"
#include "chatserver/BanList.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ChatRoom.h"
#include "chatserver/IpMonitor.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "host/HostIdentity.h"
#include "host/SettingsEditor.h"
#include "host/StatusPanel.h"
#include "lobby/LobbyLink.h"
#include "settings/SettingsStore.h"
#include "support/GameClient.h"
#include "support/StalledListener.h"
#include "support/TestWait.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestHostCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void missingLaddersEndsStartUp()
    {
        HostFixture host({}, false);
        QVERIFY(!host.core->start());
        QCOMPARE(host.messages, QStringList{u"Error Loading Ladders"_s});
    }

    void hostOpensTheRoomAndCloseEndsIt()
    {
        HostFixture host;
        QVERIFY(host.startAndOpen());
        QCOMPARE(host.core->hostButtonCaption(), u"Close"_s);
        QVERIFY(!host.core->identityInputsEnabled());
        QCOMPARE(host.core->windowTitle(), u"Vornic Host - Connected"_s);

        auto bob = host.join(2, u"Bob"_s);
        QVERIFY(bob);
        QCOMPARE(bob->ownId(), quint16(1));

        host.core->clickHostButton();
        QCOMPARE(host.core->hosting(), HostCore::Hosting::Closing);
        QVERIFY(!host.core->hostButtonEnabled());
        QVERIFY(bob->waitForClose());
        QVERIFY(waitUntil([&] { return host.core->hosting() == HostCore::Hosting::Idle; }));
        QCOMPARE(host.core->hostButtonCaption(), u"Host"_s);
        QCOMPARE(host.core->parts().players.count(), 0);
        QVERIFY(host.lines.last().startsWith(u"System: Chat Closed At: "_s));
    }

    void registrationLinesWithSystemMessagesShown()
    {
        HostFixture host;
        QVERIFY(host.startAndOpen());
        QCOMPARE(host.lines.value(0), u"System: Connecting to 127.0.0.1"_s);
        QCOMPARE(host.lines.value(1), u"System: Logging in to 127.0.0.1"_s);
        QCOMPARE(host.lines.value(2), u"System: Adding Chat to 127.0.0.1"_s);
        QVERIFY(host.lines.value(3).startsWith(u"System: Chat Initiated at "_s));
    }

    void noConfirmationEndsTheAttempt()
    {
        LobbySimBehaviour silent;
        silent.confirmRoom = false;
        HostFixture host(silent);
        QVERIFY(host.core->start());
        host.core->parts().chatOptions.setOption(1, true);
        QObject::connect(&host.core->parts().transcript, &Transcript::lineAdded, host.core.get(),
            [&](const TranscriptLine &line) { host.lines << line.body; });
        host.core->parts().identity.setOperatorName(u"Ann"_s);
        host.core->parts().identity.setRoomName(u"Golf"_s);
        host.core->clickHostButton();
        QCOMPARE(host.core->hosting(), HostCore::Hosting::Starting);
        QVERIFY(!host.core->hostButtonEnabled());
        QVERIFY(waitUntil([&] { return host.core->hosting() == HostCore::Hosting::Idle; }));
        QCOMPARE(host.lines.last(), u"Add Chat Failed.....Please Try Again"_s);
    }

    // A lobby server that never completes the handshake: the failed start must end the attempt,
    // not leave it connecting in the background until it turns into "Error".
    void failedStartAbandonsTheLobbyLink()
    {
        StalledListener stalled;
        QVERIFY(stalled.port() != 0);
        QTemporaryDir dir;
        QFile ladders(dir.filePath(u"ladders.ini"_s));
        QVERIFY(ladders.open(QIODevice::WriteOnly));
        ladders.write("Alpha|alp|3\r\n");
        ladders.close();
        HostOptions options;
        options.dataDir = dir.path();
        options.settingsFile = dir.filePath(u"settings.ini"_s);
        options.network.lobbyHost = u"127.0.0.1"_s;
        options.network.lobbyPort = stalled.port();
        options.network.chatPort = 0;
        HostCore core(options);
        HostCore::Timing timing;
        timing.addChatTimeoutMs = 300;
        timing.statusIntervalMs = 50;
        core.setTiming(timing);
        QVERIFY(core.start());
        core.parts().identity.setOperatorName(u"Ann"_s);
        core.parts().identity.setRoomName(u"Golf"_s);

        core.clickHostButton();
        QVERIFY(waitUntil([&] { return core.hosting() == HostCore::Hosting::Idle; }, 5000));
        QCOMPARE(core.parts().lobby.stateNumber(), 0);
        const auto closedShown
            = [&] { return core.parts().status.caption(0) == u"Tavix Net: Closed"_s; };
        QVERIFY(waitUntil(closedShown, 3000));
        QVERIFY(!waitUntil([&] { return !closedShown(); }, 1500));
    }

    void lobbyClosingTheLinkLeavesTheRoomOpenAndCloseStillWorks()
    {
        LobbySimBehaviour closing;
        closing.closeAfterConfirmMs = 50;
        HostFixture host(closing);
        QVERIFY(host.startAndOpen());
        auto bob = host.join(3, u"Bob"_s);
        QVERIFY(bob);
        QVERIFY(waitUntil([&] { return !host.core->parts().lobby.isConnected(); }));
        QCOMPARE(host.core->windowTitle(), u"Vornic Host - Disconnected"_s);
        QCOMPARE(host.core->hosting(), HostCore::Hosting::Open);

        host.core->clickHostButton();
        QVERIFY(bob->waitForClose());
        QVERIFY(waitUntil([&] { return host.core->hosting() == HostCore::Hosting::Idle; }));
    }

    void exitWhileOpenSendsTheRemovalAndFinishes()
    {
        HostFixture host;
        QVERIFY(host.startAndOpen());
        QStringList simulatorLog;
        QObject::connect(&host.lobby, &LobbySimulator::logLine, host.core.get(),
            [&](const QString &line) { simulatorLog << line; });
        bool finished = false;
        QObject::connect(
            host.core.get(), &HostCore::finished, host.core.get(), [&] { finished = true; });
        host.core->shutdown();
        QVERIFY(waitUntil([&] { return finished; }));
        QVERIFY(waitUntil([&] { return simulatorLog.join(u'\n').contains(u"remove-chat"_s); }));
        QVERIFY(!host.lines.last().contains(u"Chat Closed At: "_s));
    }

    void exitWhileIdleSendsNothing()
    {
        HostFixture host;
        QVERIFY(host.core->start());
        bool finished = false;
        QObject::connect(
            host.core.get(), &HostCore::finished, host.core.get(), [&] { finished = true; });
        host.core->shutdown();
        QVERIFY(finished);
        QCOMPARE(host.core->parts().lobby.stateNumber(), 0);
    }

    void statusPanelCountsJoinsAcrossRooms()
    {
        HostFixture host;
        QVERIFY(host.startAndOpen());
        auto bob = host.join(4, u"Bob"_s);
        QVERIFY(bob);
        QVERIFY(
            waitUntil([&] { return host.core->parts().status.caption(5) == u"Total: 1"_s; }, 3000));
        QVERIFY(host.core->parts().status.caption(0).startsWith(u"Tavix Net: "_s));
    }

    // Clients that come and go, seated or not, must leave nothing behind that grows for the
    // rest of the run; the debug list keeps only its newest lines.
    void clientsComingAndGoingLeaveBoundedLists()
    {
        HostFixture host;
        QVERIFY(openPatiently(host));
        // Each address comes back every third round, far more often than the join budget and the
        // debug throttle let a client; this is about what is kept, so both are lifted.
        ChatRoom::Limits limits;
        limits.joins.burst = 100;
        limits.debugLines.linesPerSecond = 100;
        host.core->parts().room.setLimits(limits);
        const QStringList &debug = host.core->debugLines();
        for (int round = 0; round < 30; ++round) {
            GameClient client(2 + round % 3);
            QVERIFY(client.connectTo(host.chatPort()));
            QVERIFY(!client.waitForOpcode(ChatPacket::InitiateConnectionOpen).isEmpty());
            if (round % 2 == 1) {
                client.sendJoin(u"P%1"_s.arg(round));
                QVERIFY(!client.waitForOpcode(ChatPacket::RoomSetup).isEmpty());
            }
            const qsizetype before = debug.size();
            client.disconnectFromHost();
            QVERIFY(client.waitForClose());
            if (round % 2 == 0)
                QVERIFY(waitUntil([&] { return debug.size() == before + 1; }, 3000));
            QVERIFY(waitUntil([&] { return host.core->parts().players.count() == 0; }, 3000));
            QVERIFY(host.core->parts().room.ipMonitor().rows().isEmpty());
        }
        QCOMPARE(debug.size(), 15);
        QVERIFY(debug.last().contains(u" No Player Found for Socket: "_s));
        QVERIFY(host.core->parts().room.banList().rows().isEmpty());

        for (int n = 0; n < 1200; ++n)
            Q_EMIT host.core->parts().room.debugLine(u"line %1"_s.arg(n));
        QCOMPARE(debug.size(), HostCore::DebugLinesKept);
        QCOMPARE(debug.first(), u"line 200"_s);
        QCOMPARE(debug.last(), u"line 1199"_s);
    }

    // "Fast Delivery" paces every connection on its own clock; it is read at start-up and takes
    // effect as soon as it is switched, from the check box or the console alike.
    void fastDeliveryChoosesThePacing()
    {
        HostFixture host(
            {}, true, withSettingsFile("[SOFTWARE\\TavixChat\\Options]\r\ncOptions 5=1\r\n"));
        QVERIFY(openPatiently(host));
        OutgoingQueue &queue = host.core->parts().queue;
        QCOMPARE(queue.pacing(), OutgoingQueue::Pacing::PerConnection);
        QVERIFY(host.core->settings().setStoredValue(u"cOptions 5"_s, u"0"_s));
        QCOMPARE(queue.pacing(), OutgoingQueue::Pacing::Shared);
        host.core->parts().chatOptions.setOption(ChatOptions::FastDelivery, true);
        QCOMPARE(queue.pacing(), OutgoingQueue::Pacing::PerConnection);

        // Switched while the room is open, players still hear each other.
        auto bob = host.join(2, u"Bob"_s);
        auto cy = host.join(3, u"Cy"_s);
        QVERIFY(bob && cy);
        host.core->parts().chatOptions.setOption(ChatOptions::FastDelivery, false);
        bob->sendChat(bob->ownId(), u"hello"_s);
        QVERIFY(waitUntil([&] { return cy->chatTexts().contains(u"hello"_s); }));
    }

    void pagesNeedAJumpNumber()
    {
        HostFixture host;
        QVERIFY(host.core->start());
        QVERIFY(!host.core->tournamentPageUrl(0));
        QCOMPARE(host.messages.last(), u"No Jump Number Entered In Tourney Settings"_s);
    }
};

QTEST_GUILESS_MAIN(TestHostCore)
#include "tst_HostCore.moc"
