#include "settings/EarlierInstallation.h"
#include "settings/SettingsKeys.h"

#include <QTest>

using namespace Qt::StringLiterals;
using EarlierInstallation::Root;

class TestEarlierInstallation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The old program's own view last: what it saw through the VirtualStore lies over the
    // machine's values, and its 32-bit key over the native one.
    void placesAreLaidOverInTheOldProgramsOrder()
    {
        const QList<EarlierInstallation::Place> places = EarlierInstallation::places();
        QCOMPARE(places.size(), 4);
        const QString virtualStore = u"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\"_s;
        const QList<std::pair<Root, QString>> expected = {
            {Root::LocalMachine, u"SOFTWARE\\TavixChat"_s},
            {Root::LocalMachine, u"SOFTWARE\\WOW6432Node\\TavixChat"_s},
            {Root::CurrentUser, virtualStore + u"TavixChat"_s},
            {Root::CurrentUser, virtualStore + u"WOW6432Node\\TavixChat"_s},
        };
        for (qsizetype i = 0; i < places.size(); ++i) {
            QCOMPARE(places[i].root, expected[i].first);
            QCOMPARE(places[i].keyPath, expected[i].second);
        }
    }

    // Tests must never read the real machine's keys, nor the user's own.
    void aTestPrefixKeepsEveryPlaceBelowIt()
    {
        const QString prefix = u"Software\\Tests\\run 1"_s;
        const QList<EarlierInstallation::Place> places = EarlierInstallation::places(prefix);
        QCOMPARE(places.size(), 4);
        for (const EarlierInstallation::Place &place : places) {
            QCOMPARE(place.root, Root::CurrentUser);
            QVERIFY2(place.keyPath.startsWith(prefix + u'\\'), qPrintable(place.keyPath));
        }
        QCOMPARE(places[0].keyPath, prefix + u"\\Machine\\SOFTWARE\\TavixChat"_s);
        QCOMPARE(places[1].keyPath, prefix + u"\\Machine\\SOFTWARE\\WOW6432Node\\TavixChat"_s);
        QCOMPARE(places[3].keyPath,
            prefix
                + u"\\Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\TavixChat"_s);
    }

    void laterPlacesWinValueByValue()
    {
        const QString root = SettingsKeys::Root;
        const QString options = SettingsKeys::Options;
        const SettingsStore::Values machine
            = {{root, {{u"pName"_s, u"Ann"_s}, {u"cName"_s, u"Old room"_s}}},
                {options, {{u"cLogs 0"_s, u"1"_s}}}};
        const SettingsStore::Values virtualised = {{root, {{u"cName"_s, u"New room"_s}}},
            {SettingsKeys::Colors, {{u"bColor"_s, u"255"_s}}}};
        const SettingsStore::Values values
            = EarlierInstallation::overlaid({machine, {}, virtualised, {}});
        const SettingsStore::Values expected = {
            {root, {{u"pName"_s, u"Ann"_s}, {u"cName"_s, u"New room"_s}}},
            {options, {{u"cLogs 0"_s, u"1"_s}}}, {SettingsKeys::Colors, {{u"bColor"_s, u"255"_s}}}};
        QCOMPARE(values, expected);
        // An empty value stored later still wins: the old program read it as empty too.
        const SettingsStore::Values cleared = {{root, {{u"pName"_s, QString()}}}};
        QCOMPARE(EarlierInstallation::overlaid({machine, cleared}).value(root).value(u"pName"_s),
            QString());
        QVERIFY(EarlierInstallation::overlaid({{}, {}, {}, {}}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEarlierInstallation)
#include "tst_EarlierInstallation.moc"
