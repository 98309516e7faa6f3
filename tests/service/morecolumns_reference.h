#pragma once

// The more-columns figures computed from the Lahman CSVs by their written definitions, for
// test_morecolumns: league-season figures, park factors, ages, and the figures of a line of
// stints. Nothing here uses the service's code.
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "tests/service/lahman_csv.h"
#include "tests/service/test_engine_support.h"

namespace morecolumnsref {

using enginetest::Lines;
using lahmancsv::Csv;

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
inline long long sumOf(const std::vector<const Stint*>& stints, long long Stint::*field,
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

// A part of a ratio: a count of the stints, its sign, its line in the served record, and
// whether a missing count counts 0.
struct Part {
    long long Stint::*field;
    long long coef;
    int line;
    bool optional = false;
};

// A ratio of a line of stints as a combined line computes it (the stint's own for one stint):
// over the stints that record every required part; missing when the line's own count of a
// required part is missing; an optional part counts 0 where the line lacks it. Missing too
// when the denominator is not positive or the numerator is negative.
inline double ratioOver(const std::vector<const Stint*>& stints, const Lines& record,
                        const std::vector<Part>& num, const std::vector<Part>& den,
                        double scale = 1.0) {
    auto served = [&](int line) {
        const std::string& v = record.at(static_cast<std::size_t>(line));
        return v != "-1" && v != "-1.0";
    };
    std::vector<Part> parts = num;
    parts.insert(parts.end(), den.begin(), den.end());
    for (const Part& p : parts) {
        if (!p.optional && !served(p.line)) {
            return kNaN;
        }
    }
    long long n = 0, d = 0;
    for (const Stint* s : stints) {
        if (!std::all_of(parts.begin(), parts.end(),
                         [&](const Part& p) { return p.optional || s->*p.field >= 0; })) {
            continue;
        }
        auto value = [&](const Part& p) {
            return p.optional && !served(p.line) ? 0 : std::max(0LL, s->*p.field) * p.coef;
        };
        for (const Part& p : num) {
            n += value(p);
        }
        for (const Part& p : den) {
            d += value(p);
        }
    }
    return d > 0 && n >= 0 ? scale * double(n) / double(d) : kNaN;
}

// The added figures of a line of stints (its served record), by the written definitions;
// career lines have no age.
inline std::vector<double> batterFigures(const std::vector<const Stint*>& stints, bool career,
                                         const Lines& record) {
    // Batters lines: AB 7, H 9, HR 12, BB 17, SO 19, HBP 20, SF 22, TB 29.
    const Part ab{&Stint::ab, 1, 7}, h{&Stint::h, 1, 9}, bb{&Stint::bb, 1, 17},
        hbp{&Stint::hbp, 1, 20, true}, sf{&Stint::sf, 1, 22, true}, tb{&Stint::tb, 1, 29};
    const double obp = ratioOver(stints, record, {h, bb, hbp}, {ab, bb, hbp, sf});
    const double slg = ratioOver(stints, record, {tb}, {ab});
    double w = 0, lgObp = 0, lgSlg = 0;
    for (const Stint* s : stints) {
        if (s->pa > 0 && std::isfinite(s->lgObp)) {
            w += double(s->pa);
            lgObp += double(s->pa) * s->lgObp;
            lgSlg += double(s->pa) * s->lgSlg;
        }
    }
    const double opsPlus = w > 0 ? 100.0 * (obp / (lgObp / w) + slg / (lgSlg / w) - 1) : kNaN;
    const double iso = ratioOver(stints, record, {tb, {&Stint::h, -1, 9}}, {ab});
    const double babip = ratioOver(stints, record, {h, {&Stint::hr, -1, 12}},
                                   {ab, {&Stint::so, -1, 19}, {&Stint::hr, -1, 12}, sf});
    return {obp + slg, opsPlus, iso, babip, career ? kNaN : stints[0]->age};
}

inline std::vector<double> pitcherFigures(const std::vector<const Stint*>& stints, bool career,
                                          const Lines& record) {
    // Pitchers lines: IP 14 (box-score form; missing "-1.0"), H 16, ER 18, HR 19, BB 20, SO 21,
    // HB 23. FIP takes the line's counts as it records them.
    auto sum = [&](long long Stint::*field, int line, bool optional) {
        const std::string& served = record.at(static_cast<std::size_t>(line));
        return sumOf(stints, field, served == "-1.0" ? "-1" : served, optional);
    };
    const long long outs = sum(&Stint::outs, 14, false), bb = sum(&Stint::bb, 20, false),
                    so = sum(&Stint::so, 21, false), hr = sum(&Stint::hr, 19, false),
                    hbp = sum(&Stint::hbp, 23, true);
    double w = 0, lgEra = 0, fipConst = 0;
    for (const Stint* s : stints) {
        if (s->outs > 0 && std::isfinite(s->lgEra) && std::isfinite(s->fipConst)) {
            w += double(s->outs);
            lgEra += double(s->outs) * s->lgEra;
            fipConst += double(s->outs) * s->fipConst;
        }
    }
    const Part o{&Stint::outs, 1, 14}, pbb{&Stint::bb, 1, 20}, pso{&Stint::so, 1, 21};
    const double era = ratioOver(stints, record, {{&Stint::er, 1, 18}}, {o}, 27.0);
    return {
        ratioOver(stints, record, {pbb, {&Stint::h, 1, 16}}, {o}, 3.0),
        ratioOver(stints, record, {pso}, {o}, 27.0),
        ratioOver(stints, record, {pbb}, {o}, 27.0),
        ratioOver(stints, record, {{&Stint::hr, 1, 19}}, {o}, 27.0),
        ratioOver(stints, record, {pso}, {pbb}),
        era > 0 && w > 0 ? 100.0 * (lgEra / w) / era : kNaN,
        outs > 0 && hr >= 0 && bb >= 0 && so >= 0 && w > 0
            ? 3.0 * double(13 * hr + 3 * (bb + hbp) - 2 * so) / double(outs) + fipConst / w
            : kNaN,
        career ? kNaN : stints[0]->age,
    };
}

// Whether a served figure is the exact one rounded to the decimals shown (either neighbour
// when the exact one lies on a rounding boundary), or the missing marker for a missing one.
inline bool agrees(const std::string& shown, double exact, int decimals, bool bigMarker) {
    // Appended in steps: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + std::string(...).
    std::string marker = bigMarker ? "1000000" : "-1";
    if (decimals > 0) {
        marker.push_back('.');
        marker.append(static_cast<std::size_t>(decimals), '0');
    }
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

// The CSVs read, with the league-season figures and each stint's share of them.
struct Reference {
    LeagueData league;
    // Stints of Batting.csv and Pitching.csv by player and season, in stint order.
    std::map<std::pair<std::string, std::string>, std::vector<Stint>> battingStints, pitchingStints;

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

    void read() {
        const Csv batting("Batting.csv"), pitching("Pitching.csv"), teams("Teams.csv"),
            people("People.csv");
        for (std::size_t i = 0; i < people.rows(); ++i) {
            league.births[std::string(people.texts("playerID")[i])] = {
                people.counts("birthYear")[i], people.counts("birthMonth")[i]};
        }
        for (std::size_t i = 0; i < teams.rows(); ++i) {
            league.parks[{std::string(teams.texts("yearID")[i]),
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
                LeagueData::League& l = league.leagues[{key.second, lg}];
                l.h += s.h;
                l.bb += s.bb;
                l.hbp += std::max(0LL, s.hbp);
                l.ab += s.ab;
                l.sf += std::max(0LL, s.sf);
                l.tb += s.tb;
            }
            battingStints[key].resize(std::max<std::size_t>(battingStints[key].size(),
                                                            std::size_t(c(batting, "stint", i))));
            battingStints[key][std::size_t(c(batting, "stint", i)) - 1] = s;
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
                league.leagues[{key.second, std::string(pitching.texts("lgID")[i])}];
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
            pitchingStints[key].resize(std::max<std::size_t>(pitchingStints[key].size(),
                                                             std::size_t(c(pitching, "stint", i))));
            pitchingStints[key][std::size_t(c(pitching, "stint", i)) - 1] = s;
        }
        // The league and park figures of each stint, now that the leagues are summed.
        for (const auto& [csv, stints, batters] : {std::tuple{&batting, &battingStints, true},
                                                   std::tuple{&pitching, &pitchingStints, false}}) {
            for (std::size_t i = 0; i < csv->rows(); ++i) {
                const std::string player(csv->texts("playerID")[i]), year(csv->texts("yearID")[i]),
                    lg(csv->texts("lgID")[i]), team(csv->texts("teamID")[i]);
                Stint& s = (*stints)[{player, year}][std::size_t(c(*csv, "stint", i)) - 1];
                const double pf = parkFactor(league, year, team, batters);
                if (batters) {
                    s.lgObp = league.obp(year, lg) * pf;
                    s.lgSlg = league.slg(year, lg) * pf;
                } else {
                    s.lgEra = league.era(year, lg) * pf;
                    s.fipConst = league.fipConst(year, lg);
                }
                s.age = league.age(player, year);
            }
        }
        for (auto* stints : {&battingStints, &pitchingStints}) {
            for (auto& [key, list] : *stints) {
                std::erase_if(list, [](const Stint& s) { return !s.present; });
            }
        }
        QVERIFY(battingStints.size() > 100000 && pitchingStints.size() > 40000);
        teamsCsv = std::make_unique<Csv>("Teams.csv");
    }
    std::unique_ptr<Csv> teamsCsv;
};

} // namespace morecolumnsref
