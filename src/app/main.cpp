#include "app/CommandLine.h"
#include "app/DemoLauncher.h"
#include "headless/HeadlessConsole.h"
#include "host/HostCore.h"
#include "window/HostWindow.h"
#include "window/HostWindowController.h"
#include "headless/UnixSignalWatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
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
    console.readStandardInput();
    return runHost(app, core, options);
}

constexpr const char *NoDisplayLine = "vornic-host: no display found, so the window cannot open; "
                                      "run it without one: vornic-host --headless --host ...\n";

[[noreturn]] void endForWantOfADisplay()
{
    std::fputs(NoDisplayLine, stderr);
    std::fflush(stderr);
    std::_Exit(2);
}

// A window needs a display, or a platform chosen on purpose (offscreen, a Wayland or X server
// named explicitly).
bool displayMayBeReachable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QtMessageHandler g_handlerBeforeWindowSystem = nullptr;

// Opening the window system fails fatally (an abort with a core dump) when the named display
// cannot be reached or no platform plugin starts; that failure gets the same plain ending.
void whileOpeningWindowSystem(
    QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg)
        endForWantOfADisplay();
    g_handlerBeforeWindowSystem(type, context, message);
}

int runWindow(int argc, char *argv[], CommandLineOptions options)
{
    if (!displayMayBeReachable())
        endForWantOfADisplay();
    g_handlerBeforeWindowSystem = qInstallMessageHandler(whileOpeningWindowSystem);
    QApplication app(argc, argv);
    qInstallMessageHandler(g_handlerBeforeWindowSystem);
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
    return parsed.options.headless ? runHeadless(argc, argv, parsed.options)
                                   : runWindow(argc, argv, parsed.options);
}
