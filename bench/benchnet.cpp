#include "bench/benchnet.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string postRequest(const std::string& path, const std::string& body) {
    return "POST " + path +
           " HTTP/1.0\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\n"
           "Host: 127.0.0.1\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

bool roundTrip(int port, const std::string& request, std::string& reply,
               const std::string& sourceHost) {
    reply.clear();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    if (!sourceHost.empty()) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        inet_pton(AF_INET, sourceHost.c_str(), &source.sin_addr);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0) {
            ::close(fd);
            return false;
        }
    }
    const sockaddr_in address = loopback(port);
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
              sendAll(fd, request.data(), request.size());
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            reply.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
        }
    }
    ::close(fd);
    return ok && reply.starts_with("HTTP/1.1 200");
}

std::string bodyOf(const std::string& reply) {
    const auto end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

Service::Service(const std::string& binary, const std::string& db, const std::string& eventsFile,
                 const std::vector<std::string>& extraArgs) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<std::string> args = {binary,     "serve",       "--db",     db,
                                     "--listen", "127.0.0.1:0", "--events", eventsFile};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        throw std::runtime_error("cannot start " + binary);
    }
    std::string output;
    char buffer[512];
    const std::string marker = "listening on 127.0.0.1:";
    while (m_port == 0) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(n));
        const auto at = output.find(marker);
        if (at != std::string::npos && output.find('\n', at) != std::string::npos) {
            m_port = std::atoi(output.c_str() + at + marker.size());
        }
    }
    ::close(pipeFds[0]); // later output goes nowhere; the service ignores SIGPIPE
    if (m_port == 0) {
        throw std::runtime_error("bbstatsd did not start: " + output);
    }
}

void Service::waitUntilLoaded() const {
    // The service listens before it has loaded everything (/healthz answers 503 meanwhile);
    // figures taken while it still loads would share the processors with that work.
    const std::string health = "GET /healthz HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    std::string reply;
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!roundTrip(m_port, health, reply)) {
        if (std::chrono::steady_clock::now() > until) {
            throw std::runtime_error("bbstatsd did not finish loading");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

Service::~Service() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
}

namespace {

// Reads one request (headers, then as many body bytes as they declare) and answers with reply.
void answerFloor(int listenSocket, const std::string& reply) {
    std::string request;
    char buffer[16384];
    for (;;) {
        const int fd = ::accept(listenSocket, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        request.clear();
        std::size_t needed = std::string::npos;
        while (needed == std::string::npos || request.size() < needed) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            request.append(buffer, static_cast<std::size_t>(n));
            const auto end = request.find("\r\n\r\n");
            if (needed == std::string::npos && end != std::string::npos) {
                const auto at = request.find("Content-Length: ");
                needed =
                    end + 4 + (at == std::string::npos ? 0 : std::atoi(request.c_str() + at + 16));
            }
        }
        sendAll(fd, reply.data(), reply.size());
        ::close(fd);
    }
}

} // namespace

int serveFloor(const std::string& replyFile) {
    std::ifstream in(replyFile, std::ios::binary);
    const std::string reply((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int listenSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(listenSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (!in || ::bind(listenSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenSocket, 511) != 0 ||
        ::getsockname(listenSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 1;
    }
    std::printf("floor listening on %d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (int i = 0; i < 2; ++i) {
        std::thread([listenSocket, &reply] { answerFloor(listenSocket, reply); }).detach();
    }
    // Until the bench closes its end of standard input (or ends).
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    std::_Exit(0);
}

FloorServer::FloorServer(const std::string& reply, const char* serveOption) {
    char name[] = "/tmp/bbstats-floor-XXXXXX";
    const int file = ::mkstemp(name);
    if (file < 0) {
        throw std::runtime_error("the floor server cannot write its reply");
    }
    m_replyFile = name;
    const bool written =
        ::write(file, reply.data(), reply.size()) == static_cast<ssize_t>(reply.size());
    ::close(file);
    int output[2];
    int input[2];
    if (!written || ::pipe(output) != 0) {
        throw std::runtime_error("the floor server cannot start");
    }
    if (::pipe(input) != 0) {
        ::close(output[0]);
        ::close(output[1]);
        throw std::runtime_error("the floor server cannot start");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    std::string self = "/proc/self/exe";
    std::string option = serveOption != nullptr ? serveOption : FloorServeOption;
    char* argv[] = {self.data(), option.data(), m_replyFile.data(), nullptr};
    const int spawned = posix_spawn(&m_pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    ::close(input[0]);
    // The child's standard input stays open in this process (closed on exit) so that a bench
    // that dies takes its floor server with it.
    ::fcntl(input[1], F_SETFD, FD_CLOEXEC);
    m_stdin = input[1];
    std::string text;
    char buffer[64];
    const std::string marker = "floor listening on ";
    while (spawned == 0 && text.find('\n') == std::string::npos) {
        const ssize_t n = ::read(output[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(output[0]);
    if (text.starts_with(marker)) {
        m_port = std::atoi(text.c_str() + marker.size());
    }
    if (m_port == 0) {
        stop();
        throw std::runtime_error("the floor server did not start");
    }
}

FloorServer::~FloorServer() {
    stop();
}

void FloorServer::stop() {
    if (m_stdin >= 0) {
        ::close(m_stdin);
        m_stdin = -1;
    }
    if (m_pid > 0) {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    if (!m_replyFile.empty()) {
        ::unlink(m_replyFile.c_str());
        m_replyFile.clear();
    }
}

double residentMb(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) {
            return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
        }
    }
    return -1;
}

} // namespace bench
