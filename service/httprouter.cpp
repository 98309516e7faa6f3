#include "service/httprouter.h"

#include <charconv>
#include <chrono>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>

#include "service/connectionwatch.h"
#include "service/mhdreply.h"
#include "service/refusalbrake.h"
#include "service/requestchecks.h"
#include "service/workerpool.h"

namespace bbstatsd {

namespace {

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

RequestRouter::RequestRouter(const std::vector<HttpRoute>& routes, WorkerPool& pool,
                             ConnectionWatch& watch, RefusalBrake& brake, std::string trustedProxy)
    : m_routes(routes), m_pool(pool), m_watch(watch), m_brake(brake),
      m_trustedProxy(std::move(trustedProxy)) {}

WatchedConnection* RequestRouter::watched(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info != nullptr ? static_cast<WatchedConnection*>(info->socket_context) : nullptr;
}

const HttpRoute* RequestRouter::findRoute(std::string_view method, std::string_view path) const {
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

MHD_Result RequestRouter::step(MHD_Connection* connection, const char* url, const char* method,
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

MHD_Result RequestRouter::begin(MHD_Connection* connection, RequestState& state, const char* url,
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
            return queueReply(connection,
                              problemReply(400, "query parameter \"" + name + "\" given twice"));
        }
    }
    // Two lengths could frame the body two ways; whichever the library took, the request
    // is not read further.
    if (headerLines(connection, MHD_HTTP_HEADER_CONTENT_LENGTH).size() > 1) {
        return queueReply(connection, problemReply(400, "more than one Content-Length"));
    }
    const char* length =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (length == nullptr && state.route->method == "POST") {
        return queueReply(connection, problemReply(411, "a POST needs a Content-Length"));
    }
    if (length != nullptr) {
        const std::string_view text(length);
        unsigned long long declared = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), declared);
        if (error == std::errc::result_out_of_range) {
            declared = HttpServer::BodyCap + 1;
        } else if (error != std::errc() || end != text.data() + text.size()) {
            return queueReply(connection, problemReply(400, "unreadable Content-Length"));
        }
        if (declared > HttpServer::BodyCap) {
            return queueReply(
                connection, problemReply(413, "request body over " +
                                                  std::to_string(HttpServer::BodyCap) + " bytes"));
        }
        if (state.route->method == "POST") {
            state.body.reserve(static_cast<std::size_t>(declared));
        }
    }
    return MHD_YES;
}

MHD_Result RequestRouter::finish(MHD_Connection* connection, RequestState& state,
                                 const char* method) {
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
        request.peer =
            lastForwardedAddress(headerLines(connection, "X-Forwarded-For")).value_or(request.peer);
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
MHD_Result RequestRouter::answer(MHD_Connection* connection, RequestState& state, HttpReply reply) {
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
std::vector<std::string> RequestRouter::headerLines(MHD_Connection* connection, const char* name) {
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

} // namespace bbstatsd
