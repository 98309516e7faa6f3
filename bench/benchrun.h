#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "service/engine/engine.h"

// What every row of bbstats-bench's table is made of: medians of repeated requests to the
// service, to the engine in the bench's own process and to SQLite, and the table printed.
namespace bench {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values);
double msSince(Clock::time_point start);

// Median milliseconds of one request per repetition; request(rep) gives the bytes to send.
double oursMs(int port, int reps, const std::function<std::string(int)>& request,
              std::string* lastReply = nullptr);

// Median milliseconds of run(rep), which times itself.
double sqlMs(int reps, const std::function<double(int)>& run);

// Median milliseconds of the engine alone (in this process) answering the body of request(rep),
// with query as the service path's query ("lines=career").
double engineMs(bbstatsd::Engine& engine, bbstatsd::Table table, int reps,
                const std::function<std::string(int)>& request, const std::string& query = {});

// A page request body: top row, 40 rows, sort codes, selection items ("*" ends a group).
std::string page(int top, const std::string& sort, const std::vector<std::string>& items);

// "SUM(NULLIF(c,-1))" of each count column, comma-separated (-1 is the missing marker).
std::string sums(const std::vector<std::string>& columns);

// The first line of a reply's body: the number of rows of the query.
std::string countOf(const std::string& reply);

struct Row {
    std::string name;
    double ours = 0;
    double engine = 0; // 0 when not measured
    double floor = 0;  // 0 when not measured
    // ours/floor as the median of interleaved blocks' ratios, with their lowest and highest; 0
    // when the ratio is only ours/floor.
    double ratio = 0;
    double ratioLow = 0;
    double ratioHigh = 0;
    double sql = 0;
    double sqlIndexed = 0;
    std::string note;
};

// A ratio measured in blocks: the median of the blocks' ratios and their range, with the
// medians of each side's block figures.
struct Interleaved {
    double ours = 0;
    double floor = 0;
    double ratio = 0;
    double low = 0;
    double high = 0;
};

// Runs ours() and floor() alternately, `blocks` times each (ours, floor, ours, floor, ...), each
// call one block's figure, so that both sides see the same load of the machine; each block's
// ratio is ours over the floor of the same pair.
Interleaved interleave(int blocks, const std::function<double()>& ours,
                       const std::function<double()>& floor);

// The row's ours and floor milliseconds, 2 x `reps` requests each side, in 16 interleaved blocks
// of the service at `port` and the floor server at `floorPort`; the last reply of the service
// goes into lastReply.
void versusFloor(Row& row, int port, int floorPort, int reps,
                 const std::function<std::string(int)>& request, std::string* lastReply = nullptr);

void printTable(const std::vector<Row>& rows);

} // namespace bench
