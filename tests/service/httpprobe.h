#pragma once

#include <map>
#include <string>
#include <vector>

// A raw HTTP client for the service tests: one connection per exchange, bytes sent exactly as
// given, the whole reply read until the server closes.
namespace httpprobe {

struct Reply {
    bool connected = false;
    bool closedByServer = false; // the server ended the connection (FIN or reset)
    int status = 0;              // 0 when no status line arrived
    std::string statusLine;
    std::map<std::string, std::string> headers; // lower-case names
    std::string body;
    std::string raw;
};

// Sends request to host:port from sourceHost (any when empty) and reads until the server closes
// or timeoutMs passes. A server that stops reading and closes early still yields its reply.
Reply exchange(const std::string& host, int port, const std::string& request, int timeoutMs = 20000,
               const std::string& sourceHost = {});

// The client's POST: request line, its header lines in its order, Content-Length, then body.
std::string post(const std::string& path, const std::string& body, bool withLength = true);

// The client's GET of a path (with query).
std::string get(const std::string& path);

// An open connection that the caller keeps silent or feeds by hand; closed on destruction.
class Connection {
public:
    Connection(const std::string& host, int port, const std::string& sourceHost = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    bool connected() const { return m_fd >= 0; }
    // Writes all of bytes; false when the connection failed.
    bool send(const std::string& bytes);
    // Reads up to `max` bytes once some arrive within timeoutMs; how many (0: none, or closed).
    std::size_t receive(std::size_t max, int timeoutMs);
    // True once the server has closed the connection (EOF or reset) within timeoutMs.
    bool closedByServer(int timeoutMs);

private:
    int m_fd = -1;
};

// Resident memory of a process in kB from /proc/PID/status (VmRSS); -1 when unreadable.
long residentKb(long pid);

} // namespace httpprobe
