#pragma once

#include <vector>

#include "bench/benchrun.h"
#include "service/engine/engine.h"

namespace bench {

// Rows of the more-columns option on Batters, each next to the same request without it: a
// cached scroll page (by home runs), and the first page of a new sort (by OPS+ with the option,
// by SLG without, the sort key nearest to it). The first request with the option, which builds
// its tables, is timed once in the note.
void addMoreRows(bbstatsd::Engine& engine, int port, int scale, std::vector<Row>& rows);

} // namespace bench
