#include "service/engine/teamseason.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "service/engine/schema.h"
#include "service/engine/tablewriter.h"

namespace bbstatsd {

namespace {

// Teams columns that count what a sum of the club's player rows counts, so that the sum may
// stand in where the Teams row is blank (hit batsmen and sacrifice flies before 1970). Team
// shutouts (a combined shutout is no pitcher's), double plays (each is credited to every
// fielder in it) and earned runs (a team's are not the sum of its pitchers') have no such sum.
constexpr std::pair<const char*, TeamSumKind> kStandIns[] = {
    {"R", BatR},         {"AB", BatAB}, {"H", BatH},    {"X2B", Bat2B}, {"X3B", Bat3B},
    {"HR", BatHR},       {"BB", BatBB}, {"SO", BatSO},  {"SB", BatSB},  {"CS", BatCS},
    {"HBP", BatHBP},     {"SF", BatSF}, {"RA", PitR},   {"CG", PitCG},  {"SV", PitSV},
    {"IPouts", PitOuts}, {"HA", PitH},  {"HRA", PitHR}, {"BBA", PitBB}, {"SOA", PitSO},
    {"E", FldE}};

// Sum of the values; -1 when any is missing.
long long total(std::initializer_list<long long> values) {
    long long sum = 0;
    for (long long v : values) {
        if (v < 0) {
            return -1;
        }
        sum += v;
    }
    return sum;
}

double winPct(const TeamSeason& t) {
    const int w = t.figures.at("W"), l = t.figures.at("L");
    return w + l > 0 ? static_cast<double>(w) / (w + l) : 0.0;
}

// Whether a stands higher than b by won-lost percentage, then by wins.
bool better(const TeamSeason& a, const TeamSeason& b) {
    const double pa = winPct(a), pb = winPct(b);
    return pa != pb ? pa > pb : a.figures.at("W") > b.figures.at("W");
}

std::string groupOf(const TeamSeason& t) {
    return std::to_string(t.year) + "|" + t.league + "|" + t.division;
}

// The club games behind are counted from, by season, league and division: the one ranked
// first there; where none or several are, the best of those ranked first (of all when none).
std::map<std::string, const TeamSeason*> leaders(const std::vector<TeamSeason>& teams) {
    std::map<std::string, std::vector<const TeamSeason*>> firsts, all;
    for (const TeamSeason& t : teams) {
        all[groupOf(t)].push_back(&t);
        if (t.rank == 1) {
            firsts[groupOf(t)].push_back(&t);
        }
    }
    std::map<std::string, const TeamSeason*> out;
    for (const auto& [group, clubs] : all) {
        const auto f = firsts.find(group);
        const auto& pool = f != firsts.end() ? f->second : clubs;
        out[group] = *std::min_element(pool.begin(), pool.end(),
                                       [](const auto* a, const auto* b) { return better(*a, *b); });
    }
    return out;
}

} // namespace

long long TeamSeason::figure(const std::string& column) const {
    const long long own = figures.at(column);
    for (const auto& [name, kind] : kStandIns) {
        if (column == name) {
            // Each player row's count is part of the club's, so a club's count below half of
            // their complete sum is no scoring difference but a recording error (1927
            // Birmingham: 48 hits allowed where its pitchers' rows hold 830): the sum of the
            // rows, which count the same thing, stands in for it as for a blank.
            const long long sum = sums[kind].value();
            return own < 0 || (sum >= 0 && 2 * own < sum) ? sum : own;
        }
    }
    return own;
}

void writeTeamRecords(SqliteDb& db, const std::vector<TeamSeason>& teams) {
    const TableDef& def = tableDef(Table::Teams);
    TableWriter out(db, def);
    const auto lead = leaders(teams);
    RowBuf row(def.fields.size());
    for (const TeamSeason& t : teams) {
        auto f = [&](const char* column) { return t.figure(column); };
        auto s = [&](TeamSumKind k) { return t.sums[k].value(); };
        std::fill(row.v.begin(), row.v.end(), -1);
        row.s[0] = t.code;
        row.s[1] = t.name;
        row.s[2] = t.league;
        row.s[3] = t.division;
        row.v[4] = t.year;
        row.v[5] = f("G");
        row.v[6] = f("W");
        row.v[7] = f("L");
        const TeamSeason& first = *lead.at(groupOf(t));
        row.d[8] = (static_cast<double>(f("L") - first.figure("L")) +
                    static_cast<double>(first.figure("W") - f("W"))) /
                   2.0;
        row.v[14] = s(BatPA);
        row.v[15] = f("R");
        row.v[16] = f("RA");
        row.v[17] = f("AB");
        row.v[18] = f("H");
        row.v[20] = f("X2B");
        row.v[21] = f("X3B");
        row.v[22] = f("HR");
        row.v[19] = total({f("H"), f("X2B"), 2 * f("X3B"), 3 * f("HR")});
        row.v[23] = s(BatRBI);
        row.v[24] = f("BB");
        row.v[25] = s(BatIBB);
        row.v[26] = f("HBP");
        row.v[27] = f("SO");
        row.v[28] = s(BatSH);
        row.v[29] = f("SF");
        row.v[33] = f("SB");
        row.v[34] = f("CS");
        row.v[35] = s(BatGIDP);
        row.v[38] = f("CG");
        row.v[39] = f("SHO");
        row.v[40] = s(PitRelief);
        row.v[41] = f("SV");
        row.v[42] = f("IPouts");
        row.v[43] = f("HA");
        row.v[44] = s(PitBFP);
        row.v[46] = f("ER");
        row.v[47] = f("HRA");
        row.v[48] = f("BBA");
        row.v[49] = s(PitIBB);
        row.v[50] = s(PitHBP);
        row.v[51] = f("SOA");
        row.v[52] = s(PitSH);
        row.v[53] = s(PitSF);
        row.v[54] = s(PitWP);
        row.v[55] = s(PitBK);
        // Opponents' at bats: batters faced less walks, hit batters and sacrifices (those not
        // recorded count 0, as in a pitcher's opponents' average).
        const long long bfp = row.v[44], bb = row.v[48];
        row.v[45] = bfp < 0 || bb < 0 ? -1
                                      : bfp - bb - std::max(0LL, row.v[50]) -
                                            std::max(0LL, row.v[52]) - std::max(0LL, row.v[53]);
        row.v[59] = s(FldPO);
        row.v[60] = s(FldA);
        row.v[62] = f("E");
        row.v[63] = total({row.v[59], row.v[60], row.v[62]});
        row.v[64] = f("DP");
        row.v[66] = s(FldPB);
        out.write(row, std::string(), 0);
    }
}

} // namespace bbstatsd
