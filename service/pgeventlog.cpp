#include "service/pgeventlog.h"

#include <algorithm>
#include <stdexcept>

#include <libpq-fe.h>

namespace bbstatsd {

namespace {

// Seconds a connection attempt may take before the database counts as unreachable, and a
// statement before it is cancelled: the writer answers the events behind it meanwhile.
constexpr const char* ConnectTimeoutSeconds = "3";
constexpr const char* ConnectionOptions = "-c statement_timeout=5000";
// What a row takes beside its texts: tuple header, id, seconds and the index entry.
constexpr long long RowOverhead = 64;

// A result that clears itself.
class Result {
public:
    explicit Result(PGresult* result) : m_result(result) {}
    ~Result() { PQclear(m_result); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* get() const { return m_result; }
    bool ok() const {
        const ExecStatusType status = PQresultStatus(m_result);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    long long integer(int row, int column) const {
        return PQgetisnull(m_result, row, column) != 0
                   ? 0
                   : std::stoll(PQgetvalue(m_result, row, column));
    }

private:
    PGresult* m_result;
};

std::string errorOf(PGconn* conn) {
    std::string text = PQerrorMessage(conn);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    for (char& ch : text) {
        if (ch == '\n') {
            ch = ' ';
        }
    }
    return text;
}

// Removes "password=VALUE" (VALUE quoted or up to the next space, or up to "&" in a URI's query)
// from text.
std::string withoutPasswordKey(std::string text, bool uri) {
    for (std::size_t at = text.find("password"); at != std::string::npos;
         at = text.find("password", at)) {
        const bool starts =
            at == 0 || text[at - 1] == ' ' || text[at - 1] == '?' || text[at - 1] == '&';
        std::size_t equals = text.find_first_not_of(' ', at + 8);
        if (!starts || equals == std::string::npos || text[equals] != '=') {
            at += 8;
            continue;
        }
        std::size_t end = text.find_first_not_of(' ', equals + 1);
        if (end != std::string::npos && text[end] == '\'' && !uri) {
            end = text.find('\'', end + 1);
            end = end == std::string::npos ? text.size() : end + 1;
        } else {
            end = end == std::string::npos ? text.size() : text.find_first_of(uri ? "&" : " ", end);
            end = end == std::string::npos ? text.size() : end;
        }
        if (uri && end < text.size()) {
            ++end; // the "&" after it
        } else if (uri && at > 0 && (text[at - 1] == '&' || text[at - 1] == '?')) {
            --at; // the last item: its "&" or "?" goes with it
        }
        text.erase(at, end - at);
    }
    return text;
}

} // namespace

std::string withoutPassword(const std::string& conninfo) {
    const auto scheme = conninfo.find("://");
    if (scheme == std::string::npos ||
        !(conninfo.starts_with("postgresql://") || conninfo.starts_with("postgres://"))) {
        return withoutPasswordKey(conninfo, false);
    }
    std::string text = conninfo;
    const std::size_t start = scheme + 3;
    const std::size_t authorityEnd = std::min(text.find_first_of("/?", start), text.size());
    const std::size_t at = text.rfind('@', authorityEnd);
    if (at != std::string::npos && at >= start) {
        const std::size_t colon = text.find(':', start);
        if (colon < at) {
            text.erase(colon, at - colon);
        }
    }
    return withoutPasswordKey(text, true);
}

PgEventLog::PgEventLog(const std::string& conninfo, Mode mode, std::int64_t maxBytes)
    : m_conninfo(conninfo), m_shown(withoutPassword(conninfo)), m_maxBytes(maxBytes) {
    m_conn = connect();
    // The advisory lock keeps services that start together from creating the tables at once.
    const char* prepare =
        mode == Mode::Write
            ? "BEGIN; SELECT pg_advisory_xact_lock(846100);"
              "CREATE TABLE IF NOT EXISTS events (id bigserial PRIMARY KEY, time text NOT NULL, "
              "address text NOT NULL, type text NOT NULL, site text NOT NULL, "
              "seconds bigint NOT NULL, text text NOT NULL);"
              "CREATE TABLE IF NOT EXISTS counters (name text PRIMARY KEY, value bigint NOT NULL);"
              "INSERT INTO counters VALUES ('bytes', 0), ('dropped', 0), ('refused', 0) "
              "ON CONFLICT DO NOTHING; COMMIT;"
            : "SELECT 1 FROM events, counters LIMIT 1";
    const Result result(PQexec(m_conn, prepare));
    if (!result.ok()) {
        const std::string why = errorOf(m_conn);
        PQfinish(m_conn);
        throw std::runtime_error("events database " + m_shown + ": " + why);
    }
    if (mode == Mode::Write) {
        m_writer = std::thread([this] { run(); });
        m_refusals = std::make_unique<RefusalCounter>([this](long long refused) {
            std::string why;
            std::lock_guard lock(m_connMutex);
            PGconn* conn = connection(why);
            if (conn == nullptr) {
                throw std::runtime_error(why);
            }
            const std::string amount = std::to_string(refused);
            const char* values[] = {amount.c_str()};
            const Result added(PQexecParams(conn,
                                            "UPDATE counters SET value = value + $1::bigint "
                                            "WHERE name = 'refused'",
                                            1, nullptr, values, nullptr, nullptr, 0));
            if (!added.ok()) {
                throw std::runtime_error(errorOf(conn));
            }
        });
    }
}

PgEventLog::~PgEventLog() {
    stop();
    PQfinish(m_conn);
}

PGconn* PgEventLog::connect() const {
    // Given first, so that the connection string's own settings win.
    const char* keys[] = {"connect_timeout", "options", "client_encoding", "dbname", nullptr};
    const char* values[] = {ConnectTimeoutSeconds, ConnectionOptions, "UTF8", m_conninfo.c_str(),
                            nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
        const std::string why = conn != nullptr ? errorOf(conn) : "out of memory";
        PQfinish(conn);
        throw std::runtime_error("cannot connect to events database " + m_shown + ": " + why);
    }
    // "already exists, skipping" and the like are not for the service's output.
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    return conn;
}

PGconn* PgEventLog::connection(std::string& why) {
    if (m_conn != nullptr && PQstatus(m_conn) == CONNECTION_OK) {
        return m_conn;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < m_retryAt) {
        why = "events database unreachable";
        return nullptr;
    }
    PQfinish(m_conn);
    m_conn = nullptr;
    try {
        m_conn = connect();
    } catch (const std::exception& error) {
        m_retryAt = now + std::chrono::seconds(1);
        why = error.what();
        return nullptr;
    }
    return m_conn;
}

void PgEventLog::submit(std::string text, std::string address, Done done) {
    {
        std::lock_guard lock(m_queueMutex);
        if (!m_stopping && m_writer.joinable() && m_queue.size() < QueueLimit) {
            m_queue.push_back({std::move(text), std::move(address), std::move(done)});
            m_queueWake.notify_one();
            return;
        }
    }
    done(Outcome::Unavailable, "too many events waiting for the events database");
}

void PgEventLog::refuse() {
    if (m_refusals) {
        m_refusals->add();
    }
}

void PgEventLog::stop() {
    {
        std::lock_guard lock(m_queueMutex);
        m_stopping = true;
    }
    m_queueWake.notify_all();
    if (m_writer.joinable()) {
        m_writer.join();
    }
    if (m_refusals) {
        m_refusals->stop();
    }
}

void PgEventLog::run() {
    for (;;) {
        Job job;
        bool stopping = false;
        {
            std::unique_lock lock(m_queueMutex);
            m_queueWake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty()) {
                return;
            }
            job = std::move(m_queue.front());
            m_queue.pop_front();
            stopping = m_stopping;
        }
        if (stopping) {
            // Whoever waits on it is about to be dropped.
            job.done(Outcome::Unavailable, "the service is stopping");
            continue;
        }
        std::string why;
        Outcome outcome = Outcome::Failed;
        try {
            outcome = store(job, why);
        } catch (const std::exception& error) {
            why = error.what();
        }
        job.done(outcome, why);
    }
}

EventStore::Outcome PgEventLog::store(const Job& job, std::string& why) {
    std::lock_guard lock(m_connMutex);
    PGconn* conn = connection(why);
    if (conn == nullptr) {
        return Outcome::Unavailable;
    }
    const EventFields fields = splitEvent(job.text);
    const std::string seconds = std::to_string(eventSeconds(job.text));
    const std::string bytes =
        std::to_string(static_cast<long long>(20 + job.address.size() + fields.type.size() +
                                              fields.site.size() + job.text.size()) +
                       RowOverhead);
    const char* values[] = {job.address.c_str(), fields.type.c_str(), fields.site.c_str(),
                            seconds.c_str(),     job.text.c_str(),    bytes.c_str()};
    // One statement, so one transaction: the event and the bytes it takes are committed together
    // when the call returns.
    const Result added(PQexecParams(
        conn,
        "WITH added AS (INSERT INTO events (time, address, type, site, seconds, text) VALUES "
        "(to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), $1, $2, $3, "
        "$4::bigint, $5) RETURNING id) "
        "UPDATE counters SET value = value + $6::bigint WHERE name = 'bytes' RETURNING value",
        6, nullptr, values, nullptr, nullptr, 0));
    if (!added.ok()) {
        why = "cannot store the event in " + m_shown + ": " + errorOf(conn);
        if (PQstatus(conn) != CONNECTION_OK) {
            m_retryAt = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            return Outcome::Unavailable;
        }
        return Outcome::Failed;
    }
    if (PQntuples(added.get()) == 1 && added.integer(0, 0) >= m_maxBytes) {
        try {
            makeRoom();
        } catch (const std::exception&) {
            // The event is stored; the room is made at a later one.
        }
    }
    return Outcome::Stored;
}

// The oldest tenth of the events goes, counted as dropped, in one transaction that one service at
// a time runs; the bound is looked at again inside it, since another service may have made room.
void PgEventLog::makeRoom() {
    const std::string bound = std::to_string(m_maxBytes);
    const std::string overhead = std::to_string(RowOverhead);
    const std::string trim =
        "BEGIN; SELECT pg_advisory_xact_lock(846101);"
        "WITH bound AS (SELECT min(id) + (max(id) - min(id) + 10) / 10 AS below FROM events "
        "  WHERE (SELECT value FROM counters WHERE name = 'bytes') >= " +
        bound +
        "), gone AS (DELETE FROM events WHERE id < (SELECT below FROM bound) "
        "  RETURNING 20 + octet_length(address) + octet_length(type) + octet_length(site) + "
        "  octet_length(text) + " +
        overhead +
        " AS size), "
        "lost AS (SELECT count(*) AS n, coalesce(sum(size), 0) AS size FROM gone) "
        "UPDATE counters SET value = value + CASE name WHEN 'dropped' THEN (SELECT n FROM lost) "
        "  ELSE -(SELECT size FROM lost) END WHERE name IN ('dropped', 'bytes');"
        "COMMIT;";
    const Result result(PQexec(m_conn, trim.c_str()));
    if (!result.ok()) {
        const Result rollback(PQexec(m_conn, "ROLLBACK"));
        throw std::runtime_error(errorOf(m_conn));
    }
}

std::vector<UsageCount> PgEventLog::usage() const {
    std::lock_guard lock(m_connMutex);
    const Result result(PQexec(m_conn, "SELECT site, type, count(*), "
                                       "sum(CASE WHEN type = 'IN' THEN seconds ELSE 0 END) "
                                       "FROM events GROUP BY site, type "
                                       "ORDER BY site COLLATE \"C\", type COLLATE \"C\""));
    if (!result.ok()) {
        throw std::runtime_error("cannot read events database " + m_shown + ": " + errorOf(m_conn));
    }
    std::vector<UsageCount> counts;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        counts.push_back({PQgetvalue(result.get(), row, 0), PQgetvalue(result.get(), row, 1),
                          result.integer(row, 2), result.integer(row, 3)});
    }
    return counts;
}

LostEvents PgEventLog::lost() const {
    std::lock_guard lock(m_connMutex);
    const Result result(PQexec(m_conn, "SELECT name, value FROM counters"));
    if (!result.ok()) {
        throw std::runtime_error("cannot read events database " + m_shown + ": " + errorOf(m_conn));
    }
    LostEvents lost;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        const std::string_view name = PQgetvalue(result.get(), row, 0);
        if (name == "dropped") {
            lost.dropped = result.integer(row, 1);
        } else if (name == "refused") {
            lost.refused = result.integer(row, 1);
        }
    }
    return lost;
}

} // namespace bbstatsd
