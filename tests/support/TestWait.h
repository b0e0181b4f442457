#pragma once

#include <functional>

// Runs the event loop until the condition holds or the time is up; never waits unbounded.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);
