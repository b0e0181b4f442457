#pragma once

#include "ResultTable.h"

// In this process: the outgoing queue paced per connection, every one of 62 loopback connections
// busy, timed on the queue's own clock, beside a bare PaceTimer that wakes 5 ms after each of its
// wake-ups. The queue's gaps can be no better than the timer's; this shows how close they come.
void runQueueClockBench(ResultTable &table);
