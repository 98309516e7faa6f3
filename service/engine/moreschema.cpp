#include "service/engine/moreschema.h"

#include <array>
#include <cstring>
#include <span>

#include "service/engine/engine.h"

namespace bbstatsd {

namespace {

using K = FieldKind;

// Column titles of the sortable fields, by field number.
constexpr const char* kBattersTitles[] = {
    "PLAYER NAME", "YEAR", "TEAM CODE", "TEAM NAME", "LGE", "BAT",  "THR", "G",
    "PA",          "AB",   "RS",        "H",         "TB",  "S",    "D",   "T",
    "HR",          "RBI",  "AVG",       "OB%",       "SL%", "BB",   "SO",  "IBB",
    "HBP",         "SH",   "SF",        "SB",        "CS",  "GIDP", "POS"};
constexpr const char* kPitchersTitles[] = {
    "PLAYER NAME", "YEAR", "TEAM CODE", "TEAM NAME", "LGE",     "G",       "GS",  "CG",
    "SHO",         "GF",   "SV",        "WON",       "LOST",    "ERA",     "IP",  "BFP",
    "H",           "R",    "ER",        "HR",        "BB",      "SO",      "IBB", "HB",
    "SH",          "SF",   "WP",        "BK",        "OPP AVG", "OPP OB%", "THR"};
constexpr const char* kFieldersTitles[] = {
    "PLAYER NAME", "YEAR", "TEAM CODE", "TEAM NAME", "LGE",    "POS",   "G",     "PO",
    "AST",         "ERR",  "DP",        "PB",        "TOT CH", "RANGE", "TCH/G", "FLD%"};
constexpr const char* kTeamsTitles[] = {
    "YEAR",    "TEAM CODE", "TEAM NAME", "LGE",       "DIV",       "G",         "WON",
    "LOST",    "GB",        "W-L%",      "HOME WINS", "HOME LOSS", "AWAY WINS", "AWAY LOSS",
    "TPA",     "AB",        "RS",        "H",         "TB",        "D",         "T",
    "HR",      "RBI",       "AVG",       "OB%",       "SL%",       "BB",        "IBB",
    "HBP",     "SO",        "SAC HITS",  "SAC FLIES", "SB",        "CS",        "BAT GIDP",
    "BAT LOB", "BAT SHO",   "PIT CG",    "PIT SHO",   "PIT RA",    "SV",        "ERA",
    "IP",      "OPP HITS",  "BFP",       "OPP AB",    "OPP RS",    "OPP ER",    "OPP HR",
    "OPP BB",  "OPP IBB",   "OPP HB",    "OPP SO",    "OPP SacH",  "OPP SacF",  "WP",
    "BK",      "OPP AVG",   "OPP OB%",   "PO",        "AST",       "ERR",       "TOT CH",
    "DP",      "TP",        "PB",        "FA"};

// An added line: its field, and the title of its column.
struct Added {
    FieldDef field;
    const char* title;
};

// OPS, OPS+, FIP, ERA+, age and the expected W-L% are computed at load from league-season
// figures and park factors (see morefields.h); the others are ratios of the record's counts.
constexpr std::array<Added, 5> kBatterAdded{{
    {{"OPS", K::Real, 31, nullptr, 3}, "OPS"},
    {{"OPSPlus", K::Real, 32, nullptr, 0}, "OPS+"},
    {{"ISO", K::Ratio, 33, nullptr}, "ISO"},
    {{"BABIP", K::Ratio, 34, nullptr}, "BABIP"},
    {{"Age", K::Real, 35, nullptr, 0}, "AGE"},
}};

// Batters lines: AB 7, H 9, HR 12, SO 19, SF 22, TB 29. ISO = SLG - AVG = (TB - H) / AB;
// BABIP = (H - HR) / (AB - SO - HR + SF).
constexpr std::array<Term, 2> kIsoNum{{{29, 1}, {9, -1}}};
constexpr std::array<Term, 1> kIsoDen{{{7, 1}}};
constexpr std::array<int, 3> kIsoReq{29, 9, 7};
constexpr std::array<Term, 2> kBabipNum{{{9, 1}, {12, -1}}};
constexpr std::array<Term, 4> kBabipDen{{{7, 1}, {19, -1}, {12, -1}, {22, 1}}};
constexpr std::array<int, 4> kBabipReq{9, 12, 7, 19};
constexpr std::array<RatioDef, 2> kBatterAddedRatios{{
    {33, 1.0, kIsoNum, kIsoDen, kIsoReq, 3},
    {34, 1.0, kBabipNum, kBabipDen, kBabipReq, 3},
}};

constexpr std::array<Added, 8> kPitcherAdded{{
    {{"WHIP", K::Ratio, 31, nullptr}, "WHIP"},
    {{"K9", K::Ratio, 32, nullptr}, "K/9"},
    {{"BB9", K::Ratio, 33, nullptr}, "BB/9"},
    {{"HR9", K::Ratio, 34, nullptr}, "HR/9"},
    {{"KBB", K::Ratio, 35, nullptr}, "K/BB"},
    {{"ERAPlus", K::Real, 36, nullptr, 0}, "ERA+"},
    {{"FIP", K::Real, 37, nullptr, 2}, "FIP"},
    {{"Age", K::Real, 38, nullptr, 0}, "AGE"},
}};

// Pitchers lines: IP 14 (outs), H 16, HR 19, BB 20, SO 21. WHIP = (BB + H) / IP; per nine
// innings: 27 x count / outs.
constexpr std::array<Term, 2> kWhipNum{{{20, 1}, {16, 1}}};
constexpr std::array<Term, 1> kOuts{{{14, 1}}};
constexpr std::array<int, 3> kWhipReq{20, 16, 14};
constexpr std::array<Term, 1> kSo{{{21, 1}}};
constexpr std::array<Term, 1> kBb{{{20, 1}}};
constexpr std::array<Term, 1> kHr{{{19, 1}}};
constexpr std::array<int, 2> kSoReq{21, 14};
constexpr std::array<int, 2> kBbReq{20, 14};
constexpr std::array<int, 2> kHrReq{19, 14};
constexpr std::array<int, 2> kKbbReq{21, 20};
constexpr std::array<RatioDef, 5> kPitcherAddedRatios{{
    {31, 3.0, kWhipNum, kOuts, kWhipReq, 3},
    {32, 27.0, kSo, kOuts, kSoReq, 1},
    {33, 27.0, kBb, kOuts, kBbReq, 1},
    {34, 27.0, kHr, kOuts, kHrReq, 1},
    {35, 1.0, kSo, kBb, kKbbReq, 2},
}};

constexpr std::array<Added, 1> kFielderAdded{{
    {{"Age", K::Real, 16, nullptr, 0}, "AGE"},
}};

constexpr std::array<Added, 3> kTeamAdded{{
    {{"OPS", K::Real, 67, nullptr, 3}, "OPS"},
    {{"ERAPlus", K::Real, 68, nullptr, 0}, "ERA+"},
    {{"ExpWLPct", K::Real, 69, nullptr, 3}, "EXP W-L%"},
}};

// A table's definition with its added lines, built once.
struct MoreDef {
    std::vector<FieldDef> fields;
    std::vector<RatioDef> ratios;
    std::vector<const char*> titles; // by field number
    TableDef def;

    MoreDef(Table table, std::span<const Added> added, std::span<const RatioDef> addedRatios,
            std::span<const char* const> baseTitles)
        : def(tableDef(table)) {
        const TableDef& base = tableDef(table);
        fields.assign(base.fields.begin(), base.fields.end());
        ratios.assign(base.ratios.begin(), base.ratios.end());
        ratios.insert(ratios.end(), addedRatios.begin(), addedRatios.end());
        titles.assign(baseTitles.begin(), baseTitles.end());
        for (const Added& a : added) {
            fields.push_back(a.field);
            titles.push_back(a.title);
        }
        def.fields = fields;
        def.ratios = ratios;
        def.sortFieldCount = base.sortFieldCount + static_cast<int>(added.size());
    }
};

const MoreDef& moreDef(Table table) {
    static const MoreDef defs[] = {
        {Table::Batters, kBatterAdded, kBatterAddedRatios, kBattersTitles},
        {Table::Pitchers, kPitcherAdded, kPitcherAddedRatios, kPitchersTitles},
        {Table::Fielders, kFielderAdded, {}, kFieldersTitles},
        {Table::Teams, kTeamAdded, {}, kTeamsTitles},
    };
    return defs[static_cast<int>(table)];
}

// The value of key in a raw query, up to the next "&"; false when the key is absent.
bool queryValue(std::string_view query, std::string_view key, std::string_view& out) {
    std::size_t start = 0;
    while (start <= query.size()) {
        const auto end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        if (pair.size() >= key.size() + 1 && pair.starts_with(key) && pair[key.size()] == '=') {
            out = pair.substr(key.size() + 1);
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool switchOption(std::string_view query, std::string_view key) {
    std::string_view value;
    if (!queryValue(query, key, value)) {
        return false;
    }
    if (value != "0" && value != "1") {
        const std::string shown =
            value.size() > 20 ? std::string(value.substr(0, 20)) + "..." : std::string(value);
        throw RequestError(400, std::string(key) + ": unknown value \"" + shown + "\" (0 or 1)");
    }
    return value == "1";
}

} // namespace

const TableDef& moreTableDef(Table table) {
    return moreDef(table).def;
}

bool isMoreDef(const TableDef& def) {
    return def.fields.size() > tableDef(def.table).fields.size();
}

bool parseMoreOption(std::string_view query) {
    return switchOption(query, "more");
}

bool parseHeaderOption(std::string_view query) {
    return switchOption(query, "header");
}

std::string_view fieldTitle(const TableDef& def, int sortNo) {
    const std::vector<const char*>& titles = moreDef(def.table).titles;
    if (sortNo < 0 || sortNo >= def.sortFieldCount ||
        static_cast<std::size_t>(sortNo) >= titles.size()) {
        return {};
    }
    return titles[static_cast<std::size_t>(sortNo)];
}

int moreLine(const TableDef& def, std::string_view column) {
    for (std::size_t i = tableDef(def.table).fields.size(); i < def.fields.size(); ++i) {
        if (column == def.fields[i].column) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace bbstatsd
