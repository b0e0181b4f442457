#pragma once

#include "app/CommandLine.h"

#include <memory>

class DemoLauncher;
class HostCore;
class PanelFrontEnd;
class QCoreApplication;

// How both programs run the host: until it has shut down, with termination signals closing the
// room as Exit does. Nothing here needs a display, so the server program is built from it alone.
namespace HostRun {

// With --demo, starts the simulators and points the options at them; false when they cannot run.
bool prepareDemo(CommandLineOptions &options, std::unique_ptr<DemoLauncher> &demo);

// The browser panel when the options ask for one; false (after saying why on standard error)
// when it cannot start, which is a failed start of the program.
bool startPanel(
    HostCore &core, const CommandLineOptions &options, std::unique_ptr<PanelFrontEnd> &panel);

// Runs the event loop until the host has finished; the front end is set up by the caller.
int untilShutdown(QCoreApplication &app, HostCore &core, const CommandLineOptions &options);

// The whole run of the console front end, from the application object to the exit code.
int headless(int argc, char *argv[], CommandLineOptions options);

} // namespace HostRun
