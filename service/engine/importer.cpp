#include "service/engine/importer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "service/engine/csvreader.h"
#include "service/engine/importtemp.h"
#include "service/engine/newstables.h"
#include "service/engine/parkfactors.h"
#include "service/engine/picklabels.h"
#include "service/engine/playerfacts.h"
#include "service/engine/schema.h"
#include "service/engine/sqlitedb.h"
#include "service/engine/tablewriter.h"
#include "service/engine/teamseason.h"

namespace bbstatsd {

namespace {

const std::vector<std::string> kPeopleColumns{
    "playerID",   "birthYear", "birthMonth", "birthDay",  "birthCity",    "birthCountry",
    "birthState", "deathYear", "deathMonth", "deathDay",  "deathCountry", "deathState",
    "deathCity",  "nameFirst", "nameLast",   "nameGiven", "weight",       "height",
    "bats",       "throws",    "debut",      "bbrefID",   "finalGame",    "retroID",
    "deathDate",  "birthDate"};
const std::vector<std::string> kBattingColumns{
    "playerID", "yearID", "stint", "teamID", "lgID", "G",  "AB",  "R",   "H",  "X2B", "X3B",
    "HR",       "RBI",    "SB",    "CS",     "BB",   "SO", "IBB", "HBP", "SH", "SF",  "GIDP"};
const std::vector<std::string> kPitchingColumns{
    "playerID", "yearID", "stint",  "teamID", "lgID", "W",  "L",  "G",  "GS",    "CG",
    "SHO",      "SV",     "IPouts", "H",      "ER",   "HR", "BB", "SO", "BAOpp", "ERA",
    "IBB",      "WP",     "HBP",    "BK",     "BFP",  "GF", "R",  "SH", "SF",    "GIDP"};
const std::vector<std::string> kFieldingColumns{
    "playerID", "yearID", "stint", "teamID", "lgID", "POS", "G",  "GS", "InnOuts",
    "PO",       "A",      "E",     "DP",     "PB",   "WP",  "SB", "CS", "ZR"};
const std::vector<std::string> kTeamsColumns{"yearID",
                                             "lgID",
                                             "teamID",
                                             "franchID",
                                             "divID",
                                             "Rank",
                                             "G",
                                             "Ghome",
                                             "W",
                                             "L",
                                             "DivWin",
                                             "WCWin",
                                             "LgWin",
                                             "WSWin",
                                             "R",
                                             "AB",
                                             "H",
                                             "X2B",
                                             "X3B",
                                             "HR",
                                             "BB",
                                             "SO",
                                             "SB",
                                             "CS",
                                             "HBP",
                                             "SF",
                                             "RA",
                                             "ER",
                                             "ERA",
                                             "CG",
                                             "SHO",
                                             "SV",
                                             "IPouts",
                                             "HA",
                                             "HRA",
                                             "BBA",
                                             "SOA",
                                             "E",
                                             "DP",
                                             "FP",
                                             "name",
                                             "park",
                                             "attendance",
                                             "BPF",
                                             "PPF",
                                             "teamIDBR",
                                             "teamIDlahman45",
                                             "teamIDretro"};

const std::vector<std::string> kBattingUsed{
    "playerID", "yearID", "stint", "teamID", "lgID", "G",  "AB",  "R",   "H",  "X2B", "X3B",
    "HR",       "RBI",    "SB",    "CS",     "BB",   "SO", "IBB", "HBP", "SH", "SF",  "GIDP"};
const std::vector<std::string> kPitchingUsed{
    "playerID", "yearID", "stint", "teamID", "lgID", "W",  "L",  "G",  "GS",
    "CG",       "SHO",    "SV",    "IPouts", "H",    "ER", "HR", "BB", "SO",
    "IBB",      "WP",     "HBP",   "BK",     "BFP",  "GF", "R",  "SH", "SF"};
const std::vector<std::string> kFieldingUsed{
    "playerID", "yearID", "stint", "teamID", "lgID", "POS", "G", "GS", "PO", "A", "E", "DP", "PB"};
const std::vector<std::string> kTeamsUsed{
    "yearID", "lgID", "teamID", "divID",  "Rank", "G",   "W",   "L",   "R",  "AB", "H",
    "X2B",    "X3B",  "HR",     "BB",     "SO",   "SB",  "CS",  "HBP", "SF", "RA", "ER",
    "CG",     "SHO",  "SV",     "IPouts", "HA",   "HRA", "BBA", "SOA", "E",  "DP", "name"};

struct Person {
    std::string name;
    std::string bats;
    std::string throws;
    int birthYear = -1;
};

long long plus(std::initializer_list<long long> required,
               std::initializer_list<long long> optional) {
    long long total = 0;
    for (long long x : required) {
        if (x < 0) {
            return -1;
        }
        total += x;
    }
    for (long long x : optional) {
        total += x < 0 ? 0 : x;
    }
    return total;
}

// Text as served: a control character (a line break inside a quoted field) would split the
// reply line, so it becomes a blank.
std::string clean(std::string s) {
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return s;
}

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return s;
}

int positionOrder(const std::string& pos) {
    static const char* const order[] = {"p",  "c",  "1b", "2b", "3b", "ss", "of",
                                        "lf", "cf", "rf", "dh", "ph", "pr"};
    for (int i = 0; i < static_cast<int>(std::size(order)); ++i) {
        if (pos == order[i]) {
            return i;
        }
    }
    return 100;
}

// First and last season of each player in one table.
using Seasons = std::unordered_map<std::string, std::pair<int, int>>;

void noteSeason(Seasons& seasons, const std::string& id, int year) {
    auto [it, fresh] = seasons.try_emplace(id, year, year);
    if (!fresh) {
        it->second.first = std::min(it->second.first, year);
        it->second.second = std::max(it->second.second, year);
    }
}

class Importer {
public:
    Importer(const std::string& dir, SqliteDb& db) : m_dir(dir), m_db(db) {}

    void run() {
        readPeople();
        readTeams();
        readFielding();
        readBatting();
        readPitching();
        writeTeamRecords(m_db, m_teams);
        writePickLists();
        writeMeta();
    }

private:
    void readPeople() {
        CsvTable t(m_dir, "People.csv", kPeopleColumns,
                   {"playerID", "nameFirst", "nameLast", "bats", "throws", "birthYear"});
        const auto id = t.col("playerID"), first = t.col("nameFirst"), last = t.col("nameLast"),
                   bats = t.col("bats"), throws = t.col("throws"), born = t.col("birthYear");
        while (t.next()) {
            if (t.text(id).empty()) {
                t.fail(id, "empty playerID");
            }
            Person p;
            p.name = clean(t.text(last));
            if (!t.text(first).empty()) {
                p.name += ", " + clean(t.text(first));
            }
            p.bats = t.text(bats) == "B" ? "S" : clean(t.text(bats));
            p.throws = clean(t.text(throws));
            p.birthYear = t.count(born);
            if (!m_people.emplace(t.text(id), std::move(p)).second) {
                t.fail(id, "playerID '" + t.text(id) + "' appears twice");
            }
        }
    }

    void readTeams() {
        CsvTable t(m_dir, "Teams.csv", kTeamsColumns, kTeamsUsed);
        const auto year = t.col("yearID"), lg = t.col("lgID"), team = t.col("teamID"),
                   div = t.col("divID"), name = t.col("name"), rank = t.col("Rank");
        static const char* const numeric[] = {"G",   "W",   "L",   "R",   "AB",  "H",  "X2B",
                                              "X3B", "HR",  "BB",  "SO",  "SB",  "CS", "HBP",
                                              "SF",  "RA",  "ER",  "CG",  "SHO", "SV", "IPouts",
                                              "HA",  "HRA", "BBA", "SOA", "E",   "DP"};
        while (t.next()) {
            TeamSeason info;
            info.year = t.required(year);
            info.rank = t.count(rank);
            info.code = clean(t.text(team));
            info.name = clean(t.text(name));
            info.league = clean(t.text(lg));
            info.division = t.text(div).empty() ? "-" : clean(t.text(div));
            for (const char* n : numeric) {
                info.figures[n] = t.count(t.col(n));
            }
            const std::string key = std::to_string(info.year) + "|" + info.code;
            if (!m_teamIndex.emplace(key, m_teams.size()).second) {
                t.fail(team,
                       "team '" + info.code + "' appears twice in " + std::to_string(info.year));
            }
            m_teams.push_back(std::move(info));
        }
    }

    // Shared columns of the three player files: checks the player and the club.
    TeamSeason& playerRow(const CsvTable& t, RowBuf& row, const TableDef& def, int& year,
                          std::string& playerId) {
        const auto idCol = t.col("playerID"), yearCol = t.col("yearID"), teamCol = t.col("teamID");
        playerId = t.text(idCol);
        const auto person = m_people.find(playerId);
        if (person == m_people.end()) {
            t.fail(idCol, "unknown player '" + playerId + "'");
        }
        year = t.required(yearCol);
        const auto team = m_teamIndex.find(std::to_string(year) + "|" + t.text(teamCol));
        if (team == m_teamIndex.end()) {
            t.fail(teamCol, "unknown team '" + t.text(teamCol) + "' in " + std::to_string(year));
        }
        TeamSeason& info = m_teams[team->second];
        row.s[0] = person->second.name;
        row.v[static_cast<std::size_t>(def.yearLine)] = year;
        row.s[2] = info.code;
        row.s[static_cast<std::size_t>(def.teamNameLine)] = info.name;
        row.s[static_cast<std::size_t>(def.leagueLine)] = clean(t.text(t.col("lgID")));
        return info;
    }

    void readFielding() {
        const TableDef& def = tableDef(Table::Fielders);
        TableWriter out(m_db, def);
        CsvTable t(m_dir, "Fielding.csv", kFieldingColumns, kFieldingUsed);
        const auto stintCol = t.col("stint"), pos = t.col("POS"), g = t.col("G"), gs = t.col("GS"),
                   po = t.col("PO"), a = t.col("A"), e = t.col("E"), dp = t.col("DP"),
                   pb = t.col("PB");
        RowBuf row(def.fields.size());
        std::string id;
        int year = 0;
        while (t.next()) {
            TeamSeason& team = playerRow(t, row, def, year, id);
            const int stint = t.required(stintCol);
            if (t.text(pos).empty()) {
                t.fail(pos, "empty position");
            }
            row.v[5] = t.count(g);
            row.v[6] = t.count(po);
            row.v[7] = t.count(a);
            row.v[8] = t.count(e);
            row.v[9] = t.count(dp);
            row.v[10] = t.count(pb);
            row.v[11] = plus({row.v[6], row.v[7], row.v[8]}, {});
            row.s[15] = clean(t.text(pos));
            row.v[16] = t.count(gs);
            out.write(row, id, stint);
            noteSeason(m_seasons[2], id, year);
            auto& played =
                m_positions[id + "|" + std::to_string(year) + "|" + std::to_string(stint)];
            played.emplace_back(lower(t.text(pos)), std::max(0LL, row.v[5]));
            // Pinch hitters and runners field no chances; a passed ball is a catcher's.
            const std::string& position = row.s[15];
            if (position != "PH" && position != "PR") {
                team.sums[FldPO].add(row.v[6]);
                team.sums[FldA].add(row.v[7]);
                team.sums[FldE].add(row.v[8]);
            }
            if (position == "C" || row.v[10] >= 0) {
                team.sums[FldPB].add(row.v[10]);
            }
        }
    }

    std::string positionsOf(const std::string& key) const {
        const auto it = m_positions.find(key);
        if (it == m_positions.end()) {
            return "-1";
        }
        std::vector<std::pair<std::string, long long>> merged;
        for (const auto& played : it->second) {
            auto m = std::find_if(merged.begin(), merged.end(),
                                  [&](const auto& x) { return x.first == played.first; });
            if (m == merged.end()) {
                merged.push_back(played);
            } else {
                m->second += played.second;
            }
        }
        std::stable_sort(merged.begin(), merged.end(), [](const auto& x, const auto& y) {
            if (x.second != y.second) {
                return x.second > y.second;
            }
            return positionOrder(x.first) < positionOrder(y.first);
        });
        std::string text;
        for (const auto& [pos, games] : merged) {
            text += (text.empty() ? "" : ",") + pos;
        }
        return text;
    }

    void readBatting() {
        const TableDef& def = tableDef(Table::Batters);
        TableWriter out(m_db, def);
        CsvTable t(m_dir, "Batting.csv", kBattingColumns, kBattingUsed);
        const auto stintCol = t.col("stint");
        RowBuf row(def.fields.size());
        std::string id;
        int year = 0;
        while (t.next()) {
            TeamSeason& team = playerRow(t, row, def, year, id);
            const int stint = t.required(stintCol);
            auto c = [&](const char* name) { return static_cast<long long>(t.count(t.col(name))); };
            const long long ab = c("AB"), h = c("H"), d = c("X2B"), tr = c("X3B"), hr = c("HR"),
                            bb = c("BB"), hbp = c("HBP"), sh = c("SH"), sf = c("SF");
            row.v[5] = c("G");
            row.v[6] = plus({ab}, {bb, hbp, sh, sf});
            row.v[7] = ab;
            row.v[8] = c("R");
            row.v[9] = h;
            row.v[10] = d;
            row.v[11] = tr;
            row.v[12] = hr;
            row.v[13] = c("RBI");
            row.v[17] = bb;
            row.v[18] = c("IBB");
            row.v[19] = c("SO");
            row.v[20] = hbp;
            row.v[21] = sh;
            row.v[22] = sf;
            row.v[23] = c("SB");
            row.v[24] = c("CS");
            row.v[25] = c("GIDP");
            const std::string key = id + "|" + std::to_string(year) + "|" + std::to_string(stint);
            row.s[26] = positionsOf(key);
            const Person& person = m_people.at(id);
            row.s[27] = person.bats;
            row.s[28] = person.throws;
            // Total bases from the hits themselves: the source has a row with more home runs
            // than hits, whose singles (negative) are missing but whose bases are not.
            row.v[29] = plus({h, d, 2 * tr, 3 * hr}, {});
            const long long singles = row.v[29] < 0 ? -1 : h - d - tr - hr;
            row.v[30] = singles < 0 ? -1 : singles;
            out.write(row, id, stint);
            noteSeason(m_seasons[0], id, year);
            static constexpr std::pair<int, TeamSumKind> sums[] = {
                {6, BatPA},  {7, BatAB},   {8, BatR},   {9, BatH},    {10, Bat2B},  {11, Bat3B},
                {12, BatHR}, {13, BatRBI}, {17, BatBB}, {18, BatIBB}, {19, BatSO},  {20, BatHBP},
                {21, BatSH}, {22, BatSF},  {23, BatSB}, {24, BatCS},  {25, BatGIDP}};
            for (const auto& [line, sum] : sums) {
                team.sums[sum].add(row.v[static_cast<std::size_t>(line)]);
            }
        }
    }

    void readPitching() {
        const TableDef& def = tableDef(Table::Pitchers);
        TableWriter out(m_db, def);
        CsvTable t(m_dir, "Pitching.csv", kPitchingColumns, kPitchingUsed);
        const auto stintCol = t.col("stint");
        RowBuf row(def.fields.size());
        std::string id;
        int year = 0;
        static const std::pair<int, const char*> lines[] = {
            {5, "G"},   {6, "GS"},  {7, "CG"},      {8, "SHO"},  {9, "GF"},   {10, "SV"},
            {11, "W"},  {12, "L"},  {14, "IPouts"}, {15, "BFP"}, {16, "H"},   {17, "R"},
            {18, "ER"}, {19, "HR"}, {20, "BB"},     {21, "SO"},  {22, "IBB"}, {23, "HBP"},
            {24, "SH"}, {25, "SF"}, {26, "WP"},     {27, "BK"}};
        while (t.next()) {
            TeamSeason& team = playerRow(t, row, def, year, id);
            const int stint = t.required(stintCol);
            for (const auto& [line, name] : lines) {
                row.v[static_cast<std::size_t>(line)] = t.count(t.col(name));
            }
            // Batters faced that cannot be true are missing, and with them every figure made
            // from them (opponents' averages, the club's batters faced and opponents' at bats):
            // none while outs were recorded (Federal League, 1914-1915), or fewer than the
            // batters who reached on a hit, a walk or a hit by pitch (four rows of 1925).
            const long long bfp = row.v[15];
            const long long reached =
                std::max(0LL, row.v[16]) + std::max(0LL, row.v[20]) + std::max(0LL, row.v[23]);
            if (bfp >= 0 && ((bfp == 0 && row.v[14] > 0) || bfp < reached)) {
                row.v[15] = -1;
            }
            row.s[30] = m_people.at(id).throws;
            out.write(row, id, stint);
            noteSeason(m_seasons[1], id, year);
            static constexpr std::pair<int, TeamSumKind> sums[] = {
                {7, PitCG},  {10, PitSV}, {14, PitOuts}, {15, PitBFP}, {16, PitH},   {17, PitR},
                {18, PitER}, {19, PitHR}, {20, PitBB},   {21, PitSO},  {22, PitIBB}, {23, PitHBP},
                {24, PitSH}, {25, PitSF}, {26, PitWP},   {27, PitBK}};
            for (const auto& [line, sum] : sums) {
                team.sums[sum].add(row.v[static_cast<std::size_t>(line)]);
            }
            team.sums[PitRelief].add(row.v[5] < 0 || row.v[6] < 0 ? -1 : row.v[5] - row.v[6]);
        }
    }

    void writePickLists() {
        m_db.exec("CREATE TABLE players (tbl TEXT NOT NULL, PlayerID TEXT NOT NULL, Entry TEXT NOT "
                  "NULL, FirstYear INTEGER NOT NULL, LastYear INTEGER NOT NULL)");
        m_db.exec("CREATE TABLE picklists (tbl TEXT NOT NULL, list TEXT NOT NULL, Entry TEXT NOT "
                  "NULL)");
        SqliteStmt players(m_db, "INSERT INTO players VALUES (?, ?, ?, ?, ?)");
        const Table tables[] = {Table::Batters, Table::Pitchers, Table::Fielders};
        for (int i = 0; i < 3; ++i) {
            const char* tbl = tableDef(tables[i]).sqlName;
            std::vector<PickPlayer> pick;
            for (const auto& [id, seasons] : m_seasons[i]) {
                const Person& person = m_people.at(id);
                pick.push_back({id, person.name, seasons.first, seasons.second, person.birthYear});
            }
            const std::vector<std::string> labels = pickLabels(pick);
            for (std::size_t p = 0; p < pick.size(); ++p) {
                players.bind(1, std::string_view(tbl));
                players.bind(2, pick[p].id);
                players.bind(3, labels[p]);
                players.bind(4, static_cast<long long>(pick[p].firstYear));
                players.bind(5, static_cast<long long>(pick[p].lastYear));
                players.run();
            }
        }
        // The full lists, before any selection, in the order the service sends them.
        m_db.exec("INSERT INTO picklists SELECT DISTINCT tbl, 'A', Entry FROM players");
        for (const Table table : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
            const TableDef& def = tableDef(table);
            const std::string tbl = def.sqlName;
            auto list = [&](const char* letter, int line) {
                m_db.exec("INSERT INTO picklists SELECT DISTINCT '" + tbl + "', '" + letter +
                          "', \"" + def.fields[static_cast<std::size_t>(line)].column + "\" FROM " +
                          tbl);
            };
            list("C", def.yearLine);
            list("D", def.teamNameLine);
            list("E", def.leagueLine);
            if (def.positionLine >= 0) {
                list("G", def.positionLine);
            }
        }
    }

    void writeMeta() {
        m_db.exec("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)");
        m_db.exec(std::string("INSERT INTO meta VALUES ('format', '") + kImportFormat +
                  "'), ('attribution', 'Baseball statistics "
                  "from the Lahman Baseball Database by Sean Lahman, licensed under CC BY-SA "
                  "3.0.')");
    }

    std::string m_dir;
    SqliteDb& m_db;
    std::unordered_map<std::string, Person> m_people;
    std::vector<TeamSeason> m_teams;
    std::unordered_map<std::string, std::size_t> m_teamIndex;
    std::unordered_map<std::string, std::vector<std::pair<std::string, long long>>> m_positions;
    std::array<Seasons, 3> m_seasons; // batters, pitchers, fielders
};

} // namespace

void importLahman(const std::string& dir, const std::string& dbPath) {
    ImportTempFile temp(dbPath);
    SqliteDb db(temp.path(), false);
    db.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
    Importer(dir, db).run();
    writeNewsTables(dir, db);
    writePlayerFacts(dir, db);
    writeParkFactors(dir, db);
    db.exec("COMMIT");
    db.close();
    temp.commit();
}

} // namespace bbstatsd
