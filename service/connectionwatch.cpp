#include "service/connectionwatch.h"

#include <algorithm>
#include <memory>

#include <microhttpd.h>
#include <sys/socket.h>

namespace bbstatsd {

void WatchList::add(WatchedConnection* entry) {
    WatchLinks& links = entry->*m_links;
    if (links.linked) {
        return;
    }
    links.linked = true;
    links.prev = nullptr;
    links.next = m_head;
    if (m_head != nullptr) {
        (m_head->*m_links).prev = entry;
    }
    m_head = entry;
}

void WatchList::remove(WatchedConnection* entry) {
    WatchLinks& links = entry->*m_links;
    if (!links.linked) {
        return;
    }
    if (links.prev != nullptr) {
        (links.prev->*m_links).next = links.next;
    } else {
        m_head = links.next;
    }
    if (links.next != nullptr) {
        (links.next->*m_links).prev = links.prev;
    }
    links = WatchLinks{};
}

ConnectionWatch::ConnectionWatch(std::chrono::milliseconds deadline)
    : m_deadline(deadline), m_thread([this] { run(); }) {}

ConnectionWatch::~ConnectionWatch() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

WatchedConnection* ConnectionWatch::opened(int fd) {
    auto entry = std::make_unique<WatchedConnection>();
    entry->fd = fd;
    entry->since = std::chrono::steady_clock::now();
    std::lock_guard lock(m_mutex);
    m_reading.add(entry.get());
    return entry.release();
}

void ConnectionWatch::requestRead(WatchedConnection* entry) {
    std::lock_guard lock(m_mutex);
    m_reading.remove(entry);
}

void ConnectionWatch::requestDone(WatchedConnection* entry) {
    std::lock_guard lock(m_mutex);
    m_sending.remove(entry);
    entry->since = std::chrono::steady_clock::now();
    m_reading.add(entry);
}

void ConnectionWatch::sendWithin(WatchedConnection* entry, std::chrono::milliseconds deadline) {
    std::lock_guard lock(m_mutex);
    entry->sendBy = std::chrono::steady_clock::now() + deadline;
    m_sending.add(entry);
}

void ConnectionWatch::resumeLater(MHD_Connection* connection, std::chrono::milliseconds delay) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_resumeAll) {
            m_delayed.push_back({std::chrono::steady_clock::now() + delay, connection});
            return;
        }
    }
    MHD_resume_connection(connection);
}

void ConnectionWatch::resumeAll() {
    std::vector<Delayed> held;
    {
        std::unique_lock lock(m_mutex);
        m_resumeAll = true;
        // The watch thread may be resuming some outside the mutex: they must be done too.
        m_wake.wait(lock, [this] { return !m_resumingOutside; });
        held.swap(m_delayed);
    }
    for (const Delayed& delayed : held) {
        MHD_resume_connection(delayed.connection);
    }
}

void ConnectionWatch::closed(WatchedConnection* entry) {
    {
        std::lock_guard lock(m_mutex);
        m_reading.remove(entry);
        m_sending.remove(entry);
    }
    delete entry;
}

void ConnectionWatch::run() {
    const auto tick =
        std::clamp(m_deadline / 8, std::chrono::milliseconds(20), std::chrono::milliseconds(50));
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, tick, [this] { return m_stopping; })) {
        const auto now = std::chrono::steady_clock::now();
        // Resumed outside the mutex: the library takes locks of its own there.
        std::vector<MHD_Connection*> due;
        std::erase_if(m_delayed, [&](const Delayed& delayed) {
            if (delayed.due > now) {
                return false;
            }
            due.push_back(delayed.connection);
            return true;
        });
        const auto cut = [](WatchedConnection& entry) { shutdown(entry.fd, SHUT_RDWR); };
        m_reading.removeIf(
            [&](const WatchedConnection& entry) { return now - entry.since >= m_deadline; }, cut);
        m_sending.removeIf([&](const WatchedConnection& entry) { return now >= entry.sendBy; },
                           cut);
        if (!due.empty()) {
            m_resumingOutside = true;
            lock.unlock();
            for (MHD_Connection* connection : due) {
                MHD_resume_connection(connection);
            }
            lock.lock();
            m_resumingOutside = false;
            m_wake.notify_all();
        }
    }
}

} // namespace bbstatsd
