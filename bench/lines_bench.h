#pragma once

#include <string>
#include <vector>

#include "bench/benchrun.h"
#include "bench/sqlbaseline.h"
#include "service/engine/engine.h"

namespace bench {

// Rows of the lines modes on Batters sorted by home runs: a new query's first page per mode
// (per team, per season, per career over all seasons and over 1950-1959) and a cached page of
// career lines, each against SQLite doing the same GROUP BY.
void addLinesRows(bbstatsd::Engine& engine, int port, SqlBaseline& plain, SqlBaseline& indexed,
                  int scale, std::vector<Row>& rows);

// What keeping season and career lines ready costs at load: the service's start-up to /healthz
// 200 and its resident memory, next to the lines' build time and memory measured in this
// process (the same build step the service runs at load).
void printLinesLoad(const std::string& binary, const std::string& db, const std::string& work,
                    int scale);

} // namespace bench
