// The whole-table check, on the real data imported by the lahman_db fixture: every record the
// service sends for the four tables, its derived figures recomputed here from the Lahman CSVs
// with the standard definitions of record keeping, and the totals records of a few dozen
// selections recomputed from those records. Every line must agree exactly: a real is sent as
// the client shows it, the exact value rounded once, half up, to the decimals shown. Nothing
// here uses the importer's code.
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "service/engine/engine.h"
#include "tests/service/test_engine_support.h"
#include "tests/service/wholetable_source.h"

using bbstatsd::Engine;
using namespace wholetable;

class TestWholeTable : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Engine> m_engine;
    SourceRecords m_source;

    // Every record the service sends for a table, in default order, compared with the records
    // computed here, matched by the lines they copy from the source. query: of the service
    // path, for combined lines.
    void compareTable(const Shape& s, const std::vector<Values>& expected,
                      const std::string& query = {}) {
        std::unordered_map<std::string, std::vector<std::size_t>> byKey;
        auto keyOf = [&](auto&& line) {
            std::string key;
            for (int l : s.keys) {
                key.append(line(l)).append(1, '\x1f');
            }
            return key;
        };
        for (std::size_t i = 0; i < expected.size(); ++i) {
            byKey[keyOf([&](int l) {
                return std::string_view(expected[i][static_cast<std::size_t>(l)]);
            })].push_back(i);
        }
        std::size_t served = 0, mismatched = 0;
        std::string report;
        const std::size_t n = static_cast<std::size_t>(s.lines);
        for (std::size_t top = 0; top < expected.size() + 1000; top += 1000) {
            const std::string reply = m_engine->answer(
                s.table, enginetest::body(std::to_string(top) + "!1000!300!"), query);
            std::vector<std::string_view> lines;
            for (std::size_t at = 0; at < reply.size();) {
                const std::size_t end = reply.find("\r\n", at);
                lines.emplace_back(reply.data() + at, end - at);
                at = end + 2;
            }
            const std::size_t total = std::stoul(std::string(lines[0]));
            for (std::size_t r = 0; top + r < total && r < 1000; ++r, ++served) {
                const std::vector<std::string_view> rec(lines.begin() + 1 + long(r * n),
                                                        lines.begin() + 1 + long((r + 1) * n));
                auto& candidates =
                    byKey[keyOf([&](int l) { return rec[static_cast<std::size_t>(l)]; })];
                std::string diff = "no such source row";
                for (auto c = candidates.begin(); c != candidates.end() && !diff.empty(); ++c) {
                    diff = differences(s, expected[*c], rec);
                    if (diff.empty()) {
                        candidates.erase(c);
                        break;
                    }
                }
                if (!diff.empty() && ++mismatched <= 10) {
                    report += "\n  " + std::string(rec[0]) + " " + std::string(rec[1]) + " " +
                              std::string(rec[2]) + ":" + diff;
                }
            }
            if (top + 1000 >= total) {
                break;
            }
        }
        QVERIFY2(mismatched == 0,
                 qPrintable(QString::fromStdString(query) + " " + QString::number(mismatched) +
                            " records differ:" + QString::fromStdString(report)));
        QCOMPARE(served, expected.size());
    }

    // The records of a reply, each as its lines.
    std::vector<Values> records(const Shape& s, const std::string& reply, std::size_t& total) {
        const enginetest::Lines lines = enginetest::splitReply(reply);
        total = std::stoul(lines[0]);
        std::vector<Values> out;
        const auto n = static_cast<std::size_t>(s.lines);
        for (std::size_t at = 1; at + n <= lines.size(); at += n) {
            if (lines[at].empty() || lines[at] == "TOTALS") {
                break;
            }
            out.emplace_back(lines.begin() + long(at), lines.begin() + long(at + n));
        }
        return out;
    }

    // The least plate appearances (outs for pitchers) that qualify in a league-season.
    long long qualifying(const Shape& s, const std::string& year, const std::string& league) {
        const long long games = m_source.scheduled(year, league);
        return s.table == Table::Batters ? std::llround(3.1 * static_cast<double>(games))
                                         : 3 * games;
    }

private slots:
    void initTestCase() {
        m_source.read();
        m_engine = std::make_unique<Engine>(enginetest::dbPath());
    }

    void everyRecord_data() {
        QTest::addColumn<int>("table");
        QTest::newRow("batters") << 0;
        QTest::newRow("pitchers") << 1;
        QTest::newRow("fielders") << 2;
        QTest::newRow("teams") << 3;
    }

    void everyRecord() {
        QFETCH(int, table);
        const Shape* shapes[] = {&kBatters, &kPitchers, &kFielders, &kTeams};
        compareTable(*shapes[table], m_source.records(shapes[table]->table));
    }

    // Season and career lines: every line of batters, pitchers and fielders against the lines
    // combined here, counts and averages; then limits, sorts and the qualifier on them, the
    // totals of what they keep, and the refusals of unknown modes.
    void combinedLines() {
        std::map<std::string, std::vector<Values>> lines;
        std::map<std::string, std::vector<std::set<std::string>>> leagues;
        for (const auto& [s, prefix] :
             {std::pair{&kBatters, ""}, {&kPitchers, "p"}, {&kFielders, "f"}}) {
            for (const bool career : {false, true}) {
                const std::string query = career ? "lines=career" : "lines=season";
                const std::string name = prefix + query;
                lines[name] = m_source.combined(*s, career, &leagues[name]);
                compareTable(*s, lines[name], query);
            }
        }
        const std::vector<Values>& careers = lines.at("lines=career");
        std::size_t total = 0;
        auto page = [&](const Shape& s, const std::string& first, const enginetest::Lines& items,
                        const std::string& query) {
            return records(s, m_engine->answer(s.table, enginetest::body(first, items), query),
                           total);
        };

        // Careers as the record books add them: a count any season lacks (sacrifice flies
        // before 1954, hit batsmen, sacrifices of pitchers before 1970) no longer takes with it
        // what the other seasons recorded.
        for (const auto& [s, name, line, figure] :
             {std::tuple{&kBatters, "Mays, Willie", 15, "0.384"},
              {&kBatters, "Williams, Ted", 15, "0.482"},
              {&kBatters, "Musial, Stan", 15, "0.417"},
              {&kBatters, "Anson, Cap", 15, "0.394"},
              {&kPitchers, "Ryan, Nolan", 28, "0.203"},
              {&kPitchers, "Ryan, Nolan", 29, "0.307"}}) {
            const auto career =
                page(*s, "0!5!300!", {std::string("A") + name, "*"}, "lines=career");
            QCOMPARE(career.size(), std::size_t(1));
            QCOMPARE(career[0][static_cast<std::size_t>(line)], std::string(figure));
        }

        // Two stints with one club in a season are that club's line, not "TOT".
        for (const Shape* s : {&kPitchers, &kFielders}) {
            const auto crandall =
                page(*s, "0!5!300!", {"ACrandall, Doc", "*", "C1913", "*"}, "lines=season");
            QCOMPARE(crandall.size(), std::size_t(s == &kPitchers ? 1 : 2));
            for (const Values& v : crandall) {
                QCOMPARE(v[2] + " " + v[3], std::string("NY1 New York Giants"));
            }
        }

        // Career leaders by home runs, in the order of the lines combined here.
        std::vector<Values> leaders = careers;
        std::stable_sort(leaders.begin(), leaders.end(), [](const Values& a, const Values& b) {
            return std::stoll(a[12]) > std::stoll(b[12]);
        });
        const std::vector<Values> top = page(kBatters, "0!12!16!", {}, "lines=career");
        QCOMPARE(top.size(), std::size_t(12));
        QCOMPARE(total, careers.size());
        for (std::size_t i = 0; i < top.size(); ++i) {
            QCOMPARE(top[i][0] + " " + top[i][12], leaders[i][0] + " " + leaders[i][12]);
        }
        QCOMPARE(top[0][0] + " " + top[0][12], std::string("Bonds, Barry 762"));
        for (const auto& [name, hr] : {std::pair{"Aaron, Hank", "755"}, {"Ruth, Babe", "714"}}) {
            const auto found =
                page(kBatters, "0!5!300!", {std::string("A") + name, "*"}, "lines=career");
            QCOMPARE(found.size(), std::size_t(1));
            QCOMPARE(found[0][12], std::string(hr));
        }

        // A traded player's season: one line whose counts are the sums of his stints.
        const std::vector<Values> rickey =
            page(kBatters, "0!5!300!", {"AHenderson, Rickey", "*", "C1989", "*"}, "lines=season");
        QCOMPARE(rickey.size(), std::size_t(1));
        QCOMPARE(rickey[0][2] + " " + rickey[0][3] + " " + rickey[0][4],
                 std::string("TOT 2 teams AL"));
        long long hits = 0, stints = 0;
        for (std::size_t i = 0; i < m_source.records(Table::Batters).size(); ++i) {
            const Values& v = m_source.records(Table::Batters)[i];
            if (v[0] == "Henderson, Rickey" && v[1] == "1989") {
                hits += std::stoll(v[9]);
                ++stints;
            }
        }
        QCOMPARE(stints, 2LL);
        QCOMPARE(rickey[0][9], std::to_string(hits));

        // Limits apply to the combined lines: the 500 home run club (28 players); the totals
        // record is the one of their careers' stints, its HR the sum of their 28 lines.
        const std::vector<Values>& batting = m_source.records(Table::Batters);
        const std::vector<std::string>& ids = m_source.players(Table::Batters);
        std::map<std::string, long long> careerHomeRuns;
        for (std::size_t i = 0; i < batting.size(); ++i) {
            careerHomeRuns[ids[i]] += std::max(0LL, std::stoll(batting[i][12]));
        }
        std::set<std::string> club, served;
        std::vector<const Values*> clubStints;
        for (std::size_t i = 0; i < batting.size(); ++i) {
            if (careerHomeRuns.at(ids[i]) >= 500) {
                club.insert(batting[i][0]);
                clubStints.push_back(&batting[i]);
            }
        }
        const std::string clubBody = enginetest::body("0!100!16!", {"E16!500!9999", "*"});
        const std::string clubReply = m_engine->answer(Table::Batters, clubBody, "lines=career");
        long long clubHomeRuns = 0;
        for (const Values& v : records(kBatters, clubReply, total)) {
            served.insert(v[0]);
            clubHomeRuns += std::stoll(v[12]);
        }
        QVERIFY(club.count("Ruth, Babe"));
        QCOMPARE(club.size(), std::size_t(28));
        QCOMPARE(served, club);
        const enginetest::Lines clubLines = enginetest::splitReply(clubReply);
        const std::vector<std::string_view> clubTotals(clubLines.end() - kBatters.lines,
                                                       clubLines.end());
        const std::string clubDiff =
            differences(kBatters, SourceRecords::totalsOver(kBatters, clubStints), clubTotals);
        QVERIFY2(clubDiff.empty(), clubDiff.c_str());
        QCOMPARE(std::string(clubTotals[12]), std::to_string(clubHomeRuns));

        // The qualified 1941 AL batters (46): each count of the totals record is the sum of the
        // lines shown, not of the league's 279 stints.
        const std::string titleReply = m_engine->answer(
            Table::Batters, enginetest::body("0!100!300!", {"C1941", "*", "DAL", "*"}),
            "lines=season&qualified=1");
        const std::vector<Values> titleRows = records(kBatters, titleReply, total);
        QCOMPARE(total, std::size_t(46));
        QCOMPARE(titleRows.size(), std::size_t(46));
        const enginetest::Lines titleLines = enginetest::splitReply(titleReply);
        for (const int line : {5, 6, 7, 9, 12, 17}) {
            long long sum = 0;
            for (const Values& v : titleRows) {
                sum += std::stoll(v[static_cast<std::size_t>(line)]);
            }
            QCOMPARE(std::string(titleLines[titleLines.size() -
                                            static_cast<std::size_t>(kBatters.lines - line)]),
                     std::to_string(sum));
        }

        // Qualified only: the 1941 batting title list and the short 2020 season.
        QCOMPARE(qualifying(kBatters, "2020", "AL"), 186LL);
        QCOMPARE(qualifying(kBatters, "2019", "NL"), 502LL);
        const std::vector<Values> titles =
            page(kBatters, "0!3!18!", {"C1941", "*"}, "lines=season&qualified=1");
        QCOMPARE(titles[0][0], std::string("Williams, Ted"));
        for (const auto& [s, year, name] : {std::tuple{&kBatters, "1941", "lines=season"},
                                            {&kBatters, "2020", "lines=season"},
                                            {&kPitchers, "2020", "plines=season"},
                                            {&kPitchers, "1968", "plines=season"},
                                            {&kBatters, "1884", "lines=season"}}) {
            const int countLine = s == &kBatters ? 6 : 14;
            std::size_t qualified = 0;
            const std::vector<Values>& expectedLines = lines.at(name);
            for (std::size_t i = 0; i < expectedLines.size(); ++i) {
                const Values& v = expectedLines[i];
                if (v[1] != year) {
                    continue;
                }
                // A line over several leagues needs what the longest schedule of them asks.
                long long most = 0;
                for (const std::string& league : leagues.at(name)[i]) {
                    most = std::max(most, qualifying(*s, year, league));
                }
                const long long count =
                    number(*s, countLine, v[static_cast<std::size_t>(countLine)]);
                qualified += most > 0 && count >= most;
            }
            page(*s, "0!1!300!", {std::string("C") + year, "*"}, "lines=season&qualified=1");
            QCOMPARE(total, qualified);
            QVERIFY(qualified > 10);
        }

        // Everything off is today's request; unknown values are refused.
        const std::string plain = enginetest::body("0!20!16!", {"C1961", "*"});
        QCOMPARE(m_engine->answer(Table::Batters, plain, "lines=team&qualified=0"),
                 m_engine->answer(Table::Batters, plain));
        for (const auto& [table, query] : {std::pair{Table::Batters, "lines=careers"},
                                           {Table::Batters, "qualified=yes"},
                                           {Table::Teams, "lines=season"},
                                           {Table::Fielders, "qualified=1"},
                                           {Table::Pitchers, "lines=career&qualified=1"}}) {
            QVERIFY_THROWS_EXCEPTION(bbstatsd::RequestError, m_engine->answer(table, plain, query));
        }
    }

    void totals_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QStringList>("items");
        auto row = [](const char* name, int table, QStringList items) {
            QTest::newRow(name) << table << items;
        };
        row("batters, all", 0, {});
        row("batters, 1959", 0, {"C1959", "*"});
        row("batters, 2004", 0, {"C2004", "*"});
        row("batters, 1912", 0, {"C1912", "*"});
        row("batters, 1871 and 2025", 0, {"C1871", "C2025", "*"});
        row("batters, Aaron", 0, {"AAaron, Hank", "*"});
        row("batters, Bonds", 0, {"ABonds, Barry", "*"});
        row("batters, 1998 Yankees", 0, {"BNew York Yankees", "*", "C1998", "*"});
        row("batters, NN2", 0, {"DNN2", "*"});
        row("batters, AL of 1950-1951", 0, {"C1950", "C1951", "*", "DAL", "*"});
        row("pitchers, all", 1, {});
        row("pitchers, 2000", 1, {"C2000", "*"});
        row("pitchers, Martinez", 1, {"AMartinez, Pedro", "*"});
        row("pitchers, 1884", 1, {"C1884", "*"});
        row("pitchers, NNL", 1, {"DNNL", "*"});
        row("pitchers, Red Sox", 1, {"BBoston Red Sox", "*"});
        row("fielders, all", 2, {});
        row("fielders, catchers of 1925", 2, {"GC", "*", "C1925", "*"});
        row("fielders, shortstops", 2, {"GSS", "*"});
        row("fielders, 1880", 2, {"C1880", "*"});
        row("fielders, ECL", 2, {"DECL", "*"});
        row("fielders, pinch hitters", 2, {"GPH", "*"});
        row("teams, all", 3, {});
        row("teams, 1933", 3, {"C1933", "*"});
        row("teams, 1950", 3, {"C1950", "*"});
        row("teams, NN2", 3, {"DNN2", "*"});
        row("teams, Yankees", 3, {"BNew York Yankees", "*"});
        row("teams, 2022", 3, {"C2022", "*"});
        row("teams, NL of 1911 and 1969", 3, {"C1911", "C1969", "*", "DNL", "*"});
        row("teams, 1932 NSL", 3, {"C1932", "*", "DNSL", "*"});
    }

    void totals() {
        QFETCH(int, table);
        QFETCH(QStringList, items);
        const Shape* shapes[] = {&kBatters, &kPitchers, &kFielders, &kTeams};
        const Shape& s = *shapes[table];
        // The selected records: items of a group are alternatives, groups all apply.
        const int yearLine = s.table == Table::Teams ? 4 : 1;
        const int teamLine = s.table == Table::Teams ? 1 : 3;
        const int leagueLine = s.table == Table::Teams ? 2 : 4;
        std::vector<std::vector<std::pair<int, std::string>>> groups(1);
        for (const QString& item : items) {
            if (item == "*") {
                groups.emplace_back();
                continue;
            }
            const std::map<QChar, int> lines{
                {'A', 0}, {'B', teamLine}, {'C', yearLine}, {'D', leagueLine}, {'G', 15}};
            groups.back().emplace_back(lines.at(item[0]), item.mid(1).toStdString());
        }
        std::vector<const Values*> chosen;
        for (const Values& v : m_source.records(s.table)) {
            const bool in = std::all_of(groups.begin(), groups.end(), [&](auto& g) {
                return g.empty() || std::any_of(g.begin(), g.end(), [&](auto& it) {
                           return v[static_cast<std::size_t>(it.first)] == it.second;
                       });
            });
            if (in) {
                chosen.push_back(&v);
            }
        }
        QVERIFY(!chosen.empty());
        const Values expected = SourceRecords::totalsOver(s, chosen);
        enginetest::Lines body;
        for (const QString& item : items) {
            body.push_back(item.toStdString());
        }
        const std::string reply = m_engine->answer(s.table, enginetest::body("0!0!300!", body));
        const enginetest::Lines lines = enginetest::splitReply(reply);
        QCOMPARE(std::stoul(lines[0]), chosen.size());
        const std::vector<std::string_view> served(lines.begin() + 1, lines.end());
        QCOMPARE(served.size(), std::size_t(s.lines));
        const std::string diff = differences(s, expected, served);
        QVERIFY2(diff.empty(), diff.c_str());
    }
};

QTEST_GUILESS_MAIN(TestWholeTable)
#include "test_wholetable.moc"
