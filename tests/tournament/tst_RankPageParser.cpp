#include "text/AnsiText.h"
#include "tournament/PageFiles.h"
#include "tournament/RankPageParser.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString StatsCell = u"<td bgcolor=006300><center>"_s;
const QString RankMarker = u"Streak</td></tr><tr class=brd><td><center>"_s;

// A page with the coloured cell at `statsAt` (0-based) and the given cells; the 750 characters
// skipped after the coloured cell end one character into the rank.
QString rankPage(qsizetype statsAt, const QString &rank, const QStringList &cells)
{
    QString page = u"x"_s.repeated(statsAt) + StatsCell;
    page += u"y"_s.repeated(statsAt + 749 - page.size() - RankMarker.size()) + RankMarker + rank;
    for (const QString &cell : cells)
        page += u"<td><center>"_s + cell;
    return page + u"</tr></table>"_s;
}

} // namespace

class TestRankPageParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void results_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("skill");
        QTest::addColumn<QString>("winPercent");
        QTest::addColumn<QString>("streak");

        const QStringList cells = {
            u"1523</center></td>\n"_s, u"61.5%</center></td>"_s, u"W3</center></td>"_s, u"last"_s};
        const QStringList clean = {u"1523"_s, u"61.5%"_s, u"W3"_s};
        QTest::newRow("ranked, cells without their tags") << rankPage(100, u"12</center></td>"_s,
            cells) << u"12"_s << clean[0] << clean[1] << clean[2];
        QTest::newRow("rank with a blank inside")
            << rankPage(100, u"1 2</c"_s, cells) << u"12"_s << clean[0] << clean[1] << clean[2];
        QTest::newRow("rank with leading zero")
            << rankPage(100, u"0042"_s, cells) << u"42"_s << clean[0] << clean[1] << clean[2];
        const QStringList padded = {u" \r\n<b>1 488</b>\t</center></td>\n"_s,
            u"<font color=red>55.2%</font>"_s, u"L1</center"_s, u"x"_s};
        QTest::newRow("cells: blanks and line breaks cut at the ends only")
            << rankPage(100, u"3"_s, padded) << u"3"_s << u"1 488"_s << u"55.2%"_s << u"L1"_s;
        QTest::newRow("cells of tags alone are empty")
            << rankPage(100, u"3"_s, {u"</center></td>\n"_s, u"<>"_s, u""_s, u"x"_s}) << u"3"_s
            << QString() << QString() << QString();
        QTest::newRow("unranked wins over not found")
            << u"<i>NOT</i> ... UNRANKED"_s << u"Unranked"_s << QString() << QString() << QString();
        QTest::newRow("not found")
            << u"was <i>NOT</i> found"_s << u"nf"_s << QString() << QString() << QString();
        QTest::newRow("lower-case markers are not markers")
            << u"unranked <i>not</i>"_s << u"error"_s << QString() << QString() << QString();
        QTest::newRow("three cells are not enough")
            << rankPage(100, u"12"_s, cells.mid(0, 3)) << u"error"_s << QString() << QString()
            << QString();
        QTest::newRow("empty") << QString() << u"error"_s << QString() << QString() << QString();
        QTest::newRow("coloured cell past 16-bit positions")
            << rankPage(32017, u"7<"_s, cells) << u"7"_s << clean[0] << clean[1] << clean[2];
        QTest::newRow("markers near the end of a 1 MB page")
            << rankPage(1'000'000, u"22<"_s, cells) << u"22"_s << clean[0] << clean[1] << clean[2];
    }
    void results()
    {
        QFETCH(QString, page);
        QFETCH(QString, result);
        const RankPage parsed = parseRankPage(page);
        QCOMPARE(parsed.result, result);
        QTEST(parsed.skill, "skill");
        QTEST(parsed.winPercent, "winPercent");
        QTEST(parsed.streak, "streak");
    }

    void missingRankMarkerReadsFromPosition42()
    {
        QString page = rankPage(100, u"12<"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s});
        page.replace(RankMarker, u"z"_s.repeated(RankMarker.size()));
        QCOMPARE(parseRankPage(page).result, u"0"_s);
        page.replace(41, 4, u"0815"_s);
        QCOMPARE(parseRankPage(page).result, u"815"_s);
    }

    void samplePages_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("result");
        QTest::newRow("ranked") << samplePage(u"rank-ranked.html"_s) << u"12"_s;
        QTest::newRow("unranked") << samplePage(u"rank-unranked.html"_s) << u"Unranked"_s;
        QTest::newRow("not found") << samplePage(u"rank-notfound.html"_s) << u"nf"_s;
    }
    void samplePages()
    {
        QFETCH(QByteArray, page);
        QVERIFY(page.size() > 10000);
        QTEST(parseRankPage(AnsiText::decode(page)).result, "result");
    }

    void sampleRankedStats()
    {
        const RankPage page = parseRankPage(AnsiText::decode(samplePage(u"rank-ranked.html"_s)));
        QCOMPARE(page.skill, u"1523"_s);
        QCOMPARE(page.winPercent, u"61.5%"_s);
        QCOMPARE(page.streak, u"W3"_s);
    }

    void largeAndRandomPages()
    {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(parseRankPage(u"<td><center>"_s.repeated(400'000)).result, u"0"_s);
        QCOMPARE(parseRankPage(u"<"_s.repeated(4'000'000)).result, u"error"_s);
        QVERIFY(clock.elapsed() < 20'000);

        static const QStringList pieces = {
            StatsCell, RankMarker, u"<td><center>"_s, u"9"_s, u" "_s, u"x"_s.repeated(300), u"<"_s};
        QRandomGenerator random(7);
        for (int run = 0; run < 2000; ++run) {
            QString page;
            for (int i = random.bounded(30); i > 0; --i)
                page += pieces[random.bounded(pieces.size())];
            QVERIFY(!parseRankPage(page).result.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestRankPageParser)
#include "tst_RankPageParser.moc"
