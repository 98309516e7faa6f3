// The pages the client's header and link menus name besides the news: the batting and
// pitching leaders, the clubs, the data, download and help pages. Leaders and clubs come from
// the imported statistics; the other three tell of the data and of the program.

#include <algorithm>
#include <functional>

#include "service/engine/sqlitedb.h"
#include "service/newsformat.h"
#include "service/newssite.h"

namespace bbstatsd {

namespace {

constexpr std::size_t LeadersShown = 10;

// One leader list: who qualifies, his value, its text, whether the lowest leads.
struct LeaderList {
    const char* title;
    std::function<bool(const NewsPlayer&)> qualifies;
    std::function<double(const NewsPlayer&)> value;
    std::function<std::string(const NewsPlayer&)> text;
    bool lowest = false;
};

std::string years(const NewsPlayer& p) {
    return p.firstYear == p.lastYear
               ? std::to_string(p.firstYear)
               : std::to_string(p.firstYear) + "-" + std::to_string(p.lastYear);
}

std::string inningsText(long long outs) {
    std::string text = news::thousands(outs / 3);
    if (outs % 3 != 0) {
        text += '.';
        text += std::to_string(outs % 3);
    }
    return text;
}

std::string link(const std::string& address, const std::string& text) {
    return "<A HREF=\"" + news::html(address) + "\">" + news::html(text) + "</A>";
}

// The links between the site's pages, at the top of each.
std::string siteLinks() {
    return "<P>" + link("/", "Home") + " | " + link("/leaders/batting.html", "Batting") + " | " +
           link("/leaders/pitching.html", "Pitching") + " | " + link("/teams.html", "Teams") +
           " | " + link("/home.asp?category=Baseball", "News") + " | " +
           link("/data.html", "Data") + " | " + link("/download.html", "Download") + " | " +
           link("/help.html", "Help") + "</P>\r\n";
}

std::string paragraph(const std::string& text) {
    return "<P>" + news::html(text) + "</P>\r\n";
}

std::string leadersPage(const std::vector<NewsPlayer>& players, const char* title,
                        std::initializer_list<LeaderList> lists) {
    std::string page = news::pageStart(title) + siteLinks();
    for (const LeaderList& list : lists) {
        std::vector<const NewsPlayer*> ranked;
        for (const NewsPlayer& p : players) {
            if (list.qualifies(p)) {
                ranked.push_back(&p);
            }
        }
        const std::size_t shown = std::min(ranked.size(), LeadersShown);
        std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(shown),
                          ranked.end(), [&](const NewsPlayer* a, const NewsPlayer* b) {
                              const double x = list.value(*a);
                              const double y = list.value(*b);
                              if (x != y) {
                                  return list.lowest ? x < y : x > y;
                              }
                              return a->name < b->name;
                          });
        page += "<H2>" + news::html(list.title) +
                "</H2>\r\n<TABLE BORDER=\"1\" "
                "CELLPADDING=\"2\">\r\n<TR><TH>#</TH><TH>Player</TH><TH>Years</TH>"
                "<TH>Total</TH></TR>\r\n";
        for (std::size_t i = 0; i < shown; ++i) {
            const NewsPlayer& p = *ranked[i];
            page += "<TR><TD>" + std::to_string(i + 1) + "</TD><TD>" +
                    link("/article.asp?player=" + p.id, p.name) + "</TD><TD>" + years(p) +
                    "</TD><TD>" + news::html(list.text(p)) + "</TD></TR>\r\n";
        }
        page += "</TABLE>\r\n";
    }
    return page + news::pageEnd();
}

using P = const NewsPlayer&;

LeaderList counted(const char* title, long long NewsPlayer::*field) {
    return {title, [field](P p) { return p.*field > 0; },
            [field](P p) { return static_cast<double>(p.*field); },
            [field](P p) { return news::thousands(p.*field); }};
}

} // namespace

std::string NewsSite::battingLeadersPage() const {
    const auto average = [](P p) { return static_cast<double>(p.h) / static_cast<double>(p.ab); };
    return leadersPage(
        m_players, "Career batting leaders",
        {counted("Home runs", &NewsPlayer::hr),
         counted("Hits", &NewsPlayer::h),
         counted("Runs batted in", &NewsPlayer::rbi),
         counted("Stolen bases", &NewsPlayer::sb),
         counted("Games played", &NewsPlayer::g),
         {"Batting average (3,000 at bats or more)", [](P p) { return p.ab >= 3000; }, average,
          [average](P p) { return news::average(average(p)); }}});
}

std::string NewsSite::pitchingLeadersPage() const {
    const auto era = [](P p) {
        return 27.0 * static_cast<double>(p.er) / static_cast<double>(p.outs);
    };
    return leadersPage(
        m_players, "Career pitching leaders",
        {counted("Wins", &NewsPlayer::w),
         counted("Strikeouts", &NewsPlayer::pso),
         counted("Saves", &NewsPlayer::sv),
         counted("Shutouts", &NewsPlayer::sho),
         {"Innings pitched", [](P p) { return p.outs > 0; },
          [](P p) { return static_cast<double>(p.outs); }, [](P p) { return inningsText(p.outs); }},
         {"Earned run average (1,000 innings or more)",
          [](P p) { return p.eraKnown && p.outs >= 3000; }, era,
          [era](P p) { return news::fixed(era(p), 2); }, true}});
}

std::string NewsSite::teamsPage() const {
    std::string page = news::pageStart("Team histories") + siteLinks() +
                       paragraph("Every club in the data under its latest name, with its "
                                 "seasons, wins and losses; each links to its season lines.") +
                       "<TABLE BORDER=\"1\" CELLPADDING=\"2\">\r\n<TR><TH>Club</TH><TH>Code"
                       "</TH><TH>Years</TH><TH>Seasons</TH><TH>W</TH><TH>L</TH></TR>\r\n";
    const std::lock_guard lock(m_dbMutex);
    SqliteStmt clubs(*m_db,
                     "SELECT TeamCode, (SELECT TeamName FROM teams AS last WHERE last.TeamCode = "
                     "t.TeamCode ORDER BY Year DESC LIMIT 1) AS name, MIN(Year), MAX(Year), "
                     "COUNT(*), SUM(MAX(W, 0)), SUM(MAX(L, 0)) FROM teams AS t GROUP BY TeamCode "
                     "ORDER BY name, MIN(Year)");
    while (clubs.step()) {
        const std::string code(clubs.text(0));
        const long long first = clubs.integer(2);
        const long long last = clubs.integer(3);
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal
        // joined to a temporary string.
        std::string years = std::to_string(first);
        if (last != first) {
            years.append(1, '-').append(std::to_string(last));
        }
        page.append("<TR><TD>")
            .append(link("/article.asp?team=" + code, std::string(clubs.text(1))))
            .append("</TD><TD>")
            .append(news::html(code))
            .append("</TD><TD>")
            .append(years)
            .append("</TD><TD>")
            .append(std::to_string(clubs.integer(4)))
            .append("</TD><TD>")
            .append(news::thousands(clubs.integer(5)))
            .append("</TD><TD>")
            .append(news::thousands(clubs.integer(6)))
            .append("</TD></TR>\r\n");
    }
    return page + "</TABLE>\r\n" + news::pageEnd();
}

std::string NewsSite::dataPage() const {
    std::string page = news::pageStart("About the data") + siteLinks() +
                       paragraph("The statistics come from the Lahman Baseball Database, "
                                 "imported by the service into one file: batting, pitching, "
                                 "fielding and team seasons, and the people who played them.") +
                       "<TABLE BORDER=\"1\" CELLPADDING=\"2\">\r\n<TR><TH>Database</TH>"
                       "<TH>Season lines</TH><TH>Years</TH></TR>\r\n";
    const std::lock_guard lock(m_dbMutex);
    for (const auto& [table, name] :
         {std::pair{"batters", "Batters"}, std::pair{"pitchers", "Pitchers"},
          std::pair{"fielders", "Fielders"}, std::pair{"teams", "Teams"}}) {
        SqliteStmt count(*m_db, std::string("SELECT COUNT(*), MIN(Year), MAX(Year) FROM ") + table);
        if (count.step()) {
            page += std::string("<TR><TD>") + name + "</TD><TD>" +
                    news::thousands(count.integer(0)) + "</TD><TD>" +
                    std::to_string(count.integer(1)) + "-" + std::to_string(count.integer(2)) +
                    "</TD></TR>\r\n";
        }
    }
    page += "</TABLE>\r\n" +
            paragraph(news::thousands(static_cast<long long>(m_players.size())) +
                      " players have a batting or pitching line.") +
            paragraph("A season with two or more clubs has one line per club. Figures the "
                      "source does not state (for example caught stealing in early seasons) "
                      "show as \"---\" in the program and are left out of its totals; averages "
                      "are worked out from the counts.") +
            paragraph("Exported and copied data keeps the database's license, CC BY-SA 3.0: "
                      "pass its attribution line on with it.");
    return page + news::pageEnd();
}

std::string NewsSite::downloadPage() {
    return news::pageStart("Download") + siteLinks() +
           paragraph("The program and its statistics service are built from their source on "
                     "Debian 12. In the source folder, as root (or with sudo):") +
           "<PRE>./run     # installs what is missing, builds, starts the service and the "
           "program\r\n./test    # builds the debug build and runs every test</PRE>\r\n" +
           paragraph("The first build takes a few minutes. ./run imports the Lahman CSV files "
                     "(LAHMAN_DIR, else ../shared/data/lahman) into its working folder "
                     "(~/.local/share/bbstats, or BBSTATS_HOME) and starts the service on "
                     "127.0.0.1-3:8461 beside the program.") +
           paragraph("The Lahman Baseball Database itself is published by Sean Lahman at "
                     "seanlahman.com, also in the R package \"Lahman\".") +
           news::pageEnd();
}

std::string NewsSite::helpPage() {
    return news::pageStart("Help") + siteLinks() +
           paragraph("Open a database (Batters, Pitchers, Fielders or Teams) from the "
                     "Databases menu. Each window shows one page of records at a time; the "
                     "service sorts, selects and limits them.") +
           paragraph("Sort orders by up to four fields. Select keeps chosen players, teams, "
                     "years, leagues or positions: type a name to jump to it (blanks "
                     "included); Space ticks the line once you pause. Limit keeps the records "
                     "whose field lies "
                     "between a minimum and a maximum (numbers for numeric fields, text order "
                     "for names). Reset takes every selection and limit back.") +
           paragraph("Double-click a column title to hide it; Unhide brings it back. Colour "
                     "Options paints alternate bands of rows by a field.") +
           paragraph("Ctrl+C copies the selected rows, Ctrl+E exports the whole result to a "
                     "CSV file, Ctrl+Z undoes the last Sort, Select, Limit or Reset, Ctrl+P "
                     "prints. The right mouse button opens a column's context menu.") +
           paragraph("Print chooses the columns and their widths; Printer Setup chooses the "
                     "paper size, orientation and margins, also when the print goes to a PDF "
                     "file.") +
           news::pageEnd();
}

} // namespace bbstatsd
