#include "LeagueSimulator.h"

#include "common/ListenOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    ListenOptions::describe(
        parser, u"vornic-league-sim"_s, u"League web site simulator for testing the host."_s);
    const ListenOptions listen(parser, LeagueSimulator::DefaultPort);
    const QCommandLineOption elimination(u"elimination"_s,
        u"Report page layout: single or double (single)."_s, u"TYPE"_s, u"single"_s);
    const QCommandLineOption pages(u"pages"_s,
        u"Folder of the page frame and sample reports (pages beside the program)."_s, u"FOLDER"_s,
        QCoreApplication::applicationDirPath() + u"/pages"_s);
    parser.addOptions({elimination, pages});
    parser.process(app);

    const std::optional<ListenOptions::Endpoint> endpoint = listen.endpoint();
    if (!endpoint)
        return ListenOptions::fail(listen.errorText());
    const QHostAddress listenAddress = endpoint->address;
    const quint16 listenPort = endpoint->port;
    const QString layout = parser.value(elimination).toLower();
    if (layout != u"single"_s && layout != u"double"_s)
        return ListenOptions::fail(u"Not single or double: "_s + parser.value(elimination));

    LeagueSimulator simulator(layout == u"single"_s ? LeagueSimulator::Elimination::Single
                                                    : LeagueSimulator::Elimination::Double);
    if (!simulator.loadPages(parser.value(pages)))
        return ListenOptions::fail(simulator.errorString());
    QTextStream out(stdout);
    QObject::connect(&simulator, &LeagueSimulator::logLine, &app,
        [&out](const QString &line) { out << line << Qt::endl; });
    if (!simulator.listen(listenAddress, listenPort))
        return ListenOptions::fail(simulator.errorString());
    const QString base
        = u"http://"_s + listenAddress.toString() + u':' + QString::number(simulator.serverPort());
    out << "listening on " << base << Qt::endl
        << "start the host with --league-url " << base << " --tourney-url " << base
        << " --rank-url " << base << Qt::endl;
    return QCoreApplication::exec();
}
