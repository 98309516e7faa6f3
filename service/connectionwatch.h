#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct MHD_Connection;

namespace bbstatsd {

struct WatchedConnection;

// A connection's place in one of the watch's lists.
struct WatchLinks {
    WatchedConnection* prev = nullptr;
    WatchedConnection* next = nullptr;
    bool linked = false;
};

// One accepted connection as the watch sees it.
struct WatchedConnection {
    int fd = -1;
    std::chrono::steady_clock::time_point since;
    std::chrono::steady_clock::time_point sendBy; // while a reply with a deadline is sent
    WatchLinks reading;
    WatchLinks sending;
};

// A list threaded through its connections (by their `Links` member): adding and removing
// allocate nothing, so the watch's part of a request is a lock and a few pointer writes.
class WatchList {
public:
    explicit WatchList(WatchLinks WatchedConnection::*links) : m_links(links) {}
    // Adds the connection unless it is in the list already.
    void add(WatchedConnection* entry);
    // Removes the connection if it is in the list.
    void remove(WatchedConnection* entry);
    // Removes and passes to `cut` every connection for which `late` is true.
    template <class Late, class Cut> void removeIf(Late late, Cut cut) {
        for (WatchedConnection* entry = m_head; entry != nullptr;) {
            WatchedConnection* next = (entry->*m_links).next;
            if (late(*entry)) {
                remove(entry);
                cut(*entry);
            }
            entry = next;
        }
    }

private:
    WatchLinks WatchedConnection::*m_links;
    WatchedConnection* m_head = nullptr;
};

// Closes connections whose request has not fully arrived within the deadline: a thread looks at
// the connections still reading a request a few times a second and shuts the late ones down.
// libmicrohttpd then sees the end of the stream and closes the connection itself. Its time-out
// counts only idle time, so a client sending a byte a second would otherwise never be cut. The
// same thread cuts replies sent past their deadline and resumes replies held back for a while.
class ConnectionWatch {
public:
    explicit ConnectionWatch(std::chrono::milliseconds deadline);
    ~ConnectionWatch();
    ConnectionWatch(const ConnectionWatch&) = delete;
    ConnectionWatch& operator=(const ConnectionWatch&) = delete;

    // A new connection: its first request starts now. The watch owns the entry until closed().
    WatchedConnection* opened(int fd);

    // The connection's request has fully arrived; no deadline while it is answered.
    void requestRead(WatchedConnection* entry);

    // The reply went out; a kept-alive connection has a new deadline for its next request.
    void requestDone(WatchedConnection* entry);

    // The connection's reply must be sent within `deadline` from now, else it is shut down.
    void sendWithin(WatchedConnection* entry, std::chrono::milliseconds deadline);

    // Resumes the suspended connection after `delay`, or at once when the watch is stopping.
    void resumeLater(MHD_Connection* connection, std::chrono::milliseconds delay);

    // Resumes every held-back connection now and each later one at once: libmicrohttpd cannot
    // stop with a connection still suspended.
    void resumeAll();

    // The library closes the connection's socket after this returns; the entry is freed. Holding
    // the mutex here keeps the socket open while run() may still shut it down.
    void closed(WatchedConnection* entry);

private:
    struct Delayed {
        std::chrono::steady_clock::time_point due;
        MHD_Connection* connection;
    };

    void run();

    const std::chrono::milliseconds m_deadline;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_resumeAll = false;
    bool m_resumingOutside = false;
    WatchList m_reading{&WatchedConnection::reading};
    WatchList m_sending{&WatchedConnection::sending}; // replies with a deadline
    std::vector<Delayed> m_delayed; // in the order they came, each due a fixed delay later
    std::thread m_thread;
};

} // namespace bbstatsd
