#include "service/httpdaemon.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "service/connectionwatch.h"

// All of libmicrohttpd's daemon and connection callbacks live in this file. The settings are
// explicit because the library's defaults have no time-out and no per-address limit.

namespace bbstatsd {

namespace {

constexpr std::size_t ConnectionMemory = 32 * 1024;
constexpr unsigned ListenBacklog = 4096;

} // namespace

HttpDaemon::HttpDaemon(const std::vector<HttpRoute>& routes, const HttpSettings& settings,
                       WorkerPool& pool, ConnectionWatch& watch, RefusalBrake& brake,
                       const ListenAddress& address, int listenSocket)
    : m_watch(watch), m_router(routes, pool, watch, brake, settings.trustedProxy) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(address.port);
    if (inet_pton(AF_INET, address.host.c_str(), &socketAddress.sin_addr) != 1) {
        throw std::runtime_error("cannot listen on " + toString(address) + ": not an IPv4 address");
    }
    // Turbo: a new connection is read at once instead of after another epoll round, and a
    // connection is closed without a shutdown() first; a request and its reply then take
    // about 8 system calls instead of 13.
    // Suspending lets a slow request wait for a worker without holding a reading thread.
    const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO |
                           MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
    m_daemon = MHD_start_daemon(
        flags, address.port, nullptr, nullptr, &HttpDaemon::onRequest, this, MHD_OPTION_SOCK_ADDR,
        &socketAddress, MHD_OPTION_THREAD_POOL_SIZE, settings.threadsPerAddress,
        MHD_OPTION_CONNECTION_TIMEOUT, settings.idleTimeoutSeconds, MHD_OPTION_CONNECTION_LIMIT,
        settings.connectionLimit, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        settings.connectionsPerAddress, MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory,
        MHD_OPTION_LISTEN_BACKLOG_SIZE, ListenBacklog, MHD_OPTION_URI_LOG_CALLBACK,
        &HttpDaemon::onUri, this, MHD_OPTION_NOTIFY_COMPLETED, &HttpDaemon::onCompleted, this,
        MHD_OPTION_NOTIFY_CONNECTION, &HttpDaemon::onConnection, this, MHD_OPTION_EXTERNAL_LOGGER,
        &HttpDaemon::onLog, this,
        // A socket given (not -1) is answered on as it is; the address is not bound then.
        MHD_OPTION_LISTEN_SOCKET, listenSocket, MHD_OPTION_END);
    if (m_daemon == nullptr) {
        std::lock_guard lock(m_logMutex);
        throw std::runtime_error("cannot listen on " + toString(address) +
                                 (m_startError.empty() ? "" : ": " + m_startError));
    }
    m_started.store(true);
    m_bound = address;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    if (info != nullptr && info->port != 0) {
        m_bound.port = info->port;
    }
}

HttpDaemon::~HttpDaemon() {
    if (m_daemon != nullptr) {
        MHD_stop_daemon(m_daemon);
    }
}

// No exception may cross into the library: each callback ends the connection instead.
void* HttpDaemon::onUri(void*, const char* uri, MHD_Connection*) {
    try {
        auto state = std::make_unique<RequestState>();
        state->rawUri = uri != nullptr ? uri : "";
        return state.release();
    } catch (...) {
        return nullptr;
    }
}

void HttpDaemon::onCompleted(void* self, MHD_Connection* connection, void** context,
                             MHD_RequestTerminationCode) {
    delete static_cast<RequestState*>(*context);
    *context = nullptr;
    if (WatchedConnection* entry = RequestRouter::watched(connection)) {
        static_cast<HttpDaemon*>(self)->m_watch.requestDone(entry);
    }
}

void HttpDaemon::onConnection(void* self, MHD_Connection* connection, void** socketContext,
                              MHD_ConnectionNotificationCode code) {
    ConnectionWatch& watch = static_cast<HttpDaemon*>(self)->m_watch;
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        try {
            *socketContext = info != nullptr ? watch.opened(info->connect_fd) : nullptr;
        } catch (...) {
            *socketContext = nullptr;
        }
    } else if (*socketContext != nullptr) {
        watch.closed(static_cast<WatchedConnection*>(*socketContext));
        *socketContext = nullptr;
    }
}

// Errors are written while a daemon starts (why it could not listen); afterwards the
// library's complaints about single connections are dropped.
void HttpDaemon::onLog(void* self, const char* format, va_list args) {
    auto* daemon = static_cast<HttpDaemon*>(self);
    if (daemon->m_started.load()) {
        return;
    }
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    std::lock_guard lock(daemon->m_logMutex);
    if (!daemon->m_startError.empty()) {
        daemon->m_startError += "; ";
    }
    daemon->m_startError += line;
}

MHD_Result HttpDaemon::onRequest(void* self, MHD_Connection* connection, const char* url,
                                 const char* method, const char*, const char* uploadData,
                                 size_t* uploadSize, void** context) {
    try {
        return static_cast<HttpDaemon*>(self)->m_router.step(connection, url, method, uploadData,
                                                             uploadSize, context);
    } catch (...) {
        return MHD_NO;
    }
}

} // namespace bbstatsd
