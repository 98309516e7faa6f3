#include "service/httpserver.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_set>

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>

#include "service/connectionwatch.h"
#include "service/refusalbrake.h"
#include "service/requestchecks.h"
#include "service/workerpool.h"

// All of libmicrohttpd's C callbacks live in this file. The settings are explicit because the
// library's defaults have no time-out and no per-address limit.

namespace bbstatsd {

namespace {

constexpr std::size_t ConnectionMemory = 32 * 1024;
constexpr unsigned ListenBacklog = 4096;

// Per request, created when the request line has been read and freed when the request ends.
struct RequestState {
    std::string rawUri;
    std::string path;
    const HttpRoute* route = nullptr;
    bool started = false;
    std::string body;
    std::size_t received = 0;
    // Set while the request waits for a worker; the reply is there once it is resumed.
    bool deferred = false;
    // Set by a worker that found the client gone: the connection is closed, nothing sent.
    bool clientGone = false;
    HttpRequest request;
    HttpReply reply;
};

// A route's handler; what escapes from it becomes status 500.
HttpReply callHandler(const HttpHandler& handler, const HttpRequest& request) {
    try {
        return handler(request);
    } catch (const std::exception& error) {
        return problemReply(500, std::string("internal error: ") + error.what());
    } catch (...) {
        return problemReply(500, "internal error");
    }
}

// Header values may carry neither line ends nor other control characters.
std::string headerSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        out.push_back(byte < 0x20 || byte == 0x7f ? ' ' : ch);
    }
    if (out.size() > 200) {
        out.resize(200);
    }
    return out;
}

// Whether the client has closed its side of the connection (or it failed). A suspended
// connection is not watched by the library, so a client that gave up waiting is seen only here.
// A client that only shut down its sending side after its request counts as gone too: without
// writing to it, the two cannot be told apart, and clients that give up are by far the more.
bool clientGone(int fd) {
    if (fd < 0) {
        return false;
    }
    pollfd watch{fd, POLLRDHUP, 0};
    return ::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

// A route's notRun hook; what escapes from it is dropped.
void callNotRun(const HttpRoute& route, const HttpRequest& request) {
    if (!route.notRun) {
        return;
    }
    try {
        route.notRun(request);
    } catch (...) {
    }
}

// A streamed body: the library calls the stream as the connection drains and frees it with
// the response.
MHD_Response* streamResponse(HttpReply& reply) {
    using Stream = std::function<long(std::uint64_t, char*, std::size_t)>;
    auto* stream = new (std::nothrow) Stream(std::move(reply.stream));
    if (stream == nullptr) {
        return nullptr;
    }
    MHD_Response* response = MHD_create_response_from_callback(
        reply.streamLength, HttpReply::StreamBlock,
        [](void* cls, std::uint64_t offset, char* out, std::size_t max) -> ssize_t {
            long written = -1;
            try {
                written = (*static_cast<Stream*>(cls))(offset, out, max);
            } catch (const std::exception&) {
                written = -1;
            }
            return written < 0 ? MHD_CONTENT_READER_END_WITH_ERROR : static_cast<ssize_t>(written);
        },
        stream, [](void* cls) { delete static_cast<Stream*>(cls); });
    if (response == nullptr) {
        delete stream;
    }
    return response;
}

// The body is handed over to the library without a copy and freed when the response is.
MHD_Response* bufferResponse(HttpReply& reply) {
    auto* body = new (std::nothrow) std::string(std::move(reply.body));
    if (body == nullptr) {
        return nullptr;
    }
    MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
        body->size(), body->data(), [](void* owned) { delete static_cast<std::string*>(owned); },
        body);
    if (response == nullptr) {
        delete body;
    }
    return response;
}

MHD_Result queueReply(MHD_Connection* connection, HttpReply reply) {
    MHD_Response* response = reply.stream ? streamResponse(reply) : bufferResponse(reply);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    for (const auto& [name, value] : reply.headers) {
        MHD_add_response_header(response, name.c_str(), headerSafe(value).c_str());
    }
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

std::string peerOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr) {
        return {};
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (info->client_addr->sa_family == AF_INET) {
        const auto* in4 = reinterpret_cast<const sockaddr_in*>(info->client_addr);
        inet_ntop(AF_INET, &in4->sin_addr, text, sizeof text);
    } else if (info->client_addr->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(info->client_addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
    return text;
}

} // namespace

HttpReply problemReply(int status, std::string_view reason) {
    HttpReply reply;
    reply.status = status;
    reply.body = headerSafe(reason) + "\r\n";
    reply.headers.emplace_back(ProblemHeader, headerSafe(reason));
    return reply;
}

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

class HttpDaemon {
public:
    // listenSocket: a listening socket to answer on (taken over from another daemon), else -1
    // to bind one to address.
    HttpDaemon(const std::vector<HttpRoute>& routes, const HttpSettings& settings, WorkerPool& pool,
               ConnectionWatch& watch, RefusalBrake& brake, const ListenAddress& address,
               int listenSocket = -1)
        : m_routes(routes), m_pool(pool), m_watch(watch), m_brake(brake),
          m_trustedProxy(settings.trustedProxy) {
        sockaddr_in socketAddress{};
        socketAddress.sin_family = AF_INET;
        socketAddress.sin_port = htons(address.port);
        if (inet_pton(AF_INET, address.host.c_str(), &socketAddress.sin_addr) != 1) {
            throw std::runtime_error("cannot listen on " + toString(address) +
                                     ": not an IPv4 address");
        }
        // Turbo: a new connection is read at once instead of after another epoll round, and a
        // connection is closed without a shutdown() first; a request and its reply then take
        // about 8 system calls instead of 13.
        // Suspending lets a slow request wait for a worker without holding a reading thread.
        const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO |
                               MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
        m_daemon = MHD_start_daemon(
            flags, address.port, nullptr, nullptr, &HttpDaemon::onRequest, this,
            MHD_OPTION_SOCK_ADDR, &socketAddress, MHD_OPTION_THREAD_POOL_SIZE,
            settings.threadsPerAddress, MHD_OPTION_CONNECTION_TIMEOUT, settings.idleTimeoutSeconds,
            MHD_OPTION_CONNECTION_LIMIT, settings.connectionLimit,
            MHD_OPTION_PER_IP_CONNECTION_LIMIT, settings.connectionsPerAddress,
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory, MHD_OPTION_LISTEN_BACKLOG_SIZE,
            ListenBacklog, MHD_OPTION_URI_LOG_CALLBACK, &HttpDaemon::onUri, this,
            MHD_OPTION_NOTIFY_COMPLETED, &HttpDaemon::onCompleted, this,
            MHD_OPTION_NOTIFY_CONNECTION, &HttpDaemon::onConnection, this,
            MHD_OPTION_EXTERNAL_LOGGER, &HttpDaemon::onLog, this,
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

    // Stops taking connections and gives up the listening socket (the caller owns it then);
    // -1 when it cannot.
    int quiesce() { return m_daemon != nullptr ? MHD_quiesce_daemon(m_daemon) : -1; }

    ~HttpDaemon() {
        if (m_daemon != nullptr) {
            MHD_stop_daemon(m_daemon);
        }
    }

    HttpDaemon(const HttpDaemon&) = delete;
    HttpDaemon& operator=(const HttpDaemon&) = delete;

    ListenAddress bound() const { return m_bound; }

private:
    const HttpRoute* findRoute(std::string_view method, std::string_view path) const {
        const HttpRoute* any = nullptr;
        for (const HttpRoute& route : m_routes) {
            // A path ending in "*" takes every path that starts with what precedes it.
            const bool prefix =
                route.path.ends_with('*') &&
                path.starts_with(std::string_view(route.path).substr(0, route.path.size() - 1));
            if (route.method == method && (route.path == path || prefix)) {
                return &route;
            }
            if (route.method == "*" && route.path == "*") {
                any = &route;
            }
        }
        return any;
    }

    // No exception may cross into the library: each callback ends the connection instead.
    static void* onUri(void*, const char* uri, MHD_Connection*) {
        try {
            auto state = std::make_unique<RequestState>();
            state->rawUri = uri != nullptr ? uri : "";
            return state.release();
        } catch (...) {
            return nullptr;
        }
    }

    static void onCompleted(void* self, MHD_Connection* connection, void** context,
                            MHD_RequestTerminationCode) {
        delete static_cast<RequestState*>(*context);
        *context = nullptr;
        if (WatchedConnection* entry = watched(connection)) {
            static_cast<HttpDaemon*>(self)->m_watch.requestDone(entry);
        }
    }

    static void onConnection(void* self, MHD_Connection* connection, void** socketContext,
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

    static WatchedConnection* watched(MHD_Connection* connection) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        return info != nullptr ? static_cast<WatchedConnection*>(info->socket_context) : nullptr;
    }

    // Errors are written while a daemon starts (why it could not listen); afterwards the
    // library's complaints about single connections are dropped.
    static void onLog(void* self, const char* format, va_list args) {
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

    static MHD_Result onRequest(void* self, MHD_Connection* connection, const char* url,
                                const char* method, const char*, const char* uploadData,
                                size_t* uploadSize, void** context) {
        try {
            return static_cast<HttpDaemon*>(self)->step(connection, url, method, uploadData,
                                                        uploadSize, context);
        } catch (...) {
            return MHD_NO;
        }
    }

    // One call of the access handler: the first starts the request, the following ones carry
    // body bytes, the last (no bytes) answers.
    MHD_Result step(MHD_Connection* connection, const char* url, const char* method,
                    const char* uploadData, size_t* uploadSize, void** context) {
        auto* state = static_cast<RequestState*>(*context);
        if (state == nullptr) {
            return MHD_NO;
        }
        if (state->deferred) {
            if (state->clientGone) {
                return MHD_NO;
            }
            // Resumed: the worker has left its reply.
            WatchedConnection* entry = watched(connection);
            if (state->reply.sendDeadlineMs != 0 && entry != nullptr) {
                m_watch.sendWithin(entry, std::chrono::milliseconds(state->reply.sendDeadlineMs));
            }
            return queueReply(connection, std::move(state->reply));
        }
        if (!state->started) {
            state->started = true;
            return begin(connection, *state, url, method);
        }
        if (*uploadSize > 0) {
            const std::size_t size = *uploadSize;
            *uploadSize = 0;
            state->received += size;
            if (state->received > HttpServer::BodyCap) {
                // Only a body without a declared length gets here; it is cut off.
                return MHD_NO;
            }
            if (state->route->method == "POST") {
                state->body.append(uploadData, size);
            }
            return MHD_YES;
        }
        return finish(connection, *state, method);
    }

    MHD_Result begin(MHD_Connection* connection, RequestState& state, const char* url,
                     const char* method) const {
        // A request line in absolute form ("http://host:port/path") names the same path.
        state.path = url;
        if (state.path.starts_with("http://")) {
            const auto slash = state.path.find('/', 7);
            state.path = slash == std::string::npos ? "/" : state.path.substr(slash);
        }
        state.route = findRoute(method, state.path);
        if (state.route == nullptr) {
            return queueReply(connection, problemReply(404, "no such path or method"));
        }
        const auto mark = state.rawUri.find('?');
        if (mark != std::string::npos) {
            const auto repeated = repeatedParameter(std::string_view(state.rawUri).substr(mark + 1),
                                                    state.route->textParameter);
            if (repeated) {
                const std::string name =
                    repeated->size() > 40 ? repeated->substr(0, 40) + "..." : *repeated;
                return queueReply(
                    connection, problemReply(400, "query parameter \"" + name + "\" given twice"));
            }
        }
        // Two lengths could frame the body two ways; whichever the library took, the request
        // is not read further.
        if (headerLines(connection, MHD_HTTP_HEADER_CONTENT_LENGTH).size() > 1) {
            return queueReply(connection, problemReply(400, "more than one Content-Length"));
        }
        const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                         MHD_HTTP_HEADER_CONTENT_LENGTH);
        if (length == nullptr && state.route->method == "POST") {
            return queueReply(connection, problemReply(411, "a POST needs a Content-Length"));
        }
        if (length != nullptr) {
            const std::string_view text(length);
            unsigned long long declared = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), declared);
            if (error == std::errc::result_out_of_range) {
                declared = HttpServer::BodyCap + 1;
            } else if (error != std::errc() || end != text.data() + text.size()) {
                return queueReply(connection, problemReply(400, "unreadable Content-Length"));
            }
            if (declared > HttpServer::BodyCap) {
                return queueReply(connection,
                                  problemReply(413, "request body over " +
                                                        std::to_string(HttpServer::BodyCap) +
                                                        " bytes"));
            }
            if (state.route->method == "POST") {
                state.body.reserve(static_cast<std::size_t>(declared));
            }
        }
        return MHD_YES;
    }

    MHD_Result finish(MHD_Connection* connection, RequestState& state, const char* method) {
        if (WatchedConnection* entry = watched(connection)) {
            m_watch.requestRead(entry);
        }
        HttpRequest& request = state.request;
        request.method = method;
        request.path = std::move(state.path);
        const auto mark = state.rawUri.find('?');
        if (mark != std::string::npos) {
            request.query = state.rawUri.substr(mark + 1);
        }
        request.body = std::move(state.body);
        request.peer = peerOf(connection);
        if (!m_trustedProxy.empty() && request.peer == m_trustedProxy) {
            request.peer = lastForwardedAddress(headerLines(connection, "X-Forwarded-For"))
                               .value_or(request.peer);
        }
        const HttpRoute& route = *state.route;
        if (!route.quick) {
            return answer(connection, state, callHandler(route.handler, request));
        }
        std::optional<HttpReply> quick;
        try {
            quick = route.quick(request);
        } catch (const std::exception& error) {
            quick = problemReply(500, std::string("internal error: ") + error.what());
        }
        if (quick) {
            return answer(connection, state, std::move(*quick));
        }
        // The connection is suspended before the job is handed over, so that the worker's
        // resume can never come first.
        state.deferred = true;
        MHD_suspend_connection(connection);
        RequestState* waiting = &state;
        const MHD_ConnectionInfo* fdInfo =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        const int fd = fdInfo != nullptr ? fdInfo->connect_fd : -1;
        if (route.async) {
            request.gone = [fd] { return clientGone(fd); };
            try {
                route.async(request, [waiting, connection](HttpReply reply) {
                    waiting->reply = std::move(reply);
                    MHD_resume_connection(connection);
                });
            } catch (const std::exception& error) {
                // Thrown before the work was handed over: the reply callback was not called.
                callNotRun(route, request);
                state.reply = problemReply(500, std::string("internal error: ") + error.what());
                MHD_resume_connection(connection);
            }
            return MHD_YES;
        }
        const WorkerPool::Refusal refusal = m_pool.submit(
            request.peer,
            [waiting, connection, fd](bool run) {
                const HttpRoute& route = *waiting->route;
                if (!run) {
                    callNotRun(route, waiting->request);
                    waiting->reply = problemReply(503, "the service is stopping");
                } else if (clientGone(fd)) {
                    // Nobody waits for the answer any more: the work is not done at
                    // all.
                    callNotRun(route, waiting->request);
                    waiting->clientGone = true;
                } else {
                    waiting->reply = callHandler(route.handler, waiting->request);
                }
                MHD_resume_connection(connection);
            },
            {route.waitingGroup, route.waitingLimit, std::chrono::milliseconds(route.waitingMs)});
        if (refusal != WorkerPool::Refusal::None) {
            callNotRun(route, request);
            state.reply =
                refusal == WorkerPool::Refusal::SenderBusy
                    ? problemReply(503, "too many queries in progress from this address")
                : refusal == WorkerPool::Refusal::GroupFull
                    ? problemReply(503, "too many " + route.waitingGroup + " waiting; try again")
                    : problemReply(503, "too many queries waiting; try again");
            state.reply.headers.emplace_back("Retry-After", "1");
            const std::chrono::milliseconds hold = m_brake.refused(request.peer);
            if (hold.count() > 0) {
                m_watch.resumeLater(connection, hold);
            } else {
                MHD_resume_connection(connection);
            }
        }
        return MHD_YES;
    }

    // Sends the reply now, or suspends the connection until its delay has passed.
    MHD_Result answer(MHD_Connection* connection, RequestState& state, HttpReply reply) {
        if (reply.status == 503 && reply.delayMs == 0) {
            reply.delayMs = static_cast<unsigned>(m_brake.refused(state.request.peer).count());
        }
        if (reply.delayMs == 0) {
            return queueReply(connection, std::move(reply));
        }
        const std::chrono::milliseconds delay(reply.delayMs);
        state.reply = std::move(reply);
        state.deferred = true;
        MHD_suspend_connection(connection);
        m_watch.resumeLater(connection, delay);
        return MHD_YES;
    }

    // The values of every header line named `name` (in any case), in the order they came.
    static std::vector<std::string> headerLines(MHD_Connection* connection, const char* name) {
        struct Wanted {
            const char* name;
            std::vector<std::string> values;
        } wanted{name, {}};
        MHD_get_connection_values(
            connection, MHD_HEADER_KIND,
            [](void* cls, MHD_ValueKind, const char* key, const char* value) -> MHD_Result {
                auto* wanted = static_cast<Wanted*>(cls);
                if (key != nullptr && ::strcasecmp(key, wanted->name) == 0) {
                    wanted->values.emplace_back(value != nullptr ? value : "");
                }
                return MHD_YES;
            },
            &wanted);
        return wanted.values;
    }

    const std::vector<HttpRoute>& m_routes;
    WorkerPool& m_pool;
    ConnectionWatch& m_watch;
    RefusalBrake& m_brake;
    const std::string m_trustedProxy;
    MHD_Daemon* m_daemon = nullptr;
    ListenAddress m_bound;
    std::atomic<bool> m_started{false};
    std::mutex m_logMutex;
    std::string m_startError;
};

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
