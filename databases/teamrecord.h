#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/recordlayout.h"
#include "databases/shortstring.h"

// One club's season: standing and batting, pitching and fielding totals, as the teams page cache
// holds it. Fields are in reply-line order; an all-zero record is an empty slot.
struct TeamRecord {
    ShortString<3> TeamCode;       // 0: team code, column 1
    ShortString<30> TeamName;      // 1: team name, column 2
    ShortString<3> League;         // 2: league, column 3
    ShortString<4> Division;       // 3: division, column 4
    ShortString<4> Year;           // 4: year, column 0
    std::int32_t G = 0;            // 5: games, column 5
    std::int32_t W = 0;            // 6: won, column 6
    std::int32_t L = 0;            // 7: lost, column 7
    double GB = 0.0;               // 8: games behind, column 8
    double WLPct = 0.0;            // 9: won-lost percentage, column 9
    std::int32_t HomeW = 0;        // 10: home wins, column 10
    std::int32_t HomeL = 0;        // 11: home losses, column 11
    std::int32_t AwayW = 0;        // 12: away wins, column 12
    std::int32_t AwayL = 0;        // 13: away losses, column 13
    std::int32_t TPA = 0;          // 14: batting: total plate appearances, column 14
    std::int32_t RS = 0;           // 15: batting: runs scored, column 16
    std::int32_t OppRS = 0;        // 16: pitching: opponents' runs scored, column 46
    std::int32_t AB = 0;           // 17: batting: at bats, column 15
    std::int32_t H = 0;            // 18: batting: hits, column 17
    std::int32_t TB = 0;           // 19: batting: total bases, column 18
    std::int32_t D = 0;            // 20: batting: doubles, column 19
    std::int32_t T = 0;            // 21: batting: triples, column 20
    std::int32_t HR = 0;           // 22: batting: home runs, column 21
    std::int32_t RBI = 0;          // 23: batting: runs batted in, column 22
    std::int32_t BB = 0;           // 24: batting: walks, column 26
    std::int32_t IBB = 0;          // 25: batting: intentional walks, column 27
    std::int32_t HBP = 0;          // 26: batting: hit by pitch, column 28
    std::int32_t SO = 0;           // 27: batting: strikeouts, column 29
    std::int32_t SacH = 0;         // 28: batting: sacrifice hits, column 30
    std::int32_t SacF = 0;         // 29: batting: sacrifice flies, column 31
    double AVG = 0.0;              // 30: batting: average, column 23
    double OBP = 0.0;              // 31: batting: on-base percentage, column 24
    double SLG = 0.0;              // 32: batting: slugging percentage, column 25
    std::int32_t SB = 0;           // 33: batting: stolen bases, column 32
    std::int32_t CS = 0;           // 34: batting: caught stealing, column 33
    std::int32_t GIDP = 0;         // 35: batting: grounded into double plays, column 34
    std::int32_t LOB = 0;          // 36: batting: left on base, column 35
    std::int32_t BatSHO = 0;       // 37: batting: shutouts, column 36
    std::int32_t CG = 0;           // 38: pitching: complete games, column 37
    std::int32_t SHO = 0;          // 39: pitching: shutouts, column 38
    std::int32_t RA = 0;           // 40: pitching: relief appearances, column 39
    std::int32_t SV = 0;           // 41: pitching: saves, column 40
    double IP = 0.0;               // 42: pitching: innings pitched, column 42
    std::int32_t OppH = 0;         // 43: pitching: opponents' hits, column 43
    std::int32_t BFP = 0;          // 44: pitching: batters faced, column 44
    std::int32_t OppAB = 0;        // 45: pitching: opponents' at bats, column 45
    std::int32_t OppER = 0;        // 46: pitching: opponents' earned runs, column 47
    std::int32_t OppHR = 0;        // 47: pitching: opponents' home runs, column 48
    std::int32_t OppBB = 0;        // 48: pitching: opponents' walks, column 49
    std::int32_t OppIBB = 0;       // 49: pitching: opponents' intentional walks, column 50
    std::int32_t OppHBP = 0;       // 50: pitching: opponents hit by pitch, column 51
    std::int32_t OppSO = 0;        // 51: pitching: opponents' strikeouts, column 52
    std::int32_t OppSacH = 0;      // 52: pitching: opponents' sacrifice hits, column 53
    std::int32_t OppSacF = 0;      // 53: pitching: opponents' sacrifice flies, column 54
    std::int32_t WP = 0;           // 54: pitching: wild pitches, column 55
    std::int32_t BK = 0;           // 55: pitching: balks, column 56
    double ERA = 0.0;              // 56: pitching: earned run average, column 41
    double OppAVG = 0.0;           // 57: pitching: opponents' batting average, column 57
    double OppOBP = 0.0;           // 58: pitching: opponents' on-base percentage, column 58
    std::int32_t PO = 0;           // 59: fielding: putouts, column 59
    std::int32_t AST = 0;          // 60: fielding: assists, column 60
    double FA = 0.0;               // 61: fielding: fielding average, column 66
    std::int32_t ERR = 0;          // 62: fielding: errors, column 61
    std::int32_t TotalChances = 0; // 63: fielding: total chances, column 62
    std::int32_t DP = 0;           // 64: fielding: double plays, column 63
    std::int32_t TP = 0;           // 65: fielding: triple plays, column 64
    std::int32_t PB = 0;           // 66: fielding: passed balls, column 65
    // Lines of the "More columns" option (read only when the view has it on).
    double OPS = 0.0;      // 67: batting: on-base plus slugging, column 67
    double ERAPlus = 0.0;  // 68: pitching: ERA adjusted to league and park, column 68
    double ExpWLPct = 0.0; // 69: expected won-lost percentage from runs, column 69
};

// Reply-line readers (67 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<TeamRecord>& TeamLayout();

// Text of grid column `column` (0 .. 66, 67 .. 69 the added ones) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString TeamCellText(const TeamRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<TeamRecord> TeamBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& TeamsInfo();

// The teams database as the view and the page fetch use it; with `more`,
// with the lines and columns of the "More columns" option.
const DatabaseDescriptor<TeamRecord>& TeamsDatabase(bool more = false);
