#include "support/BotRoom.h"
#include "support/ReportPages.h"
#include "support/TestWait.h"
#include "tournament/CourseTable.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString NoPairings = u"No Pairings Available"_s;

const QStringList CommandList = {u"(+ or !)rank - Returns your Rank and other stats."_s,
    u"(+ or !)rank name - Returns Rank and other stats for name."_s,
    u"(+ or !)whois name - Returns IP, ID and Socket for name."_s,
    u"(+ or !)details - General Details for this Tournament"_s,
    u"(+ or !)courses - Course, Level and Number of Holes"_s,
    u"(+ or !)rules - Rules for this Tournament"_s, u"(+ or !)pairings - Current Pairings"_s,
    u"(+ or !)version - Vornic Program Information"_s};

QString course(int i)
{
    return CourseTable::courseNames().value(i);
}

} // namespace

// The players' short questions about the pairings, asked over loopback: one round, their own
// match, someone else's, and the help list that names them.
class TestMatchCommands : public LadderRoomSuite
{
    Q_OBJECT

private:
    bool loadPairings(const QString &elimination, const QByteArray &page)
    {
        TournamentSettings &t = m_room->services.tournament;
        if (!t.chooseDetail(TournamentSettings::Elimination, elimination))
            return false;
        m_room->league.setResponse(ReportPages::Path, {200, page});
        t.setDetailText(TournamentSettings::JumpNumber, u"4412"_s);
        QSignalSpy changed(&m_room->services.pairings, &PairingsService::pairingsChanged);
        m_room->services.pairings.requestPairings();
        return waitUntil([&] { return changed.size() == 1; }, 5000);
    }

    // Bob asks; only Bob hears the answer.
    QStringList answerToBob(const QString &line)
    {
        if (!m_room->say(m_bob, line))
            return {u"(not handled)"_s};
        if (!m_room->received(m_ann).isEmpty())
            return {u"(Ann heard it too)"_s};
        return m_room->texts(m_bob);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(openLadderRoom());
        TournamentSettings &t = m_room->services.tournament;
        QVERIFY(t.chooseType(u"Stroke"_s));
        QVERIFY(
            t.chooseCourse(0, course(2)) && t.chooseLevel(0, u"1"_s) && t.chooseHoles(0, u"18"_s));
    }
    void cleanup() { m_room.reset(); }

    void commandListStaysAndHelpAddsTheNewCommands()
    {
        QCOMPARE(answerToBob(u"+commands"_s), CommandList);
        const QStringList help = answerToBob(u"!HELP"_s);
        QCOMPARE(help.mid(0, CommandList.size()), CommandList);
        QCOMPARE(help.mid(CommandList.size()),
            (QStringList{u"(+ or !)pairings N - Pairings of round N only"_s,
                u"(+ or !)match - Your match in the latest round"_s,
                u"(+ or !)match name - The match of name in the latest round"_s,
                u"(+ or !)help - This list"_s}));
    }

    void nothingDownloadedYet_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("+match") << u"+match"_s;
        QTest::newRow("+match name") << u"+match Ann"_s;
        QTest::newRow("!pairings 1") << u"!pairings 1"_s;
    }
    void nothingDownloadedYet()
    {
        QFETCH(QString, line);
        QCOMPARE(answerToBob(line), QStringList{NoPairings});
    }

    void singleElimination_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("answer");
        const QString roundOne = u"Round 1 Course: "_s + course(2) + u" Level: 1 Holes: 18"_s;
        const QString courseOne = u"R1: "_s + course(2) + u" Level: 1 Holes: 18"_s;
        QTest::newRow("round 1") << u"+pairings 1"_s
                                 << QStringList{roundOne, u"Ann vs Bob"_s, u"Cid vs Dee"_s};
        QTest::newRow("round 2, blanks around")
            << u"!pairings  2 "_s
            << QStringList{u"Round 2 Course:  Level:  Holes: "_s, u"Ann vs TBD"_s};
        // As +pairings does, a round without its first match counts as not drawn.
        QTest::newRow("round 3 undrawn")
            << u"+pairings 3"_s << QStringList{u"No Pairings For Round 3"_s};
        QTest::newRow("round past the table")
            << u"+pairings 9"_s << QStringList{u"No Pairings For Round 9"_s};
        QTest::newRow("not a number: every round")
            << u"+pairings all"_s
            << QStringList{roundOne, u"Ann vs Bob"_s, u"Cid vs Dee"_s,
                   u"Round 2 Course:  Level:  Holes: "_s, u"Ann vs TBD"_s};
        QTest::newRow("own match with its course")
            << u"+match"_s << QStringList{u"Round 1: Ann vs Bob"_s, courseOne};
        // Ann's latest round is 2, whose course is not set: no course line.
        QTest::newRow("someone's latest round")
            << u"!match ann"_s << QStringList{u"Round 2: Ann vs TBD"_s};
        QTest::newRow("second of a pair")
            << u"+MATCH Dee"_s << QStringList{u"Round 1: Cid vs Dee"_s, courseOne};
        QTest::newRow("a match past the first")
            << u"+match Fay"_s << QStringList{u"Round 3: Eve vs Fay"_s};
        QTest::newRow("nobody") << u"+match Zed"_s << QStringList{u"Zed Is Not In The Pairings"_s};
        QTest::newRow("part of a name is not the name")
            << u"+match An"_s << QStringList{u"An Is Not In The Pairings"_s};
    }
    void singleElimination()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, answer);
        QVERIFY(loadPairings(u"Single Elimination"_s, ReportPages::Single));
        QCOMPARE(answerToBob(line), answer);
    }

    void doubleElimination()
    {
        QVERIFY(loadPairings(u"Double Elimination"_s, ReportPages::Double));
        QCOMPARE(answerToBob(u"+pairings 1"_s),
            (QStringList{u"Current Pairings"_s, u"Ann vs Bob"_s, u"Cid vs Dee"_s}));
        QCOMPARE(answerToBob(u"+pairings 2"_s), QStringList{u"No Pairings For Round 2"_s});
        QCOMPARE(answerToBob(u"+match cid"_s),
            (QStringList{
                u"Round 1: Cid vs Dee"_s, u"R1: "_s + course(2) + u" Level: 1 Holes: 18"_s}));
    }

    void operatorAsksForItsOwnEyes()
    {
        QVERIFY(loadPairings(u"Single Elimination"_s, ReportPages::Single));
        m_room->takeShown();
        m_room->services.console.handleHostInput(u"+match Bob"_s);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->takeShown(),
            (QStringList{u"BOT: |Round 1: Ann vs Bob|b"_s,
                u"BOT: |R1: "_s + course(2) + u" Level: 1 Holes: 18|b"_s}));
        QVERIFY(m_room->received(m_bob).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMatchCommands)
#include "tst_MatchCommands.moc"
