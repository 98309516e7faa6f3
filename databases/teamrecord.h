#pragma once

#include <cstdint>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/shortstring.h"
#include "protocol/recordlayout.h"

// One club's season: standing and batting, pitching and fielding totals, as the teams page cache
// holds it. Fields are in reply-line order; an all-zero record is an empty slot.
struct TeamRecord {
    ShortString<3> TeamCode;       // 0: team code
    ShortString<30> TeamName;      // 1: team name
    ShortString<3> League;         // 2: league
    ShortString<4> Division;       // 3: division
    ShortString<4> Year;           // 4: year
    std::int32_t G = 0;            // 5: games
    std::int32_t W = 0;            // 6: won
    std::int32_t L = 0;            // 7: lost
    double GB = 0.0;               // 8: games behind
    double WLPct = 0.0;            // 9: won-lost percentage
    std::int32_t HomeW = 0;        // 10: home wins
    std::int32_t HomeL = 0;        // 11: home losses
    std::int32_t AwayW = 0;        // 12: away wins
    std::int32_t AwayL = 0;        // 13: away losses
    std::int32_t TPA = 0;          // 14: batting: total plate appearances
    std::int32_t RS = 0;           // 15: batting: runs scored
    std::int32_t OppRS = 0;        // 16: pitching: opponents' runs scored
    std::int32_t AB = 0;           // 17: batting: at bats
    std::int32_t H = 0;            // 18: batting: hits
    std::int32_t TB = 0;           // 19: batting: total bases
    std::int32_t D = 0;            // 20: batting: doubles
    std::int32_t T = 0;            // 21: batting: triples
    std::int32_t HR = 0;           // 22: batting: home runs
    std::int32_t RBI = 0;          // 23: batting: runs batted in
    std::int32_t BB = 0;           // 24: batting: walks
    std::int32_t IBB = 0;          // 25: batting: intentional walks
    std::int32_t HBP = 0;          // 26: batting: hit by pitch
    std::int32_t SO = 0;           // 27: batting: strikeouts
    std::int32_t SacH = 0;         // 28: batting: sacrifice hits
    std::int32_t SacF = 0;         // 29: batting: sacrifice flies
    double AVG = 0.0;              // 30: batting: average
    double OBP = 0.0;              // 31: batting: on-base percentage
    double SLG = 0.0;              // 32: batting: slugging percentage
    std::int32_t SB = 0;           // 33: batting: stolen bases
    std::int32_t CS = 0;           // 34: batting: caught stealing
    std::int32_t GIDP = 0;         // 35: batting: grounded into double plays
    std::int32_t LOB = 0;          // 36: batting: left on base
    std::int32_t BatSHO = 0;       // 37: batting: shutouts
    std::int32_t CG = 0;           // 38: pitching: complete games
    std::int32_t SHO = 0;          // 39: pitching: shutouts
    std::int32_t RA = 0;           // 40: pitching: relief appearances
    std::int32_t SV = 0;           // 41: pitching: saves
    double IP = 0.0;               // 42: pitching: innings pitched
    std::int32_t OppH = 0;         // 43: pitching: opponents' hits
    std::int32_t BFP = 0;          // 44: pitching: batters faced
    std::int32_t OppAB = 0;        // 45: pitching: opponents' at bats
    std::int32_t OppER = 0;        // 46: pitching: opponents' earned runs
    std::int32_t OppHR = 0;        // 47: pitching: opponents' home runs
    std::int32_t OppBB = 0;        // 48: pitching: opponents' walks
    std::int32_t OppIBB = 0;       // 49: pitching: opponents' intentional walks
    std::int32_t OppHBP = 0;       // 50: pitching: opponents hit by pitch
    std::int32_t OppSO = 0;        // 51: pitching: opponents' strikeouts
    std::int32_t OppSacH = 0;      // 52: pitching: opponents' sacrifice hits
    std::int32_t OppSacF = 0;      // 53: pitching: opponents' sacrifice flies
    std::int32_t WP = 0;           // 54: pitching: wild pitches
    std::int32_t BK = 0;           // 55: pitching: balks
    double ERA = 0.0;              // 56: pitching: earned run average
    double OppAVG = 0.0;           // 57: pitching: opponents' batting average
    double OppOBP = 0.0;           // 58: pitching: opponents' on-base percentage
    std::int32_t PO = 0;           // 59: fielding: putouts
    std::int32_t AST = 0;          // 60: fielding: assists
    double FA = 0.0;               // 61: fielding: fielding average
    std::int32_t ERR = 0;          // 62: fielding: errors
    std::int32_t TotalChances = 0; // 63: fielding: total chances
    std::int32_t DP = 0;           // 64: fielding: double plays
    std::int32_t TP = 0;           // 65: fielding: triple plays
    std::int32_t PB = 0;           // 66: fielding: passed balls
};

// Reply-line readers (67 lines per record, line k read by readers[k]) and
// the initial page-cache capacity.
const RecordLayout<TeamRecord>& TeamLayout();

// Text of grid column `column` (0 .. 66) for a data row, or for the totals
// row when `totalsRow`; empty outside the table.
QString TeamCellText(const TeamRecord& record, int column, bool totalsRow);

// The band key of `bandMode`, nullptr for a mode this database does not know.
BandKey<TeamRecord> TeamBandKey(int bandMode);

// Caption, service path, record-independent tables.
const DatabaseInfo& TeamsInfo();

// The teams database as the view and the page fetch use it.
const DatabaseDescriptor<TeamRecord>& TeamsDatabase();
