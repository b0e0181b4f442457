#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostCore.h"
#include "host/HostParts.h"
#include "host/SettingCommands.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"
#include "tournament/CourseTable.h"
#include "tournament/TournamentSettings.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(const StoredValue *)

namespace {

// A host over a settings file in a temporary folder, started (ladders loaded, settings
// restored). The league addresses point at a closed loopback port, so nothing leaves the machine.
std::unique_ptr<HostCore> startedHost(const QTemporaryDir &dir)
{
    QFile ladders(dir.filePath(u"ladders.ini"_s));
    if (!ladders.exists() && ladders.open(QIODevice::WriteOnly))
        ladders.write("Alpha|alp|3\r\nBeta|bet|5\r\n");
    ladders.close();
    HostOptions options;
    options.dataDir = dir.path();
    options.settingsFile = dir.filePath(u"settings.ini"_s);
    options.leagueUrl = QUrl(u"http://127.0.0.1:1"_s);
    options.tourneyUrl = options.leagueUrl;
    options.rankUrl = options.leagueUrl;
    auto core = std::make_unique<HostCore>(options);
    if (!core->start())
        return nullptr;
    return core;
}

SettingsStore::Values fileValues(const QTemporaryDir &dir)
{
    QFile file(dir.filePath(u"settings.ini"_s));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return SettingsStore::parse(file.readAll());
}

bool isFont(const StoredValue &value)
{
    using namespace StoredValues;
    return &value == &FontNames || &value == &FontBold || &value == &FontItalic
        || &value == &FontSizes;
}

// A value other than the default that its control could hold, in the stored form.
QString sampleFor(const StoredValue &value, int index)
{
    using namespace StoredValues;
    if (&value == &Server)
        return u"ViraruRor"_s;
    if (&value == &Details)
        return QStringList{u"Beta"_s, u"2 vs 2"_s, u"Double Elimination"_s}.value(index);
    if (&value == &Type)
        return u"Skins"_s;
    if (&value == &Courses)
        return CourseTable::courseChoices().constLast();
    if (&value == &Levels)
        return CourseTable::levelChoices().constLast();
    if (&value == &Holes)
        return CourseTable::holesChoices(u"Stroke").constLast();
    if (&value == &FontNames)
        return u"Courier New"_s;
    if (&value == &FontSizes)
        return u"9.75"_s;
    switch (value.encoding) {
    case ValueEncoding::CheckValue:
        return value.defaultText(index) == u"1"_s ? u"0"_s : u"1"_s; // an option that starts on
    case ValueEncoding::Colour:
        return u"1193046"_s; // 0x123456
    case ValueEncoding::Flag:
        return u"True"_s;
    case ValueEncoding::Port:
        return u"8088"_s;
    case ValueEncoding::Size:
    case ValueEncoding::Text:
        break;
    }
    // Windows-1252 beyond ASCII, a blank at the start and an equals sign.
    return (u" Caf\u00e9=%1"_s.arg(index)).left(value.maxLength > 0 ? value.maxLength : 100);
}

// Sets the value as a front end would: by name when it can be set so, with the font picker for
// the fonts, and straight into the store for the values only the program's options write.
void put(HostCore &core, const StoredValue &value, int index, const QString &text)
{
    if (value.settable) {
        QString reason;
        QVERIFY2(
            core.settings().setStoredValue(value.name(index), text, &reason), qPrintable(reason));
        return;
    }
    if (isFont(value)) {
        ChatFont font{u"Arial"_s, false, false, 12};
        if (&value == &StoredValues::FontNames)
            font.name = text;
        else if (&value == &StoredValues::FontBold)
            font.bold = ValueCodec::parseFlag(text).value_or(false);
        else if (&value == &StoredValues::FontItalic)
            font.italic = ValueCodec::parseFlag(text).value_or(false);
        else
            font.size = ValueCodec::parseSize(text).value_or(0);
        core.settings().chooseFont(index, font);
        return;
    }
    value.write(core.parts().store, text, index);
}

void addEveryValueName()
{
    QTest::addColumn<const StoredValue *>("value");
    QTest::addColumn<int>("index");
    for (const StoredValue *value : StoredValues::all()) {
        for (int index = 0; index < value->count(); ++index)
            QTest::newRow(qPrintable(value->name(index))) << value << index;
    }
}

} // namespace

class TestStoredValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesAreUniqueAndMatchTheModels();
    void everyValueRoundTripsThroughTheFile_data() { addEveryValueName(); }
    void everyValueRoundTripsThroughTheFile();
    void absentValuesReadAsTheirDefaults();
    void longTextIsCutToItsLimit_data();
    void longTextIsCutToItsLimit();
    void valuesOutsideTheEncodingAreRefused_data();
    void valuesOutsideTheEncodingAreRefused();
    void onlySettableNamesCanBeSet();
    void anExistingFileLoadsUnchanged();
};

void TestStoredValues::namesAreUniqueAndMatchTheModels()
{
    QSet<QString> names;
    int count = 0;
    for (const StoredValue *value : StoredValues::all()) {
        QVERIFY(value->defaults.size() == 1 || value->defaults.size() == value->count());
        for (const QString &name : value->names) {
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            ++count;
        }
    }
    QCOMPARE(count, 91);
    // The rows are as long as the controls they stand for.
    QCOMPARE(StoredValues::Options.count(), int(ChatOptions::OptionCount));
    QCOMPARE(StoredValues::Logs.count(), int(ChatOptions::LogOptionCount));
    QCOMPARE(StoredValues::Colours.count(), int(ChatStyles::ColourSlotCount));
    QCOMPARE(StoredValues::FontSizes.count(), int(ChatStyles::FontSlotCount));
    QCOMPARE(StoredValues::Details.count(), TournamentSettings::DetailCount);
    QCOMPARE(StoredValues::DetailTexts.count(), TournamentSettings::DetailTextCount);
    QCOMPARE(StoredValues::Rules.count(), TournamentSettings::RuleCount);
    QCOMPARE(StoredValues::Holes.count(), CourseTable::RoundCount);
    // /set knows every settable name and nothing else; its longest match splits the line.
    const QStringList known = SettingCommands::knownNames();
    for (const StoredValue *value : StoredValues::all()) {
        for (const QString &name : value->names)
            QCOMPARE(known.contains(name), value->settable);
    }
    const auto split = SettingCommands::split(u"cOptions 1 1"_s);
    QVERIFY(split);
    QCOMPARE(split->first, u"cOptions 1"_s);
    QCOMPARE(split->second, u"1"_s);
}

void TestStoredValues::everyValueRoundTripsThroughTheFile()
{
    QFETCH(const StoredValue *, value);
    QFETCH(int, index);
    const QString name = value->name(index);
    const QString sample = sampleFor(*value, index);
    QVERIFY(sample != value->defaultText(index));

    QTemporaryDir dir;
    {
        const auto core = startedHost(dir);
        QVERIFY(core);
        put(*core, *value, index, sample);
        // A skins type is only kept when the first round holds an amount.
        if (value == &StoredValues::Type)
            put(*core, StoredValues::Holes, 0, CourseTable::holesChoices(u"Skins").constFirst());
        QCOMPARE(core->settings().storedValue(name), sample);
    }
    QCOMPARE(fileValues(dir).value(value->keyPath).value(name), sample);

    const auto reloaded = startedHost(dir);
    QVERIFY(reloaded);
    QCOMPARE(reloaded->settings().storedValue(name), sample);
    QCOMPARE(fileValues(dir).value(value->keyPath).value(name), sample);
}

void TestStoredValues::absentValuesReadAsTheirDefaults()
{
    QTemporaryDir dir;
    const auto core = startedHost(dir);
    QVERIFY(core);
    for (const StoredValue *value : StoredValues::all()) {
        for (int index = 0; index < value->count(); ++index)
            QCOMPARE(core->settings().storedValue(value->name(index)), value->defaultText(index));
    }
}

void TestStoredValues::longTextIsCutToItsLimit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("limit");
    QTest::newRow("player name") << u"pName"_s << 20;
    QTest::newRow("room name") << u"cName"_s << 18;
    QTest::newRow("password") << u"cPass"_s << 20;
}

void TestStoredValues::longTextIsCutToItsLimit()
{
    QFETCH(QString, name);
    QFETCH(int, limit);
    QTemporaryDir dir;
    {
        const auto core = startedHost(dir);
        QVERIFY(core);
        const QString text = u"abcdefghijklmnopqrstuvwxyz"_s;
        QVERIFY(core->settings().setStoredValue(name, text));
        QCOMPARE(core->settings().storedValue(name), text.left(limit));
        QCOMPARE(fileValues(dir).value(SettingsKeys::Root).value(name), text.left(limit));
        // Exactly at the limit nothing is lost.
        QVERIFY(core->settings().setStoredValue(name, text.left(limit)));
        QCOMPARE(core->settings().storedValue(name), text.left(limit));
    }
    // A longer value written into the file by hand is cut when it is read.
    SettingsStore store(dir.filePath(u"settings.ini"_s));
    store.writeRegValue(SettingsKeys::Root, name, u"0123456789012345678901234"_s);
    const auto reloaded = startedHost(dir);
    QVERIFY(reloaded);
    QCOMPARE(reloaded->settings().storedValue(name).size(), limit);
}

void TestStoredValues::valuesOutsideTheEncodingAreRefused_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");
    // Every settable value of an encoding refuses what lies outside it.
    const auto everyName = [](ValueEncoding encoding) {
        QStringList names;
        for (const StoredValue *value : StoredValues::all()) {
            if (value->settable && value->encoding == encoding)
                names += value->names;
        }
        return names;
    };
    QTest::newRow("check values") << everyName(ValueEncoding::CheckValue)
                                  << QStringList{u"2"_s, u"-1"_s, u"on"_s};
    QTest::newRow("colours") << everyName(ValueEncoding::Colour)
                             << QStringList{u"16777216"_s, u"-1"_s, u"red"_s};
    QTest::newRow("ports") << everyName(ValueEncoding::Port)
                           << QStringList{u"0"_s, u"65536"_s, u"http"_s};
    // And the tournament's choices refuse what is not among them.
    QTest::newRow("course not in the list")
        << QStringList{u"cCourse 1"_s} << QStringList{u"Nowhere Links"_s};
    QTest::newRow("skins amount under stroke")
        << QStringList{u"cHoles 2"_s} << QStringList{u"$5,000"_s};
    QTest::newRow("unknown type or server")
        << QStringList{u"cType"_s, u"cServer"_s} << QStringList{u"Match"_s, u"Elsewhere"_s};
}

void TestStoredValues::valuesOutsideTheEncodingAreRefused()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts);
    QVERIFY(!names.isEmpty());
    QTemporaryDir dir;
    const auto core = startedHost(dir);
    QVERIFY(core);
    const SettingsStore::Values fileBefore = fileValues(dir);
    for (const QString &name : std::as_const(names)) {
        const QString before = core->settings().storedValue(name);
        for (const QString &text : std::as_const(texts)) {
            QString reason;
            QVERIFY2(!core->settings().setStoredValue(name, text, &reason),
                qPrintable(name + u' ' + text));
            QVERIFY2(reason.contains(name) && reason.contains(text), qPrintable(reason));
            QCOMPARE(core->settings().storedValue(name), before);
        }
    }
    QCOMPARE(fileValues(dir), fileBefore);
}

void TestStoredValues::onlySettableNamesCanBeSet()
{
    QTemporaryDir dir;
    const auto core = startedHost(dir);
    QVERIFY(core);
    // The panel's password record must never be replaced by plain text from the panel itself.
    for (const QString &name : {u"panelPassword"_s, u"panelPort"_s, u"pFontBold"_s, u"cCourse 9"_s,
             u"cOptions 6"_s, u"nothing"_s}) {
        QString reason;
        QVERIFY2(!core->settings().setStoredValue(name, u"1"_s, &reason), qPrintable(name));
        QCOMPARE(reason, u"unknown setting "_s + name);
    }
    QVERIFY(fileValues(dir).value(SettingsKeys::Panel).isEmpty());
    // The "ALL" row of a round column fills the eight rounds, and only those.
    const QString course = CourseTable::courseChoices().constLast();
    QVERIFY(core->settings().chooseForEveryRound(StoredValues::Courses, course));
    const auto root = fileValues(dir).value(SettingsKeys::Root);
    for (int round = 1; round <= 8; ++round)
        QCOMPARE(root.value(u"cCourse %1"_s.arg(round)), course);
    QVERIFY(!root.contains(u"cCourse 9"_s));
    QVERIFY(!core->settings().chooseForEveryRound(StoredValues::Rules, u"x"_s));
}

void TestStoredValues::anExistingFileLoadsUnchanged()
{
    QTemporaryDir dir;
    const QByteArray text = "[SOFTWARE\\TavixChat]\r\ncCourse 1= M Woodland Ridge\r\n"
                            "cLocked=1\r\ncName=Caf\xe9 Cup\r\ncType=Stroke\r\n\r\n"
                            "[SOFTWARE\\TavixChat\\Colors]\r\nsColor=65280\r\n\r\n"
                            "[SOFTWARE\\TavixChat\\Fonts]\r\nsFont=Tahoma\r\nsFontBold=True\r\n"
                            "sFontItalic=False\r\nsFontSize=9.75\r\n\r\n"
                            "[SOFTWARE\\TavixChat\\Options]\r\ncLogs 0=1\r\ncOptions 1=1\r\n\r\n";
    {
        QFile file(dir.filePath(u"settings.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    const auto core = startedHost(dir);
    QVERIFY(core);
    QCOMPARE(core->settings().storedValue(u"cName"_s), u"Caf\u00e9 Cup"_s);
    QCOMPARE(core->settings().storedValue(u"cCourse 1"_s), u" M Woodland Ridge"_s);
    QCOMPARE(core->settings().storedValue(u"cLocked"_s), u"1"_s);
    QCOMPARE(core->settings().storedValue(u"sColor"_s), u"65280"_s);
    QCOMPARE(core->settings().storedValue(u"sFontSize"_s), u"9.75"_s);
    QCOMPARE(core->settings().storedValue(u"sFontBold"_s), u"True"_s);
    QCOMPARE(core->settings().storedValue(u"cLogs 0"_s), u"1"_s);
    QCOMPARE(core->settings().storedValue(u"cOptions 1"_s), u"1"_s);

    // Start-up wrote back only what it had read: the file still holds the same bytes.
    QFile file(dir.filePath(u"settings.ini"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), text);
}

QTEST_GUILESS_MAIN(TestStoredValues)
#include "tst_StoredValues.moc"
