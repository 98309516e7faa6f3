#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

namespace bbstatsd {

class SqliteDb;

// Sum of one count over the player rows of a club's season. Missing (-1) when any row that
// takes part lacks the value, or when no row took part: a sum over the values present would
// show a small number as if it were the club's real figure.
class TeamSum {
public:
    // Adds one row's value; a negative value marks the row as lacking it.
    void add(long long v) {
        ++m_rows;
        if (v < 0) {
            m_missing = true;
        } else {
            m_total += v;
        }
    }
    // The sum, or -1 when missing.
    long long value() const { return m_rows == 0 || m_missing ? -1 : m_total; }

private:
    long long m_total = 0;
    long long m_rows = 0;
    bool m_missing = false;
};

// The sums a club's season takes over Batting (Bat...), Pitching (Pit...) and Fielding (Fld...).
enum TeamSumKind {
    BatPA,
    BatR,
    BatAB,
    BatH,
    Bat2B,
    Bat3B,
    BatHR,
    BatRBI,
    BatSB,
    BatCS,
    BatBB,
    BatSO,
    BatIBB,
    BatHBP,
    BatSH,
    BatSF,
    BatGIDP,
    PitBFP,
    PitR,
    PitER,
    PitCG,
    PitSV,
    PitOuts,
    PitH,
    PitHR,
    PitBB,
    PitSO,
    PitIBB,
    PitHBP,
    PitSH,
    PitSF,
    PitWP,
    PitBK,
    PitRelief, // games in relief: G - GS of each pitcher
    FldPO,
    FldA,
    FldE,
    FldPB,
    TeamSumCount
};

// One club's season as the importer gathers it.
struct TeamSeason {
    std::string code, name, league, division; // division "-" when unknown
    int year = 0;
    int rank = -1;                      // place in the standings, -1 when unknown
    std::map<std::string, int> figures; // the Teams row's counts by column, -1 when blank
    std::array<TeamSum, TeamSumCount> sums;

    // A count of the Teams row by column; where the row leaves it blank or holds less than
    // half of it, the complete sum of the club's player rows that counts the same thing, else
    // -1.
    long long figure(const std::string& column) const;
};

// Writes the Teams record table of the seasons into db, in the order given.
void writeTeamRecords(SqliteDb& db, const std::vector<TeamSeason>& teams);

} // namespace bbstatsd
