#include "service/engine/parkfactors.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "service/engine/csvreader.h"
#include "service/engine/sqlitedb.h"

namespace bbstatsd {

void writeParkFactors(const std::string& dir, SqliteDb& db) {
    // The record tables have already checked the file; a copy without park factors imports
    // with none.
    CsvTable in(dir, "Teams.csv", {}, {});
    const std::ptrdiff_t year = in.find("yearID"), team = in.find("teamID"), bpf = in.find("BPF"),
                         ppf = in.find("PPF");
    db.exec("CREATE TABLE parks (Year INTEGER NOT NULL, TeamCode TEXT NOT NULL, BPF INTEGER NOT "
            "NULL, PPF INTEGER NOT NULL)");
    if (year < 0 || team < 0) {
        return;
    }
    SqliteStmt insert(db, "INSERT INTO parks VALUES (?, ?, ?, ?)");
    while (in.next()) {
        const std::vector<std::string>& f = in.fields();
        // A whole number above 0, else -1 (none).
        auto number = [&](std::ptrdiff_t c) {
            if (c < 0) {
                return -1;
            }
            const std::string& t = f[static_cast<std::size_t>(c)];
            int v = -1;
            const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
            return ec == std::errc() && end == t.data() + t.size() && v > 0 ? v : -1;
        };
        insert.bind(1, static_cast<long long>(number(year)));
        insert.bind(2, std::string_view(f[static_cast<std::size_t>(team)]));
        insert.bind(3, static_cast<long long>(number(bpf)));
        insert.bind(4, static_cast<long long>(number(ppf)));
        insert.run();
    }
}

ParkFactors::ParkFactors(SqliteDb& db) {
    SqliteStmt select(db, "SELECT Year, TeamCode, BPF, PPF FROM parks");
    while (select.step()) {
        m_factors[{static_cast<int>(select.integer(0)), std::string(select.text(1))}] = {
            static_cast<int>(select.integer(2)), static_cast<int>(select.integer(3))};
    }
}

std::pair<int, int> ParkFactors::of(int year, const std::string& teamCode) const {
    const auto it = m_factors.find({year, teamCode});
    return it == m_factors.end() ? std::pair{-1, -1} : it->second;
}

} // namespace bbstatsd
