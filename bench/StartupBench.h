#pragma once

#include "BenchSettings.h"
#include "ResultTable.h"

// Time from launching vornic-host to it being ready, headless and with its window, measured
// from outside the process.
void runStartupBench(const BenchSettings &settings, ResultTable &table);
