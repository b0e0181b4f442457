#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

struct Options
{
    explicit Options(CommandLine::Program program)
        : headless(u"headless"_s,
            program == CommandLine::Program::Server
                ? u"Accepted; changes nothing (there is no window)."_s
                : u"Run without a window."_s)
    {
    }

    QCommandLineOption headless;
    QCommandLineOption host{u"host"_s, u"Open the chat room at start-up."_s};
    QCommandLineOption settings{u"settings"_s, u"Keep the settings in FILE."_s, u"FILE"_s};
    QCommandLineOption dataDir{
        u"data-dir"_s, u"Folder of ladders.ini and the chat logs."_s, u"DIR"_s};
    QCommandLineOption lobbyHost{
        u"lobby-host"_s, u"Lobby server for this run (not saved)."_s, u"HOST"_s};
    QCommandLineOption lobbyPort{
        u"lobby-port"_s, u"Lobby server port for this run (not saved)."_s, u"N"_s};
    QCommandLineOption chatPort{
        u"chat-port"_s, u"Port for game clients for this run (not saved)."_s, u"N"_s};
    QCommandLineOption leagueUrl{u"league-url"_s, u"League web site."_s, u"URL"_s};
    QCommandLineOption tourneyUrl{u"tourney-url"_s, u"Tournament report pages."_s, u"URL"_s};
    QCommandLineOption rankUrl{u"rank-url"_s, u"Ranking script."_s, u"URL"_s};
    QCommandLineOption panel{u"panel"_s,
        u"Serve the browser panel on [ADDRESS:]PORT (address 127.0.0.1 unless given)."_s,
        u"[ADDRESS:]PORT"_s};
    QCommandLineOption panelCert{
        u"panel-cert"_s, u"Serve the panel over HTTPS with this PEM certificate."_s, u"FILE"_s};
    QCommandLineOption panelKey{
        u"panel-key"_s, u"The PEM private key of --panel-cert."_s, u"FILE"_s};
    QCommandLineOption setPanelPassword{u"set-panel-password"_s,
        u"Read the panel password from standard input, store its hash and exit."_s};
    QCommandLineOption demo{u"demo"_s,
        u"Start the simulators of the lobby, the clients and "
        u"the league site on this computer."_s};
};

void setUp(QCommandLineParser &parser, const Options &o)
{
    parser.setApplicationDescription(u"Hosts a chat room for the golf game and runs a "
                                     u"tournament from it."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({o.headless, o.host, o.settings, o.dataDir, o.lobbyHost, o.lobbyPort,
        o.chatPort, o.leagueUrl, o.tourneyUrl, o.rankUrl, o.demo, o.panel, o.panelCert, o.panelKey,
        o.setPanelPassword});
}

// Reads an optional value with a checker; the first problem found is kept in errorText.
class ValueReader
{
public:
    ValueReader(const QCommandLineParser &parser, QString &errorText)
        : m_parser(parser)
        , m_errorText(errorText)
    {
    }

    void port(const QCommandLineOption &option, std::optional<quint16> &target)
    {
        if (!m_parser.isSet(option))
            return;
        const QString text = m_parser.value(option);
        target = NetworkConfig::parsePort(text);
        if (!target)
            fail(option, text, u"a port number from 1 to 65535"_s);
    }

    void url(const QCommandLineOption &option, QUrl &target)
    {
        if (!m_parser.isSet(option))
            return;
        const QString text = m_parser.value(option);
        const QUrl url(text, QUrl::StrictMode);
        const bool web = url.scheme() == u"http"_s || url.scheme() == u"https"_s;
        if (url.isValid() && web && !url.host().isEmpty())
            target = url;
        else
            fail(option, text, u"an http:// or https:// address"_s);
    }

    void text(const QCommandLineOption &option, QString &target)
    {
        if (!m_parser.isSet(option))
            return;
        target = m_parser.value(option);
        if (target.trimmed().isEmpty())
            fail(option, target, u"a non-empty value"_s);
    }

    void endpoint(const QCommandLineOption &option, std::optional<PanelSettings::Endpoint> &target)
    {
        if (!m_parser.isSet(option))
            return;
        const QString text = m_parser.value(option);
        target = PanelSettings::parseEndpoint(text);
        if (!target)
            fail(option, text, u"PORT or ADDRESS:PORT"_s);
    }

    void hostName(const QCommandLineOption &option, std::optional<QString> &target)
    {
        QString value;
        text(option, value);
        if (m_parser.isSet(option))
            target = value.trimmed();
    }

private:
    void fail(const QCommandLineOption &option, const QString &given, const QString &expected)
    {
        if (m_errorText.isEmpty()) {
            m_errorText = u"Invalid value for --"_s + option.names().constFirst() + u": \""_s
                + given + u"\" (expected "_s + expected + u")."_s;
        }
    }

    const QCommandLineParser &m_parser;
    QString &m_errorText;
};

} // namespace

namespace CommandLine {

CommandLineResult parse(const QStringList &arguments, Program program)
{
    const Options o(program);
    QCommandLineParser parser;
    setUp(parser, o);

    CommandLineResult result;
    if (!parser.parse(arguments)) {
        result.errorText = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.errorText = u"Unexpected argument: "_s + parser.positionalArguments().constFirst();
        return result;
    }

    CommandLineOptions &options = result.options;
    options.showHelp = parser.isSet(u"help"_s);
    options.showVersion = parser.isSet(u"version"_s);
    options.headless = program == Program::Server || parser.isSet(o.headless);
    options.hostAtStart = parser.isSet(o.host);
    options.demo = parser.isSet(o.demo);

    ValueReader read(parser, result.errorText);
    read.text(o.settings, options.settingsFile);
    read.text(o.dataDir, options.dataDir);
    read.hostName(o.lobbyHost, options.network.lobbyHost);
    read.port(o.lobbyPort, options.network.lobbyPort);
    read.port(o.chatPort, options.network.chatPort);
    read.url(o.leagueUrl, options.leagueUrl);
    read.url(o.tourneyUrl, options.tourneyUrl);
    read.url(o.rankUrl, options.rankUrl);
    options.setPanelPassword = parser.isSet(o.setPanelPassword);
    read.endpoint(o.panel, options.panel.endpoint);
    read.text(o.panelCert, options.panel.certFile);
    read.text(o.panelKey, options.panel.keyFile);
    if (result.ok() && options.panel.certFile.isEmpty() != options.panel.keyFile.isEmpty())
        result.errorText = u"--panel-cert and --panel-key go together."_s;
    return result;
}

QString helpText(Program program)
{
    const Options o(program);
    QCommandLineParser parser;
    setUp(parser, o);
    // The parser names whatever binary is running, or a placeholder before the application
    // object exists; the usage line names the program.
    const QString name = programName(program);
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(u'\n');
    const QString usage = u"Usage: "_s + name + u" [options]"_s;
    return text.replace(0, lineEnd < 0 ? text.size() : lineEnd, usage);
}

QString programName(Program program)
{
    return program == Program::Server ? u"vornic-hostd"_s : u"vornic-host"_s;
}

QString versionText(Program program)
{
    const QString name = QCoreApplication::applicationName();
    const QString version = QCoreApplication::applicationVersion();
    // The server program is asked for by its own name on a server; it answers with it.
    if (program == Program::Server)
        return programName(program) + u" ("_s + name + u") "_s + version + u'\n';
    return name + u' ' + version + u'\n';
}

} // namespace CommandLine
