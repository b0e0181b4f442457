#include "LeaguePages.h"
#include "LeagueSimulator.h"
#include "support/TestWait.h"
#include "text/AnsiText.h"
#include "tournament/LeagueSite.h"
#include "tournament/PageFiles.h"
#include "tournament/RankPageParser.h"
#include "tournament/StandingsParser.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString frame()
{
    return AnsiText::decode(samplePage(u"rank-template.html"_s));
}

struct Fetched
{
    int status = 0;
    QString body;
};

Fetched fetch(QNetworkAccessManager &network, const QUrl &url)
{
    QNetworkReply *reply = network.get(QNetworkRequest(url));
    Fetched result;
    if (waitUntil([reply] { return reply->isFinished(); })) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = AnsiText::decode(reply->readAll());
    }
    reply->deleteLater();
    return result;
}

} // namespace

class TestLeagueSimulator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The host finds the numbers by position, so every name length must still line them up.
    void rankPagesReadBackForEveryName_data()
    {
        QTest::addColumn<QString>("pageFrame");
        QTest::addColumn<QString>("name");
        const QStringList names = {u"A"_s, u"Renée"_s, u"<Tag>&Co"_s, u"N"_s.repeated(24)};
        for (const QString &name : names) {
            QTest::addRow("sample frame, %s", qPrintable(name)) << frame() << name;
            QTest::addRow("bare frame, %s", qPrintable(name)) << u"{body}"_s << name;
        }
    }
    void rankPagesReadBackForEveryName()
    {
        QFETCH(QString, pageFrame);
        QFETCH(QString, name);
        const LeaguePages::Standing standing{name, true, 1042, 987, u"50.0%"_s, u"L1"_s};
        const RankPage page = parseRankPage(LeaguePages::rankPage(pageFrame, standing));
        QCOMPARE(page.result, u"1042"_s);
        QCOMPARE(page.skill, u"987"_s);
        QCOMPARE(page.winPercent, u"50.0%"_s);
        QCOMPARE(page.streak, u"L1"_s);
    }

    void rosterPlayersDiffer()
    {
        QSet<QString> ranks;
        QSet<QString> skills;
        int unranked = 0;
        for (const LeaguePages::Standing &standing : LeaguePages::roster()) {
            if (!standing.ranked) {
                ++unranked;
                continue;
            }
            const RankPage page = parseRankPage(LeaguePages::rankPage(frame(), standing));
            QCOMPARE(page.result, QString::number(standing.rank));
            ranks << page.result;
            skills << page.skill;
        }
        QCOMPARE(unranked, 1);
        QCOMPARE(ranks.size(), LeaguePages::roster().size() - 1);
        QCOMPARE(skills.size(), ranks.size());
        QCOMPARE(LeaguePages::findPlayer(u"mULLIGAN"_s)->name, u"Mulligan"_s);
        QVERIFY(!LeaguePages::findPlayer(u"Mulligan2"_s));
    }

    void unrankedAndNotFoundPages()
    {
        QCOMPARE(
            parseRankPage(LeaguePages::unrankedPage(frame(), u"Sandtrap"_s)).result, u"Unranked"_s);
        QCOMPARE(parseRankPage(LeaguePages::notFoundPage(frame(), u"Zed"_s)).result, u"nf"_s);
        // A name is text on the page, never markup.
        QVERIFY(LeaguePages::notFoundPage(frame(), u"<script>"_s).contains(u"&lt;script&gt;"_s));
    }

    void reportPagesLinkTheTournamentAsked()
    {
        const QString single = AnsiText::decode(samplePage(u"report-single.html"_s));
        const QString built = LeaguePages::reportPage(single, u"77"_s);
        QCOMPARE(parseStandings(built), parseStandings(single));
        QVERIFY(!parseStandings(built).isEmpty());
        QVERIFY(built.contains(u"report.php?tcount=77\""_s));
        QVERIFY(!built.contains(u"tcount=4412"_s));
        QVERIFY(LeaguePages::reportPage(single, u"1\"><b>"_s).contains(u"tcount=1%22%3E%3Cb%3E"_s));

        const QString doubles = AnsiText::decode(samplePage(u"report-double.html"_s));
        QCOMPARE(
            parseDEStandings(LeaguePages::reportPage(doubles, u"9"_s)), parseDEStandings(doubles));
    }

    void servesTheHostsAddresses()
    {
        LeagueSimulator simulator(LeagueSimulator::Elimination::Double);
        QVERIFY(simulator.loadPages(QStringLiteral(VORNIC_PAGES_DIR)));
        QVERIFY(simulator.listen(QHostAddress(QHostAddress::LocalHost), 0));
        const QString base = u"http://127.0.0.1:%1"_s.arg(simulator.serverPort());
        const LeagueSite site({base, base, base});
        QNetworkAccessManager network;

        // The host sends the name as Windows-1252 bytes, percent-encoded.
        const Fetched ranked = fetch(network, site.rankUrl(u"sp1"_s, u"2"_s, u"Renée"_s));
        QCOMPARE(ranked.status, 200);
        QCOMPARE(parseRankPage(ranked.body).result, u"7"_s);
        QCOMPARE(parseRankPage(fetch(network, site.rankUrl(u"sp1"_s, u"2"_s, u"sandtrap"_s)).body)
                     .result,
            u"Unranked"_s);
        QCOMPARE(
            parseRankPage(fetch(network, site.rankUrl(u"sp1"_s, u"2"_s, u"Nobody"_s)).body).result,
            u"nf"_s);

        const Fetched report = fetch(network, site.reportUrl(u"2"_s, u"4412"_s));
        QCOMPARE(report.status, 200);
        QCOMPARE(parseDEStandings(report.body).at(1, 1), u"~Eagle~Chipper102 vs (DRV)Slice103"_s);

        for (int index = 0; index < LeagueSite::PageCount; ++index) {
            const Fetched page = fetch(network, site.pageUrl(index, u"4412"_s, u"sp1"_s, u"2"_s));
            QCOMPARE(page.status, 200);
            QVERIFY2(page.body.contains(u"<h2>"_s + LeagueSite::pageCaption(index) + u"</h2>"_s)
                    || index == 7,
                qPrintable(LeagueSite::pageCaption(index)));
        }
        QCOMPARE(fetch(network, QUrl(base + u"/perl/other.cgi"_s)).status, 404);
    }

    void missingPagesAreReported()
    {
        QTemporaryDir empty;
        LeagueSimulator simulator(LeagueSimulator::Elimination::Single);
        QVERIFY(!simulator.loadPages(empty.path()));
        QVERIFY(simulator.errorString().startsWith(u"Cannot read the pages in "_s));
    }
};

QTEST_GUILESS_MAIN(TestLeagueSimulator)
#include "tst_LeagueSimulator.moc"
