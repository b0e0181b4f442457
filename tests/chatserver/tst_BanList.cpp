#include "chatserver/BanDuration.h"
#include "chatserver/BanList.h"
#include "chatserver/BanStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestBanList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void targets_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("canonical"); // "" = refused
        QTest::newRow("address") << u" 127.0.0.2 "_s << u"127.0.0.2"_s;
        QTest::newRow("range") << u"203.0.113.0/24"_s << u"203.0.113.0/24"_s;
        QTest::newRow("host bits dropped") << u"203.0.113.77/24"_s << u"203.0.113.0/24"_s;
        QTest::newRow("whole net") << u"0.0.0.0/0"_s << u"0.0.0.0/0"_s;
        QTest::newRow("prefix too long") << u"10.0.0.0/33"_s << QString();
        QTest::newRow("IPv6 range") << u"2001:db8::/32"_s << QString();
        QTest::newRow("octet too large") << u"127.0.0.300"_s << QString();
        QTest::newRow("name") << u"example.test"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        // The address parser stops at a zero character; what follows it must not be ignored.
        QTest::newRow("zero inside") << u"127.0.0.2\u0000junk"_s << QString();
        QTest::newRow("zero inside range") << u"2\u0000junk|T/1"_s << QString();
        QTest::newRow("control inside") << u"127.0.0.2\u0001"_s << QString();
    }
    void targets()
    {
        QFETCH(QString, text);
        QFETCH(QString, canonical);
        QCOMPARE(BanList::canonicalTarget(text).value_or(QString()), canonical);
        BanList bans;
        QCOMPARE(bans.ban(u"P"_s, text), !canonical.isEmpty());
    }

    void rangesAndEnds()
    {
        QDateTime now = QDateTime(QDate(2026, 5, 1), QTime(20, 0), Qt::UTC);
        BanList bans;
        bans.setClock([&] { return now; });
        QSignalSpy expired(&bans, &BanList::expired);
        QVERIFY(bans.ban(u"R"_s, u"127.0.0.0/30"_s));
        QVERIFY(bans.isBanned(u"127.0.0.0"_s));
        QVERIFY(bans.isBanned(u"127.0.0.3"_s));
        QVERIFY(!bans.isBanned(u"127.0.0.4"_s));
        QVERIFY(!bans.isBanned(u"127.0.0.9"_s));
        QVERIFY(!bans.isBanned(u"not an address"_s));

        QVERIFY(bans.ban(u"T"_s, u"10.1.1.1"_s, {std::chrono::seconds(30 * 60), u"why"_s}));
        QCOMPARE(bans.rows().last().made.secsTo(bans.rows().last().expires), 1800);
        now = now.addSecs(1799);
        QVERIFY(bans.isBanned(u"10.1.1.1"_s));
        // At its end the ban refuses nobody, even before it has been removed.
        now = now.addSecs(1);
        QVERIFY(!bans.isBanned(u"10.1.1.1"_s));
        QCOMPARE(bans.rows().size(), 2);
        bans.removeExpired();
        QCOMPARE(bans.rows().size(), 1);
        QCOMPARE(expired.size(), 1);
        QCOMPARE(expired.first().first().value<BanList::Row>().playerName, u"T"_s);

        // Removing by the range's own text, in any spelling of it.
        QVERIFY(bans.removeAddress(u"127.0.0.1/30"_s));
        QVERIFY(bans.rows().isEmpty());
    }

    void restoredBansAlreadyOverGoAtOnce()
    {
        BanList bans;
        QSignalSpy expired(&bans, &BanList::expired);
        BanList::Row over;
        over.address = u"127.0.0.2"_s;
        over.made = QDateTime::currentDateTimeUtc().addDays(-2);
        over.expires = over.made.addDays(1);
        BanList::Row lasting = over;
        lasting.address = u"127.0.0.3"_s;
        lasting.expires = QDateTime();
        bans.restore({over, lasting});
        QCOMPARE(expired.size(), 1);
        QCOMPARE(bans.rows().size(), 1);
        QCOMPARE(bans.rows().at(0).address, u"127.0.0.3"_s);
    }

    void durations_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("seconds"); // 0 = refused
        QTest::newRow("minutes") << u"30m"_s << qint64(1800);
        QTest::newRow("hours") << u"2h"_s << qint64(7200);
        QTest::newRow("days") << u"7d"_s << qint64(7 * 86400);
        QTest::newRow("weeks, upper case") << u"2W"_s << qint64(14 * 86400);
        QTest::newRow("seconds") << u"45s"_s << qint64(45);
        QTest::newRow("zero") << u"0m"_s << qint64(0);
        QTest::newRow("no unit") << u"30"_s << qint64(0);
        QTest::newRow("unknown unit") << u"3y"_s << qint64(0);
        QTest::newRow("sign") << u"-5m"_s << qint64(0);
        QTest::newRow("over ten years") << u"99999d"_s << qint64(0);
        QTest::newRow("overflowing") << u"99999999999999999999w"_s << qint64(0);
    }
    void durations()
    {
        QFETCH(QString, text);
        QFETCH(qint64, seconds);
        const auto parsed = BanDuration::parse(text);
        QCOMPARE(parsed.value_or(0s).count(), seconds);
        if (parsed)
            QCOMPARE(BanDuration::parse(BanDuration::format(*parsed)), parsed);
    }

    void storeWritesThroughInListOrder()
    {
        SettingsStore store;
        BanList bans;
        BanStore saved(store, bans);
        QCOMPARE(saved.restore(), QString());
        for (int i = 1; i <= 11; ++i)
            QVERIFY(bans.ban(u"P%1"_s.arg(i), u"127.0.0.%1"_s.arg(i)));
        QCOMPARE(store.valueNames(SettingsKeys::Bans).size(), 11);
        bans.removeRows({0});
        QCOMPARE(store.valueNames(SettingsKeys::Bans).size(), 10);

        // "Ban 10" sorts before "Ban 2" as text; the list comes back in its own order.
        BanList again;
        BanStore reread(store, again);
        QCOMPARE(reread.restore(), QString());
        QCOMPARE(again.rows().size(), 10);
        QCOMPARE(again.rows().first().playerName, u"P2"_s);
        QCOMPARE(again.rows().last().playerName, u"P11"_s);
        again.clear();
        QVERIFY(store.valueNames(SettingsKeys::Bans).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBanList)
#include "tst_BanList.moc"
