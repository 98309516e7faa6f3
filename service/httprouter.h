#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <microhttpd.h>

#include "service/httpserver.h"

namespace bbstatsd {

class ConnectionWatch;
class RefusalBrake;
class WorkerPool;
struct WatchedConnection;

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

// The routing of requests: finds a request's route, refuses what no route takes or what is
// framed badly before its body is read, and answers on the reading thread, on the worker pool
// or through a route's async handler. Shared by the daemons of one server.
class RequestRouter {
public:
    RequestRouter(const std::vector<HttpRoute>& routes, WorkerPool& pool, ConnectionWatch& watch,
                  RefusalBrake& brake, std::string trustedProxy);

    // One call of the access handler: the first starts the request, the following ones carry
    // body bytes, the last (no bytes) answers.
    MHD_Result step(MHD_Connection* connection, const char* url, const char* method,
                    const char* uploadData, size_t* uploadSize, void** context);

    // The watch's entry of the connection; null when it has none.
    static WatchedConnection* watched(MHD_Connection* connection);

private:
    const HttpRoute* findRoute(std::string_view method, std::string_view path) const;
    MHD_Result begin(MHD_Connection* connection, RequestState& state, const char* url,
                     const char* method) const;
    MHD_Result finish(MHD_Connection* connection, RequestState& state, const char* method);
    MHD_Result answer(MHD_Connection* connection, RequestState& state, HttpReply reply);
    static std::vector<std::string> headerLines(MHD_Connection* connection, const char* name);

    const std::vector<HttpRoute>& m_routes;
    WorkerPool& m_pool;
    ConnectionWatch& m_watch;
    RefusalBrake& m_brake;
    const std::string m_trustedProxy;
};

} // namespace bbstatsd
