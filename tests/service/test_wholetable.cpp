// The whole-table check, on the real data imported by the lahman_db fixture: every record the
// service sends for the four tables, its derived figures recomputed here from the Lahman CSVs
// with the standard definitions of record keeping, and the totals records of a few dozen
// selections recomputed from those records. Every line must agree exactly: a real is sent as
// the client shows it, the exact value rounded once, half up, to the decimals shown. Nothing
// here uses the importer's code.
#include <QtTest>

#include <charconv>
#include <cmath>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "service/engine/engine.h"
#include "tests/service/test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::Table;

namespace {

using Values = std::vector<std::string>; // one record, line by line

std::string lahmanDir() {
    const QByteArray dir = qgetenv("LAHMAN_DIR");
    return dir.isEmpty() ? qgetenv("BBSTATS_SOURCE_DIR").toStdString() + "/../shared/data/lahman"
                         : dir.toStdString();
}

// A Lahman CSV file read whole; fields as written, quotes removed, taken by column.
class Csv {
public:
    explicit Csv(const std::string& name) {
        std::ifstream in(lahmanDir() + "/" + name, std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        m_text = buffer.str();
        const std::string_view text(m_text);
        std::vector<std::string_view> fields;
        std::size_t width = 0;
        for (std::size_t i = 0; i < text.size();) {
            std::size_t end = i;
            if (text[i] == '"') { // the data doubles no quote inside a quoted field
                end = text.find('"', i + 1);
                fields.push_back(text.substr(i + 1, end - i - 1));
                ++end;
            } else {
                end = std::min(text.find_first_of(",\r\n", i), text.size());
                fields.push_back(text.substr(i, end - i));
            }
            i = end + 1;
            if (end < text.size() && text[end] == ',') {
                continue;
            }
            i += end < text.size() && text[end] == '\r' ? 1 : 0;
            if (width == 0) {
                width = fields.size();
            }
            QVERIFY2(fields.size() % width == 0, name.c_str());
        }
        for (std::size_t c = 0; c < width; ++c) {
            auto& column = m_columns[std::string(fields[c])];
            for (std::size_t at = width + c; at < fields.size(); at += width) {
                column.push_back(fields[at]);
            }
        }
        m_rows = width ? fields.size() / width - 1 : 0;
    }
    std::size_t rows() const { return m_rows; }
    // The texts of a column.
    const std::vector<std::string_view>& texts(const std::string& column) const {
        const auto it = m_columns.find(column);
        if (it == m_columns.end()) {
            qFatal("no column %s", column.c_str());
        }
        return it->second;
    }
    // The counts of a column, -1 where blank.
    const std::vector<long long>& counts(const std::string& column) const {
        auto& out = m_counts[column];
        if (out.empty()) {
            for (const std::string_view f : texts(column)) {
                long long v = -1;
                std::from_chars(f.data(), f.data() + f.size(), v);
                out.push_back(v);
            }
        }
        return out;
    }

private:
    std::string m_text;
    std::size_t m_rows = 0;
    std::unordered_map<std::string, std::vector<std::string_view>> m_columns;
    mutable std::unordered_map<std::string, std::vector<long long>> m_counts;
};

// The sum of values, or -1 when any is missing (a team's sum over its players' rows).
struct Sum {
    long long total = 0;
    bool missing = false, any = false;
    void add(long long v) {
        any = true;
        missing = missing || v < 0;
        total += v < 0 ? 0 : v;
    }
    long long value() const { return any && !missing ? total : -1; }
};

// A ratio: scale * (sum of num lines) / (sum of den lines with their signs); missing when a
// required line is missing or the denominator is not positive; other missing lines count 0.
// Shown with `decimals` decimals: averages three, earned run averages, range and chances per
// game two.
struct Ratio {
    int line;
    long long scale;
    std::vector<int> num, den; // den: a negative entry -l subtracts line l
    std::vector<int> required;
    int decimals = 3;
};

// What the check knows of each table: real lines, the lines a record is matched by, ratios.
struct Shape {
    Table table;
    int lines;
    int nameLine; // "TOTALS" in the totals record
    double missingReal;
    std::set<int> reals, innings, keys, unsummed; // unsummed: reals that are no ratio (GB)
    std::vector<Ratio> ratios;
};

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

} // namespace

class TestWholeTable : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Engine> m_engine;
    std::map<Table, std::vector<Values>> m_expected;
    std::map<Table, std::vector<std::string>> m_ids; // player of each record of player tables
    std::map<std::string, long long> m_scheduled;    // "year|league" -> most games of a club

    struct Person {
        std::string name, bats, throws;
    };
    std::unordered_map<std::string, Person> m_people;
    std::unordered_map<std::string, std::size_t> m_teamOf; // "year|team" -> row of Teams.csv
    std::vector<std::string> m_teamNames;                  // by row of Teams.csv
    std::map<std::string, std::size_t> m_slots;            // name of a team sum -> its place
    std::vector<std::vector<Sum>> m_sums;                  // by row of Teams.csv, by place

    std::size_t slot(const std::string& name) {
        return m_slots.emplace(name, m_slots.size()).first->second;
    }
    Sum& sum(std::size_t team, std::size_t slot) {
        auto& sums = m_sums[team];
        sums.resize(std::max(sums.size(), slot + 1));
        return sums[slot];
    }

    // Copies count columns to record lines and adds them to the club's sums named by prefix.
    void copyCounts(const Csv& csv, const std::vector<std::pair<int, const char*>>& lines,
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
    std::vector<std::size_t> startRecords(const Shape& s, const Csv& csv,
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

    void readBatting(const std::unordered_map<std::string, std::string>& positions) {
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
            const long long plate =
                ab[r] < 0 ? -1 : ab[r] + z(bb[r]) + z(hbp[r]) + z(sh[r]) + z(sf[r]);
            v[6] = std::to_string(plate);
            sum(teams[r], pa).add(plate);
            const bool parts = h[r] >= 0 && d[r] >= 0 && t[r] >= 0 && hr[r] >= 0;
            v[29] = std::to_string(parts ? h[r] + d[r] + 2 * t[r] + 3 * hr[r] : -1);
            const long long singles = h[r] - d[r] - t[r] - hr[r];
            v[30] = std::to_string(parts && singles >= 0 ? singles : -1);
            const std::string id(csv.texts("playerID")[r]);
            const auto pos =
                positions.find(id + "|" + v[1] + "|" + std::string(csv.texts("stint")[r]));
            v[26] = pos == positions.end() ? "-1" : pos->second;
            v[27] = m_people.at(id).bats;
            v[28] = m_people.at(id).throws;
            addRatios(kBatters, v);
        }
    }

    void readPitching() {
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
            const bool impossible =
                bfp[r] >= 0 && (bfp[r] < reached || (bfp[r] == 0 && outs[r] > 0));
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
    std::unordered_map<std::string, std::string> readFielding() {
        const Csv csv("Fielding.csv");
        auto& out = m_expected[Table::Fielders];
        auto teams = startRecords(kFielders, csv, out);
        copyCounts(csv,
                   {{5, "G"}, {6, "PO"}, {7, "A"}, {8, "E"}, {9, "DP"}, {10, "PB"}, {16, "GS"}}, "",
                   out, teams);
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

    void readTeams(const Csv& csv) {
        auto& out = m_expected[Table::Teams];
        const auto &w = csv.counts("W"), &l = csv.counts("L"), &rank = csv.counts("Rank");
        // The club games behind are counted from: ranked first in its season, league and
        // division; where none or several are, the best won-lost percentage of them (then wins).
        std::map<std::string, std::size_t> leader;
        auto group = [&](std::size_t r) {
            return std::string(csv.texts("yearID")[r]) + "|" + std::string(csv.texts("lgID")[r]) +
                   "|" + std::string(csv.texts("divID")[r]);
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

    // Season lines (career: false) or career lines of a player table, from its records here:
    // a season of one stint as it is; otherwise counts summed (missing when any stint lacks
    // them), averages from the sums, team "TOT" and the clubs and span counted in the name.
    // leaguesOf: the leagues of each line's stints.
    std::vector<Values> combined(const Shape& s, bool career,
                                 std::vector<std::set<std::string>>* leaguesOf = nullptr) {
        const std::vector<Values>& stints = m_expected.at(s.table);
        const std::vector<std::string>& ids = m_ids.at(s.table);
        std::unordered_map<std::string, std::size_t> groupOf;
        std::vector<std::vector<std::size_t>> groups;
        for (std::size_t i = 0; i < stints.size(); ++i) {
            const std::string key = career ? ids[i] : ids[i] + "|" + stints[i][1];
            const auto [it, fresh] = groupOf.emplace(key, groups.size());
            if (fresh) {
                groups.emplace_back();
            }
            groups[it->second].push_back(i);
        }
        const std::set<int> texts =
            s.table == Table::Batters ? std::set<int>{26, 27, 28} : std::set<int>{30};
        std::vector<Values> out;
        for (const auto& group : groups) {
            if (leaguesOf) {
                auto& set = leaguesOf->emplace_back();
                for (const std::size_t i : group) {
                    set.insert(stints[i][4]);
                }
            }
            if (!career && group.size() == 1) {
                out.push_back(stints[group[0]]);
                continue;
            }
            const Values& first = stints[group[0]];
            Values v(static_cast<std::size_t>(s.lines));
            std::set<std::string> codes, leagues;
            std::set<int> years;
            std::vector<std::string> positions;
            for (const std::size_t i : group) {
                codes.insert(stints[i][2]);
                leagues.insert(stints[i][4]);
                years.insert(std::stoi(stints[i][1]));
                if (s.table == Table::Batters && stints[i][26] != "-1") {
                    std::stringstream list(stints[i][26]);
                    for (std::string p; std::getline(list, p, ',');) {
                        if (std::find(positions.begin(), positions.end(), p) == positions.end()) {
                            positions.push_back(p);
                        }
                    }
                }
            }
            v[0] = first[0];
            v[1] = std::to_string(*years.begin());
            v[2] = career && codes.size() == 1 ? *codes.begin() : "TOT";
            const std::string clubs =
                std::to_string(codes.size()) + (codes.size() == 1 ? " team" : " teams");
            const std::string span =
                std::to_string(*years.begin()) +
                (years.size() > 1 ? "-" + std::to_string(*years.rbegin()) : "");
            v[3] = career ? span + ", " + clubs : clubs;
            v[4] = leagues.size() == 1 ? *leagues.begin() : "MLB";
            for (int line = 5; line < s.lines; ++line) {
                if (texts.count(line)) {
                    v[static_cast<std::size_t>(line)] = first[static_cast<std::size_t>(line)];
                } else if (!s.reals.count(line) || s.innings.count(line)) {
                    Sum sum;
                    for (const std::size_t i : group) {
                        sum.add(number(s, line, stints[i][static_cast<std::size_t>(line)]));
                    }
                    v[static_cast<std::size_t>(line)] = s.innings.count(line)
                                                            ? box(sum.value(), s.missingReal)
                                                            : std::to_string(sum.value());
                }
            }
            if (s.table == Table::Batters) {
                std::string list;
                for (const std::string& p : positions) {
                    list += (list.empty() ? "" : ",") + p;
                }
                v[26] = list.empty() ? "-1" : list;
            }
            addRatios(s, v);
            out.push_back(std::move(v));
        }
        return out;
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
        const long long games = m_scheduled.at(year + "|" + league);
        return s.table == Table::Batters ? std::llround(3.1 * static_cast<double>(games))
                                         : 3 * games;
    }

private slots:
    void initTestCase() {
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
        compareTable(*shapes[table], m_expected.at(shapes[table]->table));
    }

    // Season and career lines: every line of batters and pitchers against the lines combined
    // here; then limits, sorts and the qualifier on them, and the refusals of unknown modes.
    void combinedLines() {
        std::map<std::string, std::vector<Values>> lines;
        std::map<std::string, std::vector<std::set<std::string>>> leagues;
        for (const Shape* s : {&kBatters, &kPitchers}) {
            for (const bool career : {false, true}) {
                const std::string query = career ? "lines=career" : "lines=season";
                const std::string name = s == &kBatters ? query : "p" + query;
                lines[name] = combined(*s, career, &leagues[name]);
                compareTable(*s, lines[s == &kBatters ? query : "p" + query], query);
            }
        }
        const std::vector<Values>& careers = lines.at("lines=career");
        std::size_t total = 0;
        auto page = [&](const Shape& s, const std::string& first, const enginetest::Lines& items,
                        const std::string& query) {
            return records(s, m_engine->answer(s.table, enginetest::body(first, items), query),
                           total);
        };

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
        for (std::size_t i = 0; i < m_expected.at(Table::Batters).size(); ++i) {
            const Values& v = m_expected.at(Table::Batters)[i];
            if (v[0] == "Henderson, Rickey" && v[1] == "1989") {
                hits += std::stoll(v[9]);
                ++stints;
            }
        }
        QCOMPARE(stints, 2LL);
        QCOMPARE(rickey[0][9], std::to_string(hits));

        // Limits apply to the combined lines: the 500 home run club; the totals record is the
        // one of the same request on stints.
        std::set<std::string> club, served;
        for (const Values& v : careers) {
            if (std::stoll(v[12]) >= 500) {
                club.insert(v[0]);
            }
        }
        const std::string clubBody = enginetest::body("0!100!16!", {"E16!500!9999", "*"});
        for (const Values& v :
             records(kBatters, m_engine->answer(Table::Batters, clubBody, "lines=career"), total)) {
            served.insert(v[0]);
        }
        QVERIFY(club.size() > 20 && club.count("Ruth, Babe"));
        QCOMPARE(served, club);
        const auto totalsOf = [](const std::string& reply) {
            return reply.substr(reply.find("TOTALS\r\n"));
        };
        QCOMPARE(totalsOf(m_engine->answer(Table::Batters, clubBody, "lines=career")),
                 totalsOf(m_engine->answer(Table::Batters, clubBody)));

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
        for (const Values& v : m_expected.at(s.table)) {
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
        // Counts: the values present summed; averages from the sums; texts empty but the name.
        Values expected(static_cast<std::size_t>(s.lines));
        expected[static_cast<std::size_t>(s.nameLine)] = "TOTALS";
        const std::set<int> texts = {0,
                                     1,
                                     2,
                                     3,
                                     4,
                                     s.table == Table::Batters ? 26 : -1,
                                     s.table == Table::Batters ? 27 : -1,
                                     s.table == Table::Batters ? 28 : -1,
                                     s.table == Table::Pitchers ? 30 : -1,
                                     s.table == Table::Fielders ? 15 : -1};
        for (int line = 0; line < s.lines; ++line) {
            if (texts.count(line) || (s.reals.count(line) && !s.innings.count(line))) {
                continue;
            }
            Sum sum;
            for (const Values* v : chosen) {
                const long long x = number(s, line, (*v)[static_cast<std::size_t>(line)]);
                if (x >= 0) {
                    sum.add(x);
                }
            }
            const long long total = sum.any ? sum.total : -1;
            expected[static_cast<std::size_t>(line)] =
                s.innings.count(line) ? box(total, s.missingReal) : std::to_string(total);
        }
        for (int line : s.unsummed) {
            expected[static_cast<std::size_t>(line)] = missingText(s.missingReal, 1);
        }
        for (const Ratio& r : s.ratios) {
            expected[static_cast<std::size_t>(r.line)] = ratioOver(s, r, chosen);
        }
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
