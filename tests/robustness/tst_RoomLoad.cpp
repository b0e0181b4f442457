#include "chatserver/ChatRoom.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "support/HostFixture.h"
#include "robustness/ResidentMemory.h"

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

} // namespace

class TestRoomLoad : public QObject
{
    Q_OBJECT

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
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));

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
            QVERIFY(waitUntil([&] { return host.core->players().count() == 0; }));
            QVERIFY(waitUntil([&] { return host.core->queue().size() == 0; }));
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
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));
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
            longestQueue = std::max(longestQueue, host.core->queue().size());
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

    void silentConnectionLosesItsSlot()
    {
        HostFixture host;
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));
        ChatRoom::Limits limits;
        limits.silentTimeout = 300ms;
        host.core->room().setLimits(limits);
        auto seated = host.join(2, u"Ann"_s);
        QVERIFY(seated);
        GameClient silent(3);
        QVERIFY(silent.connectTo(host.chatPort()));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(silent.waitForClose(2000));
        QVERIFY(clock.elapsed() >= 250);
        QVERIFY(!seated->isClosed());
        QCOMPARE(host.core->players().count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRoomLoad)
#include "tst_RoomLoad.moc"
