// The statistics windows against the local service over the full data:
//  - open: from choosing "&Batters" in the main menu to the first page
//    painted (the window created, laid out, the first page fetched over
//    loopback, the grid painted);
//  - scroll: one step of the top row (the page fetched again, the band pass,
//    the grid painted), for a one-row step and for jumps across the result,
//    on the whole Batters result and on a result of about 1,000 records (the
//    batters of one season);
//  - memory: resident set with all four windows open.
// Each figure is the median of repeated runs; "fetch only" is the same page
// request made by a bare page exchange with no window, the floor the window
// work is compared with.
//
// Usage: views_bench [--db FILE] [--service BBSTATSD] [--data DIR] [--rounds N]

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QTest>

#include "bench/benchservice.h"
#include "databases/batterrecord.h"
#include "mainwindow/tform1.h"
#include "mainwindow/viewmenustate.h"
#include "protocol/pagefetcher.h"
#include "views/databaseviews.h"

namespace {

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

struct OpenFigures {
    double first = 0;
    double median = 0;
    double best = 0;
};

OpenFigures benchOpen(TForm1& form, int rounds) {
    std::vector<double> times;
    OpenFigures figures;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        form.Menu().Player1->trigger();
        StatisticsView* view = form.View(DatabaseKind::Batters);
        view->DrawGrid1->viewport()->repaint();
        const double ms = MsSince(timer);
        if (i == 0) {
            figures.first = ms;
        } else {
            times.push_back(ms);
        }
        QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow*>(view->parentWidget());
        frame->close();
        while (frame) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    figures.median = Median(times);
    figures.best = times.empty() ? 0.0 : *std::min_element(times.begin(), times.end());
    return figures;
}

// Median time of one scroll step, top rows chosen by `nextTop`.
template <class NextTop> double benchScroll(StatisticsView& view, int steps, NextTop nextTop) {
    std::vector<double> times;
    DrawGrid* grid = view.DrawGrid1;
    for (int i = 0; i < steps; ++i) {
        const int top = nextTop(i);
        QElapsedTimer timer;
        timer.start();
        grid->setTopRow(top);
        grid->viewport()->repaint();
        times.push_back(MsSince(timer));
    }
    return Median(times);
}

// Median time of the same page request made by a bare exchange, under the
// selection `group` (none when empty).
double benchFetchOnly(const QString& host, int rows, int steps, int total,
                      const std::vector<std::string>& group) {
    PageFetcher<BatterRecord> fetcher(
        BatterLayout(), SharedPageCache<BatterRecord>(BatterLayout().initialCapacity),
        QStringLiteral("/cgi-bin/getbat.exe"), ServiceHosts{host, host, host}, host, 300);
    if (!group.empty()) {
        fetcher.State().AppendGroup(group);
    }
    std::mt19937 random(7);
    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        const int top = static_cast<int>(random() % static_cast<unsigned>(total - rows));
        QElapsedTimer timer;
        timer.start();
        if (fetcher.RefreshView(top, rows).result != FetchResult::Done) {
            std::fprintf(stderr, "views_bench: a bare page fetch failed\n");
        }
        times.push_back(MsSince(timer));
    }
    return Median(times);
}

struct ScrollFigures {
    int total = 0;
    double oneRow = 0;
    double jump = 0;
    double fetchOnly = 0;
};

// Scroll steps over the view's result after appending the selection `group`
// (none when empty), and the bare fetch of the same pages.
ScrollFigures benchResult(StatisticsView& view, const QString& host, int steps,
                          const std::vector<std::string>& group) {
    if (!group.empty()) {
        view.queryState().AppendGroup(group);
        view.refreshView();
    }
    view.DrawGrid1->setTopRow(2);
    ScrollFigures figures;
    const int rows = view.DrawGrid1->visibleRowCount();
    figures.total = view.records().shownRecords();
    const int span = std::max(figures.total - rows, 1);
    figures.oneRow = benchScroll(view, steps, [span](int i) { return 3 + i % span; });
    std::mt19937 random(11);
    figures.jump = benchScroll(view, steps, [&](int) {
        return 2 + static_cast<int>(random() % static_cast<unsigned>(span));
    });
    figures.fetchOnly = benchFetchOnly(host, rows, steps, figures.total, group);
    return figures;
}

void printScroll(const char* what, const ScrollFigures& f) {
    std::printf("| scroll one row, %s (%d records) | %.2f | %.2f | %.1f | <= 4 ms, <= 16 |\n", what,
                f.total, f.oneRow, f.fetchOnly, f.oneRow / f.fetchOnly);
    std::printf("| scroll jump, %s (%d records) | %.2f | %.2f | %.1f | <= 4 ms, <= 16 |\n", what,
                f.total, f.jump, f.fetchOnly, f.jump / f.fetchOnly);
}

double benchBandPass(StatisticsView& view, int rounds) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.runBandPass();
        times.push_back(MsSince(timer));
    }
    return Median(times);
}

double benchPaintOnly(StatisticsView& view, int rounds) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.DrawGrid1->viewport()->repaint();
        times.push_back(MsSince(timer));
    }
    return Median(times);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(QCoreApplication::arguments(), 30);
    QProcess service;
    const QString host = StartBenchService(service, options);
    if (host.isEmpty()) {
        std::fprintf(stderr, "views_bench: bbstatsd did not start (%s)\n",
                     qPrintable(options.service));
        return 1;
    }
    const long baseKb = residentKb();

    CoBrandConfig config;
    TForm1 form(config);
    form.SetServiceHosts(ServiceHosts{host, host, host});
    form.resize(1280, 1024);
    form.show();
    QCoreApplication::processEvents();

    const OpenFigures open = benchOpen(form, options.rounds);

    form.Menu().Player1->trigger();
    StatisticsView* batters = form.View(DatabaseKind::Batters);
    const int rows = batters->DrawGrid1->visibleRowCount();
    const int steps = options.rounds * 7;
    const double paintOnly = benchPaintOnly(*batters, steps);
    const double bandPass = benchBandPass(*batters, steps);
    const ScrollFigures whole = benchResult(*batters, host, steps, {});
    // The batters of 1987: 1,048 records.
    const ScrollFigures season = benchResult(*batters, host, steps, {"C1987"});

    for (DatabaseKind kind :
         {DatabaseKind::Pitchers, DatabaseKind::Fielders, DatabaseKind::Teams}) {
        OpenCommandOf(form.Menu(), kind)->trigger();
    }
    QCoreApplication::processEvents();
    const long allKb = residentKb();

    std::printf("views_bench: %d rounds, page of %d rows\n", options.rounds, rows);
    std::printf("| measure | median ms | fetch only ms | ratio | target |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf("| open Batters to first page painted | %.2f (first %.2f, best %.2f) | %.2f | %.1f "
                "| < 30 ms |\n",
                open.median, open.first, open.best, whole.fetchOnly, open.median / whole.fetchOnly);
    printScroll("whole Batters result", whole);
    printScroll("one season", season);
    std::printf("| paint of one page alone | %.2f | | | |\n", paintOnly);
    std::printf("| band pass alone | %.2f | | | |\n", bandPass);
    std::printf("| resident memory, four windows open | %.1f MB (%.1f MB before the windows) "
                "| | | < 250 MB |\n",
                static_cast<double>(allKb) / 1024.0, static_cast<double>(baseKb) / 1024.0);

    form.Menu().Exit1->trigger();
    service.terminate();
    service.waitForFinished(20000);
    return 0;
}
