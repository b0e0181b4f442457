#include "BenchSettings.h"
#include "ParserBench.h"
#include "QueueClockBench.h"
#include "ResultTable.h"
#include "RoomBench.h"
#include "StartupBench.h"
#include "tournament/RankPageParser.h"
#include "tournament/StandingsParser.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void runParserBench(ResultTable &table)
{
    struct Parser
    {
        QString name;
        QString (*page)(qsizetype);
        std::function<void(QStringView)> parse;
    };
    const QList<Parser> parsers{
        {u"parseStandings"_s, ParserBench::singleEliminationPage,
            [](QStringView page) { (void)parseStandings(page); }},
        {u"parseDEStandings"_s, ParserBench::doubleEliminationPage,
            [](QStringView page) { (void)parseDEStandings(page); }},
        {u"parseRankPage"_s, ParserBench::rankPage,
            [](QStringView page) { (void)parseRankPage(page); }},
    };
    constexpr qsizetype Small = 50 * 1024;
    constexpr qsizetype Large = 1024 * 1024;
    for (const Parser &parser : parsers) {
        const QString small = parser.page(Small);
        const QString large = parser.page(Large);
        const double smallUs = ParserBench::microsecondsPerCall([&] { parser.parse(small); });
        const double largeUs = ParserBench::microsecondsPerCall([&] { parser.parse(large); });
        const double sizeRatio = double(large.size()) / double(small.size());
        table.add(u"parsers"_s, u"`%1` 50 KB / 1 MB page"_s.arg(parser.name),
            u"%1 us / %2 us"_s.arg(smallUs, 0, 'f', 1).arg(largeUs, 0, 'f', 1),
            u"time ratio %1 for size ratio %2 (linear: equal)"_s.arg(largeUs / smallUs, 0, 'f', 1)
                .arg(sizeRatio, 0, 'f', 1));
    }
}

BenchSettings parseArguments(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Measures Vornic Host: pacing, idle cost, parsers, memory and start-up."_s);
    parser.addHelpOption();
    const QCommandLineOption only(u"only"_s,
        u"Run one group: parsers, startup, room or fast (the room with Fast Delivery on and "
        u"the queue's clock against a bare timer; default: all)."_s,
        u"group"_s);
    const QCommandLineOption relayed(u"relayed"_s,
        u"Line deliveries for the memory run (default 6200; 100000 takes about 9 minutes)."_s,
        u"count"_s, u"6200"_s);
    const QCommandLineOption idle(
        u"idle-seconds"_s, u"Length of the idle run (default 10)."_s, u"seconds"_s, u"10"_s);
    const QCommandLineOption panels(u"panels"_s,
        u"Browser panels watching the second pacing run (default 3; 0 skips that run)."_s,
        u"count"_s, u"3"_s);
    const QCommandLineOption host(u"host-program"_s, u"The vornic-host to measure."_s, u"path"_s);
    const QCommandLineOption noWindow(u"no-window"_s, u"Skip the window start-up."_s);
    parser.addOptions({only, relayed, idle, panels, host, noWindow});
    parser.process(app);

    BenchSettings settings;
    settings.hostProgram = parser.isSet(host)
        ? parser.value(host)
        : QDir(QCoreApplication::applicationDirPath()).filePath(u"vornic-host"_s);
    settings.relayedLines = std::max<qint64>(1, parser.value(relayed).toLongLong());
    settings.idleSeconds = std::max(1, parser.value(idle).toInt());
    settings.panels = std::clamp(parser.value(panels).toInt(), 0, 8);
    settings.window = !parser.isSet(noWindow);
    settings.only = parser.value(only);
    return settings;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchSettings settings = parseArguments(app);
    const auto wanted
        = [&](const QString &group) { return settings.only.isEmpty() || settings.only == group; };

    ResultTable table;
    QTextStream err(stderr);
    if (wanted(u"parsers"_s)) {
        err << "parsers" << Qt::endl;
        runParserBench(table);
    }
    if (wanted(u"room"_s))
        runRoomBench(settings, table, false);
    if (wanted(u"fast"_s)) {
        runRoomBench(settings, table, true);
        err << "queue clock" << Qt::endl;
        runQueueClockBench(table);
    }
    if (wanted(u"startup"_s)) {
        err << "start-up" << Qt::endl;
        runStartupBench(settings, table);
    }
    QTextStream(stdout) << table.toMarkdown();
    return 0;
}
