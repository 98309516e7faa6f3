#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/recordlayout.h"
#include "databases/shortstring.h"

// One player's season with one team at one fielding position, as the fielders page cache holds it.
// Fields are in reply-line order; an all-zero record is an empty slot.
struct FielderRecord {
    ShortString<30> PlayerName;    // 0: player name, column 0
    ShortString<4> Year;           // 1: year, column 1
    ShortString<3> TeamCode;       // 2: team code, column 2
    ShortString<30> TeamName;      // 3: team name, column 3
    ShortString<3> League;         // 4: league, column 4
    std::int32_t G = 0;            // 5: games, column 6
    std::int32_t PO = 0;           // 6: putouts, column 7
    std::int32_t AST = 0;          // 7: assists, column 8
    std::int32_t ERR = 0;          // 8: errors, column 9
    std::int32_t DP = 0;           // 9: double plays, column 10
    std::int32_t PB = 0;           // 10: passed balls, column 11
    std::int32_t TotalChances = 0; // 11: total chances, column 12
    double FieldingPct = 0.0;      // 12: fielding percentage, column 15
    double Range = 0.0;            // 13: range, column 13
    double ChancesPerGame = 0.0;   // 14: total chances per game, column 14
    ShortString<2> Position;       // 15: position, column 5
    std::int32_t GS = 0;           // 16: games started; kept, shown in no column
    // The line of the "More columns" option (read only when the view has it on).
    double Age = 0.0; // 17: age on June 30 of the season, column 16
};

// Reply-line readers (17 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<FielderRecord>& FielderLayout();

// Text of grid column `column` (0 .. 15, 16 the added one) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString FielderCellText(const FielderRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<FielderRecord> FielderBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& FieldersInfo();

// The fielders database as the view and the page fetch use it; with `more`,
// with the line and column of the "More columns" option.
const DatabaseDescriptor<FielderRecord>& FieldersDatabase(bool more = false);
