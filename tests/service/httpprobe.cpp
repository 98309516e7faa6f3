#include "tests/service/httpprobe.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace httpprobe {

namespace {

using Clock = std::chrono::steady_clock;

int openSocket(const std::string& host, int port, const std::string& sourceHost) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return -1;
    }
    if (!sourceHost.empty()) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        inet_pton(AF_INET, sourceHost.c_str(), &source.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
            ::close(fd);
            return -1;
        }
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &target.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

void parse(Reply& reply) {
    const auto headerEnd = reply.raw.find("\r\n\r\n");
    const std::string head = reply.raw.substr(0, headerEnd);
    reply.body = headerEnd == std::string::npos ? std::string() : reply.raw.substr(headerEnd + 4);
    std::size_t lineStart = 0;
    bool first = true;
    while (lineStart <= head.size()) {
        auto lineEnd = head.find("\r\n", lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = head.size();
        }
        const std::string line = head.substr(lineStart, lineEnd - lineStart);
        if (first) {
            reply.statusLine = line;
            // The client reads the status from characters 10 to 12 of "HTTP/1.x NNN reason".
            if (line.size() >= 12 && line.starts_with("HTTP/1.")) {
                reply.status = std::atoi(line.substr(9, 3).c_str());
            }
            first = false;
        } else if (const auto colon = line.find(':'); colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char ch) { return std::tolower(ch); });
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            reply.headers[name] = value;
        }
        lineStart = lineEnd + 2;
    }
}

} // namespace

Reply exchange(const std::string& host, int port, const std::string& request, int timeoutMs,
               const std::string& sourceHost) {
    Reply reply;
    const int fd = openSocket(host, port, sourceHost);
    if (fd < 0) {
        return reply;
    }
    reply.connected = true;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t sent = 0;
    bool writing = true;
    char buffer[16384];
    while (Clock::now() < deadline) {
        pollfd watch{fd, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&watch, 1, static_cast<int>(std::max<long long>(1, left.count()))) <= 0) {
            continue;
        }
        if (writing && (watch.revents & POLLOUT)) {
            const ssize_t n =
                ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
            }
            if (n < 0 && errno != EAGAIN) {
                writing = false;
            }
            if (sent == request.size()) {
                writing = false;
            }
        }
        if (watch.revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                reply.raw.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EAGAIN) {
                reply.closedByServer = true;
                break;
            }
        }
    }
    ::close(fd);
    parse(reply);
    return reply;
}

std::string post(const std::string& path, const std::string& body, bool withLength) {
    std::string text = "POST " + path + " HTTP/1.0\r\n";
    text += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    text += "Content-Type: application/x-www-form-urlencoded\r\n";
    text += "User-Agent: Mozilla/3.0 (compatible)\r\n";
    text += "Host: 127.0.0.1\r\n";
    if (withLength) {
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

std::string get(const std::string& path) {
    return "GET " + path +
           " HTTP/1.0\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\n"
           "Host: 127.0.0.1\r\n\r\n";
}

Connection::Connection(const std::string& host, int port, const std::string& sourceHost)
    : m_fd(openSocket(host, port, sourceHost)) {}

Connection::~Connection() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool Connection::send(const std::string& bytes) {
    std::size_t sent = 0;
    while (m_fd >= 0 && sent < bytes.size()) {
        pollfd watch{m_fd, POLLOUT, 0};
        if (::poll(&watch, 1, 5000) <= 0) {
            return false;
        }
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN) {
            return false;
        }
        sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return m_fd >= 0;
}

std::size_t Connection::receive(std::size_t max, int timeoutMs) {
    pollfd watch{m_fd, POLLIN, 0};
    if (m_fd < 0 || ::poll(&watch, 1, timeoutMs) <= 0) {
        return 0;
    }
    std::string buffer(max, '\0');
    const ssize_t n = ::recv(m_fd, buffer.data(), max, 0);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool Connection::closedByServer(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (m_fd >= 0 && Clock::now() < deadline) {
        pollfd watch{m_fd, POLLIN, 0};
        if (::poll(&watch, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN)) {
            return true;
        }
    }
    return false;
}

long residentKb(long pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

} // namespace httpprobe
