#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesSurviveARestart_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << u"Pine Creek"_s;
        QTest::newRow("leading blank") << u" M Woodland Ridge"_s;
        QTest::newRow("equals and backslash") << u"a=b\\c\\\\d=\\"_s;
        QTest::newRow("line breaks") << u"line1\r\nline2\n"_s;
        QTest::newRow("windows-1252") << u"\u20AC5,000 caf\u00E9"_s;
        QTest::newRow("brackets") << u"[not a section]"_s;
        QTest::newRow("empty") << QString();
    }
    void valuesSurviveARestart()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settings.ini"_s);
        {
            SettingsStore store(path);
            store.writeRegValue(SettingsKeys::Root, u"cCourse 1"_s, value);
            store.writeRegValue(SettingsKeys::Fonts, u"sFontSize"_s, u"9.75"_s);
        }
        SettingsStore reopened(path);
        QCOMPARE(reopened.readRegValue(SettingsKeys::Root, u"cCourse 1"_s), value);
        QCOMPARE(reopened.readRegValue(SettingsKeys::Fonts, u"sFontSize"_s), u"9.75"_s);
    }

    void everyStoredValueSurvivesARestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settings.ini"_s);
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
