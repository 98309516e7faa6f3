// The chart window's drawing time once its data has arrived, and what
// opening a query file costs, against the local service's real data.
//
// Drawing: the first 2,000 rows of Batters in season order (fetched once
// from the service as the chart fetches them), their home runs drawn as six
// lines of about 333 points each (the rows dealt to the six lines in turn:
// the most points a line chart of six players ever holds is far lower), the
// chart built, drawn and painted into a picture. Baseline in the same run,
// interleaved: the 25-bar chart of the same rows. Target: under 100 ms.
//
// Query file: a saved query (home runs descending, 1927, a hidden column)
// opened into an open Batters window, against a plain refresh of the same
// window; the page requests of each counted in the service's request log.
//
// Usage: chart_bench [--db FILE] [--service BBSTATSD] [--data DIR] [--rounds N]

#include <cstdio>
#include <vector>

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "bench/benchservice.h"
#include "charts/chartfetch.h"
#include "charts/chartmodel.h"
#include "charts/chartwindow.h"
#include "mainwindow/mainmenu.h"
#include "mainwindow/queryfilecommands.h"
#include "query/sortcodes.h"
#include "views/databaseviews.h"

namespace {

constexpr int kHR = 16;
constexpr int kRows = 2000;

ServiceHosts HostsAt(const QString& host) {
    return ServiceHosts{host, host, host};
}

// Builds, draws and paints one chart; milliseconds.
double DrawOnce(ChartWindow& chart, const ChartPlan& plan, const std::vector<ChartRow>& rows,
                int total) {
    QElapsedTimer timer;
    timer.start();
    chart.drawModel(BuildChartModel(DatabaseKind::Batters, kHR, plan, rows, total,
                                    QStringLiteral("Default order")));
    QImage image(chart.chartView()->size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    chart.chartView()->render(&painter);
    painter.end();
    return MsSince(timer);
}

int PageRequests(const QString& log) {
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression page(QStringLiteral("^POST \\S+ \\d+!\\d+!"));
    int count = 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        count += page.match(QString::fromUtf8(line)).hasMatch() ? 1 : 0;
    return count;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments(), 30);
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("requests.log"));
    QProcess service;
    const QString host =
        StartBenchService(service, options, {QStringLiteral("--log-requests"), log});
    if (host.isEmpty())
        return 1;

    TForm2A view(HostsAt(host));
    view.resize(1000, 700);
    view.show();
    if (!view.refreshView()) {
        std::fprintf(stderr, "the Batters window did not fill\n");
        return 1;
    }

    // The rows, fetched once as the chart fetches them.
    std::unique_ptr<ChartFetcher> fetcher = MakeChartFetcher(DatabaseKind::Batters, HostsAt(host));
    const ChartFetcher::Result fetched = fetcher->fetch(QueryState(), kHR, kRows);
    if (fetched.result != FetchResult::Done || int(fetched.rows.size()) != kRows) {
        std::fprintf(stderr, "the rows did not arrive: %s\n", qPrintable(fetched.message));
        return 1;
    }
    std::vector<ChartRow> dealt = fetched.rows;
    const QString players[] = {QStringLiteral("Line 1"), QStringLiteral("Line 2"),
                               QStringLiteral("Line 3"), QStringLiteral("Line 4"),
                               QStringLiteral("Line 5"), QStringLiteral("Line 6")};
    for (std::size_t i = 0; i < dealt.size(); ++i)
        dealt[i].player = players[i % 6];
    ChartPlan lines;
    lines.mode = ChartMode::Lines;
    lines.rowsWanted = kRows;
    ChartPlan bars;
    bars.mode = ChartMode::Bars;
    bars.rowsWanted = ChartBarRows;

    auto* chart = new ChartWindow(&view, kHR, HostsAt(host));
    chart->show();
    QCoreApplication::processEvents();
    std::vector<double> lineTimes;
    std::vector<double> barTimes;
    for (int i = 0; i < options.rounds + 2; ++i) {
        const double l = DrawOnce(*chart, lines, dealt, fetched.totalRows);
        const double b = DrawOnce(*chart, bars, fetched.rows, fetched.totalRows);
        if (i >= 2) { // the first draws load fonts and caches
            lineTimes.push_back(l);
            barTimes.push_back(b);
        }
    }
    const double lineMs = Median(lineTimes);
    const double barMs = Median(barTimes);
    std::printf("chart drawn after its data arrived, median of %d (target < 100 ms):\n",
                options.rounds);
    std::printf("  %d rows as 6 lines   %8.2f ms\n", kRows, lineMs);
    std::printf("  25 bars (baseline)   %8.2f ms\n", barMs);
    std::printf("  lines / bars         %8.2f\n", barMs > 0 ? lineMs / barMs : 0.0);

    // Query file: open into the open window against a plain refresh.
    ApplySortCodes(view.queryState(), ComputeSortCodes(SortChoice{{17, 0, 0, 0}, {1, 0, 0, 0}}));
    view.queryState().AppendGroup({"E1!1927!1927!"});
    view.refreshView();
    view.DrawGrid1DblClick(9, 2);
    const QString path = dir.filePath(QStringLiteral("hr1927.bbq"));
    QString message;
    if (!QueryFileCommands::save(view, path, &message)) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return 1;
    }
    QMenuBar bar;
    const MainMenu menu = buildMainMenu(&bar, &bar);
    QueryFileCommands files(
        menu, menu.Print1, [&view] { return &view; },
        [&view](DatabaseKind) { return static_cast<StatisticsView*>(&view); },
        [](DatabaseKind, const std::function<void(StatisticsView&)>&) -> StatisticsView* {
            return nullptr;
        },
        [&host] { return HostsAt(host); }, nullptr, nullptr);
    std::vector<double> openTimes;
    std::vector<double> refreshTimes;
    std::vector<double> openPages;
    for (int i = 0; i < options.rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.refreshView();
        refreshTimes.push_back(MsSince(timer));
        const int before = PageRequests(log);
        timer.restart();
        QString notice;
        if (!files.open(path, &message, &notice)) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            return 1;
        }
        openTimes.push_back(MsSince(timer));
        openPages.push_back(PageRequests(log) - before);
    }
    std::printf("query file opened into the open window, median of %d:\n", options.rounds);
    std::printf("  open query file      %8.2f ms, %.0f page request(s)\n", Median(openTimes),
                Median(openPages));
    std::printf("  refresh (baseline)   %8.2f ms, 1 page request\n", Median(refreshTimes));
    std::printf("  open / refresh       %8.2f\n",
                Median(refreshTimes) > 0 ? Median(openTimes) / Median(refreshTimes) : 0.0);

    delete chart;
    service.terminate();
    service.waitForFinished(10000);
    return 0;
}
