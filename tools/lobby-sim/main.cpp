#include "LobbySimulator.h"

#include "host/NetworkConfig.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << message << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vornic-lobby-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Lobby server simulator for testing the host."_s);
    parser.addHelpOption();
    const QCommandLineOption address(
        u"address"_s, u"Listen on ADDRESS (127.0.0.1)."_s, u"ADDRESS"_s, u"127.0.0.1"_s);
    const QCommandLineOption port(u"port"_s, u"Listen on PORT (1579; 0 picks a free port)."_s,
        u"PORT"_s, QString::number(NetworkConfig::DefaultLobbyPort));
    const QCommandLineOption noConfirm(u"no-confirm"_s, u"Never confirm a room."_s);
    const QCommandLineOption closeAfter(u"close-after-confirm"_s,
        u"End the connection SECONDS after confirming a room."_s, u"SECONDS"_s);
    parser.addOptions({address, port, noConfirm, closeAfter});
    parser.process(app);

    const QHostAddress listenAddress(parser.value(address));
    if (listenAddress.isNull())
        return fail(u"Not an IP address: "_s + parser.value(address));
    // Port 0 picks a free port; the "listening on" line tells which.
    const QString portText = parser.value(port).trimmed();
    const auto listenPort = portText == u"0"_s ? 0 : NetworkConfig::parsePort(portText);
    if (!listenPort)
        return fail(u"Not a port from 0 to 65535: "_s + portText);

    LobbySimBehaviour behaviour;
    behaviour.confirmRoom = !parser.isSet(noConfirm);
    if (parser.isSet(closeAfter)) {
        bool ok = false;
        const double seconds = parser.value(closeAfter).toDouble(&ok);
        if (!ok || !(seconds >= 0.0 && seconds <= 86400.0))
            return fail(u"Not a number of seconds: "_s + parser.value(closeAfter));
        behaviour.closeAfterConfirmMs = static_cast<int>(std::lround(seconds * 1000.0));
    }

    LobbySimulator simulator(behaviour);
    QTextStream out(stdout);
    QObject::connect(&simulator, &LobbySimulator::logLine, &app,
        [&out](const QString &line) { out << line << Qt::endl; });
    if (!simulator.listen(listenAddress, *listenPort))
        return fail(u"Cannot listen: "_s + simulator.errorString());
    out << "listening on " << listenAddress.toString() << ':' << simulator.serverPort() << Qt::endl;
    return QCoreApplication::exec();
}
