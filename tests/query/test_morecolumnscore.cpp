// "More columns" without a window: the records read the added lines only with
// the option, the column tables gain the added columns (titles, formats,
// "---" for a missing figure, blank totals for the figures compared with a
// league) after the database's own, which keep their numbers; the service
// path carries "more=1"; a query file keeps the option; turning it off drops
// the steps on added fields; a print settings file naming an added column is
// refused while the option is off.

#include <QtTest>

#include "databases/batterrecord.h"
#include "databases/columncatalogue.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"
#include "printing/printsettings.h"
#include "protocol/pagerequest.h"
#include "query/linesoperations.h"
#include "query/querydescription.h"
#include "query/queryfile.h"
#include "query/querysteps.h"
#include "tests/databases/recordtestutil.h"

namespace {

// The cells of one record read from `lines` with the tables with or without
// the option, and the same record's totals cells.
template <class Record>
QStringList cells(const DatabaseDescriptor<Record>& (*database)(bool), bool more,
                  const QList<QByteArray>& lines, bool totals = false) {
    const DatabaseDescriptor<Record>& d = database(more);
    const Record record = ReadRecord(d.layout, lines);
    QStringList out;
    for (int c = 0; c < static_cast<int>(d.info.columns.size()); ++c)
        out << d.cellText(record, c, totals).trimmed();
    return out;
}

template <class Record> QStringList titles(const DatabaseDescriptor<Record>& (*database)(bool)) {
    QStringList out;
    for (const ColumnSpec& column : database(true).info.columns)
        out << (QLatin1String(column.headerTop) + QLatin1Char(' ') + QLatin1String(column.title))
                   .simplified();
    return out;
}

// Lines "1", "2", ... for every line of a record, then `added` after them.
QList<QByteArray> recordLines(int own, const QList<QByteArray>& added) {
    QList<QByteArray> lines;
    for (int k = 0; k < own; ++k)
        lines << QByteArray::number(k + 1);
    return lines + added;
}

} // namespace

class TestMoreColumnsCore : public QObject {
    Q_OBJECT
private slots:
    void recordsAndColumnTables();
    void requestsAndQueryFiles();
    void printSettingsNamingAnAddedColumn();
};

void TestMoreColumnsCore::recordsAndColumnTables() {
    // Every database: the added columns follow the own ones, number for
    // number, with the fields the service numbers after its own.
    struct Expected {
        DatabaseKind kind;
        int own;
        QStringList added;
    };
    const Expected expected[] = {
        {DatabaseKind::Batters, 31, {"OPS", "OPS+", "ISO", "BABIP", "AGE"}},
        {DatabaseKind::Pitchers, 31, {"WHIP", "K/9", "BB/9", "HR/9", "K/BB", "ERA+", "FIP", "AGE"}},
        {DatabaseKind::Fielders, 16, {"AGE"}},
        {DatabaseKind::Teams, 67, {"OPS", "ERA+", "EXP W-L%"}},
    };
    for (const Expected& e : expected) {
        const DatabaseInfo& own = DatabaseInfoFor(e.kind);
        const DatabaseInfo& more = DatabaseInfoFor(e.kind, true);
        QCOMPARE(static_cast<int>(own.columns.size()), e.own);
        QCOMPARE(own.sortFields.size(), e.own);
        QCOMPARE(static_cast<int>(more.columns.size()), e.own + e.added.size());
        QCOMPARE(more.sortFields.mid(0, e.own), own.sortFields);
        QCOMPARE(AddedColumnCount(e.kind), e.added.size());
        const ColumnCatalogue catalogue = DefaultCatalogue(e.kind, true);
        QCOMPARE(catalogue.count(), more.columns.size());
        for (int i = 0; i < e.added.size(); ++i) {
            const ColumnSpec& column = more.columns[static_cast<std::size_t>(e.own + i)];
            QCOMPARE(
                (QLatin1String(column.headerTop) + QLatin1Char(' ') + QLatin1String(column.title))
                    .simplified(),
                e.added[i]);
            QCOMPARE(column.sortField, e.own + i);
            QVERIFY(column.pixels > 0);
            QCOMPARE(catalogue.entries[e.own + i].description, more.sortFields[e.own + i]);
            // Each title fits its column in the grid's font (6.59 px a character).
            QVERIFY2(std::strlen(column.title) * 6.59 <= column.pixels, column.title);
        }
        QCOMPARE(DefaultCatalogue(e.kind).count(), e.own);
    }
    QCOMPARE(titles(&BattersDatabase).mid(31), (QStringList{"OPS", "OPS+", "ISO", "BABIP", "AGE"}));

    // Batters: Babe Ruth 1920's figures as the service sends them; without
    // the option the record reads 31 lines and the added lines are not read.
    const QList<QByteArray> ruth = {"1.3796", "255", "0.3761", "0.3681", "25"};
    const QList<QByteArray> batter = recordLines(31, ruth);
    QCOMPARE(BatterLayout().linesPerRecord(), 31);
    QCOMPARE(BattersDatabase(true).layout.linesPerRecord(), 36);
    QCOMPARE(cells(&BattersDatabase, true, batter).mid(31),
             (QStringList{"1.380", "255", ".376", ".368", "25"}));
    QCOMPARE(cells(&BattersDatabase, false, batter),
             cells(&BattersDatabase, true, batter).mid(0, 31));
    QCOMPARE(ReadRecord(BatterLayout(), batter).OPS, 0.0);
    // Missing figures ("---"); an OPS+ below 0 is a figure, not the marker.
    QCOMPARE(cells(&BattersDatabase, true,
                   recordLines(31, {"1000000", "-100", "1000000", "-1", "1000000"}))
                 .mid(31),
             (QStringList{"---", "-100", "---", "---", "---"}));
    // TOTALS: OPS and the ratios as sent; OPS+ and the age blank.
    QCOMPARE(cells(&BattersDatabase, true,
                   recordLines(31, {"0.7301", "1000000", "0.14", "0.29", "1000000"}), true)
                 .mid(31),
             (QStringList{".730", "", ".140", ".290", ""}));

    // Pitchers: Pedro Martinez 2000 (WHIP 0.737, K/9 11.8, ERA+ 291).
    const QList<QByteArray> pedro = {"0.7373", "11.78", "1.33", "0.76",
                                     "8.88",   "291",   "2.17", "28"};
    QCOMPARE(cells(&PitchersDatabase, true, recordLines(31, pedro)).mid(31),
             (QStringList{"0.737", "11.8", "1.3", "0.8", "8.88", "291", "2.17", "28"}));
    QCOMPARE(cells(&PitchersDatabase, true, recordLines(31, QList<QByteArray>(8, "-1"))).mid(31),
             QStringList(8, QStringLiteral("---")));
    QCOMPARE(cells(&PitchersDatabase, true, recordLines(31, pedro), true).mid(31),
             (QStringList{"0.737", "11.8", "1.3", "0.8", "8.88", "", "", ""}));

    // Fielders: the age comes after the unseen games-started line.
    const FielderRecord fielder =
        ReadRecord(FieldersDatabase(true).layout, recordLines(17, {"31"}));
    QCOMPARE(fielder.GS, 17);
    QCOMPARE(fielder.Age, 31.0);
    QCOMPARE(cells(&FieldersDatabase, true, recordLines(17, {"-1"})).last(), QStringLiteral("---"));
    QCOMPARE(cells(&FieldersDatabase, true, recordLines(17, {"31"}), true).last(), QString());

    // Teams: OPS, ERA+ (blank on TOTALS) and the expected W-L%.
    const QList<QByteArray> team = recordLines(67, {"0.8123", "112", "0.6012"});
    QCOMPARE(cells(&TeamsDatabase, true, team).mid(67), (QStringList{".812", "112", ".601"}));
    QCOMPARE(cells(&TeamsDatabase, true, team, true).mid(67), (QStringList{".812", "", ".601"}));
}

void TestMoreColumnsCore::requestsAndQueryFiles() {
    QueryState state;
    QCOMPARE(LinesQuery(state), std::string());
    state.MoreColumns = true;
    QCOMPARE(LinesQuery(state), std::string("?more=1"));
    state.Lines = LinesMode::PerSeason;
    state.QualifiedOnly = true;
    QCOMPARE(LinesQuery(state), std::string("?lines=season&qualified=1&more=1"));
    // The page request text itself is the same with or without the option.
    QueryState off = state;
    off.MoreColumns = false;
    QCOMPARE(PageRequest(state, 0, 20), PageRequest(off, 0, 20));
    QCOMPARE(DescribeQuery(DatabaseKind::Pitchers, off) + QStringLiteral("; more columns"),
             DescribeQuery(DatabaseKind::Pitchers, state));

    // Sorted by ERA+ then Year, limited on ERA+ and on Year: turning the
    // option off keeps only the steps on the own fields.
    state.SortCode = -1;
    state.SortPair = {36, 101};
    QVERIFY(state.AppendGroup({"E36!150!!"}));
    QVERIFY(state.AppendGroup({"E1!1990!2005!"}));
    const QueryState dropped = WithoutAddedFields(state, 31);
    QCOMPARE(dropped.SortCode, 101);
    QCOMPARE(dropped.SelectionCount, 2);
    QCOMPARE(dropped.SelectionItems[0], std::string("E1!1990!2005!"));
    QVERIFY(dropped.MoreColumns);
    // Every prefix of the steps keeps the option.
    QVERIFY(StepsPrefix(state, 1).MoreColumns);

    // A query file keeps the option (line "more 1"), hides an added column
    // and sorts by one; the same file without the option names fields the
    // database lacks and is refused.
    SavedQuery query;
    query.database = DatabaseKind::Pitchers;
    query.state = state;
    query.hiddenColumns = {38};
    const QByteArray text = WriteQueryFile(query);
    QVERIFY(text.contains("\nmore 1\n"));
    QueryFileError error;
    const std::optional<SavedQuery> read = ReadQueryFile(text, &error);
    QVERIFY2(read.has_value(), qPrintable(error.problem));
    QVERIFY(read->state.MoreColumns);
    QCOMPARE(read->hiddenColumns, std::vector<int>{38});
    QCOMPARE(WriteQueryFile(*read), text);
    QByteArray without = text;
    without.replace("\nmore 1\n", "\n");
    QVERIFY(!ReadQueryFile(without, &error).has_value());
    QVERIFY2(error.problem.contains(QStringLiteral("sort code 36")), qPrintable(error.problem));
    QVERIFY(!ReadQueryFile(QByteArray(text).replace("\nmore 1\n", "\nmore 2\n"), &error));
    QCOMPARE(error.problem, QStringLiteral("the more line reads 0 or 1"));
    // With the option off nothing is written for it.
    query.state = off;
    query.hiddenColumns.clear();
    QVERIFY(!WriteQueryFile(query).contains("more"));
}

void TestMoreColumnsCore::printSettingsNamingAnAddedColumn() {
    PrintSettings settings;
    settings.catalogue = DefaultCatalogue(DatabaseKind::Pitchers, true).entries;
    settings.available = {QStringLiteral("Year")};
    settings.toPrint = {QStringLiteral("Pitcher Name"), QStringLiteral("ERA+- Adjusted ERA")};
    const PrintSettingsRead read =
        ReadPrintSettings(WritePrintSettings(settings), QStringLiteral("ace.bsp"));
    QVERIFY2(read.ok(), qPrintable(read.error));
    const QString problem =
        AddedColumnProblem(read.settings, DatabaseKind::Pitchers, QStringLiteral("ace.bsp"));
    // The first added column the file names, and the option.
    QVERIFY2(problem.contains(QStringLiteral("\"WHIP- Walks And Hits Per Inning\"")),
             qPrintable(problem));
    QVERIFY(problem.contains(QStringLiteral("\"More columns\"")));
    QVERIFY(problem.contains(QStringLiteral("ace.bsp")));
    // A file of the own columns only loads.
    settings.catalogue = DefaultCatalogue(DatabaseKind::Pitchers).entries;
    settings.toPrint = {QStringLiteral("Pitcher Name")};
    QCOMPARE(AddedColumnProblem(settings, DatabaseKind::Pitchers, QStringLiteral("own.bsp")),
             QString());
    // Names are per database: Batters' "OPS" is no column of the Fielders.
    settings.toPrint = {QStringLiteral("OPS - On Base Plus Slugging")};
    QCOMPARE(AddedColumnProblem(settings, DatabaseKind::Fielders, QStringLiteral("f.bsf")),
             QString());
}

QTEST_GUILESS_MAIN(TestMoreColumnsCore)
#include "test_morecolumnscore.moc"
