#include "common/LoopbackHttpServer.h"
#include "settings/SettingsStore.h"
#include "support/TestWait.h"
#include "tournament/PageFiles.h"
#include "tournament/PairingsService.h"
#include "tournament/RankLookup.h"
#include "tournament/TournamentSettings.h"
#include "tournament/WebFetcher.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Response = LoopbackHttpServer::Response;

const QString ReportPath = u"/tourneysystem/report.php"_s;
const QString RankPath = u"/perl/find.cgi"_s;

} // namespace

class TestLeagueDownloads : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<TournamentSettings> m_settings;

    QUrl url(const QString &target) const { return QUrl(m_server->baseUrl() + target); }
    LeagueSite site() const
    {
        const QString base = m_server->baseUrl();
        return LeagueSite({base, base, base});
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->listen());
        m_network = std::make_unique<QNetworkAccessManager>();
        m_store = std::make_unique<SettingsStore>();
        m_settings = std::make_unique<TournamentSettings>(
            *m_store, QList<LadderEntry>{{u"Singles Ladder"_s, u"singles"_s, u"1"_s}});
        m_settings->restore();
        QVERIFY(m_settings->chooseDetail(TournamentSettings::Ladder, u"Singles Ladder"_s));
    }

    void fetcherOutcomes_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("200") << Response(200, "<html>ok</html>") << true;
        QTest::newRow("204 empty") << Response(204) << true;
        QTest::newRow("404") << Response(404, "<html>missing</html>") << false;
        QTest::newRow("500") << Response(500, "<html>broken</html>") << false;
        QTest::newRow("body over the cap") << Response(200, QByteArray(5000, 'x')) << false;
        QTest::newRow("body at the cap") << Response(200, QByteArray(4096, 'x')) << true;
        QTest::newRow("never answers") << Response().silent() << false;
        QTest::newRow("answers too late") << Response(200, "late").delayedBy(2000) << false;
        QTest::newRow("redirect loop") << Response(302).redirectedTo("/page") << false;
    }
    void fetcherOutcomes()
    {
        QFETCH(Response, response);
        QFETCH(bool, succeeds);
        m_server->setResponse(u"/page"_s, response);
        WebFetcher fetcher(m_network.get());
        fetcher.setTimeoutMs(500);
        fetcher.setMaxBodySize(4096);
        QSignalSpy fetched(&fetcher, &WebFetcher::fetched);
        QSignalSpy failed(&fetcher, &WebFetcher::failed);
        QVERIFY(fetcher.fetch(url(u"/page"_s)));
        QVERIFY(fetcher.isBusy());
        QVERIFY(waitUntil([&] { return fetched.size() + failed.size() > 0; }, 10'000));
        QVERIFY(!fetcher.isBusy());
        QCOMPARE(fetched.size(), succeeds ? 1 : 0);
        QCOMPARE(failed.size(), succeeds ? 0 : 1);
        if (succeeds)
            QCOMPARE(fetched.first().first().toByteArray(), response.body);
        // Nothing more arrives for a finished download.
        QTest::qWait(100);
        QCOMPARE(fetched.size() + failed.size(), 1);
    }

    void connectionRefusedFails()
    {
        WebFetcher fetcher(m_network.get());
        QSignalSpy failed(&fetcher, &WebFetcher::failed);
        const quint16 port = m_server->port();
        m_server.reset();
        QVERIFY(fetcher.fetch(QUrl(u"http://127.0.0.1:%1/"_s.arg(port))));
        QVERIFY(waitUntil([&] { return failed.size() == 1; }, 10'000));
    }

    void busyFetcherRefusesAndTheNextGetsItsOwnPage()
    {
        m_server->setResponse(u"/first"_s, Response(200, "first").delayedBy(200));
        m_server->setResponse(u"/second"_s, {200, "second"});
        WebFetcher fetcher(m_network.get());
        QByteArrayList bodies;
        connect(&fetcher, &WebFetcher::fetched, this, [&](const QByteArray &body) {
            bodies.append(body);
            // Starting the next download from the end of the last one is allowed.
            if (bodies.size() == 1)
                QVERIFY(fetcher.fetch(url(u"/second"_s)));
        });
        QVERIFY(fetcher.fetch(url(u"/first"_s)));
        QVERIFY(!fetcher.fetch(url(u"/second"_s)));
        QVERIFY(waitUntil([&] { return bodies.size() == 2; }, 10'000));
        QCOMPARE(bodies, (QByteArrayList{"first", "second"}));
        QCOMPARE(m_server->requestLines(),
            (QStringList{u"GET /first HTTP/1.1"_s, u"GET /second HTTP/1.1"_s}));
    }

    void pairingsNeedAJumpNumber()
    {
        PairingsService service(*m_settings, site(), m_network.get());
        QSignalSpy messages(&service, &PairingsService::systemMessage);
        service.startRefreshing(10);
        service.requestPairings();
        QTest::qWait(100);
        QCOMPARE(messages.size(), 0);
        QVERIFY(m_server->requestLines().isEmpty());
    }

    void pairingsDownloadAndParse()
    {
        m_settings->setDetailText(TournamentSettings::JumpNumber, u"4412"_s);
        QVERIFY(m_settings->chooseDetail(TournamentSettings::Elimination, u"Single Elimination"_s));
        m_server->setResponse(
            ReportPath, Response(200, samplePage(u"report-single.html"_s)).delayedBy(200));
        PairingsService service(*m_settings, site(), m_network.get());
        QStringList messages;
        connect(&service, &PairingsService::systemMessage, this,
            [&](const QString &text) { messages.append(text); });

        service.requestPairings();
        service.requestPairings();
        QVERIFY(waitUntil([&] { return messages.size() == 3; }, 10'000));
        QCOMPARE(messages,
            (QStringList{u"Retrieving Pairings"_s, u"Another Pairings Request Is Still Executing"_s,
                u"Pairings Retrieved Successfully"_s}));
        QCOMPARE(m_server->requestLines(),
            QStringList{u"GET /tourneysystem/report.php?tcount=4412 HTTP/1.1"_s});
        QCOMPARE(service.pairings().at(1, 1), u"[TGX]Mulligan0 vs {PAR}Bogey1"_s);

        // A failed download keeps what was there.
        const Pairings before = service.pairings();
        m_server->setResponse(ReportPath, {500, "<html>down</html>"});
        service.requestPairings();
        QVERIFY(waitUntil([&] { return messages.size() == 5; }, 10'000));
        QCOMPARE(messages.last(), u"An Error Occured While Retrieving Pairings"_s);
        QVERIFY(service.pairings() == before);

        // Any type but single elimination reads the double-elimination layout.
        QVERIFY(m_settings->chooseDetail(TournamentSettings::Elimination, u"Double Elimination"_s));
        m_server->setResponse(ReportPath, {200, samplePage(u"report-double.html"_s)});
        service.requestPairings();
        QVERIFY(waitUntil([&] { return messages.size() == 7; }, 10'000));
        QCOMPARE(service.pairings().at(1, 1), u"~Eagle~Chipper102 vs (DRV)Slice103"_s);
    }

    void refreshTimerAsksAgain()
    {
        m_settings->setDetailText(TournamentSettings::JumpNumber, u"7"_s);
        m_server->setResponse(ReportPath, {200, "<html></html>"});
        PairingsService service(*m_settings, site(), m_network.get());
        service.startRefreshing(50);
        QVERIFY(waitUntil([&] { return m_server->requestLines().size() >= 2; }, 10'000));
    }

    void rankReplies_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("reply");
        QTest::newRow("ranked") << Response(200, samplePage(u"rank-ranked.html"_s))
                                << u"Mulligan - Rank: 12 Skill: 1523 Win%: 61.5% Streak: W3"_s;
        QTest::newRow("ranked, markers past the first megabyte")
            << Response(200, QByteArray(1'000'000, ' ') + samplePage(u"rank-ranked.html"_s))
            << u"Mulligan - Rank: 12 Skill: 1523 Win%: 61.5% Streak: W3"_s;
        QTest::newRow("unranked") << Response(200, samplePage(u"rank-unranked.html"_s))
                                  << u"Mulligan is Unranked on Singles Ladder"_s;
        QTest::newRow("not found") << Response(200, samplePage(u"rank-notfound.html"_s))
                                   << u"Mulligan has not been found on Singles Ladder"_s;
        QTest::newRow("unreadable page")
            << Response(200, "<html>busy</html>") << u"Error Retriving Rank"_s;
        QTest::newRow("404") << Response(404, samplePage(u"rank-ranked.html"_s))
                             << u"Error Occured while requesting the rank!"_s;
    }
    void rankReplies()
    {
        QFETCH(Response, response);
        m_server->setResponse(RankPath, response);
        RankLookup lookup(*m_settings, site(), m_network.get());
        QSignalSpy replies(&lookup, &RankLookup::reply);
        lookup.requestRank(false, 17, u"Mulligan"_s);
        QVERIFY(waitUntil([&] { return replies.size() == 1; }, 10'000));
        QCOMPARE(replies.first().at(0).toBool(), false);
        QCOMPARE(replies.first().at(1).toInt(), 17);
        QTEST(replies.first().at(2).toString(), "reply");
        QCOMPARE(m_server->requestLines(),
            QStringList{u"GET /perl/find.cgi?path=singles&genre=sp&svr=cgi1&name=Mulligan "
                        "HTTP/1.1"_s});
    }

    void secondAskerIsToldToWaitAndEachGetsItsOwnAnswer()
    {
        m_server->setResponse(RankPath + u"?path=singles&genre=sp&svr=cgi1&name=Ann"_s,
            Response(200, "Ann is UNRANKED").delayedBy(200));
        m_server->setResponse(
            RankPath + u"?path=singles&genre=sp&svr=cgi1&name=Bob"_s, {200, "<i>NOT</i>"});
        RankLookup lookup(*m_settings, site(), m_network.get());
        lookup.fetcher().setTimeoutMs(5000);
        QSignalSpy replies(&lookup, &RankLookup::reply);
        lookup.requestRank(false, 3, u"Ann"_s);
        lookup.requestRank(true, 0, u"Bob"_s);
        QVERIFY(waitUntil([&] { return replies.size() == 2; }, 10'000));
        QCOMPARE(replies.at(0),
            (QVariantList{true, 0,
                u"Another Rank Request is still executing, "
                "Please Try Again Later!"_s}));
        QCOMPARE(replies.at(1), (QVariantList{false, 3, u"Ann is Unranked on Singles Ladder"_s}));

        lookup.requestRank(true, 0, u"Bob"_s);
        QVERIFY(waitUntil([&] { return replies.size() == 3; }, 10'000));
        QCOMPARE(
            replies.at(2), (QVariantList{true, 0, u"Bob has not been found on Singles Ladder"_s}));
    }

    void lookupAfterATransferErrorWaitsForItsOwnPage()
    {
        m_server->setResponse(RankPath, Response().silent());
        RankLookup lookup(*m_settings, site(), m_network.get());
        lookup.fetcher().setTimeoutMs(200);
        QSignalSpy replies(&lookup, &RankLookup::reply);
        lookup.requestRank(false, 5, u"Ann"_s);
        QVERIFY(waitUntil([&] { return replies.size() == 1; }, 10'000));
        QCOMPARE(replies.at(0).at(2).toString(), u"Error Occured while requesting the rank!"_s);
        m_server->setResponse(RankPath, Response(200, "UNRANKED").delayedBy(100));
        lookup.requestRank(false, 6, u"Cid"_s);
        QVERIFY(waitUntil([&] { return replies.size() == 2; }, 10'000));
        QCOMPARE(replies.at(1), (QVariantList{false, 6, u"Cid is Unranked on Singles Ladder"_s}));
    }
};

QTEST_GUILESS_MAIN(TestLeagueDownloads)
#include "tst_LeagueDownloads.moc"
