// vornic-host: the window, or with --headless the console.
#include "app/DemoLauncher.h"
#include "app/HostRun.h"
#include "app/ProgramStart.h"
#include "host/HostCore.h"
#include "window/HostWindow.h"
#include "window/HostWindowController.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

int runWindow(int argc, char *argv[], CommandLineOptions options)
{
    QApplication app(argc, argv);
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
    HostWindow window;
    HostWindowController controller(core, window);
    controller.showRestoredState();
    window.show();
    for (const QString &message : std::as_const(startMessages))
        QMessageBox::warning(&window, u"Vornic Host"_s, message);
    return HostRun::untilShutdown(app, core, options);
}

} // namespace

int main(int argc, char *argv[])
{
    const ProgramStart start
        = ProgramStart::fromArguments(argc, argv, CommandLine::Program::Window);
    if (start.exitCode)
        return *start.exitCode;
    return start.options.headless ? HostRun::headless(argc, argv, start.options)
                                  : runWindow(argc, argv, start.options);
}
