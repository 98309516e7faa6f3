#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bbstatsd {

class SqliteDb;

// A calendar date of the service's clock.
struct NewsDate {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;   // 1..31
};

// The day before `date`.
NewsDate dayBefore(NewsDate date);
// Reads "YYYY-MM-DD" (a real calendar date); nullopt otherwise.
std::optional<NewsDate> parseNewsDate(std::string_view text);

// One player as the news pages tell of him: name, birth date and his career in the data.
struct NewsPlayer {
    std::string id;
    std::string name; // "First Last"
    int birthYear = -1, birthMonth = -1, birthDay = -1;
    std::string debut; // "YYYY-MM-DD" or empty
    int firstYear = 0, lastYear = 0, seasons = 0;
    // Batting: games, at bats, hits, home runs, runs batted in, stolen bases.
    long long g = 0, ab = 0, h = 0, hr = 0, rbi = 0, sb = 0;
    // Pitching: games, wins, losses, saves, shutouts, strikeouts, outs, earned runs; eraKnown
    // when every pitching season states its earned runs and innings.
    long long pg = 0, w = 0, l = 0, sv = 0, sho = 0, pso = 0, outs = 0, er = 0;
    bool eraKnown = false;

    // Games of both kinds: how the lists rank players.
    long long games() const { return g + pg; }
};

// The news site the service publishes, made from the imported statistics: the ticker lists of
// the players born on a day (headline "First Last (born YYYY)", hint a one-line career summary
// from the data), the baseball page with twelve articles (players whose first game fell on
// this date in an earlier year, then all-time leaders), the summary page the client takes the
// ticker hints from, and the article pages with a player's or club's season lines. The text
// shapes are those the client scrapes: list entries "^^setURL(" + address + ")" and the
// headline, a list ending in "^^end"; headlines in `<B>` and summaries in
// `FACE="VERDANA">...</FONT>` on the following line.
class NewsSite {
public:
    // Reads the players and their careers from the imported statistics file. A file imported
    // before birth dates were kept gives empty ticker lists (hasBirthdays() is false). Throws
    // std::runtime_error naming the file when it cannot be read.
    explicit NewsSite(const std::string& dbPath);
    ~NewsSite();
    NewsSite(const NewsSite&) = delete;
    NewsSite& operator=(const NewsSite&) = delete;

    bool hasBirthdays() const { return m_hasBirthdays; }

    // The ticker list of the players born on today's month and day, or on the day before when
    // `yesterday` (on February 28 of a year that is not a leap year, also those born on February
    // 29), most games first; addresses under siteRoot (ending in "/").
    std::string tickerList(NewsDate today, bool yesterday, const std::string& siteRoot) const;
    // The summary page for the ticker lists of date and the day before.
    std::string summaryPage(NewsDate date) const;
    // The baseball page: twelve articles for date.
    std::string homePage(NewsDate date) const;
    // The article page a query names ("player=ID" or "team=CODE"); nullopt when there is none.
    std::optional<std::string> articlePage(std::string_view query) const;

    // The pages the client's header and link menus name: career batting and pitching
    // leaders, every club with its seasons, the data's tables, and the download and help
    // pages.
    std::string battingLeadersPage() const;
    std::string pitchingLeadersPage() const;
    std::string teamsPage() const;
    std::string dataPage() const;
    static std::string downloadPage();
    static std::string helpPage();

    // The players of a birthday list, in list order, with the headline each is shown under;
    // headlines are unique across the lists of today and the day before, and none is part of
    // another.
    struct Birthday {
        const NewsPlayer* player;
        std::string headline;
    };
    std::vector<Birthday> birthdays(NewsDate today, bool yesterday) const;
    // The one-line career summary of a player.
    static std::string careerSummary(const NewsPlayer& player);

private:
    struct Article {
        std::string title, link, summary;
    };
    std::vector<Article> articles(NewsDate date) const;
    std::vector<const NewsPlayer*> bornOn(NewsDate date) const;
    void loadPlayers(SqliteDb& db);
    void loadLeaders(SqliteDb& db);
    std::string playerPage(const NewsPlayer& player) const;
    std::optional<std::string> teamPage(const std::string& code) const;

    std::vector<NewsPlayer> m_players;
    std::unordered_map<std::string, std::size_t> m_byId;
    bool m_hasBirthdays = false;
    std::vector<Article> m_leaders;
    // Article pages read the season lines on demand; one request at a time.
    mutable std::mutex m_dbMutex;
    std::unique_ptr<SqliteDb> m_db;
};

} // namespace bbstatsd
