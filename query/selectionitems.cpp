#include "query/selectionitems.h"

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

QString LimitBoundsError(const QString& minimum, const QString& maximum) {
    if (minimum.contains(QLatin1Char('!')) || maximum.contains(QLatin1Char('!')))
        return QStringLiteral("A minimum or maximum value must not contain \"!\".");
    return {};
}

QString LimitCaption(DatabaseKind database) {
    return QStringLiteral("Baseball %1 - Limit Options").arg(DatabaseWord(database));
}

QString SelectionFullMessage() {
    return QStringLiteral("The query holds at most %1 selection and limit items, and this one "
                          "would not fit. Nothing was added; use Reset to start a new query.")
        .arg(QueryState::MaxSelectionItems);
}
