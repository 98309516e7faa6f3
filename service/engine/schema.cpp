#include "service/engine/schema.h"

#include <array>

namespace bbstatsd {

namespace {

using K = FieldKind;

constexpr std::array<FieldDef, 31> kBatters{{
    {"PlayerName", K::Name, 0, nullptr}, {"Year", K::Year, 1, nullptr},
    {"TeamCode", K::Text, 2, nullptr},   {"TeamName", K::Text, 3, nullptr},
    {"League", K::Text, 4, nullptr},     {"G", K::Count, 7, nullptr},
    {"PA", K::Count, 8, nullptr},        {"AB", K::Count, 9, nullptr},
    {"RS", K::Count, 10, nullptr},       {"H", K::Count, 11, nullptr},
    {"D", K::Count, 14, nullptr},        {"T", K::Count, 15, nullptr},
    {"HR", K::Count, 16, nullptr},       {"RBI", K::Count, 17, nullptr},
    {"AVG", K::Ratio, 18, nullptr},      {"OBP", K::Ratio, 19, nullptr},
    {"SLG", K::Ratio, 20, nullptr},      {"BB", K::Count, 21, nullptr},
    {"IBB", K::Count, 23, nullptr},      {"SO", K::Count, 22, nullptr},
    {"HBP", K::Count, 24, nullptr},      {"SH", K::Count, 25, nullptr},
    {"SF", K::Count, 26, nullptr},       {"SB", K::Count, 27, nullptr},
    {"CS", K::Count, 28, nullptr},       {"GIDP", K::Count, 29, nullptr},
    {"Positions", K::Text, 30, "-1"},    {"Bats", K::Char, 5, ""},
    {"Throws", K::Char, 6, ""},          {"TB", K::Count, 12, nullptr},
    {"S", K::Count, 13, nullptr},
}};

// Batters lines: H 9, AB 7, BB 17, HBP 20, SF 22, TB 29. OBP counts a sacrifice fly as a plate
// appearance that did not reach base: (H + BB + HBP) / (AB + BB + HBP + SF).
constexpr std::array<Term, 1> kBatH{{{9, 1}}};
constexpr std::array<Term, 1> kBatAB{{{7, 1}}};
constexpr std::array<Term, 3> kBatOn{{{9, 1}, {17, 1}, {20, 1}}};
constexpr std::array<Term, 4> kBatOnDen{{{7, 1}, {17, 1}, {20, 1}, {22, 1}}};
constexpr std::array<Term, 1> kBatTB{{{29, 1}}};
constexpr std::array<int, 2> kBatReqAvg{9, 7};
constexpr std::array<int, 3> kBatReqObp{9, 7, 17};
constexpr std::array<int, 2> kBatReqSlg{29, 7};
constexpr std::array<RatioDef, 3> kBatterRatios{{
    {14, 1.0, kBatH, kBatAB, kBatReqAvg, 3},
    {15, 1.0, kBatOn, kBatOnDen, kBatReqObp, 3},
    {16, 1.0, kBatTB, kBatAB, kBatReqSlg, 3},
}};

constexpr std::array<FieldDef, 31> kPitchers{{
    {"PlayerName", K::Name, 0, nullptr}, {"Year", K::Year, 1, nullptr},
    {"TeamCode", K::Text, 2, nullptr},   {"TeamName", K::Text, 3, nullptr},
    {"League", K::Text, 4, nullptr},     {"G", K::Count, 5, nullptr},
    {"GS", K::Count, 6, nullptr},        {"CG", K::Count, 7, nullptr},
    {"SHO", K::Count, 8, nullptr},       {"GF", K::Count, 9, nullptr},
    {"SV", K::Count, 10, nullptr},       {"W", K::Count, 11, nullptr},
    {"L", K::Count, 12, nullptr},        {"ERA", K::Ratio, 13, nullptr},
    {"IP", K::Innings, 14, nullptr},     {"BFP", K::Count, 15, nullptr},
    {"H", K::Count, 16, nullptr},        {"R", K::Count, 17, nullptr},
    {"ER", K::Count, 18, nullptr},       {"HR", K::Count, 19, nullptr},
    {"BB", K::Count, 20, nullptr},       {"SO", K::Count, 21, nullptr},
    {"IBB", K::Count, 22, nullptr},      {"HB", K::Count, 23, nullptr},
    {"SH", K::Count, 24, nullptr},       {"SF", K::Count, 25, nullptr},
    {"WP", K::Count, 26, nullptr},       {"BK", K::Count, 27, nullptr},
    {"OppAVG", K::Ratio, 28, nullptr},   {"OppOBP", K::Ratio, 29, nullptr},
    {"Throws", K::Char, 30, ""},
}};

// Pitchers lines: IP 14 (outs), BFP 15, H 16, ER 18, BB 20, HB 23, SH 24, SF 25. Opponents'
// OBP takes only sacrifice hits out of the batters faced: a sacrifice fly counts against it.
constexpr std::array<Term, 1> kPitER{{{18, 1}}};
constexpr std::array<Term, 1> kPitOuts{{{14, 1}}};
constexpr std::array<Term, 1> kPitH{{{16, 1}}};
constexpr std::array<Term, 5> kPitAB{{{15, 1}, {20, -1}, {23, -1}, {24, -1}, {25, -1}}};
constexpr std::array<Term, 3> kPitOn{{{16, 1}, {20, 1}, {23, 1}}};
constexpr std::array<Term, 2> kPitOnDen{{{15, 1}, {24, -1}}};
constexpr std::array<int, 2> kPitReqEra{18, 14};
constexpr std::array<int, 3> kPitReqOpp{16, 15, 20};
constexpr std::array<RatioDef, 3> kPitcherRatios{{
    {13, 27.0, kPitER, kPitOuts, kPitReqEra, 2},
    {28, 1.0, kPitH, kPitAB, kPitReqOpp, 3},
    {29, 1.0, kPitOn, kPitOnDen, kPitReqOpp, 3},
}};

constexpr std::array<FieldDef, 17> kFielders{{
    {"PlayerName", K::Name, 0, nullptr},
    {"Year", K::Year, 1, nullptr},
    {"TeamCode", K::Text, 2, nullptr},
    {"TeamName", K::Text, 3, nullptr},
    {"League", K::Text, 4, nullptr},
    {"G", K::Count, 6, nullptr},
    {"PO", K::Count, 7, nullptr},
    {"AST", K::Count, 8, nullptr},
    {"ERR", K::Count, 9, nullptr},
    {"DP", K::Count, 10, nullptr},
    {"PB", K::Count, 11, nullptr},
    {"TotalChances", K::Count, 12, nullptr},
    {"FieldingPct", K::Ratio, 15, nullptr},
    {"Range", K::Ratio, 13, nullptr},
    {"ChancesPerGame", K::Ratio, 14, nullptr},
    {"Position", K::Text, 5, nullptr},
    {"GS", K::Count, -1, nullptr},
}};

// Fielders lines: G 5, PO 6, AST 7, ERR 8, TotalChances 11.
constexpr std::array<Term, 2> kFldMade{{{6, 1}, {7, 1}}};
constexpr std::array<Term, 3> kFldChances{{{6, 1}, {7, 1}, {8, 1}}};
constexpr std::array<Term, 1> kFldG{{{5, 1}}};
constexpr std::array<Term, 1> kFldTC{{{11, 1}}};
constexpr std::array<int, 3> kFldReqPct{6, 7, 8};
constexpr std::array<int, 3> kFldReqRange{6, 7, 5};
constexpr std::array<int, 2> kFldReqTcg{11, 5};
constexpr std::array<RatioDef, 3> kFielderRatios{{
    {12, 1.0, kFldMade, kFldChances, kFldReqPct, 3},
    {13, 1.0, kFldMade, kFldG, kFldReqRange, 2},
    {14, 1.0, kFldTC, kFldG, kFldReqTcg, 2},
}};

constexpr std::array<FieldDef, 67> kTeams{{
    {"TeamCode", K::Text, 1, nullptr},  {"TeamName", K::Text, 2, nullptr},
    {"League", K::Text, 3, nullptr},    {"Division", K::Text, 4, "-"},
    {"Year", K::Year, 0, nullptr},      {"G", K::Count, 5, nullptr},
    {"W", K::Count, 6, nullptr},        {"L", K::Count, 7, nullptr},
    {"GB", K::Real, 8, nullptr},        {"WLPct", K::Ratio, 9, nullptr},
    {"HomeW", K::Count, 10, nullptr},   {"HomeL", K::Count, 11, nullptr},
    {"AwayW", K::Count, 12, nullptr},   {"AwayL", K::Count, 13, nullptr},
    {"TPA", K::Count, 14, nullptr},     {"RS", K::Count, 16, nullptr},
    {"OppRS", K::Count, 46, nullptr},   {"AB", K::Count, 15, nullptr},
    {"H", K::Count, 17, nullptr},       {"TB", K::Count, 18, nullptr},
    {"D", K::Count, 19, nullptr},       {"T", K::Count, 20, nullptr},
    {"HR", K::Count, 21, nullptr},      {"RBI", K::Count, 22, nullptr},
    {"BB", K::Count, 26, nullptr},      {"IBB", K::Count, 27, nullptr},
    {"HBP", K::Count, 28, nullptr},     {"SO", K::Count, 29, nullptr},
    {"SacH", K::Count, 30, nullptr},    {"SacF", K::Count, 31, nullptr},
    {"AVG", K::Ratio, 23, nullptr},     {"OBP", K::Ratio, 24, nullptr},
    {"SLG", K::Ratio, 25, nullptr},     {"SB", K::Count, 32, nullptr},
    {"CS", K::Count, 33, nullptr},      {"GIDP", K::Count, 34, nullptr},
    {"LOB", K::Count, 35, nullptr},     {"BatSHO", K::Count, 36, nullptr},
    {"CG", K::Count, 37, nullptr},      {"SHO", K::Count, 38, nullptr},
    {"RA", K::Count, 39, nullptr},      {"SV", K::Count, 40, nullptr},
    {"IP", K::Innings, 42, nullptr},    {"OppH", K::Count, 43, nullptr},
    {"BFP", K::Count, 44, nullptr},     {"OppAB", K::Count, 45, nullptr},
    {"OppER", K::Count, 47, nullptr},   {"OppHR", K::Count, 48, nullptr},
    {"OppBB", K::Count, 49, nullptr},   {"OppIBB", K::Count, 50, nullptr},
    {"OppHBP", K::Count, 51, nullptr},  {"OppSO", K::Count, 52, nullptr},
    {"OppSacH", K::Count, 53, nullptr}, {"OppSacF", K::Count, 54, nullptr},
    {"WP", K::Count, 55, nullptr},      {"BK", K::Count, 56, nullptr},
    {"ERA", K::Ratio, 41, nullptr},     {"OppAVG", K::Ratio, 57, nullptr},
    {"OppOBP", K::Ratio, 58, nullptr},  {"PO", K::Count, 59, nullptr},
    {"AST", K::Count, 60, nullptr},     {"FA", K::Ratio, 66, nullptr},
    {"ERR", K::Count, 61, nullptr},     {"TotalChances", K::Count, 62, nullptr},
    {"DP", K::Count, 63, nullptr},      {"TP", K::Count, 64, nullptr},
    {"PB", K::Count, 65, nullptr},
}};

// Teams lines: W 6, L 7, AB 17, H 18, TB 19, BB 24, HBP 26, IP 42 (outs), OppH 43, BFP 44,
// SacF 29, OppAB 45, OppER 46, OppBB 48, OppHBP 50, OppSacH 52, PO 59, AST 60, ERR 62. OBP and
// opponents' OBP as for batters and pitchers.
constexpr std::array<Term, 1> kTeamW{{{6, 1}}};
constexpr std::array<Term, 2> kTeamWL{{{6, 1}, {7, 1}}};
constexpr std::array<Term, 1> kTeamH{{{18, 1}}};
constexpr std::array<Term, 1> kTeamAB{{{17, 1}}};
constexpr std::array<Term, 3> kTeamOn{{{18, 1}, {24, 1}, {26, 1}}};
constexpr std::array<Term, 4> kTeamOnDen{{{17, 1}, {24, 1}, {26, 1}, {29, 1}}};
constexpr std::array<Term, 1> kTeamTB{{{19, 1}}};
constexpr std::array<Term, 1> kTeamER{{{46, 1}}};
constexpr std::array<Term, 1> kTeamOuts{{{42, 1}}};
constexpr std::array<Term, 1> kTeamOppH{{{43, 1}}};
constexpr std::array<Term, 1> kTeamOppAB{{{45, 1}}};
constexpr std::array<Term, 3> kTeamOppOn{{{43, 1}, {48, 1}, {50, 1}}};
constexpr std::array<Term, 2> kTeamOppOnDen{{{44, 1}, {52, -1}}};
constexpr std::array<Term, 2> kTeamMade{{{59, 1}, {60, 1}}};
constexpr std::array<Term, 3> kTeamChances{{{59, 1}, {60, 1}, {62, 1}}};
constexpr std::array<int, 2> kTeamReqWL{6, 7};
constexpr std::array<int, 2> kTeamReqAvg{18, 17};
constexpr std::array<int, 3> kTeamReqObp{18, 17, 24};
constexpr std::array<int, 2> kTeamReqSlg{19, 17};
constexpr std::array<int, 2> kTeamReqEra{46, 42};
constexpr std::array<int, 2> kTeamReqOppAvg{43, 45};
constexpr std::array<int, 3> kTeamReqOppObp{43, 44, 48};
constexpr std::array<int, 3> kTeamReqFa{59, 60, 62};
constexpr std::array<RatioDef, 8> kTeamRatios{{
    {9, 1.0, kTeamW, kTeamWL, kTeamReqWL, 3},
    {30, 1.0, kTeamH, kTeamAB, kTeamReqAvg, 3},
    {31, 1.0, kTeamOn, kTeamOnDen, kTeamReqObp, 3},
    {32, 1.0, kTeamTB, kTeamAB, kTeamReqSlg, 3},
    {56, 27.0, kTeamER, kTeamOuts, kTeamReqEra, 2},
    {57, 1.0, kTeamOppH, kTeamOppAB, kTeamReqOppAvg, 3},
    {58, 1.0, kTeamOppOn, kTeamOppOnDen, kTeamReqOppObp, 3},
    {61, 1.0, kTeamMade, kTeamChances, kTeamReqFa, 3},
}};

const TableDef kDefs[] = {
    {Table::Batters, "batters", kBatters, kBatterRatios, 31, 1000000.0, 0, 1, 3, 4, -1, true},
    {Table::Pitchers, "pitchers", kPitchers, kPitcherRatios, 31, -1.0, 0, 1, 3, 4, -1, true},
    {Table::Fielders, "fielders", kFielders, kFielderRatios, 16, -1.0, 0, 1, 3, 4, 15, true},
    {Table::Teams, "teams", kTeams, kTeamRatios, 67, 1000000.0, 1, 4, 1, 2, -1, false},
};

} // namespace

namespace {

// Base letters of U+00C0..U+00FF (the accented Latin letters that names in
// the data carry), lower case; 0 where the character is no letter.
constexpr char kLatin1Base[64 + 1] = "aaaaaaaceeeeiiii"   // C0-CF
                                     "dnooooo\0ouuuuyts"  // D0-DF (D7 times, DE thorn, DF sharp s)
                                     "aaaaaaaceeeeiiii"   // E0-EF
                                     "dnooooo\0ouuuuyty"; // F0-FF (F7 divide, FE thorn)

// The next collation unit of `text` from `i`: an ASCII letter in lower case,
// an accented Latin letter (UTF-8, two bytes) as its base letter, any other
// byte as it is. Advances `i` past what it read.
unsigned char nextFolded(std::string_view text, std::size_t& i) {
    unsigned char c = static_cast<unsigned char>(text[i++]);
    if (c >= 'A' && c <= 'Z') {
        return static_cast<unsigned char>(c + 32);
    }
    if (c == 0xC3 && i < text.size()) {
        const unsigned char next = static_cast<unsigned char>(text[i]);
        if (next >= 0x80 && next <= 0xBF && kLatin1Base[next - 0x80] != 0) {
            ++i;
            return static_cast<unsigned char>(kLatin1Base[next - 0x80]);
        }
    }
    return c;
}

} // namespace

int compareText(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char x = nextFolded(a, i);
        const unsigned char y = nextFolded(b, j);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    const bool aLeft = i < a.size();
    const bool bLeft = j < b.size();
    return aLeft == bLeft ? 0 : (aLeft ? 1 : -1);
}

std::string foldText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        out.push_back(static_cast<char>(nextFolded(text, i)));
    }
    return out;
}

const TableDef& tableDef(Table table) {
    return kDefs[static_cast<int>(table)];
}

int lineOfSortField(const TableDef& def, int sortNo) {
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        if (def.fields[i].sortNo == sortNo) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace bbstatsd
