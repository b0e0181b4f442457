#include "chat/ChatOptions.h"
#include "settings/SettingsStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestChatOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyAStoredOneTurnsAnOptionOn_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("on");
        QTest::newRow("one") << u"1"_s << true;
        QTest::newRow("zero") << u"0"_s << false;
        QTest::newRow("absent") << QString() << false;
        QTest::newRow("grey state") << u"2"_s << false;
        QTest::newRow("not a number") << u"yes"_s << false;
    }
    void onlyAStoredOneTurnsAnOptionOn()
    {
        QFETCH(QString, stored);
        QFETCH(bool, on);
        SettingsStore store;
        store.writeRegValue(SettingsKeys::Options, u"cOptions 1"_s, stored);
        store.writeRegValue(SettingsKeys::Options, u"cLogs 4"_s, stored);
        ChatOptions options(store);
        options.restore();
        QCOMPARE(options.displaysSystemMessages(), on);
        QCOMPARE(options.logOption(ChatOptions::LogDebugEvents), on);
        QCOMPARE(options.echoesBotCommands(), false);
    }

    // Joins and leaves are shown unless the director turned them off; a stored value wins.
    void anAbsentOptionTakesItsDefault()
    {
        SettingsStore store;
        ChatOptions options(store);
        options.restore();
        QVERIFY(options.showsJoinsAndLeaves());
        QVERIFY(!options.showsFullIpsInWhois());
        QVERIFY(!options.deliversFast());

        store.writeRegValue(SettingsKeys::Options, u"cOptions 4"_s, u"0"_s);
        store.writeRegValue(SettingsKeys::Options, u"cOptions 5"_s, u"1"_s);
        QSignalSpy changed(&options, &ChatOptions::changed);
        options.restore();
        QVERIFY(!options.showsJoinsAndLeaves());
        QVERIFY(options.deliversFast());
        QCOMPARE(changed.count(), 1);
    }

    void changesAreWrittenThrough()
    {
        SettingsStore store;
        ChatOptions options(store);
        QSignalSpy changed(&options, &ChatOptions::changed);
        options.setLogOption(ChatOptions::LogSystemEvents, true);
        options.setOption(ChatOptions::EchoBotCommands, true);
        options.setOption(ChatOptions::EchoBotCommands, true);
        options.setLogOption(ChatOptions::LogOptionCount, true); // out of range: ignored
        QCOMPARE(changed.count(), 2);
        QCOMPARE(store.readRegValue(SettingsKeys::Options, u"cLogs 3"_s), u"1"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Options, u"cOptions 0"_s), u"1"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Options, u"cLogs 5"_s), QString());

        options.setLogOption(ChatOptions::LogSystemEvents, false);
        QCOMPARE(store.readRegValue(SettingsKeys::Options, u"cLogs 3"_s), u"0"_s);
    }

    void categoriesNeedTheMasterSwitch()
    {
        SettingsStore store;
        ChatOptions options(store);
        options.setLogOption(ChatOptions::LogChat, true);
        options.setLogOption(ChatOptions::LogPlayerEvents, true);
        options.setLogOption(ChatOptions::LogSystemEvents, true);
        QVERIFY(!options.logsChat() && !options.logsPlayerEvents() && !options.logsSystemEvents());
        options.setLogOption(ChatOptions::EnableLogging, true);
        QVERIFY(options.logsChat() && options.logsPlayerEvents() && options.logsSystemEvents());
    }
};

QTEST_GUILESS_MAIN(TestChatOptions)
#include "tst_ChatOptions.moc"
