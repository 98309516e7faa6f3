#include "service/httpdaemon.h"

#include <cstdio>
#include <iterator>
#include <memory>
#include <stdexcept>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/filter.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include "service/connectionwatch.h"
#include "service/peerlimit.h"

// All of libmicrohttpd's daemon and connection callbacks live in this file. The settings are
// explicit because the library's defaults have no time-out and no per-address limit.

namespace bbstatsd {

namespace {

constexpr std::size_t ConnectionMemory = 32 * 1024;
constexpr unsigned ListenBacklog = 4096;

sockaddr_in socketAddressOf(const ListenAddress& address) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(address.port);
    if (inet_pton(AF_INET, address.host.c_str(), &socketAddress.sin_addr) != 1) {
        throw std::runtime_error("cannot listen on " + toString(address) + ": not an IPv4 address");
    }
    return socketAddress;
}

// The IPv4 address of a client, 0 for any other kind.
std::uint32_t peerOf(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) {
        return 0;
    }
    return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
}

} // namespace

void HttpDaemon::checkFree(const ListenAddress& address) {
    if (address.port == 0) {
        return;
    }
    const sockaddr_in socketAddress = socketAddressOf(address);
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        throw std::runtime_error("cannot listen on " + toString(address) + ": " +
                                 std::strerror(errno));
    }
    // Without SO_REUSEPORT the bind fails while any socket listens on the address, with it or
    // not; SO_REUSEADDR lets it pass closed connections still waiting out their time.
    const int on = 1;
    setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const bool bound =
        bind(probe, reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress) == 0;
    const int error = errno;
    close(probe);
    if (!bound) {
        throw std::runtime_error("cannot listen on " + toString(address) + ": " +
                                 std::strerror(error));
    }
}

HttpDaemon::HttpDaemon(const std::vector<HttpRoute>& routes, const HttpSettings& settings,
                       WorkerPool& pool, ConnectionWatch& watch, RefusalBrake& brake,
                       PeerLimit& peers, const ListenAddress& address, unsigned connectionLimit,
                       unsigned index, unsigned count, int listenSocket)
    : m_watch(watch), m_peers(peers), m_router(routes, pool, watch, brake, settings.trustedProxy) {
    cpu_set_t allowed;
    if (count > 1 && sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        CPU_ZERO(&m_processors);
        for (unsigned cpu = index; cpu < CPU_SETSIZE; cpu += count) {
            if (CPU_ISSET(cpu, &allowed)) {
                CPU_SET(cpu, &m_processors);
            }
        }
        m_hasProcessors = CPU_COUNT(&m_processors) > 0;
    }
    sockaddr_in socketAddress = socketAddressOf(address);
    // Turbo: a new connection is read at once instead of after another epoll round, and a
    // connection is closed without a shutdown() first; a request and its reply then take
    // about 8 system calls instead of 13.
    // Suspending lets a slow request wait for a worker without holding a reading thread.
    const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO |
                           MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
    // The connections per client address are counted by `peers` over all daemons of the
    // address (the accept policy refuses past them, as the library's own limit would).
    m_daemon = MHD_start_daemon(
        flags, address.port, &HttpDaemon::onAccept, this, &HttpDaemon::onRequest, this,
        MHD_OPTION_SOCK_ADDR, &socketAddress, MHD_OPTION_LISTENING_ADDRESS_REUSE, 1U,
        MHD_OPTION_CONNECTION_TIMEOUT, settings.idleTimeoutSeconds, MHD_OPTION_CONNECTION_LIMIT,
        connectionLimit, MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory,
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

bool HttpDaemon::steerByProcessor(unsigned count) {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_LISTEN_FD);
    if (info == nullptr || count == 0) {
        return false;
    }
    // The socket's number in the group: the processor the connection arrived on, modulo count.
    sock_filter code[] = {
        {BPF_LD | BPF_W | BPF_ABS, 0, 0, static_cast<__u32>(SKF_AD_OFF + SKF_AD_CPU)},
        {BPF_ALU | BPF_MOD | BPF_K, 0, 0, count},
        {BPF_RET | BPF_A, 0, 0, 0}};
    sock_fprog program{static_cast<unsigned short>(std::size(code)), code};
    return setsockopt(info->listen_fd, SOL_SOCKET, SO_ATTACH_REUSEPORT_CBPF, &program,
                      sizeof program) == 0;
}

HttpDaemon::~HttpDaemon() {
    if (m_daemon != nullptr) {
        MHD_stop_daemon(m_daemon);
    }
}

// No exception may cross into the library: each callback ends the connection instead.
// onAccept runs on the daemon's thread, which the library gives no other hold on: the thread
// is kept to its processors here, before its first connection.
MHD_Result HttpDaemon::onAccept(void* self, const sockaddr* address, socklen_t) {
    auto* daemon = static_cast<HttpDaemon*>(self);
    if (!daemon->m_kept && daemon->m_keepToProcessors.load(std::memory_order_relaxed)) {
        daemon->m_kept = true;
        pthread_setaffinity_np(pthread_self(), sizeof daemon->m_processors, &daemon->m_processors);
    }
    try {
        return daemon->m_peers.admit(peerOf(address)) ? MHD_YES : MHD_NO;
    } catch (...) {
        return MHD_NO;
    }
}

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
    auto* daemon = static_cast<HttpDaemon*>(self);
    ConnectionWatch& watch = daemon->m_watch;
    if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        // Every connection the library set up passed onAccept, which counted it.
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        daemon->m_peers.release(peerOf(info != nullptr ? info->client_addr : nullptr));
    }
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
