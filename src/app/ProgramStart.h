#pragma once

#include "app/CommandLine.h"

#include <optional>

// What both programs do before any front end: name themselves, read the command line, and print
// the help, the version or what was wrong with it.
struct ProgramStart
{
    CommandLineOptions options;
    std::optional<int> exitCode; // set when the program is done already

    static ProgramStart fromArguments(int argc, char *argv[], CommandLine::Program program);
};
