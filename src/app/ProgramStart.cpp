#include "app/ProgramStart.h"

#include "host/HostCore.h"
#include "panel/PanelFrontEnd.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

#ifndef VORNIC_VERSION
#error "VORNIC_VERSION must be defined by the build"
#endif

namespace {

void printTo(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

} // namespace

ProgramStart ProgramStart::fromArguments(int argc, char *argv[], CommandLine::Program program)
{
    // Both programs share their name, and so their per-user settings and data folders.
    QCoreApplication::setApplicationName(u"Vornic Host"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf8(VORNIC_VERSION));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLineResult parsed = CommandLine::parse(arguments, program);
    ProgramStart start{parsed.options, std::nullopt};
    if (!parsed.ok()) {
        printTo(stderr, parsed.errorText + u"\n(see --help)"_s);
        start.exitCode = 64;
    } else if (parsed.options.showHelp) {
        printTo(stdout, CommandLine::helpText(program));
        start.exitCode = 0;
    } else if (parsed.options.showVersion) {
        printTo(stdout, CommandLine::versionText(program));
        start.exitCode = 0;
    } else if (parsed.options.setPanelPassword) {
        QCoreApplication app(argc, argv);
        start.exitCode = PanelPasswordSetup::run(HostCore::settingsFileFor(parsed.options));
    }
    return start;
}
