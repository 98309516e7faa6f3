// The baseball page of the news site (first games on this date and all-time leaders) and the
// article pages with a player's or club's season lines.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "service/engine/sqlitedb.h"
#include "service/newsformat.h"
#include "service/newssite.h"

namespace bbstatsd {

namespace {

constexpr std::size_t ArticleCount = 12;
constexpr std::size_t MostFirstGames = 4;

std::string playerLink(const NewsPlayer& p) {
    return "/article.asp?player=" + p.id;
}

std::string careerSpan(const NewsPlayer& p) {
    std::string text = std::to_string(p.seasons) + (p.seasons == 1 ? " season (" : " seasons (") +
                       std::to_string(p.firstYear);
    if (p.lastYear != p.firstYear) {
        text += '-';
        text += std::to_string(p.lastYear);
    }
    return text + ")";
}

std::string innings(long long outs) {
    std::string text = news::thousands(outs / 3);
    if (outs % 3 != 0) {
        text += '.';
        text += std::to_string(outs % 3);
    }
    return text;
}

// A career record: who holds it among the players that qualify.
struct CareerRecord {
    const char* title;
    std::function<bool(const NewsPlayer&)> qualifies;
    std::function<double(const NewsPlayer&)> value;
    bool lowest;
    std::function<std::string(const NewsPlayer&)> sentence;
};

// The value of the first line of a query, empty when it has no line.
template <typename Read> bool firstRow(SqliteDb& db, const char* sql, Read&& read) {
    SqliteStmt query(db, sql);
    if (!query.step()) {
        return false;
    }
    read(query);
    return true;
}

// The text of a cell of an article table: integer columns with -1 for missing, reals with
// missing marker 1000000 or a negative value.
std::string cell(SqliteStmt& row, int col, int decimals) {
    if (row.isNull(col)) {
        return "";
    }
    if (decimals < 0) {
        return std::string(row.text(col));
    }
    if (decimals == 0) {
        const long long v = row.integer(col);
        return v < 0 ? "" : std::to_string(v);
    }
    const double v = row.real(col);
    if (v < 0 || v >= 999999.0) {
        return "";
    }
    return decimals == 3 ? news::average(v) : news::fixed(v, decimals);
}

// An HTML table of the rows of a query: headings, then per column the decimals of its
// numbers (-1 text, 0 whole numbers).
std::string seasonTable(SqliteStmt& rows, std::initializer_list<const char*> headings,
                        std::initializer_list<int> decimals) {
    std::string table = "<TABLE BORDER=\"1\" CELLPADDING=\"2\">\r\n<TR>";
    for (const char* heading : headings) {
        table += std::string("<TH>") + heading + "</TH>";
    }
    table += "</TR>\r\n";
    int lines = 0;
    while (rows.step()) {
        table += "<TR>";
        int col = 0;
        for (const int d : decimals) {
            table += "<TD>" + news::html(cell(rows, col++, d)) + "</TD>";
        }
        table += "</TR>\r\n";
        ++lines;
    }
    table += "</TABLE>\r\n";
    return lines == 0 ? std::string() : table;
}

std::string queryValue(std::string_view query, std::string_view key) {
    std::size_t start = 0;
    while (start < query.size()) {
        const auto end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        if (pair.size() > key.size() && pair.starts_with(key) && pair[key.size()] == '=') {
            return std::string(pair.substr(key.size() + 1));
        }
        start = end + 1;
    }
    return {};
}

} // namespace

void NewsSite::loadLeaders(SqliteDb& db) {
    using P = const NewsPlayer&;
    auto any = [](P) { return true; };
    auto counted = [](long long NewsPlayer::*field, const char* verb, const char* noun) {
        return [field, verb, noun](P p) {
            return p.name + " " + verb + " " + news::thousands(p.*field) + " " + noun + " in " +
                   careerSpan(p) + ", the most of any player in the data.";
        };
    };
    auto count = [](long long NewsPlayer::*field) {
        return [field](P p) { return static_cast<double>(p.*field); };
    };
    const CareerRecord records[] = {
        {"Career home runs", any, count(&NewsPlayer::hr), false,
         counted(&NewsPlayer::hr, "hit", "home runs")},
        {"Career hits", any, count(&NewsPlayer::h), false, counted(&NewsPlayer::h, "made", "hits")},
        {"Career runs batted in", any, count(&NewsPlayer::rbi), false,
         counted(&NewsPlayer::rbi, "drove in", "runs")},
        {"Career stolen bases", any, count(&NewsPlayer::sb), false,
         counted(&NewsPlayer::sb, "stole", "bases")},
        {"Career games played", any, count(&NewsPlayer::g), false,
         counted(&NewsPlayer::g, "played in", "games")},
        {"Career batting average", [](P p) { return p.ab >= 3000; },
         [](P p) { return static_cast<double>(p.h) / static_cast<double>(p.ab); }, false,
         [](P p) {
             return p.name + " batted " +
                    news::average(static_cast<double>(p.h) / static_cast<double>(p.ab)) + " in " +
                    careerSpan(p) + ", the best of any player with 3,000 at bats in the data.";
         }},
        {"Career wins", any, count(&NewsPlayer::w), false, counted(&NewsPlayer::w, "won", "games")},
        {"Career strikeouts", any, count(&NewsPlayer::pso), false,
         counted(&NewsPlayer::pso, "struck out", "batters")},
        {"Career saves", any, count(&NewsPlayer::sv), false,
         counted(&NewsPlayer::sv, "saved", "games")},
        {"Career shutouts", any, count(&NewsPlayer::sho), false,
         counted(&NewsPlayer::sho, "threw", "shutouts")},
        {"Career innings pitched", any, count(&NewsPlayer::outs), false,
         [](P p) {
             return p.name + " pitched " + innings(p.outs) + " innings in " + careerSpan(p) +
                    ", the most of any player in the data.";
         }},
        {"Career earned run average", [](P p) { return p.eraKnown && p.outs >= 3000; },
         [](P p) { return 27.0 * static_cast<double>(p.er) / static_cast<double>(p.outs); }, true,
         [](P p) {
             return p.name + " allowed " +
                    news::fixed(27.0 * static_cast<double>(p.er) / static_cast<double>(p.outs), 2) +
                    " earned runs per nine innings in " + careerSpan(p) +
                    ", the fewest of any pitcher with 1,000 innings in the data.";
         }},
    };
    for (const CareerRecord& record : records) {
        const NewsPlayer* best = nullptr;
        double bestValue = 0;
        for (const NewsPlayer& p : m_players) {
            if (!record.qualifies(p)) {
                continue;
            }
            const double v = record.value(p);
            if (best == nullptr || (record.lowest ? v < bestValue : v > bestValue)) {
                best = &p;
                bestValue = v;
            }
        }
        if (best != nullptr) {
            m_leaders.push_back({std::string(record.title) + ": " + best->name, playerLink(*best),
                                 record.sentence(*best)});
        }
    }

    // Single seasons, from the season lines (a season with two clubs counts whole).
    auto seasonRecord = [&](const char* title, const char* sql, const char* verb,
                            const char* noun) {
        firstRow(db, sql, [&](SqliteStmt& row) {
            const auto it = m_byId.find(std::string(row.text(0)));
            if (it == m_byId.end()) {
                return;
            }
            const NewsPlayer& p = m_players[it->second];
            const std::string year = std::to_string(row.integer(1));
            m_leaders.push_back({std::string(title) + ": " + p.name, playerLink(p),
                                 p.name + " " + verb + " " + news::thousands(row.integer(2)) + " " +
                                     noun + " in " + year +
                                     ", the most by any player in one season in the data."});
        });
    };
    seasonRecord("Season home runs",
                 "SELECT PlayerID, Year, SUM(MAX(HR, 0)) AS v FROM batters GROUP BY PlayerID, "
                 "Year ORDER BY v DESC, Year LIMIT 1",
                 "hit", "home runs");
    seasonRecord("Season wins by a pitcher",
                 "SELECT PlayerID, Year, SUM(MAX(W, 0)) AS v FROM pitchers GROUP BY PlayerID, "
                 "Year ORDER BY v DESC, Year LIMIT 1",
                 "won", "games");
    seasonRecord("Season strikeouts by a pitcher",
                 "SELECT PlayerID, Year, SUM(MAX(SO, 0)) AS v FROM pitchers GROUP BY PlayerID, "
                 "Year ORDER BY v DESC, Year LIMIT 1",
                 "struck out", "batters");
    firstRow(db,
             "SELECT TeamCode, TeamName, Year, W, L FROM teams WHERE W >= 0 AND L >= 0 "
             "ORDER BY W DESC, 1.0 * W / (W + L) DESC LIMIT 1",
             [&](SqliteStmt& row) {
                 const std::string club =
                     std::to_string(row.integer(2)) + " " + std::string(row.text(1));
                 m_leaders.push_back({"Club wins in a season: " + club,
                                      "/article.asp?team=" + std::string(row.text(0)),
                                      "The " + club + " won " + std::to_string(row.integer(3)) +
                                          " games and lost " + std::to_string(row.integer(4)) +
                                          ", the most wins by a club in one season."});
             });
}

std::vector<NewsSite::Article> NewsSite::articles(NewsDate date) const {
    std::vector<Article> list;
    // Players whose first game in the data fell on this date in an earlier year.
    char monthDay[8];
    std::snprintf(monthDay, sizeof monthDay, "-%02d-%02d", date.month, date.day);
    std::vector<const NewsPlayer*> firsts;
    for (const NewsPlayer& p : m_players) {
        if (p.debut.size() == 10 && p.debut.ends_with(monthDay) &&
            std::atoi(p.debut.c_str()) < date.year) {
            firsts.push_back(&p);
        }
    }
    std::sort(firsts.begin(), firsts.end(), [](const NewsPlayer* a, const NewsPlayer* b) {
        return a->games() != b->games() ? a->games() > b->games() : a->id < b->id;
    });
    for (std::size_t i = 0; i < firsts.size() && i < MostFirstGames; ++i) {
        const NewsPlayer& p = *firsts[i];
        const int year = std::atoi(p.debut.c_str());
        list.push_back({"First game on this date: " + p.name, playerLink(p),
                        p.name + " played his first game on " +
                            news::longDate(year, date.month, date.day) + ". " + careerSummary(p) +
                            "."});
    }
    // The leaders fill the page, starting at a place that moves with the day of the year.
    if (!m_leaders.empty()) {
        const auto day = std::chrono::sys_days{
            std::chrono::year{date.year} / std::chrono::month{static_cast<unsigned>(date.month)} /
            std::chrono::day{static_cast<unsigned>(date.day)}};
        const auto start =
            static_cast<std::size_t>(day.time_since_epoch().count()) % m_leaders.size();
        for (std::size_t i = 0; list.size() < ArticleCount && i < m_leaders.size(); ++i) {
            list.push_back(m_leaders[(start + i) % m_leaders.size()]);
        }
    }
    return list;
}

std::string NewsSite::homePage(NewsDate date) const {
    std::string page = news::pageStart("Baseball") + "<TABLE>\r\n";
    for (const Article& a : articles(date)) {
        page += "<TR><TD><a href=\"" + a.link + "\"><B>" + a.title + "</B></a></TD></TR>\r\n";
        page += "<TR><TD><FONT SIZE=\"1\" FACE=\"VERDANA\">" + a.summary + "</FONT></TD></TR>\r\n";
    }
    return page + "</TABLE>\r\n" + news::pageEnd();
}

std::optional<std::string> NewsSite::articlePage(std::string_view query) const {
    const std::string player = queryValue(query, "player");
    if (!player.empty()) {
        const auto it = m_byId.find(player);
        if (it == m_byId.end()) {
            return std::nullopt;
        }
        return playerPage(m_players[it->second]);
    }
    const std::string team = queryValue(query, "team");
    return team.empty() ? std::nullopt : teamPage(team);
}

std::string NewsSite::playerPage(const NewsPlayer& p) const {
    std::string page = news::pageStart(p.name);
    std::string about;
    if (p.birthMonth > 0 && p.birthDay > 0) {
        about = "Born " + news::longDate(p.birthYear, p.birthMonth, p.birthDay) + ". ";
    }
    page += "<P>" + news::html(about + careerSummary(p) + ".") + "</P>\r\n";
    const std::lock_guard lock(m_dbMutex);
    SqliteStmt batting(*m_db, "SELECT Year, TeamName, League, G, AB, RS, H, D, T, HR, RBI, BB, "
                              "SO, SB, AVG, OBP, SLG FROM batters WHERE PlayerID = ? "
                              "ORDER BY Year, Stint");
    batting.bind(1, p.id);
    const std::string bat = seasonTable(batting,
                                        {"Year", "Team", "Lg", "G", "AB", "R", "H", "2B", "3B",
                                         "HR", "RBI", "BB", "SO", "SB", "AVG", "OBP", "SLG"},
                                        {0, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3});
    if (!bat.empty()) {
        page += "<H2>Batting</H2>\r\n" + bat;
    }
    SqliteStmt pitching(*m_db, "SELECT Year, TeamName, League, W, L, ERA, G, GS, CG, SHO, SV, "
                               "IP, H, ER, HR, BB, SO FROM pitchers WHERE PlayerID = ? "
                               "ORDER BY Year, Stint");
    pitching.bind(1, p.id);
    const std::string pit = seasonTable(pitching,
                                        {"Year", "Team", "Lg", "W", "L", "ERA", "G", "GS", "CG",
                                         "SHO", "SV", "IP", "H", "ER", "HR", "BB", "SO"},
                                        {0, -1, -1, 0, 0, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0});
    if (!pit.empty()) {
        page += "<H2>Pitching</H2>\r\n" + pit;
    }
    return page + news::pageEnd();
}

std::optional<std::string> NewsSite::teamPage(const std::string& code) const {
    const std::lock_guard lock(m_dbMutex);
    SqliteStmt name(*m_db, "SELECT TeamName FROM teams WHERE TeamCode = ? ORDER BY Year DESC "
                           "LIMIT 1");
    name.bind(1, code);
    if (!name.step()) {
        return std::nullopt;
    }
    std::string page = news::pageStart(std::string(name.text(0)) + " (" + code + ")");
    // R and RA are runs scored and runs allowed (the table's own RA is relief appearances).
    SqliteStmt seasons(*m_db, "SELECT Year, TeamName, League, Division, G, W, L, WLPct, GB, RS, "
                              "OppRS, HR, AVG, ERA FROM teams WHERE TeamCode = ? ORDER BY Year");
    seasons.bind(1, code);
    page += seasonTable(
        seasons,
        {"Year", "Team", "Lg", "Div", "G", "W", "L", "W-L%", "GB", "R", "RA", "HR", "AVG", "ERA"},
        {0, -1, -1, -1, 0, 0, 0, 3, 1, 0, 0, 0, 3, 2});
    return page + news::pageEnd();
}

} // namespace bbstatsd
