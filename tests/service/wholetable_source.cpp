#include "tests/service/wholetable_source.h"

#include <QtTest>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/service/lahman_csv.h"

namespace wholetable {

const Shape kBatters{Table::Batters,
                     31,
                     0,
                     1e6,
                     {14, 15, 16},
                     {},
                     {0, 1, 2, 4, 5, 7, 8, 9, 12, 17, 19, 21},
                     {},
                     {{14, 1, {9}, {7}, {9, 7}},
                      {15, 1, {9, 17, 20}, {7, 17, 20, 22}, {9, 7, 17}},
                      {16, 1, {29}, {7}, {29, 7}}}};
const Shape kPitchers{Table::Pitchers,
                      31,
                      0,
                      -1,
                      {13, 14, 28, 29},
                      {14},
                      {0, 1, 2, 4, 5, 6, 11, 12, 15, 16, 18, 20, 21},
                      {},
                      {{13, 27, {18}, {14}, {18, 14}, 2},
                       {28, 1, {16}, {15, -20, -23, -24, -25}, {16, 15, 20}},
                       {29, 1, {16, 20, 23}, {15, -24}, {16, 15, 20}}}};
const Shape kFielders{Table::Fielders,
                      17,
                      0,
                      -1,
                      {12, 13, 14},
                      {},
                      {0, 1, 2, 4, 5, 6, 7, 8, 15, 16},
                      {},
                      {{12, 1, {6, 7}, {6, 7, 8}, {6, 7, 8}},
                       {13, 1, {6, 7}, {5}, {6, 7, 5}, 2},
                       {14, 1, {11}, {5}, {11, 5}, 2}}};
const Shape kTeams{Table::Teams,
                   67,
                   1,
                   1e6,
                   {8, 9, 30, 31, 32, 42, 56, 57, 58, 61},
                   {42},
                   {0, 4},
                   {8},
                   {{9, 1, {6}, {6, 7}, {6, 7}},
                    {30, 1, {18}, {17}, {18, 17}},
                    {31, 1, {18, 24, 26}, {17, 24, 26, 29}, {18, 17, 24}},
                    {32, 1, {19}, {17}, {19, 17}},
                    {56, 27, {46}, {42}, {46, 42}, 2},
                    {57, 1, {43}, {45}, {43, 45}},
                    {58, 1, {43, 48, 50}, {44, -52}, {43, 44, 48}},
                    {61, 1, {59, 60}, {59, 60, 62}, {59, 60, 62}}}};

// A figure of `decimals` decimals given in units of its last decimal, as text.
std::string fixed(long long units, int decimals) {
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    const long long a = units < 0 ? -units : units;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%lld.%0*lld", units < 0 ? "-" : "", a / scale, decimals,
                  a % scale);
    return buf;
}

// The missing marker of a table's reals with `decimals` decimals.
std::string missingText(double marker, int decimals) {
    return fixed(std::llround(marker * std::pow(10.0, decimals)), decimals);
}

// A line as a number: counts as they are, innings (box-score form) as outs.
long long number(const Shape& s, int line, const std::string& text) {
    if (s.innings.count(line)) {
        const double ip = std::stod(text);
        return ip < 0 || ip == s.missingReal
                   ? -1
                   : std::llround(std::floor(ip) * 3 + (ip - std::floor(ip)) * 10);
    }
    return text.empty() ? -1 : std::stoll(text);
}

// The ratio over records (one record: its own figure; several: the totals' figure).
std::string ratioOver(const Shape& s, const Ratio& r, const std::vector<const Values*>& records) {
    long long num = 0, den = 0;
    for (const Values* v : records) {
        auto at = [&](int line) { return number(s, line, (*v)[static_cast<std::size_t>(line)]); };
        if (std::any_of(r.required.begin(), r.required.end(), [&](int l) { return at(l) < 0; })) {
            continue;
        }
        for (int l : r.num) {
            num += std::max(0LL, at(l));
        }
        for (int l : r.den) {
            den += (l < 0 ? -1 : 1) * std::max(0LL, at(std::abs(l)));
        }
    }
    if (den <= 0) {
        return missingText(s.missingReal, r.decimals);
    }
    // Rounded half up: the exact value plus a half, cut to whole units of the last decimal.
    long long unit = 1;
    for (int i = 0; i < r.decimals; ++i) {
        unit *= 10;
    }
    const long long twice = 2 * r.scale * num * unit + den;
    return fixed(twice / (2 * den), r.decimals);
}

// Fills the ratio lines of a record from its counts.
void addRatios(const Shape& s, Values& v) {
    for (const Ratio& r : s.ratios) {
        v[static_cast<std::size_t>(r.line)] = ratioOver(s, r, {&v});
    }
}

// Innings in box-score form: whole innings and the outs past them as tenths.
std::string box(long long outs, double missing) {
    return outs < 0 ? missingText(missing, 1) : fixed(outs / 3 * 10 + outs % 3, 1);
}

// The differences of a served record from the expected one, "" when they agree.
std::string differences(const Shape& s, const Values& expected,
                        const std::vector<std::string_view>& served) {
    std::string out;
    for (int line = 0; line < s.lines; ++line) {
        const std::string& e = expected[static_cast<std::size_t>(line)];
        const std::string_view g = served[static_cast<std::size_t>(line)];
        if (e != g) {
            out += " line " + std::to_string(line) + ": sent " + std::string(g) + ", expected " +
                   e + ";";
        }
    }
    return out;
}

void SourceRecords::read() {
    const Csv people("People.csv");
    for (std::size_t r = 0; r < people.rows(); ++r) {
        Person p;
        p.name = people.texts("nameLast")[r];
        if (!people.texts("nameFirst")[r].empty()) {
            p.name += ", " + std::string(people.texts("nameFirst")[r]);
        }
        p.bats = people.texts("bats")[r] == "B" ? "S" : std::string(people.texts("bats")[r]);
        p.throws = people.texts("throws")[r];
        m_people[std::string(people.texts("playerID")[r])] = p;
    }
    const Csv teams("Teams.csv");
    for (std::size_t r = 0; r < teams.rows(); ++r) {
        m_teamOf[std::string(teams.texts("yearID")[r]) + "|" +
                 std::string(teams.texts("teamID")[r])] = r;
        m_teamNames.emplace_back(teams.texts("name")[r]);
        long long& most = m_scheduled[std::string(teams.texts("yearID")[r]) + "|" +
                                      std::string(teams.texts("lgID")[r])];
        most = std::max(most, teams.counts("G")[r]);
    }
    m_sums.resize(teams.rows());
    readBatting(readFielding());
    readPitching();
    readTeams(teams);
}

std::size_t SourceRecords::slot(const std::string& name) {
    return m_slots.emplace(name, m_slots.size()).first->second;
}
Sum& SourceRecords::sum(std::size_t team, std::size_t slot) {
    auto& sums = m_sums[team];
    sums.resize(std::max(sums.size(), slot + 1));
    return sums[slot];
}

// Copies count columns to record lines and adds them to the club's sums named by prefix.
void SourceRecords::copyCounts(const Csv& csv,
                               const std::vector<std::pair<int, const char*>>& lines,
                               const std::string& prefix, std::vector<Values>& out,
                               std::vector<std::size_t>& teams) {
    for (const auto& [line, column] : lines) {
        const std::vector<long long>& values = csv.counts(column);
        const std::size_t place = slot(prefix + column);
        for (std::size_t r = 0; r < values.size(); ++r) {
            out[r][static_cast<std::size_t>(line)] = std::to_string(values[r]);
            if (!prefix.empty()) {
                sum(teams[r], place).add(values[r]);
            }
        }
    }
}

// The lines each record of a player file starts with; gives the club (row of Teams.csv)
// of each record.
std::vector<std::size_t> SourceRecords::startRecords(const Shape& s, const Csv& csv,
                                                     std::vector<Values>& out) {
    const auto &ids = csv.texts("playerID"), &years = csv.texts("yearID"),
               &codes = csv.texts("teamID"), &leagues = csv.texts("lgID");
    std::vector<std::size_t> teams(csv.rows());
    out.reserve(csv.rows());
    auto& players = m_ids[s.table];
    for (std::size_t r = 0; r < csv.rows(); ++r) {
        players.emplace_back(ids[r]);
        Values& v = out.emplace_back(static_cast<std::size_t>(s.lines));
        v[0] = m_people.at(std::string(ids[r])).name;
        v[1] = years[r];
        v[2] = codes[r];
        teams[r] = m_teamOf.at(v[1] + "|" + v[2]);
        v[3] = m_teamNames[teams[r]];
        v[4] = leagues[r];
    }
    return teams;
}

void SourceRecords::readBatting(const std::unordered_map<std::string, std::string>& positions) {
    const Csv csv("Batting.csv");
    auto& out = m_expected[Table::Batters];
    auto teams = startRecords(kBatters, csv, out);
    copyCounts(csv,
               {{5, "G"},
                {7, "AB"},
                {8, "R"},
                {9, "H"},
                {10, "X2B"},
                {11, "X3B"},
                {12, "HR"},
                {13, "RBI"},
                {17, "BB"},
                {18, "IBB"},
                {19, "SO"},
                {20, "HBP"},
                {21, "SH"},
                {22, "SF"},
                {23, "SB"},
                {24, "CS"},
                {25, "GIDP"}},
               "bat", out, teams);
    const auto &ab = csv.counts("AB"), &bb = csv.counts("BB"), &hbp = csv.counts("HBP"),
               &sh = csv.counts("SH"), &sf = csv.counts("SF"), &h = csv.counts("H"),
               &d = csv.counts("X2B"), &t = csv.counts("X3B"), &hr = csv.counts("HR");
    const std::size_t pa = slot("batPA");
    for (std::size_t r = 0; r < csv.rows(); ++r) {
        Values& v = out[r];
        auto z = [](long long x) { return std::max(0LL, x); };
        // Plate appearances: at bats, walks, hit batsmen and sacrifices (those not recorded 0).
        const long long plate = ab[r] < 0 ? -1 : ab[r] + z(bb[r]) + z(hbp[r]) + z(sh[r]) + z(sf[r]);
        v[6] = std::to_string(plate);
        sum(teams[r], pa).add(plate);
        const bool parts = h[r] >= 0 && d[r] >= 0 && t[r] >= 0 && hr[r] >= 0;
        v[29] = std::to_string(parts ? h[r] + d[r] + 2 * t[r] + 3 * hr[r] : -1);
        const long long singles = h[r] - d[r] - t[r] - hr[r];
        v[30] = std::to_string(parts && singles >= 0 ? singles : -1);
        const std::string id(csv.texts("playerID")[r]);
        const auto pos = positions.find(id + "|" + v[1] + "|" + std::string(csv.texts("stint")[r]));
        v[26] = pos == positions.end() ? "-1" : pos->second;
        v[27] = m_people.at(id).bats;
        v[28] = m_people.at(id).throws;
        addRatios(kBatters, v);
    }
}

void SourceRecords::readPitching() {
    const Csv csv("Pitching.csv");
    auto& out = m_expected[Table::Pitchers];
    auto teams = startRecords(kPitchers, csv, out);
    copyCounts(csv, {{5, "G"},    {6, "GS"},  {7, "CG"},  {8, "SHO"}, {9, "GF"},
                     {10, "SV"},  {11, "W"},  {12, "L"},  {16, "H"},  {17, "R"},
                     {18, "ER"},  {19, "HR"}, {20, "BB"}, {21, "SO"}, {22, "IBB"},
                     {23, "HBP"}, {24, "SH"}, {25, "SF"}, {26, "WP"}, {27, "BK"}},
               "pit", out, teams);
    const auto &outs = csv.counts("IPouts"), &g = csv.counts("G"), &gs = csv.counts("GS"),
               &bfp = csv.counts("BFP"), &h = csv.counts("H"), &bb = csv.counts("BB"),
               &hbp = csv.counts("HBP");
    const std::size_t ipouts = slot("pitIPouts"), relief = slot("pitRelief"),
                      faced = slot("pitBFP");
    for (std::size_t r = 0; r < csv.rows(); ++r) {
        Values& v = out[r];
        // Every batter who reached on a hit, a walk or a pitch was faced, and an out needs
        // a batter: batters faced below either cannot be true and are missing.
        const long long reached =
            std::max(0LL, h[r]) + std::max(0LL, bb[r]) + std::max(0LL, hbp[r]);
        const bool impossible = bfp[r] >= 0 && (bfp[r] < reached || (bfp[r] == 0 && outs[r] > 0));
        const long long batters = impossible ? -1 : bfp[r];
        v[15] = std::to_string(batters);
        sum(teams[r], faced).add(batters);
        v[14] = box(outs[r], -1);
        sum(teams[r], ipouts).add(outs[r]);
        sum(teams[r], relief).add(g[r] < 0 || gs[r] < 0 ? -1 : g[r] - gs[r]);
        v[30] = m_people.at(std::string(csv.texts("playerID")[r])).throws;
        addRatios(kPitchers, v);
    }
}

// Fielding records, the fielding sums of the clubs, and each stint's positions for the
// batting records: lower case, most games first.
std::unordered_map<std::string, std::string> SourceRecords::readFielding() {
    const Csv csv("Fielding.csv");
    auto& out = m_expected[Table::Fielders];
    auto teams = startRecords(kFielders, csv, out);
    copyCounts(csv, {{5, "G"}, {6, "PO"}, {7, "A"}, {8, "E"}, {9, "DP"}, {10, "PB"}, {16, "GS"}},
               "", out, teams);
    const auto &g = csv.counts("G"), &po = csv.counts("PO"), &a = csv.counts("A"),
               &e = csv.counts("E"), &pb = csv.counts("PB");
    const std::size_t sPO = slot("PO"), sA = slot("A"), sE = slot("E"), sPB = slot("PB");
    std::unordered_map<std::string, std::vector<std::pair<std::string, long long>>> played;
    for (std::size_t r = 0; r < csv.rows(); ++r) {
        Values& v = out[r];
        v[11] = std::to_string(po[r] < 0 || a[r] < 0 || e[r] < 0 ? -1 : po[r] + a[r] + e[r]);
        v[15] = csv.texts("POS")[r];
        addRatios(kFielders, v);
        // Pinch hitters and runners field no chances; passed balls are charged to catchers.
        if (v[15] != "PH" && v[15] != "PR") {
            sum(teams[r], sPO).add(po[r]);
            sum(teams[r], sA).add(a[r]);
            sum(teams[r], sE).add(e[r]);
        }
        if (v[15] == "C" || pb[r] >= 0) {
            sum(teams[r], sPB).add(pb[r]);
        }
        std::string pos = v[15];
        for (char& ch : pos) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        auto& list = played[std::string(csv.texts("playerID")[r]) + "|" + v[1] + "|" +
                            std::string(csv.texts("stint")[r])];
        const auto same =
            std::find_if(list.begin(), list.end(), [&](auto& x) { return x.first == pos; });
        if (same == list.end()) {
            list.emplace_back(pos, std::max(0LL, g[r]));
        } else {
            same->second += std::max(0LL, g[r]);
        }
    }
    static const std::vector<std::string> order = {"p",  "c",  "1b", "2b", "3b", "ss", "of",
                                                   "lf", "cf", "rf", "dh", "ph", "pr"};
    auto rank = [&](const std::string& p) {
        return std::find(order.begin(), order.end(), p) - order.begin();
    };
    std::unordered_map<std::string, std::string> positions;
    for (auto& [key, list] : played) {
        std::stable_sort(list.begin(), list.end(), [&](auto& x, auto& y) {
            return x.second != y.second ? x.second > y.second : rank(x.first) < rank(y.first);
        });
        std::string text;
        for (const auto& [pos, games] : list) {
            text += (text.empty() ? "" : ",") + pos;
        }
        positions[key] = text;
    }
    return positions;
}

void SourceRecords::readTeams(const Csv& csv) {
    auto& out = m_expected[Table::Teams];
    const auto &w = csv.counts("W"), &l = csv.counts("L"), &rank = csv.counts("Rank");
    // The club games behind are counted from: ranked first in its season, league and
    // division; where none or several are, the best won-lost percentage of them (then wins).
    std::map<std::string, std::size_t> leader;
    auto group = [&](std::size_t r) {
        return std::string(csv.texts("yearID")[r]) + "|" + std::string(csv.texts("lgID")[r]) + "|" +
               std::string(csv.texts("divID")[r]);
    };
    auto pct = [&](std::size_t r) {
        return w[r] + l[r] > 0 ? double(w[r]) / double(w[r] + l[r]) : 0.0;
    };
    auto better = [&](std::size_t a, std::size_t b) {
        return pct(a) != pct(b) ? pct(a) > pct(b) : w[a] > w[b];
    };
    for (std::size_t r = 0; r < csv.rows(); ++r) {
        const auto at = leader.find(group(r));
        const bool firstThere = at != leader.end() && rank[at->second] == 1;
        if (at == leader.end() || (rank[r] == 1 && !firstThere) ||
            ((rank[r] == 1) == firstThere && better(r, at->second))) {
            leader[group(r)] = r;
        }
    }
    for (std::size_t r = 0; r < csv.rows(); ++r) {
        Values v(67, "-1");
        auto s = [&](const std::string& key) {
            const auto place = m_slots.find(key);
            return place == m_slots.end() || place->second >= m_sums[r].size()
                       ? -1
                       : m_sums[r][place->second].value();
        };
        // The Teams row's own figure; where blank, or below half of the complete sum of the
        // player rows that counts it (those rows are part of the club's count), that sum.
        auto f = [&](const char* column, const std::string& stand) {
            const long long own = csv.counts(column)[r];
            if (stand.empty()) {
                return own;
            }
            const long long rows = s(stand);
            return own < 0 || (rows >= 0 && 2 * own < rows) ? rows : own;
        };
        auto put = [&](int line, long long value) {
            v[static_cast<std::size_t>(line)] = std::to_string(value);
        };
        v[0] = csv.texts("teamID")[r];
        v[1] = csv.texts("name")[r];
        v[2] = csv.texts("lgID")[r];
        v[3] = csv.texts("divID")[r].empty() ? "-" : std::string(csv.texts("divID")[r]);
        v[4] = csv.texts("yearID")[r];
        put(5, f("G", ""));
        put(6, w[r]);
        put(7, l[r]);
        const std::size_t lead = leader.at(group(r));
        v[8] = fixed((w[lead] - w[r] + l[r] - l[lead]) * 5, 1); // halves: units of 0.1
        static const std::tuple<int, const char*, const char*> own[] = {
            {15, "R", "batR"},    {16, "RA", "pitR"},    {17, "AB", "batAB"},
            {18, "H", "batH"},    {20, "X2B", "batX2B"}, {21, "X3B", "batX3B"},
            {22, "HR", "batHR"},  {24, "BB", "batBB"},   {26, "HBP", "batHBP"},
            {27, "SO", "batSO"},  {29, "SF", "batSF"},   {33, "SB", "batSB"},
            {34, "CS", "batCS"},  {38, "CG", "pitCG"},   {39, "SHO", ""},
            {41, "SV", "pitSV"},  {43, "HA", "pitH"},    {46, "ER", ""},
            {47, "HRA", "pitHR"}, {48, "BBA", "pitBB"},  {51, "SOA", "pitSO"},
            {62, "E", "E"},       {64, "DP", ""}};
        for (const auto& [line, column, stand] : own) {
            put(line, f(column, stand));
        }
        static const std::pair<int, const char*> summed[] = {
            {14, "batPA"},   {23, "batRBI"},    {25, "batIBB"}, {28, "batSH"},
            {35, "batGIDP"}, {40, "pitRelief"}, {44, "pitBFP"}, {49, "pitIBB"},
            {50, "pitHBP"},  {52, "pitSH"},     {53, "pitSF"},  {54, "pitWP"},
            {55, "pitBK"},   {59, "PO"},        {60, "A"},      {66, "PB"}};
        for (const auto& [line, key] : summed) {
            put(line, s(key));
        }
        auto at = [&](int line) { return std::stoll(v[static_cast<std::size_t>(line)]); };
        const bool parts = at(18) >= 0 && at(20) >= 0 && at(21) >= 0 && at(22) >= 0;
        put(19, parts ? at(18) + at(20) + 2 * at(21) + 3 * at(22) : -1);
        v[42] = box(f("IPouts", "pitIPouts"), 1e6);
        // Opponents' at bats: batters faced less walks, hit batsmen and sacrifices.
        put(45, at(44) < 0 || at(48) < 0 ? -1
                                         : at(44) - at(48) - std::max(0LL, at(50)) -
                                               std::max(0LL, at(52)) - std::max(0LL, at(53)));
        put(63, at(59) < 0 || at(60) < 0 || at(62) < 0 ? -1 : at(59) + at(60) + at(62));
        addRatios(kTeams, v);
        out.push_back(std::move(v));
    }
}

} // namespace wholetable
