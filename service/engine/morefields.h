#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "service/engine/tabledata.h"

namespace bbstatsd {

class SqliteDb;
struct LinesTable;

// The figures of the more-columns option that need more than a record's own counts, computed
// once at load:
// - OPS = OBP + SLG.
// - OPS+ = 100 x (OBP / lgOBP + SLG / lgSLG - 1). lgOBP and lgSLG are those of the player's
//   league and season without pitchers' batting (rows of players whose pitching games that
//   season are at least half their batting games), each times the club's batting park factor
//   at half weight, (1 + BPF / 100) / 2, since half the games are at home.
// - ERA+ = 100 x lgERA x PPF / 100 / ERA, lgERA = 27 x ER / outs of the league-season's
//   pitching rows; missing when the ERA is 0.
// - FIP = (13 HR + 3 (BB + HBP) - 2 SO) / IP + C, C the league-season's constant that makes
//   the league's FIP its ERA.
// - Age on June 30 of the season (from the birth year alone where the month is missing).
// - Teams: the expected W-L% = RS^1.83 / (RS^1.83 + RA^1.83).
// A club-season without park factors is computed with none (factor 1). A combined line
// compares with the league figures (and park factors) of its stints, weighted by plate
// appearances (innings for ERA+ and FIP); a career line has no age.
class MoreFigures {
public:
    // The league-season figures, park factors and birth dates of the loaded tables (in the
    // order of Table), read from db.
    MoreFigures(SqliteDb& db, const std::array<const TableData*, 4>& tables);
    ~MoreFigures();
    MoreFigures(const MoreFigures&) = delete;
    MoreFigures& operator=(const MoreFigures&) = delete;

    // The table of the option: the loaded table's lines and the added ones.
    std::unique_ptr<TableData> extend(const TableData& base) const;

    // Fills the added lines of combined lines that are no ratio of their sums (cols: the
    // lines' columns, stint rows per line in lines). Lines of one stint in a season keep the
    // stint's figures as copied.
    void fillLines(const TableDef& def, std::vector<Column>& cols, const LinesTable& lines,
                   bool career) const;

private:
    struct Basis;
    std::array<std::unique_ptr<Basis>, 4> m_basis; // per table
};

// The totals record of rows (see totalsRecord); on a table of the option, its OPS from the
// record's OBP and SLG and its expected W-L% from its runs, the other added figures that
// compare with a league (OPS+, ERA+, FIP) and the age missing.
std::string recordTotals(const TableData& data, const std::vector<std::uint32_t>& rows);

} // namespace bbstatsd
