#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace bbstatsd {

// Owns one SQLite connection; every failure is a std::runtime_error naming the file.
class SqliteDb {
public:
    // Opens path read-only or creates it read-write.
    SqliteDb(const std::string& path, bool readOnly);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Runs statements without results.
    void exec(const std::string& sql);
    // Closes the connection, reporting a failure to flush.
    void close();
    sqlite3* handle() const { return m_db; }
    // Throws "path: what: sqlite message".
    [[noreturn]] void fail(const std::string& what) const;

private:
    std::string m_path;
    sqlite3* m_db = nullptr;
};

// One prepared statement.
class SqliteStmt {
public:
    // Prepares sql on db; throws on failure.
    SqliteStmt(SqliteDb& db, const std::string& sql);
    ~SqliteStmt();
    SqliteStmt(const SqliteStmt&) = delete;
    SqliteStmt& operator=(const SqliteStmt&) = delete;

    // Binds parameter i (1-based).
    void bind(int i, long long v);
    void bind(int i, double v);
    void bind(int i, std::string_view v);
    // Steps; true while a row is available. Throws on errors.
    bool step();
    // Executes an insert and resets for the next one.
    void run();
    long long integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    double real(int col) const { return sqlite3_column_double(m_stmt, col); }
    std::string_view text(int col) const;
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }

private:
    SqliteDb& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace bbstatsd
