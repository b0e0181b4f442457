#include "app/HostRun.h"

#include "app/DemoLauncher.h"
#include "headless/HeadlessConsole.h"
#include "headless/TerminationWatcher.h"
#include "host/HostCore.h"
#include "panel/PanelFrontEnd.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace HostRun {

bool prepareDemo(CommandLineOptions &options, std::unique_ptr<DemoLauncher> &demo)
{
    if (!options.demo)
        return true;
    demo = std::make_unique<DemoLauncher>();
    return demo->start(options);
}

bool startPanel(
    HostCore &core, const CommandLineOptions &options, std::unique_ptr<PanelFrontEnd> &panel)
{
    QString error;
    panel = PanelFrontEnd::start(core, options.panel, &error);
    const QString line = !error.isEmpty() ? error
        : panel                           ? u"Panel at "_s + panel->address()
                                          : QString();
    if (!line.isEmpty()) {
        std::fputs(line.toLocal8Bit().append('\n').constData(), stderr);
        std::fflush(stderr);
    }
    return error.isEmpty();
}

int untilShutdown(QCoreApplication &app, HostCore &core, const CommandLineOptions &options)
{
    TerminationWatcher terminationWatcher;
    QObject::connect(&terminationWatcher, &TerminationWatcher::terminationRequested, &core,
        [&core] { core.shutdown(); });
    QObject::connect(&core, &HostCore::finished, &app, &QCoreApplication::quit);
    int exitCode = 0;
    QObject::connect(&core, &HostCore::listenFailed, &app, [&] {
        // Headless, a room that cannot listen is a failed start of the service.
        if (options.headless) {
            exitCode = 2;
            core.shutdown();
        }
    });
    if (options.hostAtStart)
        QTimer::singleShot(0, &core, [&core] { core.clickHostButton(); });
    // The demo's players ask for the pairings at once; fetch them without waiting a minute.
    if (options.demo)
        QTimer::singleShot(0, &core, [&core] { core.refreshPairings(); });
    const int loopCode = QCoreApplication::exec();
    return exitCode != 0 ? exitCode : loopCode;
}

int headless(int argc, char *argv[], CommandLineOptions options)
{
    QCoreApplication app(argc, argv);
    std::unique_ptr<DemoLauncher> demo;
    if (!prepareDemo(options, demo))
        return 1;
    HostCore core(options);
    HeadlessConsole console(core);
    if (!core.start())
        return 1;
    std::unique_ptr<PanelFrontEnd> panel;
    if (!startPanel(core, options, panel))
        return 2;
    console.readStandardInput();
    return untilShutdown(app, core, options);
}

} // namespace HostRun
