#include "service/pgeventlog.h"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <stdexcept>

#include <libpq-fe.h>
#include <poll.h>

namespace bbstatsd {

namespace {

using Clock = std::chrono::steady_clock;

// The server cancels a statement running this long; the client's own deadlines (below) hold
// also when the server does not answer at all. Keepalives notice a peer gone without a reset.
constexpr const char* ConnectTimeoutSeconds = "3";
constexpr const char* ConnectionOptions = "-c statement_timeout=5000";
// What the service may wait at start-up, for `bbstatsd usage`, and for making room (a delete of
// a tenth of the table, which the server's statement time-out bounds too).
constexpr std::chrono::milliseconds LongCall{6000};
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

// Waits until the connection's socket can be read (or written, when `write`); false when the
// deadline passed first or the socket failed.
bool waitFor(PGconn* conn, bool write, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || PQsocket(conn) < 0) {
            return false;
        }
        pollfd watch{PQsocket(conn), static_cast<short>(write ? POLLOUT | POLLIN : POLLIN), 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

// Sends a statement (with parameters when `count` > 0; several statements without) on a
// non-blocking connection and waits for its results until the deadline. The first failed result,
// else the last one; nullptr when it could not be sent, the connection failed, or the deadline
// passed (`late` then set). After nullptr the connection's state is unknown: drop it.
PGresult* call(PGconn* conn, const char* sql, int count, const char* const* values,
               Clock::time_point deadline, bool& late) {
    late = false;
    const int sent = count > 0
                         ? PQsendQueryParams(conn, sql, count, nullptr, values, nullptr, nullptr, 0)
                         : PQsendQuery(conn, sql);
    if (sent == 0) {
        return nullptr;
    }
    for (int flushed = PQflush(conn); flushed != 0; flushed = PQflush(conn)) {
        if (flushed < 0) {
            return nullptr;
        }
        if (!waitFor(conn, true, deadline)) {
            late = true;
            return nullptr;
        }
        if (PQconsumeInput(conn) == 0) {
            return nullptr;
        }
    }
    PGresult* kept = nullptr;
    for (;;) {
        while (PQisBusy(conn) != 0) {
            if (!waitFor(conn, false, deadline)) {
                late = true;
                PQclear(kept);
                return nullptr;
            }
            if (PQconsumeInput(conn) == 0) {
                PQclear(kept);
                return nullptr;
            }
        }
        PGresult* next = PQgetResult(conn);
        if (next == nullptr) {
            return kept;
        }
        const ExecStatusType status = PQresultStatus(kept);
        if (kept != nullptr && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            PQclear(next); // the first failure is the one to tell
        } else {
            PQclear(kept);
            kept = next;
        }
    }
}

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
    m_conn = connect(LongCall);
    // The advisory lock keeps services that start together from creating the tables at once.
    const std::string prepare =
        mode == Mode::Write
            ? "BEGIN; SELECT pg_advisory_xact_lock(846100);"
              "CREATE TABLE IF NOT EXISTS events (id bigserial PRIMARY KEY, time text NOT NULL, "
              "address text NOT NULL, type text NOT NULL, site text NOT NULL, "
              "seconds bigint NOT NULL, text text NOT NULL);"
              "CREATE TABLE IF NOT EXISTS counters (name text PRIMARY KEY, value bigint NOT NULL);"
              "INSERT INTO counters VALUES ('bytes', 0), ('dropped', 0), ('refused', 0), "
              "('bound', " +
                  std::to_string(maxBytes) +
                  ") ON CONFLICT DO NOTHING; COMMIT;"
                  "SELECT value FROM counters WHERE name = 'bound'"
            : "SELECT 1 FROM events, counters LIMIT 1";
    bool late = false;
    const Result result(call(m_conn, prepare.c_str(), 0, nullptr, Clock::now() + LongCall, late));
    if (!result.ok()) {
        const std::string why =
            late ? "no answer within " + std::to_string(LongCall.count()) + " ms" : errorOf(m_conn);
        PQfinish(m_conn);
        throw std::runtime_error("events database " + m_shown + ": " + why);
    }
    if (mode == Mode::Write) {
        const long long bound = PQntuples(result.get()) == 1 ? result.integer(0, 0) : maxBytes;
        if (bound != maxBytes) {
            std::cerr << "bbstatsd: the events table of " << m_shown << " keeps its bound of "
                      << bound << " bytes (the bound given applies to a new table only)"
                      << std::endl;
        }
        m_writer = std::thread([this] { run(); });
        m_refusals = std::make_unique<RefusalCounter>([this](long long refused) {
            std::string why;
            // The writer goes first: the refusals are written with the next ones.
            std::unique_lock lock(m_connMutex, std::try_to_lock);
            PGconn* conn = lock ? connection(why) : nullptr;
            if (conn == nullptr) {
                throw std::runtime_error(lock ? why : "the events database is busy");
            }
            const std::string amount = std::to_string(refused);
            const char* values[] = {amount.c_str()};
            bool late = false;
            const Result added(call(conn,
                                    "UPDATE counters SET value = value + $1::bigint "
                                    "WHERE name = 'refused'",
                                    1, values, Clock::now() + CallLimit, late));
            if (!added.ok()) {
                const std::string error = errorOf(conn);
                if (late || PQstatus(conn) != CONNECTION_OK) {
                    dropConnection();
                }
                throw std::runtime_error(error);
            }
        });
    }
}

PgEventLog::~PgEventLog() {
    stop();
    PQfinish(m_conn);
}

PGconn* PgEventLog::connect(std::chrono::milliseconds limit) const {
    // Given first, so that the connection string's own settings win.
    const char* keys[] = {"connect_timeout",     "keepalives",       "keepalives_idle",
                          "keepalives_interval", "keepalives_count", "options",
                          "client_encoding",     "dbname",           nullptr};
    const char* values[] = {ConnectTimeoutSeconds, "1",    "5", "2", "2", ConnectionOptions, "UTF8",
                            m_conninfo.c_str(),    nullptr};
    // Connected without blocking, so that a server that accepts but never answers cannot hold
    // the caller past its deadline.
    const auto deadline = Clock::now() + limit;
    PGconn* conn = PQconnectStartParams(keys, values, 1);
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (conn != nullptr && PQstatus(conn) != CONNECTION_BAD && polling != PGRES_POLLING_OK &&
           polling != PGRES_POLLING_FAILED) {
        if (!waitFor(conn, polling == PGRES_POLLING_WRITING, deadline)) {
            PQfinish(conn);
            throw std::runtime_error("cannot connect to events database " + m_shown +
                                     ": no answer within " + std::to_string(limit.count()) + " ms");
        }
        polling = PQconnectPoll(conn);
    }
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK || PQsetnonblocking(conn, 1) != 0) {
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
    const auto now = Clock::now();
    if (now < m_retryAt) {
        why = "events database unreachable";
        return nullptr;
    }
    PQfinish(m_conn);
    m_conn = nullptr;
    try {
        m_conn = connect(CallLimit);
    } catch (const std::exception& error) {
        m_retryAt = Clock::now() + std::chrono::seconds(1);
        why = error.what();
        return nullptr;
    }
    return m_conn;
}

void PgEventLog::dropConnection() {
    PQfinish(m_conn);
    m_conn = nullptr;
    m_retryAt = Clock::now() + std::chrono::seconds(1);
}

void PgEventLog::submit(std::string text, std::string address, Done done, Gone gone) {
    {
        std::lock_guard lock(m_queueMutex);
        if (!m_stopping && m_writer.joinable() && m_queue.size() < QueueLimit) {
            m_queue.push_back(
                {std::move(text), std::move(address), std::move(done), std::move(gone)});
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

// The event and the bytes it takes go in one transaction, committed only once the insert has
// answered within the deadline: a connection dropped before that leaves nothing behind, however
// late the server reads what was sent.
EventStore::Outcome PgEventLog::store(const Job& job, std::string& why) {
    if (job.gone && job.gone()) {
        why = "the client has gone";
        return Outcome::Unavailable;
    }
    std::lock_guard lock(m_connMutex);
    PGconn* conn = connection(why);
    if (conn == nullptr) {
        return Outcome::Unavailable;
    }
    const auto deadline = Clock::now() + CallLimit;
    const EventFields fields = splitEvent(job.text);
    const std::string seconds = std::to_string(eventSeconds(job.text));
    const std::string bytes =
        std::to_string(static_cast<long long>(20 + job.address.size() + fields.type.size() +
                                              fields.site.size() + job.text.size()) +
                       RowOverhead);
    const char* values[] = {job.address.c_str(), fields.type.c_str(), fields.site.c_str(),
                            seconds.c_str(),     job.text.c_str(),    bytes.c_str()};
    const auto failed = [&](bool late) {
        why = "cannot store the event in " + m_shown + ": " +
              (late ? "no answer within " + std::to_string(CallLimit.count()) + " ms"
                    : errorOf(conn));
        if (late || PQstatus(conn) != CONNECTION_OK) {
            dropConnection();
            return Outcome::Unavailable;
        }
        bool rollbackLate = false;
        const Result rollback(call(conn, "ROLLBACK", 0, nullptr, deadline, rollbackLate));
        if (!rollback.ok()) {
            dropConnection();
        }
        return Outcome::Failed;
    };
    bool late = false;
    const Result begun(call(conn, "BEGIN", 0, nullptr, deadline, late));
    if (!begun.ok()) {
        return failed(late);
    }
    const Result added(
        call(conn,
             "WITH added AS (INSERT INTO events (time, address, type, site, seconds, text) VALUES "
             "(to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), $1, $2, $3, "
             "$4::bigint, $5) RETURNING id) "
             "UPDATE counters SET value = value + $6::bigint WHERE name = 'bytes' "
             "RETURNING value >= (SELECT value FROM counters WHERE name = 'bound')",
             6, values, deadline, late));
    if (!added.ok()) {
        return failed(late);
    }
    const Result committed(call(conn, "COMMIT", 0, nullptr, deadline, late));
    if (!committed.ok()) {
        return failed(late);
    }
    if (PQntuples(added.get()) == 1 && std::string_view(PQgetvalue(added.get(), 0, 0)) == "t") {
        try {
            makeRoom();
        } catch (const std::exception&) {
            // The event is stored; the room is made at a later one.
        }
    }
    return Outcome::Stored;
}

// The oldest tenth of the events goes, counted as dropped, in one transaction that one service at
// a time runs; the table's bound is looked at again inside it, since another service may have
// made room.
void PgEventLog::makeRoom() {
    const std::string overhead = std::to_string(RowOverhead);
    const std::string trim =
        "BEGIN; SELECT pg_advisory_xact_lock(846101);"
        "WITH bound AS (SELECT min(id) + (max(id) - min(id) + 10) / 10 AS below FROM events "
        "  WHERE (SELECT value FROM counters WHERE name = 'bytes') >= "
        "  (SELECT value FROM counters WHERE name = 'bound')"
        "), gone AS (DELETE FROM events WHERE id < (SELECT below FROM bound) "
        "  RETURNING 20 + octet_length(address) + octet_length(type) + octet_length(site) + "
        "  octet_length(text) + " +
        overhead +
        " AS size), "
        "lost AS (SELECT count(*) AS n, coalesce(sum(size), 0) AS size FROM gone) "
        "UPDATE counters SET value = value + CASE name WHEN 'dropped' THEN (SELECT n FROM lost) "
        "  ELSE -(SELECT size FROM lost) END WHERE name IN ('dropped', 'bytes');"
        "COMMIT;";
    bool late = false;
    const Result result(call(m_conn, trim.c_str(), 0, nullptr, Clock::now() + LongCall, late));
    if (!result.ok()) {
        const std::string why = errorOf(m_conn);
        bool rollbackLate = false;
        const Result rollback(
            call(m_conn, "ROLLBACK", 0, nullptr, Clock::now() + CallLimit, rollbackLate));
        if (late || !rollback.ok()) {
            dropConnection();
        }
        throw std::runtime_error(why);
    }
}

// A query of `bbstatsd usage`; throws naming the database when it fails or does not answer.
static PGresult* readQuery(PGconn* conn, const char* sql, const std::string& shown) {
    bool late = false;
    PGresult* result = call(conn, sql, 0, nullptr, Clock::now() + LongCall, late);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK) {
        PQclear(result);
        throw std::runtime_error(
            "cannot read events database " + shown + ": " +
            (late ? "no answer within " + std::to_string(LongCall.count()) + " ms"
                  : errorOf(conn)));
    }
    return result;
}

std::vector<UsageCount> PgEventLog::usage() const {
    std::lock_guard lock(m_connMutex);
    const Result result(readQuery(m_conn,
                                  "SELECT site, type, count(*), "
                                  "sum(CASE WHEN type = 'IN' THEN seconds ELSE 0 END) "
                                  "FROM events GROUP BY site, type "
                                  "ORDER BY site COLLATE \"C\", type COLLATE \"C\"",
                                  m_shown));
    std::vector<UsageCount> counts;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        counts.push_back({PQgetvalue(result.get(), row, 0), PQgetvalue(result.get(), row, 1),
                          result.integer(row, 2), result.integer(row, 3)});
    }
    return counts;
}

LostEvents PgEventLog::lost() const {
    std::lock_guard lock(m_connMutex);
    const Result result(readQuery(m_conn, "SELECT name, value FROM counters", m_shown));
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
