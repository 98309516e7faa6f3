// bbstatsd: imports the Lahman data, serves the statistics and the client's other endpoints, and
// reports the usage events it received.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>

#include "service/contentstore.h"
#include "service/endpoints.h"
#include "service/engine/engine.h"
#include "service/engine/importer.h"
#include "service/eventlog.h"
#include "service/health.h"
#include "service/httpserver.h"
#include "service/newsroutes.h"
#include "service/newssite.h"
#include "service/pgeventlog.h"
#include "service/requestlog.h"

namespace {

namespace fs = std::filesystem;
using bbstatsd::ListenAddress;

constexpr const char* Usage =
    "usage: bbstatsd import DIR DB\n"
    "       bbstatsd serve --db DB [--listen HOST:PORT]... [--content DIR]\n"
    "                      [--events FILE | --events postgresql://...] [--events-max-mb N]\n"
    "                      [--cache-mb N] [--export-mb N] [--log-requests FILE | --log-bodies "
    "FILE]\n"
    "                      [--today YYYY-MM-DD] [--trusted-proxy ADDRESS]\n"
    "                      [--public-address HOST:PORT]\n"
    "       bbstatsd usage --events FILE|postgresql://...   (events per site and type,\n"
    "                      seconds of IN)\n"
    "Default listen addresses: 127.0.0.1:8461 127.0.0.2:8461 127.0.0.3:8461.\n"
    "Default events file: DB with \"-events.db\" in place of its extension, at most 64 MB\n"
    "(past it the oldest events go).\n"
    "--export-mb bounds the CSV export texts being sent at once (default 96).\n"
    "--today fixes the date of the news pages (for tests); by default it is the local date.\n"
    "--trusted-proxy: a load balancer's address whose X-Forwarded-For header names the client.\n"
    "--public-address: where clients reach the service (the balancer), for the news links.\n"
    "GET /healthz answers 200 once the tables are loaded; until then every other request gets\n"
    "503 \"loading\". SIGTERM drains (503 to new requests while the ones in flight finish),\n"
    "then stops.\n";

struct ServeOptions {
    std::string db;
    std::vector<ListenAddress> listen;
    std::string content;
    std::string events;
    std::int64_t eventsMaxBytes = bbstatsd::EventStore::DefaultMaxBytes;
    std::string trustedProxy;                   // empty: X-Forwarded-For is ignored
    std::optional<ListenAddress> publicAddress; // unset: the first listen address
    std::size_t cacheBytes = 128u << 20;
    std::uint64_t exportBytes = bbstatsd::DefaultExportBudget;
    std::string requestLog; // empty: no request log
    bbstatsd::LoggedBody loggedBody = bbstatsd::LoggedBody::FirstLine;
    std::optional<bbstatsd::NewsDate> today; // unset: the local date at each request
};

int fail(const std::string& message) {
    std::cerr << "bbstatsd: " << message << "\n";
    return 1;
}

std::string defaultEvents(const std::string& db) {
    fs::path path(db);
    return (path.parent_path() / (path.stem().string() + "-events.db")).string();
}

// The content folder shipped with the service: beside an installed executable
// (../share/bbstatsd/content), else the source tree's folder the build was made from.
std::string defaultContent() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = exe.parent_path() / ".." / "share" / "bbstatsd" / "content";
        if (fs::is_directory(installed, error)) {
            return installed.lexically_normal().string();
        }
    }
    return BBSTATSD_CONTENT_DIR;
}

// A whole number of megabytes up to 1 TB; nullopt for anything else.
std::optional<std::size_t> parseMegabytes(const std::string& text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > (1u << 20)) {
        return std::nullopt;
    }
    return value;
}

// Each connection takes a descriptor: the soft limit goes up to the hard one (often 1,024
// against several thousand connections per address).
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Reads the serve options; nullopt after writing a message when they are wrong.
std::optional<ServeOptions> parseServe(const std::vector<std::string>& args) {
    ServeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (i + 1 >= args.size()) {
            fail(name + " needs a value");
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (name == "--db") {
            options.db = value;
        } else if (name == "--listen") {
            const auto address = bbstatsd::parseListenAddress(value);
            if (!address) {
                fail("--listen " + value + ": expected IPV4-ADDRESS:PORT");
                return std::nullopt;
            }
            options.listen.push_back(*address);
        } else if (name == "--content") {
            options.content = value;
        } else if (name == "--events") {
            options.events = value;
        } else if (name == "--public-address") {
            options.publicAddress = bbstatsd::parseListenAddress(value);
            if (!options.publicAddress) {
                fail("--public-address " + value + ": expected IPV4-ADDRESS:PORT");
                return std::nullopt;
            }
        } else if (name == "--trusted-proxy") {
            if (!bbstatsd::parseListenAddress(value + ":0")) {
                fail("--trusted-proxy " + value + ": expected an IPv4 address");
                return std::nullopt;
            }
            options.trustedProxy = value;
        } else if (name == "--log-requests") {
            options.requestLog = value;
            options.loggedBody = bbstatsd::LoggedBody::FirstLine;
        } else if (name == "--log-bodies") {
            // The request log with whole bodies: selection items follow the first line.
            options.requestLog = value;
            options.loggedBody = bbstatsd::LoggedBody::Whole;
        } else if (name == "--today") {
            options.today = bbstatsd::parseNewsDate(value);
            if (!options.today) {
                fail("--today " + value + ": expected a date YYYY-MM-DD");
                return std::nullopt;
            }
        } else if (name == "--cache-mb" || name == "--events-max-mb" || name == "--export-mb") {
            const std::optional<std::size_t> megabytes = parseMegabytes(value);
            if (!megabytes || (name == "--events-max-mb" && *megabytes == 0)) {
                fail(name + " " + value + ": expected a number of megabytes" +
                     (name == "--events-max-mb" ? " from 1" : ""));
                return std::nullopt;
            }
            if (name == "--cache-mb") {
                options.cacheBytes = *megabytes << 20;
            } else if (name == "--export-mb") {
                options.exportBytes = static_cast<std::uint64_t>(*megabytes) << 20;
            } else {
                options.eventsMaxBytes = static_cast<std::int64_t>(*megabytes) << 20;
            }
        } else {
            fail("unknown option " + name);
            return std::nullopt;
        }
    }
    if (options.db.empty()) {
        fail("serve needs --db DB");
        return std::nullopt;
    }
    if (options.listen.empty()) {
        for (const char* host : {"127.0.0.1", "127.0.0.2", "127.0.0.3"}) {
            options.listen.push_back({host, 8461});
        }
    }
    if (options.content.empty()) {
        options.content = defaultContent();
    }
    if (options.events.empty()) {
        options.events = defaultEvents(options.db);
    }
    return options;
}

int serve(const ServeOptions& options) {
    // Signals are taken by sigwait below; the server threads inherit this mask.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    raiseDescriptorLimit();
    // Blocks of 128 KiB and more (the rows of most results, the sort's scratch) are mapped
    // apart and given back when freed. The allocator's default raises this threshold as large
    // blocks are freed, and then serves them from heaps that fragment: the process grew to
    // 1.1-1.4 times the cache's size over the tables.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);

    std::unique_ptr<bbstatsd::Engine> engine;
    std::unique_ptr<bbstatsd::ContentStore> content;
    std::unique_ptr<bbstatsd::EventStore> events;
    std::unique_ptr<bbstatsd::ServiceHealth> health;
    std::unique_ptr<bbstatsd::Endpoints> endpoints;
    std::unique_ptr<bbstatsd::NewsSite> newsSite;
    std::unique_ptr<bbstatsd::NewsEndpoints> news;
    std::unique_ptr<bbstatsd::RequestLog> requestLog;
    std::unique_ptr<bbstatsd::HttpServer> server;
    // Answers while the tables load; it keeps the connections it took until they end (each is
    // answered and closed), so none taken just before the serving daemons took over is cut.
    std::unique_ptr<bbstatsd::HttpServer> loading;
    try {
        // The quick checks first: loading the tables takes a while.
        if (!fs::is_regular_file(options.db)) {
            return fail("statistics file " + options.db + " does not exist");
        }
        content = std::make_unique<bbstatsd::ContentStore>(options.content);
        events = bbstatsd::openEventStore(options.events, bbstatsd::EventStore::Mode::Write,
                                          options.eventsMaxBytes);
        health = std::make_unique<bbstatsd::ServiceHealth>(bbstatsd::kImportFormat,
                                                           bbstatsd::fileDigest(options.db));
        // From the start the addresses answer: while the tables load, the health path says
        // "loading" and every other request gets 503 "loading", so that a balancer sees the
        // replica coming and a client knows to try again. The serving daemons then take over
        // the same listening sockets, so no connection is refused in between.
        bbstatsd::HttpSettings settings;
        settings.trustedProxy = options.trustedProxy;
        loading = std::make_unique<bbstatsd::HttpServer>(
            std::vector<bbstatsd::HttpRoute>{health->route(),
                                             bbstatsd::ServiceHealth::loadingRoute()},
            settings);
        std::vector<ListenAddress> bound;
        for (const ListenAddress& address : options.listen) {
            bound.push_back(loading->listen(address));
        }
        engine = std::make_unique<bbstatsd::Engine>(options.db, options.cacheBytes);
        endpoints =
            std::make_unique<bbstatsd::Endpoints>(*engine, *content, *events, options.exportBytes);
        newsSite = std::make_unique<bbstatsd::NewsSite>(options.db);
        if (!newsSite->hasBirthdays()) {
            std::cerr << "bbstatsd: " << options.db
                      << " holds no birth dates (imported by an older bbstatsd): the birthday "
                         "ticker stays empty until the data is imported again"
                      << std::endl;
        }
        bbstatsd::NewsEndpoints::Clock clock = bbstatsd::NewsEndpoints::systemDate;
        if (options.today) {
            clock = [date = *options.today] { return date; };
        }
        news = std::make_unique<bbstatsd::NewsEndpoints>(*newsSite, *content, clock);
        // The ticker lists link to article pages at the first address, or at the balancer's in
        // front of replicas, so that every replica answers the same.
        news->setSiteRoot("http://" +
                          bbstatsd::toString(options.publicAddress.value_or(bound.front())) + "/");
        std::vector<bbstatsd::HttpRoute> routes = endpoints->routes();
        for (bbstatsd::HttpRoute& route : news->routes()) {
            routes.push_back(std::move(route));
        }
        if (!options.requestLog.empty()) {
            requestLog =
                std::make_unique<bbstatsd::RequestLog>(options.requestLog, options.loggedBody);
            routes = bbstatsd::loggedRoutes(std::move(routes), *requestLog);
        }
        routes = health->guard(std::move(routes));
        routes.push_back(health->route());
        server = std::make_unique<bbstatsd::HttpServer>(routes, settings);
        for (const ListenAddress& address : server->takeOver(*loading)) {
            std::cout << "bbstatsd: listening on " << bbstatsd::toString(address) << std::endl;
        }
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    health->setState(bbstatsd::ServiceHealth::State::Ready);
    std::cout << "bbstatsd: content " << options.content << ", events "
              << bbstatsd::withoutPassword(options.events) << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (signal == SIGTERM) {
        // New requests are refused (a balancer sends them to another replica) while the ones in
        // flight finish.
        std::cout << "bbstatsd: draining" << std::endl;
        if (!health->drain(std::chrono::seconds(30))) {
            std::cout << "bbstatsd: " << health->inFlight()
                      << " requests still in flight after 30 seconds" << std::endl;
        }
    }
    std::cout << "bbstatsd: stopping" << std::endl;
    // Events waiting on the store are answered before their connections go.
    events->stop();
    server.reset();
    loading.reset();
    return 0;
}

int usage(const std::vector<std::string>& args) {
    std::string eventsPath;
    if (args.size() == 2 && args[0] == "--events") {
        eventsPath = args[1];
    } else if (args.size() == 2 && args[0] == "--db") {
        eventsPath = defaultEvents(args[1]);
    } else {
        std::cerr << Usage;
        return 2;
    }
    try {
        const std::unique_ptr<bbstatsd::EventStore> events =
            bbstatsd::openEventStore(eventsPath, bbstatsd::EventStore::Mode::Read);
        // One line per site and type; "IN" lines add the seconds the
        // database windows were open.
        std::cout << "site\ttype\tcount\tseconds\n";
        long long total = 0;
        long long seconds = 0;
        // Stored texts are printed escaped: a file written by an older service may hold control
        // characters that would drive the terminal.
        for (const bbstatsd::UsageCount& row : events->usage()) {
            std::cout << (row.site.empty() ? "(none)" : bbstatsd::printable(row.site)) << "\t"
                      << bbstatsd::printable(row.type) << "\t" << row.count << "\t";
            if (row.type == "IN") {
                std::cout << row.seconds;
            }
            std::cout << "\n";
            total += row.count;
            seconds += row.seconds;
        }
        std::cout << "total\t\t" << total << "\t" << seconds << "\n";
        // Events the file does not hold: removed to keep it within its size, and refused.
        const bbstatsd::LostEvents lost = events->lost();
        std::cout << "dropped\t\t" << lost.dropped << "\nrefused\t\t" << lost.refused << "\n";
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << Usage;
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "import") {
        if (rest.size() != 2) {
            std::cerr << Usage;
            return 2;
        }
        try {
            bbstatsd::importLahman(rest[0], rest[1]);
        } catch (const std::exception& error) {
            return fail("import failed: " + std::string(error.what()));
        }
        std::cout << "bbstatsd: imported " << rest[0] << " into " << rest[1] << std::endl;
        return 0;
    }
    if (args[0] == "serve") {
        const auto options = parseServe(rest);
        return options ? serve(*options) : 2;
    }
    if (args[0] == "usage") {
        return usage(rest);
    }
    std::cerr << Usage;
    return 2;
}
