// Query files: what is written reads back to the same query and is written
// again byte for byte, for each database and lines mode; a version 1 file
// reads as per-team rows; every kind of faulty file is refused whole, naming
// its line and the problem.

#include <QtTest>

#include "query/queryfile.h"

Q_DECLARE_METATYPE(LinesMode)

namespace {

QByteArray Header(const char* database, int version = 2) {
    return "bbstats-query " + QByteArray::number(version) +
           "\nattribution Baseball statistics from the Lahman Baseball Database by Sean Lahman, "
           "licensed under CC BY-SA 3.0.\ndatabase " +
           database + "\n";
}

const QByteArray kSorts =
    "sort 300\nsort-pair -1 -1\nsort-triple -1 -1 -1\nsort-quad -1 -1 -1 -1\n";
const QByteArray kPerTeam = "lines team\nqualified 0\n";
const QByteArray kBand = "band 0 FF0000 0000FF\n";

} // namespace

class TestQueryFile : public QObject {
    Q_OBJECT
private slots:
    void roundTripsByteForByte_data();
    void roundTripsByteForByte();
    void refusesFaultyFiles_data();
    void refusesFaultyFiles();
};

void TestQueryFile::roundTripsByteForByte_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("database");
    QTest::addColumn<int>("items");
    QTest::addColumn<LinesMode>("lines");
    QTest::addColumn<bool>("qualified");
    QTest::newRow("Batters: career lines, three keys, players, a limit, hidden columns, bands")
        << Header("Batters") +
               "sort -1\nsort-pair -1 -1\nsort-triple 16 101 9\nsort-quad -1 -1 -1 -1\n"
               "lines career\nqualified 0\n"
               "item ARuth, Babe\nitem AAaron, Hank\nitem *\nitem E1!1920!1935!\nitem *\n"
               "hide 9\nhide 3\nband 2 00FF00 123456\n"
        << int(DatabaseKind::Batters) << 5 << LinesMode::PerCareer << false;
    // 50 letters of two bytes each are one item of 50 characters.
    QTest::newRow("Pitchers: qualified seasons, names with accents, wins descending")
        << Header("Pitchers") +
               "sort 7\nsort-pair -1 -1\nsort-triple -1 -1 -1\nsort-quad -1 -1 -1 -1\n"
               "lines season\nqualified 1\n"
               "item AP\xc3\xa9rez, Pascual\nitem A" +
               QString(49, QChar(0xE9)).toUtf8() + "\nitem *\n" + kBand
        << int(DatabaseKind::Pitchers) << 3 << LinesMode::PerSeason << true;
    QTest::newRow("Fielders: season lines, positions and a team")
        << Header("Fielders") + kSorts + "lines season\nqualified 0\n" +
               "item GSS\nitem G2B\nitem *\nitem BBoston Red Sox\nitem *\n"
               "hide 5\n" +
               kBand
        << int(DatabaseKind::Fielders) << 5 << LinesMode::PerSeason << false;
    QTest::newRow("Teams: a pair sort, a year range, no selection")
        << Header("Teams") +
               "sort -1\nsort-pair 6 100\nsort-triple -1 -1 -1\nsort-quad -1 -1 -1 -1\n" +
               kPerTeam + "item E0!1950!1959!\nitem *\nband 1 FF0000 0000FF\n"
        << int(DatabaseKind::Teams) << 2 << LinesMode::PerTeam << false;
    // A version 1 file has no lines mode: per-team rows, written as version 2.
    QTest::newRow("version 1: per-team rows")
        << Header("Batters", 1) + kSorts + "item E16!40!!\nitem *\n" + kBand
        << int(DatabaseKind::Batters) << 2 << LinesMode::PerTeam << false;
}

// A file read and written again is the same bytes; the query read is the
// one the lines say.
void TestQueryFile::roundTripsByteForByte() {
    QFETCH(QByteArray, text);
    QFETCH(int, database);
    QFETCH(int, items);
    QFETCH(LinesMode, lines);
    QFETCH(bool, qualified);
    QueryFileError error;
    const std::optional<SavedQuery> query = ReadQueryFile(text, &error);
    QVERIFY2(query, qPrintable(QStringLiteral("line %1: %2").arg(error.line).arg(error.problem)));
    QCOMPARE(int(query->database), database);
    QCOMPARE(query->state.SelectionCount, items);
    QCOMPARE(query->state.Lines, lines);
    QCOMPARE(query->state.QualifiedOnly, qualified);
    if (text.startsWith("bbstats-query 1\n")) {
        // Written again as version 2, its mode stated after the sort lines.
        QByteArray v2 = text;
        v2.replace("bbstats-query 1\n", "bbstats-query 2\n");
        v2.replace("sort-quad -1 -1 -1 -1\n", "sort-quad -1 -1 -1 -1\n" + kPerTeam);
        QCOMPARE(WriteQueryFile(*query), v2);
    } else {
        QCOMPARE(WriteQueryFile(*query), text);
    }
    // And what is written reads back to the same query.
    const std::optional<SavedQuery> again = ReadQueryFile(WriteQueryFile(*query), &error);
    QVERIFY(again);
    QCOMPARE(again->hiddenColumns, query->hiddenColumns);
    QCOMPARE(again->bands.BandMode, query->bands.BandMode);
    QCOMPARE(again->bands.SecondColor, query->bands.SecondColor);
    QCOMPARE(again->state.SortTriple, query->state.SortTriple);
    QCOMPARE(again->state.Lines, lines);
    QCOMPARE(again->state.QualifiedOnly, qualified);
}

void TestQueryFile::refusesFaultyFiles_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("says");
    const QByteArray batters = Header("Batters") + kSorts;
    QTest::newRow("empty file") << QByteArray() << 0 << "does not begin with";
    QTest::newRow("not a query file")
        << QByteArray("PLAYER NAME,YEAR\n") << 1 << "does not begin with";
    QTest::newRow("newer format version")
        << QByteArray("bbstats-query 3\n") + Header("Batters").mid(16) + kSorts + kBand << 1
        << "format version 3 is newer";
    QTest::newRow("not UTF-8") << batters +
                                      "item ARuth, B\xe9"
                                      "be\nitem *\n" +
                                      kBand
                               << 0 << "not UTF-8";
    QTest::newRow("unknown database")
        << Header("Umpires") + kSorts + kBand << 3 << "\"Umpires\" is not";
    QTest::newRow("database missing") << Header("Batters").left(120) << 0 << "database";
    QTest::newRow("unknown line") << batters + "colour red\n" + kBand << 8
                                  << "\"colour\" is not a query file line";
    QTest::newRow("sort field the database lacks")
        << Header("Teams") +
               "sort 95\nsort-pair -1 -1\nsort-triple -1 -1 -1\n"
               "sort-quad -1 -1 -1 -1\n" +
               kBand
        << 4 << "lacks";
    QTest::newRow("sort code out of range") << Header("Batters") + "sort 301\n" << 4 << "lacks";
    QTest::newRow("limit field the database lacks")
        << batters + "item E77!1!2!\nitem *\n" + kBand << 8 << "limit field 77";
    QTest::newRow("players in Teams")
        << Header("Teams") + kSorts + "item ARuth, Babe\nitem *\n" + kBand << 8 << "has no players";
    QTest::newRow("positions outside Fielders")
        << batters + "item GSS\nitem *\n" + kBand << 8 << "has no positions";
    QTest::newRow("group not closed")
        << batters + "item ARuth, Babe\n" + kBand << 8 << "does not end";
    QTest::newRow("item too long")
        << batters + "item A" + QByteArray(60, 'x') + "\nitem *\n" + kBand << 8 << "longer";
    QTest::newRow("fixed column hidden")
        << batters + "hide 0\n" + kBand << 8 << "column 0 is not a column";
    QTest::newRow("column past the table") << batters + "hide 31\n" + kBand << 8 << "column 31";
    QTest::newRow("column hidden twice")
        << batters + "hide 9\nhide 9\n" + kBand << 9 << "hidden twice";
    QTest::newRow("band mode the database lacks") << batters + "band 9 FF0000 0000FF\n"
                                                  << 8 << "band mode 9";
    QTest::newRow("band colour not hexadecimal") << batters + "band 0 blue 0000FF\n"
                                                 << 8 << "six hexadecimal";
    QTest::newRow("second sort line") << batters + "sort 16\n" + kBand << 8 << "a second sort";
    QTest::newRow("sort codes missing") << Header("Batters") + "sort 300\nsort-pair 1\n"
                                        << 5 << "2 sort codes";
    QTest::newRow("band line missing") << batters << 0 << "band line is missing";
    // Lines modes: only version 2 has them, and only where the database does.
    QTest::newRow("lines in a version 1 file")
        << Header("Batters", 1) + kSorts + "lines career\n" + kBand << 8
        << "\"lines\" is not a query file line";
    QTest::newRow("season lines on Teams") << Header("Teams") + kSorts + "lines season\n" + kBand
                                           << 8 << "the Teams database has no season lines";
    QTest::newRow("qualified Fielders") << Header("Fielders") + kSorts + "qualified 1\n" + kBand
                                        << 8 << "the Fielders database has no qualified lines";
    QTest::newRow("qualified careers") << batters + "qualified 1\nlines career\n" + kBand << 8
                                       << "career lines cannot be qualified only";
    QTest::newRow("unknown lines mode")
        << batters + "lines week\n" + kBand << 8 << "team, season or career";
    QTest::newRow("qualified not 0 or 1") << batters + "qualified yes\n" + kBand << 8 << "0 or 1";
}

// Each faulty file gives no query and an error naming the line (0 for the
// file as a whole) and the problem; the message names the file too.
void TestQueryFile::refusesFaultyFiles() {
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, says);
    QueryFileError error;
    QVERIFY(!ReadQueryFile(text, &error));
    QVERIFY2(error.problem.contains(says), qPrintable(error.problem));
    QCOMPARE(error.line, line);
    const QString message = QueryFileMessage(QStringLiteral("/tmp/q.bbq"), error);
    QVERIFY(message.contains(QStringLiteral("\"/tmp/q.bbq\"")));
    if (line > 0)
        QVERIFY(message.contains(QStringLiteral("line %1: ").arg(line)));
}

QTEST_GUILESS_MAIN(TestQueryFile)
#include "test_queryfile.moc"
