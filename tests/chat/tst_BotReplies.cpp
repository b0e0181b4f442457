#include "support/BotRoom.h"

#include "chat/ProgramCredits.h"
#include "support/ReportPages.h"
#include "support/TestWait.h"
#include "tournament/CourseTable.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString NoDetails = u"*** No Details Specified***"_s;
const QString NothingSpecified = u"*** No Rules Specified***"_s;

QString course(int i)
{
    return CourseTable::courseNames().value(i);
}

QStringList botLines(const QStringList &texts)
{
    QStringList lines;
    for (const QString &text : texts)
        lines << u"BOT: |"_s + text + u"|b"_s;
    return lines;
}

} // namespace

class TestBotReplies : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BotRoom> m_room;

    void fillDetails()
    {
        TournamentSettings &t = m_room->services.tournament;
        QVERIFY(t.chooseDetail(TournamentSettings::Ladder, u"Singles Ladder"_s));
        QVERIFY(t.chooseDetail(TournamentSettings::Format, u"1 vs 1"_s));
        QVERIFY(t.chooseDetail(TournamentSettings::Elimination, u"Single Elimination"_s));
        t.setDetailText(TournamentSettings::JumpNumber, u"4412"_s);
        t.setDetailText(TournamentSettings::StartTime, u"8pm EST"_s);
        t.setDetailText(TournamentSettings::EntryFee, u"none"_s);
        t.setDetailText(TournamentSettings::Donation, u"$1,000"_s);
    }

    // The game type, then the first round on a course at level 1.
    bool playFirstRound(const QString &type, const QString &courseName, const QString &holes)
    {
        TournamentSettings &t = m_room->services.tournament;
        return t.chooseType(type) && t.chooseCourse(0, courseName) && t.chooseLevel(0, u"1"_s)
            && t.chooseHoles(0, holes);
    }

    bool loadPairings(const QByteArray &page)
    {
        m_room->league.setResponse(ReportPages::Path, {200, page});
        m_room->services.tournament.setDetailText(TournamentSettings::JumpNumber, u"4412"_s);
        QSignalSpy changed(&m_room->services.pairings, &PairingsService::pairingsChanged);
        m_room->services.pairings.requestPairings();
        return waitUntil([&] { return changed.size() == 1; }, 5000);
    }

private Q_SLOTS:
    void init() { m_room = std::make_unique<BotRoom>(); }
    void cleanup() { m_room.reset(); }

    void commandListAndVersion()
    {
        m_room->services.replies.sendCommandList(true, 0);
        m_room->services.replies.sendVersion(true, 0);
        QCOMPARE(m_room->takeShown(),
            botLines({u"(+ or !)rank - Returns your Rank and other stats."_s,
                u"(+ or !)rank name - Returns Rank and other stats for name."_s,
                u"(+ or !)whois name - Returns IP, ID and Socket for name."_s,
                u"(+ or !)details - General Details for this Tournament"_s,
                u"(+ or !)courses - Course, Level and Number of Holes"_s,
                u"(+ or !)rules - Rules for this Tournament"_s,
                u"(+ or !)pairings - Current Pairings"_s,
                u"(+ or !)version - Vornic Program Information"_s, u"Vornic Host Version: 1.4"_s,
                ProgramCredits::authorsLine(), ProgramCredits::supportLine()}));
    }

    void details()
    {
        m_room->services.replies.sendDetails(true, 0);
        QCOMPARE(m_room->takeShown(), botLines({NoDetails}));

        // Without a ladder the placeholder stands in its place; the others follow.
        QVERIFY(m_room->services.tournament.chooseDetail(TournamentSettings::Format, u"2 vs 2"_s));
        m_room->services.tournament.setDetailText(TournamentSettings::EntryFee, u"none"_s);
        m_room->services.replies.sendDetails(true, 0);
        QCOMPARE(
            m_room->takeShown(), botLines({NoDetails, u"Format: 2 vs 2"_s, u"Entry Fee: none"_s}));

        fillDetails();
        m_room->services.replies.sendDetails(true, 0);
        QCOMPARE(m_room->takeShown(),
            botLines({u"Ladder: Singles Ladder"_s, u"Format: 1 vs 1"_s,
                u"Elimination Type: Single Elimination"_s, u"Jump Number: 4412"_s,
                u"Start Time: 8pm EST"_s, u"Entry Fee: none"_s, u"Donation: $1,000"_s}));
    }

    void rules_data()
    {
        QTest::addColumn<QStringList>("rules");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("none") << QStringList(5) << QStringList{NothingSpecified};
        QTest::newRow("rule 1 empty, rule 3 set") << QStringList{{}, {}, u"No cheats"_s, {},
            {}} << QStringList{NothingSpecified, u"Rule #3: No cheats"_s};
        QTest::newRow("all") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}
                             << QStringList{u"Rule #1: a"_s, u"Rule #2: b"_s, u"Rule #3: c"_s,
                                    u"Rule #4: d"_s, u"Rule #5: e"_s};
    }
    void rules()
    {
        QFETCH(QStringList, rules);
        QFETCH(QStringList, lines);
        for (int k = 0; k < rules.size(); ++k)
            m_room->services.tournament.setRule(k, rules.at(k));
        m_room->services.replies.sendRules(true, 0);
        QCOMPARE(m_room->takeShown(), botLines(lines));
    }

    void courses_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("holes");
        QTest::addColumn<QString>("label");
        QTest::newRow("stroke") << u"Stroke"_s << u"18"_s << u" Holes: "_s;
        QTest::newRow("skins") << u"Skins"_s << u"$5,000"_s << u" Amount: "_s;
    }
    void courses()
    {
        QFETCH(QString, type);
        QFETCH(QString, holes);
        QFETCH(QString, label);
        TournamentSettings &t = m_room->services.tournament;
        QVERIFY(t.chooseType(type));
        m_room->services.replies.sendCourses(true, 0);
        QCOMPARE(m_room->takeShown(), QStringList());

        // R1 and the losers' bracket set, R2 explicitly unset, the rest never touched.
        const int lb = 7;
        QVERIFY(t.chooseCourse(0, course(0)));
        QVERIFY(t.chooseLevel(0, u"3+"_s));
        QVERIFY(t.chooseHoles(0, holes));
        QVERIFY(t.chooseCourse(1, u"No Setting"_s));
        QVERIFY(t.chooseLevel(1, u"2"_s));
        QVERIFY(t.chooseCourse(lb, course(5)));
        m_room->services.replies.sendCourses(true, 0);
        QCOMPARE(m_room->takeShown(),
            botLines({u"R1: "_s + course(0) + u" Level: 3+"_s + label + holes,
                u"LB: "_s + course(5) + u" Level: "_s + label}));
    }

    void pairingsWithNothingKnown_data()
    {
        QTest::addColumn<QString>("elimination");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no type chosen")
            << QString() << QStringList{u"Current Pairings"_s, u"No Pairings Available"_s};
        QTest::newRow("double") << u"Double Elimination"_s
                                << QStringList{u"Current Pairings"_s, u"No Pairings Available"_s};
        QTest::newRow("single") << u"Single Elimination"_s
                                << QStringList{u"No Pairings Available"_s};
    }
    void pairingsWithNothingKnown()
    {
        QFETCH(QString, elimination);
        QFETCH(QStringList, lines);
        if (!elimination.isEmpty())
            QVERIFY(m_room->services.tournament.chooseDetail(
                TournamentSettings::Elimination, elimination));
        m_room->services.replies.sendPairings(true, 0);
        QCOMPARE(m_room->takeShown(), botLines(lines));
    }

    void singleEliminationPairingsByRound()
    {
        TournamentSettings &t = m_room->services.tournament;
        QVERIFY(t.chooseDetail(TournamentSettings::Elimination, u"Single Elimination"_s));
        // The round headings say "Holes" even for skins.
        QVERIFY(playFirstRound(u"Skins"_s, course(2), u"$5,000"_s));
        QVERIFY(loadPairings(ReportPages::Single));
        QCOMPARE(m_room->services.pairings.pairings().at(3, 2), u"Eve vs Fay"_s);

        m_room->services.replies.sendPairings(true, 0);
        QCOMPARE(m_room->takeShown(),
            botLines(
                {u"Round 1 Course: "_s + course(2) + u" Level: 1 Holes: $5,000"_s, u"Ann vs Bob"_s,
                    u"Cid vs Dee"_s, u"Round 2 Course:  Level:  Holes: "_s, u"Ann vs TBD"_s}));
    }

    void doubleEliminationPairings()
    {
        QVERIFY(m_room->services.tournament.chooseDetail(
            TournamentSettings::Elimination, u"Double Elimination"_s));
        QVERIFY(loadPairings(ReportPages::Double));
        m_room->services.replies.sendPairings(true, 0);
        QCOMPARE(m_room->takeShown(),
            botLines({u"Current Pairings"_s, u"Ann vs Bob"_s, u"Cid vs Dee"_s}));
    }

    void whois()
    {
        const Seat bob = m_room->seat(u"Bob"_s, 2);
        const Seat ann = m_room->seat(u"Ann"_s, 3);
        const Seat bob2 = m_room->seat(u"BOB"_s, 4);
        QVERIFY(bob.client && ann.client && bob2.client);
        const auto line = [](const Seat &s, const QString &ip) -> QString {
            return s.name + u" is IP: "_s + ip + u"   ID: "_s + QString::number(s.id)
                + u"   Sock: "_s + QString::number(s.socket);
        };

        m_room->services.replies.sendWhois(true, 0, u"bob"_s);
        QCOMPARE(
            m_room->takeShown(), botLines({line(bob2, u"127.0.0.4"_s), line(bob, u"127.0.0.2"_s)}));
        m_room->services.replies.sendWhois(true, 0, u"HOST"_s);
        QCOMPARE(m_room->takeShown(), botLines({u"Host is IP: Host   ID: 0   Sock: Host"_s}));
        m_room->services.replies.sendWhois(true, 0, u"Bo"_s);
        QCOMPARE(m_room->takeShown(), QStringList());

        // Said to one player, only that player hears it, and without the address's last parts.
        m_room->services.replies.sendWhois(false, ann.socket, u"ann"_s);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->texts(ann), QStringList{line(ann, u"127.0.x.x"_s)});
        QCOMPARE(m_room->texts(bob), QStringList());

        // "Show Full IPs in +whois" gives players the whole address again.
        m_room->options.setOption(ChatOptions::ShowFullIpsInWhois, true);
        m_room->services.replies.sendWhois(false, ann.socket, u"bob"_s);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->texts(ann),
            (QStringList{line(bob2, u"127.0.0.4"_s), line(bob, u"127.0.0.2"_s)}));
    }

    void maskedAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("masked");
        QTest::newRow("IPv4") << u"203.0.113.77"_s << u"203.0.x.x"_s;
        QTest::newRow("IPv4 as IPv6") << u"::ffff:198.51.100.2"_s << u"198.51.x.x"_s;
        QTest::newRow("IPv6") << u"2001:db8:85a3:8d3:1319:8a2e:370:7348"_s
                              << u"2001:db8:85a3:8d3:x"_s;
        QTest::newRow("IPv6 shortened") << u"2001:db8::1"_s << u"2001:db8:0:0:x"_s;
        QTest::newRow("no address") << u"Host"_s << u"x"_s;
        QTest::newRow("empty") << QString() << u"x"_s;
    }
    void maskedAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, masked);
        QCOMPARE(BotReplies::maskedAddress(address), masked);
    }

    // Players, the operator and the Announce items all read the same placeholders.
    void noLadderAndNoFirstRuleEverywhere()
    {
        m_room->services.tournament.setRule(2, u"No cheats"_s);
        m_room->options.setOption(ChatOptions::DisplaySystemMessages, true);
        const Seat ann = m_room->seat(u"Ann"_s, 2);
        QVERIFY(ann.client);

        QVERIFY(m_room->say(ann, u"+details +rules"_s));
        QCOMPARE(m_room->texts(ann), QStringList{NoDetails});
        QVERIFY(m_room->say(ann, u"!rules"_s));
        QCOMPARE(m_room->texts(ann), (QStringList{NothingSpecified, u"Rule #3: No cheats"_s}));

        m_room->takeShown();
        m_room->services.console.handleHostInput(u"+details"_s);
        QCOMPARE(m_room->takeShown(), botLines({NoDetails}));

        m_room->services.replies.announce(BotReplies::Announcement::All);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->texts(ann),
            (QStringList{NoDetails, NothingSpecified, u"Rule #3: No cheats"_s}));
    }

    void announcements_data()
    {
        QTest::addColumn<BotReplies::Announcement>("what");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("texts");
        const QString details = u"Ladder: Singles Ladder"_s;
        const QString r1 = u"R1: "_s + course(1) + u" Level: 1 Holes: 9"_s;
        const QString rule = u"Rule #1: Be nice"_s;
        QTest::newRow("all") << BotReplies::Announcement::All << u"Announcing All"_s
                             << QStringList{details, r1, rule};
        QTest::newRow("details") << BotReplies::Announcement::Details << u"Announcing Details"_s
                                 << QStringList{details};
        QTest::newRow("rules") << BotReplies::Announcement::Rules << u"Announcing Rules"_s
                               << QStringList{rule};
        QTest::newRow("rounds") << BotReplies::Announcement::Rounds << u"Announcing Rounds"_s
                                << QStringList{r1};
        QTest::newRow("pairings") << BotReplies::Announcement::Pairings << QString()
                                  << QStringList{u"Current Pairings"_s, u"No Pairings Available"_s};
    }
    void announcements()
    {
        QFETCH(BotReplies::Announcement, what);
        QFETCH(QString, heading);
        QFETCH(QStringList, texts);
        TournamentSettings &t = m_room->services.tournament;
        QVERIFY(t.chooseDetail(TournamentSettings::Ladder, u"Singles Ladder"_s));
        QVERIFY(playFirstRound(u"Stroke"_s, course(1), u"9"_s));
        t.setRule(0, u"Be nice"_s);
        m_room->options.setOption(ChatOptions::DisplaySystemMessages, true);
        const Seat ann = m_room->seat(u"Ann"_s, 2);
        const Seat bob = m_room->seat(u"Bob"_s, 3);
        QVERIFY(ann.client && bob.client);

        m_room->services.replies.announce(what);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->texts(ann), texts);
        QCOMPARE(m_room->texts(bob), texts);
        QCOMPARE(m_room->takeShown(),
            heading.isEmpty() ? QStringList() : QStringList{u"System: |"_s + heading + u"|s"_s});
    }
};

QTEST_GUILESS_MAIN(TestBotReplies)
#include "tst_BotReplies.moc"
