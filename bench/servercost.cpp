#include "bench/servercost.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bench/benchnet.h"
#include "bench/benchrun.h"

namespace bench {

namespace {

// A reply split into what the library is given to send it again: its status, its header lines
// but those the library writes itself (Date, Connection, Content-Length), and its body.
struct Canned {
    unsigned status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

Canned cannedReply(const std::string& reply) {
    Canned canned;
    const auto headEnd = reply.find("\r\n\r\n");
    if (!reply.starts_with("HTTP/1.") || headEnd == std::string::npos) {
        throw std::runtime_error("the library server's reply has no header");
    }
    canned.status = static_cast<unsigned>(std::atoi(reply.c_str() + 9));
    canned.body = reply.substr(headEnd + 4);
    std::size_t at = reply.find("\r\n") + 2;
    while (at < headEnd) {
        const auto end = reply.find("\r\n", at);
        const std::string line = reply.substr(at, end - at);
        const auto colon = line.find(": ");
        const std::string name = line.substr(0, colon);
        if (colon != std::string::npos && name != "Date" && name != "Connection" &&
            name != "Content-Length") {
            canned.headers.emplace_back(name, line.substr(colon + 2));
        }
        at = end + 2;
    }
    return canned;
}

MHD_Result answerCanned(void* cls, MHD_Connection* connection, const char*, const char*,
                        const char*, const char*, size_t* uploadSize, void** context) {
    if (*context == nullptr) {
        *context = cls; // the first call only announces the request
        return MHD_YES;
    }
    if (*uploadSize > 0) {
        *uploadSize = 0;
        return MHD_YES;
    }
    const auto* canned = static_cast<const Canned*>(cls);
    MHD_Response* response = MHD_create_response_from_buffer(
        canned->body.size(), const_cast<char*>(canned->body.data()), MHD_RESPMEM_PERSISTENT);
    for (const auto& [name, value] : canned->headers) {
        MHD_add_response_header(response, name.c_str(), value.c_str());
    }
    const MHD_Result queued = MHD_queue_response(connection, canned->status, response);
    MHD_destroy_response(response);
    return queued;
}

int reusePortSocket(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4096) != 0) {
        return -1;
    }
    return fd;
}

} // namespace

int serveLibrary(const std::string& replyFile) {
    std::ifstream in(replyFile, std::ios::binary);
    const std::string reply((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in) {
        return 1;
    }
    Canned canned;
    try {
        canned = cannedReply(reply);
    } catch (const std::exception&) {
        return 1; // the bench reports that the server did not start
    }
    // One address of the service: two daemons of one thread each, 2,048 connections each,
    // 32 KB of memory per connection, a 5 s idle limit, epoll with the turbo flag.
    int port = 0;
    for (int i = 0; i < 2; ++i) {
        const int fd = reusePortSocket(port);
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (fd < 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
            return 1;
        }
        port = ntohs(bound.sin_port);
        const unsigned flags =
            MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO | MHD_USE_ERROR_LOG;
        MHD_Daemon* daemon = MHD_start_daemon(
            flags, 0, nullptr, nullptr, &answerCanned, const_cast<Canned*>(&canned),
            MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_CONNECTION_TIMEOUT, 5U,
            MHD_OPTION_CONNECTION_LIMIT, 2048U, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
            static_cast<size_t>(32 * 1024), MHD_OPTION_LISTEN_BACKLOG_SIZE, 4096U, MHD_OPTION_END);
        if (daemon == nullptr) {
            return 1;
        }
    }
    std::printf("floor listening on %d\n", port);
    std::fflush(stdout);
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    std::_Exit(0);
}

double cpuMicros(pid_t pid) {
    clockid_t clock;
    timespec now{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &now) != 0) {
        return -1;
    }
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

ServerCost serverCost(const Server& ours, const Server& library, const Server& floor, int blocks,
                      int perBlock, const std::function<std::string(int)>& request) {
    const Server servers[3] = {ours, library, floor};
    std::vector<double> figures[3];
    std::vector<double> toFloor[2];
    std::vector<double> oursToLibrary;
    int done = 0;
    for (int block = 0; block < blocks; ++block) {
        double perRequest[3];
        for (int s = 0; s < 3; ++s) {
            const double before = cpuMicros(servers[s].pid);
            oursMs(servers[s].port, perBlock, [&](int rep) { return request(done + rep); });
            const double after = cpuMicros(servers[s].pid);
            if (before < 0 || after < 0) {
                throw std::runtime_error("cannot read a server's processor time");
            }
            perRequest[s] = (after - before) / perBlock;
            figures[s].push_back(perRequest[s]);
        }
        done += perBlock;
        toFloor[0].push_back(perRequest[0] / perRequest[2]);
        toFloor[1].push_back(perRequest[1] / perRequest[2]);
        oursToLibrary.push_back(perRequest[0] / perRequest[1]);
    }
    return {median(figures[0]), median(figures[1]), median(figures[2]),
            median(toFloor[0]), median(toFloor[1]), median(oursToLibrary)};
}

void printServerCost(int port, pid_t pid, int scale, const std::function<std::string(int)>& scroll,
                     const std::string& players) {
    const std::string httpOnly = HttpOnlyRequest;
    struct Costed {
        const char* name;
        std::function<std::string(int)> request;
    };
    const Costed costed[] = {
        {"HTTP only: GET /verman.asp", [&](int) { return httpOnly; }},
        {"scroll page, cached (Batters, HR desc)", scroll},
        {"pick list, players (Batters)", [&](int) { return players; }},
    };
    std::printf("\n| processor time per request | ours us | library alone us | floor us | "
                "ours/floor | library/floor | ours/library |\n"
                "|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Costed& row : costed) {
        std::string reply;
        if (!roundTrip(port, row.request(0), reply)) {
            throw std::runtime_error(std::string("request failed: ") + row.name);
        }
        FloorServer floor(reply);
        FloorServer library(reply, LibraryServeOption);
        oursMs(library.port(), 3, row.request); // its first connections set the library up
        const ServerCost cost =
            serverCost({port, pid}, {library.port(), library.pid()}, {floor.port(), floor.pid()},
                       8 * scale, 250, row.request);
        std::printf("| %s | %.1f | %.1f | %.1f | %.2f | %.2f | %.2f |\n", row.name, cost.ours,
                    cost.library, cost.floor, cost.oursToFloor, cost.libraryToFloor,
                    cost.oursToLibrary);
    }
}

} // namespace bench
