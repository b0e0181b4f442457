// vornic-host: the window, or with --headless the console.
#include "app/DemoLauncher.h"
#include "app/HostRun.h"
#include "app/ProgramStart.h"
#include "host/HostCore.h"
#include "panel/PanelFrontEnd.h"
#include "window/HostWindow.h"
#include "window/HostWindowController.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr const char *NoDisplayLine = "vornic-host: no display found, so the window cannot open; "
                                      "run it without one: vornic-host --headless --host ...\n";

[[noreturn]] void endForWantOfADisplay()
{
    std::fputs(NoDisplayLine, stderr);
    std::fflush(stderr);
    std::_Exit(2);
}

// A window needs a display, or a platform chosen on purpose (offscreen, a Wayland or X server
// named explicitly). A Windows session always has a desktop to open it on.
bool displayMayBeReachable()
{
#ifdef Q_OS_WIN
    return true;
#else
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#endif
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
    if (!HostRun::prepareDemo(options, demo))
        return 1;
    HostCore core(options);
    QStringList startMessages;
    auto collect = QObject::connect(&core, &HostCore::messageBox, &app,
        [&](const QString &text, const QString &) { startMessages << text; });
    if (!core.start()) {
        QMessageBox::critical(nullptr, u"Vornic Host"_s, startMessages.join(u'\n'));
        return 1;
    }
    QObject::disconnect(collect);
    std::unique_ptr<PanelFrontEnd> panel;
    if (!HostRun::startPanel(core, options, panel))
        return 2;
    HostWindow window;
    HostWindowController controller(core, window);
    controller.showRestoredState();
    window.show();
    for (const QString &message : std::as_const(startMessages))
        QMessageBox::warning(&window, u"Vornic Host"_s, message);
    return HostRun::untilShutdown(app, core, options);
}

// A Windows program with a window gets no console: started from one without its output
// redirected, it prints its help, version and headless transcript into the console it was started
// from. Input stays with that console's shell; vornic-hostd is the program to type into.
void printIntoParentConsole()
{
#ifdef Q_OS_WIN
    if (GetStdHandle(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    [[maybe_unused]] FILE *out = std::freopen("CONOUT$", "w", stdout);
    [[maybe_unused]] FILE *err = std::freopen("CONOUT$", "w", stderr);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    printIntoParentConsole();
    const ProgramStart start
        = ProgramStart::fromArguments(argc, argv, CommandLine::Program::Window);
    if (start.exitCode)
        return *start.exitCode;
    return start.options.headless ? HostRun::headless(argc, argv, start.options)
                                  : runWindow(argc, argv, start.options);
}
