#include "LeagueSimulator.h"

#include "common/ListenOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption elimination(u"elimination"_s,
        u"Report page layout: single or double (single)."_s, u"TYPE"_s, u"single"_s);
    const QCommandLineOption pages(u"pages"_s,
        u"Folder of the page frame and sample reports (pages beside the program)."_s, u"FOLDER"_s,
        QCoreApplication::applicationDirPath() + u"/pages"_s);
    const ListenOptions listen(parser, u"vornic-league-sim"_s,
        u"League web site simulator for testing the host."_s, LeagueSimulator::DefaultPort,
        {elimination, pages});

    const QString layout = parser.value(elimination).toLower();
    if (layout != u"single"_s && layout != u"double"_s)
        return ListenOptions::fail(u"Not single or double: "_s + parser.value(elimination));

    LeagueSimulator simulator(layout == u"single"_s ? LeagueSimulator::Elimination::Single
                                                    : LeagueSimulator::Elimination::Double);
    if (!simulator.loadPages(parser.value(pages)))
        return ListenOptions::fail(simulator.errorString());
    return listen.run(simulator, [](const QHostAddress &address, quint16 port) -> QString {
        const QString base = u"http://"_s + address.toString() + u':' + QString::number(port);
        return u"listening on "_s + base + u"\nstart the host with --league-url "_s + base
            + u" --tourney-url "_s + base + u" --rank-url "_s + base;
    });
}
