#include "text/AnsiText.h"
#include "tournament/PageFiles.h"
#include "tournament/StandingsParser.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A single-elimination section: heading, match rows, end of the form.
QString section(const QString &heading, const QString &rows)
{
    return u"<table><tr><td class=rhead>"_s + heading + u"</td></tr>\n"_s + rows
        + u"</table></form>\n"_s;
}

QString row(const QString &matchCell, const QString &first, const QString &second)
{
    return u"<tr><td align=left>"_s + matchCell + u"</td><td align=left>"_s + first
        + u"</td><td align=left>"_s + second + u"</td></tr>\n"_s;
}

const QString Preamble = u"<html><body><h2>Tournament 4412</h2>\n"_s;

} // namespace

class TestStandingsParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void singleElimination_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<int>("round");
        QTest::addColumn<int>("match");
        QTest::addColumn<QString>("expected");

        QTest::newRow("plain") << Preamble
                + section(u"Round 2"_s, row(u"Match #3"_s, u"Alice"_s, u"Bob"_s))
                               << 2 << 3 << u"Alice vs Bob"_s;
        QTest::newRow("any letter case")
            << Preamble + section(u"ROUND 1"_s, row(u"MATCH #7"_s, u"Alice"_s, u"Bob"_s)) << 1 << 7
            << u"Alice vs Bob"_s;
        QTest::newRow("hyphen and blank second name")
            << Preamble + section(u"Round 1"_s, row(u"Match #1"_s, u"Alice"_s, u"- "_s)) << 1 << 1
            << u"Alice vs TBD"_s;
        QTest::newRow("blank first name")
            << Preamble + section(u"Round 1"_s, row(u"Match #1"_s, u"   "_s, u"Bob"_s)) << 1 << 1
            << u"TBD vs Bob"_s;
        QTest::newRow("trailing dashes trimmed, leading kept")
            << Preamble + section(u"Round 1"_s, row(u"Match #2"_s, u" Al-ice - -"_s, u"-Bob"_s))
            << 1 << 2 << u" Al-ice vs -Bob"_s;
        QTest::newRow("round 12 reads as round 1")
            << Preamble + section(u"Round 12"_s, row(u"Match #4"_s, u"Alice"_s, u"Bob"_s)) << 1 << 4
            << u"Alice vs Bob"_s;
        QTest::newRow("blanks inside the match number")
            << Preamble + section(u"Round 3"_s, row(u"Match # 1 2"_s, u"Alice"_s, u"Bob"_s)) << 3
            << 12 << u"Alice vs Bob"_s;
        QTest::newRow("later row with the same numbers wins") << Preamble
                + section(u"Round 1"_s,
                    row(u"Match #1"_s, u"Alice"_s, u"Bob"_s)
                        + row(u"Match #1"_s, u"Carol"_s, u"Dave"_s))
                                                              << 1 << 1 << u"Carol vs Dave"_s;
        QTest::newRow("section without /form reads no rows")
            << Preamble + u"<td>Round 1</td>"_s + row(u"Match #1"_s, u"Alice"_s, u"Bob"_s) << 1 << 1
            << QString();
        QTest::newRow("heading in the first six characters is not read")
            << u">Round 1</td>"_s + row(u"Match #1"_s, u"Alice"_s, u"Bob"_s) + u"</form>"_s << 1
            << 1 << QString();
        QTest::newRow("rows of a later heading belong to every open section") << Preamble
                + u"<td>Round 1</td><td>Round 2</td>"_s + row(u"Match #1"_s, u"Alice"_s, u"Bob"_s)
                + u"</form>"_s << 1 << 1 << u"Alice vs Bob"_s;
        QTest::newRow("windows-1252 names") << Preamble
                + section(u"Round 1"_s, row(u"Match #5"_s, u"Ren\u00E9e"_s, u"Bj\u00F6rn"_s))
                                            << 1 << 5 << u"Ren\u00E9e vs Bj\u00F6rn"_s;
    }
    void singleElimination()
    {
        QFETCH(QString, document);
        QFETCH(int, round);
        QFETCH(int, match);
        QFETCH(QString, expected);
        QCOMPARE(parseStandings(document).at(round, match), expected);
    }

    void singleEliminationSkipsWhatHasNoPlace_data()
    {
        QTest::addColumn<QString>("document");
        QTest::newRow("one character between match and number")
            << Preamble + section(u"Round 1"_s, row(u"Match 3"_s, u"Alice"_s, u"Bob"_s));
        QTest::newRow("round 0") << Preamble
                + section(u"Round 0"_s, row(u"Match #1"_s, u"A"_s, u"B"_s));
        QTest::newRow("round 7") << Preamble
                + section(u"Round 7"_s, row(u"Match #1"_s, u"A"_s, u"B"_s));
        QTest::newRow("round not a digit")
            << Preamble + section(u"Round X"_s, row(u"Match #1"_s, u"A"_s, u"B"_s));
        QTest::newRow("match 33") << Preamble
                + section(u"Round 1"_s, row(u"Match #33"_s, u"A"_s, u"B"_s));
        QTest::newRow("huge match number")
            << Preamble + section(u"Round 1"_s, row(u"Match #99999999999999"_s, u"A"_s, u"B"_s));
        QTest::newRow("no closing < after the second name") << Preamble
                + u"<td>Round 1</td><td align=left>Match #1</td><td align=left>A</td><td align=left>B /form"_s;
        QTest::newRow("no markers at all") << u"<html><body>Server busy</body></html>"_s;
        QTest::newRow("empty") << QString();
    }
    void singleEliminationSkipsWhatHasNoPlace()
    {
        QFETCH(QString, document);
        QVERIFY(parseStandings(document).isEmpty());
    }

    void roundsComeOnlyFromTheirDigit()
    {
        QString document = Preamble;
        for (int round = 1; round <= 3; ++round)
            document += section(u"Round "_s + QString::number(round),
                row(u"Match #1"_s, u"P"_s + QString::number(round), u"Q"_s));
        const Pairings pairings = parseStandings(document);
        for (int round = 1; round <= 3; ++round)
            QCOMPARE(pairings.at(round, 1), u"P%1 vs Q"_s.arg(round));
        for (int round = 4; round <= Pairings::RoundCount; ++round)
            QCOMPARE(pairings.at(round, 1), QString());
    }

    void doubleElimination_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QStringList>("expected"); // round 1, matches 1, 2, ...

        QTest::newRow("two pairs")
            << u"<tr><td align=left>Carol-</td><td align=left>Dave  </td></tr>"
               "<tr><td align=left>Erin</td><td align=left>Finn</td></tr>"_s
            << QStringList{u"Carol vs Dave"_s, u"Erin vs Finn"_s};
        QTest::newRow("empty second name stays empty")
            << u"<td align=left>Carol</td><td align=left></td>"_s << QStringList{u"Carol vs "_s};
        QTest::newRow("empty first name stays empty")
            << u"<td align=left></td><td align=left>Dave</td>"_s << QStringList{u" vs Dave"_s};
        QTest::newRow("upper-case first cell")
            << u"<td ALIGN=LEFT>Carol</td><td align=left>Dave</td>"_s
            << QStringList{u"Carol vs Dave"_s};
        QTest::newRow("lone last cell ends the list")
            << u"<td align=left>Carol</td><td align=left>Dave</td><td align=left>Erin"_s
            << QStringList{u"Carol vs Dave"_s};
        QTest::newRow("no cells") << u"<html>Server busy</html>"_s << QStringList{};
    }
    void doubleElimination()
    {
        QFETCH(QString, document);
        QFETCH(QStringList, expected);
        const Pairings pairings = parseDEStandings(document);
        for (int match = 1; match <= Pairings::MatchCount; ++match)
            QCOMPARE(pairings.at(1, match), expected.value(match - 1));
        for (int round = 2; round <= Pairings::RoundCount; ++round)
            QCOMPARE(pairings.at(round, 1), QString());
    }

    void doubleEliminationStopsAfterTheLastSlot()
    {
        QString document;
        for (int pair = 1; pair <= 40; ++pair)
            document += u"<td align=left>A%1</td><td align=left>B%1</td>"_s.arg(pair);
        const Pairings pairings = parseDEStandings(document);
        QCOMPARE(pairings.at(1, 32), u"A32 vs B32"_s);
        QCOMPARE(pairings.at(1, 33), QString());
    }

    void samplePages()
    {
        const QString single = AnsiText::decode(samplePage(u"report-single.html"_s));
        QVERIFY(single.size() > 20000);
        const Pairings se = parseStandings(single);
        QCOMPARE(se.at(1, 1), u"[TGX]Mulligan0 vs {PAR}Bogey1"_s);
        QCOMPARE(se.at(1, 32), u"~Eagle~Iron62 vs (DRV)Niblick63"_s);
        QCOMPARE(se.at(2, 16), u"~Eagle~Greenkeeper94 vs (DRV)Yardage95"_s);
        QCOMPARE(se.at(3, 3), u"[TGX]Mulligan96 vs TBD"_s);
        QCOMPARE(se.at(6, 1), u"TBD vs TBD"_s);
        QCOMPARE(se.at(2, 17), QString());
        QCOMPARE(se.at(6, 2), QString());

        const QString doubles = AnsiText::decode(samplePage(u"report-double.html"_s));
        const Pairings de = parseDEStandings(doubles);
        QCOMPARE(de.at(1, 1), u"~Eagle~Chipper102 vs (DRV)Slice103"_s);
        QCOMPARE(de.at(1, 3), u"xXCaddie106Xx vs Divot107"_s);
        QCOMPARE(de.at(1, 7), u"xXLinks114Xx vs "_s);
        QCOMPARE(de.at(1, 24), u"Fairway148 vs Putter149"_s);
        QCOMPARE(de.at(1, 25), QString());
        // Each layout read with the other parser gives nothing that looks like the other's.
        QCOMPARE(parseDEStandings(single).at(1, 1).contains(u"Mulligan0 vs"_s), false);
    }

    // Pages built to make a parser that cuts or rescans the rest of the page take hours.
    void adversarialPagesTakeLinearTime_data()
    {
        QTest::addColumn<QString>("document");
        const int count = 200'000;
        QTest::newRow("headings without /form")
            << u"x"_s.repeated(10) + u">Round 1 "_s.repeated(count);
        QTest::newRow("headings sharing one /form") << u"x"_s.repeated(10)
                + u">Round 1 "_s.repeated(count / 2)
                + u"left>match #1<left>a<left>b<"_s.repeated(count / 4) + u"/form"_s;
        QTest::newRow("rows without <")
            << u"xxxxxxxx>Round 1 "_s + u"left>match #1 "_s.repeated(count) + u"/form"_s;
        QTest::newRow("upper-case cells") << u"=LEFT>a<"_s.repeated(count) + u"xxxxxxxx>Round 2 "_s
                + u"LEFT>MATCH #1<"_s.repeated(count) + u"</form>"_s;
    }
    void adversarialPagesTakeLinearTime()
    {
        QFETCH(QString, document);
        QElapsedTimer clock;
        clock.start();
        parseStandings(document);
        parseDEStandings(document);
        QVERIFY2(clock.elapsed() < 20'000, qPrintable(QString::number(clock.elapsed())));
    }

    void randomInputNeverFaults()
    {
        static const QStringList pieces = {
            u">round "_s,
            u">Round 1"_s,
            u">ROUND 9"_s,
            u"left>match #"_s,
            u"left>"_s,
            u"<"_s,
            u"</form>"_s,
            u"/form"_s,
            u"=left>"_s,
            u"=LEFT"_s,
            u"-"_s,
            u" "_s,
            u"7"_s,
            u"x"_s,
            u"\u00E9"_s,
            u"\n"_s,
        };
        QRandomGenerator random(20240611);
        for (int run = 0; run < 3000; ++run) {
            QString document;
            const int length = random.bounded(40);
            for (int i = 0; i < length; ++i)
                document += pieces[random.bounded(pieces.size())];
            const Pairings se = parseStandings(document);
            const Pairings de = parseDEStandings(document);
            QVERIFY(se.at(0, 0).isEmpty() && de.at(7, 33).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestStandingsParser)
#include "tst_StandingsParser.moc"
