#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bbstatsd {

// One request as the handlers see it. The body is complete and at most HttpServer::BodyCap bytes.
struct HttpRequest {
    std::string method; // "GET" or "POST"
    std::string path;   // decoded path without the query
    std::string query;  // raw text after the first "?", not decoded; empty without one
    std::string body;   // POST body
    std::string peer;   // sending address as text, e.g. "127.0.0.1"
    // For a route's async handler: true once the client has closed its connection, until the
    // reply is given (not to be called after).
    std::function<bool()> gone;
};

// What a handler answers. Header values must not hold CR or LF.
struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    // Bytes that outlive the server (a reply kept ready from load): when not empty they are the
    // body, handed to the library without a copy, and `body` is ignored.
    std::string_view keptBody;
    std::vector<std::pair<std::string, std::string>> headers;
    // Milliseconds the reply is held back, its connection suspended meanwhile: a refusal of a
    // client that floods so makes the client wait instead of sending again at once.
    unsigned delayMs = 0;
    // When set on a reply of the worker pool, the whole reply must have been sent this many
    // milliseconds after it was queued, else the connection is cut: a client reading a large body
    // very slowly cannot hold it long.
    unsigned sendDeadlineMs = 0;
    // A body too large to hold: when set, the body is streamLength bytes that stream writes
    // as the connection drains, at most StreamBlock bytes a call, and `body` is ignored. The
    // stream is given the offset of the bytes wanted (each call goes on where the last one
    // ended), writes up to `max` bytes into `out` and returns how many, or -1 to cut the
    // connection. A client that stops reading is closed by the idle time-out, so a stream
    // holds no more than one block per connection.
    std::function<long(std::uint64_t offset, char* out, std::size_t max)> stream;
    std::uint64_t streamLength = 0;
    static constexpr std::size_t StreamBlock = 64 * 1024;
};

// Header that repeats the problem text of a refused request (the status line carries the
// library's standard reason phrase).
inline constexpr const char* ProblemHeader = "X-Problem";

// A refusal: the status, the problem text as the body (one line, CR LF) and in ProblemHeader.
HttpReply problemReply(int status, std::string_view reason);

using HttpHandler = std::function<HttpReply(const HttpRequest&)>;

// Answers a request at once when it can; nullopt when the answer needs slow work.
using HttpQuickHandler = std::function<std::optional<HttpReply>(const HttpRequest&)>;

// Starts work that ends on another thread; reply must be called exactly once, from any thread,
// before the server is destroyed.
using HttpAsyncHandler =
    std::function<void(const HttpRequest&, std::function<void(HttpReply)> reply)>;

// A method and path: an exact path, or a path ending in "*" that takes every path starting with
// the rest; a route of method and path "*" takes every request no other route takes. The handler
// runs once the whole body has arrived. It may run on
// several threads at once and must not throw (an escaping exception becomes status 500).
// A route with a quick handler is first offered to it on the thread that read the request; when
// it has no answer at once, the handler runs on the server's worker pool, so slow requests never
// hold up cheap ones. Without one, the handler runs at once. A route with an async handler hands
// what the quick handler did not answer to it instead of the pool; the connection waits
// suspended, holding no thread.
//
// What the quick handler passes on to the pool may wait there at most `waitingLimit` at once,
// counted with every route of the same `waitingGroup` (0: only the pool's bounds), and not when
// those waiting would, by how long the group's recent requests ran, keep it waiting more than
// `waitingMs` (0: no such bound); past either the request is refused at once with 503 and
// Retry-After ("too many <group> waiting; try again") rather than left to wait longer than its
// client would. A request whose client has closed its
// connection while it waited is dropped unrun. Whenever what the quick handler passed on is not
// run (refused, dropped, or the server stopping), `notRun` is called instead of the handler.
struct HttpRoute {
    std::string method;
    std::string path;
    HttpHandler handler;
    HttpQuickHandler quick = nullptr;
    HttpAsyncHandler async = nullptr;
    std::string waitingGroup = {};
    unsigned waitingLimit = 0;
    unsigned waitingMs = 0;
    std::function<void(const HttpRequest&)> notRun = nullptr;
    // A parameter whose value is the rest of the query, "&" and all ("Q" for "?Q=a&b"): from it
    // on the query is not split into parameters. Every parameter before it, or in the whole query
    // when empty, may be given once only (else 400).
    std::string textParameter = {};
};

// How the server treats its connections. The defaults are the service's.
struct HttpSettings {
    // Threads reading requests, per listen address: each its own daemon on its own listening
    // socket.
    unsigned threadsPerAddress = 2;
    // A connection with no traffic for this long is closed.
    unsigned idleTimeoutSeconds = 5;
    // The request line, the headers and the body must all have arrived this long after the
    // connection was accepted (after the previous reply on a kept-alive connection), else the
    // connection is closed: a client trickling its request cannot hold a connection for long.
    unsigned requestDeadlineMs = 5000;
    // Connections open at once, per listen address (shared out evenly over its threads), and
    // from one client address.
    unsigned connectionLimit = 4096;
    unsigned connectionsPerAddress = 32;
    // Worker threads for slow requests (0: one per processor), requests waiting for them, and
    // slow requests one client address may have waiting or running; past either bound a slow
    // request is refused with 503.
    unsigned workers = 0;
    unsigned workQueueLimit = 512;
    unsigned workPerAddress = 4;
    // A load balancer's address: requests from it are taken to come from the address it
    // appended to X-Forwarded-For (the last one, over every header line), whatever the client
    // wrote before it, so per-address limits apply to the balancer's clients. Empty: the header
    // is ignored.
    std::string trustedProxy;
};

// An IPv4 address and port to listen on; port 0 lets the system choose.
struct ListenAddress {
    std::string host;
    std::uint16_t port = 0;
};

// Reads "HOST:PORT" with a dotted IPv4 host; nullopt when it is not of that form.
std::optional<ListenAddress> parseListenAddress(std::string_view text);

// Text form "HOST:PORT" of an address.
std::string toString(const ListenAddress& address);

class HttpDaemon;
class ConnectionWatch;
class PeerLimit;
class RefusalBrake;
class WorkerPool;

// The HTTP side of the service: libmicrohttpd daemons, threadsPerAddress of them per listen
// address, all sharing one route table. Requests are refused before their body is read when no
// route has their method and path (404), when a POST has no Content-Length (411) or declares more
// than BodyCap bytes (413), and when they give a query parameter or Content-Length twice (400). A
// 503 refusal of a client that keeps asking at once is held back (RefusalBrake).
class HttpServer {
public:
    static constexpr std::size_t BodyCap = 64 * 1024;

    // Takes the routes; listens nowhere until listen() is called.
    explicit HttpServer(std::vector<HttpRoute> routes, HttpSettings settings = {});
    // Stops every daemon; requests in progress are cut off, slow requests waiting for a worker
    // are answered 503.
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Starts answering on the address and returns the address actually bound (the chosen port
    // for port 0). Throws std::runtime_error naming the address when it cannot listen there.
    ListenAddress listen(const ListenAddress& address);

    // Answers from now on at every address `from` listens on, on its listening sockets: `from`
    // stops taking connections, and those that arrive meanwhile wait in the sockets' queues, so
    // none is refused. Connections `from` took stay with it. Returns the addresses. Throws
    // std::runtime_error naming an address that cannot be taken over.
    std::vector<ListenAddress> takeOver(HttpServer& from);

private:
    std::vector<HttpRoute> m_routes;
    HttpSettings m_settings;
    std::unique_ptr<WorkerPool> m_pool;
    std::unique_ptr<ConnectionWatch> m_watch;
    std::unique_ptr<RefusalBrake> m_brake;
    // The daemons answering one address (destroyed before the count they share).
    struct Listener {
        ListenAddress bound;
        std::unique_ptr<PeerLimit> peers;
        std::vector<std::unique_ptr<HttpDaemon>> daemons;
        bool steered = false; // connections go to their processor's daemon
    };
    // Adds the daemons of one address; sockets given (of a group steered or not) take the place
    // of bound ones.
    ListenAddress addListener(const ListenAddress& address, const std::vector<int>& sockets,
                              bool steered);
    std::vector<Listener> m_listeners;
};

} // namespace bbstatsd
