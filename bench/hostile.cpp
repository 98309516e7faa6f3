// bbstats-hostile: bbstatsd under hostile load on loopback. Each scenario measures a normal
// client first alone, then while an attack runs, in the same run, and says whether any normal
// request failed or got a wrong reply (exit status 1 then). Every phase is bounded in time and
// stops by itself. See bench/README.md.

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

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "bench/benchnet.h"
#include "bench/hostile.h"

namespace hostile {

namespace fs = std::filesystem;

const std::string BattersPath = "/cgi-bin/getbat.exe";
const std::string FieldersPath = "/cgi-bin/getfield.exe";

std::string pageBody(int top, const std::string& sort, const std::vector<std::string>& items) {
    std::string body = std::to_string(top) + "!" + std::to_string(PageRows) + "!" + sort + "\r\n";
    if (items.empty()) {
        body += "*\r\n";
    }
    for (const std::string& item : items) {
        body += item + "\r\n";
    }
    return body + "\x1a";
}

std::string cachedPage(int rep) {
    return bench::postRequest(BattersPath,
                              pageBody(static_cast<int>(rep * 7919LL % 128500), "16!", {}));
}

sockaddr_in loopback(int port, const std::string& host = "127.0.0.1") {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    return address;
}

// One request on a new connection from `source`, waiting at most 10 s for each step; the
// status (0 when the exchange failed) and the body.
int exchange(int port, const std::string& request, const std::string& source, std::string* body,
             std::string* whole) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    timeval wait{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    const sockaddr_in from = loopback(0, source);
    const sockaddr_in to = loopback(port);
    std::string reply;
    bool ok = ::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) == 0 &&
              ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
              ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                  static_cast<ssize_t>(request.size());
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            reply.append(buffer, static_cast<std::size_t>(n));
        } else {
            ok = n == 0;
            break;
        }
    }
    ::close(fd);
    if (!ok || !reply.starts_with("HTTP/1.") || reply.size() < 12) {
        return 0;
    }
    // The status is read before the reply is handed over.
    const int status = std::atoi(reply.c_str() + 9);
    if (body != nullptr) {
        *body = bench::bodyOf(reply);
    }
    if (whole != nullptr) {
        *whole = std::move(reply);
    }
    return status;
}

// Lines of a page reply: the count line, 40 records of 31 lines and the totals.
bool wholeBattersPage(const std::string& body) {
    std::size_t lines = 0;
    for (std::size_t at = body.find("\r\n"); at != std::string::npos;
         at = body.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines == 1 + (PageRows + 1) * 31 && body.starts_with("128598\r\n");
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

// `clients` normal clients, each from an address of its own, scrolling a cached result for
// `seconds`; every reply is checked.
Phase normalClients(int port, int clients, double seconds) {
    Phase phase;
    std::mutex mutex;
    std::vector<std::thread> threads;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    const auto start = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            const std::string source = "127.0.9." + std::to_string(c + 1);
            std::vector<double> ms;
            int failures = 0;
            for (int rep = c * 1000; Clock::now() < end; ++rep) {
                std::string body;
                const auto sent = Clock::now();
                const int status = exchange(port, cachedPage(rep), source, &body);
                ms.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                failures += status != 200 || !wholeBattersPage(body);
            }
            std::lock_guard lock(mutex);
            phase.ms.insert(phase.ms.end(), ms.begin(), ms.end());
            phase.failures += failures;
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    phase.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return phase;
}

void report(const std::string& name, const Phase& phase) {
    std::printf("  %-34s %7zu requests %8.0f req/s  p50 %7.2f ms  p99 %7.2f ms  max %8.2f ms  "
                "failed %d\n",
                name.c_str(), phase.ms.size(), phase.perSecond(), percentile(phase.ms, 0.5),
                percentile(phase.ms, 0.99), percentile(phase.ms, 1.0), phase.failures);
}

// Connections that send their request a byte a second from 64 addresses, reconnecting whenever
// the service closes one; half trickle their headers, half their body after whole headers.
class SlowClients {
public:
    SlowClients(int port, int count) : m_port(port), m_count(count) {
        m_thread = std::thread([this] { run(); });
    }
    ~SlowClients() {
        m_stop = true;
        m_thread.join();
    }
    SlowClients(const SlowClients&) = delete;
    SlowClients& operator=(const SlowClients&) = delete;

    int open() const { return m_open.load(); }
    long cuts() const { return m_cuts.load(); }

private:
    struct Slow {
        int fd = -1;
        std::size_t sent = 0;
        bool body = false;
        std::string source;
    };

    void connectOne(Slow& slow) {
        slow.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const sockaddr_in from = loopback(0, slow.source);
        const sockaddr_in to = loopback(m_port);
        ::bind(slow.fd, reinterpret_cast<const sockaddr*>(&from), sizeof from);
        ::connect(slow.fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP;
        event.data.ptr = &slow;
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, slow.fd, &event);
        slow.sent = 0;
        ++m_open;
    }

    void closeOne(Slow& slow) {
        epoll_ctl(m_epoll, EPOLL_CTL_DEL, slow.fd, nullptr);
        ::close(slow.fd);
        slow.fd = -1;
        --m_open;
    }

    void run() {
        const std::string headers =
            "GET /cgi-bin/verread.exe HTTP/1.0\r\nX-Pad: " + std::string(300, 'a') + "\r\n\r\n";
        const std::string bodyHead =
            "POST /cgi-bin/getbat.exe HTTP/1.0\r\nContent-Length: 300\r\n\r\n";
        m_epoll = epoll_create1(EPOLL_CLOEXEC);
        std::vector<Slow> slows(static_cast<std::size_t>(m_count));
        for (std::size_t i = 0; i < slows.size(); ++i) {
            slows[i].source = "127.0.0." + std::to_string(10 + i % 64);
            slows[i].body = i % 2 == 1;
            connectOne(slows[i]);
        }
        // A tenth of the connections sends a byte every 100 ms, so each sends one a second.
        std::size_t group = 0;
        auto nextTick = Clock::now();
        epoll_event events[256];
        while (!m_stop) {
            const int ready = epoll_wait(m_epoll, events, 256, 20);
            for (int e = 0; e < ready; ++e) {
                Slow& slow = *static_cast<Slow*>(events[e].data.ptr);
                char sink[4096];
                const ssize_t n = ::recv(slow.fd, sink, sizeof sink, 0);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) ||
                    (events[e].events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0) {
                    closeOne(slow);
                    ++m_cuts;
                    connectOne(slow);
                }
            }
            if (Clock::now() < nextTick) {
                continue;
            }
            nextTick += std::chrono::milliseconds(100);
            for (std::size_t i = group; i < slows.size(); i += 10) {
                Slow& slow = slows[i];
                if (slow.body && slow.sent == 0) {
                    if (::send(slow.fd, bodyHead.data(), bodyHead.size(), MSG_NOSIGNAL) > 0) {
                        slow.sent = 1;
                    }
                    continue;
                }
                const std::string& bytes = slow.body ? std::string(300, 'b') : headers;
                if (slow.sent >= bytes.size() ||
                    ::send(slow.fd, bytes.data() + slow.sent, 1, MSG_NOSIGNAL) == 1) {
                    ++slow.sent;
                }
            }
            group = (group + 1) % 10;
        }
        for (Slow& slow : slows) {
            if (slow.fd >= 0) {
                closeOne(slow);
            }
        }
        ::close(m_epoll);
    }

    int m_port;
    int m_count;
    int m_epoll = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_open{0};
    std::atomic<long> m_cuts{0};
    std::thread m_thread;
};

// `threads` loops spread over `addresses` addresses, each sending requests built by
// make(thread, n) until stop; counts replies by status.
void flood(const std::atomic<bool>& stop, int port, int threads, int addresses,
           const std::string& prefix, const std::function<std::string(int, long)>& make,
           Flood& counts) {
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            const std::string source = prefix + std::to_string(t % addresses + 1);
            for (long n = 0; !stop; ++n) {
                const int status = exchange(port, make(t, n), source);
                (status == 200   ? counts.ok
                 : status == 429 ? counts.limited
                 : status >= 400 ? counts.refused
                                 : counts.failed)++;
            }
        });
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
}

bool scenarioSlow(const Options& options, int port) {
    std::printf("slow clients: %d connections from 64 addresses, a byte a second each\n",
                options.slowClients);
    const Phase alone = normalClients(port, 1, options.seconds);
    report("normal client alone", alone);
    // Measured from 6 s on, once the service has begun cutting them (and they reconnect).
    long cuts = 0;
    const Phase attacked = during(
        port, 1, options.seconds,
        [&](const std::atomic<bool>& stop) {
            SlowClients clients(port, options.slowClients);
            while (!stop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            cuts = clients.cuts();
            std::printf("  slow connections open at the end: %d, cut by the service: %ld\n",
                        clients.open(), cuts);
        },
        6000);
    report("normal client behind them", attacked);
    std::printf("  ratio p99 behind/alone: %.2f\n",
                percentile(attacked.ms, 0.99) / std::max(percentile(alone.ms, 0.99), 1e-9));
    if (cuts == 0) {
        std::printf("  FAILED: the service cut no trickling connection\n");
    }
    return alone.failures == 0 && attacked.failures == 0 && cuts > 0;
}

bool scenarioEvents(const Options& options, int port) {
    std::printf("event flood: 8 addresses, 4 connections each, sending 400-byte usage events as "
                "fast as answered\n");
    const Phase alone = normalClients(port, 8, options.seconds);
    report("8 page clients alone", alone);
    Flood counts;
    const std::string what(380, 'u');
    const Phase attacked = during(port, 8, options.seconds, [&](const std::atomic<bool>& stop) {
        flood(
            stop, port, 32, 8, "127.0.8.",
            [&](int, long n) {
                return "GET /999addlog.asp?Q=CLICK," + what + ",flood," + std::to_string(n) +
                       " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
            },
            counts);
    });
    report("8 page clients during the flood", attacked);
    std::printf("  flood replies: %ld stored, %ld over the rate (429), %ld other refusals, %ld "
                "failed\n",
                counts.ok.load(), counts.limited.load(), counts.refused.load(),
                counts.failed.load());
    std::printf("  ratio req/s during/alone: %.2f\n",
                attacked.perSecond() / std::max(alone.perSecond(), 1e-9));
    return alone.failures == 0 && attacked.failures == 0;
}

bool scenarioHeavy(const Options& options, int port) {
    std::printf("heavy queries: %d clients, each from its own address, sending new four-key "
                "sorts of all Fielders\n",
                options.heavyClients);
    const Phase alone = normalClients(port, 1, options.seconds);
    report("cached page alone", alone);
    Flood counts;
    std::atomic<long> unique{0};
    const Phase attacked = during(port, 1, options.seconds, [&](const std::atomic<bool>& stop) {
        flood(
            stop, port, options.heavyClients, options.heavyClients, "127.0.7.",
            [&](int, long) {
                // A limit bound that keeps every row but makes the query new.
                return bench::postRequest(
                    FieldersPath,
                    pageBody(0, "Z!105!6!101!7!",
                             {"E6!-" + std::to_string(++unique + 1000000) + "!!", "*"}));
            },
            counts);
    });
    report("cached page during them", attacked);
    std::printf("  heavy queries: %ld answered, %ld refused (503), %ld failed\n", counts.ok.load(),
                counts.refused.load(), counts.failed.load());
    std::printf("  ratio p99 during/alone: %.2f\n",
                percentile(attacked.ms, 0.99) / std::max(percentile(alone.ms, 0.99), 1e-9));
    return alone.failures == 0 && attacked.failures == 0;
}

// Resident memory of a service whose result cache was filled by `queries` distinct queries
// (query(q) gives the page body), over what it took with the tables alone.
bool fillCache(const Options& options, const std::string& work, const std::string& what,
               const std::string& path, int queries, const std::function<std::string(int)>& query) {
    bench::Service service(options.binary, options.db, work + "/cache-events.db",
                           {"--cache-mb", std::to_string(options.cacheMb)});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double tables = bench::residentMb(service.pid());
    int failures = 0;
    for (int q = 0; q < queries; ++q) {
        failures +=
            exchange(service.port(), bench::postRequest(path, query(q)), "127.0.6.1") != 200;
    }
    const double filled = bench::residentMb(service.pid());
    const double peak = bench::residentMb(service.pid(), "VmHWM:");
    std::printf("  %s: %.0f MB with the tables, %.0f MB after %d queries (peak %.0f MB); cache "
                "share %.0f MB of %d MB: ratio %.2f\n",
                what.c_str(), tables, filled, queries, peak, filled - tables, options.cacheMb,
                (filled - tables) / options.cacheMb);
    return failures == 0;
}

// The result cache filled with large results (sorts of all Batters, about 1 MB each with their
// unsorted rows) and with small ones (one season, a few thousand bytes each).
bool scenarioCache(const Options& options, const std::string& work) {
    std::printf("result cache: --cache-mb %d filled with distinct queries\n", options.cacheMb);
    // Sort codes and a limit bound that keeps every row make each query new.
    const bool large =
        fillCache(options, work, "large results", BattersPath, options.cacheMb * 4, [](int q) {
            const std::string sort =
                "Z!" + std::to_string(100 + q % 29) + "!" + std::to_string((q / 29) % 29) + "!3!4!";
            return pageBody(0, sort, {"E6!-" + std::to_string(q % 7 + 1) + "!!", "*"});
        });
    const bool small =
        fillCache(options, work, "small results", BattersPath, options.cacheMb * 160, [](int q) {
            std::string season = "C";
            season += std::to_string(1871 + q % 155);
            std::string limit = "E6!-";
            limit += std::to_string(q + 1);
            limit += "!!";
            return pageBody(0, "16!", {season, "*", limit, "*"});
        });
    return large && small;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--service") {
            options.binary = value;
        } else if (name == "--db") {
            options.db = value;
        } else if (name == "--seconds") {
            options.seconds = std::stod(value);
        } else if (name == "--slow") {
            options.slowClients = std::stoi(value);
        } else if (name == "--heavy") {
            options.heavyClients = std::stoi(value);
        } else if (name == "--cache-mb") {
            options.cacheMb = std::stoi(value);
        } else if (name == "--scenarios") {
            options.scenarios.clear();
            std::size_t start = 0;
            while (start <= value.size()) {
                const auto comma = std::min(value.find(',', start), value.size());
                options.scenarios.push_back(value.substr(start, comma - start));
                start = comma + 1;
            }
        } else {
            throw std::runtime_error("unknown option " + name);
        }
    }
    return options;
}

} // namespace hostile

using namespace hostile;

int main(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        if (!fs::exists(options.db)) {
            std::cerr << "bbstats-hostile: no statistics file " << options.db
                      << " (run bbstats-bench once, or give --db)\n";
            return 2;
        }
        const fs::path work =
            fs::temp_directory_path() / ("bbstats-hostile-" + std::to_string(::getpid()));
        fs::create_directories(work);
        bool ok = true;
        {
            std::unique_ptr<bench::Service> service;
            for (const std::string& scenario : options.scenarios) {
                if (scenario == "cache") {
                    ok = scenarioCache(options, work.string()) && ok;
                    continue;
                }
                if (!service) {
                    service = std::make_unique<bench::Service>(options.binary, options.db,
                                                               work.string() + "/events.db");
                    // Warm the normal client's query.
                    exchange(service->port(), cachedPage(0), "127.0.9.1");
                }
                if (scenario == "slow") {
                    ok = scenarioSlow(options, service->port()) && ok;
                } else if (scenario == "events") {
                    ok = scenarioEvents(options, service->port()) && ok;
                } else if (scenario == "heavy") {
                    ok = scenarioHeavy(options, service->port()) && ok;
                } else if (scenario == "csvsort") {
                    ok = scenarioCsvSorters(options, service->port()) && ok;
                } else if (scenario == "exports") {
                    ok = scenarioExports(options, service->port()) && ok;
                } else if (scenario == "bigrequests") {
                    ok = scenarioBigRequests(options, service->port()) && ok;
                } else if (scenario == "retryafter") {
                    ok = scenarioIgnoredRetryAfter(options, service->port()) && ok;
                } else {
                    throw std::runtime_error("unknown scenario " + scenario);
                }
                std::fflush(stdout);
            }
        }
        fs::remove_all(work);
        std::printf(ok ? "every normal request answered in full\n"
                       : "FAILED: a normal request was refused, cut or wrong\n");
        return ok ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << "bbstats-hostile: " << error.what() << "\n";
        return 2;
    }
}
