#include "chatserver/BanList.h"
#include "chatserver/ByteRateCap.h"
#include "chatserver/TokenBucket.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestConnectionCaps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tokenBucket_data()
    {
        QTest::addColumn<QList<qint64>>("takesAtMs");
        QTest::addColumn<QList<bool>>("allowed");
        // Capacity 3, 2 per second.
        QTest::newRow("burst then refused")
            << QList<qint64>{0, 0, 0, 0} << QList<bool>{true, true, true, false};
        QTest::newRow("refills at the rate") << QList<qint64>{0, 0, 0, 499, 500, 501}
                                             << QList<bool>{true, true, true, false, true, false};
        QTest::newRow("never beyond capacity after a long pause") << QList<qint64>{
            0, 100000, 100000, 100000, 100000} << QList<bool>{true, true, true, true, false};
        QTest::newRow("clock stepping back gives nothing") << QList<qint64>{
            1000, 1000, 1000, 0, 400} << QList<bool>{true, true, true, false, false};
    }
    void tokenBucket()
    {
        QFETCH(QList<qint64>, takesAtMs);
        QFETCH(QList<bool>, allowed);
        TokenBucket bucket(3, 2);
        QList<bool> results;
        for (const qint64 at : std::as_const(takesAtMs))
            results << bucket.take(at);
        QCOMPARE(results, allowed);
    }

    void byteRateCap_data()
    {
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<QList<qint64>>("atMs");
        QTest::addColumn<QList<bool>>("admitted");
        // Cap 100 bytes per second.
        QTest::newRow("exactly the cap")
            << QList<qint64>{60, 40} << QList<qint64>{0, 999} << QList<bool>{true, true};
        QTest::newRow("one byte over")
            << QList<qint64>{60, 41} << QList<qint64>{0, 999} << QList<bool>{true, false};
        QTest::newRow("a new window starts afresh")
            << QList<qint64>{100, 100} << QList<qint64>{0, 1000} << QList<bool>{true, true};
    }
    void byteRateCap()
    {
        QFETCH(QList<qint64>, sizes);
        QFETCH(QList<qint64>, atMs);
        QFETCH(QList<bool>, admitted);
        ByteRateCap cap(100);
        QList<bool> results;
        for (qsizetype i = 0; i < sizes.size(); ++i)
            results << cap.admit(sizes.at(i), atMs.at(i));
        QCOMPARE(results, admitted);
    }

    void banListRows()
    {
        BanList bans;
        QSignalSpy changed(&bans, &BanList::changed);
        bans.clear();
        QCOMPARE(changed.size(), 0);
        for (const char *address : {"127.0.0.2", "127.0.0.3", "127.0.0.2", "127.0.0.4"})
            QVERIFY(bans.ban(u"P"_s, QString::fromLatin1(address)));
        QVERIFY(bans.isBanned(u"127.0.0.3"_s));
        QVERIFY(!bans.isBanned(u"127.0.0.30"_s));

        // Indices in any order, repeated or unknown: each named row goes once.
        bans.removeRows({3, 1, 3, 7, -1});
        QCOMPARE(bans.rows().size(), 2);
        QVERIFY(!bans.isBanned(u"127.0.0.3"_s));
        QVERIFY(!bans.isBanned(u"127.0.0.4"_s));
        const qsizetype before = changed.size();
        bans.removeRows({5});
        QCOMPARE(changed.size(), before);

        QVERIFY(bans.removeAddress(u"127.0.0.2"_s));
        QVERIFY(bans.rows().isEmpty());
        QVERIFY(!bans.removeAddress(u"127.0.0.2"_s));
    }
};

QTEST_GUILESS_MAIN(TestConnectionCaps)
#include "tst_ConnectionCaps.moc"
