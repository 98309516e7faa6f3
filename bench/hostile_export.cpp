// bbstats-hostile's scenarios of the export path and of request cost: CSV sorters against a
// cached page, many clients exporting one result at once, and 64 KiB requests of limits that
// match nothing against another user's new query. See bench/README.md.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/benchnet.h"
#include "bench/hostile.h"

namespace hostile {

namespace {

const std::string FieldersCsv = "/cgi-bin/getfield.csv";

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// New four-key sorts of all Fielders as CSV, from `sorters` addresses, while a cached page is
// measured; then the cached page once more after they stopped.
bool csvSorters(const Options& options, int port, int sorters) {
    std::printf("CSV sorters: %d clients, each from its own address, exporting new four-key sorts "
                "of all Fielders\n",
                sorters);
    const Phase alone = normalClients(port, 1, options.seconds);
    report("cached page alone", alone);
    Flood counts;
    std::atomic<long> unique{0};
    const Phase attacked = during(port, 1, options.seconds, [&](const std::atomic<bool>& stop) {
        flood(
            stop, port, sorters, sorters, "127.0.5.",
            [&](int, long) {
                return bench::postRequest(
                    FieldersCsv,
                    pageBody(0, "Z!105!6!101!7!",
                             {"E6!-" + std::to_string(++unique + 2000000) + "!!", "*"}));
            },
            counts);
    });
    report("cached page during them", attacked);
    const Phase after = normalClients(port, 1, std::min(options.seconds, 2.0));
    report("cached page after them", after);
    std::printf("  exports: %ld whole, %ld refused (503), %ld failed\n", counts.ok.load(),
                counts.refused.load(), counts.failed.load());
    std::printf("  ratio p99 during/alone: %.2f\n",
                percentile(attacked.ms, 0.99) / std::max(percentile(alone.ms, 0.99), 1e-9));
    return alone.failures == 0 && attacked.failures == 0 && after.failures == 0;
}

// `clients` clients from addresses of their own export one cached result at once; each reply is
// whole (the reference text), refused (503 with Retry-After), cut (200, shorter or other) or
// empty (no reply).
bool concurrentExports(int port, int clients, const std::string& request,
                       const std::string& reference) {
    std::mutex mutex;
    int whole = 0, refused = 0, cut = 0, empty = 0;
    double slowestWhole = 0, slowestRefusal = 0;
    std::vector<std::thread> threads;
    const auto start = Clock::now() + std::chrono::milliseconds(200);
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            std::this_thread::sleep_until(start);
            std::string body, reply;
            const int status =
                exchange(port, request, "127.0.4." + std::to_string(c + 1), &body, &reply);
            const double ms = msSince(start);
            std::lock_guard lock(mutex);
            if (status == 200 && body == reference) {
                ++whole;
                slowestWhole = std::max(slowestWhole, ms);
            } else if (status == 503 && reply.find("\r\nRetry-After: ") != std::string::npos) {
                ++refused;
                slowestRefusal = std::max(slowestRefusal, ms);
            } else if (status == 0 && reply.empty()) {
                ++empty;
            } else {
                ++cut;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::printf("  %2d at once: %d whole (last after %.0f ms), %d refused with Retry-After (last "
                "after %.0f ms), %d cut, %d empty\n",
                clients, whole, slowestWhole, refused, slowestRefusal, cut, empty);
    return cut == 0 && empty == 0 && whole > 0;
}

} // namespace

bool scenarioCsvSorters(const Options& options, int port) {
    bool ok = true;
    for (const int sorters : {4, options.heavyClients}) {
        ok = csvSorters(options, port, sorters) && ok;
    }
    return ok;
}

// `heavyClients` CSV sorters, one per address, each asking again as soon as it is refused
// (ignoring Retry-After), beside one normal client: the normal client's throughput during them
// over alone must stay at least one half.
bool scenarioIgnoredRetryAfter(const Options& options, int port) {
    std::printf("sorters ignoring Retry-After: %d clients, each from its own address, asking for "
                "new four-key sorts of all Fielders as CSV again as soon as refused\n",
                options.heavyClients);
    const Phase alone = normalClients(port, 1, options.seconds);
    report("cached page alone", alone);
    Flood counts;
    std::atomic<long> unique{0};
    const Phase attacked = during(port, 1, options.seconds, [&](const std::atomic<bool>& stop) {
        flood(
            stop, port, options.heavyClients, options.heavyClients, "127.0.8.",
            [&](int, long) {
                return bench::postRequest(
                    FieldersCsv,
                    pageBody(0, "Z!105!6!101!7!",
                             {"E6!-" + std::to_string(++unique + 3000000) + "!!", "*"}));
            },
            counts);
    });
    report("cached page during them", attacked);
    const double seconds = options.seconds + 0.5;
    const double ratio = attacked.perSecond() / std::max(alone.perSecond(), 1e-9);
    std::printf("  sorts: %ld whole, %ld refused (%.0f a second), %ld failed\n", counts.ok.load(),
                counts.refused.load(), static_cast<double>(counts.refused.load()) / seconds,
                counts.failed.load());
    std::printf("  throughput during/alone: %.2f (at least 0.50 wanted)\n", ratio);
    return alone.failures == 0 && attacked.failures == 0 && ratio >= 0.5;
}

bool scenarioExports(const Options&, int port) {
    // The 2000 season of Fielders, sorted: about a third of a megabyte of CSV.
    const std::string request =
        bench::postRequest(FieldersCsv, pageBody(0, "Z!105!6!101!7!", {"C2000", "*"}));
    std::string reference;
    if (exchange(port, request, "127.0.4.250", &reference) != 200 || reference.empty()) {
        std::printf("concurrent exports: FAILED: the reference export was refused\n");
        return false;
    }
    std::printf("concurrent exports of one cached result (%zu bytes of CSV), each client from its "
                "own address\n",
                reference.size());
    bool ok = true;
    for (const int clients : {32, 64}) {
        ok = concurrentExports(port, clients, request, reference) && ok;
    }
    return ok;
}

bool scenarioBigRequests(const Options& options, int port) {
    std::printf("big requests: 2 addresses keeping 4 requests each in flight, 64 KiB of limits "
                "that match nothing, against another user's new query\n");
    std::atomic<long> unique{0};
    // Another user's query, new each time: one season of Batters with a limit keeping every row.
    auto userQuery = [&](Phase& phase) {
        const auto end = Clock::now() + std::chrono::duration<double>(options.seconds);
        const auto start = Clock::now();
        while (Clock::now() < end) {
            const std::string request = bench::postRequest(
                BattersPath,
                pageBody(0, "16!",
                         {"C1990", "*", "E6!-" + std::to_string(++unique + 3000000) + "!!", "*"}));
            const auto sent = Clock::now();
            phase.failures += exchange(port, request, "127.0.3.1") != 200;
            phase.ms.push_back(msSince(sent));
        }
        phase.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    };
    Phase alone;
    userQuery(alone);
    report("another user's new query alone", alone);
    Flood counts;
    std::atomic<bool> stop{false};
    std::thread attacker([&] {
        flood(
            stop, port, 8, 2, "127.0.2.",
            [&](int, long n) {
                std::string body = "0!40!Z!105!6!101!7!\r\n";
                // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a
                // literal joined to a temporary string.
                body.append("E5!").append(std::to_string(n + 9000000)).append("!1\r\n");
                for (int field = 0; body.size() < 65400; field = (field + 1) % 5) {
                    body.append(1, 'E')
                        .append(std::to_string(5 + field))
                        .append("!99999!99998\r\n");
                }
                return bench::postRequest(FieldersPath, body + "\x1a");
            },
            counts);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Phase attacked;
    userQuery(attacked);
    stop = true;
    attacker.join();
    report("another user's new query during them", attacked);
    std::printf("  big requests: %ld answered, %ld refused (400/503), %ld failed\n",
                counts.ok.load(), counts.refused.load(), counts.failed.load());
    std::printf("  ratio p50 during/alone: %.2f\n",
                percentile(attacked.ms, 0.5) / std::max(percentile(alone.ms, 0.5), 1e-9));
    return alone.failures == 0 && attacked.failures == 0;
}

} // namespace hostile
