// Paint time of one full page of the statistics grid: 42 rows (2 fixed) by
// 31 columns of fixed-pitch text in "Courier New" 8 pt, rendered into an
// image, three ways: the grid with no cell text, every cell drawn with
// QPainter::drawText, and every cell drawn with FixedPitchText: median and
// best time of each, and their ratios to the empty page.
//
// Usage: grid_paint [ROUNDS]   (default 300)

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPainter>

#include "platform/drawgrid.h"
#include "platform/fixedpitchtext.h"

namespace {

// Initial widths of the batters columns.
constexpr int Widths[31] = {130, 50, 50, 200, 25, 31, 31, 50, 56, 56, 50, 50, 49, 49, 45, 45,
                            45,  61, 46, 46,  46, 51, 51, 37, 37, 44, 39, 46, 37, 49, 180};

struct Timing {
    double median;
    double best;
};

Timing paintTimes(DrawGrid& grid, int rounds) {
    QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    times.reserve(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds + 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        grid.render(&image);
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (i >= 5) { // the first paints fill the glyph cache
            times.push_back(ms);
        }
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

// The text of a cell: a number right-aligned by blanks in 7 characters, as
// the views format their counts.
QString cellText(int col, int row) {
    return QString::number((row * 31 + col) % 10000000).rightJustified(7, QLatin1Char(' '));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 300;

    DrawGrid grid;
    grid.setFrameShape(QFrame::NoFrame);
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.setFont(QFont(QStringLiteral("Courier New"), 8));
    grid.setColCount(31);
    int width = 0;
    for (int col = 0; col < 31; ++col) {
        grid.setColWidth(col, Widths[col]);
        width += Widths[col] + 1;
    }
    grid.setRowCount(100003);
    grid.setFixedRows(2);
    grid.setFixedCols(3);
    grid.setDefaultRowHeight(14);
    grid.resize(width, 30 + 40 * 15);
    grid.setTopRow(50000);
    if (grid.visibleRowCount() != 40 || grid.visibleColCount() != 28) {
        std::fprintf(stderr, "grid_paint: page is %d x %d, not 40 x 28 scrolled cells\n",
                     grid.visibleRowCount(), grid.visibleColCount());
        return 1;
    }

    const Timing empty = paintTimes(grid, rounds);

    const QFontMetrics metrics(grid.font());
    const int ascent = metrics.ascent();
    auto plain = QObject::connect(
        &grid, &DrawGrid::drawCell,
        [ascent](QPainter* painter, int col, int row, const QRect& rect, DrawGrid::CellState) {
            painter->drawText(rect.left() + 1, rect.top() + ascent, cellText(col, row));
        });
    const Timing drawText = paintTimes(grid, rounds);
    QObject::disconnect(plain);

    const FixedPitchText text(grid.font());
    QObject::connect(
        &grid, &DrawGrid::drawCell,
        [&text](QPainter* painter, int col, int row, const QRect& rect, DrawGrid::CellState) {
            text.draw(painter, QPointF(rect.left() + 1, rect.top()), cellText(col, row));
        });
    const Timing fixedPitch = paintTimes(grid, rounds);

    std::printf("grid_paint: 42 rows x 31 columns (2 fixed rows, 3 fixed columns), %d rounds\n",
                rounds);
    const auto report = [&empty](const char* what, const Timing& t) {
        std::printf("  %-22s median %7.3f ms (%5.1f x empty)   best %7.3f ms (%5.1f x empty)\n",
                    what, t.median, t.median / empty.median, t.best, t.best / empty.best);
    };
    report("empty page", empty);
    report("text by drawText", drawText);
    report("text by FixedPitchText", fixedPitch);
    return 0;
}
