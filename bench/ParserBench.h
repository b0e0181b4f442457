#pragma once

#include <QString>

#include <functional>

// Pages of a chosen size for the league page parsers, built like the league's own pages, and the
// time one parse of them takes.
namespace ParserBench {

// Single-elimination report: sections of 32 match rows, one form each, rounds 1..6 in turn.
QString singleEliminationPage(qsizetype size);
// Double-elimination report: one bracket table of "W<n>" rows.
QString doubleEliminationPage(qsizetype size);
// A ranked player's lookup page, with the ladder's other rows after his.
QString rankPage(qsizetype size);

// Mean time of one call in microseconds: repeated until at least minTotalMs have passed (and at
// least three times, at most maxRuns times).
double microsecondsPerCall(
    const std::function<void()> &call, int minTotalMs = 300, int maxRuns = 100000);

} // namespace ParserBench
