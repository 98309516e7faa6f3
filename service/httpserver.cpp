#include "service/httpserver.h"

#include <charconv>
#include <chrono>
#include <memory>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "service/connectionwatch.h"
#include "service/httpdaemon.h"
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
    m_daemons.clear();
}

ListenAddress HttpServer::listen(const ListenAddress& address) {
    m_daemons.push_back(
        std::make_unique<HttpDaemon>(m_routes, m_settings, *m_pool, *m_watch, *m_brake, address));
    return m_daemons.back()->bound();
}

std::vector<ListenAddress> HttpServer::takeOver(HttpServer& from) {
    std::vector<ListenAddress> addresses;
    for (const auto& daemon : from.m_daemons) {
        const int socket = daemon->quiesce();
        if (socket < 0) {
            throw std::runtime_error("cannot take over " + toString(daemon->bound()));
        }
        m_daemons.push_back(std::make_unique<HttpDaemon>(m_routes, m_settings, *m_pool, *m_watch,
                                                         *m_brake, daemon->bound(), socket));
        addresses.push_back(m_daemons.back()->bound());
    }
    return addresses;
}

} // namespace bbstatsd
