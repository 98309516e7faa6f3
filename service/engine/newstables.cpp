#include "service/engine/newstables.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "service/engine/csvreader.h"
#include "service/engine/sqlitedb.h"

namespace bbstatsd {

namespace {

// Control characters would break the line-oriented news lists: they become blanks.
std::string clean(std::string s) {
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return s;
}

} // namespace

void writeNewsTables(const std::string& dir, SqliteDb& db) {
    // The other tables of the import have already checked the header; the birth and career
    // dates are optional, so older or trimmed copies of the file still import.
    CsvTable in(dir, "People.csv", {}, {});
    const std::ptrdiff_t id = in.find("playerID"), first = in.find("nameFirst"),
                         last = in.find("nameLast"), year = in.find("birthYear"),
                         month = in.find("birthMonth"), day = in.find("birthDay"),
                         debut = in.find("debut"), finalGame = in.find("finalGame");
    db.exec("CREATE TABLE people (PlayerID TEXT PRIMARY KEY, NameFirst TEXT NOT NULL, NameLast "
            "TEXT NOT NULL, BirthYear INTEGER NOT NULL, BirthMonth INTEGER NOT NULL, BirthDay "
            "INTEGER NOT NULL, Debut TEXT NOT NULL, FinalGame TEXT NOT NULL)");
    SqliteStmt insert(db, "INSERT INTO people VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    while (in.next()) {
        const std::vector<std::string>& f = in.fields();
        auto text = [&](std::ptrdiff_t c) {
            return c < 0 ? std::string() : clean(f[static_cast<std::size_t>(c)]);
        };
        // A whole number 1..9999, else -1 (unknown).
        auto number = [&](std::ptrdiff_t c) {
            const std::string t = text(c);
            int v = -1;
            const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
            return ec == std::errc() && end == t.data() + t.size() && v > 0 ? v : -1;
        };
        insert.bind(1, text(id));
        insert.bind(2, text(first));
        insert.bind(3, text(last));
        insert.bind(4, static_cast<long long>(number(year)));
        insert.bind(5, static_cast<long long>(number(month)));
        insert.bind(6, static_cast<long long>(number(day)));
        insert.bind(7, text(debut));
        insert.bind(8, text(finalGame));
        insert.run();
    }
    // An article page reads one player's seasons; without these it would scan every line.
    db.exec("CREATE INDEX batters_player ON batters (PlayerID, Year)");
    db.exec("CREATE INDEX pitchers_player ON pitchers (PlayerID, Year)");
}

} // namespace bbstatsd
