#pragma once

// What bbstats-hostile's scenarios share: the options, the normal client that measures, and
// the attack helpers. See hostile.cpp and bench/README.md.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace hostile {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string binary = BBSTATS_BENCH_SERVICE;
    std::string db = BBSTATS_BENCH_DB;
    std::vector<std::string> scenarios = {"slow", "events", "heavy", "cache"};
    double seconds = 5; // length of each measured phase
    int slowClients = 1000;
    int heavyClients = 64;
    int cacheMb = 64;
};

// The normal client: the page a scroll of a sorted Batters result asks for (40 rows).
extern const std::string BattersPath;
extern const std::string FieldersPath;
constexpr int PageRows = 40;

// A page request body for PageRows rows from `top`, sorted by `sort` ("16!" or "Z!..."), with
// the selection lines `items` (one empty group when none).
std::string pageBody(int top, const std::string& sort, const std::vector<std::string>& items);

// One request on a new connection from `source`, waiting at most 10 s for each step; the
// status (0 when the exchange failed or brought no reply), the body and the whole reply.
int exchange(int port, const std::string& request, const std::string& source,
             std::string* body = nullptr, std::string* whole = nullptr);

double percentile(std::vector<double> values, double share);

// What normal clients saw during one phase.
struct Phase {
    std::vector<double> ms;
    int failures = 0;
    double seconds = 0;
    double perSecond() const { return seconds > 0 ? static_cast<double>(ms.size()) / seconds : 0; }
};

// `clients` normal clients, each from an address of its own, scrolling a cached result for
// `seconds`; every reply is checked.
Phase normalClients(int port, int clients, double seconds);

void report(const std::string& name, const Phase& phase);

// Runs `attack` on its own threads while normal clients measure, from `settleMs` after it
// starts; stops the attack after.
template <class Attack>
Phase during(int port, int clients, double seconds, Attack&& attack, int settleMs = 500) {
    std::atomic<bool> stop{false};
    std::thread attacker([&] { attack(stop); });
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    Phase phase = normalClients(port, clients, seconds);
    stop = true;
    attacker.join();
    return phase;
}

// Replies of a flood by status.
struct Flood {
    std::atomic<long> ok{0}, refused{0}, limited{0}, failed{0};
};

// `threads` loops spread over `addresses` addresses ("prefix" + 1..addresses), each sending
// requests built by make(thread, n) until stop; counts replies by status.
void flood(const std::atomic<bool>& stop, int port, int threads, int addresses,
           const std::string& prefix, const std::function<std::string(int, long)>& make,
           Flood& counts);

// Scenarios of the export path and of request cost (hostile_export.cpp).
bool scenarioCsvSorters(const Options& options, int port);
bool scenarioExports(const Options& options, int port);
bool scenarioBigRequests(const Options& options, int port);
bool scenarioIgnoredRetryAfter(const Options& options, int port);

} // namespace hostile
