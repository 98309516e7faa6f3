#pragma once

#include <QAbstractScrollArea>
#include <QBrush>
#include <QColor>
#include <QFlags>
#include <QPen>
#include <QPoint>
#include <QTimer>

#include "platform/gridlayout.h"

class QPainter;

// An owner-drawn virtual grid: it keeps no cell contents, only geometry, and
// asks its owner to draw every visible cell through drawCell(). Painting and
// scrolling cost O(visible cells) whatever RowCount is.
//
// Columns are named by their logical number everywhere (widths, drawCell,
// double-clicks, the current cell); only leftCol(), moveColumn() and
// columnMoved() speak of visual positions. Rows all have the same height.
// A column of width 0 is hidden. Disabling the grid (setEnabled(false))
// makes it ignore mouse, wheel and keyboard input; it still paints. Blocking
// its input (setInputBlocked(true)) ignores the same input, its scroll bars'
// included, but keeps the keyboard focus and the grid's look, so it costs
// no repaint.
class DrawGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum CellStateFlag {
        Fixed = 0x1,    // a header cell (fixed row or fixed column)
        Selected = 0x2, // inside the selected range
        Focused = 0x4,  // the current cell
    };
    Q_DECLARE_FLAGS(CellState, CellStateFlag)

    // Creates an empty grid: 5 x 5 cells, 1 fixed row and column, 14-px rows.
    explicit DrawGrid(QWidget* parent = nullptr);

    // Number of rows, fixed ones included; setting clamps TopRow and the current cell.
    int rowCount() const { return m_layout.rowCount(); }
    void setRowCount(int count);
    // Number of columns, fixed ones included; new columns take DefaultColWidth.
    int colCount() const { return m_layout.colCount(); }
    void setColCount(int count);
    // Header rows at the top that never scroll.
    int fixedRows() const { return m_layout.fixedRows(); }
    void setFixedRows(int count);
    // Leading column positions that never scroll and never move.
    int fixedCols() const { return m_layout.fixedCols(); }
    void setFixedCols(int count);
    // Height of every row in pixels, grid line excluded.
    int defaultRowHeight() const { return m_layout.rowHeight(); }
    void setDefaultRowHeight(int height);
    // Width given to columns created by setColCount from now on.
    int defaultColWidth() const { return m_layout.defaultColWidth(); }
    void setDefaultColWidth(int width);
    // Width in pixels of logical column col (0 = hidden; 0 when out of range).
    int colWidth(int col) const { return m_layout.colWidth(col); }
    // Sets the width of logical column col; 0 hides it. Ignores bad columns.
    void setColWidth(int col, int width);

    // First scrolled row shown under the fixed rows.
    int topRow() const { return m_layout.topRow(); }
    // Scrolls so that row is the top scrolled row (clamped); emits
    // topLeftChanged() only when the value actually changes.
    void setTopRow(int row);
    // First scrolled column position shown right of the fixed columns.
    int leftCol() const { return m_layout.leftCol(); }
    // Scrolls sideways (clamped); emits topLeftChanged() only on a change.
    void setLeftCol(int pos);
    // Rows below the fixed ones that are fully visible from TopRow, never
    // more than the rows that exist from TopRow on.
    int visibleRowCount() const;
    // Scrolled columns fully visible from LeftCol on (hidden ones not counted).
    int visibleColCount() const;

    // Current cell: logical column and row (starts at the first scrolled cell).
    int col() const { return m_col; }
    int row() const { return m_row; }
    // Makes (col, row) current and the only selected cell, scrolling it into
    // view; ignores fixed, hidden and out-of-range cells.
    void setCurrentCell(int col, int row);
    // Selected range as visual positions (left, right) and rows (top, bottom).
    QRect selection() const;

    // Whether 1-px grid lines are drawn after each row and column.
    bool gridLines() const { return m_layout.lineWidth() > 0; }
    void setGridLines(bool on);
    // Whether column widths can be dragged at their right edge in the header.
    bool colSizing() const { return m_colSizing; }
    void setColSizing(bool on);
    // Whether scrolled columns can be moved by dragging their header cell.
    bool colMoving() const { return m_colMoving; }
    void setColMoving(bool on);
    // Whether mouse, wheel and keyboard input is ignored (grid and scroll
    // bars) while the grid stays enabled, focused and drawn as it is.
    bool inputBlocked() const { return m_inputBlocked; }
    void setInputBlocked(bool on) { m_inputBlocked = on; }
    // Whether shift-click, drag and shift+arrows select a range of cells.
    bool rangeSelect() const { return m_rangeSelect; }
    void setRangeSelect(bool on);
    // Colour of the fixed cells' background and of the grid lines.
    void setFixedColor(const QColor& color);
    void setLineColor(const QColor& color);

    // Logical column shown at visual position pos, or -1.
    int columnAt(int pos) const { return m_layout.columnAt(pos); }
    // Visual position of logical column col, or -1.
    int positionOf(int col) const { return m_layout.positionOf(col); }
    // Moves the column at visual position from to position to (both scrolled
    // positions); emits columnMoved(). Returns false when refused.
    bool moveColumn(int from, int to);
    // Viewport rectangle of cell (logical col, row), empty when not visible.
    QRect cellRect(int col, int row) const;
    // Cell under viewport point p as (logical col, row); false when none.
    bool cellAt(QPoint p, int* col, int* row) const;
    // Geometry used for painting and hit testing (read-only). Sizes follow
    // the widget's size once it has been laid out (shown or rendered).
    const GridLayout& layout() const { return m_layout; }

signals:
    // Draw cell (logical col, row) inside rect with painter. The background
    // (fixed, selected or plain) is already filled and the pen holds the
    // text colour for the state; the painter is not clipped to rect (the
    // next cell's background covers what runs over), and any other painter
    // state the handler changes (font, brush) stays for the following cells.
    void drawCell(QPainter* painter, int col, int row, const QRect& rect,
                  DrawGrid::CellState state);
    // TopRow or LeftCol changed (never emitted for a repaint or a same value).
    void topLeftChanged();
    // A cell was double-clicked; (logical col, row), fixed cells included.
    void cellDoubleClicked(int col, int row);
    // A title cell (a fixed row) of logical column col was clicked once,
    // with the modifiers held at the press: pressed and released off the
    // column's edge, without moving past the drag distance or moving the
    // column. Emitted once the double-click interval has passed without a
    // double-click, so a double-click never gives this signal.
    void headerClicked(int col, Qt::KeyboardModifiers modifiers);
    // The current cell changed to (logical col, row).
    void currentCellChanged(int col, int row);
    // The user finished dragging the width of logical column col.
    void columnResized(int col, int width);
    // A column moved from visual position from to position to.
    void columnMoved(int from, int to);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Drag { None, Select, Size, Move };
    // What cells are filled and written with, by state.
    struct CellInks {
        QBrush plainBackground;
        QPen plainText;
        QBrush fixedBackground;
        QPen fixedText;
        QBrush selectedBackground;
        QPen selectedText;
    };

    bool takesInput() const { return isEnabled() && !m_inputBlocked; }
    void ensureGeometry() const;
    void layoutChanged();
    void syncScrollBars();
    void applyTopLeft(int row, int pos);
    void reportTopLeft();
    void moveCurrent(int pos, int row, bool extend);
    void scrollIntoView(int pos, int row);
    int nearestVisiblePosition(int pos, int step) const;
    int dropPosition(int x) const;
    void firePendingClick();
    void paintCell(QPainter& painter, int pos, int row, const QRect& selected,
                   const CellInks& inks);

    GridLayout m_layout;
    int m_col = 1;
    int m_row = 1;
    int m_anchorCol = 1;
    int m_anchorRow = 1;
    int m_reportedTop = -1; // top-left cell last announced by topLeftChanged()
    int m_reportedLeft = -1;
    bool m_colSizing = true;
    bool m_colMoving = false;
    bool m_rangeSelect = true;
    bool m_syncing = false;
    bool m_inputBlocked = false;
    QColor m_fixedColor;
    QColor m_lineColor;
    Drag m_drag = Drag::None;
    int m_dragPos = -1;   // position being sized or moved
    int m_dragStart = 0;  // x where the drag began
    int m_dragOrigin = 0; // width (sizing) at the start
    int m_dropPos = -1;   // where a moved column would land
    // A press on a title that may still become a click: its column (-1
    // when none), point and modifiers.
    int m_pressCol = -1;
    QPoint m_pressPoint;
    Qt::KeyboardModifiers m_pressModifiers;
    // A title click waiting out the double-click interval (-1 when none).
    int m_clickCol = -1;
    Qt::KeyboardModifiers m_clickModifiers;
    QTimer m_clickTimer;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DrawGrid::CellState)
