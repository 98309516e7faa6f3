#include "platform/drawgrid.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

// Mouse, wheel and keyboard input of the grid: selecting, moving the current
// cell, sizing and moving columns, clicks and double-clicks on cells.

namespace {

// Pixels either side of a column's right edge that grab it for resizing.
constexpr int ResizeSlack = 3;

} // namespace

// Where a column dragged to viewport x would land: the scrolled position
// under x, the first scrolled one left of the scrolled area, the last drawn
// one right of all columns.
int DrawGrid::dropPosition(int x) const {
    if (x < m_layout.fixedWidth()) {
        return nearestVisiblePosition(leftCol(), 1);
    }
    const int pos = m_layout.positionAtX(x);
    if (pos >= fixedCols()) {
        return pos;
    }
    const std::vector<int> drawn = m_layout.drawnPositions();
    return drawn.empty() || drawn.back() < fixedCols() ? -1 : drawn.back();
}

void DrawGrid::mousePressEvent(QMouseEvent* event) {
    if (!takesInput() || event->button() != Qt::LeftButton) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    m_pressCol = -1;
    if (p.y() < m_layout.fixedHeight()) {
        const int handle = m_colSizing ? m_layout.resizeHandleAtX(p.x(), ResizeSlack) : -1;
        const int pos = m_layout.positionAtX(p.x());
        if (m_clickCol >= 0) {
            // A press that is no double-click ends the wait of the click
            // before it: that click is given from the event loop, after
            // this press.
            m_clickTimer.stop();
            QTimer::singleShot(0, this, [this, col = m_clickCol, modifiers = m_clickModifiers] {
                emit headerClicked(col, modifiers);
            });
            m_clickCol = -1;
        }
        if (handle < 0 && pos >= 0) {
            m_pressCol = columnAt(pos);
            m_pressPoint = p;
            m_pressModifiers = event->modifiers();
        }
        if (handle >= 0) {
            m_drag = Drag::Size;
            m_dragPos = handle;
            m_dragStart = p.x();
            m_dragOrigin = colWidth(columnAt(handle));
        } else if (m_colMoving && pos >= fixedCols()) {
            m_drag = Drag::Move;
            m_dragPos = pos;
            m_dragStart = p.x();
            m_dropPos = -1;
        }
        return;
    }
    const int row = m_layout.rowAtY(p.y());
    const int pos = m_layout.positionAtX(p.x());
    if (row < fixedRows() || pos < fixedCols()) {
        return;
    }
    const bool extend = m_rangeSelect && (event->modifiers() & Qt::ShiftModifier);
    moveCurrent(pos, row, extend);
    m_drag = m_rangeSelect ? Drag::Select : Drag::None;
}

void DrawGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!takesInput()) {
        return;
    }
    const QPoint p = event->position().toPoint();
    if (m_pressCol >= 0 &&
        (p - m_pressPoint).manhattanLength() > QApplication::startDragDistance()) {
        m_pressCol = -1;
    }
    switch (m_drag) {
    case Drag::None: {
        const bool onEdge = m_colSizing && p.y() < m_layout.fixedHeight() &&
                            m_layout.resizeHandleAtX(p.x(), ResizeSlack) >= 0;
        if (onEdge) {
            viewport()->setCursor(Qt::SplitHCursor);
        } else {
            viewport()->unsetCursor();
        }
        break;
    }
    case Drag::Size:
        m_layout.setColWidth(columnAt(m_dragPos), std::max(1, m_dragOrigin + p.x() - m_dragStart));
        layoutChanged();
        break;
    case Drag::Move:
        if (std::abs(p.x() - m_dragStart) > 2) {
            m_dropPos = dropPosition(p.x());
            viewport()->update();
        }
        break;
    case Drag::Select: {
        // Dragging past the top or bottom edge extends the range by one row
        // per mouse move, scrolling the grid.
        int row = m_layout.rowAtY(p.y());
        if (p.y() >= viewport()->height()) {
            row = topRow() + m_layout.pageRows();
        } else if (p.y() < m_layout.fixedHeight()) {
            row = topRow() - 1;
        }
        int pos = m_layout.positionAtX(p.x());
        if (pos < fixedCols()) {
            pos = positionOf(m_col);
        }
        if (row >= 0) {
            moveCurrent(pos, row, true);
        }
        break;
    }
    }
}

void DrawGrid::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = m_drag;
    m_drag = Drag::None;
    const int pressed = m_pressCol;
    m_pressCol = -1;
    if (!takesInput() || event->button() != Qt::LeftButton) {
        return;
    }
    bool moved = false;
    if (drag == Drag::Size) {
        const int col = columnAt(m_dragPos);
        if (colWidth(col) != m_dragOrigin) {
            emit columnResized(col, colWidth(col));
        }
    } else if (drag == Drag::Move) {
        const int drop = m_dropPos;
        m_dropPos = -1;
        if (drop >= 0) {
            moved = moveColumn(m_dragPos, drop);
        }
        viewport()->update();
    }
    if (pressed >= 0 && !moved) {
        m_clickCol = pressed;
        m_clickModifiers = m_pressModifiers;
        m_clickTimer.start(QApplication::doubleClickInterval());
    }
}

void DrawGrid::firePendingClick() {
    const int col = m_clickCol;
    m_clickCol = -1;
    if (col >= 0) {
        emit headerClicked(col, m_clickModifiers);
    }
}

void DrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The click before a double-click is part of it, never a click alone.
    m_clickTimer.stop();
    m_clickCol = -1;
    m_pressCol = -1;
    if (!takesInput() || event->button() != Qt::LeftButton) {
        return;
    }
    int col = -1;
    int row = -1;
    if (cellAt(event->position().toPoint(), &col, &row)) {
        // The press before the double-click normally made the cell current
        // already; owners act on the current cell, so make sure it is.
        if (row >= fixedRows() && positionOf(col) >= fixedCols()) {
            moveCurrent(positionOf(col), row, false);
        }
        emit cellDoubleClicked(col, row);
    }
}

void DrawGrid::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled()) {
        return;
    }
    if (m_inputBlocked) {
        event->accept(); // dropped, not passed on to the window
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const int pos = positionOf(m_col);
    const int page = std::max(1, m_layout.pageRows());
    const int first = fixedCols();
    const int last = colCount() - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        moveCurrent(pos, m_row - 1, extend);
        break;
    case Qt::Key_Down:
        moveCurrent(pos, m_row + 1, extend);
        break;
    case Qt::Key_Left:
        if (const int p = nearestVisiblePosition(pos - 1, -1); p >= 0 && p < pos) {
            moveCurrent(p, m_row, extend);
        }
        break;
    case Qt::Key_Right:
        if (const int p = nearestVisiblePosition(pos + 1, 1); p > pos) {
            moveCurrent(p, m_row, extend);
        }
        break;
    case Qt::Key_PageUp:
        applyTopLeft(topRow() - page, leftCol());
        moveCurrent(pos, m_row - page, extend);
        break;
    case Qt::Key_PageDown:
        applyTopLeft(topRow() + page, leftCol());
        moveCurrent(pos, m_row + page, extend);
        break;
    case Qt::Key_Home:
        moveCurrent(nearestVisiblePosition(first, 1), ctrl ? fixedRows() : m_row, extend);
        break;
    case Qt::Key_End:
        moveCurrent(nearestVisiblePosition(last, -1), ctrl ? rowCount() - 1 : m_row, extend);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void DrawGrid::wheelEvent(QWheelEvent* event) {
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    if (m_inputBlocked) {
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

bool DrawGrid::eventFilter(QObject* watched, QEvent* event) {
    if (m_inputBlocked && (watched == horizontalScrollBar() || watched == verticalScrollBar())) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
            return true;
        default:
            break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}
