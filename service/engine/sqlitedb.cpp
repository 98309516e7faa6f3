#include "service/engine/sqlitedb.h"

#include <stdexcept>

namespace bbstatsd {

SqliteDb::SqliteDb(const std::string& path, bool readOnly) : m_path(path) {
    const int flags =
        readOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (sqlite3_open_v2(path.c_str(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const std::string msg = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw std::runtime_error(path + ": cannot open database: " + msg);
    }
}

SqliteDb::~SqliteDb() {
    sqlite3_close(m_db);
}

void SqliteDb::fail(const std::string& what) const {
    throw std::runtime_error(m_path + ": " + what + ": " +
                             (m_db ? sqlite3_errmsg(m_db) : "database closed"));
}

void SqliteDb::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        throw std::runtime_error(m_path + ": " + msg);
    }
}

void SqliteDb::close() {
    if (m_db && sqlite3_close(m_db) != SQLITE_OK) {
        fail("cannot close database");
    }
    m_db = nullptr;
}

SqliteStmt::SqliteStmt(SqliteDb& db, const std::string& sql) : m_db(db) {
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK) {
        db.fail("cannot prepare \"" + sql + "\"");
    }
}

SqliteStmt::~SqliteStmt() {
    sqlite3_finalize(m_stmt);
}

void SqliteStmt::bind(int i, long long v) {
    sqlite3_bind_int64(m_stmt, i, v);
}
void SqliteStmt::bind(int i, double v) {
    sqlite3_bind_double(m_stmt, i, v);
}
void SqliteStmt::bind(int i, std::string_view v) {
    sqlite3_bind_text(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

bool SqliteStmt::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    m_db.fail("cannot read or write");
}

void SqliteStmt::run() {
    step();
    sqlite3_reset(m_stmt);
}

std::string_view SqliteStmt::text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col)))
             : std::string_view();
}

} // namespace bbstatsd
