#pragma once

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

// Decodes %XX escapes; a "%" not followed by two hex digits stays as it is, "+" stays "+".
std::string percentDecode(std::string_view text);

// Usage events in a SQLite file of their own (table "events"): time, sending address, type,
// site and the whole event text as given.
class EventLog {
public:
    enum class Mode { Write, Read };

    // Opens the file; Write creates it and its table when missing, Read requires it to exist.
    // Throws std::runtime_error naming the file on failure.
    explicit EventLog(const std::string& path, Mode mode = Mode::Write);
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Stores one event with the current UTC time. Thread-safe. Throws std::runtime_error when
    // the row cannot be written.
    void record(std::string_view text, std::string_view address);

    // Events counted per site and type, sorted by site then type, with the
    // seconds of the "IN" events summed (0 for the other types).
    std::vector<UsageCount> usage() const;

private:
    sqlite3* m_db = nullptr;
    mutable std::mutex m_mutex;
    std::string m_path;
};

} // namespace bbstatsd
