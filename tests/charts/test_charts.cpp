// The chart window and query files on a Batters window against the real
// statistics service over the imported data: the chart's series are the
// service's rows (Babe Ruth's seasons, the top 25 by home runs, gaps where a
// value is missing), the chart follows Sort and Undo, its pictures are
// written whole, and a query file opens with one page fetch.

#include <algorithm>
#include <numeric>

#include <QBarCategoryAxis>
#include <QChartView>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include "charts/chartmodel.h"
#include "charts/chartwindow.h"
#include "mainwindow/chartcommands.h"
#include "mainwindow/mainmenu.h"
#include "mainwindow/queryfilecommands.h"
#include "query/querydescription.h"
#include "query/sortcodes.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"

namespace {

constexpr int kHR = 16;
constexpr int kCS = 28;

// Waits until the chart was drawn more than `count` times.
bool WaitForDraw(ChartWindow* chart, int count) {
    return QTest::qWaitFor([&] { return chart->drawCount() > count; }, 60000);
}

} // namespace

class TestCharts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void seriesAreTheServiceRows();
    void picturesWrittenWhole();
    void queryFileOpensWithOnePageFetch();
    void titlesFileNamesAndBarLayout_data();
    void titlesFileNamesAndBarLayout();

private:
    int loggedPageRequests() const;

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
    std::unique_ptr<QMenuBar> m_bar;
    MainMenu m_menu;
    std::unique_ptr<TForm2A> m_view;
};

void TestCharts::initTestCase() {
    QString error;
    m_host = StartRealService(m_service, QStringLiteral(BBSTATSD_PATH), m_dir, &error);
    QVERIFY2(!m_host.isEmpty(), qPrintable(error));
    m_bar = std::make_unique<QMenuBar>();
    m_menu = buildMainMenu(m_bar.get(), m_bar.get());
}

void TestCharts::cleanupTestCase() {
    m_bar.reset();
    if (m_service.state() != QProcess::NotRunning) {
        m_service.terminate();
        if (!m_service.waitForFinished(20000))
            m_service.kill();
        m_service.waitForFinished(5000);
    }
}

void TestCharts::init() {
    m_view = std::make_unique<TForm2A>(Hosts(m_host, m_host, m_host));
    m_view->resize(1000, 700);
    m_view->show();
    QVERIFY(m_view->refreshView());
}

void TestCharts::cleanup() {
    m_view.reset();
}

int TestCharts::loggedPageRequests() const {
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // A page request's first line is "top!rows!sort!"; a list request's is
    // its list letter.
    static const QRegularExpression page(QStringLiteral("^POST \\S+ \\d+!\\d+!"));
    int count = 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        count += page.match(QString::fromUtf8(line)).hasMatch() ? 1 : 0;
    return count;
}

// Ruth's seasons as one line, a point a season; his caught-stealing line has gaps
// where the data has no value (never zeros); the top 25 by home runs as bars
// in the window's order; Sort and Undo redraw the chart; closing the window
// closes it.
void TestCharts::seriesAreTheServiceRows() {
    m_view->queryState().AppendGroup({"ARuth, Babe"});
    QVERIFY(m_view->refreshView());
    auto* chart = new ChartWindow(m_view.get(), kHR, Hosts(m_host, m_host, m_host));
    QPointer<ChartWindow> guard(chart);
    chart->show();
    QVERIFY(chart->redraw());
    ChartModel model = chart->model();
    QCOMPARE(model.mode, ChartMode::Lines);
    QCOMPARE(model.series.size(), std::size_t(1));
    QCOMPARE(model.series[0].name, QStringLiteral("Ruth, Babe"));
    const std::vector<ChartPoint>& seasons = model.series[0].points;
    QCOMPARE(int(seasons.size()), 22); // 1914-1935, one stint each
    double total = 0;
    for (std::size_t i = 0; i < seasons.size(); ++i) {
        QCOMPARE(seasons[i].x, 1914.0 + double(i));
        QVERIFY(seasons[i].y);
        total += *seasons[i].y;
        // The grid shows the same rows in its default (season) order.
        if (m_view->records().isShown(int(i)))
            QCOMPARE(
                ChartValue(DatabaseKind::Batters, kHR, m_view->records().cellText(int(i), kHR)),
                seasons[i].y);
    }
    QCOMPARE(total, 714.0);
    QCOMPARE(*seasons[1927 - 1914].y, 60.0);
    QVERIFY(model.title.startsWith(QStringLiteral("Batters: HR - ")));
    QVERIFY(model.title.contains(QStringLiteral("Player: Ruth, Babe")));
    QCOMPARE(model.yTitle, QStringLiteral("HR - Home Runs (count)"));
    QCOMPARE(model.countNote, QStringLiteral("Showing 22 of 22 rows"));

    // Caught stealing: none recorded 1914-1919 and 1935.
    chart->setColumn(kCS);
    model = chart->model();
    const std::vector<ChartPoint>& stolen = model.series.at(0).points;
    QCOMPARE(int(stolen.size()), 22);
    int gaps = 0;
    for (const ChartPoint& p : stolen)
        gaps += p.y ? 0 : 1;
    QCOMPARE(gaps, 7);
    const auto segments = ChartSegments(model.series[0]);
    QCOMPARE(segments.size(), std::size_t(1));
    QCOMPARE(int(segments[0].size()), 15);
    QCOMPARE(segments[0].front(), QPointF(1920, 14));

    // A traded player's season is one point, its stints added up by the service: Henderson's
    // 1989 with New York (3) and Oakland (9).
    chart->setColumn(kHR);
    int drawn = chart->drawCount();
    m_view->queryState() = QueryState();
    m_view->queryState().AppendGroup({"AHenderson, Rickey"});
    QVERIFY(m_view->refreshView());
    QVERIFY(WaitForDraw(chart, drawn));
    model = chart->model();
    QCOMPARE(model.mode, ChartMode::Lines);
    const std::vector<ChartPoint>& henderson = model.series.at(0).points;
    QCOMPARE(std::count_if(henderson.begin(), henderson.end(),
                           [](const ChartPoint& p) { return p.x == 1989.0; }),
             1);
    for (const ChartPoint& p : henderson)
        if (p.x == 1989.0)
            QCOMPARE(*p.y, 12.0);

    // Sort by home runs descending over every batter: bars of the top 25.
    drawn = chart->drawCount();
    m_view->queryState() = QueryState();
    ApplySortCodes(m_view->queryState(), ComputeSortCodes(SortChoice{{17, 0, 0, 0}, {1, 0, 0, 0}}));
    QVERIFY(m_view->refreshView());
    QVERIFY(WaitForDraw(chart, drawn));
    model = chart->model();
    QCOMPARE(model.mode, ChartMode::Bars);
    const std::vector<ChartPoint>& bars = model.series.at(0).points;
    QCOMPARE(int(bars.size()), ChartBarRows);
    QCOMPARE(*bars[0].y, 73.0);
    QCOMPARE(bars[0].label, QStringLiteral("Bonds, Barry 2001"));
    int compared = 0;
    for (int i = 0; i < ChartBarRows; ++i) {
        if (i > 0)
            QVERIFY(*bars[std::size_t(i)].y <= *bars[std::size_t(i - 1)].y);
        // The rows the grid's page holds.
        if (!m_view->records().isShown(i))
            continue;
        ++compared;
        QCOMPARE(bars[std::size_t(i)].y,
                 ChartValue(DatabaseKind::Batters, kHR, m_view->records().cellText(i, kHR)));
        QCOMPARE(bars[std::size_t(i)].label, m_view->records().cellText(i, 0).trimmed() +
                                                 QLatin1Char(' ') +
                                                 m_view->records().cellText(i, 1).trimmed());
    }
    QVERIFY(compared >= 15);
    QVERIFY(model.countNote.startsWith(QStringLiteral("Showing 25 of ")));
    QVERIFY(model.title.contains(QStringLiteral("HR descending")));
    QVERIFY(!model.title.contains(QStringLiteral("Default order")));
    // Drawn on their side so the labels read across: the category axis runs from the 25th
    // row up to the 1st at the top; home runs are counted in whole numbers.
    QVERIFY(model.horizontal);
    QChart* drawnChart = chart->chartView()->chart();
    auto* categories = qobject_cast<QBarCategoryAxis*>(drawnChart->axes(Qt::Vertical).value(0));
    QVERIFY(categories != nullptr);
    QCOMPARE(categories->count(), ChartBarRows);
    QCOMPARE(categories->categories().last(), QStringLiteral("Bonds, Barry 2001"));
    QVERIFY(!categories->truncateLabels());
    auto* values = qobject_cast<QValueAxis*>(drawnChart->axes(Qt::Horizontal).value(0));
    QVERIFY(values != nullptr);
    QCOMPARE(values->labelFormat(), QStringLiteral("%d"));
    QCOMPARE(values->tickInterval(), std::round(values->tickInterval()));
    QCOMPARE(model.fileStem, QStringLiteral("batters-hr"));

    // Undo: back to Henderson's line, a point for each of his 25 seasons (1979-2003).
    drawn = chart->drawCount();
    QVERIFY(m_view->undoQuery());
    QVERIFY(WaitForDraw(chart, drawn));
    QCOMPARE(chart->model().mode, ChartMode::Lines);
    QCOMPARE(int(chart->model().series.at(0).points.size()), 25);

    // Scrolling fetches pages of the same query: no redraw.
    drawn = chart->drawCount();
    QVERIFY(m_view->refreshView());
    QTest::qWait(200);
    QCOMPARE(chart->drawCount(), drawn);

    m_view->close();
    QVERIFY(QTest::qWaitFor([&] { return guard.isNull() || !guard->isVisible(); }, 10000));
}

// PNG and SVG pictures are whole files with the attribution line under the
// chart; a file that cannot be written leaves nothing and says why.
void TestCharts::picturesWrittenWhole() {
    m_view->queryState().AppendGroup({"ARuth, Babe", "AGehrig, Lou"});
    QVERIFY(m_view->refreshView());
    auto* chart = new ChartWindow(m_view.get(), kHR, Hosts(m_host, m_host, m_host));
    chart->show();
    QVERIFY(chart->redraw());
    QCOMPARE(chart->model().series.size(), std::size_t(2));

    QTemporaryDir out;
    const QString png = out.filePath(QStringLiteral("chart.png"));
    const QString svg = out.filePath(QStringLiteral("chart.svg"));
    QString message;
    QVERIFY2(chart->exportPng(png, &message), qPrintable(message));
    QVERIFY2(chart->exportSvg(svg, &message), qPrintable(message));

    QImage image(png);
    QVERIFY(!image.isNull());
    const QSize expected = chart->chartView()->size() + QSize(0, ChartWindow::AttributionHeight);
    QCOMPARE(image.size(), expected);
    // The attribution band holds drawn text.
    int dark = 0;
    for (int y = expected.height() - ChartWindow::AttributionHeight; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    QVERIFY(dark > 200);

    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.trimmed().endsWith("</svg>"));
    QVERIFY(text.contains("Lahman Baseball Database"));
    QSvgRenderer renderer(text);
    QVERIFY(renderer.isValid());

    const QString missing = out.filePath(QStringLiteral("no/such/chart.png"));
    QVERIFY(!chart->exportPng(missing, &message));
    QVERIFY2(message.contains(missing), qPrintable(message));
    QVERIFY(!QFile::exists(missing));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 2);
}

// A saved query opened into the open window: one page request, the same
// query, the hidden columns back; names the data lacks are reported.
void TestCharts::queryFileOpensWithOnePageFetch() {
    ApplySortCodes(m_view->queryState(), ComputeSortCodes(SortChoice{{17, 2, 0, 0}, {1, 0, 0, 0}}));
    m_view->queryState().AppendGroup({"E1!1927!1927!"});
    QVERIFY(m_view->refreshView());
    m_view->DrawGrid1DblClick(9, 2);
    QueryFileCommands files(
        m_menu, m_menu.Print1, [this] { return m_view.get(); },
        [this](DatabaseKind) { return static_cast<StatisticsView*>(m_view.get()); },
        [](DatabaseKind, const std::function<void(StatisticsView&)>&) -> StatisticsView* {
            return nullptr;
        },
        [this] { return Hosts(m_host, m_host, m_host); }, nullptr, nullptr);
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("hr1927.bbq"));
    QString message;
    QVERIFY2(QueryFileCommands::save(*m_view, path, &message), qPrintable(message));
    const QString words = DescribeQuery(DatabaseKind::Batters, m_view->queryState());
    const QString firstRow = m_view->records().cellText(0, 0);

    m_view->queryState() = QueryState();
    m_view->hiddenColumns().entries.clear();
    QVERIFY(m_view->refreshView());
    QVERIFY(m_view->records().cellText(0, 0) != firstRow);

    const int before = loggedPageRequests();
    QString notice;
    QVERIFY2(files.open(path, &message, &notice), qPrintable(message));
    QCOMPARE(loggedPageRequests() - before, 1);
    QVERIFY2(notice.isEmpty(), qPrintable(notice));
    QCOMPARE(DescribeQuery(DatabaseKind::Batters, m_view->queryState()), words);
    QCOMPARE(m_view->records().cellText(0, 0), firstRow);
    QCOMPARE(m_view->hiddenColumns().entries.size(), 1);
    QCOMPARE(m_view->DrawGrid1->colWidth(9), 0);

    // A player the data does not have is kept and reported.
    QFile edited(path);
    QVERIFY(edited.open(QIODevice::ReadOnly));
    QByteArray text = edited.readAll();
    edited.close();
    text.replace("item E1!1927!1927!\n", "item AZzyzx, Nobody\nitem ARuth, Babe\nitem *\n");
    QVERIFY(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
    edited.write(text);
    edited.close();
    QVERIFY2(files.open(path, &message, &notice), qPrintable(message));
    QVERIFY2(notice.contains(QStringLiteral("players Zzyzx, Nobody.")), qPrintable(notice));
    QVERIFY(!notice.contains(QStringLiteral("Ruth")));

    // A refused file applies nothing.
    const QString state = DescribeQuery(DatabaseKind::Batters, m_view->queryState());
    text.replace("band ", "bnad ");
    QVERIFY(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
    edited.write(text);
    edited.close();
    const int refusedBefore = loggedPageRequests();
    QVERIFY(!files.open(path, &message, &notice));
    QVERIFY2(message.contains(QStringLiteral("\"bnad\" is not a query file line")),
             qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("hr1927.bbq")));
    QCOMPARE(loggedPageRequests(), refusedBefore);
    QCOMPARE(DescribeQuery(DatabaseKind::Batters, m_view->queryState()), state);
}

// What a chart says of itself, without widgets: the title leaves out "Default order", the
// file name names the database and column, and many long labels lay the bars on their side.
void TestCharts::titlesFileNamesAndBarLayout_data() {
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("stem");
    QTest::addColumn<int>("bars");
    QTest::addColumn<int>("longest");
    QTest::addColumn<bool>("horizontal");
    const int batters = int(DatabaseKind::Batters);
    const int teams = int(DatabaseKind::Teams);
    QTest::newRow("default order alone")
        << "Default order"
        << "" << batters << kHR << "batters-hr" << 25 << 17 << true;
    QTest::newRow("default order, a selection")
        << "Default order; Player: Ruth, Babe"
        << "Player: Ruth, Babe" << batters << kHR << "batters-hr" << 3 << 17 << false;
    QTest::newRow("career lines, default order")
        << "career lines, Default order"
        << "career lines" << batters << kCS << "batters-cs" << 6 << 15 << false;
    QTest::newRow("career lines, default order, a limit")
        << "career lines, Default order; HR 500 to 9999"
        << "career lines, HR 500 to 9999" << batters << kHR << "batters-hr" << 25 << 4 << true;
    QTest::newRow("a sort stays; W-L% loses its signs")
        << "W-L% descending"
        << "W-L% descending" << teams << 9 << "teams-w-l" << 0 << 20 << false;
}

void TestCharts::titlesFileNamesAndBarLayout() {
    QFETCH(QString, words);
    QFETCH(QString, title);
    QFETCH(int, kind);
    QFETCH(int, column);
    QFETCH(QString, stem);
    QFETCH(int, bars);
    QFETCH(int, longest);
    QFETCH(bool, horizontal);
    QCOMPARE(ChartQueryWords(words), title);
    QCOMPARE(ChartFileStem(DatabaseKind(kind), column), stem);
    QCOMPARE(ChartBarsHorizontal(bars, longest), horizontal);
}

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
