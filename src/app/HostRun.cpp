#include "app/HostRun.h"

#include "app/DemoLauncher.h"
#include "headless/HeadlessConsole.h"
#include "headless/UnixSignalWatcher.h"
#include "host/HostCore.h"

#include <QCoreApplication>
#include <QTimer>

namespace HostRun {

bool prepareDemo(CommandLineOptions &options, std::unique_ptr<DemoLauncher> &demo)
{
    if (!options.demo)
        return true;
    demo = std::make_unique<DemoLauncher>();
    return demo->start(options);
}

int untilShutdown(QCoreApplication &app, HostCore &core, const CommandLineOptions &options)
{
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &core,
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
    console.readStandardInput();
    return untilShutdown(app, core, options);
}

} // namespace HostRun
