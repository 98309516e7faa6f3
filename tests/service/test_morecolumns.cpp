// The more-columns option ("more=1") on the real data imported by the lahman_db fixture: the
// published figures named one by one, and the option's fields on the page and CSV paths.
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "service/csvexport.h"
#include "service/engine/engine.h"
#include "service/engine/lines.h"
#include "service/engine/recordtexts.h"
#include "service/engine/resultcache.h"
#include "service/engine/tabledata.h"
#include "tests/service/lahman_csv.h"
#include "tests/service/test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::Table;

namespace {

using enginetest::Lines;
using lahmancsv::Csv;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// What a stint row of Batting.csv or Pitching.csv gives the added figures: its counts (-1
// blank), the figures of its league-season and the park factors of its club, and the age.
struct Stint {
    long long pa = 0, ab = -1, h = -1, tb = -1, bb = -1, hbp = -1, sf = -1, so = -1, hr = -1;
    long long outs = -1, er = -1; // pitchers; h, bb, hbp, so, hr as allowed
    double lgObp = kNaN, lgSlg = kNaN, lgEra = kNaN, fipConst = kNaN; // park-adjusted
    double age = kNaN;
    bool present = false; // a row of the file (stint numbers can skip)
};

// The sum of a count over stints as a combined line records it: missing where the line's own
// count line (checked against the CSVs by test_wholetable) is missing, else the sum of the
// stints that record it. optional: a missing count counts 0.
long long sumOf(const std::vector<const Stint*>& stints, long long Stint::*field,
                const std::string& served, bool optional) {
    if (served == "-1") {
        return optional ? 0 : -1;
    }
    long long total = 0;
    for (const Stint* s : stints) {
        total += std::max(0LL, s->*field);
    }
    return total;
}

// The added figures of a line of stints (its served record), by the written definitions;
// career lines have no age.
std::vector<double> batterFigures(const std::vector<const Stint*>& stints, bool career,
                                  const Lines& record) {
    // Batters lines: AB 7, H 9, HR 12, BB 17, SO 19, HBP 20, SF 22, TB 29.
    auto sum = [&](long long Stint::*field, int line, bool optional) {
        return sumOf(stints, field, record.at(static_cast<std::size_t>(line)), optional);
    };
    const long long ab = sum(&Stint::ab, 7, false), h = sum(&Stint::h, 9, false),
                    tb = sum(&Stint::tb, 29, false), bb = sum(&Stint::bb, 17, false),
                    hbp = sum(&Stint::hbp, 20, true), sf = sum(&Stint::sf, 22, true),
                    so = sum(&Stint::so, 19, false), hr = sum(&Stint::hr, 12, false);
    const long long onDen = ab + bb + hbp + sf;
    const double obp =
        ab >= 0 && h >= 0 && bb >= 0 && onDen > 0 ? double(h + bb + hbp) / double(onDen) : kNaN;
    const double slg = ab > 0 && tb >= 0 ? double(tb) / double(ab) : kNaN;
    double w = 0, lgObp = 0, lgSlg = 0;
    for (const Stint* s : stints) {
        if (s->pa > 0 && std::isfinite(s->lgObp)) {
            w += double(s->pa);
            lgObp += double(s->pa) * s->lgObp;
            lgSlg += double(s->pa) * s->lgSlg;
        }
    }
    const double opsPlus = w > 0 ? 100.0 * (obp / (lgObp / w) + slg / (lgSlg / w) - 1) : kNaN;
    const double iso = ab > 0 && tb >= 0 && h >= 0 ? double(tb - h) / double(ab) : kNaN;
    const long long babipDen = ab - so - hr + sf;
    const double babip = ab >= 0 && h >= 0 && so >= 0 && hr >= 0 && babipDen > 0 && h >= hr
                             ? double(h - hr) / double(babipDen)
                             : kNaN;
    return {obp + slg, opsPlus, iso, babip, career ? kNaN : stints[0]->age};
}

std::vector<double> pitcherFigures(const std::vector<const Stint*>& stints, bool career,
                                   const Lines& record) {
    // Pitchers lines: IP 14 (box-score form; missing "-1.0"), H 16, ER 18, HR 19, BB 20, SO 21,
    // HB 23.
    auto sum = [&](long long Stint::*field, int line, bool optional) {
        const std::string& served = record.at(static_cast<std::size_t>(line));
        return sumOf(stints, field, served == "-1.0" ? "-1" : served, optional);
    };
    const long long outs = sum(&Stint::outs, 14, false), h = sum(&Stint::h, 16, false),
                    bb = sum(&Stint::bb, 20, false), so = sum(&Stint::so, 21, false),
                    hr = sum(&Stint::hr, 19, false), er = sum(&Stint::er, 18, false),
                    hbp = sum(&Stint::hbp, 23, true);
    double w = 0, lgEra = 0, fipConst = 0;
    for (const Stint* s : stints) {
        if (s->outs > 0 && std::isfinite(s->lgEra) && std::isfinite(s->fipConst)) {
            w += double(s->outs);
            lgEra += double(s->outs) * s->lgEra;
            fipConst += double(s->outs) * s->fipConst;
        }
    }
    const bool innings = outs > 0;
    auto perNine = [&](long long n) {
        return innings && n >= 0 ? 27.0 * double(n) / double(outs) : kNaN;
    };
    const double era = innings && er >= 0 ? 27.0 * double(er) / double(outs) : kNaN;
    return {
        innings && bb >= 0 && h >= 0 ? 3.0 * double(bb + h) / double(outs) : kNaN,
        perNine(so),
        perNine(bb),
        perNine(hr),
        so >= 0 && bb > 0 ? double(so) / double(bb) : kNaN,
        era > 0 && w > 0 ? 100.0 * (lgEra / w) / era : kNaN,
        innings && hr >= 0 && bb >= 0 && so >= 0 && w > 0
            ? 3.0 * double(13 * hr + 3 * (bb + hbp) - 2 * so) / double(outs) + fipConst / w
            : kNaN,
        career ? kNaN : stints[0]->age,
    };
}

// Whether a served figure is the exact one rounded to the decimals shown (either neighbour
// when the exact one lies on a rounding boundary), or the missing marker for a missing one.
bool agrees(const std::string& shown, double exact, int decimals, bool bigMarker) {
    const std::string marker =
        (bigMarker ? std::string("1000000") : std::string("-1")) +
        (decimals > 0 ? "." + std::string(static_cast<std::size_t>(decimals), '0') : "");
    if (!std::isfinite(exact)) {
        return shown == marker;
    }
    if (shown == marker) {
        return false;
    }
    const double scale = std::pow(10.0, decimals);
    return std::fabs(std::stod(shown) * scale - exact * scale) <= 0.5 + 1e-6;
}

// League-season figures and park factors, from the CSVs by the written definitions: batting
// without pitchers' rows (players whose pitching games of the season are at least half their
// batting games), the pitching rows' ERA and FIP constant.
struct LeagueData {
    struct League {
        long long h = 0, bb = 0, hbp = 0, ab = 0, sf = 0, tb = 0;
        long long er = 0, eraOuts = 0, hr = 0, pbb = 0, phbp = 0, so = 0, fipOuts = 0;
    };
    std::map<std::pair<std::string, std::string>, League> leagues; // year, league
    std::map<std::pair<std::string, std::string>, std::pair<long long, long long>> parks;
    std::unordered_map<std::string, std::pair<long long, long long>> births;

    double obp(const std::string& year, const std::string& lg) const {
        const League& l = leagues.at({year, lg});
        return double(l.h + l.bb + l.hbp) / double(l.ab + l.bb + l.hbp + l.sf);
    }
    double slg(const std::string& year, const std::string& lg) const {
        const League& l = leagues.at({year, lg});
        return double(l.tb) / double(l.ab);
    }
    double era(const std::string& year, const std::string& lg) const {
        const League& l = leagues.at({year, lg});
        return 27.0 * double(l.er) / double(l.eraOuts);
    }
    double fipConst(const std::string& year, const std::string& lg) const {
        const League& l = leagues.at({year, lg});
        return era(year, lg) -
               3.0 * double(13 * l.hr + 3 * (l.pbb + l.phbp) - 2 * l.so) / double(l.fipOuts);
    }
    // Age on June 30: born in July or later, the birthday is yet to come.
    double age(const std::string& player, const std::string& year) const {
        const auto it = births.find(player);
        if (it == births.end() || it->second.first <= 0) {
            return kNaN;
        }
        return double(std::stoll(year) - it->second.first - (it->second.second > 6 ? 1 : 0));
    }
};

// Lines of a record: Batters 31, Pitchers 31, Fielders 17, Teams 67, then the added ones.
constexpr int kBatterOps = 31, kBatterOpsPlus = 32, kPitcherWhip = 31, kPitcherK9 = 32,
              kPitcherEraPlus = 36;
constexpr int kRecordLines[] = {31, 31, 17, 67};
constexpr int kAddedLines[] = {5, 8, 1, 3};
constexpr const char* kTableNames[] = {"batters", "pitchers", "fielders", "teams"};

} // namespace

class TestMoreColumns : public QObject {
    Q_OBJECT

    std::unique_ptr<Engine> m_engine;
    LeagueData m_league;
    // Stints of Batting.csv and Pitching.csv by player and season, in stint order.
    std::map<std::pair<std::string, std::string>, std::vector<Stint>> m_batting, m_pitching;

    static double parkFactor(const LeagueData& lg, const std::string& year, const std::string& team,
                             bool batting) {
        const auto it = lg.parks.find({year, team});
        const long long f = it == lg.parks.end() ? -1
                            : batting            ? it->second.first
                                                 : it->second.second;
        if (f <= 0) {
            return 1.0;
        }
        return batting ? (1.0 + double(f) / 100.0) / 2.0 : double(f) / 100.0;
    }

    void readCsvs() {
        const Csv batting("Batting.csv"), pitching("Pitching.csv"), teams("Teams.csv"),
            people("People.csv");
        for (std::size_t i = 0; i < people.rows(); ++i) {
            m_league.births[std::string(people.texts("playerID")[i])] = {
                people.counts("birthYear")[i], people.counts("birthMonth")[i]};
        }
        for (std::size_t i = 0; i < teams.rows(); ++i) {
            m_league.parks[{std::string(teams.texts("yearID")[i]),
                            std::string(teams.texts("teamID")[i])}] = {teams.counts("BPF")[i],
                                                                       teams.counts("PPF")[i]};
        }
        std::map<std::pair<std::string, std::string>, std::pair<long long, long long>> games;
        for (std::size_t i = 0; i < batting.rows(); ++i) {
            games[{std::string(batting.texts("playerID")[i]),
                   std::string(batting.texts("yearID")[i])}]
                .first += std::max(0LL, batting.counts("G")[i]);
        }
        for (std::size_t i = 0; i < pitching.rows(); ++i) {
            games[{std::string(pitching.texts("playerID")[i]),
                   std::string(pitching.texts("yearID")[i])}]
                .second += std::max(0LL, pitching.counts("G")[i]);
        }
        auto c = [](const Csv& csv, const char* column, std::size_t i) {
            return csv.counts(column)[i];
        };
        for (std::size_t i = 0; i < batting.rows(); ++i) {
            const std::pair key{std::string(batting.texts("playerID")[i]),
                                std::string(batting.texts("yearID")[i])};
            Stint s;
            s.present = true;
            s.ab = c(batting, "AB", i);
            s.h = c(batting, "H", i);
            s.hr = c(batting, "HR", i);
            s.tb = s.h < 0 ? -1
                           : s.h + std::max(0LL, c(batting, "X2B", i)) +
                                 2 * std::max(0LL, c(batting, "X3B", i)) + 3 * std::max(0LL, s.hr);
            s.bb = c(batting, "BB", i);
            s.hbp = c(batting, "HBP", i);
            s.sf = c(batting, "SF", i);
            s.so = c(batting, "SO", i);
            s.pa = std::max(0LL, s.ab) + std::max(0LL, s.bb) + std::max(0LL, s.hbp) +
                   std::max(0LL, c(batting, "SH", i)) + std::max(0LL, s.sf);
            const std::string lg(batting.texts("lgID")[i]);
            const auto [batG, pitG] = games[key];
            if (!(pitG > 0 && 2 * pitG >= batG) && s.h >= 0 && s.ab >= 0 && s.bb >= 0) {
                LeagueData::League& l = m_league.leagues[{key.second, lg}];
                l.h += s.h;
                l.bb += s.bb;
                l.hbp += std::max(0LL, s.hbp);
                l.ab += s.ab;
                l.sf += std::max(0LL, s.sf);
                l.tb += s.tb;
            }
            m_batting[key].resize(
                std::max<std::size_t>(m_batting[key].size(), std::size_t(c(batting, "stint", i))));
            m_batting[key][std::size_t(c(batting, "stint", i)) - 1] = s;
        }
        for (std::size_t i = 0; i < pitching.rows(); ++i) {
            const std::pair key{std::string(pitching.texts("playerID")[i]),
                                std::string(pitching.texts("yearID")[i])};
            Stint s;
            s.present = true;
            s.outs = c(pitching, "IPouts", i);
            s.er = c(pitching, "ER", i);
            s.h = c(pitching, "H", i);
            s.bb = c(pitching, "BB", i);
            s.so = c(pitching, "SO", i);
            s.hr = c(pitching, "HR", i);
            s.hbp = c(pitching, "HBP", i);
            LeagueData::League& l =
                m_league.leagues[{key.second, std::string(pitching.texts("lgID")[i])}];
            if (s.er >= 0 && s.outs >= 0) {
                l.er += s.er;
                l.eraOuts += s.outs;
            }
            if (s.hr >= 0 && s.bb >= 0 && s.so >= 0 && s.outs >= 0) {
                l.hr += s.hr;
                l.pbb += s.bb;
                l.phbp += std::max(0LL, s.hbp);
                l.so += s.so;
                l.fipOuts += s.outs;
            }
            m_pitching[key].resize(std::max<std::size_t>(m_pitching[key].size(),
                                                         std::size_t(c(pitching, "stint", i))));
            m_pitching[key][std::size_t(c(pitching, "stint", i)) - 1] = s;
        }
        // The league and park figures of each stint, now that the leagues are summed.
        for (const auto& [csv, stints, batters] :
             {std::tuple{&batting, &m_batting, true}, std::tuple{&pitching, &m_pitching, false}}) {
            for (std::size_t i = 0; i < csv->rows(); ++i) {
                const std::string player(csv->texts("playerID")[i]), year(csv->texts("yearID")[i]),
                    lg(csv->texts("lgID")[i]), team(csv->texts("teamID")[i]);
                Stint& s = (*stints)[{player, year}][std::size_t(c(*csv, "stint", i)) - 1];
                const double pf = parkFactor(m_league, year, team, batters);
                if (batters) {
                    s.lgObp = m_league.obp(year, lg) * pf;
                    s.lgSlg = m_league.slg(year, lg) * pf;
                } else {
                    s.lgEra = m_league.era(year, lg) * pf;
                    s.fipConst = m_league.fipConst(year, lg);
                }
                s.age = m_league.age(player, year);
            }
        }
        for (auto* stints : {&m_batting, &m_pitching}) {
            for (auto& [key, list] : *stints) {
                std::erase_if(list, [](const Stint& s) { return !s.present; });
            }
        }
        QVERIFY(m_batting.size() > 100000 && m_pitching.size() > 40000);
        m_teamsCsv = std::make_unique<Csv>("Teams.csv");
    }
    std::unique_ptr<Csv> m_teamsCsv;

    // The records of a page reply, line by line.
    std::vector<Lines> records(Table table, const std::string& reply) {
        const Lines lines = enginetest::splitReply(reply);
        const auto width = static_cast<std::size_t>(kRecordLines[static_cast<int>(table)] +
                                                    kAddedLines[static_cast<int>(table)]);
        std::vector<Lines> out;
        const std::size_t count = std::stoul(lines.at(0));
        // The records before the totals record.
        for (std::size_t i = 0; i < count && 1 + (i + 2) * width <= lines.size(); ++i) {
            out.emplace_back(lines.begin() + static_cast<long>(1 + i * width),
                             lines.begin() + static_cast<long>(1 + (i + 1) * width));
        }
        return out;
    }

    // The CSV path's reply to a page request (the export route, in process).
    std::pair<int, std::string> exportCsv(Table table, const std::string& query,
                                          const std::string& body) {
        static const char* paths[] = {"/cgi-bin/getbat.exe", "/cgi-bin/getpit.exe",
                                      "/cgi-bin/getfield.exe", "/cgi-bin/getbaseteam.exe"};
        const bbstatsd::HttpRoute route = bbstatsd::csvExportRoute(
            *m_engine, paths[static_cast<int>(table)], table,
            std::make_shared<bbstatsd::ExportBudget>(std::uint64_t(256) << 20));
        const bbstatsd::HttpReply reply =
            route.handler(bbstatsd::HttpRequest{"POST", route.path, query, body, "127.0.0.1"});
        if (reply.status != 200) {
            return {reply.status, reply.body};
        }
        std::string text(reply.streamLength, '\0');
        for (std::size_t at = 0; at < text.size();) {
            const long n = reply.stream(at, text.data() + at, text.size() - at);
            if (n <= 0) {
                break;
            }
            at += static_cast<std::size_t>(n);
        }
        return {200, text};
    }

private slots:
    void initTestCase() {
        m_engine = std::make_unique<Engine>(enginetest::dbPath());
        readCsvs();
    }

    // Every added figure of every record of the four tables, and of every season and career
    // line of batters and pitchers, against the figures computed here from the CSVs (a combined
    // line's counts summed over its stints as the line records them).
    void everyFigure_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("lines");
        for (int t = 0; t < 4; ++t) {
            QTest::addRow("%s", kTableNames[t]) << t << "";
        }
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("%s season lines", kTableNames[t]) << t << "season";
            QTest::addRow("%s career lines", kTableNames[t]) << t << "career";
        }
    }

    void everyFigure() {
        QFETCH(int, table);
        QFETCH(QString, lines);
        const auto t = static_cast<Table>(table);
        const std::string body = enginetest::body("0!1!300!");
        const bbstatsd::ResultRows stints = m_engine->wholeResult(t, body, "more=1");
        const bbstatsd::TableData& data = *stints.data;
        const bool big = t == Table::Batters || t == Table::Teams;
        const int first = kRecordLines[table];
        // The stint of each served row, matched by player, season and stint order.
        std::vector<const Stint*> stintOf(data.rows(), nullptr);
        std::size_t checked = 0;
        auto compare = [&](const Lines& record, const std::vector<double>& expected,
                           const std::vector<int>& decimals) {
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const std::string& shown = record.at(static_cast<std::size_t>(first) + i);
                if (!agrees(shown, expected[i], decimals[i], big)) {
                    QFAIL(qPrintable(
                        QString("%1 %2 line %3: shown %4, expected %5")
                            .arg(QString::fromStdString(record[0]),
                                 QString::fromStdString(record[t == Table::Teams ? 4 : 1]))
                            .arg(first + int(i))
                            .arg(QString::fromStdString(shown))
                            .arg(expected[i], 0, 'f', 6)));
                }
                ++checked;
            }
        };
        const std::vector<int> batterDecimals{3, 0, 3, 3, 0},
            pitcherDecimals{3, 1, 1, 1, 2, 0, 2, 0};
        if (t == Table::Teams) {
            std::map<std::pair<std::string, std::string>, std::size_t> csvRow;
            const Csv& csv = *m_teamsCsv;
            for (std::size_t i = 0; i < csv.rows(); ++i) {
                csvRow[{std::string(csv.texts("yearID")[i]), std::string(csv.texts("teamID")[i])}] =
                    i;
            }
            for (const std::uint32_t r : stints.result->rows) {
                const Lines record = enginetest::splitReply(std::string(stints.texts->record(r)));
                const std::size_t i = csvRow.at({record[4], record[0]});
                // OBP and SLG from the record's counts (test_wholetable checks those against
                // the CSVs): H 18, AB 17, BB 24, HBP 26, SacF 29, TB 19.
                auto n = [&](int line) {
                    return std::stoll(record[static_cast<std::size_t>(line)]);
                };
                const long long onDen = n(17) + n(24) + std::max(0LL, n(26)) + std::max(0LL, n(29));
                const double ops =
                    n(18) >= 0 && n(17) > 0 && n(24) >= 0 && onDen > 0
                        ? double(n(18) + n(24) + std::max(0LL, n(26))) / double(onDen) +
                              double(n(19)) / double(n(17))
                        : kNaN;
                const long long er = csv.counts("ER")[i], outs = csv.counts("IPouts")[i];
                const double era = er >= 0 && outs > 0 ? 27.0 * double(er) / double(outs) : kNaN;
                const double lgEra = m_league.era(record[4], std::string(csv.texts("lgID")[i])) *
                                     parkFactor(m_league, record[4], record[0], false);
                const double rs = double(csv.counts("R")[i]), ra = double(csv.counts("RA")[i]);
                const double pyth =
                    rs >= 0 && ra >= 0 && rs + ra > 0
                        ? std::pow(rs, 1.83) / (std::pow(rs, 1.83) + std::pow(ra, 1.83))
                        : kNaN;
                compare(record, {ops, era > 0 ? 100.0 * lgEra / era : kNaN, pyth}, {3, 0, 3});
            }
            QCOMPARE(checked, std::size_t(3) * stints.result->rows.size());
            return;
        }
        std::map<std::pair<std::string, std::string>, std::size_t> seen;
        const auto& source = t == Table::Batters ? m_batting : m_pitching;
        for (const std::uint32_t r : stints.result->rows) {
            const std::string& code = data.playerCodes()[data.playerOfRow()[r]];
            const Lines record = enginetest::splitReply(std::string(stints.texts->record(r)));
            if (t == Table::Fielders) {
                if (lines.isEmpty()) {
                    compare(record, {m_league.age(code, record[1])}, {0});
                }
                continue;
            }
            const std::size_t at = seen[{code, record[1]}]++;
            stintOf[r] = &source.at({code, record[1]}).at(at);
            if (lines.isEmpty()) {
                const std::vector<const Stint*> one{stintOf[r]};
                compare(record,
                        t == Table::Batters ? batterFigures(one, false, record)
                                            : pitcherFigures(one, false, record),
                        t == Table::Batters ? batterDecimals : pitcherDecimals);
            }
        }
        if (!lines.isEmpty()) {
            const bool career = lines == "career";
            const bbstatsd::ResultRows combined =
                m_engine->wholeResult(t, body, "more=1&lines=" + lines.toStdString());
            const bbstatsd::LinesTable& table = *combined.result->lines;
            for (const std::uint32_t l : combined.result->rows) {
                std::vector<const Stint*> members;
                for (std::uint32_t m = table.memberStart[l]; m < table.memberStart[l + 1]; ++m) {
                    members.push_back(stintOf.at(table.members[m]));
                }
                const Lines record = enginetest::splitReply(std::string(combined.texts->record(l)));
                compare(record,
                        t == Table::Batters ? batterFigures(members, career, record)
                                            : pitcherFigures(members, career, record),
                        t == Table::Batters ? batterDecimals : pitcherDecimals);
            }
        }
        QVERIFY(checked > 0);
    }

    // Figures as the reference books publish them: OPS+ and ERA+ within 4, Pedro Martinez's
    // 2000 WHIP and strikeouts per nine innings exactly as shown.
    // Sorted and limited by each added field, the page path and the CSV path list the same
    // rows; a limit keeps the figures shown at or above its bound. The CSV path's header row
    // names every column, the added ones last.
    void pageAndCsvAgree() {
        const std::vector<std::vector<std::string>> addedTitles{
            {"OPS", "OPS+", "ISO", "BABIP", "AGE"},
            {"WHIP", "K/9", "BB/9", "HR/9", "K/BB", "ERA+", "FIP", "AGE"},
            {"AGE"},
            {"OPS", "ERA+", "EXP W-L%"}};
        const int firstField[] = {31, 31, 16, 67};
        for (int table = 0; table < 4; ++table) {
            const auto t = static_cast<Table>(table);
            const bool teams = t == Table::Teams;
            const int nameField = teams ? 2 : 0, nameLine = teams ? 1 : 0;
            const auto [status, header] =
                exportCsv(t, "more=1&header=1", enginetest::body("0!1!300!"));
            QCOMPARE(status, 200);
            const Lines titles = enginetest::splitReply(header.substr(0, header.find("\r\n") + 2));
            QCOMPARE(titles.size(), std::size_t(1));
            const auto added = addedTitles[static_cast<std::size_t>(table)];
            QVERIFY2(
                titles[0].starts_with(teams ? "YEAR,TEAM CODE," : "PLAYER NAME,YEAR,TEAM CODE,"),
                titles[0].c_str());
            std::string tail;
            for (const std::string& title : added) {
                tail += "," + title;
            }
            QVERIFY2(titles[0].ends_with(tail), titles[0].c_str());
            QCOMPARE(std::count(titles[0].begin(), titles[0].end(), ','),
                     long(firstField[table] + long(added.size()) - 1));
            for (std::size_t i = 0; i < added.size(); ++i) {
                const int field = firstField[table] + int(i);
                const std::size_t line = std::size_t(kRecordLines[table]) + i;
                const std::string columns =
                    "more=1&columns=" + std::to_string(nameField) + "," + std::to_string(field);
                const std::string sort = "0!1!" + std::to_string(field) + "!";
                const Lines all =
                    enginetest::splitReply(exportCsv(t, columns, enginetest::body(sort)).second);
                // A bound from the figure of the 100th row (or the last one with a figure).
                std::vector<double> values;
                for (const std::string& row : all) {
                    const std::string value = row.substr(row.rfind(',') + 1);
                    if (!value.empty()) {
                        values.push_back(std::stod(value));
                    }
                }
                QVERIFY(!values.empty());
                QVERIFY(std::is_sorted(values.rbegin(), values.rend()));
                const double bound = values[std::min<std::size_t>(99, values.size() - 1)];
                const std::string boundText =
                    all[std::min<std::size_t>(99, values.size() - 1)].substr(
                        all[std::min<std::size_t>(99, values.size() - 1)].rfind(',') + 1);
                const Lines items{"E" + std::to_string(field) + "!" + boundText + "!!", "*"};
                const std::string first = "0!40!" + std::to_string(field) + "!";
                const Lines limited = enginetest::splitReply(
                    exportCsv(t, columns, enginetest::body(first, items)).second);
                const long long atOrAbove = std::count_if(values.begin(), values.end(),
                                                          [&](double v) { return v >= bound; });
                QCOMPARE((long long)limited.size(), atOrAbove);
                const auto page =
                    records(t, m_engine->answer(t, enginetest::body(first, items), "more=1"));
                QCOMPARE(page.size(), std::min<std::size_t>(40, limited.size()));
                for (std::size_t r = 0; r < page.size(); ++r) {
                    const std::string& name = page[r][static_cast<std::size_t>(nameLine)];
                    const std::string quoted =
                        name.find(',') == std::string::npos ? name : "\"" + name + "\"";
                    QCOMPARE(quoted + "," + page[r][line], limited[r]);
                }
            }
        }
        const std::string body = enginetest::body("0!1!300!");
        QCOMPARE(exportCsv(Table::Batters, "header=2", body).first, 400);
        QCOMPARE(exportCsv(Table::Batters, "columns=35", body).first, 400);
        QCOMPARE(exportCsv(Table::Batters, "more=1&columns=35", body).first, 200);
        for (const char* query : {"more=2", "more=", "more=yes"}) {
            try {
                m_engine->answer(Table::Pitchers, body, query);
                QFAIL(query);
            } catch (const bbstatsd::RequestError& e) {
                QCOMPARE(e.status(), 400);
                QVERIFY2(std::string(e.what()).starts_with("more:"), e.what());
            }
        }
    }

    // With the option a reply is the reply without it, each record (TOTALS too) followed by
    // its added lines; "more=0" is no option. TOTALS shows the ratios of its sums: OPS from
    // its OBP and SLG as shown, WHIP and the rates per nine innings from its counts, the
    // expected W-L% from its runs; OPS+, ERA+, FIP and age missing.
    void optionOnlyAppends_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("first");
        for (int t = 0; t < 4; ++t) {
            QTest::addRow("%s", kTableNames[t]) << t << ""
                                                << "0!30!300!";
            QTest::addRow("%s sorted, past the end", kTableNames[t]) << t << ""
                                                                     << "490!30!5!";
        }
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("%s season lines", kTableNames[t]) << t << "lines=season"
                                                             << "0!30!8!";
            QTest::addRow("%s qualified", kTableNames[t]) << t << "lines=season&qualified=1"
                                                          << "0!30!13!";
            QTest::addRow("%s career lines", kTableNames[t]) << t << "lines=career"
                                                             << "0!30!300!";
        }
    }

    void optionOnlyAppends() {
        QFETCH(int, table);
        QFETCH(QString, query);
        QFETCH(QString, first);
        const auto t = static_cast<Table>(table);
        const std::string body = enginetest::body(first.toStdString(), {"C1968", "*"});
        const std::string q = query.toStdString();
        const std::string plain = m_engine->answer(t, body, q);
        QCOMPARE(m_engine->answer(t, body, q.empty() ? "more=0" : q + "&more=0"), plain);
        const Lines with =
            enginetest::splitReply(m_engine->answer(t, body, q.empty() ? "more=1" : q + "&more=1"));
        const Lines without = enginetest::splitReply(plain);
        const auto width = std::size_t(kRecordLines[table]),
                   added = std::size_t(kAddedLines[table]);
        QCOMPARE(with.size() - 1, (without.size() - 1) / width * (width + added));
        Lines stripped{with[0]};
        for (std::size_t at = 1; at < with.size(); at += width + added) {
            stripped.insert(stripped.end(), with.begin() + long(at),
                            with.begin() + long(at + width));
        }
        QCOMPARE(stripped, without);
        const Lines totals(with.end() - long(width + added), with.end());
        auto units = [&](std::size_t line) {
            std::string digits;
            for (const char c : totals.at(line)) {
                if (c != '.') {
                    digits += c;
                }
            }
            return std::stoll(digits);
        };
        auto rounded = [](double x, int decimals) {
            std::ostringstream out;
            out << std::fixed << std::setprecision(decimals) << x;
            return out.str();
        };
        switch (t) {
        case Table::Batters:
            QCOMPARE(units(31), units(15) + units(16));
            QCOMPARE(totals[32], std::string("1000000"));
            QCOMPARE(totals[33], rounded(double(std::stoll(totals[29]) - std::stoll(totals[9])) /
                                             double(std::stoll(totals[7])),
                                         3));
            QCOMPARE(totals[35], std::string("1000000"));
            break;
        case Table::Pitchers: {
            const long long outs = units(14) / 10 * 3 + units(14) % 10;
            QCOMPARE(totals[31],
                     rounded(3.0 * double(std::stoll(totals[20]) + std::stoll(totals[16])) /
                                 double(outs),
                             3));
            QCOMPARE(totals[32], rounded(27.0 * double(std::stoll(totals[21])) / double(outs), 1));
            QCOMPARE(totals[36] + " " + totals[37] + " " + totals[38], std::string("-1 -1.00 -1"));
            break;
        }
        case Table::Fielders:
            QCOMPARE(totals[17], std::string("-1"));
            break;
        case Table::Teams: {
            QCOMPARE(units(67), units(31) + units(32));
            QCOMPARE(totals[68], std::string("1000000"));
            const double rs = std::pow(double(std::stoll(totals[15])), 1.83),
                         ra = std::pow(double(std::stoll(totals[16])), 1.83);
            QCOMPARE(totals[69], rounded(rs / (rs + ra), 3));
            break;
        }
        }
    }

    void publishedFigures_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("player");
        QTest::addColumn<QString>("season"); // empty: the career line
        QTest::addColumn<int>("line");
        QTest::addColumn<double>("published");
        QTest::addColumn<double>("tolerance");
        const int b = static_cast<int>(Table::Batters), p = static_cast<int>(Table::Pitchers);
        QTest::newRow("Ruth 1920 OPS+ 255") << b << "Ruth, Babe"
                                            << "1920" << kBatterOpsPlus << 255.0 << 4.0;
        QTest::newRow("Williams 1941 OPS+ 235") << b << "Williams, Ted"
                                                << "1941" << kBatterOpsPlus << 235.0 << 4.0;
        QTest::newRow("Bonds 2004 OPS+ 263") << b << "Bonds, Barry"
                                             << "2004" << kBatterOpsPlus << 263.0 << 4.0;
        QTest::newRow("Gibson 1968 ERA+ 258") << p << "Gibson, Bob"
                                              << "1968" << kPitcherEraPlus << 258.0 << 4.0;
        QTest::newRow("Martinez 2000 ERA+ 291") << p << "Martinez, Pedro"
                                                << "2000" << kPitcherEraPlus << 291.0 << 4.0;
        QTest::newRow("Maddux 1994 ERA+ 271") << p << "Maddux, Greg"
                                              << "1994" << kPitcherEraPlus << 271.0 << 4.0;
        QTest::newRow("Martinez 2000 WHIP 0.737") << p << "Martinez, Pedro"
                                                  << "2000" << kPitcherWhip << 0.737 << 0.0;
        QTest::newRow("Martinez 2000 K/9 11.8") << p << "Martinez, Pedro"
                                                << "2000" << kPitcherK9 << 11.8 << 0.0;
        QTest::newRow("Ruth career OPS+ 206") << b << "Ruth, Babe"
                                              << "" << kBatterOpsPlus << 206.0 << 4.0;
        QTest::newRow("Williams career OPS+ 191") << b << "Williams, Ted"
                                                  << "" << kBatterOpsPlus << 191.0 << 4.0;
        QTest::newRow("Rivera career ERA+ 205") << p << "Rivera, Mariano"
                                                << "" << kPitcherEraPlus << 205.0 << 4.0;
        QTest::newRow("Bonds 2004 OPS 1.422") << b << "Bonds, Barry"
                                              << "2004" << kBatterOps << 1.422 << 0.0;
    }

    void publishedFigures() {
        QFETCH(int, table);
        QFETCH(QString, player);
        QFETCH(QString, season);
        QFETCH(int, line);
        QFETCH(double, published);
        QFETCH(double, tolerance);
        Lines items{"A" + player.toStdString(), "*"};
        if (!season.isEmpty()) {
            items.insert(items.end(), {"C" + season.toStdString(), "*"});
        }
        const auto t = static_cast<Table>(table);
        const std::string query = season.isEmpty() ? "lines=career&more=1" : "lines=season&more=1";
        const auto found =
            records(t, m_engine->answer(t, enginetest::body("0!5!300!", items), query));
        QCOMPARE(found.size(), std::size_t(1));
        const double shown = std::stod(found[0].at(static_cast<std::size_t>(line)));
        qInfo("%s: %s", qPrintable(player), found[0][static_cast<std::size_t>(line)].c_str());
        QVERIFY2(std::fabs(shown - published) <= tolerance + 1e-9,
                 qPrintable(QString("shown %1, published %2").arg(shown).arg(published)));
    }
};

QTEST_GUILESS_MAIN(TestMoreColumns)
#include "test_morecolumns.moc"
