#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "databases/databaseinfo.h"
#include "protocol/pagefetcher.h"
#include "protocol/playerlookup.h"

// One row of a table of a player page: cells as the grid draws them, one per grid column.
struct PlayerPageRow {
    enum class Kind { Season, Stint, Career };
    Kind kind = Kind::Season;
    QStringList cells;
};

// Grid columns the page reads from its rows (the same in the three player tables).
inline constexpr int PlayerPageYearColumn = 1;
inline constexpr int PlayerPageTeamCodeColumn = 2;
inline constexpr int PlayerPageTeamNameColumn = 3;
// The Fielders table's position column.
inline constexpr int PlayerPagePositionColumn = 5;

// Whether one of the season lines combines several clubs (team code "TOT").
bool HasCombinedSeason(const std::vector<QStringList>& seasons);

// The page's rows in order: each season line, a "TOT" line followed by the stint rows of that
// season (and, with byPosition, of its position), then the career lines. Stints whose season
// has no "TOT" line are not listed again.
std::vector<PlayerPageRow> ComposePlayerRows(const std::vector<QStringList>& seasons,
                                             const std::vector<QStringList>& stints,
                                             const std::vector<QStringList>& careers,
                                             bool byPosition);

// A player's table as the page shows it, or why it could not be had.
struct PlayerTableResult {
    bool ok = false;
    QString problem;
    std::vector<PlayerPageRow> rows;
    // Page requests sent (season lines, stints only when a season is "TOT", career line).
    int requests = 0;
};

// Fetches the rows of the player with pick-list entry `label` in `kind` (Batters, Pitchers or
// Fielders) from `hosts`, with ordinary page requests that fail over as a view's do: his
// season lines, the stint rows when a season combines clubs, and his career line.
PlayerTableResult FetchPlayerTable(DatabaseKind kind, const QString& label,
                                   const ServiceHosts& hosts);

// The lines of facts on top of a player page: his name and given name, birth and death with his
// age, bats and throws, height and weight, the years he played with debut and final game, and
// the data's cross-reference codes; lines whose facts are all unknown are left out.
QStringList PlayerFactLines(const PlayerFacts& facts, const QDate& today);
