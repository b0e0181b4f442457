// vornic-hostd: the room and the console without a window, for servers with no display. It links
// QtCore and QtNetwork only, so starting it loads no graphics libraries.
#include "app/HostRun.h"
#include "app/ProgramStart.h"

int main(int argc, char *argv[])
{
    const ProgramStart start
        = ProgramStart::fromArguments(argc, argv, CommandLine::Program::Server);
    if (start.exitCode)
        return *start.exitCode;
    return HostRun::headless(argc, argv, start.options);
}
