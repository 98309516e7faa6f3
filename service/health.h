#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "service/httpserver.h"

namespace bbstatsd {

// "sha256:" and the SHA-256 of the file's bytes in lower-case hex. Throws std::runtime_error
// naming the file when it cannot be read.
std::string fileDigest(const std::string& path);

// What a load balancer asks of the service: GET /healthz answers 200 once the tables are loaded
// and 503 while they load or while the service drains, with the statistics file's format and
// digest either way, so that replicas serving different files can be told apart. Draining (on
// SIGTERM) refuses new requests with 503 while the ones in flight finish.
class ServiceHealth {
public:
    enum class State { Loading, Ready, Draining };

    // format: the statistics file's format; digest: fileDigest of it.
    ServiceHealth(std::string format, std::string digest);

    void setState(State state);
    State state() const { return m_state.load(); }

    // GET /healthz: "ready", "loading" or "draining", then "format F" and "digest D", a line each.
    HttpRoute route() const;

    // Every other request while the tables load: 503 "loading" with Retry-After, the connection
    // closed, so that a client tries again in a moment (or another host) instead of taking the
    // service for one without the path.
    static HttpRoute loadingRoute();

    // The routes, each refusing new requests with 503 and Retry-After while draining and
    // counting the requests in flight: from the first look at a request until its reply is
    // handed over, or for a streamed reply until its last byte went out or the connection ended.
    std::vector<HttpRoute> guard(std::vector<HttpRoute> routes);

    // Drains: new requests are refused and this waits until none is in flight or `limit` has
    // passed. Returns true when none is left.
    bool drain(std::chrono::milliseconds limit);

    int inFlight() const;

private:
    void begin();
    void end();

    const std::string m_format;
    const std::string m_digest;
    std::atomic<State> m_state{State::Loading};
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    int m_inFlight = 0;
};

} // namespace bbstatsd
