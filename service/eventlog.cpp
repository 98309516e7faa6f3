#include "service/eventlog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include <sqlite3.h>

#include "service/pgeventlog.h"

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

// Reads one whole number from a statement without parameters; 0 when it yields none.
long long scalar(sqlite3* db, const char* sql, const std::string& path) {
    Statement query(db, sql, path);
    return sqlite3_step(query.get()) == SQLITE_ROW ? sqlite3_column_int64(query.get(), 0) : 0;
}

void exec(sqlite3* db, const char* sql, const std::string& path) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string why = error != nullptr ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("events file " + path + ": " + why);
    }
}

// Adds to one of the counters.
void addToCounter(sqlite3* db, const char* name, long long amount, const std::string& path) {
    Statement add(db,
                  "INSERT INTO counters (name, value) VALUES (?, ?) "
                  "ON CONFLICT(name) DO UPDATE SET value = value + excluded.value",
                  path);
    sqlite3_bind_text(add.get(), 1, name, -1, SQLITE_STATIC);
    sqlite3_bind_int64(add.get(), 2, amount);
    if (sqlite3_step(add.get()) != SQLITE_DONE) {
        throw std::runtime_error("cannot count in events file " + path + ": " + sqlite3_errmsg(db));
    }
}

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

// The length of the well-formed UTF-8 sequence at text[at], or 0 when there is none there.
std::size_t utf8Sequence(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const unsigned lead = byte(0);
    const auto follows = [&](std::size_t i) { return (byte(i) & 0xC0u) == 0x80u; };
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return follows(1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms (E0 below A0) and no surrogates (ED from A0).
        const unsigned second = byte(1);
        if (!follows(1) || !follows(2) || (lead == 0xE0 && second < 0xA0) ||
            (lead == 0xED && second >= 0xA0)) {
            return 0;
        }
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        // No overlong forms (F0 below 90) and nothing past U+10FFFF (F4 from 90).
        const unsigned second = byte(1);
        if (!follows(1) || !follows(2) || !follows(3) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second >= 0x90)) {
            return 0;
        }
        return 4;
    }
    return 0;
}

// C0, DEL, or C1 (U+0080 to U+009F, encoded C2 80 to C2 9F) at the start of a sequence.
bool isControl(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (lead < 0x20 || lead == 0x7f) {
        return true;
    }
    return sequence.size() == 2 && lead == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
}

} // namespace

bool isUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8Sequence(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string printable(std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8Sequence(text, at);
        const std::string_view sequence = text.substr(at, std::max<std::size_t>(length, 1));
        if (length != 0 && !isControl(sequence) && sequence != "\\") {
            out.append(sequence);
        } else if (sequence == "\\") {
            out.append("\\\\");
        } else {
            for (const char ch : sequence) {
                const auto byte = static_cast<unsigned char>(ch);
                out.append("\\x");
                out.push_back(Hex[byte >> 4]);
                out.push_back(Hex[byte & 0xF]);
            }
        }
        at += sequence.size();
    }
    return out;
}

bool isDatabaseAddress(std::string_view where) {
    return where.starts_with("postgresql://") || where.starts_with("postgres://") ||
           where.find("host=") != std::string_view::npos;
}

std::unique_ptr<EventStore> openEventStore(const std::string& where, EventStore::Mode mode,
                                           std::int64_t maxBytes) {
    if (isDatabaseAddress(where)) {
        return std::make_unique<PgEventLog>(where, mode, maxBytes);
    }
    return std::make_unique<EventLog>(where, mode, maxBytes);
}

RefusalCounter::RefusalCounter(std::function<void(long long)> write)
    : m_write(std::move(write)), m_thread([this] { run(); }) {}

RefusalCounter::~RefusalCounter() {
    stop();
}

void RefusalCounter::stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            return;
        }
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
    flush();
}

void RefusalCounter::run() {
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_stopping; })) {
        lock.unlock();
        flush();
        lock.lock();
    }
}

void RefusalCounter::flush() {
    const long long pending = m_pending.exchange(0);
    if (pending == 0) {
        return;
    }
    try {
        m_write(pending);
    } catch (const std::exception&) {
        // Written with the next ones.
        m_pending += pending;
    }
}

std::string eventProblem(std::string_view text) {
    if (text.size() > MaxEventBytes) {
        return "event text over " + std::to_string(MaxEventBytes) + " bytes";
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8Sequence(text, at);
        if (length == 0) {
            return "the event text is not UTF-8";
        }
        if (isControl(text.substr(at, length))) {
            return "control character in the event text";
        }
        at += length;
    }
    const auto first = text.find(',');
    const auto last = text.rfind(',');
    const auto beforeLast = last == std::string_view::npos || last == 0 ? std::string_view::npos
                                                                        : text.rfind(',', last - 1);
    if (first == std::string_view::npos || beforeLast == std::string_view::npos ||
        beforeLast <= first) {
        return "an event has four fields: type, what, site, seconds";
    }
    static constexpr std::array<std::string_view, 5> Types = {"IN", "CLICK", "URLCLICK",
                                                              "MENUCLICK", "TOOLCLICK"};
    const std::string_view type = text.substr(0, first);
    if (std::find(Types.begin(), Types.end(), type) == Types.end()) {
        return "unknown event type";
    }
    const std::string_view seconds = text.substr(last + 1);
    if (seconds.empty() || seconds.size() > 10 ||
        seconds.find_first_not_of("0123456789") != std::string_view::npos) {
        return "the seconds of an event are digits";
    }
    return {};
}

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

EventLog::EventLog(const std::string& path, Mode mode, std::int64_t maxBytes)
    : m_path(path), m_maxBytes(maxBytes) {
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
        // The write-ahead log is cut back to 4 MB after each checkpoint, so the file and its
        // log together stay near the bound.
        const char* schema = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                             "PRAGMA journal_size_limit=4194304;"
                             "CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY, "
                             "time TEXT NOT NULL, address TEXT NOT NULL, type TEXT NOT NULL, "
                             "site TEXT NOT NULL, text TEXT NOT NULL);"
                             "CREATE TABLE IF NOT EXISTS counters (name TEXT PRIMARY KEY, "
                             "value INTEGER NOT NULL);";
        if (sqlite3_exec(m_db, schema, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error != nullptr ? error : "unknown error";
            sqlite3_free(error);
            sqlite3_close(m_db);
            throw std::runtime_error("cannot prepare events file " + path + ": " + why);
        }
        m_refusals = std::make_unique<RefusalCounter>([this](long long refused) {
            std::lock_guard lock(m_mutex);
            addToCounter(m_db, "refused", refused, m_path);
        });
    }
}

EventLog::~EventLog() {
    stop();
    sqlite3_close(m_db);
}

void EventLog::stop() {
    if (m_refusals) {
        m_refusals->stop();
    }
}

void EventLog::refuse() {
    if (m_refusals) {
        m_refusals->add();
    }
}

void EventLog::submit(std::string text, std::string address, Done done, Gone) {
    try {
        record(text, address);
    } catch (const std::exception& error) {
        done(Outcome::Failed, error.what());
        return;
    }
    done(Outcome::Stored, {});
}

// The pages in use (not on the free list) past the bound: the oldest tenth of the events go,
// counted as dropped. Their pages are reused, so the file stops growing.
void EventLog::makeRoom() {
    const long long pageSize = scalar(m_db, "PRAGMA page_size", m_path);
    const long long used = (scalar(m_db, "PRAGMA page_count", m_path) -
                            scalar(m_db, "PRAGMA freelist_count", m_path)) *
                           pageSize;
    if (used < m_maxBytes) {
        return;
    }
    const long long first = scalar(m_db, "SELECT min(id) FROM events", m_path);
    const long long last = scalar(m_db, "SELECT max(id) FROM events", m_path);
    if (last < first || last == 0) {
        return;
    }
    exec(m_db, "BEGIN", m_path);
    try {
        Statement drop(m_db, "DELETE FROM events WHERE id < ?", m_path);
        sqlite3_bind_int64(drop.get(), 1, first + (last - first + 1 + 9) / 10);
        if (sqlite3_step(drop.get()) != SQLITE_DONE) {
            throw std::runtime_error("cannot remove old events: " +
                                     std::string(sqlite3_errmsg(m_db)));
        }
        addToCounter(m_db, "dropped", sqlite3_changes(m_db), m_path);
        exec(m_db, "COMMIT", m_path);
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void EventLog::record(std::string_view text, std::string_view address) {
    const EventFields fields = splitEvent(text);
    const std::string time = utcNow();
    std::lock_guard lock(m_mutex);
    makeRoom();
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

LostEvents EventLog::lost() const {
    std::lock_guard lock(m_mutex);
    LostEvents lost;
    sqlite3_stmt* query = nullptr;
    // A file written before the counters existed has lost nothing it knows of.
    if (sqlite3_prepare_v2(m_db, "SELECT name, value FROM counters", -1, &query, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(query);
        return lost;
    }
    while (sqlite3_step(query) == SQLITE_ROW) {
        const unsigned char* name = sqlite3_column_text(query, 0);
        const std::string_view text = name != nullptr ? reinterpret_cast<const char*>(name) : "";
        if (text == "dropped") {
            lost.dropped = sqlite3_column_int64(query, 1);
        } else if (text == "refused") {
            lost.refused = sqlite3_column_int64(query, 1);
        }
    }
    sqlite3_finalize(query);
    return lost;
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
