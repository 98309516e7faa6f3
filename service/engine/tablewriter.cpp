#include "service/engine/tablewriter.h"

namespace bbstatsd {

void TableWriter::write(const RowBuf& row, const std::string& playerId, int stint) {
    int p = 1;
    if (m_def.hasPlayers) {
        m_insert.bind(p++, playerId);
        m_insert.bind(p++, static_cast<long long>(stint));
    }
    for (std::size_t line = 0; line < m_def.fields.size(); ++line) {
        const FieldDef& f = m_def.fields[line];
        switch (f.kind) {
        case FieldKind::Name:
        case FieldKind::Text:
        case FieldKind::Char:
            m_insert.bind(p++, row.s[line]);
            break;
        case FieldKind::Year:
        case FieldKind::Count:
            m_insert.bind(p++, row.v[line]);
            break;
        case FieldKind::Innings: {
            const long long outs = row.v[line];
            m_insert.bind(p++, outs < 0 ? m_def.missingReal
                                        : static_cast<double>(outs / 3) +
                                              static_cast<double>(outs % 3) / 10.0);
            break;
        }
        case FieldKind::Ratio: {
            double value = m_def.missingReal;
            for (const RatioDef& r : m_def.ratios) {
                if (r.line == static_cast<int>(line)) {
                    evalRatio(
                        r, [&](int l) { return row.v[static_cast<std::size_t>(l)]; }, value);
                }
            }
            m_insert.bind(p++, value);
            break;
        }
        case FieldKind::Real:
            m_insert.bind(p++, row.d[line]);
            break;
        }
    }
    m_insert.run();
}

std::string TableWriter::createAndInsert(SqliteDb& db, const TableDef& def) {
    std::string create = std::string("CREATE TABLE ") + def.sqlName + " (";
    std::string insert = std::string("INSERT INTO ") + def.sqlName + " VALUES (";
    bool first = true;
    auto add = [&](const std::string& name, const char* type) {
        create += (first ? "" : ", ") + name + " " + type;
        insert += first ? "?" : ", ?";
        first = false;
    };
    if (def.hasPlayers) {
        add("PlayerID", "TEXT NOT NULL");
        add("Stint", "INTEGER NOT NULL");
    }
    for (const FieldDef& f : def.fields) {
        const bool text =
            f.kind == FieldKind::Name || f.kind == FieldKind::Text || f.kind == FieldKind::Char;
        const bool integer = f.kind == FieldKind::Year || f.kind == FieldKind::Count;
        add(std::string("\"") + f.column + "\"",
            text ? "TEXT NOT NULL" : (integer ? "INTEGER NOT NULL" : "REAL NOT NULL"));
    }
    db.exec(create + ")");
    return insert + ")";
}

} // namespace bbstatsd
