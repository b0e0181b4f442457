#pragma once

#include "host/HostOptions.h"
#include "panel/PanelFrontEnd.h"

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line.
struct CommandLineOptions : HostOptions
{
    bool showHelp = false;
    bool showVersion = false;
    bool headless = false;
    bool hostAtStart = false; // --host: open the room at once
    bool demo = false; // --demo: start the simulators beside the host
    bool setPanelPassword = false; // --set-panel-password: store it and exit
    PanelRequest panel;
};

// The outcome of parsing: the options, or a text saying what was wrong for the caller to print.
struct CommandLineResult
{
    CommandLineOptions options;
    QString errorText;

    bool ok() const { return errorText.isEmpty(); }
};

namespace CommandLine {

// The window program, or the server program, which has no window: there --headless is accepted,
// so the two can be started alike, and changes nothing.
enum class Program { Window, Server };

// arguments as QCoreApplication::arguments() gives them, program name first. Pure: prints
// nothing and does not exit.
CommandLineResult parse(const QStringList &arguments, Program program = Program::Window);

QString helpText(Program program = Program::Window);
// "vornic-host" or "vornic-hostd".
QString programName(Program program);
// "Vornic Host 1.4"; the server program says "vornic-hostd (Vornic Host) 1.4".
QString versionText(Program program = Program::Window);

} // namespace CommandLine
