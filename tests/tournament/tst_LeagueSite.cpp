#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "tournament/LeagueSite.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestLeagueSite : public QObject
{
    Q_OBJECT

private:
    const LeagueSite m_site{{u"http://league.test"_s, u"http://tourney{server}.league.test/"_s,
        u"http://rank.league.test"_s}};

private Q_SLOTS:
    void pages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("url");
        QTest::newRow("0") << 0 << u"TD Login"_s << u"http://league.test/tk"_s;
        QTest::newRow("1") << 1 << u"Head TD Login"_s << u"http://league.test/tk/headtd"_s;
        QTest::newRow("2") << 2 << u"Tourney Main Page"_s
                           << u"http://tourney3.league.test/tourney/abc/1234"_s;
        QTest::newRow("3")
            << 3 << u"Register"_s
            << u"http://tourney3.league.test/tourneysystem/registerpage.php?tcount=1234"_s;
        QTest::newRow("4")
            << 4 << u"Standings"_s
            << u"http://tourney3.league.test/tourneysystem/standings.php?tcount=1234&path=abc"_s;
        QTest::newRow("5")
            << 5 << u"Teams"_s
            << u"http://tourney3.league.test/tourneysystem/players.php?tcount=1234&path=abc"_s;
        QTest::newRow("6") << 6 << u"Rules"_s
                           << u"http://tourney3.league.test/tourney/abc/1234/rules.php"_s;
        QTest::newRow("7") << 7 << u"Report"_s
                           << u"http://tourney3.league.test/tourneysystem/report.php?tcount=1234"_s;
        QTest::newRow("out of range") << 8 << QString() << QString();
    }
    void pages()
    {
        QFETCH(int, index);
        QFETCH(QString, url);
        QTEST(LeagueSite::pageCaption(index), "caption");
        QCOMPARE(
            m_site.pageUrl(index, u"1234"_s, u"abc"_s, u"3"_s).toString(QUrl::FullyEncoded), url);
    }

    void reportAndRankUrls()
    {
        QCOMPARE(m_site.reportUrl(u"3"_s, u"1234"_s).toString(),
            u"http://tourney3.league.test/tourneysystem/report.php?tcount=1234"_s);
        QCOMPARE(m_site.rankUrl(u"singles"_s, u"1"_s, u"Mulligan"_s).toString(),
            u"http://rank.league.test:81/perl/find.cgi?path=singles&genre=sp&svr=cgi1&name=Mulligan"_s);
        const LeagueSite ownPort({{}, {}, u"http://127.0.0.1:8081"_s});
        QCOMPARE(ownPort.rankUrl(u"p"_s, u"2"_s, u"n"_s).port(), 8081);
    }

    // Typed text reaches the site as typed unless it would break the address.
    void typedTextKeepsTheAddressWellFormed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("query");
        QTest::newRow("plain punctuation")
            << u"[TGX]Bo-gey_1.!*'()~"_s << u"name=[TGX]Bo-gey_1.!*'()~"_s;
        QTest::newRow("blank") << u"Big Putter"_s << u"name=Big%20Putter"_s;
        QTest::newRow("ampersand and hash") << u"A&B#C"_s << u"name=A%26B%23C"_s;
        QTest::newRow("plus and percent") << u"A+B%"_s << u"name=A%2BB%25"_s;
        QTest::newRow("windows-1252 bytes") << u"Ren\u00E9e\u20AC"_s << u"name=Ren%E9e%80"_s;
        QTest::newRow("empty") << QString() << u"name="_s;
    }
    void typedTextKeepsTheAddressWellFormed()
    {
        QFETCH(QString, name);
        QFETCH(QString, query);
        const QUrl url = m_site.rankUrl(u"p"_s, u"1"_s, name);
        QVERIFY(url.isValid());
        QVERIFY(url.toString(QUrl::FullyEncoded).endsWith(u"&svr=cgi1&"_s + query));
    }

    void jumpNumberWithBlanksStaysInThePath()
    {
        const QUrl url = m_site.pageUrl(6, u"12 34?"_s, u"a b"_s, u"3"_s);
        QVERIFY(url.isValid());
        QCOMPARE(url.path(QUrl::FullyDecoded), u"/tourney/a b/12 34?/rules.php"_s);
        QCOMPARE(url.query(), QString());
    }

    void hostsFromSettingsAndOverrides()
    {
        SettingsStore store;
        QCOMPARE(
            LeagueSite::fromSettings(store).hosts().rankUrl, LeagueSite::defaultHosts().rankUrl);
        store.writeRegValue(SettingsKeys::Network, u"tourneyUrl"_s, u"http://t{server}.x.test"_s);
        store.writeRegValue(SettingsKeys::Network, u"leagueUrl"_s, u"http://stored.test"_s);
        const LeagueSite site
            = LeagueSite::fromSettings(store, {u"http://override.test"_s, QString(), QString()});
        QCOMPARE(site.hosts().leagueUrl, u"http://override.test"_s);
        QCOMPARE(site.hosts().tourneyUrl, u"http://t{server}.x.test"_s);
        QCOMPARE(site.reportUrl(u"9"_s, u"1"_s).host(), u"t9.x.test"_s);
    }
};

QTEST_GUILESS_MAIN(TestLeagueSite)
#include "tst_LeagueSite.moc"
