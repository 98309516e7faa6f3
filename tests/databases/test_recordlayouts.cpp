#include <QtTest>

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"
#include "tests/databases/recordtestutil.h"

namespace {

template <class Record>
QStringList rowCells(const DatabaseDescriptor<Record>& database, const QByteArrayList& lines,
                     bool totalsRow = false) {
    const Record record = ReadRecord(database.layout, lines);
    QStringList cells;
    for (int c = 0; c < static_cast<int>(database.info.columns.size()); ++c) {
        cells << database.cellText(record, c, totalsRow);
    }
    return cells;
}

QStringList rowCellsOf(const QString& database, const QByteArrayList& lines) {
    if (database == QLatin1String("batters")) {
        return rowCells(BattersDatabase(), lines);
    }
    if (database == QLatin1String("pitchers")) {
        return rowCells(PitchersDatabase(), lines);
    }
    if (database == QLatin1String("fielders")) {
        return rowCells(FieldersDatabase(), lines);
    }
    return rowCells(TeamsDatabase(), lines);
}

// Sample reply records with a distinct value on nearly every line, so that
// two swapped lines show in the wrong columns.
const QByteArrayList kBatterLines = {"Ruth, Babe", "1927", "NYA",    "New York Yankees",
                                     "AL",         "151",  "691",    "540",
                                     "158",        "192",  "29",     "8",
                                     "60",         "165",  "0.3556", "0.4856",
                                     "0.7722",     "137",  "3",      "89",
                                     "0",          "14",   "-1",     "7",
                                     "6",          "2",    "of",     "L",
                                     "R",          "417",  "95"};
const QByteArrayList kPitcherLines = {"Grove, Lefty",
                                      "1931",
                                      "PHA",
                                      "Philadelphia Athletics",
                                      "AL",
                                      "41",
                                      "30",
                                      "27",
                                      "4",
                                      "11",
                                      "5",
                                      "31",
                                      "4",
                                      "2.0647",
                                      "288.2",
                                      "1160",
                                      "249",
                                      "84",
                                      "66",
                                      "10",
                                      "62",
                                      "175",
                                      "-1",
                                      "1",
                                      "12",
                                      "9",
                                      "2",
                                      "0",
                                      "0.2301",
                                      "0.2702",
                                      "L"};
const QByteArrayList kFielderLines = {
    "Smith, Ozzie", "1980", "SDN", "San Diego Padres", "NL",     "158",    "288", "621", "24",
    "113",          "-1",   "933", "0.97428",          "5.7532", "5.9051", "SS",  "155"};
const QByteArrayList kTeamLines = {"NYA",     "New York Yankees",
                                   "AL",      "-",
                                   "1927",    "155",
                                   "110",     "44",
                                   "0",       "0.71428",
                                   "57",      "21",
                                   "53",      "23",
                                   "6181",    "975",
                                   "599",     "5347",
                                   "1644",    "2748",
                                   "291",     "103",
                                   "158",     "908",
                                   "635",     "-1",
                                   "39",      "605",
                                   "204",     "17",
                                   "0.30745", "0.38388",
                                   "0.48880", "90",
                                   "64",      "111",
                                   "1185",    "3",
                                   "82",      "11",
                                   "122",     "20",
                                   "1389.2",  "1403",
                                   "5873",    "5197",
                                   "494",     "42",
                                   "409",     "13",
                                   "27",      "431",
                                   "176",     "24",
                                   "25",      "1",
                                   "3.2032",  "0.2699",
                                   "0.3258",  "4168",
                                   "1802",    "0.96897",
                                   "195",     "6165",
                                   "123",     "2",
                                   "6"};

} // namespace

class TestRecordLayouts : public QObject {
    Q_OBJECT
private slots:
    void layoutSizes_data();
    void layoutSizes();
    void sampleRecordFillsColumns_data();
    void sampleRecordFillsColumns();
    void batterFieldsInLineOrder();
    void teamYearIsFifthLine();
    void fielderSeventeenthLineIsKeptUnshown_data();
    void fielderSeventeenthLineIsKeptUnshown();
    void zeroRecordIsNotShown();
};

void TestRecordLayouts::layoutSizes_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("expectedLines");
    QTest::addColumn<int>("expectedCapacity");
    QTest::newRow("batters") << BatterLayout().linesPerRecord() << BatterLayout().initialCapacity
                             << 31 << 90000;
    QTest::newRow("pitchers") << PitcherLayout().linesPerRecord() << PitcherLayout().initialCapacity
                              << 31 << 60000;
    QTest::newRow("fielders") << FielderLayout().linesPerRecord() << FielderLayout().initialCapacity
                              << 17 << 110000;
    QTest::newRow("teams") << TeamLayout().linesPerRecord() << TeamLayout().initialCapacity << 67
                           << 50000;
}

void TestRecordLayouts::layoutSizes() {
    QFETCH(int, lines);
    QFETCH(int, capacity);
    QFETCH(int, expectedLines);
    QFETCH(int, expectedCapacity);
    QCOMPARE(lines, expectedLines);
    QCOMPARE(capacity, expectedCapacity);
}

void TestRecordLayouts::sampleRecordFillsColumns_data() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QStringList>("cells");
    // IBB before SO, averages between RBI and BB, TB and S last.
    QTest::newRow("batters") << "batters" << kBatterLines
                             << QStringList{"Ruth, Babe", "1927",     "NYA",     "New York Yankees",
                                            "AL",         " L",       " R",      "    151",
                                            "     691",   "     540", "    158", "    192",
                                            "    417",    "     95",  "    29",  "     8",
                                            "    60",     "    165",  " .356",   " .486",
                                            " .772",      "    137",  "     89", "    3",
                                            "    0",      "    14",   "  ---",   "     7",
                                            "    6",      "     2",   " of"};
    // Throws is the last line but column 5.
    QTest::newRow("pitchers") << "pitchers" << kPitcherLines
                              << QStringList{
                                     "Grove, Lefty", "1931",    "PHA",     "Philadelphia Athletics",
                                     "AL",           "L",       "    41",  "    30",
                                     "    27",       "    4",   "    11",  "    5",
                                     "    31",       "     4",  "  2.06",  "    288.20",
                                     "    1160",     "    249", "     84", "     66",
                                     "    10",       "     62", "    175", "  ---",
                                     "     1",       "    12",  "    9",   "    2",
                                     "    0",        "  .230",  " .270"};
    // Fielding percentage is line 12 but the last column; position line 15
    // is column 5.
    QTest::newRow("fielders") << "fielders" << kFielderLines
                              << QStringList{
                                     "Smith, Ozzie", "1980",     "SDN",     "San Diego Padres",
                                     "NL",           "SS",       "    158", "    288",
                                     "    621",      "    24",   "    113", "   ---",
                                     "     933",     "    5.75", "  5.91",  "  .974"};
    // Year fifth but column 0; opponents' runs (line 16) in column 46; ERA
    // after the balks; fielding average between assists and errors.
    QTest::newRow("teams") << "teams" << kTeamLines
                           << QStringList{
                                  "1927",     "NYA",      "New York Yankees", "AL",      "---",
                                  "   155",   "     110", "      44",         "    ---", "   .714",
                                  "     57",  "     21",  "     53",          "     23", "    6181",
                                  "    5347", "    975",  "   1644",          "   2748", "   291",
                                  "   103",   "   158",   "    908",          "  .307",  " .384",
                                  " .489",    "    635",  "    ---",          "     39", "    605",
                                  "    204",  "     17",  "    90",           "   64",   "   111",
                                  "   1185",  "    3",    "    82",           "   11",   "   122",
                                  "   20",    "   3.20",  "   1389.20",       "   1403", "   5873",
                                  "   5197",  "    599",  "    494",          "    42",  "    409",
                                  "     13",  "     27",  "    431",          "    176", "     24",
                                  "     25",  "      1",  "  .270",           "  .326",  "   4168",
                                  "   1802",  "   195",   "    6165",         "   123",  "     2",
                                  "     6",   "  .969"};
}

void TestRecordLayouts::sampleRecordFillsColumns() {
    QFETCH(QString, database);
    QFETCH(QByteArrayList, lines);
    QFETCH(QStringList, cells);
    QCOMPARE(rowCellsOf(database, lines), cells);
}

void TestRecordLayouts::batterFieldsInLineOrder() {
    const BatterRecord r = ReadRecord(BatterLayout(), kBatterLines);
    QCOMPARE(r.PlayerName.view(), std::string_view("Ruth, Babe"));
    QCOMPARE(r.IBB, 3);
    QCOMPARE(r.SO, 89);
    QCOMPARE(r.AVG, 0.3556);
    QCOMPARE(r.SLG, 0.7722);
    QCOMPARE(r.Bats, 'L');
    QCOMPARE(r.Throws, 'R');
    QCOMPARE(r.TB, 417);
    QCOMPARE(r.S, 95);
}

void TestRecordLayouts::teamYearIsFifthLine() {
    const TeamRecord r = ReadRecord(TeamLayout(), kTeamLines);
    QCOMPARE(r.TeamCode.view(), std::string_view("NYA"));
    QCOMPARE(r.Division.view(), std::string_view("-"));
    QCOMPARE(r.Year.view(), std::string_view("1927"));
    QCOMPARE(r.RS, 975);
    QCOMPARE(r.OppRS, 599);
    QCOMPARE(r.AB, 5347);
    QCOMPARE(r.ERA, 3.2032);
    QCOMPARE(r.FA, 0.96897);
    QCOMPARE(r.ERR, 195);
    QCOMPARE(r.PB, 6);
}

void TestRecordLayouts::fielderSeventeenthLineIsKeptUnshown_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("stored");
    QTest::newRow("number") << QByteArray("155") << 155;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("letters") << QByteArray("zz") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestRecordLayouts::fielderSeventeenthLineIsKeptUnshown() {
    QFETCH(QByteArray, line);
    QFETCH(int, stored);
    QByteArrayList lines = kFielderLines;
    lines[16] = line;
    QCOMPARE(ReadRecord(FielderLayout(), lines).GS, stored);
    QCOMPARE(rowCellsOf("fielders", lines), rowCellsOf("fielders", kFielderLines));
}

void TestRecordLayouts::zeroRecordIsNotShown() {
    QVERIFY(!RecordIsShown(BatterRecord{}));
    QVERIFY(!RecordIsShown(TeamRecord{}));
    QVERIFY(RecordIsShown(ReadRecord(BatterLayout(), kBatterLines)));
    QVERIFY(RecordIsShown(ReadRecord(TeamLayout(), kTeamLines)));
    QVERIFY(RecordIsShown(ReadRecord(PitcherLayout(), OneLine(31, 1, "2001"))));
    QVERIFY(!RecordIsShown(ReadRecord(FielderLayout(), OneLine(17, 1, "0199"))));
}

QTEST_APPLESS_MAIN(TestRecordLayouts)
#include "test_recordlayouts.moc"
