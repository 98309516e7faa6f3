#include "query/selectionitems.h"

#include <optional>

#include <QRegularExpression>

#include "databases/databaseinfo.h"
#include "protocol/querystate.h"

SelectKind SelectKindOf(SelectWhat what) {
    switch (what) {
    case SelectWhat::Player:
        return {ListKind::Players, 'A', true, "Player"};
    case SelectWhat::Team:
        return {ListKind::Teams, 'B', false, "Team"};
    case SelectWhat::Year:
        return {ListKind::Years, 'C', false, "Year"};
    case SelectWhat::League:
        return {ListKind::Leagues, 'D', false, "League"};
    case SelectWhat::Position:
        return {ListKind::Positions, 'G', true, "Position"};
    }
    return {ListKind::Teams, 'B', false, "Team"};
}

QString DatabaseWord(DatabaseKind database) {
    switch (database) {
    case DatabaseKind::Batters:
        return QStringLiteral("Batters");
    case DatabaseKind::Pitchers:
        return QStringLiteral("Pitchers");
    case DatabaseKind::Fielders:
        return QStringLiteral("Fielders");
    case DatabaseKind::Teams:
        return QStringLiteral("Teams");
    }
    return {};
}

std::optional<QString> SelectCaption(DatabaseKind database, SelectWhat what) {
    if (what == SelectWhat::Player && database == DatabaseKind::Teams)
        return std::nullopt;
    if (what == SelectWhat::Position && database != DatabaseKind::Fielders)
        return std::nullopt;
    return QStringLiteral("Baseball %1 - Select %2")
        .arg(DatabaseWord(database), QLatin1String(SelectKindOf(what).captionWord));
}

std::vector<std::string> SelectionGroup(char itemLetter, const std::vector<std::string>& ticked) {
    std::vector<std::string> items;
    items.reserve(ticked.size());
    for (const std::string& line : ticked) {
        std::string item(1, itemLetter);
        item += line;
        items.push_back(item.substr(0, QueryState::MaxItemLength));
    }
    return items;
}

std::string LimitItem(int field, const QString& minimum, const QString& maximum) {
    const QString item = QStringLiteral("E%1!%2!%3!").arg(QString::number(field), minimum, maximum);
    return item.toStdString().substr(0, QueryState::MaxItemLength);
}

namespace {

// A bound as the service reads a number: blanks around, an optional sign,
// digits with an optional decimal point.
std::optional<double> limitNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)\\s*$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    return text.trimmed().toDouble();
}

} // namespace

QString LimitBoundsError(const QString& minimum, const QString& maximum, bool numeric) {
    if (minimum.contains(QLatin1Char('!')) || maximum.contains(QLatin1Char('!')))
        return QStringLiteral("A minimum or maximum value must not contain \"!\".");
    const auto above = [&] {
        return QStringLiteral("from %1 is above to %2").arg(minimum, maximum);
    };
    if (!numeric) {
        if (!minimum.isEmpty() && !maximum.isEmpty() &&
            QString::compare(minimum, maximum, Qt::CaseInsensitive) > 0)
            return above();
        return {};
    }
    std::optional<double> low;
    std::optional<double> high;
    for (const QString* bound : {&minimum, &maximum}) {
        if (bound->isEmpty())
            continue;
        const std::optional<double> value = limitNumber(*bound);
        if (!value)
            return QStringLiteral("'%1' is not a number").arg(*bound);
        (bound == &minimum ? low : high) = value;
    }
    if (low && high && *low > *high)
        return above();
    return {};
}

bool LimitFieldIsNumeric(DatabaseKind database, int field) {
    for (const ColumnSpec& column : DatabaseInfoFor(database).columns) {
        if (column.sortField != field)
            continue;
        // Years are texts on screen but numbers to the service.
        if (QLatin1String(column.title) == QLatin1String("YEAR"))
            return true;
        switch (column.format.kind) {
        case CellKind::Integer:
        case CellKind::Real:
        case CellKind::GamesBehind:
            return true;
        default:
            return false;
        }
    }
    return false;
}

QString LimitCaption(DatabaseKind database) {
    return QStringLiteral("Baseball %1 - Limit Options").arg(DatabaseWord(database));
}

QString SelectionFullMessage() {
    return QStringLiteral("The query holds at most %1 selection and limit items, and this one "
                          "would not fit. Nothing was added; use Reset to start a new query.")
        .arg(QueryState::MaxSelectionItems);
}
