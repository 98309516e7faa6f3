#include <QtTest>

#include <QRegularExpression>

#include "mainwindow/helptexts.h"
#include "mainwindow/instructionstext.h"

class TestHelpTexts : public QObject {
    Q_OBJECT
private slots:
    void definitionsShape_data();
    void definitionsShape();
    void battersLinesVerbatim();
    void tellingLines_data();
    void tellingLines();
    void teamsLeagueHasNoMeaning();
    void unknownDatabaseIsEmpty();
    void definitionLineEdges_data();
    void definitionLineEdges();

    void dataSourcesShape();
    void dataSourcesYears();

    void instructionsSections();
    void instructionsFacts_data();
    void instructionsFacts();
};

void TestHelpTexts::definitionsShape_data() {
    QTest::addColumn<int>("database");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("width");
    QTest::newRow("batters") << 0 << "Help - Stats Definitions - Baseball Batters"
                             << "BATTERS DATABASE STATISTICS DEFINITIONS:" << 31 << 9;
    QTest::newRow("pitchers") << 1 << "Help - Stats Definitions - Baseball Pitchers"
                              << "PITCHERS DATABASE STATISTICS DEFINITIONS:" << 31 << 8;
    QTest::newRow("fielders") << 2 << "Help - Stats Definitions - Baseball Fielders"
                              << "FIELDERS DATABASE STATISTICS DEFINITIONS:" << 16 << 8;
    QTest::newRow("teams") << 3 << "Help - Stats Definitions - Baseball Teams"
                           << "BASEBALL TEAMS DATABASE STATISTICS DEFINITIONS:" << 67 << 10;
}

// Caption, heading, empty line, one line per column; every explained column
// has its abbreviation padded to the database's width, then "- ".
void TestHelpTexts::definitionsShape() {
    QFETCH(int, database);
    QFETCH(QString, caption);
    QFETCH(QString, heading);
    QFETCH(int, columns);
    QFETCH(int, width);
    const HelpText text = statisticsDefinitions(database);
    QCOMPARE(text.caption, caption);
    QCOMPARE(text.lines.size(), 2 + columns);
    QCOMPARE(text.lines[0], heading);
    QCOMPARE(text.lines[1], QString());
    int explained = 0;
    for (qsizetype i = 2; i < text.lines.size(); ++i) {
        const QString& line = text.lines[i];
        QVERIFY2(!line.isEmpty() && !line.endsWith(' '), qPrintable(line));
        if (!line.contains(QStringLiteral("- "))) {
            continue;
        }
        ++explained;
        QVERIFY2(line.mid(width, 2) == QStringLiteral("- "), qPrintable(line));
        const QString abbreviation = line.left(width);
        QVERIFY2(!abbreviation.startsWith(' '), qPrintable(line));
        QVERIFY2(abbreviation.endsWith(' '), qPrintable(line));
        QVERIFY2(line.size() > width + 2, qPrintable(line));
    }
    // Only the name, year and team columns (and the teams league) go unexplained.
    QCOMPARE(explained, columns - (database == 3 ? 1 : 4));
}

void TestHelpTexts::battersLinesVerbatim() {
    const QStringList expected = {
        "PLAYER NAME",
        "YEAR",
        "TEAM CODE",
        "TEAM NAME",
        "LGE      - league: AA 1882-1891, AL 1901-2025, ANL 1929, EAS 1903-1928, ECL 1923-1928, "
        "EWL 1932, FL 1914-1915, IND 1891-1936, INT 1909, NA 1871-1875, NAC 1907-1908, NAL "
        "1937-1948, NL 1876-2025, NN2 1933-1948, NNL 1920-1931, NSL 1932, PL 1890, UA 1884, WES "
        "1902-1919",
        "BAT      - R-right handed, L-left handed, S-switch hitter",
        "THR      - throws (R,L)",
        "G        - games played",
        "PA       - plate appearances = AB + BB + HBP + SH + SF",
        "AB       - at bats",
        "RS       - runs scored",
        "H        - hits",
        "TB       - total bases = S + 2xD + 3xT + 4xHR",
        "S        - singles",
        "D        - doubles",
        "T        - triples",
        "HR       - home runs",
        "RBI      - runs batted in",
        "AVG      - average = H/AB",
        "OB%      - on-base percentage = (H + BB + HBP)/(AB + BB + HBP + SF)",
        "SL%      - slugging percentage = (S + 2xD + 3xT + 4xHR)/AB = TB/AB",
        "BB       - base on balls (walks)",
        "SO       - strikeouts",
        "IBB      - intentional base on balls",
        "HBP      - hit by pitch",
        "SH       - sacrifice hits",
        "SF       - sacrifice flies",
        "SB       - stolen bases",
        "CS       - caught stealing",
        "GIDP     - grounded into double plays",
        "POS      - positions played (p,c,1b,2b,ss,3b,of,dh,ph,pr)",
    };
    QCOMPARE(statisticsDefinitions(0).lines.mid(2), expected);
}

void TestHelpTexts::tellingLines_data() {
    QTest::addColumn<int>("database");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("line");
    QTest::newRow("pitchers first") << 1 << 0 << "PLAYER NAME";
    QTest::newRow("pitchers throws") << 1 << 5 << "THR     - throws (R-right handed,L-left handed)";
    QTest::newRow("pitchers won") << 1 << 12 << "WON     - won";
    QTest::newRow("pitchers runs") << 1 << 18 << "R       - runs allowed";
    QTest::newRow("pitchers opp avg") << 1 << 29 << "OPP AVG - opponents batting average";
    QTest::newRow("pitchers opp obp")
        << 1 << 30 << "OPP OB% - opponents on-base percentage = (H + BB + HB)/(BFP - SH)";
    QTest::newRow("fielders league")
        << 2 << 4 << "LGE     - " + QString(statisticsDefinitions(0).lines[6]).mid(11);
    QTest::newRow("fielders position")
        << 2 << 5 << "POS     - position played (c,p,1b,2b,ss,3b,of)";
    QTest::newRow("fielders passed balls") << 2 << 11 << "PB      - passed balls (catchers only)";
    QTest::newRow("fielders chances") << 2 << 12 << "TOT CH  - total chances (PO+AST+ERR)";
    QTest::newRow("fielders range") << 2 << 13 << "RANGE   - range (PO+AST)/G";
    QTest::newRow("fielders per game")
        << 2 << 14 << "TCH/G   - total chances per game (PO+AST+ERR)/G";
    QTest::newRow("fielders pct") << 2 << 15
                                  << "FLD%    - fielding percentage (PO+AST)/(PO+AST+ERR)";
    QTest::newRow("teams games behind") << 3 << 8 << "GB        - games behind";
    QTest::newRow("teams w-l") << 3 << 9 << "W-L%      - won/lost percentage";
    QTest::newRow("teams tpa") << 3 << 14
                               << "TPA       - total plate appearances = AB + BB + HBP + SH + SF";
    QTest::newRow("teams obp")
        << 3 << 24 << "OB%       - on-base percentage = (H + BB + HBP) / (AB + BB + HBP + SF)";
    QTest::newRow("teams opp obp") << 3 << 58
                                   << "OPP OB%   - opponents on-base percentage = (OPP HITS + OPP "
                                      "BB + OPP HBP) / (BFP - OPP SACH)";
    QTest::newRow("teams slg") << 3 << 25
                               << "SL%       - slugging percentage = (S + 2xD + 3xT + 4xHR) / AB";
    QTest::newRow("teams lob") << 3 << 35 << "LOB       - runners left on base";
    QTest::newRow("teams shut out") << 3 << 36 << "SHO       - times team shutout";
    QTest::newRow("teams shutouts thrown") << 3 << 38 << "SHO       - shutouts thrown by pitcher";
    QTest::newRow("teams sac flies") << 3 << 31 << "SAC FLIES - sacrifice flies";
    QTest::newRow("teams fielding avg") << 3 << 66 << "FA        - fielding average";
}

void TestHelpTexts::tellingLines() {
    QFETCH(int, database);
    QFETCH(int, column);
    QFETCH(QString, line);
    QCOMPARE(statisticsDefinitions(database).lines.at(2 + column), line);
}

void TestHelpTexts::teamsLeagueHasNoMeaning() {
    const QStringList lines = statisticsDefinitions(3).lines.mid(2);
    QCOMPARE(lines[0], QStringLiteral("YEAR      - season"));
    QCOMPARE(lines[3], QStringLiteral("LGE"));
    QCOMPARE(lines[4], QStringLiteral("DIV       - division"));
}

void TestHelpTexts::unknownDatabaseIsEmpty() {
    for (int database : {-1, 4, 100}) {
        const HelpText text = statisticsDefinitions(database);
        QVERIFY(text.caption.isEmpty());
        QVERIFY(text.lines.isEmpty());
    }
}

void TestHelpTexts::definitionLineEdges_data() {
    QTest::addColumn<QString>("abbreviation");
    QTest::addColumn<QString>("meaning");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("line");
    QTest::newRow("padded") << "G"
                            << "games" << 8 << "G       - games";
    QTest::newRow("fills width") << "OPP AVG"
                                 << "x" << 8 << "OPP AVG - x";
    QTest::newRow("too long keeps a blank") << "HOME WINS"
                                            << "x" << 8 << "HOME WINS - x";
    QTest::newRow("no meaning") << "PLAYER NAME"
                                << "" << 9 << "PLAYER NAME";
}

void TestHelpTexts::definitionLineEdges() {
    QFETCH(QString, abbreviation);
    QFETCH(QString, meaning);
    QFETCH(int, width);
    QFETCH(QString, line);
    QCOMPARE(definitionLine(abbreviation, meaning, width), line);
}

void TestHelpTexts::dataSourcesShape() {
    const HelpText text = dataSourcesText();
    QCOMPARE(text.caption, QStringLiteral("Help - Data Sources"));
    QCOMPARE(text.lines.size(), 3 + 17 + 2);
    QCOMPARE(text.lines[0], QString());
    QCOMPARE(text.lines[1], QStringLiteral("BASEBALL DATA SOURCES:"));
    QCOMPARE(text.lines[2], QString());
    const QStringList sources = text.lines.mid(3, 17);
    const qsizetype encyclopedias = sources.indexOf(QStringLiteral("Baseball Encyclopedias:"));
    QVERIFY(encyclopedias > 0);
    QVERIFY(encyclopedias < sources.size() - 1);
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const QString& line = sources[i];
        QVERIFY2(!line.trimmed().isEmpty(), "no blank line among the sources");
        if (i > encyclopedias) {
            QVERIFY2(line.startsWith(QStringLiteral("    ")) && line[4] != ' ', qPrintable(line));
        } else {
            QVERIFY2(!line.startsWith(' '), qPrintable(line));
        }
    }
    QCOMPARE(text.lines[20], QString());
    QCOMPARE(text.lines[21], QStringLiteral("Baseball statistics from the Lahman Baseball Database "
                                            "by Sean Lahman, licensed under CC BY-SA 3.0."));
    QCOMPARE(dataAttribution(), text.lines[21]);
}

// Every named source carries its years of issue, as a year or a range that
// runs forward within the seasons the database covers.
void TestHelpTexts::dataSourcesYears() {
    const QStringList sources = dataSourcesText().lines.mid(3, 17);
    const QRegularExpression years(QStringLiteral(", (\\d{4})(?:-(\\d{4}))?$"));
    for (const QString& line : sources) {
        if (line == QStringLiteral("Baseball Encyclopedias:")) {
            continue;
        }
        const QRegularExpressionMatch match = years.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const int first = match.captured(1).toInt();
        const int last = match.hasCaptured(2) ? match.captured(2).toInt() : first;
        QVERIFY2(first >= 1860 && first <= last && last <= 2025, qPrintable(line));
    }
}

void TestHelpTexts::instructionsSections() {
    const QString text = instructionsText();
    const QStringList headings = {"FOR WEB SITE OWNERS", "A NOTE ON MEMORY", "QUICK TUTORIAL",
                                  "DATABASE TIDBITS AND HINTS", "PRINTING"};
    qsizetype previous = -1;
    const QStringList lines = text.split('\n');
    for (const QString& heading : headings) {
        const qsizetype at = lines.indexOf(heading);
        QVERIFY2(at > previous, qPrintable(heading));
        previous = at;
    }
}

void TestHelpTexts::instructionsFacts_data() {
    QTest::addColumn<QString>("fact");
    for (const char* fact : {"online",
                             "Total Lines:",
                             "Page Up",
                             "Page Down",
                             "Home and End",
                             "Ctrl-Home",
                             "Ctrl-End",
                             "Ctrl with the arrow keys",
                             "double-click a column",
                             "Unhide Columns",
                             "first letter",
                             "four digits",
                             "up to four fields",
                             "Minimum \"Ma\", Maximum \"Maz\"",
                             "case sensitive",
                             "decimal point",
                             "*.BSB",
                             "*.BSP",
                             "*.BSF",
                             "*.BST",
                             "Printer Setup",
                             "80",
                             "132",
                             "\"Minimum characters per line\"",
                             "\"Maximum characters per line\""}) {
        QTest::newRow(fact) << QString::fromLatin1(fact);
    }
}

void TestHelpTexts::instructionsFacts() {
    QFETCH(QString, fact);
    QVERIFY2(instructionsText().contains(fact), qPrintable(fact));
}

QTEST_APPLESS_MAIN(TestHelpTexts)
#include "test_helptexts.moc"
