#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sys/types.h>

// Loopback networking for the benchmark: the client's one-connection-per-request exchange, the
// service as a child process, and a bare socket server that answers with fixed bytes (the floor
// any HTTP server is measured against).
namespace bench {

// The client's GET of a small content file, the request of the "HTTP only" rows.
inline constexpr const char* HttpOnlyRequest =
    "GET /verman.asp HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Mozilla/3.0 (compatible)\r\nHost: "
    "127.0.0.1\r\n\r\n";

// The client's POST of body to path, with its header lines.
std::string postRequest(const std::string& path, const std::string& body);

// One request on a new connection to 127.0.0.1:port, from sourceHost when given; the reply
// (headers and body) goes into reply. Returns false when the exchange failed or was not a 200.
bool roundTrip(int port, const std::string& request, std::string& reply,
               const std::string& sourceHost = {});

// The body of a reply, after its blank line; empty when there is none.
std::string bodyOf(const std::string& reply);

// bbstatsd serve on 127.0.0.1 with a port of its choosing, stopped on destruction.
class Service {
public:
    // Starts the executable (with extra serve options) and waits until it listens; throws
    // std::runtime_error on failure.
    Service(const std::string& binary, const std::string& db, const std::string& eventsFile,
            const std::vector<std::string>& extraArgs = {});
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }
    // Waits until the service has loaded everything (/healthz answers 200): it listens before,
    // and figures taken meanwhile share the processors with the loading. Throws after 5 minutes.
    void waitUntilLoaded() const;

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

// Answers every connection with the same bytes after reading one request (headers and the
// declared body), then closes; two accepting threads, like one address of the service. It runs
// in a process of its own, as the service does: in the bench's own process its threads were
// woken on the client's processor, where the service's often were not, and on this machine a
// wake-up across processors costs about as much as the whole bare exchange.
class FloorServer {
public:
    // option: the argument that makes the bench's executable a server (FloorServeOption, or
    // another kind of server that writes the same line).
    explicit FloorServer(const std::string& reply, const char* option = nullptr);
    ~FloorServer();
    FloorServer(const FloorServer&) = delete;
    FloorServer& operator=(const FloorServer&) = delete;
    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }

private:
    void stop();

    pid_t m_pid = -1;
    int m_port = 0;
    int m_stdin = -1; // the child's standard input: closing it ends the child
    std::string m_replyFile;
};

// The floor server's own process: answers with the bytes of replyFile on a loopback port it
// writes to standard output, until standard input ends. Returns the exit status.
int serveFloor(const std::string& replyFile);

// The argument that makes the bench's executable the floor server (followed by the file).
inline constexpr const char* FloorServeOption = "--floor-serve";

// Resident and peak resident memory of a process in MB (VmRSS, VmHWM); -1 when unknown.
double residentMb(pid_t pid, const char* field = "VmRSS:");

} // namespace bench
