#include "support/HostFixture.h"

#include "chat/ChatOptions.h"
#include "common/LoopbackHttpServer.h"
#include "tournament/TournamentSettings.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString ReportPath = u"/tourneysystem/report.php"_s;

QByteArray round(int number, const QList<std::pair<const char *, const char *>> &matches)
{
    QByteArray html = "<h2>Round " + QByteArray::number(number) + " </h2><table>";
    int match = 0;
    for (const auto &[first, second] : matches) {
        html += "<tr><td align=left>Match #" + QByteArray::number(++match) + "</td><td align=left>"
            + first + "</td><td align=left>" + second + "</td></tr>";
    }
    return html + "</table></form>";
}

QByteArray page(const QByteArray &rounds)
{
    return "<html><body><form>" + rounds + "</body></html>";
}

} // namespace

class TestNewPairings : public QObject
{
    Q_OBJECT

    using Response = LoopbackHttpServer::Response;

    std::unique_ptr<LoopbackHttpServer> m_league;
    std::unique_ptr<HostFixture> m_host;
    std::vector<std::unique_ptr<GameClient>> m_players;

    // One download from the loopback league site, waited for until its last system line.
    bool download(const Response &response)
    {
        m_league->setResponse(ReportPath, response);
        const qsizetype before = m_host->lines.size();
        m_host->core->refreshPairings();
        return waitUntil(
            [&] {
                for (qsizetype i = before; i < m_host->lines.size(); ++i) {
                    const QString &line = m_host->lines.at(i);
                    if (line.endsWith(u"Retrieved Successfully"_s)
                        || line.endsWith(u"While Retrieving Pairings"_s))
                        return true;
                }
                return false;
            },
            10'000);
    }
    // What each player has been told since the last call; every player must have heard the same.
    QStringList heardByAll(qsizetype expected)
    {
        QStringList heard;
        for (const auto &player : m_players) {
            if (expected > 0)
                waitUntil([&] { return player->chatTexts().size() >= expected; }, 5000);
            player->staysQuiet(200);
            const QStringList texts = player->chatTexts();
            if (&player != &m_players.front() && texts != heard)
                return {u"players heard different lines"_s};
            heard = texts;
            player->clearPackets();
        }
        return heard;
    }

private Q_SLOTS:
    void init()
    {
        m_league = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_league->listen());
        m_host = std::make_unique<HostFixture>(LobbySimBehaviour{}, true,
            withSettingsFile("[SOFTWARE\\TavixChat]\r\n"
                             "cDetails 1=Alpha\r\n"
                             "cDetails 3=Single Elimination\r\n"
                             "cCourse 2=Pine Creek\r\n"
                             "tDetails 1=4412\r\n"
                             "\r\n[SOFTWARE\\TavixChat\\Network]\r\n"
                             "tourneyUrl="
                + m_league->baseUrl().toLatin1() + "\r\n"));
        QVERIFY(openPatiently(*m_host));
        for (int hostByte : {2, 3}) {
            auto player = m_host->join(hostByte, u"P%1"_s.arg(hostByte));
            QVERIFY(player);
            m_players.push_back(std::move(player));
        }
        heardByAll(0); // the welcome lines
        m_host->core->parts().chatOptions.setOption(ChatOptions::AnnounceNewPairings, true);
    }

    void cleanup()
    {
        m_players.clear();
        m_host.reset();
        m_league.reset();
    }

    void onlyTheChangedRoundIsAnnounced()
    {
        const QByteArray round1 = round(1, {{"Ann", "Bob"}, {"Cid", "Dee"}});
        // The first download after start-up is only what later ones are compared with.
        QVERIFY(download({200, page(round1 + round(2, {{"Ann", "-"}}))}));
        QCOMPARE(heardByAll(0), QStringList());
        QVERIFY(!m_host->lines.contains(u"System: Announcing New Pairings"_s));

        QVERIFY(download({200, page(round1 + round(2, {{"Ann", "Cid"}}))}));
        QCOMPARE(heardByAll(2), (QStringList{heardByAllHeading(), u"Ann vs Cid"_s}));
        QCOMPARE(m_host->lines.filter(u"Announcing New Pairings"_s).size(), 1);
        const qsizetype announcing = m_host->lines.indexOf(u"System: Announcing New Pairings"_s);
        QCOMPARE(m_host->lines.value(announcing - 1), u"System: Pairings Retrieved Successfully"_s);

        // The same page again: nothing new, nothing said.
        QVERIFY(download({200, page(round1 + round(2, {{"Ann", "Cid"}}))}));
        QCOMPARE(heardByAll(0), QStringList());

        // A failed download and the league's empty error page say nothing, and are not what the
        // next page is compared with.
        QVERIFY(download({500, "<html>broken</html>"}));
        QVERIFY(download({200, "<html>try again later</html>"}));
        QVERIFY(download({200, page(round1 + round(2, {{"Ann", "Cid"}}))}));
        QCOMPARE(heardByAll(0), QStringList());
        QCOMPARE(m_host->lines.filter(u"Announcing New Pairings"_s).size(), 1);
    }

    void optionOffAnnouncesNothingAndDoubleEliminationSendsTheWholeList()
    {
        QVERIFY(download({200, page(round(1, {{"Ann", "Bob"}}))}));
        m_host->core->parts().chatOptions.setOption(ChatOptions::AnnounceNewPairings, false);
        QVERIFY(download({200, page(round(1, {{"Ann", "Cid"}}))}));
        QCOMPARE(heardByAll(0), QStringList());

        m_host->core->parts().chatOptions.setOption(ChatOptions::AnnounceNewPairings, true);
        QVERIFY(m_host->core->parts().services->tournament.chooseDetail(
            TournamentSettings::Elimination, u"Double Elimination"_s));
        QVERIFY(download({200,
            "<td align=left>Gus</td><td align=left>Hal</td>"
            "<td align=left>Ivy</td><td align=left>Jon</td>"}));
        QCOMPARE(
            heardByAll(3), (QStringList{u"Current Pairings"_s, u"Gus vs Hal"_s, u"Ivy vs Jon"_s}));
    }

private:
    QString heardByAllHeading() const
    {
        const TournamentSettings &t = m_host->core->tournament();
        return u"Round 2 Course: "_s + t.course(1) + u" Level: "_s + t.level(1) + u" Holes: "_s
            + t.holes(1);
    }
};

QTEST_GUILESS_MAIN(TestNewPairings)
#include "tst_NewPairings.moc"
