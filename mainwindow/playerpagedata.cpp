#include "mainwindow/playerpagedata.h"

#include <optional>

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "protocol/pagecache.h"
#include "query/selectionitems.h"
#include "views/viewrecords.h"

namespace {

// Rows asked for in one page: more than any player's seasons or stints in one table.
constexpr int kPageRows = 400;

bool sameSeason(const QStringList& a, const QStringList& b, bool byPosition) {
    const auto cell = [](const QStringList& row, int column) {
        return column < row.size() ? row[column].trimmed() : QString();
    };
    return cell(a, PlayerPageYearColumn) == cell(b, PlayerPageYearColumn) &&
           (!byPosition || cell(a, PlayerPagePositionColumn) == cell(b, PlayerPagePositionColumn));
}

bool isCombined(const QStringList& row) {
    return PlayerPageTeamCodeColumn < row.size() &&
           row[PlayerPageTeamCodeColumn].trimmed() == QLatin1String("TOT");
}

// The rows of one page request of the player's lines in `mode`, as the grid draws them.
template <class Record>
std::optional<std::vector<QStringList>> fetchRows(const DatabaseDescriptor<Record>& database,
                                                  const std::string& item, LinesMode mode,
                                                  const ServiceHosts& hosts, QString& problem) {
    // A cache of the page's own: the database windows' shared cache keeps their rows.
    PageCache<Record> cache(kPageRows, kPageRows);
    RecordViewData<Record> data(database, database, cache, hosts, hosts.Mirror2,
                                QueryState::DefaultSortCode);
    QueryState& state = data.exchange().State();
    state.AppendGroup({item});
    state.Lines = mode;
    const RefreshResult result = data.exchange().RefreshView(0, kPageRows);
    if (result.result != FetchResult::Done) {
        problem = result.message;
        return std::nullopt;
    }
    data.pageArrived();
    std::vector<QStringList> rows;
    const int columns = static_cast<int>(database.info.columns.size());
    for (int position = 0; position < data.shownRecords(); ++position) {
        QStringList cells;
        for (int column = 0; column < columns; ++column) {
            cells << data.cellText(position, column);
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

template <class Record>
PlayerTableResult fetchTable(const DatabaseDescriptor<Record>& database, const QString& label,
                             const ServiceHosts& hosts, bool byPosition) {
    PlayerTableResult out;
    const std::vector<std::string> group = SelectionGroup('A', {label.toStdString()});
    const std::string item = group.front();
    ++out.requests;
    const auto seasons = fetchRows(database, item, LinesMode::PerSeason, hosts, out.problem);
    if (!seasons) {
        return out;
    }
    std::vector<QStringList> stints;
    if (HasCombinedSeason(*seasons)) {
        ++out.requests;
        auto perTeam = fetchRows(database, item, LinesMode::PerTeam, hosts, out.problem);
        if (!perTeam) {
            return out;
        }
        stints = std::move(*perTeam);
    }
    ++out.requests;
    const auto careers = fetchRows(database, item, LinesMode::PerCareer, hosts, out.problem);
    if (!careers) {
        return out;
    }
    out.rows = ComposePlayerRows(*seasons, stints, *careers, byPosition);
    out.ok = true;
    return out;
}

} // namespace

bool HasCombinedSeason(const std::vector<QStringList>& seasons) {
    for (const QStringList& row : seasons) {
        if (isCombined(row)) {
            return true;
        }
    }
    return false;
}

std::vector<PlayerPageRow> ComposePlayerRows(const std::vector<QStringList>& seasons,
                                             const std::vector<QStringList>& stints,
                                             const std::vector<QStringList>& careers,
                                             bool byPosition) {
    std::vector<PlayerPageRow> rows;
    for (const QStringList& season : seasons) {
        rows.push_back({PlayerPageRow::Kind::Season, season});
        if (!isCombined(season)) {
            continue;
        }
        for (const QStringList& stint : stints) {
            if (sameSeason(season, stint, byPosition)) {
                rows.push_back({PlayerPageRow::Kind::Stint, stint});
            }
        }
    }
    for (const QStringList& career : careers) {
        rows.push_back({PlayerPageRow::Kind::Career, career});
    }
    return rows;
}

PlayerTableResult FetchPlayerTable(DatabaseKind kind, const QString& label,
                                   const ServiceHosts& hosts) {
    switch (kind) {
    case DatabaseKind::Batters:
        return fetchTable(BattersDatabase(), label, hosts, false);
    case DatabaseKind::Pitchers:
        return fetchTable(PitchersDatabase(), label, hosts, false);
    case DatabaseKind::Fielders:
        return fetchTable(FieldersDatabase(), label, hosts, true);
    case DatabaseKind::Teams:
        break;
    }
    PlayerTableResult refused;
    refused.problem = QStringLiteral("Teams has no player lines");
    return refused;
}

QStringList PlayerFactLines(const PlayerFacts& facts, const QDate& today) {
    const auto value = [&](const char* key) { return facts.value(QLatin1String(key)); };
    QStringList lines;
    QString name = value("Name");
    if (!value("Given").isEmpty()) {
        name += QStringLiteral(" (") + value("Given") + QLatin1Char(' ') + value("Last") +
                QLatin1Char(')');
    }
    lines << name;
    if (const QString life = LifeText(facts, today); !life.isEmpty()) {
        lines << life;
    }
    QStringList body;
    if (!value("Bats").isEmpty()) {
        body << QStringLiteral("Bats ") + value("Bats");
    }
    if (!value("Throws").isEmpty()) {
        body << QStringLiteral("throws ") + value("Throws");
    }
    if (const int inches = value("Height").toInt(); inches > 0) {
        body << QStringLiteral("%1 ft %2 in").arg(inches / 12).arg(inches % 12);
    }
    if (!value("Weight").isEmpty()) {
        body << value("Weight") + QStringLiteral(" lb");
    }
    if (!body.isEmpty()) {
        lines << body.join(QStringLiteral(", "));
    }
    QString played;
    if (!value("Years").isEmpty()) {
        played = QStringLiteral("Played ") + value("Years");
    }
    QStringList games;
    if (!value("Debut").isEmpty()) {
        games << QStringLiteral("debut ") + value("Debut");
    }
    if (!value("FinalGame").isEmpty()) {
        games << QStringLiteral("final game ") + value("FinalGame");
    }
    if (!games.isEmpty()) {
        played += (played.isEmpty() ? QString() : QStringLiteral(": ")) +
                  games.join(QStringLiteral(", "));
    }
    if (!played.isEmpty()) {
        lines << played;
    }
    QStringList codes{QStringLiteral("Player code ") + value("ID")};
    if (!value("BbrefID").isEmpty()) {
        codes << QStringLiteral("bbrefID ") + value("BbrefID");
    }
    if (!value("RetroID").isEmpty()) {
        codes << QStringLiteral("retroID ") + value("RetroID");
    }
    lines << codes.join(QStringLiteral(", "));
    return lines;
}
