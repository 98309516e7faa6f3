#include "service/requestlog.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace bbstatsd {

namespace {

constexpr std::size_t MaxFirstLineBytes = 200;
constexpr std::size_t MaxWholeBodyBytes = 4096;

void appendPrintable(std::string& out, std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0xf];
        }
    }
}

} // namespace

RequestLog::RequestLog(const std::string& path, LoggedBody body)
    : m_file(std::fopen(path.c_str(), "a")), m_body(body) {
    if (m_file == nullptr) {
        throw std::runtime_error("cannot open the request log " + path);
    }
}

RequestLog::~RequestLog() {
    std::fclose(m_file);
}

std::string RequestLog::lineFor(const HttpRequest& request, LoggedBody kept) {
    std::string line;
    appendPrintable(line, request.method);
    line += ' ';
    appendPrintable(line, request.path);
    if (!request.query.empty()) {
        line += '?';
        appendPrintable(line, request.query);
    }
    line += ' ';
    std::string_view body = request.body;
    if (kept == LoggedBody::Whole) {
        body = body.substr(0, MaxWholeBodyBytes);
    } else {
        body = body.substr(0, std::min(body.find_first_of("\r\n"), MaxFirstLineBytes));
    }
    appendPrintable(line, body);
    return line;
}

void RequestLog::record(const HttpRequest& request) {
    const std::string line = lineFor(request, m_body) + '\n';
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
}

std::vector<HttpRoute> loggedRoutes(std::vector<HttpRoute> routes, RequestLog& log) {
    for (HttpRoute& route : routes) {
        // A route with a quick handler meets every request there first; its handler sees only
        // some of them.
        if (route.quick) {
            route.quick = [&log, inner = std::move(route.quick)](const HttpRequest& request) {
                log.record(request);
                return inner(request);
            };
            continue;
        }
        route.handler = [&log, inner = std::move(route.handler)](const HttpRequest& request) {
            log.record(request);
            return inner(request);
        };
    }
    return routes;
}

} // namespace bbstatsd
