#include "ChooseEntry.h"
#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostIdentity.h"
#include "host/StoredValueEditor.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "support/ScratchFolder.h"
#include "tournament/TournamentSettings.h"
#include "window/TourneySettingsBinder.h"
#include "window/TourneySettingsTab.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QList<LadderEntry> kLadders{{u"Alpha"_s, u"alp"_s, u"3"_s}, {u"Beta"_s, u"bet"_s, u"5"_s}};

// The tab over real tournament settings in a settings file.
struct Fixture
{
    explicit Fixture(const QString &path)
        : store(path)
    {
        editor.setTournament(&settings);
    }

    void bind() { binder = std::make_unique<TourneySettingsBinder>(settings, editor, tab); }
    QString stored(const QString &valueName) const
    {
        return store.readRegValue(SettingsKeys::Root, valueName);
    }

    SettingsStore store;
    TournamentSettings settings{store, kLadders};
    HostIdentity identity{store};
    ChatOptions options{store};
    ChatStyles styles{store};
    StoredValueEditor editor{store, identity, options, styles};
    TourneySettingsTab tab;
    std::unique_ptr<TourneySettingsBinder> binder;
};

void storeTournament(const QString &path)
{
    SettingsStore store(path);
    const auto put = [&store](const QString &name, const QString &text) {
        store.writeRegValue(SettingsKeys::Root, name, text);
    };
    put(u"cDetails 1"_s, u"Beta"_s);
    put(u"cDetails 2"_s, u"2 vs 2"_s);
    put(u"cDetails 3"_s, u"Double Elimination"_s);
    put(u"tDetails 1"_s, u"4711"_s);
    put(u"tDetails 2"_s, u"8 PM"_s);
    put(u"cRules 5"_s, u"No mulligans"_s);
    put(u"cCourse 1"_s, u" M Woodland Ridge"_s);
    put(u"cCourse 8"_s, u"Buckgate Woods"_s);
    put(u"cLevel 2"_s, u"3+"_s);
    put(u"cType"_s, u"Stroke"_s); // the first round's amount says otherwise
    put(u"cHoles 1"_s, u"$20,000"_s);
    put(u"cHoles 2"_s, u"$50,000"_s);
}

QStringList entriesOf(const QComboBox *box)
{
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries.append(box->itemText(i));
    return entries;
}

} // namespace

class TestTourneySettingsBinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsComeFromTheSettings();
    void restoredSettingsAreShownWithoutBeingWrittenBack_data();
    void restoredSettingsAreShownWithoutBeingWrittenBack();
    void textsAreStoredOnEveryKeystroke();
    void choicesAreStoredInTheirRow_data();
    void choicesAreStoredInTheirRow();
    void allRowFillsEveryRound_data();
    void allRowFillsEveryRound();
    void choosingSkinsRelabelsAndEmptiesTheHoles();
    void choosingTheLadderSelectsIt();

private:
    QString freshPath(const QString &name) const { return m_files.freshPath(name); }
    ScratchFolder m_files;
};

void TestTourneySettingsBinder::listsComeFromTheSettings()
{
    Fixture f(freshPath(u"lists.ini"_s));
    f.bind();
    f.settings.restore();
    QCOMPARE(entriesOf(f.tab.detailChoice(0)), QStringList({u"Alpha"_s, u"Beta"_s}));
    QCOMPARE(entriesOf(f.tab.detailChoice(1)), f.settings.detailChoices(1));
    QCOMPARE(entriesOf(f.tab.typeChoice()), QStringList({u"Stroke"_s, u"Skins"_s}));
    QCOMPARE(f.tab.typeChoice()->currentText(), u"Stroke"_s);
    QCOMPARE(f.tab.holesCaption(), u"Holes"_s);
    for (int row = 0; row <= TourneySettingsTab::AllRoundsRow; ++row) {
        const QStringList courses = entriesOf(f.tab.courseChoice(row));
        QCOMPARE(courses.size(), 25);
        QCOMPARE(courses.first(), u"No Setting"_s);
        QCOMPARE(courses.at(10), u" M Woodland Ridge"_s);
        QCOMPARE(entriesOf(f.tab.levelChoice(row)).size(), 12);
        // Only the type's own list, each number once.
        const QStringList holes = entriesOf(f.tab.holesChoice(row));
        QCOMPARE(holes.size(), 18);
        QCOMPARE(holes.first(), u"1"_s);
        QCOMPARE(f.tab.courseChoice(row)->currentIndex(), -1);
    }
}

void TestTourneySettingsBinder::restoredSettingsAreShownWithoutBeingWrittenBack_data()
{
    QTest::addColumn<bool>("bindBeforeRestore");
    QTest::newRow("bound, then restored") << true;
    QTest::newRow("restored, then bound") << false;
}

void TestTourneySettingsBinder::restoredSettingsAreShownWithoutBeingWrittenBack()
{
    QFETCH(bool, bindBeforeRestore);
    const QString path = freshPath(u"restored.ini"_s);
    storeTournament(path);
    Fixture f(path);
    if (bindBeforeRestore)
        f.bind();
    f.settings.restore();
    // The settings rewrite the type they settled on; the view must write nothing more.
    QCOMPARE(f.stored(u"cType"_s), u"Skins"_s);
    QVERIFY(QFile::remove(path));
    if (!bindBeforeRestore)
        f.bind();

    QCOMPARE(f.tab.detailChoice(0)->currentText(), u"Beta"_s);
    QCOMPARE(f.tab.detailChoice(1)->currentText(), u"2 vs 2"_s);
    QCOMPARE(f.tab.detailChoice(2)->currentText(), u"Double Elimination"_s);
    QCOMPARE(f.tab.detailText(0)->text(), u"4711"_s);
    QCOMPARE(f.tab.detailText(1)->text(), u"8 PM"_s);
    QVERIFY(f.tab.detailText(2)->text().isEmpty());
    QCOMPARE(f.tab.ruleText(4)->text(), u"No mulligans"_s);
    QCOMPARE(f.tab.courseChoice(0)->currentText(), u" M Woodland Ridge"_s);
    QCOMPARE(f.tab.courseChoice(7)->currentText(), u"Buckgate Woods"_s);
    QCOMPARE(f.tab.courseChoice(1)->currentIndex(), -1);
    QCOMPARE(f.tab.levelChoice(1)->currentText(), u"3+"_s);
    QCOMPARE(f.tab.typeChoice()->currentText(), u"Skins"_s);
    QCOMPARE(f.tab.holesCaption(), u"Amount"_s);
    QCOMPARE(entriesOf(f.tab.holesChoice(0)).size(), 10);
    QCOMPARE(f.tab.holesChoice(0)->currentText(), u"$20,000"_s);
    QCOMPARE(f.tab.holesChoice(1)->currentText(), u"$50,000"_s);
    QCOMPARE(f.tab.holesChoice(TourneySettingsTab::AllRoundsRow)->currentIndex(), -1);
    QVERIFY(!QFile::exists(path));
}

void TestTourneySettingsBinder::textsAreStoredOnEveryKeystroke()
{
    Fixture f(freshPath(u"texts.ini"_s));
    f.bind();
    QTest::keyClick(f.tab.detailText(0), '4');
    QCOMPARE(f.stored(u"tDetails 1"_s), u"4"_s);
    QTest::keyClick(f.tab.detailText(0), '2');
    QCOMPARE(f.stored(u"tDetails 1"_s), u"42"_s);
    QCOMPARE(f.settings.jumpNumber(), u"42"_s);
    QTest::keyClicks(f.tab.detailText(3), u"$5"_s);
    QCOMPARE(f.stored(u"tDetails 4"_s), u"$5"_s);
    QTest::keyClicks(f.tab.ruleText(0), u"Be nice"_s);
    QCOMPARE(f.stored(u"cRules 1"_s), u"Be nice"_s);
    QTest::keyClick(f.tab.ruleText(0), Qt::Key_Backspace);
    QCOMPARE(f.stored(u"cRules 1"_s), u"Be nic"_s);
    QCOMPARE(f.tab.ruleText(0)->cursorPosition(), 6);
}

void TestTourneySettingsBinder::choicesAreStoredInTheirRow_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("valueName");
    QTest::newRow("course R1") << u"course"_s << 0 << u"Pine Creek"_s << u"cCourse 1"_s;
    QTest::newRow("course LB") << u"course"_s << 7 << u" M Woodland Ridge"_s << u"cCourse 8"_s;
    QTest::newRow("level WF") << u"level"_s << 6 << u"6+"_s << u"cLevel 7"_s;
    QTest::newRow("holes R3") << u"holes"_s << 2 << u"18"_s << u"cHoles 3"_s;
    QTest::newRow("format") << u"detail"_s << 1 << u"3 vs 3"_s << u"cDetails 2"_s;
    QTest::newRow("elimination") << u"detail"_s << 2 << u"Single Elimination"_s << u"cDetails 3"_s;
}

void TestTourneySettingsBinder::choicesAreStoredInTheirRow()
{
    QFETCH(QString, column);
    QFETCH(int, row);
    QFETCH(QString, entry);
    QFETCH(QString, valueName);
    Fixture f(freshPath(u"choices.ini"_s));
    f.bind();
    f.settings.restore();
    QComboBox *box = column == u"course"_s ? f.tab.courseChoice(row)
        : column == u"level"_s             ? f.tab.levelChoice(row)
        : column == u"holes"_s             ? f.tab.holesChoice(row)
                                           : f.tab.detailChoice(row);
    chooseEntry(*box, entry);
    QCOMPARE(f.stored(valueName), entry);
    QCOMPARE(box->currentText(), entry);
}

void TestTourneySettingsBinder::allRowFillsEveryRound_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("entry");
    QTest::newRow("course") << u"cCourse"_s << u"Pine Creek"_s;
    QTest::newRow("level") << u"cLevel"_s << u"4+"_s;
    QTest::newRow("holes") << u"cHoles"_s << u"9"_s;
}

void TestTourneySettingsBinder::allRowFillsEveryRound()
{
    QFETCH(QString, column);
    QFETCH(QString, entry);
    Fixture f(freshPath(u"all.ini"_s));
    f.bind();
    f.settings.restore();
    const auto boxOf = [&](int row) {
        return column == u"cCourse"_s ? f.tab.courseChoice(row)
            : column == u"cLevel"_s   ? f.tab.levelChoice(row)
                                      : f.tab.holesChoice(row);
    };
    const int all = TourneySettingsTab::AllRoundsRow;
    chooseEntry(*boxOf(all), entry);
    for (int row = 0; row < TourneySettingsTab::RoundCount; ++row) {
        QCOMPARE(boxOf(row)->currentText(), entry);
        QCOMPARE(f.stored(column + u' ' + QString::number(row + 1)), entry);
    }
    QVERIFY(f.stored(column + u" 9"_s).isEmpty());

    // One round changed, then the same "ALL" entry chosen again: every round follows again.
    const QString other = boxOf(0)->itemText(boxOf(0)->currentIndex() == 0 ? 1 : 0);
    chooseEntry(*boxOf(0), other);
    QCOMPARE(f.stored(column + u" 1"_s), other);
    chooseEntry(*boxOf(all), entry);
    QCOMPARE(boxOf(0)->currentText(), entry);
    QCOMPARE(f.stored(column + u" 1"_s), entry);
}

void TestTourneySettingsBinder::choosingSkinsRelabelsAndEmptiesTheHoles()
{
    Fixture f(freshPath(u"skins.ini"_s));
    f.bind();
    f.settings.restore();
    chooseEntry(*f.tab.holesChoice(0), u"18"_s);
    QCOMPARE(f.stored(u"cHoles 1"_s), u"18"_s);

    chooseEntry(*f.tab.typeChoice(), u"Skins"_s);
    QCOMPARE(f.tab.holesCaption(), u"Amount"_s);
    QCOMPARE(f.stored(u"cType"_s), u"Skins"_s);
    for (int row = 0; row <= TourneySettingsTab::AllRoundsRow; ++row) {
        const QStringList amounts = entriesOf(f.tab.holesChoice(row));
        QCOMPARE(amounts.size(), 10);
        QCOMPARE(amounts.first(), u"$5,000"_s);
        QCOMPARE(amounts.last(), u"$50,000"_s);
        QCOMPARE(f.tab.holesChoice(row)->currentIndex(), -1);
    }
    for (int round = 1; round <= TourneySettingsTab::RoundCount; ++round) {
        const QString name = u"cHoles "_s + QString::number(round);
        QVERIFY2(f.stored(name).isEmpty(), qPrintable(name));
    }

    chooseEntry(*f.tab.holesChoice(3), u"$15,000"_s);
    QCOMPARE(f.stored(u"cHoles 4"_s), u"$15,000"_s);
    chooseEntry(*f.tab.typeChoice(), u"Stroke"_s);
    QCOMPARE(f.tab.holesCaption(), u"Holes"_s);
    QCOMPARE(entriesOf(f.tab.holesChoice(3)).size(), 18);
}

void TestTourneySettingsBinder::choosingTheLadderSelectsIt()
{
    Fixture f(freshPath(u"ladder.ini"_s));
    f.bind();
    f.settings.restore();
    chooseEntry(*f.tab.detailChoice(0), u"Beta"_s);
    QCOMPARE(f.settings.selectedLadder(), 1);
    QCOMPARE(f.stored(u"cDetails 1"_s), u"Beta"_s);
    chooseEntry(*f.tab.detailChoice(2), u"Double Elimination"_s);
    QCOMPARE(f.settings.selectedLadder(), 1);
}

QTEST_MAIN(TestTourneySettingsBinder)
#include "tst_TourneySettingsBinder.moc"
