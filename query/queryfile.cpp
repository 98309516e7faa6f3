#include "query/queryfile.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include <QStringDecoder>
#include <QStringList>

#include "query/columnhiding.h"
#include "query/linesoperations.h"
#include "query/selectionitems.h"

namespace {

constexpr char kMagic[] = "bbstats-query";

// The attribution line, as the files carry it.
const char kAttribution[] = "Baseball statistics from the Lahman Baseball Database by Sean "
                            "Lahman, licensed under CC BY-SA 3.0.";

QString Hex(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 6, 16, QLatin1Char('0')).toUpper();
}

std::optional<DatabaseKind> DatabaseNamed(const QString& name) {
    for (const DatabaseKind kind : {DatabaseKind::Batters, DatabaseKind::Pitchers,
                                    DatabaseKind::Fielders, DatabaseKind::Teams}) {
        if (name == DatabaseWord(kind))
            return kind;
    }
    return std::nullopt;
}

// Whole decimal numbers separated by single blanks, exactly `count` of them.
std::optional<std::vector<int>> Numbers(const QString& text, int count) {
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != count)
        return std::nullopt;
    std::vector<int> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        const int n = part.toInt(&ok, 10);
        if (!ok || part.startsWith(QLatin1Char('+')))
            return std::nullopt;
        numbers.push_back(n);
    }
    return numbers;
}

// Why sort code `code` does not fit `kind` (with "More columns" when `more`);
// empty when it does.
QString SortCodeProblem(DatabaseKind kind, bool more, int code) {
    const int fields = static_cast<int>(DatabaseInfoFor(kind, more).sortFields.size());
    if (code == -1 || code == 99 || (code >= 200 && code <= 300))
        return {};
    const int field = code >= 100 ? code - 100 : code;
    if (code < -1 || code > 300 || field >= fields)
        return QStringLiteral("sort code %1 names a field the %2 database lacks")
            .arg(code)
            .arg(DatabaseWord(kind));
    return {};
}

// Why selection item `item` does not fit `kind` (with "More columns" when
// `more`); empty when it does.
QString ItemProblem(DatabaseKind kind, bool more, const QString& item) {
    if (ItemCharacters(item.toStdString()) > QueryState::MaxItemLength)
        return QStringLiteral("the item is longer than %1 characters")
            .arg(QueryState::MaxItemLength);
    if (item == QLatin1String("*"))
        return {};
    const QChar letter = item.isEmpty() ? QChar() : item.front();
    const QString database = DatabaseWord(kind);
    if (letter == QLatin1Char('A') && kind == DatabaseKind::Teams)
        return QStringLiteral("the %1 database has no players").arg(database);
    if (letter == QLatin1Char('G') && kind != DatabaseKind::Fielders)
        return QStringLiteral("the %1 database has no positions").arg(database);
    if (letter == QLatin1Char('E')) {
        const QStringList parts = item.mid(1).split(QLatin1Char('!'));
        bool ok = false;
        const int field = parts.value(0).toInt(&ok);
        if (parts.size() != 4 || !ok || !parts[3].isEmpty())
            return QStringLiteral("a limit reads E<field>!<minimum>!<maximum>!");
        if (field < 0 || field >= DatabaseInfoFor(kind, more).sortFields.size())
            return QStringLiteral("limit field %1 is a field the %2 database lacks")
                .arg(field)
                .arg(database);
        return {};
    }
    if (QStringLiteral("ABCDG").contains(letter) && item.size() > 1)
        return {};
    return QStringLiteral("\"%1\" is not a selection item").arg(item);
}

// The words of the lines modes in a query file.
constexpr std::array<std::pair<LinesMode, const char*>, 3> kLinesWords{{
    {LinesMode::PerTeam, "team"},
    {LinesMode::PerSeason, "season"},
    {LinesMode::PerCareer, "career"},
}};

QString LinesWord(LinesMode mode) {
    for (const auto& [m, word] : kLinesWords) {
        if (m == mode)
            return QString::fromLatin1(word);
    }
    return QStringLiteral("team");
}

struct Line {
    int number = 0;
    QString key;
    QString value;
};

} // namespace

QByteArray WriteQueryFile(const SavedQuery& query) {
    const QueryState& s = query.state;
    QString text;
    const auto line = [&text](const QString& key, const QString& value) {
        text += key + QLatin1Char(' ') + value + QLatin1Char('\n');
    };
    const auto codes = [](const auto& array) {
        QStringList parts;
        for (const std::int32_t code : array)
            parts << QString::number(code);
        return parts.join(QLatin1Char(' '));
    };
    line(QString::fromLatin1(kMagic), QString::number(QueryFileVersion));
    line(QStringLiteral("attribution"), QString::fromLatin1(kAttribution));
    line(QStringLiteral("database"), DatabaseWord(query.database));
    line(QStringLiteral("sort"), QString::number(s.SortCode));
    line(QStringLiteral("sort-pair"), codes(s.SortPair));
    line(QStringLiteral("sort-triple"), codes(s.SortTriple));
    line(QStringLiteral("sort-quad"), codes(s.SortQuad));
    line(QStringLiteral("lines"), LinesWord(s.Lines));
    line(QStringLiteral("qualified"), s.QualifiedOnly ? QStringLiteral("1") : QStringLiteral("0"));
    // Written only when on, so a file without the option stays as it was.
    if (s.MoreColumns)
        line(QStringLiteral("more"), QStringLiteral("1"));
    const int count = std::clamp(s.SelectionCount, 0, QueryState::MaxSelectionItems);
    for (int i = 0; i < count; ++i)
        line(QStringLiteral("item"),
             QString::fromStdString(s.SelectionItems[static_cast<std::size_t>(i)]));
    for (const int column : query.hiddenColumns)
        line(QStringLiteral("hide"), QString::number(column));
    line(QStringLiteral("band"), QStringLiteral("%1 %2 %3")
                                     .arg(query.bands.BandMode)
                                     .arg(Hex(query.bands.FirstColor))
                                     .arg(Hex(query.bands.SecondColor)));
    return text.toUtf8();
}

std::optional<SavedQuery> ReadQueryFile(const QByteArray& text, QueryFileError* error) {
    const auto fail = [error](int line, const QString& problem) {
        if (error != nullptr)
            *error = QueryFileError{line, problem};
        return std::nullopt;
    };
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder.decode(text);
    if (decoder.hasError())
        return fail(0, QStringLiteral("the file is not UTF-8 text"));

    std::vector<Line> lines;
    const QStringList raw = decoded.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QString content = raw[i];
        if (content.endsWith(QLatin1Char('\r')))
            content.chop(1);
        if (content.trimmed().isEmpty() || content.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype blank = content.indexOf(QLatin1Char(' '));
        lines.push_back(Line{static_cast<int>(i + 1), blank < 0 ? content : content.left(blank),
                             blank < 0 ? QString() : content.mid(blank + 1)});
    }
    if (lines.empty() || lines.front().key != QLatin1String(kMagic))
        return fail(lines.empty() ? 0 : lines.front().number,
                    QStringLiteral("the file does not begin with \"%1 <version>\"")
                        .arg(QLatin1String(kMagic)));
    bool versionOk = false;
    const int version = lines.front().value.toInt(&versionOk);
    if (!versionOk || version < 1)
        return fail(lines.front().number, QStringLiteral("the format version is not a number"));
    if (version > QueryFileVersion)
        return fail(lines.front().number,
                    QStringLiteral("format version %1 is newer than this program reads (%2)")
                        .arg(version)
                        .arg(QueryFileVersion));

    // The database first: every other line is checked against it.
    std::optional<DatabaseKind> kind;
    for (const Line& line : lines) {
        if (line.key != QLatin1String("database"))
            continue;
        if (kind)
            return fail(line.number, QStringLiteral("a second database line"));
        kind = DatabaseNamed(line.value);
        if (!kind)
            return fail(line.number,
                        QStringLiteral("\"%1\" is not Batters, Pitchers, Fielders or Teams")
                            .arg(line.value));
    }
    if (!kind)
        return fail(0, QStringLiteral("the database line is missing"));

    SavedQuery query;
    query.database = *kind;
    query.state = QueryState(*kind == DatabaseKind::Teams ? QueryState::TeamsSortCode
                                                          : QueryState::DefaultSortCode);
    // "More columns" decides which fields and columns the other lines may name,
    // wherever its line stands (a faulty value is named by its own line).
    const bool more =
        version >= 2 && std::any_of(lines.begin() + 1, lines.end(), [](const Line& l) {
            return l.key == QLatin1String("more") && l.value != QLatin1String("0");
        });
    query.state.MoreColumns = more;
    const int columnCount = static_cast<int>(DatabaseInfoFor(*kind, more).columns.size());
    std::map<QString, int> seen;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const QString& key = line.key;
        if (key == QLatin1String("database"))
            continue;
        const bool once = key != QLatin1String("item") && key != QLatin1String("hide");
        if (once && seen.count(key) != 0)
            return fail(line.number, QStringLiteral("a second %1 line").arg(key));
        seen[key] = line.number;
        if (key == QLatin1String("attribution")) {
            // Carried for whoever reads the file; any text is accepted.
        } else if (key == QLatin1String("sort")) {
            const auto n = Numbers(line.value, 1);
            if (!n)
                return fail(line.number, QStringLiteral("the sort line holds one sort code"));
            if (const QString problem = SortCodeProblem(*kind, more, (*n)[0]); !problem.isEmpty())
                return fail(line.number, problem);
            query.state.SortCode = (*n)[0];
        } else if (key == QLatin1String("sort-pair") || key == QLatin1String("sort-triple") ||
                   key == QLatin1String("sort-quad")) {
            const int count = key == QLatin1String("sort-pair")     ? 2
                              : key == QLatin1String("sort-triple") ? 3
                                                                    : 4;
            const auto n = Numbers(line.value, count);
            if (!n)
                return fail(line.number,
                            QStringLiteral("the %1 line holds %2 sort codes").arg(key).arg(count));
            for (const int code : *n) {
                if (const QString problem = SortCodeProblem(*kind, more, code); !problem.isEmpty())
                    return fail(line.number, problem);
            }
            std::int32_t* target = count == 2   ? query.state.SortPair.data()
                                   : count == 3 ? query.state.SortTriple.data()
                                                : query.state.SortQuad.data();
            std::copy(n->begin(), n->end(), target);
        } else if (key == QLatin1String("item")) {
            if (const QString problem = ItemProblem(*kind, more, line.value); !problem.isEmpty())
                return fail(line.number, problem);
            if (query.state.SelectionCount >= QueryState::MaxSelectionItems)
                return fail(line.number, QStringLiteral("more than %1 selection items")
                                             .arg(QueryState::MaxSelectionItems));
            query.state.SelectionItems[static_cast<std::size_t>(query.state.SelectionCount++)] =
                line.value.toStdString();
        } else if (version >= 2 && key == QLatin1String("lines")) {
            const auto word = std::find_if(kLinesWords.begin(), kLinesWords.end(), [&](auto& w) {
                return line.value == QLatin1String(w.second);
            });
            if (word == kLinesWords.end())
                return fail(line.number,
                            QStringLiteral("the lines line reads team, season or career"));
            if (word->first != LinesMode::PerTeam && !LinesOffered(*kind))
                return fail(line.number, QStringLiteral("the %1 database has no %2 lines")
                                             .arg(DatabaseWord(*kind), line.value));
            query.state.Lines = word->first;
        } else if (version >= 2 && key == QLatin1String("qualified")) {
            if (line.value != QLatin1String("0") && line.value != QLatin1String("1"))
                return fail(line.number, QStringLiteral("the qualified line reads 0 or 1"));
            query.state.QualifiedOnly = line.value == QLatin1String("1");
        } else if (version >= 2 && key == QLatin1String("more")) {
            if (line.value != QLatin1String("0") && line.value != QLatin1String("1"))
                return fail(line.number, QStringLiteral("the more line reads 0 or 1"));
        } else if (key == QLatin1String("hide")) {
            const auto n = Numbers(line.value, 1);
            if (!n)
                return fail(line.number, QStringLiteral("the hide line holds one column number"));
            const int column = (*n)[0];
            if (column < UnhideableColumns(*kind) || column >= columnCount)
                return fail(line.number, QStringLiteral("column %1 is not a column the %2 "
                                                        "database can hide")
                                             .arg(column)
                                             .arg(DatabaseWord(*kind)));
            if (std::find(query.hiddenColumns.begin(), query.hiddenColumns.end(), column) !=
                query.hiddenColumns.end())
                return fail(line.number, QStringLiteral("column %1 is hidden twice").arg(column));
            query.hiddenColumns.push_back(column);
        } else if (key == QLatin1String("band")) {
            const QStringList parts = line.value.split(QLatin1Char(' '));
            bool modeOk = false;
            bool firstOk = false;
            bool secondOk = false;
            const int mode = parts.value(0).toInt(&modeOk);
            const uint first = parts.value(1).toUInt(&firstOk, 16);
            const uint second = parts.value(2).toUInt(&secondOk, 16);
            if (parts.size() != 3 || !modeOk || !firstOk || !secondOk || parts[1].size() != 6 ||
                parts[2].size() != 6)
                return fail(line.number,
                            QStringLiteral("the band line reads <mode> <RRGGBB> <RRGGBB> "
                                           "(colours as six hexadecimal digits, BGR order)"));
            if (mode < 0 || mode >= std::max(DatabaseInfoFor(*kind).bandModes, 1))
                return fail(line.number, QStringLiteral("band mode %1 is not one the %2 "
                                                        "database has")
                                             .arg(mode)
                                             .arg(DatabaseWord(*kind)));
            query.bands = BandSettings{mode, first, second};
        } else {
            return fail(line.number, QStringLiteral("\"%1\" is not a query file line").arg(key));
        }
    }
    if (query.state.SelectionCount > 0 &&
        query.state.SelectionItems[static_cast<std::size_t>(query.state.SelectionCount - 1)] != "*")
        return fail(seen[QStringLiteral("item")],
                    QStringLiteral("the last selection group does not end with \"item *\""));
    // Checked once the lines mode is known, whichever line comes first.
    if (query.state.QualifiedOnly && !QualifierOffered(*kind, query.state))
        return fail(seen[QStringLiteral("qualified")],
                    query.state.Lines == LinesMode::PerCareer
                        ? QStringLiteral("career lines cannot be qualified only")
                        : QStringLiteral("the %1 database has no qualified lines")
                              .arg(DatabaseWord(*kind)));
    for (const char* required :
         {"attribution", "sort", "sort-pair", "sort-triple", "sort-quad", "band"}) {
        if (seen.count(QString::fromLatin1(required)) == 0)
            return fail(0, QStringLiteral("the %1 line is missing").arg(QLatin1String(required)));
    }
    return query;
}

QString QueryFileMessage(const QString& path, const QueryFileError& error) {
    const QString where = error.line > 0 ? QStringLiteral("line %1: ").arg(error.line) : QString();
    return QStringLiteral("The query file \"%1\" cannot be opened: %2%3.")
        .arg(path, where, error.problem);
}

std::vector<std::string> SelectionValues(const QueryState& state, char letter) {
    std::vector<std::string> values;
    const int count = std::clamp(state.SelectionCount, 0, QueryState::MaxSelectionItems);
    for (int i = 0; i < count; ++i) {
        const std::string& item = state.SelectionItems[static_cast<std::size_t>(i)];
        if (item.size() > 1 && item.front() == letter)
            values.push_back(item.substr(1));
    }
    return values;
}
