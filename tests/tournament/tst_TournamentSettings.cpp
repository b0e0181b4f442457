#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "tournament/CourseTable.h"
#include "tournament/Ladders.h"
#include "tournament/TournamentSettings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QList<LadderEntry> TwoLadders
    = {{u"Alpha"_s, u"alp"_s, u"3"_s}, {u"Beta"_s, u"bet"_s, u"5"_s}};

QString holesName(int round)
{
    return u"cHoles "_s + QString::number(round);
}

} // namespace

class TestTournamentSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;

    QString stored(const QString &name) const
    {
        return m_store->readRegValue(SettingsKeys::Root, name);
    }
    void store(const QString &name, const QString &value)
    {
        m_store->writeRegValue(SettingsKeys::Root, name, value);
    }
    // The settings as the next start-up finds them, with everything written so far.
    std::unique_ptr<TournamentSettings> restarted(QList<LadderEntry> ladders = TwoLadders)
    {
        m_store = std::make_unique<SettingsStore>(m_store->filePath());
        auto settings = std::make_unique<TournamentSettings>(*m_store, std::move(ladders));
        settings->restore();
        return settings;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(u"settings.ini"_s));
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(u"settings.ini"_s));
    }

    void laddersFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<LadderEntry>>("expected");
        QTest::newRow("comment line")
            << QByteArray("'comment\nAlpha|alp|3\nBeta|bet|5\n") << TwoLadders;
        QTest::newRow("windows line ends, empty and short lines")
            << QByteArray("\r\nAlpha|alp|3\r\nno fields\r\nA|b\r\nBeta|bet|5|extra\r\n")
            << TwoLadders;
        QTest::newRow("fields as they stand") << QByteArray(
            " Caf\xE9 |  p |\n") << QList<LadderEntry>{{u" Caf\u00E9 "_s, u"  p "_s, QString()}};
        QTest::newRow("nothing") << QByteArray() << QList<LadderEntry>{};
    }
    void laddersFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<LadderEntry>, expected);
        QCOMPARE(parseLadders(text), expected);
    }

    void laddersFileOnDisk()
    {
        QVERIFY(!loadLadders(m_dir.filePath(u"missing.ini"_s)).has_value());
        QFile file(m_dir.filePath(u"ladders.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("'comment\r\nAlpha|alp|3\r\nBeta|bet|5\r\n");
        file.close();
        QCOMPARE(loadLadders(file.fileName()), std::optional(TwoLadders));
    }

    void choiceLists()
    {
        QCOMPARE(CourseTable::courseChoices().first(), u"No Setting"_s);
        QCOMPARE(CourseTable::courseChoices().at(10), u" M Woodland Ridge"_s);
        QCOMPARE(CourseTable::holesChoices(u"Skins").last(), u"$50,000"_s);
        QVERIFY(CourseTable::holesChoices(u"Match Play").isEmpty());
    }

    void allRowCopiesToEveryRoundAndStoresOnlyThem()
    {
        TournamentSettings settings(*m_store, TwoLadders);
        QVERIFY(settings.chooseCourse(CourseTable::AllRow, u"Pine Creek"_s));
        for (int round = 0; round < CourseTable::RoundCount; ++round) {
            QCOMPARE(settings.course(round), u"Pine Creek"_s);
            QCOMPARE(stored(u"cCourse "_s + QString::number(round + 1)), u"Pine Creek"_s);
        }
        QCOMPARE(stored(u"cCourse 9"_s), QString());
        QVERIFY(settings.chooseLevel(CourseTable::AllRow, u"3+"_s));
        QCOMPARE(stored(u"cLevel 8"_s), u"3+"_s);
        QCOMPARE(stored(u"cLevel 9"_s), QString());
    }

    void choicesOutsideTheListsAreNotTaken()
    {
        TournamentSettings settings(*m_store, TwoLadders);
        QVERIFY(!settings.chooseCourse(0, u"Nowhere"_s));
        QVERIFY(!settings.chooseCourse(9, u"Pine Creek"_s));
        QVERIFY(!settings.chooseLevel(0, u"7"_s));
        QVERIFY(!settings.chooseDetail(0, u"Gamma"_s));
        QVERIFY(!settings.chooseType(u"Match Play"_s));
        QCOMPARE(stored(u"cType"_s), QString());
        QCOMPARE(stored(u"cCourse 1"_s), QString());
    }

    void skinsAfterStartUpRelabelsAndClearsTheHoles()
    {
        store(holesName(1), u"9"_s);
        auto settings = restarted();
        QCOMPARE(settings->holes(0), u"9"_s);
        QSignalSpy relabelled(settings.get(), &TournamentSettings::holesChoicesChanged);

        QVERIFY(settings->chooseType(u"Skins"_s));
        QCOMPARE(relabelled.size(), 1);
        QCOMPARE(settings->holesCaption(), u"Amount"_s);
        QCOMPARE(settings->holesChoices(), CourseTable::holesChoices(u"Skins"));
        QCOMPARE(stored(u"cType"_s), u"Skins"_s);
        for (int round = 1; round <= CourseTable::RoundCount; ++round)
            QCOMPARE(stored(holesName(round)), QString());
        QCOMPARE(settings->holes(0), QString());
        QVERIFY(!settings->chooseHoles(0, u"9"_s));
        QVERIFY(settings->chooseHoles(CourseTable::AllRow, u"$20,000"_s));
        QCOMPARE(stored(holesName(8)), u"$20,000"_s);
    }

    void choosingTheTypeInForceKeepsTheHoles()
    {
        auto settings = restarted();
        QVERIFY(settings->chooseHoles(2, u"18"_s));
        QVERIFY(settings->chooseType(u"Stroke"_s));
        QCOMPARE(settings->holes(2), u"18"_s);
        QCOMPARE(stored(holesName(3)), u"18"_s);
    }

    void typeFollowsTheFirstRoundsHoles_data()
    {
        QTest::addColumn<QString>("storedType");
        QTest::addColumn<QString>("firstHoles");
        QTest::addColumn<QString>("type");
        QTest::newRow("amount overrides Stroke") << u"Stroke"_s << u"$20,000"_s << u"Skins"_s;
        QTest::newRow("empty holes override Skins") << u"Skins"_s << QString() << u"Stroke"_s;
        QTest::newRow("nothing stored") << QString() << QString() << u"Stroke"_s;
        QTest::newRow("unknown type") << u"Match Play"_s << u"$5,000"_s << u"Skins"_s;
    }
    void typeFollowsTheFirstRoundsHoles()
    {
        QFETCH(QString, storedType);
        QFETCH(QString, firstHoles);
        QFETCH(QString, type);
        store(u"cType"_s, storedType);
        store(holesName(1), firstHoles);
        store(holesName(2), firstHoles);
        auto settings = restarted();
        QCOMPARE(settings->type(), type);
        QCOMPARE(stored(u"cType"_s), type);
        QCOMPARE(settings->holesChoices(), CourseTable::holesChoices(type));
        // The stored holes survive start-up and are chosen again.
        QCOMPARE(stored(holesName(1)), firstHoles);
        QCOMPARE(settings->holes(1), firstHoles);
    }

    void restoreBringsBackEveryValue()
    {
        {
            TournamentSettings settings(*m_store, TwoLadders);
            settings.restore();
            QVERIFY(settings.chooseDetail(TournamentSettings::Ladder, u"Beta"_s));
            QVERIFY(settings.chooseDetail(TournamentSettings::Format, u"2 vs 2"_s));
            QVERIFY(
                settings.chooseDetail(TournamentSettings::Elimination, u"Single Elimination"_s));
            settings.setDetailText(TournamentSettings::JumpNumber, u"4412"_s);
            settings.setDetailText(TournamentSettings::Donation, u"$5,000 \u20AC"_s);
            settings.setRule(4, u"No mulligans"_s);
            QVERIFY(settings.chooseCourse(7, u" M Woodland Ridge"_s));
            QVERIFY(settings.chooseLevel(0, u"6+"_s));
            QVERIFY(settings.chooseType(u"Skins"_s));
            QVERIFY(settings.chooseHoles(5, u"$50,000"_s));
            QVERIFY(settings.chooseHoles(0, u"$5,000"_s));
        }
        auto settings = restarted();
        QCOMPARE(settings->ladderName(), u"Beta"_s);
        QCOMPARE(settings->selectedLadder(), 1);
        QCOMPARE(settings->ladderPath(), u"bet"_s);
        QCOMPARE(settings->ladderServer(), u"5"_s);
        QCOMPARE(settings->details(TournamentSettings::Format), u"2 vs 2"_s);
        QCOMPARE(settings->eliminationType(), u"Single Elimination"_s);
        QCOMPARE(settings->jumpNumber(), u"4412"_s);
        QCOMPARE(settings->detailText(TournamentSettings::Donation), u"$5,000 \u20AC"_s);
        QCOMPARE(settings->rule(4), u"No mulligans"_s);
        QCOMPARE(settings->course(7), u" M Woodland Ridge"_s);
        QCOMPARE(settings->level(0), u"6+"_s);
        QCOMPARE(settings->type(), u"Skins"_s);
        QCOMPARE(settings->holes(5), u"$50,000"_s);
        QCOMPARE(settings->holes(CourseTable::AllRow), QString());
        QVERIFY(!settings->isLoadingSettings());
    }

    void selectedLadderFollowsTheLadderBox()
    {
        TournamentSettings settings(*m_store, TwoLadders);
        QCOMPARE(settings.selectedLadder(), 0);
        QVERIFY(settings.chooseDetail(TournamentSettings::Ladder, u"Beta"_s));
        QCOMPARE(settings.selectedLadder(), 1);
        QVERIFY(settings.chooseDetail(TournamentSettings::Format, u"3 vs 3"_s));
        QCOMPARE(settings.selectedLadder(), 1);
        QVERIFY(settings.chooseDetail(TournamentSettings::Ladder, u"Alpha"_s));
        QCOMPARE(settings.selectedLadder(), 0);
    }

    void removedLadderLeavesTheBoxAsInitialised()
    {
        store(u"cDetails 1"_s, u"Gone"_s);
        auto settings = restarted();
        QCOMPARE(settings->ladderName(), QString());
        QCOMPARE(settings->selectedLadder(), 0);
        QCOMPARE(settings->ladderPath(), u"alp"_s);
    }

    void noLaddersAreGuarded()
    {
        auto settings = restarted({});
        QCOMPARE(settings->ladderPath(), QString());
        QCOMPARE(settings->ladderServer(), QString());
        QVERIFY(settings->detailChoices(TournamentSettings::Ladder).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTournamentSettings)
#include "tst_TournamentSettings.moc"
