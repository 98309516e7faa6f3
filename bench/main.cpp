// bbstats-bench: starts bbstatsd on loopback and measures what the client does, one new
// connection per request, against a bare socket server (the floor) and against the same
// queries in SQLite. See bench/README.md.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/benchnet.h"
#include "bench/benchrun.h"
#include "bench/lines_bench.h"
#include "bench/more_bench.h"
#include "bench/servercost.h"
#include "bench/sqlbaseline.h"
#include "service/engine/engine.h"
#include "service/engine/importer.h"
#include "service/engine/sqlitedb.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::engineMs;
using bench::median;
using bench::msSince;
using bench::oursMs;
using bench::page;
using bench::Row;
using bench::sqlMs;
using bench::sums;

struct Options {
    std::string binary = BBSTATS_BENCH_SERVICE;
    std::string db = BBSTATS_BENCH_DB;
    std::string data;
    int scale = 1; // repetitions multiplier
    // Only the rows against the floor, the throughput and the memory: no SQLite, no engine in
    // this process, no lines or start-up figures.
    bool httpOnly = false;
    // When set, perf records the service into this file while 2 clients ask for cached pages.
    std::string perfFile;
    // When 0 or more, the bench, the service and the floor all run on this processor only.
    int pin = -1;
};

// perf record of the process into file for as long as load() runs; false when perf could not
// be started (the load runs anyway).
bool recordProfile(pid_t pid, const std::string& file, const std::function<void()>& load) {
    // The library and libc have no frame pointers: their stacks are unwound from copies.
    std::vector<std::string> args = {
        "perf", "record",           "-q", "-F", "999", "--call-graph", "dwarf,8192", "-o", file,
        "-p",   std::to_string(pid)};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t perf = -1;
    if (posix_spawnp(&perf, "perf", nullptr, nullptr, argv.data(), environ) != 0) {
        load();
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // perf attaches
    load();
    ::kill(perf, SIGINT);
    int status = 0;
    ::waitpid(perf, &status, 0);
    std::error_code error;
    return fs::file_size(file, error) > 0 && !error;
}

// Requests per second of clients threads, each sending request(n) in a loop for seconds. Each
// client connects from an address of its own (127.0.4.x), as separate users would.
double requestsPerSecond(int port, int clients, double seconds,
                         const std::function<std::string(int)>& request) {
    std::atomic<long> done{0};
    std::atomic<long> failed{0};
    std::string firstFailure;
    std::mutex failureMutex;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            const std::string source = "127.0.4." + std::to_string(c + 1);
            std::string reply;
            for (int n = c * 100003; Clock::now() < end; ++n) {
                if (bench::roundTrip(port, request(n), reply, source)) {
                    ++done;
                } else if (failed++ == 0) {
                    std::lock_guard lock(failureMutex);
                    firstFailure = reply.empty() ? "closed without a reply"
                                                 : reply.substr(0, reply.find('\r'));
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (failed > 0) {
        std::cerr << "  " << failed << " requests failed, first: " << firstFailure << "\n";
    }
    return static_cast<double>(done) / (msSince(start) / 1000.0);
}

// Whether the file was written by this importer (an earlier one wrote other figures).
bool currentFormat(const std::string& db) {
    try {
        bbstatsd::SqliteDb file(db, true);
        bbstatsd::SqliteStmt format(file, "SELECT value FROM meta WHERE key = 'format'");
        return format.step() && format.text(0) == bbstatsd::kImportFormat;
    } catch (const std::exception&) {
        return false;
    }
}

void ensureDatabase(const Options& options) {
    if (fs::exists(options.db) && currentFormat(options.db)) {
        return;
    }
    std::cerr << "importing " << options.data << " into " << options.db << " ...\n";
    fs::create_directories(fs::path(options.db).parent_path());
    const std::string command =
        "'" + options.binary + "' import '" + options.data + "' '" + options.db + "'";
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("import failed: " + command);
    }
}

int run(const Options& options) {
    ensureDatabase(options);
    char workTemplate[] = "/tmp/bbstats-bench-XXXXXX";
    const std::string work = ::mkdtemp(workTemplate);
    const int scale = options.scale;

    const std::vector<std::string> batterCounts = {"G",  "PA",  "AB", "RS",   "H",  "D",   "T",
                                                   "HR", "RBI", "BB", "IBB",  "SO", "HBP", "SH",
                                                   "SF", "SB",  "CS", "GIDP", "TB", "S"};
    const std::vector<std::string> fielderCounts = {"G",  "PO", "AST",          "ERR",
                                                    "DP", "PB", "TotalChances", "GS"};
    const bool full = !options.httpOnly;
    std::unique_ptr<bench::SqlBaseline> plainFile, indexedFile;
    std::unique_ptr<bbstatsd::Engine> engineHere;
    if (full) {
        std::cerr << "indexing a copy of the database for SQLite ...\n";
        plainFile = std::make_unique<bench::SqlBaseline>(options.db);
        indexedFile = std::make_unique<bench::SqlBaseline>(bench::SqlBaseline::indexedCopy(
            options.db, work + "/indexed->db",
            {"batters(HR)", "batters(PlayerName COLLATE NOCASE)", "batters(Year)",
             "batters(League)", "batters(G)", "fielders(PlayerName COLLATE NOCASE)",
             "fielders(Year)", "fielders(Position COLLATE NOCASE)", "fielders(G)", "fielders(PO)",
             "fielders(League)", "batters(PlayerID, Year)"}));
        std::cerr << "loading the engine in this process ...\n";
        engineHere = std::make_unique<bbstatsd::Engine>(options.db);
    }
    bench::SqlBaseline* plain = plainFile.get();
    bench::SqlBaseline* indexed = indexedFile.get();
    bbstatsd::Engine* engine = engineHere.get();
    using bbstatsd::Table;
    std::cerr << "starting " << options.binary << " ...\n";
    bench::Service service(options.binary, options.db, work + "/events.db");
    service.waitUntilLoaded();
    const int port = service.port();
    const std::string bat = "/cgi-bin/getbat.exe";
    const std::string fld = "/cgi-bin/getfield.exe";
    std::vector<Row> rows;

    // 1. Scroll pages of cached queries: Batters by home runs, Fielders in the default order.
    {
        auto request = [&](int rep) {
            return bench::postRequest(bat,
                                      page(static_cast<int>(rep * 7919LL % 128500), "16!", {}));
        };
        std::string reply;
        oursMs(port, 3, request, &reply); // computes and caches the query
        Row row;
        row.name = "scroll page, cached (Batters, HR desc)";
        bench::FloorServer floor(reply);
        bench::versusFloor(row, port, floor.port(), 400 * scale, request, &reply);
        row.note = std::to_string(reply.size()) + " reply bytes";
        if (!full) {
            rows.push_back(row);
        } else {
            engineMs(*engine, Table::Batters, 3, request);
            row.engine = engineMs(*engine, Table::Batters, 400 * scale, request);
            const bench::SqlQuery sql{"batters", "",
                                      "HR DESC, PlayerName COLLATE NOCASE, Year, Stint",
                                      sums(batterCounts)};
            row.sql = sqlMs(5 * scale, [&](int rep) {
                return plain->pageMs(sql, static_cast<int>(rep * 7919LL % 128500));
            });
            row.sqlIndexed = sqlMs(5 * scale, [&](int rep) {
                return indexed->pageMs(sql, static_cast<int>(rep * 7919LL % 128500));
            });
            rows.push_back(row);
        }
    }
    {
        auto request = [&](int rep) {
            return bench::postRequest(fld,
                                      page(static_cast<int>(rep * 7919LL % 174000), "300!", {}));
        };
        std::string reply;
        oursMs(port, 3, request, &reply);
        Row row;
        row.name = "scroll page, cached (Fielders, default order)";
        bench::FloorServer floor(reply);
        bench::versusFloor(row, port, floor.port(), 400 * scale, request, &reply);
        row.note = std::to_string(reply.size()) + " reply bytes";
        if (!full) {
            rows.push_back(row);
        } else {
            engineMs(*engine, Table::Fielders, 3, request);
            row.engine = engineMs(*engine, Table::Fielders, 400 * scale, request);
            const bench::SqlQuery sql{"fielders", "",
                                      "PlayerName COLLATE NOCASE, Year, Stint, Position",
                                      sums(fielderCounts)};
            row.sql = sqlMs(5 * scale, [&](int rep) {
                return plain->pageMs(sql, static_cast<int>(rep * 7919LL % 174000));
            });
            row.sqlIndexed = sqlMs(5 * scale, [&](int rep) {
                return indexed->pageMs(sql, static_cast<int>(rep * 7919LL % 174000));
            });
            rows.push_back(row);
        }
    }

    // The HTTP side alone: a small content file, against the floor with the same reply.
    {
        auto request = [&](int) { return std::string(bench::HttpOnlyRequest); };
        std::string reply;
        Row row;
        row.name = "HTTP only: GET /verman.asp (no engine)";
        oursMs(port, 3, request, &reply);
        bench::FloorServer floor(reply);
        bench::versusFloor(row, port, floor.port(), 400 * scale, request, &reply);
        row.note = std::to_string(reply.size()) + " reply bytes; no SQL counterpart";
        rows.push_back(row);
    }

    // A player search of one to three words, from memory, against the floor with the reply of
    // the one-word search (the longest of them).
    {
        static const char* const queries[] = {"ruth", "babe+ruth", "ken+griffey+george",
                                              "acu%C3%B1a+ronald"};
        auto request = [&](int rep) {
            return std::string("GET /players?q=") + queries[rep % 4] +
                   " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Mozilla/3.0 (compatible)\r\nHost: "
                   "127.0.0.1\r\n\r\n";
        };
        std::string reply;
        Row row;
        row.name = "player search: GET /players?q= (1-3 words)";
        std::vector<double> times;
        for (int rep = 0; full && rep < 400 * scale; ++rep) {
            const auto start = bench::Clock::now();
            engine->findPlayers(std::string("q=") + queries[rep % 4]);
            times.push_back(bench::msSince(start));
        }
        row.engine = bench::median(times);
        oursMs(
            port, 1, [&](int) { return request(0); }, &reply);
        bench::FloorServer floor(reply);
        std::string last;
        bench::versusFloor(row, port, floor.port(), 400 * scale, request, &last);
        // The table shows the engine's time only beside SQL, so the note carries it.
        char engineText[64];
        std::snprintf(engineText, sizeof engineText, "; engine alone %.4f ms", row.engine);
        row.note = std::to_string(reply.size()) + " reply bytes (\"ruth\")" + engineText +
                   "; no SQL counterpart";
        rows.push_back(row);
    }

    if (full) {
        // 2. New queries (never cached: each repetition limits G by a different bound that keeps
        // the same rows). Four keys: position asc, games desc, season asc, putouts desc.
        const std::string fourKeys = "Z!105!6!101!7!";
        const std::string fourKeysSql =
            "Position COLLATE NOCASE, G DESC, Year, PO DESC, PlayerName COLLATE NOCASE, Stint";
        {
            std::string reply;
            Row row;
            row.name = "first page, new 4-key sort (all Fielders)";
            auto request = [&](int rep) {
                return bench::postRequest(
                    fld, page(0, fourKeys, {"E6!-" + std::to_string(rep + 1) + "!!", "*"}));
            };
            row.ours = oursMs(port, 20 * scale, request, &reply);
            row.engine = engineMs(*engine, Table::Fielders, 20 * scale, request);
            const bench::SqlQuery sql{"fielders", "G >= -1", fourKeysSql, sums(fielderCounts)};
            row.sql = sqlMs(3 * scale, [&](int) { return plain->pageMs(sql, 0); });
            row.sqlIndexed = sqlMs(3 * scale, [&](int) { return indexed->pageMs(sql, 0); });
            row.note = std::string("target < 5 ms; ").append(bench::countOf(reply)).append(" rows");
            rows.push_back(row);
        }
        {
            std::vector<std::string> items;
            std::string years;
            for (int year = 1990; year <= 1999; ++year) {
                items.push_back(std::string("C").append(std::to_string(year)));
                years.append(years.empty() ? "" : ",").append(std::to_string(year));
            }
            items.insert(items.end(), {"*", "DAL", "DNL", "*"});
            std::string reply;
            Row row;
            row.name = "first page, new 4-key sort, 2 groups + limit (Fielders)";
            auto request = [&](int rep) {
                auto all = items;
                all.insert(all.end(), {"E6!" + std::to_string(rep % 5 + 1) + "!" +
                                           std::to_string(1000 + rep) + "!",
                                       "*"});
                return bench::postRequest(fld, page(0, fourKeys, all));
            };
            row.ours = oursMs(port, 30 * scale, request, &reply);
            row.engine = engineMs(*engine, Table::Fielders, 30 * scale, request);
            const bench::SqlQuery sql{
                "fielders", "Year IN (" + years + ") AND League IN ('AL','NL') AND G >= 1",
                fourKeysSql, sums(fielderCounts)};
            row.sql = sqlMs(5 * scale, [&](int) { return plain->pageMs(sql, 0); });
            row.sqlIndexed = sqlMs(5 * scale, [&](int) { return indexed->pageMs(sql, 0); });
            row.note = bench::bodyOf(reply).substr(0, bench::bodyOf(reply).find('\r')) + " rows";
            rows.push_back(row);
        }
        {
            std::string reply;
            Row row;
            row.name = "filtered new query (Batters 2000-2001, AL)";
            auto request = [&](int rep) {
                return bench::postRequest(bat,
                                          page(0, "300!",
                                               {"C2000", "C2001", "*", "DAL", "*",
                                                "E7!-" + std::to_string(rep + 1) + "!!", "*"}));
            };
            row.ours = oursMs(port, 100 * scale, request, &reply);
            row.engine = engineMs(*engine, Table::Batters, 100 * scale, request);
            const bench::SqlQuery sql{"batters",
                                      "Year IN (2000,2001) AND League = 'AL' AND G >= -1",
                                      "PlayerName COLLATE NOCASE, Year, Stint", sums(batterCounts)};
            row.sql = sqlMs(10 * scale, [&](int) { return plain->pageMs(sql, 0); });
            row.sqlIndexed = sqlMs(10 * scale, [&](int) { return indexed->pageMs(sql, 0); });
            row.note = "target < 2 ms; " +
                       bench::bodyOf(reply).substr(0, bench::bodyOf(reply).find('\r')) + " rows";
            rows.push_back(row);
        }
    }

    // 3. Pick lists.
    {
        std::string reply;
        auto request = [&](int) { return bench::postRequest(bat, "0!0!A!\r\n*\r\n\x1a"); };
        oursMs(port, 2, request, &reply);
        Row row;
        row.name = "pick list, players (Batters)";
        bench::FloorServer floor(reply);
        bench::versusFloor(row, port, floor.port(), 80 * scale, request, &reply);
        row.note = std::to_string(reply.size()) + " reply bytes";
        if (full) {
            engineMs(*engine, Table::Batters, 3, request);
            row.engine = engineMs(*engine, Table::Batters, 20 * scale, request);
            row.sql = sqlMs(5 * scale, [&](int) { return plain->listMs("batters", "PlayerName"); });
            row.sqlIndexed =
                sqlMs(5 * scale, [&](int) { return indexed->listMs("batters", "PlayerName"); });
        }
        rows.push_back(row);
    }
    {
        Row row;
        row.name = "pick list, seasons (Fielders)";
        std::string reply;
        auto request = [&](int) { return bench::postRequest(fld, "0!0!C!\r\n*\r\n\x1a"); };
        oursMs(port, 2, request, &reply);
        bench::FloorServer floor(reply);
        bench::versusFloor(row, port, floor.port(), 200 * scale, request, &reply);
        row.note = std::to_string(reply.size()) + " reply bytes";
        if (full) {
            engineMs(*engine, Table::Fielders, 3, request);
            row.engine = engineMs(*engine, Table::Fielders, 50 * scale, request);
            row.sql = sqlMs(5 * scale, [&](int) { return plain->listMs("fielders", "Year"); });
            row.sqlIndexed =
                sqlMs(5 * scale, [&](int) { return indexed->listMs("fielders", "Year"); });
        }
        rows.push_back(row);
    }
    // 4. Combined lines: a new query per lines mode, and cached pages of career lines.
    if (full) {
        bench::addLinesRows(*engine, port, *plain, *indexed, scale, rows);
        bench::addMoreRows(*engine, port, scale, rows);
    }
    bench::printTable(rows);

    // 4. Throughput of cached scroll pages, and of the floor with the same reply.
    auto scroll = [&](int n) {
        return bench::postRequest(bat, page(static_cast<int>(n * 7919LL % 128500), "16!", {}));
    };
    std::string reply;
    bench::roundTrip(port, scroll(0), reply);
    if (!options.perfFile.empty()) {
        const bool recorded = recordProfile(service.pid(), options.perfFile,
                                            [&] { requestsPerSecond(port, 2, 5.0, scroll); });
        std::printf("\nprofile of cached pages, 2 clients, 5 s: %s\n",
                    recorded ? options.perfFile.c_str() : "perf could not record");
    }
    bench::printServerCost(port, service.pid(), scale, scroll,
                           bench::postRequest(bat, "0!0!A!\r\n*\r\n\x1a"));

    bench::FloorServer floor(reply);
    // Six blocks of half a second each way, interleaved, so both see the same load.
    std::printf("\n| clients | ours req/s | floor req/s | ours/floor |\n|---:|---:|---:|---:|\n");
    for (int clients : {2, 8}) {
        const bench::Interleaved rate = bench::interleave(
            6 * scale, [&] { return requestsPerSecond(port, clients, 0.5, scroll); },
            [&] { return requestsPerSecond(floor.port(), clients, 0.5, scroll); });
        std::printf("| %d | %.0f | %.0f | %.2f (%.2f-%.2f) |\n", clients, rate.ours, rate.floor,
                    rate.ratio, rate.low, rate.high);
    }

    // 5. Memory with every table loaded and the cache filled by distinct sorts.
    for (int n = 0; n < 120 * scale; ++n) {
        bench::roundTrip(port,
                         bench::postRequest(n % 2 ? bat : fld,
                                            page(0,
                                                 "Z!" + std::to_string(n % 13 + 5) + "!1!" +
                                                     std::to_string(n % 2 ? 16 : 7) + "!0!",
                                                 {"E5!-" + std::to_string(n + 1) + "!!", "*"})),
                         reply);
    }
    std::printf("\nbbstatsd memory after filling the cache: VmRSS %.0f MB, VmHWM %.0f MB "
                "(target < 320 MB)\n",
                bench::residentMb(service.pid()), bench::residentMb(service.pid(), "VmHWM:"));

    // 6. What the lines kept ready from load time add to start-up and memory.
    if (full) {
        bench::printLinesLoad(options.binary, options.db, work, scale);
    }
    fs::remove_all(work);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == bench::FloorServeOption) {
        return bench::serveFloor(argv[2]);
    }
    if (argc == 3 && std::string(argv[1]) == bench::LibraryServeOption) {
        return bench::serveLibrary(argv[2]);
    }
    Options options;
    const char* lahman = std::getenv("LAHMAN_DIR");
    options.data = lahman != nullptr ? lahman : BBSTATS_BENCH_DATA;
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--http") {
            options.httpOnly = true;
            --i;
        } else if (i + 1 == argc) {
            options.db.clear();
            break;
        } else if (name == "--db") {
            options.db = argv[i + 1];
        } else if (name == "--service") {
            options.binary = argv[i + 1];
        } else if (name == "--data") {
            options.data = argv[i + 1];
        } else if (name == "--pin") {
            options.pin = std::atoi(argv[i + 1]);
        } else if (name == "--perf") {
            options.perfFile = argv[i + 1];
        } else if (name == "--scale") {
            options.scale = std::max(1, std::atoi(argv[i + 1]));
        } else {
            options.db.clear();
            break;
        }
    }
    if (options.db.empty()) {
        std::cerr << "usage: bbstats-bench [--db FILE] [--service BBSTATSD] [--data DIR] "
                     "[--scale N] [--http] [--perf FILE] [--pin CPU]\n";
        return 2;
    }
    if (options.pin >= 0) {
        // Set before any thread or child starts: they all inherit it.
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(options.pin, &one);
        if (::sched_setaffinity(0, sizeof one, &one) != 0) {
            std::cerr << "bbstats-bench: cannot run on processor " << options.pin << "\n";
            return 2;
        }
    }
    try {
        return run(options);
    } catch (const std::exception& error) {
        std::cerr << "bbstats-bench: " << error.what() << "\n";
        return 1;
    }
}
