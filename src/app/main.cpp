#include "app/CommandLine.h"
#include "app/DemoLauncher.h"
#include "headless/HeadlessConsole.h"
#include "host/HostCore.h"
#include "window/HostWindow.h"
#include "window/HostWindowController.h"
#include "headless/UnixSignalWatcher.h"
#include "panel/PanelFrontEnd.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

void printTo(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

// With --demo, starts the simulators and points the options at them; false when they cannot run.
bool prepareDemo(CommandLineOptions &options, std::unique_ptr<DemoLauncher> &demo)
{
    if (!options.demo)
        return true;
    demo = std::make_unique<DemoLauncher>();
    return demo->start(options);
}

// The panel when one is asked for; a panel that cannot start is a failed start (status 2).
bool startPanel(HostCore &core, const CommandLineOptions &options,
                std::unique_ptr<PanelFrontEnd> &panel)
{
    QString error;
    panel = PanelFrontEnd::start(core, options.panel, &error);
    if (!error.isEmpty()) {
        printTo(stderr, error);
        return false;
    }
    if (panel)
        printTo(stderr, u"Panel at "_s + panel->address());
    return true;
}

// Runs the host until it has shut down; the front end is chosen by the caller.
int runHost(QCoreApplication &app, HostCore &core, const CommandLineOptions &options)
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

int runHeadless(int argc, char *argv[], CommandLineOptions options)
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
    return runHost(app, core, options);
}

int runWindow(int argc, char *argv[], CommandLineOptions options)
{
    QApplication app(argc, argv);
    std::unique_ptr<DemoLauncher> demo;
    if (!prepareDemo(options, demo))
        return 1;
    HostCore core(options);
    QStringList startMessages;
    auto collect = QObject::connect(&core, &HostCore::messageBox, &app,
                                    [&](const QString &text, const QString &) {
                                        startMessages << text;
                                    });
    if (!core.start()) {
        QMessageBox::critical(nullptr, u"Vornic Host"_s, startMessages.join(u'\n'));
        return 1;
    }
    QObject::disconnect(collect);
    std::unique_ptr<PanelFrontEnd> panel;
    if (!startPanel(core, options, panel))
        return 2;
    HostWindow window;
    HostWindowController controller(core, window);
    controller.showRestoredState();
    window.show();
    for (const QString &message : std::as_const(startMessages))
        QMessageBox::warning(&window, u"Vornic Host"_s, message);
    return runHost(app, core, options);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(u"Vornic Host"_s);
    QCoreApplication::setApplicationVersion(u"1.4"_s);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLineResult parsed = CommandLine::parse(arguments);
    if (!parsed.ok()) {
        printTo(stderr, parsed.errorText + u"\n(see --help)"_s);
        return 64;
    }
    if (parsed.options.showHelp) {
        printTo(stdout, CommandLine::helpText());
        return 0;
    }
    if (parsed.options.showVersion) {
        printTo(stdout, CommandLine::versionText());
        return 0;
    }
    if (parsed.options.setPanelPassword) {
        QCoreApplication app(argc, argv);
        return PanelPasswordSetup::run(HostCore::settingsFileFor(parsed.options));
    }
    return parsed.options.headless ? runHeadless(argc, argv, parsed.options)
                                   : runWindow(argc, argv, parsed.options);
}
