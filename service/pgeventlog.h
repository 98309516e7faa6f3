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
// take, dropped, refused, and the bound of the bytes), created when missing. The bound is the
// table's: the service that creates the tables sets it, and every service trims by it, so one
// started with a smaller bound cannot delete what the others stored. One thread of its own
// writes the events in the order they came, each in its own transaction, and answers each once
// it is committed; request threads never wait on the database. Every call to the database has a
// deadline of its own: a database that stops answering (a partition without a reset) has its
// connection dropped, and while it cannot be reached, events are answered Unavailable at once
// and a new connection is tried at most once a second.
class PgEventLog : public EventStore {
public:
    // Events waiting for the writer at most; past it an event is answered Unavailable.
    static constexpr std::size_t QueueLimit = 256;
    // How long storing one event (or connecting again) may take before the database counts as
    // unreachable: below the 2 s within which a waiting client must have its answer.
    static constexpr std::chrono::milliseconds CallLimit{1500};

    // Connects (and for Write creates the tables). Throws std::runtime_error naming the
    // database without its password when it cannot be reached or read.
    PgEventLog(const std::string& conninfo, Mode mode, std::int64_t maxBytes = DefaultMaxBytes);
    ~PgEventLog() override;
    PgEventLog(const PgEventLog&) = delete;
    PgEventLog& operator=(const PgEventLog&) = delete;

    void submit(std::string text, std::string address, Done done, Gone gone = {}) override;
    void refuse() override;
    std::vector<UsageCount> usage() const override;
    LostEvents lost() const override;
    void stop() override;

private:
    struct Job {
        std::string text;
        std::string address;
        Done done;
        Gone gone;
    };

    // A new connection, made within `limit`; throws std::runtime_error naming the database.
    pg_conn* connect(std::chrono::milliseconds limit) const;
    // The connection, made again when it was lost; nullptr (with why) when the database cannot
    // be reached now. m_connMutex held.
    pg_conn* connection(std::string& why);
    void run();
    Outcome store(const Job& job, std::string& why);
    void makeRoom();
    // Drops the connection after a call that failed with it or ran past its deadline; the next
    // connection is tried a second later. m_connMutex held.
    void dropConnection();

    const std::string m_conninfo;
    const std::string m_shown;
    const std::int64_t m_maxBytes; // the bound of a table this service creates
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
