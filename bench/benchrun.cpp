#include "bench/benchrun.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "bench/benchnet.h"

namespace bench {

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double oursMs(int port, int reps, const std::function<std::string(int)>& request,
              std::string* lastReply) {
    std::vector<double> times;
    std::string reply;
    for (int rep = 0; rep < reps; ++rep) {
        const std::string bytes = request(rep);
        const auto start = Clock::now();
        if (!roundTrip(port, bytes, reply)) {
            throw std::runtime_error("request failed: " + reply.substr(0, 200));
        }
        times.push_back(msSince(start));
    }
    if (lastReply != nullptr) {
        *lastReply = reply;
    }
    return median(times);
}

double sqlMs(int reps, const std::function<double(int)>& run) {
    std::vector<double> times;
    for (int rep = 0; rep < reps; ++rep) {
        times.push_back(run(rep));
    }
    return median(times);
}

double engineMs(bbstatsd::Engine& engine, bbstatsd::Table table, int reps,
                const std::function<std::string(int)>& request, const std::string& query) {
    std::vector<double> times;
    for (int rep = 0; rep < reps; ++rep) {
        const std::string body = bodyOf(request(rep));
        const auto start = Clock::now();
        engine.answer(table, body, query);
        times.push_back(msSince(start));
    }
    return median(times);
}

Interleaved interleave(int blocks, const std::function<double()>& ours,
                       const std::function<double()>& floor) {
    std::vector<double> oursFigures, floorFigures, ratios;
    for (int block = 0; block < blocks; ++block) {
        oursFigures.push_back(ours());
        floorFigures.push_back(floor());
        ratios.push_back(floorFigures.back() > 0 ? oursFigures.back() / floorFigures.back() : 0);
    }
    Interleaved result;
    result.ours = median(oursFigures);
    result.floor = median(floorFigures);
    result.ratio = median(ratios);
    result.low = *std::min_element(ratios.begin(), ratios.end());
    result.high = *std::max_element(ratios.begin(), ratios.end());
    return result;
}

void versusFloor(Row& row, int port, int floorPort, int reps,
                 const std::function<std::string(int)>& request, std::string* lastReply) {
    constexpr int Blocks = 16;
    const int perBlock = std::max(5, reps / 8);
    int oursDone = 0;
    int floorDone = 0;
    const Interleaved figures = interleave(
        Blocks,
        [&] {
            const double ms = oursMs(
                port, perBlock, [&](int rep) { return request(oursDone + rep); }, lastReply);
            oursDone += perBlock;
            return ms;
        },
        [&] {
            const double ms =
                oursMs(floorPort, perBlock, [&](int rep) { return request(floorDone + rep); });
            floorDone += perBlock;
            return ms;
        });
    row.ours = figures.ours;
    row.floor = figures.floor;
    row.ratio = figures.ratio;
    row.ratioLow = figures.low;
    row.ratioHigh = figures.high;
}

std::string page(int top, const std::string& sort, const std::vector<std::string>& items) {
    std::string body = std::to_string(top) + "!40!" + sort + "\r\n";
    for (const std::string& item : items) {
        body += item + "\r\n";
    }
    if (items.empty()) {
        body += "*\r\n";
    }
    return body + "\x1a";
}

std::string sums(const std::vector<std::string>& columns) {
    std::string text;
    for (const std::string& column : columns) {
        text.append(text.empty() ? "" : ", ").append("SUM(NULLIF(").append(column).append(",-1))");
    }
    return text;
}

std::string countOf(const std::string& reply) {
    const std::string body = bodyOf(reply);
    return body.substr(0, body.find('\r'));
}

namespace {

// "1.23 (1.10-1.40)" for a ratio of interleaved blocks, else ours/floor.
std::string floorRatio(const Row& row) {
    char text[64];
    if (row.ratio > 0) {
        std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", row.ratio, row.ratioLow,
                      row.ratioHigh);
    } else {
        std::snprintf(text, sizeof text, "%.2f", row.ours / row.floor);
    }
    return text;
}

} // namespace

void printTable(const std::vector<Row>& rows) {
    std::printf("| query | ours ms | engine alone ms | floor ms | ours/floor | SQLite ms | "
                "ours/SQLite | SQLite+idx ms | ours/SQLite+idx | note |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
    for (const Row& row : rows) {
        // A figure not measured for the row (0) shows "-", and so does a ratio made from it.
        char engine[32] = "-", floor[32] = "-";
        std::string ratio = "-";
        if (row.engine > 0) {
            std::snprintf(engine, sizeof engine, "%.3f", row.engine);
        }
        if (row.floor > 0) {
            std::snprintf(floor, sizeof floor, "%.3f", row.floor);
            ratio = floorRatio(row);
        }
        if (row.sql == 0) {
            std::printf("| %s | %.3f | %s | %s | %s | - | - | - | - | %s |\n", row.name.c_str(),
                        row.ours, engine, floor, ratio.c_str(), row.note.c_str());
            continue;
        }
        std::printf("| %s | %.3f | %s | %s | %s | %.3f | %.4f (%.0fx faster) | %.3f | %.4f "
                    "(%.0fx faster) | %s |\n",
                    row.name.c_str(), row.ours, engine, floor, ratio.c_str(), row.sql,
                    row.ours / row.sql, row.sql / row.ours, row.sqlIndexed,
                    row.ours / row.sqlIndexed, row.sqlIndexed / row.ours, row.note.c_str());
    }
}

} // namespace bench
