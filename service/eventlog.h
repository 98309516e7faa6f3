#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
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

// Why an event text is not one the client sends, or empty when it is: at most MaxEventBytes, no
// control characters, at least four fields read from both ends (type, what, site, seconds; what
// may hold commas), a known type (IN, CLICK, URLCLICK, MENUCLICK, TOOLCLICK) and seconds as
// decimal digits.
std::string eventProblem(std::string_view text);

// Decodes %XX escapes; a "%" not followed by two hex digits stays as it is, "+" stays "+".
std::string percentDecode(std::string_view text);

// Events that did not stay in the file: removed, oldest first, to keep the file within its size,
// and refused (unreadable, or over a sender's rate).
struct LostEvents {
    long long dropped = 0;
    long long refused = 0;
};

// Usage events in a SQLite file of their own (table "events"): time, sending address, type,
// site and the whole event text as given. The file is bounded: past its size the oldest events
// are removed and counted (table "counters", with the refused events).
class EventLog {
public:
    enum class Mode { Write, Read };

    static constexpr std::int64_t DefaultMaxBytes = std::int64_t{64} << 20;

    // Opens the file; Write creates it and its tables when missing, Read requires it to exist.
    // maxBytes bounds the events' share of the file (Write). Throws std::runtime_error naming
    // the file on failure.
    explicit EventLog(const std::string& path, Mode mode = Mode::Write,
                      std::int64_t maxBytes = DefaultMaxBytes);
    // Writes the refusals not yet written.
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Stores one event with the current UTC time. Thread-safe. Throws std::runtime_error when
    // the row cannot be written.
    void record(std::string_view text, std::string_view address);

    // Counts one refused event; written to the file at most once a second. Thread-safe.
    void refuse();

    // Events counted per site and type, sorted by site then type, with the
    // seconds of the "IN" events summed (0 for the other types).
    std::vector<UsageCount> usage() const;

    // Events removed and refused so far, as the file holds them.
    LostEvents lost() const;

private:
    void makeRoom();
    void writeRefused(bool force);

    sqlite3* m_db = nullptr;
    mutable std::mutex m_mutex;
    std::string m_path;
    std::int64_t m_maxBytes = DefaultMaxBytes;
    std::atomic<long long> m_refusedPending{0};
    std::chrono::steady_clock::time_point m_refusedWritten;
};

} // namespace bbstatsd
