#include "service/engine/playerfacts.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

#include "service/engine/csvreader.h"
#include "service/engine/sqlitedb.h"

namespace bbstatsd {

namespace {

// Control characters, tabs included, would break the KEY TAB VALUE lines: they become blanks.
std::string clean(std::string s) {
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return s;
}

// A whole number in [low, high], else -1.
int number(const std::string& text, int low, int high) {
    int v = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size() && v >= low && v <= high ? v : -1;
}

// "YYYY-MM-DD", "YYYY-MM" or "YYYY" as far as the parts are known; empty without a year.
std::string date(const std::string& year, const std::string& month, const std::string& day) {
    const int y = number(year, 1, 9999);
    if (y < 0) {
        return {};
    }
    char text[40];
    const int m = number(month, 1, 12);
    const int d = m < 0 ? -1 : number(day, 1, 31);
    if (d > 0) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    } else if (m > 0) {
        std::snprintf(text, sizeof text, "%04d-%02d", y, m);
    } else {
        std::snprintf(text, sizeof text, "%04d", y);
    }
    return text;
}

// The known parts joined with ", ".
std::string place(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& part : parts) {
        if (!part.empty()) {
            out += (out.empty() ? "" : ", ") + part;
        }
    }
    return out;
}

} // namespace

void writePlayerFacts(const std::string& dir, SqliteDb& db) {
    // The record tables have already checked the file's header and its player codes.
    CsvTable in(dir, "People.csv", {}, {});
    const char* const names[] = {
        "playerID", "nameFirst", "nameLast",   "nameGiven",    "birthYear", "birthMonth",
        "birthDay", "birthCity", "birthState", "birthCountry", "deathYear", "deathMonth",
        "deathDay", "deathCity", "deathState", "deathCountry", "bats",      "throws",
        "height",   "weight",    "debut",      "finalGame",    "bbrefID",   "retroID"};
    std::vector<std::ptrdiff_t> at;
    for (const char* name : names) {
        at.push_back(in.find(name));
    }
    db.exec("CREATE TABLE player_facts (PlayerID TEXT PRIMARY KEY, NameFirst TEXT NOT NULL, "
            "NameLast TEXT NOT NULL, NameGiven TEXT NOT NULL, Born TEXT NOT NULL, BirthPlace "
            "TEXT NOT NULL, Died TEXT NOT NULL, DeathPlace TEXT NOT NULL, Bats TEXT NOT NULL, "
            "Throws TEXT NOT NULL, Height TEXT NOT NULL, Weight TEXT NOT NULL, Debut TEXT NOT "
            "NULL, FinalGame TEXT NOT NULL, BbrefID TEXT NOT NULL, RetroID TEXT NOT NULL)");
    SqliteStmt insert(db, "INSERT INTO player_facts VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                          "?, ?, ?, ?)");
    while (in.next()) {
        const std::vector<std::string>& f = in.fields();
        auto text = [&](int i) {
            const std::ptrdiff_t c = at[static_cast<std::size_t>(i)];
            return c < 0 ? std::string() : clean(f[static_cast<std::size_t>(c)]);
        };
        auto whole = [&](int i) {
            const int v = number(text(i), 1, 9999);
            return v < 0 ? std::string() : std::to_string(v);
        };
        const std::string bats = text(16);
        const std::string values[] = {text(0),
                                      text(1),
                                      text(2),
                                      text(3),
                                      date(text(4), text(5), text(6)),
                                      place({text(7), text(8), text(9)}),
                                      date(text(10), text(11), text(12)),
                                      place({text(13), text(14), text(15)}),
                                      bats == "B" ? std::string("S") : bats,
                                      text(17),
                                      whole(18),
                                      whole(19),
                                      text(20),
                                      text(21),
                                      text(22),
                                      text(23)};
        for (int i = 0; i < 16; ++i) {
            insert.bind(i + 1, std::string_view(values[i]));
        }
        insert.run();
    }
}

} // namespace bbstatsd
