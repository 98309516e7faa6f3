#include <QtTest>

#include <QFile>
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
    void moreColumns_data();
    void moreColumns();
    void wrappedLinesEdges_data();
    void wrappedLinesEdges();
    void figuresGuideAgrees();

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

// Caption, heading, empty line, one line per column, then the columns of
// "More columns"; every explained column has its abbreviation padded to the
// database's width, then "- ".
void TestHelpTexts::definitionsShape() {
    QFETCH(int, database);
    QFETCH(QString, caption);
    QFETCH(QString, heading);
    QFETCH(int, columns);
    QFETCH(int, width);
    const HelpText text = statisticsDefinitions(database);
    QCOMPARE(text.caption, caption);
    QCOMPARE(text.lines.mid(2 + columns), moreColumnsLines(database));
    QCOMPARE(text.lines[0], heading);
    QCOMPARE(text.lines[1], QString());
    int explained = 0;
    for (qsizetype i = 2; i < 2 + columns; ++i) {
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
    QCOMPARE(statisticsDefinitions(0).lines.mid(2, expected.size()), expected);
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

void TestHelpTexts::moreColumns_data() {
    QTest::addColumn<int>("database");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("abbreviations");
    QTest::addColumn<int>("figures");
    QTest::newRow("batters") << 0 << 9 << QStringList{"OPS", "OPS+", "ISO", "BABIP", "AGE"} << 6;
    QTest::newRow("pitchers") << 1 << 8 << QStringList{"WHIP", "K/9",  "BB/9", "HR/9",
                                                       "K/BB", "ERA+", "FIP",  "AGE"}
                              << 6;
    QTest::newRow("fielders") << 2 << 8 << QStringList{"AGE"} << 0;
    QTest::newRow("teams") << 3 << 10 << QStringList{"OPS", "ERA+", "EXP W-L%"} << 0;
}

// The added columns' lines: each definition in the database's width, its
// meaning whole when the indented lines that carry it on are joined; no line
// past 72 characters, so the window shows them without scrolling; the
// figures table lines up its columns under the titles.
void TestHelpTexts::moreColumns() {
    QFETCH(int, database);
    QFETCH(int, width);
    QFETCH(QStringList, abbreviations);
    QFETCH(int, figures);
    const QStringList lines = moreColumnsLines(database);
    QCOMPARE(
        lines.mid(0, 3),
        (QStringList{"", "WITH \"MORE COLUMNS\" (OPTIONS MENU), AFTER THE COLUMNS ABOVE:", ""}));
    QStringList definitions; // each definition on one line
    qsizetype at = 3;
    for (; at < lines.size() && !lines[at].isEmpty(); ++at) {
        QVERIFY2(lines[at].size() <= 72, qPrintable(lines[at]));
        if (lines[at].startsWith(' ')) {
            QVERIFY2(!definitions.isEmpty(), qPrintable(lines[at]));
            QCOMPARE(lines[at].left(width + 2), QString(width + 2, ' '));
            QVERIFY2(lines[at][width + 2] != ' ', qPrintable(lines[at]));
            definitions.last() += ' ' + lines[at].mid(width + 2);
        } else {
            definitions.append(lines[at]);
        }
    }
    QCOMPARE(definitions.size(), abbreviations.size());
    const auto columns = moredefinitions::AddedColumns[database];
    for (qsizetype i = 0; i < definitions.size(); ++i) {
        QCOMPARE(definitions[i].left(width).trimmed(), abbreviations[i]);
        QCOMPARE(definitions[i],
                 definitionLine(abbreviations[i], QString::fromLatin1(columns[i].meaning), width));
    }
    // The notes: one paragraph, then the table when the database has figures.
    QStringList notes;
    for (++at; at < lines.size() && !lines[at].isEmpty(); ++at) {
        QVERIFY2(lines[at].size() <= 72 && !lines[at].startsWith(' '), qPrintable(lines[at]));
        notes.append(lines[at]);
    }
    QCOMPARE(notes.join(' '), QString::fromLatin1(moredefinitions::Notes[database]));
    QVERIFY(notes.join(' ').contains("---"));
    if (figures == 0) {
        QCOMPARE(at, lines.size());
        return;
    }
    QCOMPARE(lines.mid(at, 3), (QStringList{"", "OUR FIGURES BESIDE THE PUBLISHED ONES:", ""}));
    const QString titles = lines[at + 3];
    QCOMPARE(titles.simplified(), QStringLiteral("OURS PUBLISHED"));
    const QStringList rows = lines.mid(at + 4);
    QCOMPARE(rows.size(), figures);
    // Each figure ends under the end of its title; the label stands apart from it.
    const qsizetype oursEnd = titles.indexOf("OURS") + 4;
    qsizetype row = 0;
    for (const moredefinitions::Figure& figure : moredefinitions::Figures) {
        if (figure.database != database) {
            continue;
        }
        const QString& line = rows[row++];
        QCOMPARE(line.size(), titles.size());
        QCOMPARE(line.left(oursEnd).split(' ').last(), QString::fromLatin1(figure.ours));
        QCOMPARE(line.mid(oursEnd), QString::fromLatin1(figure.published).rightJustified(11));
        QCOMPARE(line.left(oursEnd - 6).trimmed(), figureLabel(figure));
        QVERIFY2(line[oursEnd - 7] == ' ', qPrintable(line));
    }
}

void TestHelpTexts::wrappedLinesEdges_data() {
    QTest::addColumn<QString>("lead");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lineWidth");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("fits") << "AB - "
                          << "at bats" << 20 << QStringList{"AB - at bats"};
    QTest::newRow("exactly full") << ""
                                  << "aaa bbb ccc" << 11 << QStringList{"aaa bbb ccc"};
    QTest::newRow("breaks at blanks")
        << "X - "
        << "one two three four" << 12 << QStringList{"X - one two", "    three", "    four"};
    QTest::newRow("long word alone")
        << ""
        << "a verylongword b" << 6 << QStringList{"a", "    verylongword", "    b"};
    QTest::newRow("runs of blanks") << ""
                                    << "  a   b  " << 9 << QStringList{"a b"};
    QTest::newRow("no words") << "X - "
                              << "   " << 9 << QStringList{};
}

void TestHelpTexts::wrappedLinesEdges() {
    QFETCH(QString, lead);
    QFETCH(QString, text);
    QFETCH(int, lineWidth);
    QFETCH(QStringList, lines);
    QCOMPARE(wrappedLines(lead, text, lineWidth, QStringLiteral("    ")), lines);
}

// The figures guide carries the same definitions and the same table as the
// definitions window (whose figures test_morecolumns compares with the
// service), so neither goes stale alone.
void TestHelpTexts::figuresGuideAgrees() {
    QFile file(qEnvironmentVariable("BBSTATS_SOURCE_DIR") + "/docs/figures.md");
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QString guide = QString::fromUtf8(file.readAll());
    const QString flowing = guide.simplified();
    for (const auto& columns : moredefinitions::AddedColumns) {
        for (const moredefinitions::Column& column : columns) {
            const QString definition = QStringLiteral("`%1` - %2")
                                           .arg(QString::fromLatin1(column.abbreviation),
                                                QString::fromLatin1(column.meaning));
            QVERIFY2(flowing.contains(definition), qPrintable(definition));
        }
    }
    for (const char* notes : moredefinitions::Notes) {
        QVERIFY2(flowing.contains(QString::fromLatin1(notes)), notes);
    }
    const QStringList lines = guide.split('\n');
    const qsizetype header = lines.indexOf("| figure | ours | published |");
    QVERIFY(header > 0);
    QCOMPARE(lines[header + 1], QStringLiteral("|---|---:|---:|"));
    qsizetype row = header + 2;
    for (const moredefinitions::Figure& figure : moredefinitions::Figures) {
        QCOMPARE(lines.value(row++), QStringLiteral("| %1 | %2 | %3 |")
                                         .arg(figureLabel(figure), QString::fromLatin1(figure.ours),
                                              QString::fromLatin1(figure.published)));
    }
    QVERIFY2(!lines.value(row).startsWith('|'), qPrintable(lines.value(row)));
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
