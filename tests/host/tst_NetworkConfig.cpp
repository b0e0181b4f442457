#include "host/NetworkConfig.h"
#include "settings/SettingsKeys.h"

#include "settings/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestNetworkConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsWhenNothingIsStored()
    {
        const SettingsStore store;
        const NetworkConfig config = NetworkConfig::load(store);
        QCOMPARE(config.lobbyHost, NetworkConfig::defaultLobbyHost());
        QVERIFY(!config.lobbyHost.isEmpty());
        QCOMPARE(config.lobbyPort, quint16(1579));
        QCOMPARE(config.chatPort, quint16(1516));
    }

    void storedValuesAreUsedWhenUsable_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("expectedHost");
        QTest::addColumn<int>("expectedPort"); // 0: each port falls back to its default
        const QString fallbackHost = NetworkConfig::defaultLobbyHost();
        QTest::newRow("usable") << u"lobby.example"_s << u"1600"_s << u"lobby.example"_s << 1600;
        QTest::newRow("blanks around")
            << u" lobby.example "_s << u" 1600 "_s << u"lobby.example"_s << 1600;
        QTest::newRow("lowest port") << u"h"_s << u"1"_s << u"h"_s << 1;
        QTest::newRow("highest port") << u"h"_s << u"65535"_s << u"h"_s << 65535;
        QTest::newRow("empty") << QString() << QString() << fallbackHost << 0;
        QTest::newRow("blank host, port 0") << u"  "_s << u"0"_s << fallbackHost << 0;
        QTest::newRow("port too big") << u"h"_s << u"65536"_s << u"h"_s << 0;
        QTest::newRow("port not a number") << u"h"_s << u"15x9"_s << u"h"_s << 0;
        QTest::newRow("negative port") << u"h"_s << u"-1579"_s << u"h"_s << 0;
    }
    void storedValuesAreUsedWhenUsable()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, expectedHost);
        QFETCH(int, expectedPort);
        SettingsStore store;
        store.writeRegValue(SettingsKeys::Network, u"lobbyHost"_s, host);
        store.writeRegValue(SettingsKeys::Network, u"lobbyPort"_s, port);
        store.writeRegValue(SettingsKeys::Network, u"chatPort"_s, port);
        const NetworkConfig config = NetworkConfig::load(store);
        QCOMPARE(config.lobbyHost, expectedHost);
        QCOMPARE(config.lobbyPort, expectedPort ? quint16(expectedPort) : quint16(1579));
        QCOMPARE(config.chatPort, expectedPort ? quint16(expectedPort) : quint16(1516));
    }

    void overridesWinAndAreNotWrittenBack()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"settings.ini"_s);
        {
            SettingsStore store(path);
            store.writeRegValue(SettingsKeys::Network, u"lobbyHost"_s, u"stored.example"_s);
            store.writeRegValue(SettingsKeys::Network, u"chatPort"_s, u"2000"_s);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        SettingsStore store(path);
        NetworkOverrides overrides;
        overrides.lobbyHost = u"127.0.0.1"_s;
        overrides.lobbyPort = 4000;
        const NetworkConfig config = NetworkConfig::load(store, overrides);
        QCOMPARE(config.lobbyHost, u"127.0.0.1"_s);
        QCOMPARE(config.lobbyPort, quint16(4000));
        QCOMPARE(config.chatPort, quint16(2000)); // not overridden: the stored value

        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(store.readRegValue(SettingsKeys::Network, u"lobbyHost"_s), u"stored.example"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Network, u"lobbyPort"_s), QString());
    }
};

QTEST_GUILESS_MAIN(TestNetworkConfig)
#include "tst_NetworkConfig.moc"
