#include "host/HostIdentity.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Setter = void (*)(HostIdentity &, const QString &);

QString stored(const SettingsStore &store, const QString &valueName)
{
    return store.readRegValue(SettingsKeys::Root, valueName);
}

} // namespace

Q_DECLARE_METATYPE(Setter)

class TestHostIdentity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartHasTheFirstServerAndNothingElse();
    void valuesSurviveARestart();
    void editsAreStoredUnderTheirNamesCutToTheirLimits_data();
    void editsAreStoredUnderTheirNamesCutToTheirLimits();
    void everyKeystrokeIsStored();
    void onlyOfferedServersAreChosen();
    void storedValuesAreTakenCarefully_data();
    void storedValuesAreTakenCarefully();
    void changeIsSignalledOnlyForNewValues();

private:
    QTemporaryDir m_dir;
};

void TestHostIdentity::firstStartHasTheFirstServerAndNothingElse()
{
    SettingsStore store(m_dir.filePath(u"first.ini"_s));
    HostIdentity identity(store);
    identity.restore();
    QCOMPARE(identity.server(), u"Glenmora Net"_s);
    QCOMPARE(HostIdentity::serverChoices(), QStringList({u"Glenmora Net"_s, u"ViraruRor"_s}));
    QVERIFY(identity.operatorName().isEmpty());
    QVERIFY(identity.roomName().isEmpty());
    QVERIFY(identity.password().isEmpty());
    QVERIFY(!identity.locked());
    QVERIFY(identity.welcomeMessage().isEmpty());
}

void TestHostIdentity::valuesSurviveARestart()
{
    const QString path = m_dir.filePath(u"restart.ini"_s);
    {
        SettingsStore store(path);
        HostIdentity identity(store);
        identity.chooseServer(u"ViraruRor"_s);
        identity.setOperatorName(u"Host"_s);
        identity.setRoomName(u"Sunday Cup"_s);
        identity.setPassword(u"p\u00e4ss"_s);
        identity.setLocked(true);
        identity.setWelcomeMessage(u"Welcome to the Sunday Cup!"_s);
    }
    SettingsStore store(path);
    HostIdentity identity(store);
    identity.restore();
    QCOMPARE(identity.server(), u"ViraruRor"_s);
    QCOMPARE(identity.operatorName(), u"Host"_s);
    QCOMPARE(identity.roomName(), u"Sunday Cup"_s);
    QCOMPARE(identity.password(), u"p\u00e4ss"_s);
    QVERIFY(identity.locked());
    QCOMPARE(identity.welcomeMessage(), u"Welcome to the Sunday Cup!"_s);
}

void TestHostIdentity::editsAreStoredUnderTheirNamesCutToTheirLimits_data()
{
    QTest::addColumn<Setter>("set");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    const QString long30 = u"abcdefghijklmnopqrstuvwxyz0123"_s;
    QTest::newRow("player name") << Setter([](HostIdentity &i, const QString &t) {
        i.setOperatorName(t);
    }) << u"pName"_s << long30 << long30.left(20);
    QTest::newRow("room name") << Setter([](HostIdentity &i, const QString &t) {
        i.setRoomName(t);
    }) << u"cName"_s << long30 << long30.left(18);
    QTest::newRow("password") << Setter([](HostIdentity &i, const QString &t) { i.setPassword(t); })
                              << u"cPass"_s << long30 << long30.left(20);
    QTest::newRow("welcome has no limit")
        << Setter([](HostIdentity &i, const QString &t) { i.setWelcomeMessage(t); })
        << u"cWelcomeMsg"_s << long30 + long30 << long30 + long30;
    QTest::newRow("emptied box is stored empty")
        << Setter([](HostIdentity &i, const QString &t) { i.setRoomName(t); }) << u"cName"_s
        << QString() << QString();
}

void TestHostIdentity::editsAreStoredUnderTheirNamesCutToTheirLimits()
{
    QFETCH(Setter, set);
    QFETCH(QString, valueName);
    QFETCH(QString, typed);
    QFETCH(QString, kept);

    SettingsStore store;
    store.writeRegValue(SettingsKeys::Root, valueName, u"old"_s);
    HostIdentity identity(store);
    identity.restore();
    set(identity, typed);
    QCOMPARE(stored(store, valueName), kept);
}

void TestHostIdentity::everyKeystrokeIsStored()
{
    SettingsStore store;
    HostIdentity identity(store);
    for (const QString &typed : {u"S"_s, u"Su"_s, u"Sun"_s}) {
        identity.setRoomName(typed);
        QCOMPARE(stored(store, u"cName"_s), typed);
    }
    identity.setLocked(true);
    QCOMPARE(stored(store, u"cLocked"_s), u"1"_s);
    identity.setLocked(false);
    QCOMPARE(stored(store, u"cLocked"_s), u"0"_s);
}

void TestHostIdentity::onlyOfferedServersAreChosen()
{
    SettingsStore store;
    HostIdentity identity(store);
    identity.chooseServer(u"ViraruRor"_s);
    QCOMPARE(stored(store, u"cServer"_s), u"ViraruRor"_s);
    identity.chooseServer(u"viraruror"_s);
    identity.chooseServer(QString());
    QCOMPARE(identity.server(), u"ViraruRor"_s);
    QCOMPARE(stored(store, u"cServer"_s), u"ViraruRor"_s);
}

void TestHostIdentity::storedValuesAreTakenCarefully_data()
{
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("roomName");

    const QString first = u"Glenmora Net"_s;
    QTest::newRow("unknown server")
        << u"cServer"_s << u"Elsewhere"_s << first << false << QString();
    QTest::newRow("locked 1") << u"cLocked"_s << u"1"_s << first << true << QString();
    QTest::newRow("locked 0") << u"cLocked"_s << u"0"_s << first << false << QString();
    QTest::newRow("locked not a number") << u"cLocked"_s << u"yes"_s << first << false << QString();
    QTest::newRow("locked grey state") << u"cLocked"_s << u"2"_s << first << false << QString();
    QTest::newRow("room name edited too long") << u"cName"_s << u"A room name that is too long"_s
                                               << first << false << u"A room name that i"_s;
}

void TestHostIdentity::storedValuesAreTakenCarefully()
{
    QFETCH(QString, valueName);
    QFETCH(QString, text);
    QFETCH(QString, server);
    QFETCH(bool, locked);
    QFETCH(QString, roomName);

    SettingsStore store;
    store.writeRegValue(SettingsKeys::Root, valueName, text);
    HostIdentity identity(store);
    identity.restore();
    QCOMPARE(identity.server(), server);
    QCOMPARE(identity.locked(), locked);
    QCOMPARE(identity.roomName(), roomName);
}

void TestHostIdentity::changeIsSignalledOnlyForNewValues()
{
    SettingsStore store;
    HostIdentity identity(store);
    QSignalSpy changes(&identity, &HostIdentity::changed);
    identity.restore(); // nothing stored: nothing new
    QCOMPARE(changes.count(), 0);
    identity.setOperatorName(u"Host"_s);
    identity.setOperatorName(u"Host"_s);
    identity.setLocked(false);
    QCOMPARE(changes.count(), 1);
    store.writeRegValue(SettingsKeys::Root, u"cWelcomeMsg"_s, u"Hi"_s);
    identity.restore();
    QCOMPARE(changes.count(), 2);
    QCOMPARE(identity.operatorName(), u"Host"_s);
}

QTEST_GUILESS_MAIN(TestHostIdentity)
#include "tst_HostIdentity.moc"
