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
        items.push_back(CutItem(item));
    }
    return items;
}

std::string LimitItem(int field, const QString& minimum, const QString& maximum) {
    const QString item = QStringLiteral("E%1!%2!%3!").arg(QString::number(field), minimum, maximum);
    return CutItem(item.toStdString());
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

QString LimitBoundsError(const QString& minimum, const QString& maximum, LimitOrder order) {
    if (minimum.contains(QLatin1Char('!')) || maximum.contains(QLatin1Char('!')))
        return QStringLiteral("A minimum or maximum value must not contain \"!\".");
    const auto above = [&] {
        return QStringLiteral("from %1 is above to %2").arg(minimum, maximum);
    };
    if (order != LimitOrder::Number) {
        if (minimum.isEmpty() || maximum.isEmpty())
            return {};
        const std::string low = minimum.toStdString();
        const std::string high = maximum.toStdString();
        const int compared =
            order == LimitOrder::Exact ? low.compare(high) : CompareNames(low, high);
        return compared > 0 ? above() : QString();
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

LimitOrder LimitFieldOrder(DatabaseKind database, int field) {
    for (const ColumnSpec& column : DatabaseInfoFor(database, true).columns) {
        if (column.sortField != field)
            continue;
        // Years are texts on screen but numbers to the service.
        if (QLatin1String(column.title) == QLatin1String("YEAR"))
            return LimitOrder::Number;
        switch (column.format.kind) {
        case CellKind::Integer:
        case CellKind::Real:
        case CellKind::GamesBehind:
            return LimitOrder::Number;
        case CellKind::CharAfterBlank:
        case CellKind::CharAlone:
            return LimitOrder::Exact;
        default:
            return LimitOrder::Text;
        }
    }
    return LimitOrder::Text;
}

bool LimitFieldIsNumeric(DatabaseKind database, int field) {
    return LimitFieldOrder(database, field) == LimitOrder::Number;
}

namespace {

// Base letters of U+00C0..U+00FF, lower case; 0 where the character is no
// letter (multiplication and division signs).
constexpr char kLatin1Base[64 + 1] = "aaaaaaaceeeeiiii"
                                     "dnooooo\0ouuuuyts"
                                     "aaaaaaaceeeeiiii"
                                     "dnooooo\0ouuuuyty";

// The next unit of the name order from `i`: an ASCII letter in lower case,
// an accented Latin letter as its base letter, any other byte as it is.
unsigned char nextFolded(std::string_view text, std::size_t& i) {
    const auto c = static_cast<unsigned char>(text[i++]);
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c == 0xC3 && i < text.size()) {
        const auto next = static_cast<unsigned char>(text[i]);
        if (next >= 0x80 && next <= 0xBF && kLatin1Base[next - 0x80] != 0) {
            ++i;
            return static_cast<unsigned char>(kLatin1Base[next - 0x80]);
        }
    }
    return c;
}

} // namespace

int CompareNames(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char x = nextFolded(a, i);
        const unsigned char y = nextFolded(b, j);
        if (x != y)
            return x < y ? -1 : 1;
    }
    const bool aLeft = i < a.size();
    const bool bLeft = j < b.size();
    return aLeft == bLeft ? 0 : (aLeft ? 1 : -1);
}

QString LimitCaption(DatabaseKind database) {
    return QStringLiteral("Baseball %1 - Limit Options").arg(DatabaseWord(database));
}

QString SelectionFullMessage() {
    return QStringLiteral("The query holds at most %1 selection and limit items, and this one "
                          "would not fit. Nothing was added; use Reset to start a new query.")
        .arg(QueryState::MaxSelectionItems);
}
