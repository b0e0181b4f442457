#include "SimulatedClient.h"
#include "StdinLines.h"

#include "host/NetworkConfig.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTextStream>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << message << Qt::endl;
    return 2;
}

// The command a repeatable option stands for, as a script line.
std::optional<QString> commandFor(const QString &option, const QString &value)
{
    if (option == u"say"_s)
        return u"say "_s + value;
    if (option == u"names"_s)
        return u"names "_s + value;
    if (option == u"whisper"_s) {
        // ID:TEXT
        const qsizetype colon = value.indexOf(u':');
        if (colon < 0)
            return u"whisper "_s + value;
        return u"whisper "_s + value.first(colon) + u' ' + value.sliced(colon + 1);
    }
    return std::nullopt;
}

// The scripted actions in the order their options were given; errors name the option.
ClientScript scriptFrom(const QCommandLineParser &parser)
{
    ClientScript script;
    QHash<QString, qsizetype> used;
    for (const QString &option : parser.optionNames()) {
        const QStringList values = parser.values(option);
        const qsizetype index = used[option]++;
        if (index >= values.size())
            continue;
        const QString &value = values.at(index);
        if (option == u"script"_s) {
            QFile file(value);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                script.errors << value + u": "_s + file.errorString();
                continue;
            }
            const ClientScript fromFile = parseClientScript(QString::fromUtf8(file.readAll()));
            script.actions << fromFile.actions;
            for (const QString &error : fromFile.errors)
                script.errors << value + u", "_s + error;
        } else if (const std::optional<QString> command = commandFor(option, value)) {
            const ClientCommand parsed = parseClientCommand(*command);
            if (parsed.action)
                script.actions << *parsed.action;
            else
                script.errors << u"--"_s + option + u": "_s + parsed.error;
        }
    }
    return script;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vornic-client-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Game client simulator for testing the host. Scripts and "
        "typed input take: say TEXT, whisper ID TEXT, names ID ID ..., "
        "wait MS, quit."_s);
    parser.addHelpOption();
    const QCommandLineOption host(
        u"host"_s, u"The host's ADDRESS (127.0.0.1)."_s, u"ADDRESS"_s, u"127.0.0.1"_s);
    const QCommandLineOption port(u"port"_s, u"The host's chat PORT (1516)."_s, u"PORT"_s,
        QString::number(NetworkConfig::DefaultChatPort));
    const QCommandLineOption bind(
        u"bind"_s, u"Connect from ADDRESS, such as 127.0.0.5."_s, u"ADDRESS"_s);
    const QCommandLineOption name(u"name"_s, u"Player NAME (Player)."_s, u"NAME"_s, u"Player"_s);
    const QCommandLineOption password(u"password"_s, u"Room password."_s, u"PASSWORD"_s);
    const QCommandLineOption say(u"say"_s, u"Say TEXT (repeatable)."_s, u"TEXT"_s);
    const QCommandLineOption whisper(
        u"whisper"_s, u"Whisper TEXT to player ID (repeatable)."_s, u"ID:TEXT"_s);
    const QCommandLineOption names(u"names"_s, u"Ask for the names of IDs."_s, u"ID,ID,..."_s);
    const QCommandLineOption interval(
        u"interval"_s, u"Milliseconds before each scripted line (1500)."_s, u"MS"_s, u"1500"_s);
    const QCommandLineOption script(u"script"_s, u"Run the commands in FILE."_s, u"FILE"_s);
    const QCommandLineOption stay(u"stay"_s, u"Stay connected after the script."_s);
    const QCommandLineOption typed(
        u"stdin"_s, u"Read commands from standard input even when it is not a terminal."_s);
    parser.addOptions(
        {host, port, bind, name, password, say, whisper, names, interval, script, stay, typed});
    parser.process(app);

    ClientOptions options;
    options.host = QHostAddress(parser.value(host));
    if (options.host.isNull())
        return fail(u"Not an IP address: "_s + parser.value(host));
    const auto chatPort = NetworkConfig::parsePort(parser.value(port).trimmed());
    if (!chatPort || *chatPort == 0)
        return fail(u"Not a port from 1 to 65535: "_s + parser.value(port));
    options.port = *chatPort;
    if (parser.isSet(bind)) {
        options.bindAddress = QHostAddress(parser.value(bind));
        if (options.bindAddress.isNull())
            return fail(u"Not an IP address: "_s + parser.value(bind));
    }
    bool intervalOk = false;
    options.intervalMs = parser.value(interval).toInt(&intervalOk);
    if (!intervalOk || options.intervalMs < 0)
        return fail(u"Not a number of milliseconds: "_s + parser.value(interval));
    options.name = parser.value(name);
    options.password = parser.value(password);
    const ClientScript actions = scriptFrom(parser);
    if (!actions.errors.isEmpty())
        return fail(actions.errors.join(u'\n'));
    options.script = actions.actions;
    const bool readsInput = parser.isSet(typed) || StdinLines::isTerminal();
    // While typed commands may still come, the client stays; the end of input lets it go.
    options.stayAfterScript = parser.isSet(stay) || readsInput;

    SimulatedClient client(options);
    QTextStream out(stdout);
    QObject::connect(&client, &SimulatedClient::output, &app,
        [&out](const QString &line) { out << line << Qt::endl; });
    // Queued: the client may finish inside start(), before the event loop runs.
    QObject::connect(
        &client, &SimulatedClient::finished, &app,
        [](bool ok) { QCoreApplication::exit(ok ? 0 : 1); }, Qt::QueuedConnection);

    StdinLines input;
    if (readsInput) {
        QObject::connect(
            &input, &StdinLines::lineRead, &client, [&client, &out](const QString &line) {
                const ClientCommand command = parseClientCommand(line);
                if (command.action)
                    client.perform(*command.action);
                else if (!command.error.isEmpty())
                    out << "** " << command.error << Qt::endl;
            });
        QObject::connect(&input, &StdinLines::ended, &client,
            [&client, keep = parser.isSet(stay)] { client.setStayAfterScript(keep); });
        input.start();
    }
    client.start();
    return QCoreApplication::exec();
}
