#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/recordlayout.h"
#include "databases/shortstring.h"

// One batter's season with one team, as the batters page cache holds it.
// Fields are in reply-line order; an all-zero record is an empty slot.
struct BatterRecord {
    ShortString<25> PlayerName; // 0: player name, column 0
    ShortString<4> Year;        // 1: year, column 1
    ShortString<3> TeamCode;    // 2: team code, column 2
    ShortString<30> TeamName;   // 3: team name, column 3
    ShortString<3> League;      // 4: league, column 4
    std::int32_t G = 0;         // 5: games, column 7
    std::int32_t PA = 0;        // 6: plate appearances, column 8
    std::int32_t AB = 0;        // 7: at bats, column 9
    std::int32_t RS = 0;        // 8: runs scored, column 10
    std::int32_t H = 0;         // 9: hits, column 11
    std::int32_t D = 0;         // 10: doubles, column 14
    std::int32_t T = 0;         // 11: triples, column 15
    std::int32_t HR = 0;        // 12: home runs, column 16
    std::int32_t RBI = 0;       // 13: runs batted in, column 17
    double AVG = 0.0;           // 14: batting average, column 18
    double OBP = 0.0;           // 15: on-base percentage, column 19
    double SLG = 0.0;           // 16: slugging percentage, column 20
    std::int32_t BB = 0;        // 17: bases on balls, column 21
    std::int32_t IBB = 0;       // 18: intentional bases on balls, column 23
    std::int32_t SO = 0;        // 19: strikeouts, column 22
    std::int32_t HBP = 0;       // 20: hit by pitch, column 24
    std::int32_t SH = 0;        // 21: sacrifice hits, column 25
    std::int32_t SF = 0;        // 22: sacrifice flies, column 26
    std::int32_t SB = 0;        // 23: stolen bases, column 27
    std::int32_t CS = 0;        // 24: caught stealing, column 28
    std::int32_t GIDP = 0;      // 25: grounded into double play, column 29
    ShortString<18> Positions;  // 26: positions played, column 30
    char Bats = '\0';           // 27: bats, column 5
    char Throws = '\0';         // 28: throws, column 6
    std::int32_t TB = 0;        // 29: total bases, column 12
    std::int32_t S = 0;         // 30: singles, column 13
    // Lines of the "More columns" option (read only when the view has it on).
    double OPS = 0.0;     // 31: on-base plus slugging, column 31
    double OPSPlus = 0.0; // 32: OPS adjusted to league and park, column 32
    double ISO = 0.0;     // 33: isolated power, column 33
    double BABIP = 0.0;   // 34: batting average on balls in play, column 34
    double Age = 0.0;     // 35: age on June 30 of the season, column 35
};

// Reply-line readers (31 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<BatterRecord>& BatterLayout();

// Text of grid column `column` (0 .. 30, 31 .. 35 the added ones) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString BatterCellText(const BatterRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<BatterRecord> BatterBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& BattersInfo();

// The batters database as the view and the page fetch use it; with `more`,
// with the lines and columns of the "More columns" option.
const DatabaseDescriptor<BatterRecord>& BattersDatabase(bool more = false);
