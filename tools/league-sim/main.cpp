#include "LeagueSimulator.h"

#include "host/NetworkConfig.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

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
    QCoreApplication::setApplicationName(u"vornic-league-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"League web site simulator for testing the host."_s);
    parser.addHelpOption();
    const QCommandLineOption address(
        u"address"_s, u"Listen on ADDRESS (127.0.0.1)."_s, u"ADDRESS"_s, u"127.0.0.1"_s);
    const QCommandLineOption port(u"port"_s, u"Listen on PORT (8081; 0 picks a free port)."_s,
        u"PORT"_s, QString::number(LeagueSimulator::DefaultPort));
    const QCommandLineOption elimination(u"elimination"_s,
        u"Report page layout: single or double (single)."_s, u"TYPE"_s, u"single"_s);
    const QCommandLineOption pages(u"pages"_s,
        u"Folder of the page frame and sample reports (pages beside the program)."_s, u"FOLDER"_s,
        QCoreApplication::applicationDirPath() + u"/pages"_s);
    parser.addOptions({address, port, elimination, pages});
    parser.process(app);

    const QHostAddress listenAddress(parser.value(address));
    if (listenAddress.isNull())
        return fail(u"Not an IP address: "_s + parser.value(address));
    const QString portText = parser.value(port).trimmed();
    const auto listenPort = portText == u"0"_s ? 0 : NetworkConfig::parsePort(portText);
    if (!listenPort)
        return fail(u"Not a port from 0 to 65535: "_s + portText);
    const QString layout = parser.value(elimination).toLower();
    if (layout != u"single"_s && layout != u"double"_s)
        return fail(u"Not single or double: "_s + parser.value(elimination));

    LeagueSimulator simulator(layout == u"single"_s ? LeagueSimulator::Elimination::Single
                                                    : LeagueSimulator::Elimination::Double);
    if (!simulator.loadPages(parser.value(pages)))
        return fail(simulator.errorString());
    QTextStream out(stdout);
    QObject::connect(&simulator, &LeagueSimulator::logLine, &app,
        [&out](const QString &line) { out << line << Qt::endl; });
    if (!simulator.listen(listenAddress, *listenPort))
        return fail(simulator.errorString());
    const QString base
        = u"http://"_s + listenAddress.toString() + u':' + QString::number(simulator.serverPort());
    out << "listening on " << base << Qt::endl
        << "start the host with --league-url " << base << " --tourney-url " << base
        << " --rank-url " << base << Qt::endl;
    return QCoreApplication::exec();
}
