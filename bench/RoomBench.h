#pragma once

#include "BenchSettings.h"
#include "ResultTable.h"

// One headless host with an open room and a swarm of loopback clients: the pacing of what it
// sends, its CPU time while idle, and its memory before and after relaying many lines; with the
// outgoing queue shared, or with "Fast Delivery" (every connection paced on its own clock).
void runRoomBench(const BenchSettings &settings, ResultTable &table, bool fastDelivery);
