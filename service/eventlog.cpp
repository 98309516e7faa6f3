#include "service/eventlog.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include <sqlite3.h>

namespace bbstatsd {

namespace {

int hexValue(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    if (ch >= 'a' && ch <= 'f') {
        return ch - 'a' + 10;
    }
    if (ch >= 'A' && ch <= 'F') {
        return ch - 'A' + 10;
    }
    return -1;
}

std::string utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql, const std::string& path) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
            throw std::runtime_error("events file " + path + ": " + sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// SQL function event_seconds(text): eventSeconds of the text.
void sqlEventSeconds(sqlite3_context* context, int, sqlite3_value** values) {
    const unsigned char* text = sqlite3_value_text(values[0]);
    const int size = sqlite3_value_bytes(values[0]);
    sqlite3_result_int64(context,
                         text == nullptr
                             ? 0
                             : eventSeconds(std::string_view(reinterpret_cast<const char*>(text),
                                                             static_cast<std::size_t>(size))));
}

} // namespace

long long eventSeconds(std::string_view text) {
    const auto comma = text.rfind(',');
    const std::string_view last = comma == std::string_view::npos ? text : text.substr(comma + 1);
    if (last.empty() || last.size() > 12) {
        return 0;
    }
    long long seconds = 0;
    for (const char ch : last) {
        if (ch < '0' || ch > '9') {
            return 0;
        }
        seconds = seconds * 10 + (ch - '0');
    }
    return seconds;
}

EventFields splitEvent(std::string_view text) {
    EventFields fields;
    const auto first = text.find(',');
    fields.type = std::string(text.substr(0, first));
    if (first == std::string_view::npos) {
        return fields;
    }
    const auto last = text.rfind(',');
    if (last == first) {
        return fields;
    }
    // At least four fields: the comma before the last one lies after the second field's start.
    const auto beforeLast = text.rfind(',', last - 1);
    if (beforeLast > first) {
        fields.site = std::string(text.substr(beforeLast + 1, last - beforeLast - 1));
    }
    return fields;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

EventLog::EventLog(const std::string& path, Mode mode) : m_path(path) {
    if (mode == Mode::Read && !std::filesystem::exists(path)) {
        throw std::runtime_error("events file " + path + " does not exist");
    }
    const int flags =
        mode == Mode::Write ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.c_str(), &m_db, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        const std::string why = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw std::runtime_error("cannot open events file " + path + ": " + why);
    }
    sqlite3_busy_timeout(m_db, 5000);
    sqlite3_create_function(m_db, "event_seconds", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            &sqlEventSeconds, nullptr, nullptr);
    if (mode == Mode::Write) {
        char* error = nullptr;
        const char* schema = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                             "CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY, "
                             "time TEXT NOT NULL, address TEXT NOT NULL, type TEXT NOT NULL, "
                             "site TEXT NOT NULL, text TEXT NOT NULL);";
        if (sqlite3_exec(m_db, schema, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error != nullptr ? error : "unknown error";
            sqlite3_free(error);
            sqlite3_close(m_db);
            throw std::runtime_error("cannot prepare events file " + path + ": " + why);
        }
    }
}

EventLog::~EventLog() {
    sqlite3_close(m_db);
}

void EventLog::record(std::string_view text, std::string_view address) {
    const EventFields fields = splitEvent(text);
    const std::string time = utcNow();
    std::lock_guard lock(m_mutex);
    Statement insert(
        m_db, "INSERT INTO events (time, address, type, site, text) VALUES (?,?,?,?,?)", m_path);
    sqlite3_bind_text(insert.get(), 1, time.data(), static_cast<int>(time.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_text(insert.get(), 2, address.data(), static_cast<int>(address.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_text(insert.get(), 3, fields.type.data(), static_cast<int>(fields.type.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_text(insert.get(), 4, fields.site.data(), static_cast<int>(fields.site.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_text(insert.get(), 5, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        throw std::runtime_error("cannot store the event: " + std::string(sqlite3_errmsg(m_db)));
    }
}

std::vector<UsageCount> EventLog::usage() const {
    std::lock_guard lock(m_mutex);
    Statement query(m_db,
                    "SELECT site, type, COUNT(*), "
                    "SUM(CASE WHEN type = 'IN' THEN event_seconds(text) ELSE 0 END) "
                    "FROM events GROUP BY site, type ORDER BY site, type",
                    m_path);
    std::vector<UsageCount> counts;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(query.get())) == SQLITE_ROW) {
        UsageCount row;
        const unsigned char* site = sqlite3_column_text(query.get(), 0);
        const unsigned char* type = sqlite3_column_text(query.get(), 1);
        row.site = site != nullptr ? reinterpret_cast<const char*>(site) : "";
        row.type = type != nullptr ? reinterpret_cast<const char*>(type) : "";
        row.count = sqlite3_column_int64(query.get(), 2);
        row.seconds = sqlite3_column_int64(query.get(), 3);
        counts.push_back(std::move(row));
    }
    if (step != SQLITE_DONE) {
        throw std::runtime_error("cannot read events file " + m_path + ": " + sqlite3_errmsg(m_db));
    }
    return counts;
}

} // namespace bbstatsd
