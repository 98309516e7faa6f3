#pragma once

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>
#include <vector>

#include <microhttpd.h>
#include <sched.h>

#include "service/httprouter.h"
#include "service/httpserver.h"

namespace bbstatsd {

class PeerLimit;

// One libmicrohttpd daemon with one thread and its own listening socket: its time-outs and
// connection limits, and the callbacks that tie its connections to the watch and its requests
// to the router. Several daemons answer one address, each on a socket bound with SO_REUSEPORT:
// the system hands each new connection to one socket and wakes only its daemon's thread.
class HttpDaemon {
public:
    // listenSocket: a listening socket to answer on (taken over from another daemon), else -1
    // to bind one to address. connectionLimit: this daemon's share of the address's connections;
    // peers counts each client's connections over all the address's daemons. index and count:
    // the daemon's place among them, for steerByProcessor.
    HttpDaemon(const std::vector<HttpRoute>& routes, const HttpSettings& settings, WorkerPool& pool,
               ConnectionWatch& watch, RefusalBrake& brake, PeerLimit& peers,
               const ListenAddress& address, unsigned connectionLimit, unsigned index,
               unsigned count, int listenSocket = -1);
    ~HttpDaemon();
    HttpDaemon(const HttpDaemon&) = delete;
    HttpDaemon& operator=(const HttpDaemon&) = delete;

    // Stops taking connections and gives up the listening socket (the caller owns it then);
    // -1 when it cannot.
    int quiesce() { return m_daemon != nullptr ? MHD_quiesce_daemon(m_daemon) : -1; }

    ListenAddress bound() const { return m_bound; }

    // Whether the process may run on one of the processors whose number modulo `count` is
    // `index`: those whose connections steerByProcessor hands this daemon.
    bool hasProcessors() const { return m_hasProcessors; }

    // Has the system hand a new connection to the daemon numbered (processor the connection
    // arrived on) modulo `count`, in the order their sockets started listening, instead of by
    // a hash of its addresses; false when the system cannot. Called on the first daemon.
    bool steerByProcessor(unsigned count);

    // From its next connection on, the daemon's thread runs only on its processors, so that a
    // steered connection is read and answered where it arrived.
    void keepToProcessors() { m_keepToProcessors.store(true); }

    // Throws std::runtime_error naming the address when a socket listens there already: the
    // daemons' sockets share their port with each other, and this keeps them from joining
    // another service's (or another server's) sockets on it.
    static void checkFree(const ListenAddress& address);

private:
    static MHD_Result onAccept(void* self, const sockaddr* address, socklen_t length);
    static void* onUri(void*, const char* uri, MHD_Connection*);
    static void onCompleted(void* self, MHD_Connection* connection, void** context,
                            MHD_RequestTerminationCode);
    static void onConnection(void* self, MHD_Connection* connection, void** socketContext,
                             MHD_ConnectionNotificationCode code);
    static void onLog(void* self, const char* format, va_list args);
    static MHD_Result onRequest(void* self, MHD_Connection* connection, const char* url,
                                const char* method, const char*, const char* uploadData,
                                size_t* uploadSize, void** context);

    ConnectionWatch& m_watch;
    PeerLimit& m_peers;
    RequestRouter m_router;
    MHD_Daemon* m_daemon = nullptr;
    ListenAddress m_bound;
    std::atomic<bool> m_started{false};
    cpu_set_t m_processors{};
    bool m_hasProcessors = false;
    std::atomic<bool> m_keepToProcessors{false};
    bool m_kept = false; // set on the daemon's thread only
    std::mutex m_logMutex;
    std::string m_startError;
};

} // namespace bbstatsd
