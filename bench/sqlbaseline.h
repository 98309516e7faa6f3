#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace bench {

// One query as plain SQL over the imported file: the page (ORDER BY ... LIMIT 40 OFFSET n) and
// the totals over the whole matching set (COUNT and SUM of the count columns).
struct SqlQuery {
    std::string table;
    std::string where;   // without "WHERE"; empty for all rows
    std::string orderBy; // without "ORDER BY"
    std::string sums;    // comma-separated count columns
};

// The same queries run by SQLite on the statistics file, for comparison.
class SqlBaseline {
public:
    // Opens the file read-only; throws std::runtime_error on failure.
    explicit SqlBaseline(const std::string& path);
    ~SqlBaseline();
    SqlBaseline(const SqlBaseline&) = delete;
    SqlBaseline& operator=(const SqlBaseline&) = delete;

    // Runs the page at offset and the totals, reading every column as text; milliseconds.
    double pageMs(const SqlQuery& query, int offset, int rows = 40);

    // Runs the statements one after the other, reading every column as text; milliseconds.
    double statementsMs(const std::vector<std::string>& statements);

    // Runs a pick list (SELECT DISTINCT column ... ORDER BY); milliseconds.
    double listMs(const std::string& table, const std::string& column);

    // Copies the file to copyPath and opens the copy with single-column indexes on columns
    // ("table(column COLLATE NOCASE)" texts), analysed; throws std::runtime_error on failure.
    static SqlBaseline indexedCopy(const std::string& path, const std::string& copyPath,
                                   const std::vector<std::string>& indexes);

    SqlBaseline(SqlBaseline&& other) noexcept;

private:
    SqlBaseline() = default;
    double run(const std::string& sql);

    sqlite3* m_db = nullptr;
};

} // namespace bench
