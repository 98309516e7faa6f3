#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "service/eventlog.h"

struct pg_conn;

namespace bbstatsd {

// The connection string or URI with its password left out, for messages.
std::string withoutPassword(const std::string& conninfo);

// Usage events in a PostgreSQL database that several services share: table "events" (id, time,
// sending address, type, site, seconds, the whole text) and table "counters" (bytes the events
// take, dropped, refused), created when missing. One thread of its own writes the events in the
// order they came, each in its own transaction, and answers each once it is committed; request
// threads never wait on the database. While the database cannot be reached, events are answered
// Unavailable at once and a new connection is tried at most once a second.
class PgEventLog : public EventStore {
public:
    // Events waiting for the writer at most; past it an event is answered Unavailable.
    static constexpr std::size_t QueueLimit = 256;

    // Connects (and for Write creates the tables). Throws std::runtime_error naming the
    // database without its password when it cannot be reached or read.
    PgEventLog(const std::string& conninfo, Mode mode, std::int64_t maxBytes = DefaultMaxBytes);
    ~PgEventLog() override;
    PgEventLog(const PgEventLog&) = delete;
    PgEventLog& operator=(const PgEventLog&) = delete;

    void submit(std::string text, std::string address, Done done) override;
    void refuse() override;
    std::vector<UsageCount> usage() const override;
    LostEvents lost() const override;
    void stop() override;

private:
    struct Job {
        std::string text;
        std::string address;
        Done done;
    };

    pg_conn* connect() const;
    // The connection, made again when it was lost; nullptr (with why) when the database cannot
    // be reached now. m_connMutex held.
    pg_conn* connection(std::string& why);
    void run();
    Outcome store(const Job& job, std::string& why);
    void makeRoom();

    const std::string m_conninfo;
    const std::string m_shown;
    const std::int64_t m_maxBytes;
    mutable std::mutex m_connMutex;
    pg_conn* m_conn = nullptr;
    std::chrono::steady_clock::time_point m_retryAt;

    std::mutex m_queueMutex;
    std::condition_variable m_queueWake;
    std::deque<Job> m_queue;
    bool m_stopping = false;
    std::thread m_writer;
    std::unique_ptr<RefusalCounter> m_refusals;
};

} // namespace bbstatsd
