#include <map>
#include <set>
#include <utility>
#include <vector>

#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include "platform/drawgrid.h"

namespace {

// The statistics layout: 31 columns of 50 px (line 1 px: 51 px apart),
// 2 fixed rows, 3 fixed columns, 14-px rows (15 px apart). Without frame
// and scroll bars the viewport is exactly the widget.
struct Fixture {
    DrawGrid grid;
    std::vector<std::pair<int, int>> drawn;

    explicit Fixture(int rows, QSize size = QSize(3 * 51 + 12 * 51, 30 + 40 * 15)) {
        grid.setFrameShape(QFrame::NoFrame);
        grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid.setColCount(31);
        for (int col = 0; col < 31; ++col) {
            grid.setColWidth(col, 50);
        }
        grid.setRowCount(rows);
        grid.setFixedRows(2);
        grid.setFixedCols(3);
        grid.setDefaultRowHeight(14);
        grid.resize(size);
        QObject::connect(&grid, &DrawGrid::drawCell, &grid,
                         [this](QPainter*, int col, int row, const QRect&, DrawGrid::CellState) {
                             drawn.emplace_back(col, row);
                         });
    }

    void show() {
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }

    // Paints the whole grid once and returns the cells it asked to draw.
    std::vector<std::pair<int, int>> paint() {
        drawn.clear();
        QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);
        grid.viewport()->render(&image);
        return drawn;
    }

    QPoint centre(int col, int row) const { return grid.cellRect(col, row).center(); }
};

} // namespace

class TestDrawGrid : public QObject {
    Q_OBJECT
private slots:
    void visibleRowCountFollowsHeight_data();
    void visibleRowCountFollowsHeight();
    void topLeftChangedOnlyOnRealChanges();
    void drawsOnlyVisibleCells();
    void cellStates();
    void hiddenColumnIsNeitherDrawnNorHit();
    void dragResizesColumn();
    void resizeOffLeavesWidths();
    void dragMovesColumn();
    void moveModeLeavesFixedColumns();
    void doubleClickReportsCell();
    void keyboardNavigation();
    void dragSelectsRange();
    void wheelScrolls();
    void disabledGridIgnoresInput();
    void shrinkingRowCountClampsTopRow();
    void gridsWithoutScrolledCells_data();
    void gridsWithoutScrolledCells();
};

void TestDrawGrid::visibleRowCountFollowsHeight_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expected");
    QTest::newRow("40 rows") << 30 + 40 * 15 << 40;
    QTest::newRow("partial row not counted") << 30 + 40 * 15 + 13 << 40;
    QTest::newRow("one row") << 30 + 15 << 1;
    QTest::newRow("header only") << 30 << 0;
}

void TestDrawGrid::visibleRowCountFollowsHeight() {
    QFETCH(int, height);
    QFETCH(int, expected);
    Fixture f(100000, QSize(800, height));
    QCOMPARE(f.grid.visibleRowCount(), expected);
}

void TestDrawGrid::topLeftChangedOnlyOnRealChanges() {
    Fixture f(100000);
    f.show();
    QSignalSpy spy(&f.grid, &DrawGrid::topLeftChanged);
    f.grid.viewport()->repaint();
    f.grid.setTopRow(f.grid.topRow());
    f.grid.setLeftCol(f.grid.leftCol());
    f.grid.setTopRow(-3); // clamps to the same first row
    QCOMPARE(spy.count(), 0);

    f.grid.setTopRow(500);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(f.grid.topRow(), 500);
    f.grid.verticalScrollBar()->setValue(f.grid.verticalScrollBar()->value() + 1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(f.grid.topRow(), 501);
    f.grid.setLeftCol(7);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(f.grid.leftCol(), 7);
    f.grid.horizontalScrollBar()->setValue(f.grid.horizontalScrollBar()->value());
    f.grid.setColWidth(20, 60); // layout change that keeps the top-left cell
    QCOMPARE(spy.count(), 3);
}

void TestDrawGrid::drawsOnlyVisibleCells() {
    Fixture f(100000);
    f.grid.setTopRow(99000);
    const auto cells = f.paint();
    // 2 fixed rows and 40 scrolled rows, 3 fixed and 12 scrolled columns.
    QCOMPARE(int(cells.size()), 42 * 15);
    std::set<std::pair<int, int>> unique(cells.begin(), cells.end());
    QCOMPARE(unique.size(), cells.size());
    for (const auto& [col, row] : cells) {
        QVERIFY(row < 2 || (row >= 99000 && row < 99040));
        QVERIFY(col < 15);
    }
    QVERIFY(unique.count({14, 99039}));
    QVERIFY(unique.count({0, 0}));
}

void TestDrawGrid::cellStates() {
    Fixture f(1000);
    f.show();
    f.grid.setFocus();
    QVERIFY(QTest::qWaitFor([&] { return f.grid.hasFocus(); }));
    f.grid.setCurrentCell(5, 10);
    QTest::keyClick(&f.grid, Qt::Key_Down, Qt::ShiftModifier);
    std::map<std::pair<int, int>, DrawGrid::CellState> states;
    QObject::connect(&f.grid, &DrawGrid::drawCell, &f.grid,
                     [&](QPainter*, int col, int row, const QRect&, DrawGrid::CellState state) {
                         states[{col, row}] = state;
                     });
    f.paint();
    QCOMPARE(states[std::pair(0, 0)], DrawGrid::CellState(DrawGrid::Fixed));
    QCOMPARE(states[std::pair(5, 1)], DrawGrid::CellState(DrawGrid::Fixed));
    QCOMPARE(states[std::pair(1, 10)], DrawGrid::CellState(DrawGrid::Fixed));
    QCOMPARE(states[std::pair(5, 10)], DrawGrid::CellState(DrawGrid::Selected));
    QCOMPARE(states[std::pair(5, 11)], DrawGrid::Selected | DrawGrid::Focused);
    QCOMPARE(states[std::pair(6, 11)], DrawGrid::CellState());
    QCOMPARE(states[std::pair(5, 12)], DrawGrid::CellState());
}

void TestDrawGrid::hiddenColumnIsNeitherDrawnNorHit() {
    Fixture f(1000);
    f.show();
    const QPoint whereFiveWas = f.centre(5, 10);
    const QRect sixBefore = f.grid.cellRect(6, 10);
    f.grid.setColWidth(5, 0);
    const auto cells = f.paint();
    for (const auto& cell : cells) {
        QVERIFY(cell.first != 5);
    }
    QCOMPARE(f.grid.cellRect(6, 10).left(), sixBefore.left() - 51);
    // A click where column 5 used to be lands on column 6, now in its place.
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, whereFiveWas);
    QCOMPARE(f.grid.col(), 6);
    QCOMPARE(f.grid.row(), 10);
    // Keyboard navigation steps over the hidden column.
    QTest::keyClick(&f.grid, Qt::Key_Left);
    QCOMPARE(f.grid.col(), 4);
    QTest::keyClick(&f.grid, Qt::Key_Right);
    QCOMPARE(f.grid.col(), 6);
    QVERIFY(!f.grid.cellRect(5, 10).isValid());
    f.grid.setCurrentCell(5, 10);
    QCOMPARE(f.grid.col(), 6);
}

void TestDrawGrid::dragResizesColumn() {
    Fixture f(1000);
    f.show();
    QSignalSpy spy(&f.grid, &DrawGrid::columnResized);
    const QRect four = f.grid.cellRect(4, 1);
    const QPoint edge(four.right() + 1, four.center().y());
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(f.grid.viewport(), edge + QPoint(30, 0));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, edge + QPoint(30, 0));
    QCOMPARE(f.grid.colWidth(4), 80);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 4);
    QCOMPARE(spy.at(0).at(1).toInt(), 80);
    QCOMPARE(f.grid.cellRect(5, 1).left(), four.left() + 81);
    // Dragging far to the left never hides the column.
    const QPoint newEdge(f.grid.cellRect(4, 1).right() + 1, edge.y());
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, newEdge);
    QTest::mouseMove(f.grid.viewport(), newEdge - QPoint(200, 0));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, newEdge - QPoint(200, 0));
    QCOMPARE(f.grid.colWidth(4), 1);
    QCOMPARE(spy.count(), 2);
}

void TestDrawGrid::resizeOffLeavesWidths() {
    Fixture f(1000);
    f.grid.setColSizing(false);
    f.show();
    QSignalSpy spy(&f.grid, &DrawGrid::columnResized);
    const QRect four = f.grid.cellRect(4, 1);
    const QPoint edge(four.right() + 1, four.center().y());
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(f.grid.viewport(), edge + QPoint(30, 0));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, edge + QPoint(30, 0));
    QCOMPARE(f.grid.colWidth(4), 50);
    QCOMPARE(spy.count(), 0);
}

void TestDrawGrid::dragMovesColumn() {
    Fixture f(1000);
    f.grid.setColSizing(false);
    f.grid.setColMoving(true);
    f.show();
    QSignalSpy spy(&f.grid, &DrawGrid::columnMoved);
    const QPoint from = f.centre(5, 1);
    const QPoint to = f.centre(8, 1);
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(f.grid.viewport(), to);
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 5);
    QCOMPARE(spy.at(0).at(1).toInt(), 8);
    QCOMPARE(f.grid.columnAt(8), 5);
    QCOMPARE(f.grid.columnAt(5), 6);
    QCOMPARE(f.grid.colWidth(5), 50);
    // The data of logical column 5 is now drawn at the eighth position.
    QCOMPARE(f.grid.cellRect(5, 10).left(), 8 * 51);
    bool found = false;
    for (const auto& cell : f.paint()) {
        found = found || cell == std::pair(5, 10);
    }
    QVERIFY(found);
}

void TestDrawGrid::moveModeLeavesFixedColumns() {
    Fixture f(1000);
    f.grid.setColSizing(false);
    f.grid.setColMoving(true);
    f.show();
    QSignalSpy spy(&f.grid, &DrawGrid::columnMoved);
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, f.centre(1, 1));
    QTest::mouseMove(f.grid.viewport(), f.centre(8, 1));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.centre(8, 1));
    // A scrolled column dropped onto the fixed ones lands at the first scrolled place.
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, f.centre(9, 1));
    QTest::mouseMove(f.grid.viewport(), f.centre(0, 1));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.centre(0, 1));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(f.grid.columnAt(0), 0);
    QCOMPARE(f.grid.columnAt(1), 1);
    QCOMPARE(f.grid.columnAt(2), 2);
    QCOMPARE(f.grid.columnAt(3), 9);
    // A plain click on a header cell moves nothing.
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(6, 1));
    QCOMPARE(spy.count(), 1);
}

void TestDrawGrid::doubleClickReportsCell() {
    Fixture f(1000);
    f.show();
    f.grid.setTopRow(300);
    f.grid.setColWidth(4, 0);
    QSignalSpy spy(&f.grid, &DrawGrid::cellDoubleClicked);
    QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(7, 305));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 7);
    QCOMPARE(spy.at(0).at(1).toInt(), 305);
    // The double-click's first press made the cell current.
    QCOMPARE(f.grid.col(), 7);
    QCOMPARE(f.grid.row(), 305);
    QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(1, 1));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(1).toInt(), 1);
    QCOMPARE(f.grid.col(), 7);
}

void TestDrawGrid::keyboardNavigation() {
    Fixture f(1000);
    f.show();
    f.grid.setFocus();
    QCOMPARE(f.grid.topRow(), 2);
    QCOMPARE(f.grid.row(), 2);
    const int page = f.grid.visibleRowCount();
    QCOMPARE(page, 40);
    QSignalSpy spy(&f.grid, &DrawGrid::topLeftChanged);
    QTest::keyClick(&f.grid, Qt::Key_PageDown);
    QCOMPARE(f.grid.topRow(), 2 + page);
    QCOMPARE(f.grid.row(), 2 + page);
    QCOMPARE(spy.count(), 1);
    QTest::keyClick(&f.grid, Qt::Key_PageUp);
    QCOMPARE(f.grid.topRow(), 2);
    QCOMPARE(spy.count(), 2);
    // Moving inside the page does not scroll; one row past it scrolls by one.
    for (int i = 0; i < page - 1; ++i) {
        QTest::keyClick(&f.grid, Qt::Key_Down);
    }
    QCOMPARE(f.grid.topRow(), 2);
    QTest::keyClick(&f.grid, Qt::Key_Down);
    QCOMPARE(f.grid.topRow(), 3);
    QTest::keyClick(&f.grid, Qt::Key_End);
    QCOMPARE(f.grid.col(), 30);
    QCOMPARE(f.grid.leftCol(), 19);
    QTest::keyClick(&f.grid, Qt::Key_Home);
    QCOMPARE(f.grid.col(), 3);
    QCOMPARE(f.grid.leftCol(), 3);
    QTest::keyClick(&f.grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f.grid.row(), 999);
    QCOMPARE(f.grid.topRow(), 1000 - page);
    QTest::keyClick(&f.grid, Qt::Key_Down);
    QCOMPARE(f.grid.row(), 999);
    QTest::keyClick(&f.grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(f.grid.row(), 2);
    QCOMPARE(f.grid.col(), 3);
    QCOMPARE(f.grid.topRow(), 2);
    QTest::keyClick(&f.grid, Qt::Key_Up);
    QCOMPARE(f.grid.row(), 2);
    // Shift extends the selection from the anchor.
    QTest::keyClick(&f.grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&f.grid, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(f.grid.selection(), QRect(QPoint(3, 2), QPoint(4, 3)));
    QTest::keyClick(&f.grid, Qt::Key_Down);
    QCOMPARE(f.grid.selection(), QRect(QPoint(4, 4), QPoint(4, 4)));
}

void TestDrawGrid::dragSelectsRange() {
    Fixture f(1000);
    f.show();
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, f.centre(4, 10));
    QTest::mouseMove(f.grid.viewport(), f.centre(6, 12));
    QCOMPARE(f.grid.selection(), QRect(QPoint(4, 10), QPoint(6, 12)));
    QCOMPARE(f.grid.col(), 6);
    QCOMPARE(f.grid.row(), 12);
    // Below the last row the range grows by one row and the grid scrolls.
    QTest::mouseMove(f.grid.viewport(), QPoint(f.centre(6, 12).x(), f.grid.height() + 5));
    QCOMPARE(f.grid.row(), 42);
    QCOMPARE(f.grid.topRow(), 3);
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.centre(6, 20));
    QCOMPARE(f.grid.selection(), QRect(QPoint(4, 10), QPoint(6, 42)));
    // Without range selection a drag only moves the current cell.
    f.grid.setRangeSelect(false);
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, f.centre(4, 10));
    QTest::mouseMove(f.grid.viewport(), f.centre(6, 12));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.centre(6, 12));
    QCOMPARE(f.grid.selection(), QRect(QPoint(4, 10), QPoint(4, 10)));
}

void TestDrawGrid::wheelScrolls() {
    Fixture f(1000);
    f.grid.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    f.show();
    QSignalSpy spy(&f.grid, &DrawGrid::topLeftChanged);
    const QPoint at = f.centre(5, 10);
    QWheelEvent wheel(at, f.grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.grid.viewport(), &wheel);
    QVERIFY(f.grid.topRow() > 2);
    QCOMPARE(spy.count(), 1);
}

void TestDrawGrid::disabledGridIgnoresInput() {
    Fixture f(1000);
    f.grid.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    f.show();
    f.grid.setFocus();
    f.grid.setTopRow(100);
    f.grid.setCurrentCell(5, 110);
    f.grid.setEnabled(false);
    QSignalSpy moved(&f.grid, &DrawGrid::topLeftChanged);
    QSignalSpy current(&f.grid, &DrawGrid::currentCellChanged);
    QSignalSpy doubled(&f.grid, &DrawGrid::cellDoubleClicked);
    QTest::keyClick(&f.grid, Qt::Key_PageDown);
    QTest::keyClick(&f.grid, Qt::Key_Down);
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(7, 120));
    QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, f.centre(7, 120));
    const QPoint at = f.centre(5, 110);
    QWheelEvent wheel(at, f.grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.grid.viewport(), &wheel);
    QCOMPARE(f.grid.topRow(), 100);
    QCOMPARE(f.grid.col(), 5);
    QCOMPARE(f.grid.row(), 110);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(current.count(), 0);
    QCOMPARE(doubled.count(), 0);
    // Still paints while disabled: a fetch in progress keeps showing rows.
    QVERIFY(!f.paint().empty());
    f.grid.setEnabled(true);
    QTest::keyClick(&f.grid, Qt::Key_Down);
    QCOMPARE(f.grid.row(), 111);
}

void TestDrawGrid::shrinkingRowCountClampsTopRow() {
    Fixture f(100000);
    f.grid.setTopRow(90000);
    f.grid.setCurrentCell(4, 90010);
    QSignalSpy spy(&f.grid, &DrawGrid::topLeftChanged);
    f.grid.setRowCount(3); // an empty result: headers and the totals row
    QCOMPARE(f.grid.topRow(), 2);
    QCOMPARE(f.grid.row(), 2);
    QCOMPARE(f.grid.visibleRowCount(), 1);
    QCOMPARE(spy.count(), 1);
    const auto cells = f.paint();
    QCOMPARE(int(cells.size()), 3 * 15);
}

void TestDrawGrid::gridsWithoutScrolledCells_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::newRow("headers only") << 2 << 31;
    QTest::newRow("fixed columns only") << 1000 << 3;
    QTest::newRow("no rows") << 0 << 31;
    QTest::newRow("no columns") << 1000 << 0;
}

void TestDrawGrid::gridsWithoutScrolledCells() {
    QFETCH(int, rows);
    QFETCH(int, cols);
    Fixture f(rows);
    f.grid.setColCount(cols);
    f.show();
    QSignalSpy current(&f.grid, &DrawGrid::currentCellChanged);
    for (const auto key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Home,
                           Qt::Key_Left, Qt::Key_PageUp}) {
        QTest::keyClick(&f.grid, key);
        QTest::keyClick(&f.grid, key, Qt::ControlModifier);
    }
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, QPoint(20, 40));
    QCOMPARE(current.count(), 0);
    QCOMPARE(f.grid.visibleRowCount(), std::clamp(rows - 2, 0, 40));
    const auto cells = f.paint();
    QCOMPARE(int(cells.size()), std::min(rows, 42) * std::min(cols, 15));
}

QTEST_MAIN(TestDrawGrid)
#include "test_drawgrid.moc"
