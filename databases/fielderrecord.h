#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/shortstring.h"
#include "protocol/recordlayout.h"

// One player's season with one team at one fielding position, as the fielders page cache holds it.
// Fields are in reply-line order; an all-zero record is an empty slot.
struct FielderRecord {
    ShortString<30> PlayerName;    // 0: player name
    ShortString<4> Year;           // 1: year
    ShortString<3> TeamCode;       // 2: team code
    ShortString<30> TeamName;      // 3: team name
    ShortString<3> League;         // 4: league
    std::int32_t G = 0;            // 5: games
    std::int32_t PO = 0;           // 6: putouts
    std::int32_t AST = 0;          // 7: assists
    std::int32_t ERR = 0;          // 8: errors
    std::int32_t DP = 0;           // 9: double plays
    std::int32_t PB = 0;           // 10: passed balls
    std::int32_t TotalChances = 0; // 11: total chances
    double FieldingPct = 0.0;      // 12: fielding percentage
    double Range = 0.0;            // 13: range
    double ChancesPerGame = 0.0;   // 14: total chances per game
    ShortString<2> Position;       // 15: position
    std::int32_t GS = 0;           // 16: games started; kept, shown in no column
};

// Reply-line readers (17 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<FielderRecord>& FielderLayout();

// Text of grid column `column` (0 .. 15) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString FielderCellText(const FielderRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<FielderRecord> FielderBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& FieldersInfo();

// The fielders database as the view and the page fetch use it.
const DatabaseDescriptor<FielderRecord>& FieldersDatabase();
