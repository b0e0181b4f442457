#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <QSettings>
#include <QUuid>
#endif

using namespace Qt::StringLiterals;

namespace {

struct FileValue
{
    QString key;
    QString name;
    QString text;
};

// Every value the program stores, each with a text that is hard on the file format.
QList<FileValue> everyStoredValue()
{
    const QStringList awkward = {u" leading blank"_s, u"a=b"_s, u"=starts with equals"_s,
        u"back\\slash\\"_s, u"trailing blank "_s, u";not a comment"_s, u"[not a section]"_s,
        u"\\n is not a line break"_s};
    QList<FileValue> values;
    for (const ::StoredValue *declared : StoredValues::all()) {
        for (const QString &name : declared->names) {
            values.append(
                {declared->keyPath, name, u"typical"_s + awkward[values.size() % awkward.size()]});
        }
    }
    return values;
}

// Where a test's store keeps its values: a file in a temporary folder or, on Windows, a key of its
// own below HKEY_CURRENT_USER, laid out as the operator's settings are and removed afterwards.
class StoreLocation
{
public:
    explicit StoreLocation(bool registry)
    {
#ifdef Q_OS_WIN
        if (registry) {
            m_key = QUuid::createUuid().toString(QUuid::WithoutBraces);
            m_location = TestsKey + u'\\' + m_key;
            return;
        }
#endif
        Q_UNUSED(registry);
        m_location = m_dir.filePath(u"settings.ini"_s);
    }
    ~StoreLocation()
    {
#ifdef Q_OS_WIN
        if (!m_key.isEmpty())
            QSettings(TestsKey, QSettings::NativeFormat).remove(m_key);
#endif
    }
    StoreLocation(const StoreLocation &) = delete;
    StoreLocation &operator=(const StoreLocation &) = delete;

    QString location() const
    {
        return m_location;
    }

#ifdef Q_OS_WIN
    // Writes REG_SZ values below the location, as another program would ("Options/cLogs 0" is
    // the value cLogs 0 of the subkey Options).
    void writeBelow(const QString &keyPath, const QList<std::pair<QString, QString>> &values) const
    {
        QSettings key(m_location + u'\\' + keyPath, QSettings::NativeFormat);
        for (const auto &[name, text] : values)
            key.setValue(name, text);
    }
#endif

private:
#ifdef Q_OS_WIN
    inline static const QString TestsKey = u"HKEY_CURRENT_USER\\Software\\Vornic Host Tests"_s;
    QString m_key;
#endif
    QTemporaryDir m_dir;
    QString m_location;
};

// Both stores where there are two: every round trip runs against each.
void addStoreRows()
{
    QTest::addColumn<bool>("registry");
    QTest::newRow("file") << false;
#ifdef Q_OS_WIN
    QTest::newRow("registry") << true;
#endif
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesSurviveARestart_data()
    {
        QTest::addColumn<bool>("registry");
        QTest::addColumn<QString>("value");
        const QList<std::pair<const char *, QString>> values = {
            {"plain", u"Pine Creek"_s},
            {"leading blank", u" M Woodland Ridge"_s},
            {"equals and backslash", u"a=b\\c\\\\d=\\"_s},
            {"line breaks", u"line1\r\nline2\n"_s},
            {"windows-1252", u"\u20AC5,000 caf\u00E9"_s},
            {"brackets", u"[not a section]"_s},
            {"empty", QString()},
        };
        for (const bool registry : {false, true}) {
#ifndef Q_OS_WIN
            if (registry)
                continue;
#endif
            for (const auto &[name, value] : values) {
                QTest::addRow("%s, %s", registry ? "registry" : "file", name) << registry << value;
            }
        }
    }
    void valuesSurviveARestart()
    {
        QFETCH(bool, registry);
        QFETCH(QString, value);
        const StoreLocation where(registry);
        const QString path = where.location();
        {
            SettingsStore store(path);
            store.writeRegValue(SettingsKeys::Root, u"cCourse 1"_s, value);
            store.writeRegValue(SettingsKeys::Fonts, u"sFontSize"_s, u"9.75"_s);
        }
        SettingsStore reopened(path);
        QCOMPARE(reopened.readRegValue(SettingsKeys::Root, u"cCourse 1"_s), value);
        QCOMPARE(reopened.readRegValue(SettingsKeys::Fonts, u"sFontSize"_s), u"9.75"_s);
    }

    void everyStoredValueSurvivesARestart_data()
    {
        addStoreRows();
    }
    void everyStoredValueSurvivesARestart()
    {
        QFETCH(bool, registry);
        const StoreLocation where(registry);
        const QString path = where.location();
        const QList<FileValue> values = everyStoredValue();
        {
            SettingsStore store(path);
            for (const FileValue &v : values)
                store.writeRegValue(v.key, v.name, v.text);
        }
        SettingsStore reopened(path);
        QCOMPARE(reopened.loadProblem(), QString());
        for (const FileValue &v : values)
            QCOMPARE(reopened.readRegValue(v.key, v.name), v.text);
        // Names are not shared between keys.
        QCOMPARE(reopened.readRegValue(SettingsKeys::Options, u"pName"_s), QString());
    }

    void loadProblemIsKeptForLater_data()
    {
        QTest::addColumn<bool>("pathIsAFolder");
        QTest::newRow("damaged file") << false;
        QTest::newRow("unreadable file") << true;
    }
    void loadProblemIsKeptForLater()
    {
        QFETCH(bool, pathIsAFolder);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settings.ini"_s);
        if (pathIsAFolder) {
            QVERIFY(QDir(dir.path()).mkdir(u"settings.ini"_s));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[SOFTWARE\\TavixChat]\r\npName=Ann\r\nbroken line\r\n");
        }
        SettingsStore store(path);
        QVERIFY(store.loadProblem().contains(QDir::toNativeSeparators(path)));
        if (!pathIsAFolder)
            QCOMPARE(store.readRegValue(SettingsKeys::Root, u"pName"_s), u"Ann"_s);
    }

    void unreadableFileIsNeverOverwritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settings.ini"_s);
        QVERIFY(QDir(dir.path()).mkpath(u"settings.ini/inside"_s));
        SettingsStore store(path);
        QSignalSpy problems(&store, &SettingsStore::problem);
        store.writeRegValue(SettingsKeys::Root, u"pName"_s, u"Ann"_s);
        // The change lives for this run, and the folder the file name points at is left alone.
        QCOMPARE(store.readRegValue(SettingsKeys::Root, u"pName"_s), u"Ann"_s);
        QVERIFY(QDir(path).exists(u"inside"_s));
        QCOMPARE(problems.count(), 0);
    }

    void saveProblemIsSaidOnceUntilASaveSucceeds()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(u"blocked"_s);
        const QString path = blocker + u"/settings.ini"_s;
        const auto block = [&] {
            QFile file(blocker);
            return file.open(QIODevice::WriteOnly);
        };
        QVERIFY(block());
        SettingsStore store(path);
        QSignalSpy problems(&store, &SettingsStore::problem);
        store.writeRegValue(SettingsKeys::Root, u"cName"_s, u"R"_s);
        store.writeRegValue(SettingsKeys::Root, u"cName"_s, u"Ro"_s);
        QCOMPARE(problems.count(), 1);

        // The same text again once the disk is back must still reach the file.
        QVERIFY(QFile::remove(blocker));
        store.writeRegValue(SettingsKeys::Root, u"cName"_s, u"Ro"_s);
        QCOMPARE(SettingsStore(path).readRegValue(SettingsKeys::Root, u"cName"_s), u"Ro"_s);

        QVERIFY(QDir(blocker).removeRecursively());
        QVERIFY(block());
        store.writeRegValue(SettingsKeys::Root, u"cName"_s, u"Roo"_s);
        QCOMPARE(problems.count(), 2);
    }

    void absentAndEmptyReadAlike()
    {
        SettingsStore store;
        QCOMPARE(store.readRegValue(SettingsKeys::Root, u"pName"_s), QString());
        store.writeRegValue(SettingsKeys::Root, u"pName"_s, QString());
        QCOMPARE(store.readRegValue(SettingsKeys::Root, u"pName"_s), QString());
    }

    void valueIsCutAtAZeroCharacter()
    {
        SettingsStore store;
        store.writeRegValue(SettingsKeys::Root, u"cName"_s, u"ab\u0000cd"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Root, u"cName"_s), u"ab"_s);
    }

    // Another program (the panel password tool) writes the file while this one runs: its
    // changes are taken in, and a later save here keeps them.
    void changesMadeElsewhereAreKept_data()
    {
        QTest::addColumn<bool>("seenFirst");
        QTest::newRow("seen as the file changes") << true;
        QTest::newRow("taken in by the next save") << false;
    }

    void changesMadeElsewhereAreKept()
    {
        QFETCH(bool, seenFirst);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settings.ini"_s);
        SettingsStore running(path);
        running.writeRegValue(SettingsKeys::Root, u"pName"_s, u"Ann"_s);
        running.writeRegValue(SettingsKeys::Root, u"cWelcomeMsg"_s, u"Hi"_s);
        QSignalSpy told(&running, &SettingsStore::changedElsewhere);
        {
            SettingsStore other(path);
            other.writeRegValue(SettingsKeys::Root, u"cName"_s, u"Other room"_s);
            other.writeRegValue(SettingsKeys::Root, u"pName"_s, u"Bob"_s);
            other.replaceKey(SettingsKeys::Bans, {{u"127.0.0.9"_s, u"0"_s}});
        }
        if (seenFirst) {
            QTRY_COMPARE_WITH_TIMEOUT(told.size(), 3, 10000);
            QCOMPARE(running.readRegValue(SettingsKeys::Root, u"cName"_s), u"Other room"_s);
            QStringList names;
            for (const QList<QVariant> &signal : std::as_const(told))
                names << signal.at(1).toString();
            names.sort();
            QCOMPARE(names, (QStringList{u"127.0.0.9"_s, u"cName"_s, u"pName"_s}));
        }
        // The same value changed in both: the change made here, the newer one, wins.
        running.writeRegValue(SettingsKeys::Root, u"pName"_s, u"Cid"_s);

        const SettingsStore reread(path);
        QCOMPARE(reread.readRegValue(SettingsKeys::Root, u"cName"_s), u"Other room"_s);
        QCOMPARE(reread.readRegValue(SettingsKeys::Root, u"pName"_s), u"Cid"_s);
        QCOMPARE(reread.readRegValue(SettingsKeys::Root, u"cWelcomeMsg"_s), u"Hi"_s);
        QCOMPARE(reread.valueNames(SettingsKeys::Bans), QStringList{u"127.0.0.9"_s});
        QCOMPARE(running.readRegValue(SettingsKeys::Root, u"cName"_s), u"Other room"_s);
    }

#ifdef Q_OS_WIN
    // The first start takes over what the old program left, as it saw it; later starts, or a
    // user who has settings of their own already, take nothing.
    void takesOverAnEarlierInstallationOnce_data()
    {
        QTest::addColumn<bool>("ownSettingsFirst");
        QTest::newRow("first start") << false;
        QTest::newRow("settings of their own") << true;
    }
    void takesOverAnEarlierInstallationOnce()
    {
        QFETCH(bool, ownSettingsFirst);
        const StoreLocation where(true);
        const QString virtualStore = u"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\"_s;
        where.writeBelow(u"Machine\\SOFTWARE\\WOW6432Node\\TavixChat"_s,
            {{u"pName"_s, u"Ann"_s}, {u"cName"_s, u"Old room"_s}, {u"Options/cLogs 0"_s, u"1"_s}});
        where.writeBelow(
            virtualStore + u"WOW6432Node\\TavixChat"_s, {{u"cName"_s, u"Virtual room"_s}});
        if (ownSettingsFirst)
            where.writeBelow(u"SOFTWARE\\TavixChat"_s, {{u"pName"_s, u"Zed"_s}});

        const SettingsStore first(where.location());
        QCOMPARE(first.tookOverEarlierInstallation(), !ownSettingsFirst);
        const QString name = first.readRegValue(SettingsKeys::Root, u"pName"_s);
        QCOMPARE(name, ownSettingsFirst ? u"Zed"_s : u"Ann"_s);
        QCOMPARE(first.readRegValue(SettingsKeys::Root, u"cName"_s),
            ownSettingsFirst ? QString() : u"Virtual room"_s);
        QCOMPARE(first.readRegValue(SettingsKeys::Options, u"cLogs 0"_s),
            ownSettingsFirst ? QString() : u"1"_s);

        const SettingsStore second(where.location());
        QVERIFY(!second.tookOverEarlierInstallation());
        QCOMPARE(second.readRegValue(SettingsKeys::Root, u"pName"_s), name);
    }
#endif

    void damagedFileKeepsGoodLinesAndSaysSoOnce()
    {
        const QByteArray text = "garbage before any section\r\n[SOFTWARE\\TavixChat]\r\n"
                                "pName=Ann\r\nno equals sign\r\n=no name\r\n";
        bool wellFormed = true;
        const auto values = SettingsStore::parse(text, &wellFormed);
        QVERIFY(!wellFormed);
        QCOMPARE(values.value(SettingsKeys::Root).value(u"pName"_s), u"Ann"_s);
        QCOMPARE(values.value(SettingsKeys::Root).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_SettingsStore.moc"
