#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/recordlayout.h"
#include "databases/shortstring.h"

// One pitcher's season with one team, as the pitchers page cache holds it.
// Fields are in reply-line order; an all-zero record is an empty slot.
struct PitcherRecord {
    ShortString<30> PlayerName; // 0: pitcher name, column 0
    ShortString<4> Year;        // 1: year, column 1
    ShortString<3> TeamCode;    // 2: team code, column 2
    ShortString<30> TeamName;   // 3: team name, column 3
    ShortString<3> League;      // 4: league, column 4
    std::int32_t G = 0;         // 5: games, column 6
    std::int32_t GS = 0;        // 6: games started, column 7
    std::int32_t CG = 0;        // 7: complete games, column 8
    std::int32_t SHO = 0;       // 8: shutouts, column 9
    std::int32_t GF = 0;        // 9: games finished, column 10
    std::int32_t SV = 0;        // 10: saves, column 11
    std::int32_t W = 0;         // 11: won, column 12
    std::int32_t L = 0;         // 12: lost, column 13
    double ERA = 0.0;           // 13: earned run average, column 14
    double IP = 0.0;            // 14: innings pitched, column 15
    std::int32_t BFP = 0;       // 15: batters faced, column 16
    std::int32_t H = 0;         // 16: hits allowed, column 17
    std::int32_t R = 0;         // 17: runs allowed, column 18
    std::int32_t ER = 0;        // 18: earned runs, column 19
    std::int32_t HR = 0;        // 19: home runs allowed, column 20
    std::int32_t BB = 0;        // 20: walks, column 21
    std::int32_t SO = 0;        // 21: strikeouts, column 22
    std::int32_t IBB = 0;       // 22: intentional walks, column 23
    std::int32_t HB = 0;        // 23: hit batters, column 24
    std::int32_t SH = 0;        // 24: sacrifice hits, column 25
    std::int32_t SF = 0;        // 25: sacrifice flies, column 26
    std::int32_t WP = 0;        // 26: wild pitches, column 27
    std::int32_t BK = 0;        // 27: balks, column 28
    double OppAVG = 0.0;        // 28: opponents' batting average, column 29
    double OppOBP = 0.0;        // 29: opponents' on-base percentage, column 30
    char Throws = '\0';         // 30: throws, column 5
    // Lines of the "More columns" option (read only when the view has it on).
    double WHIP = 0.0;    // 31: walks and hits per inning, column 31
    double K9 = 0.0;      // 32: strikeouts per nine innings, column 32
    double BB9 = 0.0;     // 33: walks per nine innings, column 33
    double HR9 = 0.0;     // 34: home runs per nine innings, column 34
    double KBB = 0.0;     // 35: strikeouts per walk, column 35
    double ERAPlus = 0.0; // 36: ERA adjusted to league and park, column 36
    double FIP = 0.0;     // 37: fielding-independent pitching, column 37
    double Age = 0.0;     // 38: age on June 30 of the season, column 38
};

// Reply-line readers (31 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<PitcherRecord>& PitcherLayout();

// Text of grid column `column` (0 .. 30, 31 .. 38 the added ones) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString PitcherCellText(const PitcherRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<PitcherRecord> PitcherBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& PitchersInfo();

// The pitchers database as the view and the page fetch use it; with `more`,
// with the lines and columns of the "More columns" option.
const DatabaseDescriptor<PitcherRecord>& PitchersDatabase(bool more = false);
