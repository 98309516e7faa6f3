#include <QtTest>

#include "databases/batterrecord.h"
#include "databases/cellformat.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"
#include "tests/databases/recordtestutil.h"

namespace {

// The text of `column` after reading a record whose lines are all empty
// except `line`, which holds `text`.
QString cellAfterReading(const QString& database, int line, const QByteArray& text, int column,
                         bool totalsRow) {
    if (database == QLatin1String("batters")) {
        return BatterCellText(ReadRecord(BatterLayout(), OneLine(31, line, text)), column,
                              totalsRow);
    }
    if (database == QLatin1String("pitchers")) {
        return PitcherCellText(ReadRecord(PitcherLayout(), OneLine(31, line, text)), column,
                               totalsRow);
    }
    if (database == QLatin1String("fielders")) {
        return FielderCellText(ReadRecord(FielderLayout(), OneLine(17, line, text)), column,
                               totalsRow);
    }
    return TeamCellText(ReadRecord(TeamLayout(), OneLine(67, line, text)), column, totalsRow);
}

void addCellColumns() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");
}

} // namespace

class TestCellFormat : public QObject {
    Q_OBJECT
private slots:
    void dataRowCells_data();
    void dataRowCells();
    void totalsRowCells_data();
    void totalsRowCells();
    void realFormats_data();
    void realFormats();
    void columnOutsideTableIsEmpty();
    void namesAreStoredUpToCapacity();
};

void TestCellFormat::dataRowCells_data() {
    addCellColumns();
    // Batters: name, integers, the three averages, positions, bats.
    QTest::newRow("B name 25 drawn as 18")
        << "batters" << 0 << QByteArray("Abcdefghijklmnopqrstuvwxy") << 0 << "Abcdefghijklmnopqr";
    QTest::newRow("B name cut then trimmed")
        << "batters" << 0 << QByteArray("Abcdefghijklmnopq rstu") << 0 << "Abcdefghijklmnopq";
    QTest::newRow("B team name trailing blanks and tabs")
        << "batters" << 3 << QByteArray("Boston Red Sox \t ") << 3 << "Boston Red Sox";
    QTest::newRow("B integer with decimal part")
        << "batters" << 5 << QByteArray("12.7") << 7 << "     12";
    QTest::newRow("B empty integer line") << "batters" << 5 << QByteArray() << 7 << "      0";
    QTest::newRow("B G -1") << "batters" << 5 << QByteArray("-1") << 7 << "    ---";
    QTest::newRow("B integer wider than column")
        << "batters" << 23 << QByteArray("123456") << 27 << "123456";
    QTest::newRow("B AVG 0") << "batters" << 14 << QByteArray("0") << 18 << " .000";
    QTest::newRow("B AVG 0.3") << "batters" << 14 << QByteArray("0.3") << 18 << " .300";
    QTest::newRow("B AVG rounds") << "batters" << 14 << QByteArray("0.3456") << 18 << " .346";
    QTest::newRow("B AVG rounds up to 1")
        << "batters" << 14 << QByteArray("0.9996") << 18 << "1.000";
    QTest::newRow("B AVG 1.0") << "batters" << 14 << QByteArray("1.0") << 18 << "1.000";
    QTest::newRow("B AVG 1000000") << "batters" << 14 << QByteArray("1000000") << 18 << "  ---";
    QTest::newRow("B AVG -1") << "batters" << 14 << QByteArray("-1") << 18 << "  ---";
    QTest::newRow("B AVG small negative")
        << "batters" << 14 << QByteArray("-0.0001") << 18 << "  ---";
    QTest::newRow("B AVG malformed") << "batters" << 14 << QByteArray("n/a") << 18 << "  ---";
    QTest::newRow("B SLG 2.5") << "batters" << 16 << QByteArray("2.5") << 20 << "2.500";
    QTest::newRow("B OBP 0.4") << "batters" << 15 << QByteArray("0.4") << 19 << " .400";
    QTest::newRow("B positions -1") << "batters" << 26 << QByteArray("-1") << 30 << " ---";
    QTest::newRow("B positions -1 inside")
        << "batters" << 26 << QByteArray("of,-1") << 30 << " ---";
    QTest::newRow("B positions plain")
        << "batters" << 26 << QByteArray("of,1b  ") << 30 << " of,1b";
    QTest::newRow("B positions lone minus") << "batters" << 26 << QByteArray("-") << 30 << " -";
    QTest::newRow("B positions empty") << "batters" << 26 << QByteArray() << 30 << " ";
    QTest::newRow("B bats") << "batters" << 27 << QByteArray("S") << 5 << " S";
    QTest::newRow("B throws") << "batters" << 28 << QByteArray("L") << 6 << " L";

    // Pitchers: reals missing only at exactly -1.
    QTest::newRow("P name 30 whole")
        << "pitchers" << 0 << QByteArray("Abcdefghijklmnopqrstuvwxyz1234") << 0
        << "Abcdefghijklmnopqrstuvwxyz1234";
    QTest::newRow("P name 35 cut to 30")
        << "pitchers" << 0 << QByteArray("Abcdefghijklmnopqrstuvwxyz123456789") << 0
        << "Abcdefghijklmnopqrstuvwxyz1234";
    QTest::newRow("P IP 123.2") << "pitchers" << 14 << QByteArray("123.2") << 15 << "    123.20";
    QTest::newRow("P IP -1") << "pitchers" << 14 << QByteArray("-1") << 15 << "       ---";
    QTest::newRow("P ERA 2.5") << "pitchers" << 13 << QByteArray("2.5") << 14 << "  2.50";
    QTest::newRow("P ERA 0.5 keeps zero")
        << "pitchers" << 13 << QByteArray("0.5") << 14 << "  0.50";
    QTest::newRow("P ERA -1") << "pitchers" << 13 << QByteArray("-1") << 14 << "   ---";
    QTest::newRow("P ERA other negative shown")
        << "pitchers" << 13 << QByteArray("-2") << 14 << " -2.00";
    QTest::newRow("P OppAVG -1") << "pitchers" << 28 << QByteArray("-1") << 29 << "   ---";
    QTest::newRow("P OppAVG 0.3") << "pitchers" << 28 << QByteArray("0.3") << 29 << "  .300";
    QTest::newRow("P OppAVG 0.251") << "pitchers" << 28 << QByteArray("0.251") << 29 << "  .251";
    QTest::newRow("P OppOBP 0.3") << "pitchers" << 29 << QByteArray("0.3") << 30 << " .300";
    QTest::newRow("P OppOBP 1.0") << "pitchers" << 29 << QByteArray("1") << 30 << "1.000";
    QTest::newRow("P count -1") << "pitchers" << 17 << QByteArray("-1") << 18 << "    ---";
    QTest::newRow("P throws alone") << "pitchers" << 30 << QByteArray("R") << 5 << "R";

    // Fielders.
    QTest::newRow("F position lone minus") << "fielders" << 15 << QByteArray("-") << 5 << "---";
    QTest::newRow("F position SS") << "fielders" << 15 << QByteArray("SS") << 5 << "SS";
    QTest::newRow("F position trailing blank") << "fielders" << 15 << QByteArray("C ") << 5 << "C";
    QTest::newRow("F Range 4.85") << "fielders" << 13 << QByteArray("4.85") << 13 << "    4.85";
    QTest::newRow("F Range -1") << "fielders" << 13 << QByteArray("-1") << 13 << "     ---";
    QTest::newRow("F TCH/G 0.5 keeps zero")
        << "fielders" << 14 << QByteArray("0.5") << 14 << "  0.50";
    QTest::newRow("F TCH/G 100.25 keeps digits")
        << "fielders" << 14 << QByteArray("100.25") << 14 << "100.25";
    QTest::newRow("F FLD% -1") << "fielders" << 12 << QByteArray("-1") << 15 << "   ---";
    QTest::newRow("F FLD% 0.975") << "fielders" << 12 << QByteArray("0.975") << 15 << "  .975";
    QTest::newRow("F FLD% 0.3") << "fielders" << 12 << QByteArray("0.3") << 15 << "  .300";
    QTest::newRow("F FLD% 1.0") << "fielders" << 12 << QByteArray("1.0") << 15 << " 1.000";
    QTest::newRow("F ERR -1") << "fielders" << 8 << QByteArray("-1") << 9 << "   ---";

    // Teams.
    QTest::newRow("T GB leader") << "teams" << 8 << QByteArray("0") << 8 << "    ---";
    QTest::newRow("T GB 2.5") << "teams" << 8 << QByteArray("2.5") << 8 << "    2.5";
    QTest::newRow("T GB 0.5 keeps zero") << "teams" << 8 << QByteArray("0.5") << 8 << "    0.5";
    QTest::newRow("T GB 12") << "teams" << 8 << QByteArray("12.0000") << 8 << "   12.0";
    QTest::newRow("T GB missing") << "teams" << 8 << QByteArray("1000000") << 8 << "    ---";
    QTest::newRow("T W-L% 0.617") << "teams" << 9 << QByteArray("0.617") << 9 << "   .617";
    QTest::newRow("T W-L% 0") << "teams" << 9 << QByteArray("0") << 9 << "   .000";
    QTest::newRow("T W-L% 1.0") << "teams" << 9 << QByteArray("1") << 9 << "  1.000";
    QTest::newRow("T W-L% -1") << "teams" << 9 << QByteArray("-1") << 9 << "    ---";
    QTest::newRow("T IP 1438.1") << "teams" << 42 << QByteArray("1438.1") << 42 << "   1438.10";
    QTest::newRow("T ERA 3.5") << "teams" << 56 << QByteArray("3.5") << 41 << "   3.50";
    QTest::newRow("T ERA 1000000") << "teams" << 56 << QByteArray("1000000") << 41 << "    ---";
    QTest::newRow("T AVG 1000000") << "teams" << 30 << QByteArray("1000000") << 23 << "   ---";
    QTest::newRow("T AVG 0.265") << "teams" << 30 << QByteArray("0.265") << 23 << "  .265";
    QTest::newRow("T OBP 0.3") << "teams" << 31 << QByteArray("0.3") << 24 << " .300";
    QTest::newRow("T FA -1") << "teams" << 61 << QByteArray("-1") << 66 << "   ---";
    QTest::newRow("T G -1") << "teams" << 5 << QByteArray("-1") << 5 << "   ---";
    QTest::newRow("T OppRS column 46") << "teams" << 16 << QByteArray("599") << 46 << "    599";
    QTest::newRow("T division lone minus") << "teams" << 3 << QByteArray("-") << 4 << "---";
    QTest::newRow("T division East") << "teams" << 3 << QByteArray("E") << 4 << "E";
    QTest::newRow("T year column 0") << "teams" << 4 << QByteArray("1927") << 0 << "1927";
    QTest::newRow("T code column 1") << "teams" << 0 << QByteArray("NYA") << 1 << "NYA";
}

void TestCellFormat::dataRowCells() {
    QFETCH(QString, database);
    QFETCH(int, line);
    QFETCH(QByteArray, text);
    QFETCH(int, column);
    QFETCH(QString, expected);
    QCOMPARE(cellAfterReading(database, line, text, column, false), expected);
}

void TestCellFormat::totalsRowCells_data() {
    addCellColumns();
    QTest::newRow("B name whole") << "batters" << 0 << QByteArray("TOTALS OF ALL THE BATTERS") << 0
                                  << "TOTALS OF ALL THE BATTERS";
    QTest::newRow("B year empty") << "batters" << 1 << QByteArray("1927") << 1 << "";
    QTest::newRow("B bats empty") << "batters" << 27 << QByteArray("L") << 5 << "";
    QTest::newRow("B throws empty") << "batters" << 28 << QByteArray("L") << 6 << "";
    QTest::newRow("B positions empty") << "batters" << 26 << QByteArray("of") << 30 << "";
    QTest::newRow("B G shown") << "batters" << 5 << QByteArray("2400") << 7 << "   2400";
    QTest::newRow("B GIDP shown") << "batters" << 25 << QByteArray("-1") << 29 << "   ---";
    QTest::newRow("P label not name") << "pitchers" << 0 << QByteArray("TOTALS") << 0 << " TOTALS";
    QTest::newRow("P throws empty") << "pitchers" << 30 << QByteArray("L") << 5 << "";
    QTest::newRow("P league empty") << "pitchers" << 4 << QByteArray("AL") << 4 << "";
    QTest::newRow("P G shown") << "pitchers" << 5 << QByteArray("41") << 6 << "    41";
    QTest::newRow("F label") << "fielders" << 0 << QByteArray() << 0 << " TOTALS";
    QTest::newRow("F position empty") << "fielders" << 15 << QByteArray("SS") << 5 << "";
    QTest::newRow("F G shown") << "fielders" << 5 << QByteArray("158") << 6 << "    158";
    QTest::newRow("T year empty") << "teams" << 4 << QByteArray("1927") << 0 << "";
    QTest::newRow("T code a blank") << "teams" << 0 << QByteArray("NYA") << 1 << " ";
    QTest::newRow("T name") << "teams" << 1 << QByteArray("TOTALS  ") << 2 << "TOTALS";
    QTest::newRow("T league") << "teams" << 2 << QByteArray("AL ") << 3 << "AL";
    QTest::newRow("T division text") << "teams" << 3 << QByteArray("E") << 4 << "E";
    QTest::newRow("T GB empty") << "teams" << 8 << QByteArray("2.5") << 8 << "";
    QTest::newRow("T W-L% shown") << "teams" << 9 << QByteArray("0.5") << 9 << "   .500";
    QTest::newRow("T PB shown") << "teams" << 66 << QByteArray("6") << 65 << "     6";
}

void TestCellFormat::totalsRowCells() {
    QFETCH(QString, database);
    QFETCH(int, line);
    QFETCH(QByteArray, text);
    QFETCH(int, column);
    QFETCH(QString, expected);
    QCOMPARE(cellAfterReading(database, line, text, column, true), expected);
}

void TestCellFormat::realFormats_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("blankZero");
    QTest::addColumn<bool>("minusOneOnly");
    QTest::addColumn<QString>("expected");
    QTest::newRow("negative zero") << -0.0 << 5 << 3 << true << true << " .000";
    QTest::newRow("rounds up past half") << 0.12351 << 5 << 3 << true << false << " .124";
    QTest::newRow("wide value kept whole") << 12345.678 << 5 << 2 << false << false << "12345.68";
    QTest::newRow("ten keeps its zero") << 10.5 << 6 << 3 << true << true << "10.500";
    QTest::newRow("negative keeps zero") << -0.5 << 6 << 3 << true << true << "-0.500";
    QTest::newRow("million shown when -1 marks missing")
        << 1000000.0 << 10 << 2 << false << true << "1000000.00";
}

void TestCellFormat::realFormats() {
    QFETCH(double, value);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(bool, blankZero);
    QFETCH(bool, minusOneOnly);
    QFETCH(QString, expected);
    QCOMPARE(FormatReal(value, width, decimals, blankZero,
                        minusOneOnly ? MissingReal::MinusOne : MissingReal::NegativeOrMillion),
             expected);
}

void TestCellFormat::columnOutsideTableIsEmpty() {
    const BatterRecord b = ReadRecord(BatterLayout(), OneLine(31, 5, "7"));
    // Past the columns "More columns" adds too (Batters 31-35, Teams 67-69).
    QCOMPARE(BatterCellText(b, 36, false), QString());
    QCOMPARE(BatterCellText(b, -1, false), QString());
    const TeamRecord t = ReadRecord(TeamLayout(), OneLine(67, 5, "7"));
    QCOMPARE(TeamCellText(t, 70, true), QString());
    QCOMPARE(TeamCellText(t, 5, false), QStringLiteral("     7"));
}

void TestCellFormat::namesAreStoredUpToCapacity() {
    const QByteArray name25("Abcdefghijklmnopqrstuvwxy");
    QCOMPARE(ReadRecord(BatterLayout(), OneLine(31, 0, name25)).PlayerName.view(),
             std::string_view(name25.constData()));
    QCOMPARE(ReadRecord(BatterLayout(), OneLine(31, 0, name25 + "z")).PlayerName.view(),
             std::string_view(name25.constData()));
    QCOMPARE(ReadRecord(TeamLayout(), OneLine(67, 3, "East")).Division.view(),
             std::string_view("East"));
    QCOMPARE(ReadRecord(FielderLayout(), OneLine(17, 15, "SSX")).Position.view(),
             std::string_view("SS"));
}

QTEST_APPLESS_MAIN(TestCellFormat)
#include "test_cellformat.moc"
