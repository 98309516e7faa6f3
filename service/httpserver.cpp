#include "service/httpserver.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "service/connectionwatch.h"
#include "service/httpdaemon.h"
#include "service/peerlimit.h"
#include "service/refusalbrake.h"
#include "service/workerpool.h"

namespace bbstatsd {

std::optional<ListenAddress> parseListenAddress(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) {
        return std::nullopt;
    }
    ListenAddress address;
    address.host = std::string(text.substr(0, colon));
    in_addr probe{};
    if (inet_pton(AF_INET, address.host.c_str(), &probe) != 1) {
        return std::nullopt;
    }
    const std::string_view portText = text.substr(colon + 1);
    unsigned port = 0;
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port > 65535) {
        return std::nullopt;
    }
    address.port = static_cast<std::uint16_t>(port);
    return address;
}

std::string toString(const ListenAddress& address) {
    return address.host + ":" + std::to_string(address.port);
}

HttpServer::HttpServer(std::vector<HttpRoute> routes, HttpSettings settings)
    : m_routes(std::move(routes)), m_settings(settings),
      m_pool(std::make_unique<WorkerPool>(settings.workers, settings.workQueueLimit,
                                          settings.workPerAddress)),
      m_watch(
          std::make_unique<ConnectionWatch>(std::chrono::milliseconds(settings.requestDeadlineMs))),
      m_brake(std::make_unique<RefusalBrake>()) {}

HttpServer::~HttpServer() {
    // Every suspended request is resumed (answered, or refused unrun) before a daemon stops:
    // libmicrohttpd cannot stop with a connection still suspended.
    m_pool->stop();
    m_watch->resumeAll();
    m_listeners.clear();
}

ListenAddress HttpServer::addListener(const ListenAddress& address, const std::vector<int>& sockets,
                                      bool steered) {
    const unsigned count =
        sockets.empty() ? std::max(1U, m_settings.threadsPerAddress) : sockets.size();
    Listener listener;
    listener.bound = address;
    listener.peers = std::make_unique<PeerLimit>(m_settings.connectionsPerAddress);
    for (unsigned i = 0; i < count; ++i) {
        // The address's connection limit shared out as evenly as it goes.
        unsigned share =
            m_settings.connectionLimit / count + (i < m_settings.connectionLimit % count);
        if (m_settings.connectionLimit != 0 && share == 0) {
            share = 1;
        }
        listener.daemons.push_back(std::make_unique<HttpDaemon>(
            m_routes, m_settings, *m_pool, *m_watch, *m_brake, *listener.peers, listener.bound,
            share, i, count, sockets.empty() ? -1 : sockets[i]));
        // The first daemon's port (the chosen one for port 0) is where the others bind.
        listener.bound = listener.daemons.back()->bound();
    }
    // New sockets: a connection goes to the daemon whose thread keeps to the processor it
    // arrived on, when every daemon has processors the service may run on; else (and when the
    // system cannot) by a hash of its addresses. A group taken over keeps how it was steered.
    if (sockets.empty()) {
        steered = count > 1 &&
                  std::all_of(listener.daemons.begin(), listener.daemons.end(),
                              [](const auto& daemon) { return daemon->hasProcessors(); }) &&
                  listener.daemons.front()->steerByProcessor(count);
    }
    if (steered) {
        for (const auto& daemon : listener.daemons) {
            daemon->keepToProcessors();
        }
    }
    listener.steered = steered;
    m_listeners.push_back(std::move(listener));
    return m_listeners.back().bound;
}

ListenAddress HttpServer::listen(const ListenAddress& address) {
    HttpDaemon::checkFree(address);
    return addListener(address, {}, false);
}

std::vector<ListenAddress> HttpServer::takeOver(HttpServer& from) {
    std::vector<ListenAddress> addresses;
    for (const Listener& listener : from.m_listeners) {
        std::vector<int> sockets;
        for (const auto& daemon : listener.daemons) {
            const int socket = daemon->quiesce();
            if (socket < 0) {
                throw std::runtime_error("cannot take over " + toString(listener.bound));
            }
            sockets.push_back(socket);
        }
        addresses.push_back(addListener(listener.bound, sockets, listener.steered));
    }
    return addresses;
}

} // namespace bbstatsd
