#pragma once

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>
#include <vector>

#include <microhttpd.h>

#include "service/httprouter.h"
#include "service/httpserver.h"

namespace bbstatsd {

// One libmicrohttpd daemon on one listen address: its thread model, time-outs and connection
// limits, and the callbacks that tie its connections to the watch and its requests to the
// router.
class HttpDaemon {
public:
    // listenSocket: a listening socket to answer on (taken over from another daemon), else -1
    // to bind one to address.
    HttpDaemon(const std::vector<HttpRoute>& routes, const HttpSettings& settings, WorkerPool& pool,
               ConnectionWatch& watch, RefusalBrake& brake, const ListenAddress& address,
               int listenSocket = -1);
    ~HttpDaemon();
    HttpDaemon(const HttpDaemon&) = delete;
    HttpDaemon& operator=(const HttpDaemon&) = delete;

    // Stops taking connections and gives up the listening socket (the caller owns it then);
    // -1 when it cannot.
    int quiesce() { return m_daemon != nullptr ? MHD_quiesce_daemon(m_daemon) : -1; }

    ListenAddress bound() const { return m_bound; }

private:
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
    RequestRouter m_router;
    MHD_Daemon* m_daemon = nullptr;
    ListenAddress m_bound;
    std::atomic<bool> m_started{false};
    std::mutex m_logMutex;
    std::string m_startError;
};

} // namespace bbstatsd
