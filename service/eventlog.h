#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct sqlite3;

namespace bbstatsd {

// How many events one site sent of one type, and for "IN" (a database window
// closed) the seconds those windows were open, summed.
struct UsageCount {
    std::string site;
    std::string type;
    long long count = 0;
    long long seconds = 0;
};

// The seconds of an event text: its last field when that is a decimal number
// of at most 12 digits, else 0.
long long eventSeconds(std::string_view text);

// The type and site of a usage event text "TYPE,what,site,seconds". The type is the text before
// the first comma; the site is the field before the last one when there are at least four
// fields (the second field may itself hold commas), else empty.
struct EventFields {
    std::string type;
    std::string site;
};
EventFields splitEvent(std::string_view text);

// Longest event text stored, in bytes after decoding.
inline constexpr std::size_t MaxEventBytes = 512;

// Why an event text is not one the client sends, or empty when it is: at most MaxEventBytes, valid
// UTF-8 without control characters (C0, DEL, C1), at least four fields read from both ends (type,
// what, site, seconds; what may hold commas), a known type (IN, CLICK, URLCLICK, MENUCLICK,
// TOOLCLICK) and seconds as decimal digits.
std::string eventProblem(std::string_view text);

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool isUtf8(std::string_view text);

// The text with every control character (C0, DEL, C1), every byte that is not part of well-formed
// UTF-8 and every backslash written as an escape ("\x1B", "\\"), so that printing it cannot
// move a terminal's cursor or forge a column.
std::string printable(std::string_view text);

// Decodes %XX escapes; a "%" not followed by two hex digits stays as it is, "+" stays "+".
std::string percentDecode(std::string_view text);

// Events that did not stay in the file: removed, oldest first, to keep the file within its size,
// and refused (unreadable, or over a sender's rate).
struct LostEvents {
    long long dropped = 0;
    long long refused = 0;
};

// Refused events counted in memory and written by a thread of its own within about a second, so
// that a report read while the service runs is never more than a second behind.
class RefusalCounter {
public:
    // write adds its argument to the stored count; it may throw, and the refusals are then
    // written with the next ones.
    explicit RefusalCounter(std::function<void(long long)> write);
    // Stops as stop() does.
    ~RefusalCounter();
    RefusalCounter(const RefusalCounter&) = delete;
    RefusalCounter& operator=(const RefusalCounter&) = delete;

    void add() { ++m_pending; }
    // Ends the thread and writes what is left. Idempotent.
    void stop();

private:
    void run();
    void flush();

    std::function<void(long long)> m_write;
    std::atomic<long long> m_pending{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

// Where usage events are kept: a SQLite file beside the service (EventLog) or a table in a
// PostgreSQL database that several services share (PgEventLog).
class EventStore {
public:
    enum class Mode { Write, Read };
    enum class Outcome { Stored, Unavailable, Failed };
    // Called exactly once per submitted event, on any thread, with why it failed (empty when
    // stored).
    using Done = std::function<void(Outcome, const std::string& why)>;
    // True once nobody waits for the event any more (its client closed the connection).
    using Gone = std::function<bool()>;

    static constexpr std::int64_t DefaultMaxBytes = std::int64_t{64} << 20;

    virtual ~EventStore() = default;

    // Stores one event with the current UTC time and calls done once the store has it (for a
    // database, once committed), or when it cannot. May call done before it returns. An event
    // whose `gone` says so before its store begins is not stored (Unavailable). Thread-safe.
    virtual void submit(std::string text, std::string address, Done done, Gone gone = {}) = 0;

    // Counts one refused event. Thread-safe.
    virtual void refuse() = 0;

    // Events counted per site and type, sorted by site then type (bytewise), with the seconds
    // of the "IN" events summed (0 for the other types).
    virtual std::vector<UsageCount> usage() const = 0;

    // Events removed and refused so far, as the store holds them.
    virtual LostEvents lost() const = 0;

    // Answers every event not yet stored with Unavailable and takes no more; the refusals
    // counted are written. Called before the requests waiting on the store are dropped.
    virtual void stop() {}
};

// True when `where` names a PostgreSQL database (a URI "postgresql://..." or "postgres://...",
// or a connection string with "host=") rather than an events file.
bool isDatabaseAddress(std::string_view where);

// The events file or database at `where`. Throws std::runtime_error naming it (without a
// password) when it cannot be opened.
std::unique_ptr<EventStore> openEventStore(const std::string& where, EventStore::Mode mode,
                                           std::int64_t maxBytes = EventStore::DefaultMaxBytes);

// Usage events in a SQLite file of their own (table "events"): time, sending address, type,
// site and the whole event text as given. The file is bounded: past its size the oldest events
// are removed and counted (table "counters", with the refused events).
class EventLog : public EventStore {
public:
    // Opens the file; Write creates it and its tables when missing, Read requires it to exist.
    // maxBytes bounds the events' share of the file (Write). Throws std::runtime_error naming
    // the file on failure.
    explicit EventLog(const std::string& path, Mode mode = Mode::Write,
                      std::int64_t maxBytes = DefaultMaxBytes);
    // Writes the refusals not yet written.
    ~EventLog() override;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Stores one event with the current UTC time. Thread-safe. Throws std::runtime_error when
    // the row cannot be written.
    void record(std::string_view text, std::string_view address);

    // Records at once and calls done before returning.
    void submit(std::string text, std::string address, Done done, Gone gone = {}) override;

    // Counts one refused event; written to the file within about a second. Thread-safe.
    void refuse() override;

    std::vector<UsageCount> usage() const override;
    LostEvents lost() const override;
    void stop() override;

private:
    void makeRoom();

    sqlite3* m_db = nullptr;
    mutable std::mutex m_mutex;
    std::string m_path;
    std::int64_t m_maxBytes = DefaultMaxBytes;
    // Last: its thread writes through m_db and ends first.
    std::unique_ptr<RefusalCounter> m_refusals;
};

} // namespace bbstatsd
