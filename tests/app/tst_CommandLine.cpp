#include "app/CommandLine.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

CommandLineResult parse(const QString &line)
{
    QStringList arguments{u"vornic-host"_s};
    if (!line.isEmpty())
        arguments += line.split(u' ');
    return CommandLine::parse(arguments);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noArgumentsMeansDefaults()
    {
        const CommandLineResult result = parse(QString());
        QVERIFY(result.ok());
        const CommandLineOptions &o = result.options;
        QVERIFY(!o.showHelp && !o.showVersion && !o.headless && !o.hostAtStart && !o.demo);
        QVERIFY(o.settingsFile.isEmpty() && o.dataDir.isEmpty());
        QVERIFY(o.leagueUrl.isEmpty() && o.tourneyUrl.isEmpty() && o.rankUrl.isEmpty());
        QVERIFY(!o.network.lobbyHost && !o.network.lobbyPort && !o.network.chatPort);
    }

    void everyOptionIsRead()
    {
        const CommandLineResult result
            = parse(u"--headless --host --demo --settings /tmp/s.ini --data-dir /tmp/data "
                    "--lobby-host 127.0.0.1 --lobby-port 1600 --chat-port=1601 "
                    "--league-url http://127.0.0.1:8080/ --tourney-url https://127.0.0.1/t "
                    "--rank-url http://localhost/rank.cgi"_s);
        QVERIFY2(result.ok(), qPrintable(result.errorText));
        const CommandLineOptions &o = result.options;
        QVERIFY(o.headless && o.hostAtStart && o.demo);
        QVERIFY(!o.showHelp && !o.showVersion);
        QCOMPARE(o.settingsFile, u"/tmp/s.ini"_s);
        QCOMPARE(o.dataDir, u"/tmp/data"_s);
        QCOMPARE(o.network.lobbyHost, u"127.0.0.1"_s);
        QCOMPARE(o.network.lobbyPort, quint16(1600));
        QCOMPARE(o.network.chatPort, quint16(1601));
        QCOMPARE(o.leagueUrl, QUrl(u"http://127.0.0.1:8080/"_s));
        QCOMPARE(o.tourneyUrl, QUrl(u"https://127.0.0.1/t"_s));
        QCOMPARE(o.rankUrl, QUrl(u"http://localhost/rank.cgi"_s));
    }

    void helpAndVersionAreReported_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("version");
        QTest::newRow("--help") << u"--help"_s << true << false;
        QTest::newRow("-h") << u"-h"_s << true << false;
        QTest::newRow("--version") << u"--version"_s << false << true;
        QTest::newRow("both") << u"--version --help"_s << true << true;
    }
    void helpAndVersionAreReported()
    {
        QFETCH(QString, line);
        QFETCH(bool, help);
        QFETCH(bool, version);
        const CommandLineResult result = parse(line);
        QVERIFY(result.ok());
        QCOMPARE(result.options.showHelp, help);
        QCOMPARE(result.options.showVersion, version);
    }

    void helpTextNamesEveryOption()
    {
        const QString help = CommandLine::helpText();
        QVERIFY2(help.startsWith(u"Usage: vornic-host [options]\n"_s), qPrintable(help));
        for (const auto *name : {"--headless", "--host", "--settings", "--data-dir", "--lobby-host",
                 "--lobby-port", "--chat-port", "--league-url", "--tourney-url", "--rank-url",
                 "--demo", "--help", "--version"}) {
            QVERIFY2(help.contains(QLatin1StringView(name)), name);
        }
    }

    // The server program takes the same command lines, so a unit or script can run either.
    void serverProgramIsAlwaysHeadless_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << u"--host"_s;
        QTest::newRow("--headless changes nothing") << u"--headless --host"_s;
    }
    void serverProgramIsAlwaysHeadless()
    {
        QFETCH(QString, line);
        const CommandLineResult result = CommandLine::parse(
            QStringList{u"vornic-hostd"_s} + line.split(u' '), CommandLine::Program::Server);
        QVERIFY2(result.ok(), qPrintable(result.errorText));
        QVERIFY(result.options.headless && result.options.hostAtStart);
        QVERIFY(!parse(u"--host"_s).options.headless);
    }

    void serverHelpSaysHeadlessChangesNothing()
    {
        const QString server = CommandLine::helpText(CommandLine::Program::Server);
        QVERIFY(server.contains(u"--headless"_s) && server.contains(u"changes nothing"_s));
        QVERIFY(!CommandLine::helpText().contains(u"changes nothing"_s));
        QVERIFY(
            !CommandLine::parse({u"vornic-hostd"_s, u"--colour"_s}, CommandLine::Program::Server)
                 .ok());
    }

    void badArgumentsAreRefused_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("unknown option") << u"--colour red"_s << u"colour"_s;
        QTest::newRow("missing value") << u"--lobby-port"_s << u"lobby-port"_s;
        QTest::newRow("stray argument") << u"extra"_s << u"extra"_s;
        QTest::newRow("port not a number") << u"--lobby-port abc"_s << u"--lobby-port"_s;
        QTest::newRow("port 0") << u"--chat-port 0"_s << u"--chat-port"_s;
        QTest::newRow("port too big") << u"--chat-port 65536"_s << u"65536"_s;
        QTest::newRow("negative port") << u"--lobby-port=-5"_s << u"-5"_s;
        QTest::newRow("empty lobby host") << u"--lobby-host="_s << u"--lobby-host"_s;
        QTest::newRow("url without scheme") << u"--rank-url 127.0.0.1/rank"_s << u"--rank-url"_s;
        QTest::newRow("url not http") << u"--league-url ftp://127.0.0.1/"_s << u"ftp"_s;
        QTest::newRow("first problem is said")
            << u"--lobby-port x --chat-port y"_s << u"--lobby-port"_s;
    }
    void badArgumentsAreRefused()
    {
        QFETCH(QString, line);
        QFETCH(QString, errorPart);
        const CommandLineResult result = parse(line);
        QVERIFY(!result.ok());
        QVERIFY2(result.errorText.contains(errorPart), qPrintable(result.errorText));
    }

    void panelOptionsAreRead()
    {
        CommandLineResult result = parse(u"--panel 8088"_s);
        QVERIFY(result.ok());
        QVERIFY(result.options.panel.endpoint);
        QCOMPARE(result.options.panel.endpoint->address, QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(result.options.panel.endpoint->port, quint16(8088));
        QVERIFY(!result.options.setPanelPassword);
        result = parse(u"--panel 0.0.0.0:443 --panel-cert c.pem --panel-key k.pem"_s);
        QVERIFY(result.ok());
        QCOMPARE(result.options.panel.endpoint->address, QHostAddress(QHostAddress::AnyIPv4));
        QCOMPARE(result.options.panel.certFile, u"c.pem"_s);
        QCOMPARE(result.options.panel.keyFile, u"k.pem"_s);
        QVERIFY(parse(u"--set-panel-password --settings s.ini"_s).options.setPanelPassword);
        QVERIFY(!parse(QString()).options.panel.endpoint);
        QVERIFY(parse(u"--panel 0"_s).errorText.contains(u"--panel"_s));
        QVERIFY(parse(u"--panel host:80"_s).errorText.contains(u"--panel"_s));
        QVERIFY(parse(u"--panel 80 --panel-cert c.pem"_s).errorText.contains(u"--panel-key"_s));
        const QString help = CommandLine::helpText();
        for (const auto *name : {"--panel", "--panel-cert", "--panel-key", "--set-panel-password"})
            QVERIFY2(help.contains(QLatin1StringView(name)), name);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
