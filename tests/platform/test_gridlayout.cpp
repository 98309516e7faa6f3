#include <QtTest>

#include "platform/gridlayout.h"

namespace {

// 31 columns of 50 px, 2 fixed rows, 3 fixed columns, 14-px rows with 1-px
// lines: each row takes 15 px and each column 51 px.
GridLayout statsLayout(int rows, QSize viewport) {
    GridLayout layout;
    layout.setColCount(31);
    for (int col = 0; col < 31; ++col) {
        layout.setColWidth(col, 50);
    }
    layout.setRowCount(rows);
    layout.setFixedRows(2);
    layout.setFixedCols(3);
    layout.setRowHeight(14);
    layout.setViewportSize(viewport);
    return layout;
}

} // namespace

class TestGridLayout : public QObject {
    Q_OBJECT
private slots:
    void visibleRowCount_data();
    void visibleRowCount();
    void topRowClamped_data();
    void topRowClamped();
    void hiddenColumnTakesNoSpace();
    void hitTesting();
    void moveColumnKeepsWidthsWithTheirColumn();
    void moveColumnRefusesFixedPositions();
    void maxLeftColShowsTheLastColumn();
    void fixedCountsFollowSmallGrids();
    void shrinkingColumnsDropsThemFromTheOrder();
};

void TestGridLayout::visibleRowCount_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("expected");
    // Fixed rows take 30 px; each further row 15 px.
    QTest::newRow("exact 40 rows") << 30 + 40 * 15 << 100000 << 2 << 40;
    QTest::newRow("one pixel short of 40") << 30 + 40 * 15 - 1 << 100000 << 2 << 39;
    QTest::newRow("half a row more") << 30 + 40 * 15 + 7 << 100000 << 2 << 40;
    QTest::newRow("only the header") << 30 << 100000 << 2 << 0;
    QTest::newRow("less than the header") << 20 << 100000 << 2 << 0;
    QTest::newRow("fewer rows than fit") << 30 + 40 * 15 << 12 << 2 << 10;
    QTest::newRow("empty result: totals only") << 30 + 40 * 15 << 3 << 2 << 1;
    QTest::newRow("scrolled to the end") << 30 + 40 * 15 << 1000 << 2000 << 40;
}

void TestGridLayout::visibleRowCount() {
    QFETCH(int, height);
    QFETCH(int, rows);
    QFETCH(int, top);
    QFETCH(int, expected);
    GridLayout layout = statsLayout(rows, QSize(800, height));
    layout.setTopRow(top);
    QCOMPARE(layout.visibleRowCount(), expected);
    QVERIFY(layout.topRow() + layout.visibleRowCount() <= rows);
}

void TestGridLayout::topRowClamped_data() {
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("expected");
    QTest::newRow("into the header") << 0 << 2;
    QTest::newRow("negative") << -5 << 2;
    QTest::newRow("inside") << 500 << 500;
    QTest::newRow("last full page") << 1000 - 40 << 960;
    QTest::newRow("past the end") << 5000 << 960;
}

void TestGridLayout::topRowClamped() {
    QFETCH(int, asked);
    QFETCH(int, expected);
    GridLayout layout = statsLayout(1000, QSize(800, 30 + 40 * 15));
    QCOMPARE(layout.setTopRow(asked), expected);
    QCOMPARE(layout.topRow(), expected);
}

void TestGridLayout::hiddenColumnTakesNoSpace() {
    GridLayout layout = statsLayout(100, QSize(2000, 300));
    const QRect before = layout.cellRect(6, 5);
    layout.setColWidth(5, 0);
    QVERIFY(layout.cellRect(5, 5).isEmpty());
    QCOMPARE(layout.cellRect(6, 5).left(), before.left() - 51);
    QCOMPARE(layout.cellRect(4, 5).left(), before.left() - 2 * 51);
    const auto drawn = layout.drawnPositions();
    QVERIFY(std::find(drawn.begin(), drawn.end(), 5) == drawn.end());
    const auto scrollable = layout.scrollablePositions();
    QVERIFY(std::find(scrollable.begin(), scrollable.end(), 5) == scrollable.end());
}

void TestGridLayout::hitTesting() {
    GridLayout layout = statsLayout(1000, QSize(800, 630));
    layout.setTopRow(100);
    layout.setLeftCol(5);
    // Header band and fixed columns stay put; the rest is scrolled.
    QCOMPARE(layout.rowAtY(0), 0);
    QCOMPARE(layout.rowAtY(16), 1);
    QCOMPARE(layout.rowAtY(30), 100);
    QCOMPARE(layout.rowAtY(30 + 15 * 3 + 14), 103);
    QCOMPARE(layout.rowAtY(630), -1);
    QCOMPARE(layout.positionAtX(0), 0);
    QCOMPARE(layout.positionAtX(3 * 51 - 1), 2);
    QCOMPARE(layout.positionAtX(3 * 51), 5);
    QCOMPARE(layout.positionAtX(4 * 51 + 10), 6);
    QCOMPARE(layout.positionAtX(-1), -1);
    QCOMPARE(layout.cellRect(6, 103), QRect(4 * 51, 30 + 3 * 15, 50, 14));
    QVERIFY(layout.cellRect(4, 103).isEmpty()); // scrolled away to the left
    QVERIFY(layout.cellRect(6, 99).isEmpty());  // scrolled away above
    QCOMPARE(layout.resizeHandleAtX(50 + 2, 3), 0);
    QCOMPARE(layout.resizeHandleAtX(25, 3), -1);
}

void TestGridLayout::moveColumnKeepsWidthsWithTheirColumn() {
    GridLayout layout = statsLayout(100, QSize(3000, 300));
    layout.setColWidth(5, 80);
    QVERIFY(layout.moveColumn(5, 8));
    QCOMPARE(layout.columnAt(8), 5);
    QCOMPARE(layout.columnAt(5), 6);
    QCOMPARE(layout.positionOf(5), 8);
    QCOMPARE(layout.colWidth(5), 80);
    QCOMPARE(layout.cellRect(5, 10).width(), 80);
    QCOMPARE(layout.cellRect(5, 10).left(), 8 * 51);
    QVERIFY(layout.moveColumn(8, 3));
    QCOMPARE(layout.columnAt(3), 5);
    QCOMPARE(layout.columnAt(4), 3);
}

void TestGridLayout::moveColumnRefusesFixedPositions() {
    GridLayout layout = statsLayout(100, QSize(3000, 300));
    QVERIFY(!layout.moveColumn(1, 5));
    QVERIFY(!layout.moveColumn(5, 2));
    QVERIFY(!layout.moveColumn(5, 31));
    for (int pos = 0; pos < 31; ++pos) {
        QCOMPARE(layout.columnAt(pos), pos);
    }
}

void TestGridLayout::maxLeftColShowsTheLastColumn() {
    // 153 px fixed, 306 px left: six 51-px columns fit.
    GridLayout layout = statsLayout(100, QSize(153 + 306, 300));
    QCOMPARE(layout.maxLeftCol(), 25);
    QCOMPARE(layout.setLeftCol(100), 25);
    layout.setColWidth(30, 0);
    QCOMPARE(layout.maxLeftCol(), 24);
    // A column wider than the space left is still reachable.
    GridLayout narrow = statsLayout(100, QSize(160, 300));
    QCOMPARE(narrow.maxLeftCol(), 30);
}

void TestGridLayout::fixedCountsFollowSmallGrids() {
    GridLayout layout = statsLayout(1, QSize(800, 600));
    QCOMPARE(layout.fixedRows(), 1);
    QCOMPARE(layout.visibleRowCount(), 0);
    layout.setRowCount(3);
    QCOMPARE(layout.fixedRows(), 2);
    QCOMPARE(layout.topRow(), 2);
    QCOMPARE(layout.visibleRowCount(), 1);
}

void TestGridLayout::shrinkingColumnsDropsThemFromTheOrder() {
    GridLayout layout = statsLayout(10, QSize(800, 600));
    QVERIFY(layout.moveColumn(30, 3));
    layout.setColCount(16);
    QCOMPARE(layout.colCount(), 16);
    for (int pos = 0; pos < 16; ++pos) {
        QVERIFY(layout.columnAt(pos) >= 0 && layout.columnAt(pos) < 16);
    }
    QCOMPARE(layout.columnAt(3), 3);
    layout.setColCount(18);
    QCOMPARE(layout.columnAt(17), 17);
    QCOMPARE(layout.colWidth(17), layout.defaultColWidth());
}

QTEST_APPLESS_MAIN(TestGridLayout)
#include "test_gridlayout.moc"
