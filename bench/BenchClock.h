#pragma once

#include <QtGlobal>

#include <functional>

// One clock for every timestamp the benchmarks take, so times from different objects compare.
namespace BenchClock {

qint64 nowNs();
inline double nsToMs(qint64 ns)
{
    return double(ns) / 1e6;
}

// Runs the event loop until the condition holds or the time is up; true if it holds. The
// condition is checked every few milliseconds, so waiting costs next to no CPU of its own.
bool waitFor(const std::function<bool()> &condition, int timeoutMs);
// Runs the event loop for the given time.
void pumpFor(int ms);

} // namespace BenchClock
