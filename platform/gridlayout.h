#pragma once

#include <algorithm>
#include <vector>

#include <QRect>
#include <QSize>

// Geometry of a virtual grid with uniform row height: which rows and columns
// sit where, what is visible, what lies under a point. Holds no cell data
// and touches no widget, so every answer is O(columns) at worst and never
// depends on the number of rows.
//
// Columns have a logical number (fixed for the life of the grid; data and
// widths belong to it) and a visual position (where it is shown). Moving a
// column changes positions only. Rows are never moved. The first FixedRows
// rows and the first FixedCols positions never scroll. A column of width 0
// is hidden: it takes no space, draws nothing and is never hit.
class GridLayout {
public:
    // Sets the number of rows (negative counts as 0) and clamps TopRow.
    void setRowCount(int count);
    int rowCount() const { return m_rowCount; }
    // Sets the number of columns (negative counts as 0); new columns get the
    // default width and take the next positions; removed ones leave the order.
    void setColCount(int count);
    int colCount() const { return static_cast<int>(m_widths.size()); }
    // Sets the number of header rows that never scroll (>= 0); while the grid
    // has fewer rows, all of them are fixed.
    void setFixedRows(int count);
    int fixedRows() const { return std::min(m_fixedRows, m_rowCount); }
    // Sets the number of leading column positions that never scroll (>= 0);
    // while the grid has fewer columns, all of them are fixed.
    void setFixedCols(int count);
    int fixedCols() const { return std::min(m_fixedCols, colCount()); }
    // Sets the height of every row in pixels, grid line excluded (>= 1).
    void setRowHeight(int height);
    int rowHeight() const { return m_rowHeight; }
    // Sets the width given to columns created from now on (>= 0).
    void setDefaultColWidth(int width);
    int defaultColWidth() const { return m_defaultColWidth; }
    // Sets the width of the grid lines drawn after each row and column (>= 0).
    void setLineWidth(int width);
    int lineWidth() const { return m_lineWidth; }
    // Sets the pixel size of the area the grid draws into; clamps TopRow/LeftCol.
    void setViewportSize(QSize size);
    QSize viewportSize() const { return m_viewport; }

    // Width of logical column col in pixels; 0 when hidden or out of range.
    int colWidth(int col) const;
    // Sets the width of logical column col (negative counts as 0); ignores
    // out-of-range columns; clamps LeftCol.
    void setColWidth(int col, int width);
    // Logical column shown at visual position pos, or -1 when out of range.
    int columnAt(int pos) const;
    // Visual position of logical column col, or -1 when out of range.
    int positionOf(int col) const;
    // Moves the column at visual position from to position to, shifting the
    // ones between; both must be scrollable positions (>= FixedCols) in range,
    // else nothing happens and false is returned.
    bool moveColumn(int from, int to);

    // First scrolled row shown below the fixed rows.
    int topRow() const { return m_topRow; }
    // First scrolled column position shown right of the fixed columns.
    int leftCol() const { return m_leftCol; }
    // Sets TopRow, clamped to [FixedRows, maxTopRow()]; returns the value taken.
    int setTopRow(int row);
    // Sets LeftCol, clamped to [FixedCols, maxLeftCol()]; returns the value taken.
    int setLeftCol(int pos);
    // Largest TopRow that still fills the viewport (>= FixedRows).
    int maxTopRow() const;
    // Largest LeftCol that still fills the viewport (>= FixedCols).
    int maxLeftCol() const;

    // Distance in pixels from one row's top to the next one's.
    int rowPitch() const { return m_rowHeight + m_lineWidth; }
    // Height taken by the fixed rows, their grid lines included.
    int fixedHeight() const;
    // Width taken by the fixed columns, their grid lines included.
    int fixedWidth() const;
    // Rows below the fixed ones that fit the viewport in full (at least 1).
    int pageRows() const;
    // Scrolled rows fully visible from TopRow on, bounded by the rows left.
    int visibleRowCount() const;
    // Scrolled columns (hidden ones not counted) fully visible from LeftCol on.
    int visibleColCount() const;
    // Last scrolled row at least partly visible; below TopRow when none is.
    int lastVisibleRow() const;

    // Top pixel of row; -1 when it is a scrolled row above TopRow.
    int rowTop(int row) const;
    // Left pixel of visual position pos; -1 when scrolled away to the left.
    int positionLeft(int pos) const;
    // Rectangle of the cell (logical col, row) without its grid lines; empty
    // when the cell is hidden, out of range or not visible at all.
    QRect cellRect(int col, int row) const;
    // Row under pixel y, or -1 outside the rows.
    int rowAtY(int y) const;
    // Visual position under pixel x, or -1 outside the columns (hidden ones
    // are never hit).
    int positionAtX(int x) const;
    // Visual position whose right edge lies within slack pixels of x in the
    // fixed-row band, or -1; used to start dragging a column's width.
    int resizeHandleAtX(int x, int slack) const;
    // Visual positions that are drawn, in order: fixed ones first, then the
    // scrolled ones from LeftCol up to the viewport's right edge.
    std::vector<int> drawnPositions() const;
    // Scrollable positions (>= FixedCols) that are not hidden, in order.
    std::vector<int> scrollablePositions() const;

private:
    int spanOf(int pos) const;
    void clamp();

    int m_rowCount = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
    int m_rowHeight = 14;
    int m_defaultColWidth = 64;
    int m_lineWidth = 1;
    int m_topRow = 0;
    int m_leftCol = 0;
    QSize m_viewport;
    std::vector<int> m_widths; // by logical column
    std::vector<int> m_order;  // visual position -> logical column
};
