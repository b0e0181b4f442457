#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
