#include "service/newssite.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <map>

#include "service/engine/sqlitedb.h"
#include "service/newsformat.h"

namespace bbstatsd {

namespace {

namespace chr = std::chrono;

chr::year_month_day toCalendar(NewsDate date) {
    return chr::year{date.year} / chr::month{static_cast<unsigned>(date.month)} /
           chr::day{static_cast<unsigned>(date.day)};
}

// "Last, First" as the statistics tables hold it, as "First Last".
std::string displayName(std::string_view tableName) {
    const auto comma = tableName.find(", ");
    if (comma == std::string_view::npos) {
        return std::string(tableName);
    }
    return std::string(tableName.substr(comma + 2)) + " " + std::string(tableName.substr(0, comma));
}

bool tableExists(SqliteDb& db, const char* name) {
    SqliteStmt query(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    query.bind(1, std::string_view(name));
    return query.step();
}

std::string seasonsText(const NewsPlayer& p) {
    std::string text = std::to_string(p.seasons) + (p.seasons == 1 ? " season, " : " seasons, ");
    text += std::to_string(p.firstYear);
    if (p.lastYear != p.firstYear) {
        text += '-';
        text += std::to_string(p.lastYear);
    }
    return text;
}

std::string battingText(const NewsPlayer& p) {
    return news::average(static_cast<double>(p.h) / static_cast<double>(p.ab)) + " average, " +
           news::thousands(p.h) + (p.h == 1 ? " hit, " : " hits, ") + news::thousands(p.hr) +
           (p.hr == 1 ? " home run" : " home runs");
}

std::string pitchingText(const NewsPlayer& p, bool strikeouts) {
    std::string text = std::to_string(p.w) + "-" + std::to_string(p.l);
    if (p.eraKnown && p.outs > 0) {
        text += ", " +
                news::fixed(27.0 * static_cast<double>(p.er) / static_cast<double>(p.outs), 2) +
                " ERA";
    }
    if (strikeouts) {
        text += ", " + news::thousands(p.pso) + (p.pso == 1 ? " strikeout" : " strikeouts");
    }
    return text;
}

} // namespace

NewsDate dayBefore(NewsDate date) {
    const chr::year_month_day before{chr::sys_days{toCalendar(date)} - chr::days{1}};
    return {static_cast<int>(before.year()),
            static_cast<int>(static_cast<unsigned>(before.month())),
            static_cast<int>(static_cast<unsigned>(before.day()))};
}

std::optional<NewsDate> parseNewsDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    NewsDate date;
    const auto read = [&](std::size_t at, std::size_t length, int& out) {
        const auto [end, ec] = std::from_chars(text.data() + at, text.data() + at + length, out);
        return ec == std::errc() && end == text.data() + at + length;
    };
    if (!read(0, 4, date.year) || !read(5, 2, date.month) || !read(8, 2, date.day) ||
        date.month < 1 || date.day < 1 || !toCalendar(date).ok()) {
        return std::nullopt;
    }
    return date;
}

NewsSite::NewsSite(const std::string& dbPath) : m_db(std::make_unique<SqliteDb>(dbPath, true)) {
    loadPlayers(*m_db);
    loadLeaders(*m_db);
}

NewsSite::~NewsSite() = default;

void NewsSite::loadPlayers(SqliteDb& db) {
    auto player = [this](std::string_view id, std::string_view tableName) -> NewsPlayer& {
        const auto [it, fresh] = m_byId.try_emplace(std::string(id), m_players.size());
        if (fresh) {
            NewsPlayer p;
            p.id = std::string(id);
            p.name = displayName(tableName);
            m_players.push_back(std::move(p));
        }
        return m_players[it->second];
    };
    // Missing counts are stored as -1: career totals add the seasons that state them.
    SqliteStmt batting(db, "SELECT PlayerID, MIN(PlayerName), MIN(Year), MAX(Year), "
                           "SUM(MAX(G, 0)), SUM(MAX(AB, 0)), SUM(MAX(H, 0)), SUM(MAX(HR, 0)), "
                           "SUM(MAX(RBI, 0)), SUM(MAX(SB, 0)) FROM batters GROUP BY PlayerID");
    while (batting.step()) {
        NewsPlayer& p = player(batting.text(0), batting.text(1));
        p.firstYear = static_cast<int>(batting.integer(2));
        p.lastYear = static_cast<int>(batting.integer(3));
        p.g = batting.integer(4);
        p.ab = batting.integer(5);
        p.h = batting.integer(6);
        p.hr = batting.integer(7);
        p.rbi = batting.integer(8);
        p.sb = batting.integer(9);
    }
    // Innings are stored in box-score form (304.2 is 304 innings and 2 outs).
    SqliteStmt pitching(
        db, "SELECT PlayerID, MIN(PlayerName), MIN(Year), MAX(Year), SUM(MAX(G, 0)), "
            "SUM(MAX(W, 0)), SUM(MAX(L, 0)), SUM(MAX(SV, 0)), SUM(MAX(SHO, 0)), SUM(MAX(SO, 0)), "
            "SUM(CASE WHEN IP >= 0 THEN CAST(IP AS INTEGER) * 3 + "
            "CAST(ROUND((IP - CAST(IP AS INTEGER)) * 10) AS INTEGER) ELSE 0 END), "
            "SUM(MAX(ER, 0)), SUM(CASE WHEN ER < 0 OR IP < 0 THEN 1 ELSE 0 END) "
            "FROM pitchers GROUP BY PlayerID");
    while (pitching.step()) {
        NewsPlayer& p = player(pitching.text(0), pitching.text(1));
        const int first = static_cast<int>(pitching.integer(2));
        const int last = static_cast<int>(pitching.integer(3));
        p.firstYear = p.firstYear == 0 ? first : std::min(p.firstYear, first);
        p.lastYear = std::max(p.lastYear, last);
        p.pg = pitching.integer(4);
        p.w = pitching.integer(5);
        p.l = pitching.integer(6);
        p.sv = pitching.integer(7);
        p.sho = pitching.integer(8);
        p.pso = pitching.integer(9);
        p.outs = pitching.integer(10);
        p.er = pitching.integer(11);
        p.eraKnown = pitching.integer(12) == 0;
    }
    SqliteStmt seasons(db, "SELECT PlayerID, COUNT(DISTINCT Year) FROM (SELECT PlayerID, Year "
                           "FROM batters UNION SELECT PlayerID, Year FROM pitchers) "
                           "GROUP BY PlayerID");
    while (seasons.step()) {
        const auto it = m_byId.find(std::string(seasons.text(0)));
        if (it != m_byId.end()) {
            m_players[it->second].seasons = static_cast<int>(seasons.integer(1));
        }
    }
    m_hasBirthdays = tableExists(db, "people");
    if (!m_hasBirthdays) {
        return;
    }
    SqliteStmt people(db, "SELECT PlayerID, NameFirst, NameLast, BirthYear, BirthMonth, "
                          "BirthDay, Debut FROM people");
    while (people.step()) {
        const auto it = m_byId.find(std::string(people.text(0)));
        if (it == m_byId.end()) {
            continue; // no batting or pitching line: not a player of the data
        }
        NewsPlayer& p = m_players[it->second];
        const std::string first(people.text(1));
        const std::string last(people.text(2));
        if (!last.empty()) {
            p.name = first.empty() ? last : first + " " + last;
        }
        p.birthYear = static_cast<int>(people.integer(3));
        p.birthMonth = static_cast<int>(people.integer(4));
        p.birthDay = static_cast<int>(people.integer(5));
        p.debut = std::string(people.text(6));
    }
}

std::string NewsSite::careerSummary(const NewsPlayer& p) {
    std::string text = seasonsText(p) + ": ";
    const bool pitcher = p.pg > 0 && p.pg * 2 >= p.g;
    if (pitcher) {
        text += "pitched " + pitchingText(p, true);
        if (p.ab >= 1000) {
            text += "; batted " + battingText(p);
        }
    } else if (p.ab > 0) {
        text += battingText(p);
        if (p.w + p.l >= 20) {
            text += "; as a pitcher " + pitchingText(p, false);
        }
    } else {
        text += news::thousands(p.g) + (p.g == 1 ? " game" : " games");
    }
    return text;
}

std::vector<const NewsPlayer*> NewsSite::bornOn(NewsDate date) const {
    const bool leapDayToo = date.month == 2 && date.day == 28 && !chr::year{date.year}.is_leap();
    std::vector<const NewsPlayer*> born;
    for (const NewsPlayer& p : m_players) {
        if (p.birthMonth == date.month &&
            (p.birthDay == date.day || (leapDayToo && p.birthDay == 29))) {
            born.push_back(&p);
        }
    }
    std::sort(born.begin(), born.end(), [](const NewsPlayer* a, const NewsPlayer* b) {
        if (a->games() != b->games()) {
            return a->games() > b->games();
        }
        return a->name != b->name ? a->name < b->name : a->id < b->id;
    });
    return born;
}

std::vector<NewsSite::Birthday> NewsSite::birthdays(NewsDate today, bool yesterday) const {
    // Both lists are made together so that no headline is part of another anywhere on the
    // summary page: the client matches a headline wherever it occurs. A headline that would be
    // carries the player's identity, which no other headline holds.
    std::vector<Birthday> both;
    const std::vector<const NewsPlayer*> lists[] = {bornOn(today), bornOn(dayBefore(today))};
    for (const auto& list : lists) {
        for (const NewsPlayer* p : list) {
            const std::string born = p->birthYear > 0 ? std::to_string(p->birthYear) : "?";
            both.push_back({p, p->name + " (born " + born + ")"});
        }
    }
    std::vector<bool> clash(both.size(), false);
    for (std::size_t i = 0; i < both.size(); ++i) {
        for (std::size_t j = 0; j < both.size(); ++j) {
            if (i != j && both[j].headline.find(both[i].headline) != std::string::npos) {
                clash[i] = clash[j] = true;
            }
        }
    }
    for (std::size_t i = 0; i < both.size(); ++i) {
        if (clash[i]) {
            std::string& headline = both[i].headline;
            headline.insert(headline.size() - 1, ", " + both[i].player->id);
        }
    }
    const std::size_t todayCount = lists[0].size();
    return yesterday
               ? std::vector<Birthday>(both.begin() + static_cast<long>(todayCount), both.end())
               : std::vector<Birthday>(both.begin(), both.begin() + static_cast<long>(todayCount));
}

std::string NewsSite::tickerList(NewsDate today, bool yesterday,
                                 const std::string& siteRoot) const {
    std::string text;
    for (const Birthday& b : birthdays(today, yesterday)) {
        text += "^^setURL(" + siteRoot + "article.asp?player=" + b.player->id + ")\r\n";
        text += b.headline + "\r\n";
    }
    // The client never matches a list's last line, so the list ends with one of its own.
    text += "^^end\r\n";
    return text;
}

std::string NewsSite::summaryPage(NewsDate date) const {
    std::string page = "<HTML>\r\n<HEAD><TITLE>Baseball birthdays</TITLE></HEAD>\r\n<BODY>\r\n"
                       "<TABLE>\r\n";
    for (const bool yesterday : {false, true}) {
        for (const Birthday& b : birthdays(date, yesterday)) {
            const NewsPlayer& p = *b.player;
            // Each hint starts with its own birth date, so that no hint occurs in another
            // line of this page (the client matches inserted hints too).
            page += "<TR><TD><B>" + b.headline + "</B></TD></TR>\r\n";
            page += "<TR><TD><FONT SIZE=\"1\" FACE=\"VERDANA\">Born " +
                    news::longDate(p.birthYear, p.birthMonth, p.birthDay) + ". " +
                    careerSummary(p) + "</FONT></TD></TR>\r\n";
        }
    }
    page += "</TABLE>\r\n<P>Baseball statistics from the Lahman Baseball Database by Sean "
            "Lahman, licensed under CC BY-SA 3.0.</P>\r\n</BODY>\r\n</HTML>\r\n";
    return page;
}

} // namespace bbstatsd
