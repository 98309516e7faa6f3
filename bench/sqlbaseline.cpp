#include "bench/sqlbaseline.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include <sqlite3.h>

namespace bench {

namespace {

void check(sqlite3* db, int code, const std::string& what) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW) {
        throw std::runtime_error(what + ": " + sqlite3_errmsg(db));
    }
}

} // namespace

SqlBaseline::SqlBaseline(const std::string& path) {
    check(m_db, sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr),
          "open " + path);
}

SqlBaseline::SqlBaseline(SqlBaseline&& other) noexcept : m_db(std::exchange(other.m_db, nullptr)) {}

SqlBaseline::~SqlBaseline() {
    sqlite3_close(m_db);
}

SqlBaseline SqlBaseline::indexedCopy(const std::string& path, const std::string& copyPath,
                                     const std::vector<std::string>& indexes) {
    std::filesystem::copy_file(path, copyPath, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copyPath, std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_write);
    SqlBaseline copy;
    check(copy.m_db, sqlite3_open_v2(copyPath.c_str(), &copy.m_db, SQLITE_OPEN_READWRITE, nullptr),
          "open " + copyPath);
    int n = 0;
    for (const std::string& index : indexes) {
        const auto paren = index.find('(');
        const std::string sql = "CREATE INDEX bench_" + std::to_string(n++) + " ON " +
                                index.substr(0, paren) + index.substr(paren);
        check(copy.m_db, sqlite3_exec(copy.m_db, sql.c_str(), nullptr, nullptr, nullptr), sql);
    }
    check(copy.m_db, sqlite3_exec(copy.m_db, "ANALYZE", nullptr, nullptr, nullptr), "ANALYZE");
    return copy;
}

double SqlBaseline::run(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    check(m_db, sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr), sql);
    std::size_t bytes = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(statement);
        for (int c = 0; c < columns; ++c) {
            sqlite3_column_text(statement, c);
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(statement, c));
        }
    }
    sqlite3_finalize(statement);
    check(m_db, step, sql);
    return static_cast<double>(bytes);
}

double SqlBaseline::pageMs(const SqlQuery& query, int offset, int rows) {
    const std::string where = query.where.empty() ? "" : " WHERE " + query.where;
    const auto start = std::chrono::steady_clock::now();
    run("SELECT * FROM " + query.table + where + " ORDER BY " + query.orderBy + " LIMIT " +
        std::to_string(rows) + " OFFSET " + std::to_string(offset));
    run("SELECT COUNT(*), " + query.sums + " FROM " + query.table + where);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double SqlBaseline::statementsMs(const std::vector<std::string>& statements) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& sql : statements) {
        run(sql);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double SqlBaseline::listMs(const std::string& table, const std::string& column) {
    const auto start = std::chrono::steady_clock::now();
    run("SELECT DISTINCT " + column + " FROM " + table + " ORDER BY " + column + " COLLATE NOCASE");
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace bench
