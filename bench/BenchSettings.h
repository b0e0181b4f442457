#pragma once

#include <QString>

// What the command line of vornic-bench chose.
struct BenchSettings
{
    QString hostProgram; // vornic-host beside vornic-bench unless given
    int clients = 62; // seated for the pacing and idle runs; one more joins for memory
    int idleSeconds = 10;
    int panels = 3; // browser panels watching a second pacing run; 0 for none
    qint64 relayedLines = 6200; // line deliveries for the memory run
    int startupRuns = 5;
    bool window = true; // also time the window's start-up
    QString only; // one group of benchmarks, or all when empty
};
