#include "charts/chartmodel.h"

#include <algorithm>
#include <map>

#include <QLocale>
#include <QRegularExpression>

#include "query/querydescription.h"
#include "query/selectionitems.h"

namespace {

// The grid column's entry of the database's column table; null when out of range.
auto ColumnOf(DatabaseKind kind, int column) -> decltype(DatabaseInfoFor(kind).columns.data()) {
    // The tables of "More columns" hold the database's own columns under the
    // same numbers, and the added ones after them.
    const auto columns = DatabaseInfoFor(kind, true).columns;
    if (column < 0 || column >= static_cast<int>(columns.size()))
        return nullptr;
    return &columns[static_cast<std::size_t>(column)];
}

// The meaning of a sort-list entry: "Home Runs" of "HR  - Home Runs".
QString FieldMeaning(DatabaseKind kind, int field) {
    const QStringList& fields = DatabaseInfoFor(kind, true).sortFields;
    if (field < 0 || field >= fields.size())
        return {};
    static const QRegularExpression dash(QStringLiteral("\\s*-\\s+"));
    const QStringList parts = fields[field].split(dash);
    return parts.size() >= 2 ? parts.last().trimmed() : QString();
}

// The unit of a column's values, from its format and meaning.
QString ColumnUnit(const CellFormat& format, const QString& meaning) {
    switch (format.kind) {
    case CellKind::Integer:
        return QStringLiteral("count");
    case CellKind::GamesBehind:
        return QStringLiteral("games");
    case CellKind::Real:
        break;
    default:
        return {};
    }
    if (meaning.contains(QStringLiteral("Earned Run Average")))
        return QStringLiteral("runs per 9 innings");
    if (meaning.contains(QStringLiteral("Innings")))
        return QStringLiteral("innings");
    if (format.blankZero || meaning.contains(QStringLiteral("Percentage")) ||
        meaning.contains(QStringLiteral("Average")))
        return QStringLiteral("ratio");
    return QStringLiteral("per game");
}

QString Thousands(int n) {
    return QLocale(QLocale::English).toString(n);
}

} // namespace

QString DataAttributionLine() {
    return QStringLiteral("Baseball statistics from the Lahman Baseball Database by Sean Lahman, "
                          "licensed under CC BY-SA 3.0.");
}

QString ChartQueryWords(const QString& queryWords) {
    static const QRegularExpression order(QStringLiteral("(^|, )Default order(; |$)"));
    QString words = queryWords;
    words.replace(order, QStringLiteral("\\1"));
    if (words.endsWith(QStringLiteral(", ")))
        words.chop(2);
    return words;
}

QString ChartFileStem(DatabaseKind kind, int column) {
    const auto* entry = ColumnOf(kind, column);
    QString stem = DatabaseWord(kind).toLower();
    if (entry != nullptr)
        stem += QLatin1Char('-') + FieldShortName(kind, entry->sortField).toLower();
    static const QRegularExpression other(QStringLiteral("[^a-z0-9]+"));
    stem.replace(other, QStringLiteral("-"));
    while (stem.endsWith(QLatin1Char('-')))
        stem.chop(1);
    return stem;
}

bool ChartBarsHorizontal(int count, int longestLabel) {
    // Upright bars share about 90 characters of width between them.
    constexpr int UprightWidth = 90;
    return count > 0 && count * std::max(longestLabel, 1) > UprightWidth;
}

bool IsChartableColumn(DatabaseKind kind, int column) {
    const auto* entry = ColumnOf(kind, column);
    if (entry == nullptr)
        return false;
    const CellKind k = entry->format.kind;
    return k == CellKind::Integer || k == CellKind::Real || k == CellKind::GamesBehind;
}

int FirstChartableColumn(DatabaseKind kind, int column) {
    const int count = static_cast<int>(DatabaseInfoFor(kind).columns.size());
    for (int c = std::max(column, 0); c < count; ++c) {
        if (IsChartableColumn(kind, c))
            return c;
    }
    return -1;
}

QStringList SelectedPlayers(const QueryState& state) {
    QStringList players;
    const int count = std::min(state.SelectionCount, QueryState::MaxSelectionItems);
    for (int i = 0; i < count; ++i) {
        const std::string& item = state.SelectionItems[static_cast<std::size_t>(i)];
        if (item.size() > 1 && item.front() == 'A')
            players << QString::fromStdString(item.substr(1));
    }
    return players;
}

ChartPlan PlanChart(DatabaseKind kind, const QueryState& state, int totalRows) {
    ChartPlan plan;
    const int total = std::max(totalRows, 0);
    const QStringList players =
        kind == DatabaseKind::Teams ? QStringList() : SelectedPlayers(state);
    if (!players.isEmpty() && players.size() <= ChartMaxPlayers) {
        plan.mode = ChartMode::Lines;
        plan.players = players;
        plan.rowsWanted = std::min(total, ChartLineRowCap);
    } else {
        plan.mode = ChartMode::Bars;
        plan.rowsWanted = std::min(total, ChartBarRows);
    }
    return plan;
}

QueryState ChartQueryState(const QueryState& windowState, ChartMode mode) {
    // A player's line over the years has one point a season: the service
    // adds up the stints of a season (season lines). Bars plot the window's
    // own rows, in its lines mode.
    QueryState state = windowState;
    if (mode == ChartMode::Lines)
        state.Lines = LinesMode::PerSeason;
    return state;
}

std::optional<double> ChartValue(DatabaseKind kind, int column, const QString& text) {
    const auto* entry = ColumnOf(kind, column);
    const QString trimmed = text.trimmed();
    if (entry == nullptr || trimmed.isEmpty())
        return std::nullopt;
    if (trimmed == QLatin1String("---")) {
        if (entry->format.kind == CellKind::GamesBehind)
            return 0.0;
        return std::nullopt;
    }
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString ChartAxisTitle(DatabaseKind kind, int column) {
    const auto* entry = ColumnOf(kind, column);
    if (entry == nullptr)
        return {};
    const QString name = FieldShortName(kind, entry->sortField);
    const QString meaning = FieldMeaning(kind, entry->sortField);
    const QString unit = ColumnUnit(entry->format, meaning);
    QString title = meaning.isEmpty() ? name : name + QStringLiteral(" - ") + meaning;
    if (!unit.isEmpty())
        title += QStringLiteral(" (") + unit + QLatin1Char(')');
    return title;
}

ChartModel BuildChartModel(DatabaseKind kind, int column, const ChartPlan& plan,
                           const std::vector<ChartRow>& rows, int totalRows,
                           const QString& queryWords) {
    ChartModel model;
    model.mode = plan.mode;
    const auto* entry = ColumnOf(kind, column);
    const QString name = entry ? FieldShortName(kind, entry->sortField) : QString();
    model.title = DatabaseWord(kind) + QStringLiteral(": ") + name;
    const QString words = ChartQueryWords(queryWords);
    if (!words.isEmpty())
        model.title += QStringLiteral(" - ") + words;
    model.wholeNumbers = entry != nullptr && entry->format.kind == CellKind::Integer;
    model.fileStem = ChartFileStem(kind, column);
    model.yTitle = ChartAxisTitle(kind, column);
    model.totalRows = std::max(totalRows, 0);

    if (plan.mode == ChartMode::Lines) {
        model.xTitle = QStringLiteral("Year (season)");
        const std::size_t used = std::min<std::size_t>(rows.size(), ChartLineRowCap);
        // One series per player, in the order the rows first name them.
        std::vector<QString> order;
        std::map<QString, std::vector<ChartPoint>> points;
        for (std::size_t i = 0; i < used; ++i) {
            const ChartRow& row = rows[i];
            bool yearOk = false;
            const int year = row.year.trimmed().toInt(&yearOk);
            if (!yearOk)
                continue;
            if (points.find(row.player) == points.end())
                order.push_back(row.player);
            points[row.player].push_back(
                ChartPoint{double(year), ChartValue(kind, column, row.value),
                           row.year.trimmed() + QLatin1Char(' ') + row.team.trimmed()});
        }
        for (const QString& player : order) {
            ChartSeriesData series{player, points[player]};
            // Over the years; a player's stints of one season keep their order.
            std::stable_sort(series.points.begin(), series.points.end(),
                             [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
            model.series.push_back(std::move(series));
        }
        model.shownRows = static_cast<int>(used);
    } else {
        model.xTitle = kind == DatabaseKind::Teams
                           ? QStringLiteral("Club and season, in the window's order")
                           : QStringLiteral("Player and season, in the window's order");
        ChartSeriesData series{name, {}};
        const std::size_t used = std::min<std::size_t>(rows.size(), ChartBarRows);
        for (std::size_t i = 0; i < used; ++i) {
            const ChartRow& row = rows[i];
            const QString who =
                row.player.trimmed().isEmpty() ? row.team.trimmed() : row.player.trimmed();
            series.points.push_back(ChartPoint{double(i + 1), ChartValue(kind, column, row.value),
                                               who + QLatin1Char(' ') + row.year.trimmed()});
        }
        int longest = 0;
        for (const ChartPoint& point : series.points)
            longest = std::max(longest, static_cast<int>(point.label.size()));
        model.horizontal = ChartBarsHorizontal(static_cast<int>(series.points.size()), longest);
        model.series.push_back(std::move(series));
        model.shownRows = static_cast<int>(used);
    }
    model.countNote = QStringLiteral("Showing %1 of %2 rows")
                          .arg(Thousands(model.shownRows), Thousands(model.totalRows));
    return model;
}

std::vector<std::vector<QPointF>> ChartSegments(const ChartSeriesData& series) {
    std::vector<std::vector<QPointF>> segments;
    std::vector<QPointF> run;
    for (const ChartPoint& point : series.points) {
        if (!point.y) {
            if (!run.empty())
                segments.push_back(std::move(run));
            run.clear();
            continue;
        }
        run.emplace_back(point.x, *point.y);
    }
    if (!run.empty())
        segments.push_back(std::move(run));
    return segments;
}
