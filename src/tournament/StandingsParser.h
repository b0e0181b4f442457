#pragma once

#include "tournament/Pairings.h"

#include <QStringView>

// Scrapers of the league's tournament report page. Both take any text, never fail, and run in
// time proportional to the page. Entries whose round or match number has no place in the table
// are left out.

// Single elimination: one section per ">Round N" heading, up to the next "/form"; each row
// "left>Match #M<...left>First<...left>Second<" fills round N, match M. Only the heading's first
// digit counts; empty names read "TBD".
Pairings parseStandings(QStringView document);

// Double elimination: consecutive pairs of "=left>Name<" cells fill round 1, matches 1, 2, 3 ...
// in page order; empty names stay empty.
Pairings parseDEStandings(QStringView document);
