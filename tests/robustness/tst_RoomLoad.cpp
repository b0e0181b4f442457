#include "chatserver/ChatRoom.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "robustness/ResidentMemory.h"
#include "support/HostFixture.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Chat texts a client received that start with prefix, in order.
QStringList textsStartingWith(const GameClient &client, const QString &prefix)
{
    QStringList texts = client.chatTexts();
    texts.removeIf([&](const QString &text) { return !text.startsWith(prefix); });
    return texts;
}

// Joins with the room's password and waits for the room setup.
std::unique_ptr<GameClient> joinLocked(HostFixture &host, int hostByte, const QString &name)
{
    auto client = std::make_unique<GameClient>(hostByte);
    if (!client->connectTo(host.chatPort())
        || client->waitForOpcode(ChatPacket::InitiateConnectionLocked).isEmpty())
        return nullptr;
    client->sendJoin(name, u"Secret"_s);
    if (client->waitForOpcode(ChatPacket::RoomSetup).isEmpty())
        return nullptr;
    return client;
}

// CTest runs these tests twice: with the outgoing queue shared, and paced per connection
// ("Fast Delivery"), which this variable asks for.
bool fastDelivery()
{
    return qEnvironmentVariableIntValue("VORNIC_TEST_FAST_DELIVERY") == 1;
}

// Opens the room with the pacing this run is for.
bool openRoom(HostFixture &host)
{
    if (!openPatiently(host))
        return false;
    host.core->parts().chatOptions.setOption(ChatOptions::FastDelivery, fastDelivery());
    return host.core->parts().queue.pacing()
        == (fastDelivery() ? OutgoingQueue::Pacing::PerConnection : OutgoingQueue::Pacing::Shared);
}

} // namespace

class TestRoomLoad : public QObject
{
    Q_OBJECT

public:
    enum Flood { NameRequests, WrongPasswords, BotCommands };
    Q_ENUM(Flood)

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Waves of players from all 63 client addresses join, one of them says three lines, all
    // leave. Every packet leaves the queue 5 ms after the one before, so the number of joins
    // that fit is set by the time budget, not by the host's speed.
    void churn()
    {
        constexpr int Wave = 9;
        constexpr int Addresses = 63;
        constexpr qint64 BudgetMs = 45000;
        constexpr int MaxJoins = 10000;
        HostFixture host;
        QVERIFY2(openRoom(host), qPrintable(host.lines.join(u'\n')));
        // Every address here joins again every few seconds, which the join budget keeps hostile
        // clients from doing; this measures the cost of many joins, so the budget is lifted.
        ChatRoom::Limits limits;
        limits.joins.burst = MaxJoins;
        host.core->parts().room.setLimits(limits);

        QElapsedTimer clock;
        clock.start();
        qint64 residentAfterWarmUp = 0;
        int joins = 0;
        for (int round = 0; joins + Wave <= MaxJoins && clock.elapsed() < BudgetMs; ++round) {
            const int firstHost = 2 + (round * Wave) % Addresses;
            std::vector<std::unique_ptr<GameClient>> wave;
            for (int member = 0; member < Wave; ++member) {
                wave.push_back(host.join(firstHost + member, u"P%1"_s.arg(firstHost + member)));
                QVERIFY(wave.back() && wave.back()->ownId() != 0);
            }
            joins += Wave;

            GameClient &speaker = *wave.at(round % Wave);
            const QString prefix = u"round %1 line "_s.arg(round);
            QStringList said;
            for (int line = 1; line <= 3; ++line) {
                said << prefix + QString::number(line);
                speaker.sendChat(speaker.ownId(), said.last());
            }
            for (const auto &listener : wave) {
                if (listener.get() == &speaker)
                    continue;
                QVERIFY(
                    waitUntil([&] { return textsStartingWith(*listener, prefix).size() >= 3; }));
                QCOMPARE(textsStartingWith(*listener, prefix), said);
            }

            wave.clear();
            QVERIFY(waitUntil([&] { return host.core->parts().players.count() == 0; }));
            QVERIFY(waitUntil([&] { return host.core->parts().queue.size() == 0; }));
            if (round == 1)
                residentAfterWarmUp = residentBytes();
        }
        qInfo() << "joins:" << joins << "in" << clock.elapsed() << "ms";
        QVERIFY(joins >= 7 * Wave); // every address at least once
        const qint64 growth = residentBytes() - residentAfterWarmUp;
        qInfo() << "resident size growth after the warm-up:" << growth / 1024 << "KiB";
        if (residentSizeTellsLeaks)
            QVERIFY2(growth < 8 * 1024 * 1024, qPrintable(QString::number(growth)));
    }

    // One client sends lines as fast as it can, past the byte cap or just under it. The others'
    // lines still arrive promptly, the queue stays short and memory stays put.
    void floodStarvesNoOne_data()
    {
        QTest::addColumn<int>("linesPerTick");
        QTest::addColumn<bool>("flooderDropped");
        QTest::newRow("past the byte cap") << 400 << true;
        QTest::newRow("under the byte cap") << 1 << false;
    }
    void floodStarvesNoOne()
    {
        QFETCH(int, linesPerTick);
        QFETCH(bool, flooderDropped);
        HostFixture host;
        QVERIFY2(openRoom(host), qPrintable(host.lines.join(u'\n')));
        auto ann = host.join(2, u"Ann"_s);
        auto bob = host.join(3, u"Bob"_s);
        auto flooder = host.join(4, u"Flood"_s);
        QVERIFY(ann && bob && flooder);
        const qint64 residentBefore = residentBytes();

        QElapsedTimer clock;
        clock.start();
        qsizetype longestQueue = 0;
        qint64 annSaidAtMs = -1;
        qint64 bobHeardAtMs = -1;
        while (clock.elapsed() < 3000 && bobHeardAtMs < 0) {
            for (int line = 0; line < linesPerTick && !flooder->isClosed(); ++line)
                flooder->sendChat(flooder->ownId(), u"spam spam spam spam"_s);
            if (annSaidAtMs < 0 && clock.elapsed() >= 1000) {
                annSaidAtMs = clock.elapsed();
                ann->sendChat(ann->ownId(), u"still here"_s);
            }
            QTest::qWait(10);
            longestQueue = std::max(longestQueue, host.core->parts().queue.size());
            if (bob->chatTexts().contains(u"still here"_s))
                bobHeardAtMs = clock.elapsed();
        }
        QVERIFY(bobHeardAtMs >= 0);
        qInfo() << "line delay under flood:" << bobHeardAtMs - annSaidAtMs << "ms;"
                << "longest queue:" << longestQueue;
        QVERIFY(bobHeardAtMs - annSaidAtMs < 1000);
        QVERIFY(longestQueue < 100);
        // A burst of 5, then 2 a second, plus at most one "slow down" notice a second.
        QVERIFY(textsStartingWith(*bob, u"spam"_s).size() <= 5 + 2 * 4);
        QCOMPARE(flooder->waitForClose(flooderDropped ? 3000 : 200), flooderDropped);
        if (residentSizeTellsLeaks)
            QVERIFY(residentBytes() - residentBefore < 16 * 1024 * 1024);
    }

    // 2,000 requests at once from one client, each of which the room answers: the answers are
    // budgeted, so another player's line still arrives within a second.
    void requestFloodDelaysNoOne_data()
    {
        QTest::addColumn<Flood>("kind");
        QTest::newRow("name requests") << NameRequests;
        QTest::newRow("wrong passwords") << WrongPasswords;
        QTest::newRow("commands") << BotCommands;
    }
    void requestFloodDelaysNoOne()
    {
        QFETCH(Flood, kind);
        HostFixture host;
        host.core->parts().identity.setPassword(u"Secret"_s);
        host.core->parts().identity.setLocked(true);
        QVERIFY2(openRoom(host), qPrintable(host.lines.join(u'\n')));
        auto ann = joinLocked(host, 2, u"Ann"_s);
        auto bob = joinLocked(host, 3, u"Bob"_s);
        std::unique_ptr<GameClient> flooder;
        if (kind == WrongPasswords) {
            flooder = std::make_unique<GameClient>(4);
            QVERIFY(flooder->connectTo(host.chatPort()));
        } else {
            flooder = joinLocked(host, 4, u"Flood"_s);
        }
        QVERIFY(ann && bob && flooder);
        QVERIFY(waitUntil([&] { return host.core->parts().queue.size() == 0; }, 10000));

        QByteArray flood;
        for (int request = 0; request < 2000; ++request) {
            switch (kind) {
            case NameRequests:
                flood += ChatPacket::nameRequest({ann->ownId()});
                break;
            case WrongPasswords:
                flood += GameClient::joinRequestPacket(u"Guess"_s, u"guess%1"_s.arg(request));
                break;
            case BotCommands: {
                QByteArray line = ChatPacket::chatLine(u"+commands"_s);
                ChatPacket::writeId(line, 8, flooder->ownId());
                flood += line;
                break;
            }
            }
        }
        flooder->sendRaw(flood);
        QVERIFY(flooder->waitForPackets(flooder->packets().size() + 1));

        QElapsedTimer clock;
        clock.start();
        ann->sendChat(ann->ownId(), u"still here"_s);
        QVERIFY(waitUntil([&] { return bob->chatTexts().contains(u"still here"_s); }, 15000));
        qInfo() << kind << "flood: line delay" << clock.elapsed() << "ms";
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!flooder->isClosed());
    }

    // A 60,000-byte line is no line of this protocol: not passed on, not shown, one debug line.
    void overlongLineIsNotRelayed()
    {
        HostFixture host;
        QVERIFY2(openRoom(host), qPrintable(host.lines.join(u'\n')));
        auto ann = host.join(2, u"Ann"_s);
        auto bob = host.join(3, u"Bob"_s);
        QVERIFY(ann && bob);
        QByteArray huge(60000, 'x');
        const QByteArray header = ChatPacket::chatLine(QString());
        huge.replace(0, 16, header.first(16));
        ChatPacket::writeId(huge, 2, quint16(huge.size()));
        ChatPacket::writeId(huge, 8, ann->ownId());
        huge[huge.size() - 1] = '\0';
        const qsizetype debugBefore = host.core->debugLines().size();
        ann->sendRaw(huge);
        ann->sendChat(ann->ownId(), u"short one"_s);
        QVERIFY(waitUntil([&] { return bob->chatTexts().contains(u"short one"_s); }));
        QVERIFY(bob->staysQuiet(100));
        for (const QByteArray &packet : bob->packets()) {
            if (ChatPacket::opcode(packet) == ChatPacket::ChatLine)
                QVERIFY(packet.size() <= ChatPacket::MaxChatLineSize);
        }
        for (const QString &line : std::as_const(host.lines))
            QVERIFY(!line.contains(u"xxxxxxxx"_s));
        QCOMPARE(host.core->debugLines().size(), debugBefore + 1);
        QVERIFY(host.core->debugLines().last().contains(u"Chat Line Too Long"_s));
    }

    // 63 players who each keep to their own line limit still ask for far more than the queue's
    // 200 packets a second. Lines are shed so that the wait stays bounded, and nobody is dropped.
    void busyTalkersKeepTheDelayBounded()
    {
        constexpr int Talkers = ClientSlots::MaxClients;
        constexpr int LinesEach = 10;
        constexpr qint64 IntervalMs = 600;
        HostFixture host;
        QVERIFY2(openRoom(host), qPrintable(host.lines.join(u'\n')));
        std::vector<std::unique_ptr<GameClient>> talkers;
        for (int k = 0; k < Talkers; ++k) {
            talkers.push_back(host.join(2 + k, u"T%1"_s.arg(k)));
            QVERIFY(talkers.back() && talkers.back()->ownId() != 0);
        }
        QVERIFY(waitUntil([&] { return host.core->parts().queue.size() == 0; }, 60000));
        std::vector<quint16> ids;
        for (const auto &talker : talkers) {
            ids.push_back(talker->ownId());
            talker->clearPackets();
        }

        QElapsedTimer clock;
        clock.start();
        QHash<QString, qint64> saidAtMs;
        GameClient &listener = *talkers.front();
        qsizetype heardUpTo = 0;
        qint64 longestDelayMs = 0;
        qsizetype longestQueue = 0;
        int heard = 0;
        int said = 0;
        const qint64 endMs = IntervalMs * LinesEach + 6000;
        while (clock.elapsed() < endMs) {
            const qint64 now = clock.elapsed();
            for (int k = 0; k < Talkers; ++k) {
                const qint64 line = (now - k * IntervalMs / Talkers) / IntervalMs;
                const QString text = u"T%1 line %2"_s.arg(k).arg(line);
                if (line < 0 || line >= LinesEach || saidAtMs.contains(text))
                    continue;
                saidAtMs.insert(text, now);
                talkers.at(k)->sendChat(ids.at(k), text);
                ++said;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestQueue = std::max(longestQueue, host.core->parts().queue.longestBacklog());
            const QStringList texts = listener.chatTexts();
            for (; heardUpTo < texts.size(); ++heardUpTo) {
                const auto spoken = saidAtMs.constFind(texts.at(heardUpTo));
                if (spoken == saidAtMs.cend())
                    continue;
                longestDelayMs = std::max(longestDelayMs, clock.elapsed() - *spoken);
                ++heard;
            }
        }
        int toldBusy = 0;
        for (const auto &talker : talkers) {
            QVERIFY(!talker->isClosed());
            toldBusy += int(
                talker->chatTexts().count(u"** The room is busy, your line was not sent **"_s));
        }
        qInfo() << said << "lines said," << heard << "heard by one listener," << toldBusy
                << "busy notices; longest delay" << longestDelayMs << "ms, longest queue"
                << longestQueue;
        QVERIFY(heard > 0);
        // Shared, they ask for 39 times what the queue sends. Per connection, each listener's
        // lane takes about half of what its clock sends, so nothing needs to be shed.
        if (!fastDelivery())
            QVERIFY(toldBusy > 0);
        QCOMPARE(host.core->parts().players.count(), Talkers);
        // Relays fill at most two seconds' worth of ticks (of the queue, or of the longest lane);
        // the host's own notices may come on top, one per talker.
        const qsizetype mostTicks = OutgoingQueue::MaxRelayDelay / OutgoingQueue::TickInterval;
        QVERIFY2(
            longestQueue <= mostTicks + Talkers + 10, qPrintable(QString::number(longestQueue)));
        // Two seconds on an idle machine. A busy one stretches the ticks (each waits its whole
        // interval after the previous packet left), still nowhere near the minutes an unbounded
        // queue reaches.
        QVERIFY2(longestDelayMs < 8000, qPrintable(QString::number(longestDelayMs)));
    }

    void silentConnectionLosesItsSlot()
    {
        HostFixture host;
        QVERIFY2(openRoom(host), qPrintable(host.lines.join(u'\n')));
        ChatRoom::Limits limits;
        limits.silentTimeout = 300ms;
        host.core->parts().room.setLimits(limits);
        auto seated = host.join(2, u"Ann"_s);
        QVERIFY(seated);
        GameClient silent(3);
        QVERIFY(silent.connectTo(host.chatPort()));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(silent.waitForClose(2000));
        QVERIFY(clock.elapsed() >= 250);
        QVERIFY(!seated->isClosed());
        QCOMPARE(host.core->parts().players.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRoomLoad)
#include "tst_RoomLoad.moc"
