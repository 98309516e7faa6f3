#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/shortstring.h"
#include "protocol/recordlayout.h"

// One batter's season with one team, as the batters page cache holds it.
// Fields are in reply-line order; an all-zero record is an empty slot.
struct BatterRecord {
    ShortString<25> PlayerName; // 0: not shown in any column
    ShortString<4> Year;        // 1: not shown in any column
    ShortString<3> TeamCode;    // 2: not shown in any column
    ShortString<30> TeamName;   // 3: not shown in any column
    ShortString<3> League;      // 4: not shown in any column
    std::int32_t G = 0;         // 5: games
    std::int32_t PA = 0;        // 6: plate appearances
    std::int32_t AB = 0;        // 7: at bats
    std::int32_t RS = 0;        // 8: runs scored
    std::int32_t H = 0;         // 9: hits
    std::int32_t D = 0;         // 10: doubles
    std::int32_t T = 0;         // 11: triples
    std::int32_t HR = 0;        // 12: home runs
    std::int32_t RBI = 0;       // 13: runs batted in
    double AVG = 0.0;           // 14: batting average
    double OBP = 0.0;           // 15: on-base percentage
    double SLG = 0.0;           // 16: slugging percentage
    std::int32_t BB = 0;        // 17: bases on balls
    std::int32_t IBB = 0;       // 18: intentional bases on balls
    std::int32_t SO = 0;        // 19: strikeouts
    std::int32_t HBP = 0;       // 20: hit by pitch
    std::int32_t SH = 0;        // 21: sacrifice hits
    std::int32_t SF = 0;        // 22: sacrifice flies
    std::int32_t SB = 0;        // 23: stolen bases
    std::int32_t CS = 0;        // 24: caught stealing
    std::int32_t GIDP = 0;      // 25: grounded into double play
    ShortString<18> Positions;  // 26: positions played
    char Bats = '\0';           // 27: not shown in any column
    char Throws = '\0';         // 28: not shown in any column
    std::int32_t TB = 0;        // 29: total bases
    std::int32_t S = 0;         // 30: singles
};

// Reply-line readers (31 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<BatterRecord>& BatterLayout();

// Text of grid column `column` (0 .. 30) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString BatterCellText(const BatterRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<BatterRecord> BatterBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& BattersInfo();

// The batters database as the view and the page fetch use it.
const DatabaseDescriptor<BatterRecord>& BattersDatabase();
