#include "platform/drawgrid.h"

#include <algorithm>

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

DrawGrid::DrawGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    // paintEvent covers every pixel it is asked for, so the widgets behind
    // the viewport need no repaint when it changes.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_fixedColor = palette().color(QPalette::Active, QPalette::Window);
    m_lineColor = QColor(0xc0, 0xc0, 0xc0);
    m_layout.setColCount(5);
    m_layout.setRowCount(5);
    m_layout.setFixedRows(1);
    m_layout.setFixedCols(1);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);
    // The scroll bars move with every page and are drawn whole by the style:
    // the widgets behind them need no repaint either.
    horizontalScrollBar()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_clickTimer.setSingleShot(true);
    connect(&m_clickTimer, &QTimer::timeout, this, &DrawGrid::firePendingClick);
    layoutChanged();
    m_reportedTop = topRow();
    m_reportedLeft = leftCol();
}

void DrawGrid::setRowCount(int count) {
    m_layout.setRowCount(count);
    layoutChanged();
}

void DrawGrid::setColCount(int count) {
    m_layout.setColCount(count);
    layoutChanged();
}

void DrawGrid::setFixedRows(int count) {
    m_layout.setFixedRows(count);
    layoutChanged();
}

void DrawGrid::setFixedCols(int count) {
    m_layout.setFixedCols(count);
    layoutChanged();
}

void DrawGrid::setDefaultRowHeight(int height) {
    m_layout.setRowHeight(height);
    layoutChanged();
}

void DrawGrid::setDefaultColWidth(int width) {
    m_layout.setDefaultColWidth(width);
}

void DrawGrid::setColWidth(int col, int width) {
    m_layout.setColWidth(col, width);
    layoutChanged();
}

void DrawGrid::setTopRow(int row) {
    ensureGeometry();
    applyTopLeft(row, leftCol());
}

void DrawGrid::setLeftCol(int pos) {
    ensureGeometry();
    applyTopLeft(topRow(), pos);
}

int DrawGrid::visibleRowCount() const {
    ensureGeometry();
    return m_layout.visibleRowCount();
}

int DrawGrid::visibleColCount() const {
    ensureGeometry();
    return m_layout.visibleColCount();
}

QRect DrawGrid::cellRect(int col, int row) const {
    ensureGeometry();
    return m_layout.cellRect(col, row);
}

// A widget resized while hidden gets its resize event only when shown, so
// the viewport would still have its old size. Deliver that event now, so
// that counts and clamping asked for before the first show use the size
// the owner gave the grid.
void DrawGrid::ensureGeometry() const {
    if (!testAttribute(Qt::WA_PendingResizeEvent)) {
        return;
    }
    auto* self = const_cast<DrawGrid*>(this);
    self->setAttribute(Qt::WA_PendingResizeEvent, false);
    QResizeEvent event(size(), QSize());
    QCoreApplication::sendEvent(self, &event);
    // The event places the viewport; its own resize event stays pending.
    self->layoutChanged();
}

void DrawGrid::setCurrentCell(int col, int row) {
    const int pos = positionOf(col);
    if (pos < fixedCols() || colWidth(col) == 0 || row < fixedRows() || row >= rowCount()) {
        return;
    }
    moveCurrent(pos, row, false);
}

QRect DrawGrid::selection() const {
    const int a = positionOf(m_anchorCol);
    const int c = positionOf(m_col);
    return QRect(QPoint(std::min(a, c), std::min(m_anchorRow, m_row)),
                 QPoint(std::max(a, c), std::max(m_anchorRow, m_row)));
}

void DrawGrid::setGridLines(bool on) {
    m_layout.setLineWidth(on ? 1 : 0);
    layoutChanged();
}

void DrawGrid::setColSizing(bool on) {
    m_colSizing = on;
}

void DrawGrid::setColMoving(bool on) {
    m_colMoving = on;
}

void DrawGrid::setRangeSelect(bool on) {
    m_rangeSelect = on;
    m_anchorCol = m_col;
    m_anchorRow = m_row;
    viewport()->update();
}

void DrawGrid::setFixedColor(const QColor& color) {
    m_fixedColor = color;
    viewport()->update();
}

void DrawGrid::setLineColor(const QColor& color) {
    m_lineColor = color;
    viewport()->update();
}

bool DrawGrid::moveColumn(int from, int to) {
    if (from == to || !m_layout.moveColumn(from, to)) {
        return false;
    }
    layoutChanged();
    emit columnMoved(from, to);
    return true;
}

bool DrawGrid::cellAt(QPoint p, int* col, int* row) const {
    const int r = m_layout.rowAtY(p.y());
    const int pos = m_layout.positionAtX(p.x());
    if (r < 0 || pos < 0) {
        return false;
    }
    *col = columnAt(pos);
    *row = r;
    return true;
}

// Called after anything that changes the geometry: keeps the current cell
// inside the grid, the scroll bars in step and repaints. Emits
// topLeftChanged() when clamping moved TopRow or LeftCol.
void DrawGrid::layoutChanged() {
    m_layout.setViewportSize(viewport()->size());
    if (m_row >= rowCount() || m_row < fixedRows()) {
        m_row = std::clamp(m_row, fixedRows(), std::max(fixedRows(), rowCount() - 1));
    }
    if (positionOf(m_col) < fixedCols()) {
        m_col = columnAt(nearestVisiblePosition(fixedCols(), 1));
    }
    if (positionOf(m_anchorCol) < fixedCols() || m_anchorRow >= rowCount()) {
        m_anchorCol = m_col;
        m_anchorRow = m_row;
    }
    syncScrollBars();
    viewport()->update();
    reportTopLeft();
}

void DrawGrid::reportTopLeft() {
    if (topRow() == m_reportedTop && leftCol() == m_reportedLeft) {
        return;
    }
    m_reportedTop = topRow();
    m_reportedLeft = leftCol();
    emit topLeftChanged();
}

void DrawGrid::syncScrollBars() {
    m_syncing = true;
    QScrollBar* vbar = verticalScrollBar();
    vbar->setRange(0, m_layout.maxTopRow() - fixedRows());
    vbar->setPageStep(m_layout.pageRows());
    vbar->setValue(topRow() - fixedRows());

    const std::vector<int> positions = m_layout.scrollablePositions();
    const int maxLeft = m_layout.maxLeftCol();
    const auto index = [&positions](int pos) {
        const auto it = std::lower_bound(positions.begin(), positions.end(), pos);
        return static_cast<int>(it - positions.begin());
    };
    QScrollBar* hbar = horizontalScrollBar();
    hbar->setRange(0,
                   std::max(0, std::min(index(maxLeft), static_cast<int>(positions.size()) - 1)));
    hbar->setPageStep(std::max(1, visibleColCount()));
    hbar->setValue(index(leftCol()));
    m_syncing = false;
}

void DrawGrid::applyTopLeft(int row, int pos) {
    m_layout.setTopRow(row);
    m_layout.setLeftCol(pos);
    if (topRow() == m_reportedTop && leftCol() == m_reportedLeft) {
        return;
    }
    // The owner hears of the move before the grid asks for a repaint: when
    // it fetches the rows now in view (its event loop running meanwhile),
    // the grid and its scroll bars are painted once, after the rows have
    // arrived, not also before with the rows the cache held.
    reportTopLeft();
    syncScrollBars();
    viewport()->update();
}

void DrawGrid::scrollContentsBy(int, int) {
    if (m_syncing) {
        return;
    }
    const std::vector<int> positions = m_layout.scrollablePositions();
    const int h = horizontalScrollBar()->value();
    const int pos =
        positions.empty()
            ? fixedCols()
            : positions[static_cast<size_t>(std::clamp(h, 0, int(positions.size()) - 1))];
    applyTopLeft(fixedRows() + verticalScrollBar()->value(), pos);
}

// The nearest scrollable, non-hidden position from pos in direction step
// (+1 or -1); falls back to the other direction, -1 when there is none.
int DrawGrid::nearestVisiblePosition(int pos, int step) const {
    for (int p = pos; p >= fixedCols() && p < colCount(); p += step) {
        if (colWidth(columnAt(p)) > 0) {
            return p;
        }
    }
    for (int p = pos - step; p >= fixedCols() && p < colCount(); p -= step) {
        if (colWidth(columnAt(p)) > 0) {
            return p;
        }
    }
    return -1;
}

void DrawGrid::moveCurrent(int pos, int row, bool extend) {
    if (rowCount() <= fixedRows() || colCount() <= fixedCols()) {
        return;
    }
    pos = nearestVisiblePosition(std::clamp(pos, fixedCols(), colCount() - 1),
                                 pos >= positionOf(m_col) ? 1 : -1);
    if (pos < 0) {
        return;
    }
    row = std::clamp(row, fixedRows(), rowCount() - 1);
    const int col = columnAt(pos);
    const bool changed = col != m_col || row != m_row;
    m_col = col;
    m_row = row;
    if (!extend || !m_rangeSelect) {
        m_anchorCol = col;
        m_anchorRow = row;
    }
    scrollIntoView(pos, row);
    viewport()->update();
    if (changed) {
        emit currentCellChanged(m_col, m_row);
    }
}

void DrawGrid::scrollIntoView(int pos, int row) {
    int top = topRow();
    if (row < top) {
        top = row;
    } else if (row >= top + m_layout.pageRows()) {
        top = row - m_layout.pageRows() + 1;
    }
    int left = leftCol();
    if (pos < left) {
        left = pos;
    } else {
        const int avail = viewport()->width() - m_layout.fixedWidth();
        const int line = m_layout.lineWidth();
        int start = pos;
        int used = colWidth(columnAt(pos)) + line;
        while (start - 1 >= fixedCols()) {
            const int width = colWidth(columnAt(start - 1));
            const int span = width > 0 ? width + line : 0;
            if (used + span > avail) {
                break;
            }
            used += span;
            --start;
        }
        left = std::max(left, start);
    }
    applyTopLeft(top, left);
}

void DrawGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect dirty = event->rect();
    // Brushes and pens made once a paint: made per cell from colours, they
    // cost an allocation each, several hundred times a page.
    const QPalette& pal = palette();
    const CellInks inks{
        QBrush(pal.color(QPalette::Active, QPalette::Base)),
        QPen(pal.color(QPalette::Active, QPalette::Text)),
        QBrush(m_fixedColor),
        QPen(pal.color(QPalette::Active, QPalette::WindowText)),
        QBrush(pal.color(QPalette::Active, QPalette::Highlight)),
        QPen(pal.color(QPalette::Active, QPalette::HighlightedText)),
    };
    painter.fillRect(dirty, inks.plainBackground);

    const std::vector<int> positions = m_layout.drawnPositions();
    const QRect selected = selection();
    const int lastRow = m_layout.lastVisibleRow();
    const int height = viewport()->height();
    const int line = m_layout.lineWidth();
    int bottom = 0;
    int right = 0;
    if (!positions.empty()) {
        const int last = positions.back();
        right = m_layout.positionLeft(last) + colWidth(columnAt(last)) + line;
    }

    const auto paintRow = [&](int row) {
        const int top = m_layout.rowTop(row);
        bottom = top + m_layout.rowPitch();
        if (top >= dirty.bottom() + 1 || bottom <= dirty.top()) {
            return;
        }
        for (const int pos : positions) {
            paintCell(painter, pos, row, selected, inks);
        }
        if (line > 0) {
            painter.fillRect(0, top + m_layout.rowHeight(), right, line, m_lineColor);
        }
    };
    for (int row = 0; row < fixedRows() && m_layout.rowTop(row) < height; ++row) {
        paintRow(row);
    }
    for (int row = topRow(); row <= lastRow; ++row) {
        paintRow(row);
    }
    if (line > 0) {
        for (const int pos : positions) {
            const int x = m_layout.positionLeft(pos) + colWidth(columnAt(pos));
            painter.fillRect(x, 0, line, bottom, m_lineColor);
        }
    }
    if (m_drag == Drag::Move && m_dropPos >= 0) {
        int x = m_layout.positionLeft(m_dropPos);
        if (m_dropPos > m_dragPos) {
            x += colWidth(columnAt(m_dropPos));
        }
        painter.fillRect(x - 1, 0, 3, bottom, palette().color(QPalette::Active, QPalette::Text));
    }
}

void DrawGrid::paintCell(QPainter& painter, int pos, int row, const QRect& selected,
                         const CellInks& inks) {
    const int col = columnAt(pos);
    const QRect rect(m_layout.positionLeft(pos), m_layout.rowTop(row), colWidth(col),
                     m_layout.rowHeight());
    CellState state;
    if (row < fixedRows() || pos < fixedCols()) {
        state |= Fixed;
    } else if (selected.contains(pos, row)) {
        state |= Selected;
    }
    if (col == m_col && row == m_row && hasFocus()) {
        state |= Focused;
    }
    const QBrush* background = &inks.plainBackground;
    const QPen* text = &inks.plainText;
    if (state & Fixed) {
        background = &inks.fixedBackground;
        text = &inks.fixedText;
    } else if (state & Selected) {
        background = &inks.selectedBackground;
        text = &inks.selectedText;
    }
    painter.fillRect(rect, *background);
    // No save, restore or clip per cell: they cost several times the text
    // itself. Cells are drawn left to right, so the next cell's background
    // covers text that runs past its own cell.
    painter.setPen(*text);
    emit drawCell(&painter, col, row, rect, state);
    if (state & Focused) {
        QPen pen(text->color(), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

void DrawGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutChanged();
}
