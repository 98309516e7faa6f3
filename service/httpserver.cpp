#include "service/httpserver.h"

#include <atomic>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

// All of libmicrohttpd's C callbacks live in this file. The settings are explicit because the
// library's defaults have no time-out and no per-address limit.

namespace bbstatsd {

namespace {

constexpr unsigned ThreadsPerAddress = 2;
constexpr unsigned ConnectionTimeoutSeconds = 5;
constexpr unsigned ConnectionLimit = 512;
constexpr unsigned ConnectionsPerAddress = 32;
constexpr std::size_t ConnectionMemory = 32 * 1024;
constexpr unsigned ListenBacklog = 511;

// Per request, created when the request line has been read and freed when the request ends.
struct RequestState {
    std::string rawUri;
    std::string path;
    const HttpRoute* route = nullptr;
    bool started = false;
    std::string body;
    std::size_t received = 0;
};

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

// The body is handed over to the library without a copy and freed when the response is.
MHD_Result queueReply(MHD_Connection* connection, HttpReply reply) {
    auto* body = new (std::nothrow) std::string(std::move(reply.body));
    if (body == nullptr) {
        return MHD_NO;
    }
    MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
        body->size(), body->data(), [](void* owned) { delete static_cast<std::string*>(owned); },
        body);
    if (response == nullptr) {
        delete body;
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
    HttpDaemon(const std::vector<HttpRoute>& routes, const ListenAddress& address)
        : m_routes(routes) {
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
        const unsigned flags =
            MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO | MHD_USE_ERROR_LOG;
        m_daemon = MHD_start_daemon(
            flags, address.port, nullptr, nullptr, &HttpDaemon::onRequest, this,
            MHD_OPTION_SOCK_ADDR, &socketAddress, MHD_OPTION_THREAD_POOL_SIZE, ThreadsPerAddress,
            MHD_OPTION_CONNECTION_TIMEOUT, ConnectionTimeoutSeconds, MHD_OPTION_CONNECTION_LIMIT,
            ConnectionLimit, MHD_OPTION_PER_IP_CONNECTION_LIMIT, ConnectionsPerAddress,
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory, MHD_OPTION_LISTEN_BACKLOG_SIZE,
            ListenBacklog, MHD_OPTION_URI_LOG_CALLBACK, &HttpDaemon::onUri, this,
            MHD_OPTION_NOTIFY_COMPLETED, &HttpDaemon::onCompleted, this, MHD_OPTION_EXTERNAL_LOGGER,
            &HttpDaemon::onLog, this, MHD_OPTION_END);
        if (m_daemon == nullptr) {
            std::lock_guard lock(m_logMutex);
            throw std::runtime_error("cannot listen on " + toString(address) +
                                     (m_startError.empty() ? "" : ": " + m_startError));
        }
        m_started.store(true);
        m_bound = address;
        const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
        if (info != nullptr) {
            m_bound.port = info->port;
        }
    }

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
        for (const HttpRoute& route : m_routes) {
            if (route.method == method && route.path == path) {
                return &route;
            }
        }
        return nullptr;
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

    static void onCompleted(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
        delete static_cast<RequestState*>(*context);
        *context = nullptr;
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

    MHD_Result finish(MHD_Connection* connection, RequestState& state, const char* method) const {
        HttpRequest request;
        request.method = method;
        request.path = std::move(state.path);
        const auto mark = state.rawUri.find('?');
        if (mark != std::string::npos) {
            request.query = state.rawUri.substr(mark + 1);
        }
        request.body = std::move(state.body);
        request.peer = peerOf(connection);
        HttpReply reply;
        try {
            reply = state.route->handler(request);
        } catch (const std::exception& error) {
            reply = problemReply(500, std::string("internal error: ") + error.what());
        } catch (...) {
            reply = problemReply(500, "internal error");
        }
        return queueReply(connection, std::move(reply));
    }

    const std::vector<HttpRoute>& m_routes;
    MHD_Daemon* m_daemon = nullptr;
    ListenAddress m_bound;
    std::atomic<bool> m_started{false};
    std::mutex m_logMutex;
    std::string m_startError;
};

HttpServer::HttpServer(std::vector<HttpRoute> routes) : m_routes(std::move(routes)) {}

HttpServer::~HttpServer() = default;

ListenAddress HttpServer::listen(const ListenAddress& address) {
    m_daemons.push_back(std::make_unique<HttpDaemon>(m_routes, address));
    return m_daemons.back()->bound();
}

} // namespace bbstatsd
