#pragma once

#include <optional>
#include <vector>

#include <QPointF>
#include <QString>
#include <QStringList>

#include "databases/databaseinfo.h"
#include "protocol/querystate.h"

// The attribution line every picture of the data carries.
QString DataAttributionLine();

// What a chart shows of one window's result.
enum class ChartMode {
    Lines, // one line over the years per selected player
    Bars,  // the first rows of the result in its sort order
};

// One result row as the chart reads it: the texts the grid shows.
struct ChartRow {
    QString player; // empty for Teams
    QString team;   // team name
    QString year;
    QString value; // the charted column, "---" when missing
};

// One point of a series; no value is a gap in the line (or an empty bar).
struct ChartPoint {
    double x = 0;
    std::optional<double> y;
    QString label;
};

struct ChartSeriesData {
    QString name;
    std::vector<ChartPoint> points;
};

// What to ask the service for before drawing.
struct ChartPlan {
    ChartMode mode = ChartMode::Bars;
    // Rows to fetch from result position 0.
    int rowsWanted = 0;
    // The selected players the lines are drawn for (Lines only).
    QStringList players;
};

// Everything the chart window draws, built from rows without widgets.
struct ChartModel {
    ChartMode mode = ChartMode::Bars;
    QString title;
    QString xTitle;
    QString yTitle;
    // Lines: one per player; Bars: exactly one, its points in row order.
    std::vector<ChartSeriesData> series;
    // The rows drawn and the rows the result has.
    int shownRows = 0;
    int totalRows = 0;
    // "Showing 25 of 1,234 rows" and the like.
    QString countNote;
    // The value axis counts (games, home runs): its labels are whole numbers.
    bool wholeNumbers = false;
    // Bars lie on their side, labels to their left, when the labels under
    // upright bars would not fit.
    bool horizontal = false;
    // "batters-hr": what the chart is, as the start of its file names.
    QString fileStem;
};

// Bars show the first rows of the result.
inline constexpr int ChartBarRows = 25;
// Lines are drawn over at most this many rows; a larger result is cut and
// the chart says so.
inline constexpr int ChartLineRowCap = 3000;
// Players one line chart holds.
inline constexpr int ChartMaxPlayers = 6;

// Whether grid column `column` of `kind` holds numbers a chart can plot.
bool IsChartableColumn(DatabaseKind kind, int column);
// The first chartable column at or right of `column`, else -1.
int FirstChartableColumn(DatabaseKind kind, int column = 0);

// The players the query selects (the values of its player items), in order.
QStringList SelectedPlayers(const QueryState& state);

// Lines when the query selects one to six players (never for Teams), else
// bars; the rows to fetch given the result's `totalRows`.
ChartPlan PlanChart(DatabaseKind kind, const QueryState& state, int totalRows);

// The query the chart sends for its rows: the window's own query, with season
// lines for a line over the years (one point per player season).
QueryState ChartQueryState(const QueryState& windowState, ChartMode mode);

// The number in a cell text of column `column`, none for a missing value
// ("---", empty). The leader's games behind ("---") is 0.
std::optional<double> ChartValue(DatabaseKind kind, int column, const QString& text);

// "HR - Home Runs (count)": the column's name, meaning and unit.
QString ChartAxisTitle(DatabaseKind kind, int column);

// The model of `rows` (from result position 0, in the window's order) for
// column `column` under `plan`; `queryWords` is the query in words.
ChartModel BuildChartModel(DatabaseKind kind, int column, const ChartPlan& plan,
                           const std::vector<ChartRow>& rows, int totalRows,
                           const QString& queryWords);

// The query in words as a chart title names it: without "Default order",
// which tells a reader of the picture nothing.
QString ChartQueryWords(const QString& queryWords);

// "batters-hr", "teams-w-l": the database and the column's short name in
// lower case, every other character a hyphen.
QString ChartFileStem(DatabaseKind kind, int column);

// Whether `count` bars labelled with up to `longestLabel` characters need to
// lie on their side for their labels to be read.
bool ChartBarsHorizontal(int count, int longestLabel);

// The unbroken runs of a series: a point without a value ends a run.
std::vector<std::vector<QPointF>> ChartSegments(const ChartSeriesData& series);
