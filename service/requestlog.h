#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "service/httpserver.h"

namespace bbstatsd {

// How much of a request body goes into its log line.
enum class LoggedBody {
    FirstLine, // at most 200 bytes of the first line
    Whole,     // the whole body, at most 4096 bytes, its line ends escaped too
};

// A request log for tests and diagnosis: one line per request that reached a
// route, "METHOD PATH[?QUERY] BODY", written and flushed at once. Bytes
// outside printable ASCII are written as \xNN, so a line never breaks.
class RequestLog {
public:
    // Opens `path` for appending; throws std::runtime_error naming the file
    // when it cannot be opened.
    explicit RequestLog(const std::string& path, LoggedBody body = LoggedBody::FirstLine);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends the line of `request`; safe from several threads.
    void record(const HttpRequest& request);

    // The line written for `request`, without its line end.
    static std::string lineFor(const HttpRequest& request, LoggedBody body = LoggedBody::FirstLine);

private:
    std::FILE* m_file = nullptr;
    LoggedBody m_body;
    std::mutex m_mutex;
};

// `routes` with each handler recording its request in `log` first; `log` must
// outlive the routes.
std::vector<HttpRoute> loggedRoutes(std::vector<HttpRoute> routes, RequestLog& log);

} // namespace bbstatsd
