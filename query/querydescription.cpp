#include "query/querydescription.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// The words of the sort codes in force: the multi-key form the request sends,
// else the single code.
QStringList SortWords(DatabaseKind kind, const QueryState& state) {
    std::vector<std::int32_t> codes;
    if (state.SortQuad[0] >= 0) {
        codes.assign(state.SortQuad.begin(), state.SortQuad.end());
    } else if (state.SortTriple[0] >= 0) {
        codes.assign(state.SortTriple.begin(), state.SortTriple.end());
    } else if (state.SortPair[0] >= 0) {
        codes.assign(state.SortPair.begin(), state.SortPair.end());
    } else {
        codes.push_back(state.SortCode);
    }
    QStringList words;
    for (const std::int32_t code : codes) {
        // 300, 99 and negative codes are the default order.
        if (code < 0 || code == 99 || code >= 200) {
            continue;
        }
        const bool ascending = code >= 100;
        const QString name = FieldShortName(kind, ascending ? code - 100 : code);
        if (!name.isEmpty()) {
            words << name +
                         (ascending ? QStringLiteral(" ascending") : QStringLiteral(" descending"));
        }
    }
    return words;
}

} // namespace

QString SelectionWord(char letter) {
    switch (letter) {
    case 'A':
        return QStringLiteral("Player");
    case 'B':
        return QStringLiteral("Team");
    case 'C':
        return QStringLiteral("Year");
    case 'D':
        return QStringLiteral("League");
    case 'G':
        return QStringLiteral("Position");
    default:
        return QStringLiteral("Item");
    }
}

QString LimitWords(DatabaseKind kind, const QString& item) {
    const QStringList parts = item.mid(1).split(QLatin1Char('!'));
    const QString name = FieldShortName(kind, parts.value(0).toInt());
    const QString minimum = parts.value(1);
    const QString maximum = parts.value(2);
    if (!minimum.isEmpty() && !maximum.isEmpty()) {
        return QStringLiteral("%1 %2 to %3").arg(name, minimum, maximum);
    }
    if (!minimum.isEmpty()) {
        return QStringLiteral("%1 from %2").arg(name, minimum);
    }
    if (!maximum.isEmpty()) {
        return QStringLiteral("%1 up to %2").arg(name, maximum);
    }
    return QStringLiteral("%1 any").arg(name);
}

QString FieldShortName(DatabaseKind kind, int field) {
    // The "More columns" tables: the database's own fields under the same
    // numbers, the added ones after them.
    const QStringList& fields = DatabaseInfoFor(kind, true).sortFields;
    if (field < 0 || field >= fields.size()) {
        return {};
    }
    // A dash followed by a blank parts the entry; "W-L%" keeps its dash.
    static const QRegularExpression dash(QStringLiteral("\\s*-\\s+"));
    const QStringList parts = fields[field].split(dash);
    if (parts.size() >= 3) {
        return parts[0].trimmed() + QLatin1Char(' ') + parts[1].trimmed();
    }
    return parts[0].trimmed();
}

QString DescribeQuery(DatabaseKind kind, const QueryState& state) {
    QStringList clauses;
    // A lines mode other than per team leads the text: "career lines, ...".
    QString lines;
    if (state.Lines == LinesMode::PerSeason) {
        lines = state.QualifiedOnly ? QStringLiteral("qualified season lines")
                                    : QStringLiteral("season lines");
    } else if (state.Lines == LinesMode::PerCareer) {
        lines = QStringLiteral("career lines");
    } else if (state.QualifiedOnly) {
        lines = QStringLiteral("qualified lines");
    }
    const QStringList sort = SortWords(kind, state);
    clauses << (sort.isEmpty() ? QStringLiteral("Default order")
                               : sort.join(QStringLiteral(", then ")));
    QStringList group;
    char groupLetter = 0;
    const int count = std::min(state.SelectionCount, QueryState::MaxSelectionItems);
    for (int i = 0; i < count; ++i) {
        const QString item =
            QString::fromStdString(state.SelectionItems[static_cast<std::size_t>(i)]);
        if (item == QLatin1String("*")) {
            if (!group.isEmpty()) {
                clauses << SelectionWord(groupLetter) + QStringLiteral(": ") +
                               group.join(QStringLiteral(" or "));
            }
            group.clear();
            groupLetter = 0;
            continue;
        }
        const char letter = item.isEmpty() ? 0 : item.front().toLatin1();
        if (letter == 'E') {
            clauses << LimitWords(kind, item);
            continue;
        }
        groupLetter = letter;
        group << item.mid(1);
    }
    const QString text = clauses.join(QStringLiteral("; "));
    // "More columns" is said last, so the text of a query without it stays
    // as it was.
    const QString more = state.MoreColumns ? QStringLiteral("; more columns") : QString();
    return (lines.isEmpty() ? text : lines + QStringLiteral(", ") + text) + more;
}
