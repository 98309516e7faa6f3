#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/shortstring.h"
#include "protocol/recordlayout.h"

// One pitcher's season with one team, as the pitchers page cache holds it.
// Fields are in reply-line order; an all-zero record is an empty slot.
struct PitcherRecord {
    ShortString<30> PlayerName; // 0: pitcher name
    ShortString<4> Year;        // 1: year
    ShortString<3> TeamCode;    // 2: team code
    ShortString<30> TeamName;   // 3: team name
    ShortString<3> League;      // 4: league
    std::int32_t G = 0;         // 5: games
    std::int32_t GS = 0;        // 6: games started
    std::int32_t CG = 0;        // 7: complete games
    std::int32_t SHO = 0;       // 8: shutouts
    std::int32_t GF = 0;        // 9: games finished
    std::int32_t SV = 0;        // 10: saves
    std::int32_t W = 0;         // 11: won
    std::int32_t L = 0;         // 12: lost
    double ERA = 0.0;           // 13: earned run average
    double IP = 0.0;            // 14: innings pitched
    std::int32_t BFP = 0;       // 15: batters faced
    std::int32_t H = 0;         // 16: hits allowed
    std::int32_t R = 0;         // 17: runs allowed
    std::int32_t ER = 0;        // 18: earned runs
    std::int32_t HR = 0;        // 19: home runs allowed
    std::int32_t BB = 0;        // 20: walks
    std::int32_t SO = 0;        // 21: strikeouts
    std::int32_t IBB = 0;       // 22: intentional walks
    std::int32_t HB = 0;        // 23: hit batters
    std::int32_t SH = 0;        // 24: sacrifice hits
    std::int32_t SF = 0;        // 25: sacrifice flies
    std::int32_t WP = 0;        // 26: wild pitches
    std::int32_t BK = 0;        // 27: balks
    double OppAVG = 0.0;        // 28: opponents' batting average
    double OppOBP = 0.0;        // 29: opponents' on-base percentage
    char Throws = '\0';         // 30: throws
};

// Reply-line readers (31 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<PitcherRecord>& PitcherLayout();

// Text of grid column `column` (0 .. 30) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString PitcherCellText(const PitcherRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<PitcherRecord> PitcherBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& PitchersInfo();

// The pitchers database as the view and the page fetch use it.
const DatabaseDescriptor<PitcherRecord>& PitchersDatabase();
