#pragma once

#include <string>
#include <vector>

#include "service/engine/schema.h"
#include "service/engine/sqlitedb.h"

namespace bbstatsd {

// One record being written: integers (counts, years, outs) and texts by reply line.
struct RowBuf {
    explicit RowBuf(std::size_t lines) : v(lines, -1), s(lines), d(lines, 0.0) {}
    std::vector<long long> v;
    std::vector<std::string> s;
    std::vector<double> d;
};

// Creates one record table in the imported database and writes its rows field by field as
// the service sends them: ratios computed, innings in box-score form, missing reals marked.
class TableWriter {
public:
    // Creates the table of def in db; throws on failure.
    TableWriter(SqliteDb& db, const TableDef& def)
        : m_def(def), m_insert(db, createAndInsert(db, def)) {}

    // Writes one record; playerId and stint are kept for tables of players.
    void write(const RowBuf& row, const std::string& playerId, int stint);

private:
    static std::string createAndInsert(SqliteDb& db, const TableDef& def);

    const TableDef& m_def;
    SqliteStmt m_insert;
};

} // namespace bbstatsd
