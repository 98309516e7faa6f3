// The pure half of printing: characters per line, the layout on paper and in
// the preview (cutting, overflow, pages), and the printed texts of the
// columns of each database.

#include <map>
#include <set>

#include <QPageLayout>
#include <QtTest>

#include "printing/glyphset.h"
#include "printing/printlayout.h"
#include "printing/printtexts.h"
#include "recordingcanvas.h"

class TestPrintCore : public QObject {
    Q_OBJECT
private slots:
    void charactersPerLine_data();
    void charactersPerLine();
    void previewAndPaperCutting();
    void rowsGoOnToNewPages();
    void fitToPageKeepsEveryValueWhole();
    void columnTexts_data();
    void columnTexts();
    void glyphsAreOneBitBlackAndWhite();
};

void TestPrintCore::charactersPerLine_data() {
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<bool>("fit");
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<qint64>("chars");
    QTest::addColumn<QString>("error");
    QTest::newRow("fit, 40 of minimum 80") << QList<int>{18, 5, 5, 12} << true << "   80"
                                           << "   80" << qint64(80) << QString();
    QTest::newRow("fit, 100 of minimum 80") << QList<int>{34, 34, 32} << true << "   80"
                                            << "   80" << qint64(100) << QString();
    QTest::newRow("fit, minimum 132") << QList<int>{40} << true << "  132"
                                      << "   80" << qint64(132) << QString();
    QTest::newRow("don't fit, 81 of maximum 80") << QList<int>{40, 41} << false << "   80"
                                                 << "   80" << qint64(0) << TooWideMessage;
    QTest::newRow("don't fit, 80 of maximum 80") << QList<int>{40, 40} << false << "   80"
                                                 << "   80" << qint64(80) << QString();
    QTest::newRow("no width and an empty minimum") << QList<int>{0, 0} << true << "     "
                                                   << "   80" << qint64(0) << NoWidthMessage;
    QTest::newRow("widths beyond 32 bits add up")
        << QList<int>{2147483647, 2147483647} << true << "   80"
        << "   80" << qint64(4294967294) << QString();
}

void TestPrintCore::charactersPerLine() {
    QFETCH(QList<int>, widths);
    QFETCH(bool, fit);
    QFETCH(QString, minimum);
    QFETCH(QString, maximum);
    QFETCH(qint64, chars);
    QFETCH(QString, error);
    const std::vector<std::int32_t> w(widths.begin(), widths.end());
    const CharsPerLine result = CharactersPerLine(w, fit, minimum, maximum);
    QCOMPARE(result.error, error);
    if (error.isEmpty()) {
        QCOMPARE(result.count, chars);
    }
}

namespace {

PrintPage samplePage() {
    PrintPage page;
    page.widths = {5, 3};
    page.header1 = {QStringLiteral("TEAM"), QStringLiteral(" ")};
    page.header2 = {QStringLiteral("LONGHEADER"), QStringLiteral("AB")};
    page.rows = {{QStringLiteral("ABCDEFG"), QStringLiteral("x")}};
    page.totals = {QStringLiteral("TOTALS "), QStringLiteral("12345")};
    return page;
}

// The non-blank glyphs drawn at height y, as text, and the x of the first.
QString glyphLine(const RecordingCanvas& canvas, int y, int* firstX = nullptr) {
    QString line;
    for (const RecordingCanvas::Glyph& glyph : canvas.glyphs) {
        if (glyph.cell.y() == y && glyph.c != QLatin1Char(' ')) {
            if (line.isEmpty() && firstX) {
                *firstX = glyph.cell.x();
            }
            line += glyph.c;
        }
    }
    return line;
}

} // namespace

void TestPrintCore::previewAndPaperCutting() {
    const PrintPage page = samplePage();

    // Preview: 9-pixel characters, 17-pixel lines under the two ruler lines.
    RecordingCanvas preview(3000, 1200);
    DrawPrintPage(preview, PrintTarget::Preview, page, 80);
    QStringList drawn;
    for (const RecordingCanvas::Text& text : preview.texts) {
        drawn << QStringLiteral("%1,%2:%3").arg(text.x).arg(text.y).arg(text.text);
    }
    const QString ruler = QString(132, QLatin1Char('|'));
    QString digits;
    for (int i = 1; i <= 13; ++i) {
        digits += QStringLiteral("         %1").arg(i % 10);
    }
    // Data and totals keep W - 1 characters and a blank; the second header
    // W characters; the first header is not cut. The totals follow a gap of
    // (3000 div 80) * 90 div 65 = 51 pixels.
    const QStringList expected{
        QStringLiteral("12,12:") + ruler,
        QStringLiteral("12,29:") + digits,
        "12,46:TEAM",
        "57,46: ",
        "12,63:LONGH",
        "57,63:AB",
        "12,80:ABCD ",
        "57,80:x",
        "12,131:TOTA ",
        "57,131:12 ",
    };
    QCOMPARE(drawn, expected);

    // Paper 1000 wide: R = 980, C = 20, cells (980 - 12) div 21 = 46 wide.
    // Data rows keep W characters; the first character sits one cell right
    // of the margin.
    RecordingCanvas paper(1000, 1400);
    DrawPrintPage(paper, PrintTarget::Paper, page, 20);
    const int cell = 46;
    const int line = cell * 90 / 65;
    int rowX = 0;
    QCOMPARE(glyphLine(paper, 12 + 2 * line, &rowX), QStringLiteral("ABCDEx"));
    QCOMPARE(rowX, 12 + cell);
    // The second column starts after W cells of the first.
    const auto at = [&](int y, QChar c) {
        for (const RecordingCanvas::Glyph& glyph : paper.glyphs) {
            if (glyph.cell.y() == y && glyph.c == c) {
                return glyph.cell.x();
            }
        }
        return -1;
    };
    // "ABCDE" fills its width, so "x" keeps a blank before it.
    QCOMPARE(at(12 + 2 * line, QLatin1Char('x')), 12 + 6 * cell + cell);
    // A header longer than its width runs on: the next title starts later.
    QCOMPARE(glyphLine(paper, 12 + line), QStringLiteral("LONGHEADERAB"));
    QCOMPARE(at(12 + line, QLatin1Char('B')), 12 + 12 * cell);
    QCOMPARE(paper.glyphs.front().cell, QRect(12 + cell, 12, cell, line));
    // Totals: a gap of one line; "12345" after a full "TOTAL" starts a cell
    // later and keeps 2 of its width 3.
    QCOMPARE(glyphLine(paper, 12 + 3 * line), QStringLiteral("TOTAL12"));
    QCOMPARE(at(12 + 3 * line, QLatin1Char('1')), 12 + 6 * cell + cell);

    // Cells past the right limit are left out.
    RecordingCanvas narrow(200, 1400);
    DrawPrintPage(narrow, PrintTarget::Paper, page, 10); // R 196, cells 19
    for (const RecordingCanvas::Glyph& glyph : narrow.glyphs) {
        QVERIFY(glyph.cell.right() + 1 < 196);
    }
}

void TestPrintCore::rowsGoOnToNewPages() {
    PrintPage page;
    page.widths = {10};
    page.header1 = {QStringLiteral("HEAD")};
    page.header2 = {QStringLiteral("TITLE")};
    for (int i = 0; i < 30; ++i) {
        page.rows.push_back({QStringLiteral("ROW%1").arg(i)});
    }
    page.totals = {QStringLiteral("TOTALS")};
    // Paper 1000 x 2000, C = 10: cells (980 - 12) div 11 = 88 wide and 121
    // high, about fifteen lines a page.
    RecordingCanvas paper(1000, 2000);
    DrawPrintPage(paper, PrintTarget::Paper, page, 10);
    QVERIFY2(paper.pages >= 2, qPrintable(QString::number(paper.pages)));
    std::set<QString> lines;
    std::map<int, int> firstY; // page -> y of its first line
    QString current;
    for (const RecordingCanvas::Glyph& glyph : paper.glyphs) {
        QVERIFY2(glyph.cell.bottom() < 2000, "a cell past the bottom of the page");
        if (!firstY.count(glyph.page)) {
            firstY[glyph.page] = glyph.cell.y();
        }
        if (glyph.c == QLatin1Char('H') && glyph.cell.x() == 12 + 88) {
            QCOMPARE(glyph.page, 0); // headers only on the first page
        }
    }
    // Every row and the totals are printed whole somewhere.
    QMap<std::pair<int, int>, QString> byLine;
    for (const RecordingCanvas::Glyph& glyph : paper.glyphs) {
        byLine[{glyph.page, glyph.cell.y()}] += glyph.c;
    }
    const QStringList printed = byLine.values();
    for (int i = 0; i < 30; ++i) {
        QVERIFY2(printed.contains(QStringLiteral("ROW%1").arg(i)), qPrintable(QString::number(i)));
    }
    QVERIFY(printed.contains(QStringLiteral("TOTALS")));
    // Later pages start one line below the top margin.
    for (const auto& [pageNumber, y] : firstY) {
        if (pageNumber > 0) {
            QCOMPARE(y, 12 + 121);
        }
    }
}

void TestPrintCore::fitToPageKeepsEveryValueWhole() {
    // Thirteen Batters columns of 97 characters, "Fit to page" at minimum 80,
    // on A4 portrait at 1200 dpi; totals that fill their columns.
    const QList<PrintColumn> columns{{"Player Name", 18},
                                     {"Year", 5},
                                     {"Team Code", 5},
                                     {"G   - Games", 7},
                                     {"PA  - Plate Appearances", 8},
                                     {"AB  - At Bats", 8},
                                     {"RS  - Runs Scored", 7},
                                     {"H   - Hits", 7},
                                     {"D   - Doubles", 6},
                                     {"T   - Triples", 6},
                                     {"HR  - Home Runs", 6},
                                     {"RBI - Runs Batted In", 8},
                                     {"SL% - Slugging Percentage", 6}};
    std::vector<std::int32_t> widths;
    for (const PrintColumn& column : columns) {
        widths.push_back(column.width);
    }
    QCOMPARE(CharactersPerLine(widths, true, "80", "80").count, 97);
    BatterRecord row;
    row.PlayerName.assign("Wordsworth-Longfellow, Jr.");
    row.Year.assign("1906");
    row.TeamCode.assign("CHN");
    row.G = 155;
    row.SLG = 0.412;
    BatterRecord totals;
    totals.G = 6082145;
    totals.PA = 18630111;
    totals.AB = 16639000;
    totals.RS = 2345678;
    totals.H = 4567890;
    totals.D = 123456;
    totals.T = 34567;
    totals.HR = 345678;
    totals.RBI = 2345678;
    totals.SLG = 0.398;
    const BatterRecord* rows[] = {&row};
    const PrintPage page =
        BuildPrintPage<BatterRecord>(columns, std::span<const BatterRecord* const>(rows), totals);
    const std::int64_t chars = std::max<std::int64_t>(97, LineWidth(page));
    // G, PA, AB, RS, H, D and HR are widened by one for their blank.
    QCOMPARE(chars, 97 + 7);
    const QRect a4 = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                 QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter)
                         .paintRectPixels(1200);
    RecordingCanvas paper(a4.width(), a4.height());
    DrawPrintPage(paper, PrintTarget::Paper, page, chars);
    // Each line read back by cell position, blanks where nothing was drawn.
    const int cell = paper.glyphs.front().cell.width();
    std::map<int, QString> lines;
    for (const RecordingCanvas::Glyph& glyph : paper.glyphs) {
        QVERIFY(glyph.cell.right() < a4.width() * 0.98);
        QString& line = lines[glyph.cell.y()];
        const int at = (glyph.cell.x() - 12) / cell - 1;
        line = line.leftJustified(at, QLatin1Char(' ')).left(at) + glyph.c;
    }
    QCOMPARE(lines.size(), std::size_t{4});
    const QString data = std::next(lines.begin(), 2)->second;
    const QString sums = std::prev(lines.end())->second;
    // The name gives way to the year; SL% is the last value on the line.
    QVERIFY2(data.startsWith("Wordsworth-Longfel 1906 CHN"), qPrintable(data));
    QVERIFY2(data.endsWith(" .412"), qPrintable(data));
    QCOMPARE(sums.split(' ', Qt::SkipEmptyParts),
             (QStringList{"TOTALS", "6082145", "18630111", "16639000", "2345678", "4567890",
                          "123456", "34567", "345678", "2345678", ".398"}));
    // The titles stay over the right end of their values.
    const QString titles = std::next(lines.begin())->second;
    QCOMPARE(titles.indexOf("RBI") + 3, sums.lastIndexOf("2345678") + 7);
    QVERIFY2(titles.endsWith("SLP"), qPrintable(titles));
}

namespace {

BatterRecord batter() {
    BatterRecord r;
    r.PlayerName.assign("Aaron, Hank");
    r.Year.assign("1957");
    r.TeamCode.assign("ML1");
    r.TeamName.assign("Milwaukee Braves");
    r.League.assign("NL");
    r.Bats = 'R';
    r.AVG = 0.322;
    r.OBP = 1000000;
    r.RBI = -1;
    r.HR = 44;
    r.Positions.assign("of,1b");
    r.OPSPlus = -100; // no time on base and no bases: a figure, not a missing one
    return r;
}

BatterRecord batterTotals() {
    BatterRecord r;
    r.PlayerName.assign("TOTALS");
    r.League.assign("NL");
    r.AVG = 0.3;
    r.HR = 755;
    r.Positions.assign("-1");
    return r;
}

template <class Record>
PrintPage onePage(const QString& description, int width, const Record& row, const Record& totals) {
    const Record* rows[] = {&row};
    return BuildPrintPage<Record>({PrintColumn{description, width}},
                                  std::span<const Record* const>(rows), totals);
}

PrintPage pageFor(const QString& database, const QString& description, int width) {
    if (database == QLatin1String("batters")) {
        return onePage(description, width, batter(), batterTotals());
    }
    if (database == QLatin1String("pitchers")) {
        PitcherRecord r;
        r.PlayerName.assign("Spahn, Warren");
        r.ERA = 2.5;
        r.OppAVG = 0.251;
        r.OppOBP = -1;
        r.Throws = 'L';
        r.FIP = -0.25;
        PitcherRecord totals;
        totals.PlayerName.assign("TOTALS");
        return onePage(description, width, r, totals);
    }
    if (database == QLatin1String("fielders")) {
        FielderRecord r;
        r.Position.assign("SS");
        r.FieldingPct = 0.975;
        return onePage(description, width, r, FielderRecord{});
    }
    TeamRecord r;
    r.Division.assign("-");
    r.IP = 1438.1;
    r.WLPct = 0.617;
    r.GB = 2.5;
    TeamRecord totals;
    totals.TeamName.assign("TOTALS");
    return onePage(description, width, r, totals);
}

} // namespace

void TestPrintCore::columnTexts_data() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("header1");
    QTest::addColumn<QString>("header2");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("totals");
    const auto row = [](const char* name, const char* db, const char* description, int width,
                        const char* h1, const char* h2, const char* data, const char* totals) {
        QTest::newRow(name) << db << description << width << h1 << h2 << data << totals;
    };
    row("name", "batters", "Player Name", 18, "       ", "PLAYER NAME", "Aaron, Hank", "TOTALS ");
    row("year", "batters", "Year", 5, "    ", "YEAR", "1957", "     ");
    row("code", "batters", "Team Code", 5, "TEAM", "CODE", "ML1", "");
    row("league", "batters", "LGE - League", 5, " ", " LGE", " NL", "NL");
    row("bats", "batters", "BAT - Bats", 3, " ", "B", "R", "");
    row("count", "batters", "HR  - Home Runs", 6, " ", "    HR", "    44", "   755");
    row("missing count", "batters", "RBI - Runs Batted In", 8, " ", "     RBI", "     ---",
        "       0");
    row("average at 6", "batters", "AVG - Batting Average", 6, " ", "   AVG", "  .322", "  .300");
    row("average at 7", "batters", "AVG - Batting Average", 7, " ", "   AVG", "  0.322", "  0.300");
    row("missing average", "batters", "OB% - On Base Percentage", 6, " ", "   OBP", "   ---",
        "  .000");
    row("positions", "batters", "POS - Positions Played", 21, " ", " POS", " of,1b", " ---");
    // Figures that may fall below 0 print as the window shows them; they have no total.
    row("ops+ below 0", "batters", "OPS+- Adjusted OPS", 5, " ", " OPS+", " -100", "");
    row("fip below 0", "pitchers", "FIP - Fielding Independent Pitching", 7, " ", "    FIP",
        "  -0.25", "");
    row("not a batters column", "batters", "League", 4, "", "", "", "");
    row("era in 7", "pitchers", "ERA - Earned Run Average", 9, " ", "    ERA", "   2.50",
        "   0.00");
    row("opponents' average", "pitchers", "OPP AVG - Opponents Batting Average", 7, "    OPP",
        "    AVG", "  0.251", "  0.000");
    row("missing real", "pitchers", "OPP OB% - Opponents On Base Percentage", 7, "    OPP",
        "    OBP", "    ---", "  0.000");
    row("throws", "pitchers", "THR - Throws", 4, " ", "THR", "L", "");
    row("totals name", "pitchers", "Player Name", 18, " ", "PLAYER NAME", "Spahn, Warren",
        "TOTALS");
    row("position", "fielders", "POS    - Position", 5, " ", " POS", "SS", "");
    row("fielding pct", "fielders", "FLD%   - Fielding Percentage", 7, " ", "   FLDP", "  0.975",
        "  0.000");
    row("division missing", "teams", "DIV - Division", 4, " ", "DIV", "---", "");
    row("innings in 8", "teams", "Pitching - IP  - Innings Pitched", 8, " ", "    IP", " 1438.10",
        "    0.00");
    row("games behind", "teams", "GB  - Games Behind", 7, " ", "     GB", "    2.5", "    0.0");
    row("won-lost", "teams", "W-L%", 7, " ", "  WLpct", "  0.617", "  0.000");
    row("opp sac flies", "teams", "Pitching - OPP SacF - Opponents Sacrifice Flies", 8, "     OPP",
        "    SacF", "       0", "       0");
}

void TestPrintCore::columnTexts() {
    QFETCH(QString, database);
    QFETCH(QString, description);
    QFETCH(int, width);
    const PrintPage page = pageFor(database, description, width);
    QCOMPARE(page.widths, std::vector<std::int32_t>{width});
    QTEST(page.header1.value(0), "header1");
    QTEST(page.header2.value(0), "header2");
    QCOMPARE(page.rows.size(), std::size_t{1});
    QTEST(page.rows[0].value(0), "data");
    QTEST(page.totals.value(0), "totals");
}

void TestPrintCore::glyphsAreOneBitBlackAndWhite() {
    const GlyphSet glyphs;
    QCOMPARE(glyphs.error(), QString());
    const QList<QRgb> blackWhite{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    std::set<qint64> keys;
    for (const QChar c : QStringLiteral("AZaz09,-\".'")) {
        const QImage* glyph = glyphs.glyph(c);
        QVERIFY2(glyph != nullptr, qPrintable(QString(c)));
        QCOMPARE(glyph->size(), QSize(65, 90));
        QCOMPARE(glyph->format(), QImage::Format_Mono);
        QCOMPARE(glyph->colorTable(), blackWhite);
        // Ink and paper both present: the character is drawn.
        const QImage counts = glyph->convertToFormat(QImage::Format_Grayscale8);
        int ink = 0;
        for (int y = 0; y < counts.height(); ++y) {
            for (int x = 0; x < counts.width(); ++x) {
                ink += counts.pixelColor(x, y).value() == 0;
            }
        }
        QVERIFY2(ink > 20 && ink < 65 * 90 / 2, qPrintable(QString(c)));
        keys.insert(glyph->cacheKey());
    }
    QCOMPARE(keys.size(), std::size_t{11});
    for (const QChar c : QStringLiteral(" %/()=+")) {
        QVERIFY2(glyphs.glyph(c) == nullptr, qPrintable(QString(c)));
    }
}

QTEST_MAIN(TestPrintCore)
#include "test_printcore.moc"
