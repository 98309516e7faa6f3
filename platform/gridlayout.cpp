#include "platform/gridlayout.h"

#include <cstdlib>

void GridLayout::setRowCount(int count) {
    m_rowCount = std::max(count, 0);
    clamp();
}

void GridLayout::setColCount(int count) {
    count = std::max(count, 0);
    const int old = colCount();
    if (count < old) {
        std::erase_if(m_order, [count](int col) { return col >= count; });
    } else {
        for (int col = old; col < count; ++col) {
            m_order.push_back(col);
        }
    }
    m_widths.resize(static_cast<size_t>(count), m_defaultColWidth);
    clamp();
}

void GridLayout::setFixedRows(int count) {
    m_fixedRows = std::max(count, 0);
    clamp();
}

void GridLayout::setFixedCols(int count) {
    m_fixedCols = std::max(count, 0);
    clamp();
}

void GridLayout::setRowHeight(int height) {
    m_rowHeight = std::max(height, 1);
    clamp();
}

void GridLayout::setDefaultColWidth(int width) {
    m_defaultColWidth = std::max(width, 0);
}

void GridLayout::setLineWidth(int width) {
    m_lineWidth = std::max(width, 0);
    clamp();
}

void GridLayout::setViewportSize(QSize size) {
    m_viewport = size;
    clamp();
}

int GridLayout::colWidth(int col) const {
    if (col < 0 || col >= colCount()) {
        return 0;
    }
    return m_widths[static_cast<size_t>(col)];
}

void GridLayout::setColWidth(int col, int width) {
    if (col < 0 || col >= colCount()) {
        return;
    }
    m_widths[static_cast<size_t>(col)] = std::max(width, 0);
    clamp();
}

int GridLayout::columnAt(int pos) const {
    if (pos < 0 || pos >= colCount()) {
        return -1;
    }
    return m_order[static_cast<size_t>(pos)];
}

int GridLayout::positionOf(int col) const {
    for (size_t pos = 0; pos < m_order.size(); ++pos) {
        if (m_order[pos] == col) {
            return static_cast<int>(pos);
        }
    }
    return -1;
}

bool GridLayout::moveColumn(int from, int to) {
    const int first = fixedCols();
    if (from < first || to < first || from >= colCount() || to >= colCount()) {
        return false;
    }
    const int col = m_order[static_cast<size_t>(from)];
    m_order.erase(m_order.begin() + from);
    m_order.insert(m_order.begin() + to, col);
    clamp();
    return true;
}

int GridLayout::setTopRow(int row) {
    m_topRow = std::clamp(row, fixedRows(), maxTopRow());
    return m_topRow;
}

int GridLayout::setLeftCol(int pos) {
    m_leftCol = std::clamp(pos, fixedCols(), maxLeftCol());
    return m_leftCol;
}

int GridLayout::maxTopRow() const {
    return std::max(fixedRows(), m_rowCount - pageRows());
}

int GridLayout::maxLeftCol() const {
    const int avail = m_viewport.width() - fixedWidth();
    int pos = colCount();
    int used = 0;
    // Walk back from the last column while the columns from pos on still fit.
    while (pos > fixedCols()) {
        const int span = spanOf(pos - 1);
        if (used + span > avail && span > 0) {
            break;
        }
        used += span;
        --pos;
    }
    // When even the last column does not fit, it must still be reachable.
    return std::max(fixedCols(), std::min(pos, colCount() - 1));
}

int GridLayout::fixedHeight() const {
    return fixedRows() * rowPitch();
}

int GridLayout::fixedWidth() const {
    int width = 0;
    for (int pos = 0; pos < fixedCols(); ++pos) {
        width += spanOf(pos);
    }
    return width;
}

int GridLayout::pageRows() const {
    return std::max(1, (m_viewport.height() - fixedHeight()) / rowPitch());
}

int GridLayout::visibleRowCount() const {
    const int avail = m_viewport.height() - fixedHeight();
    const int full = avail > 0 ? avail / rowPitch() : 0;
    return std::clamp(m_rowCount - m_topRow, 0, full);
}

int GridLayout::visibleColCount() const {
    int count = 0;
    int x = fixedWidth();
    for (int pos = m_leftCol; pos < colCount(); ++pos) {
        const int width = colWidth(columnAt(pos));
        if (width == 0) {
            continue;
        }
        if (x + width > m_viewport.width()) {
            break;
        }
        x += width + m_lineWidth;
        ++count;
    }
    return count;
}

int GridLayout::lastVisibleRow() const {
    const int avail = m_viewport.height() - fixedHeight();
    if (avail <= 0) {
        return m_topRow - 1;
    }
    const int rows = (avail + rowPitch() - 1) / rowPitch();
    return std::min(m_rowCount - 1, m_topRow + rows - 1);
}

int GridLayout::rowTop(int row) const {
    if (row < fixedRows()) {
        return row * rowPitch();
    }
    if (row < m_topRow) {
        return -1;
    }
    return fixedHeight() + (row - m_topRow) * rowPitch();
}

int GridLayout::positionLeft(int pos) const {
    int x = 0;
    if (pos < fixedCols()) {
        for (int p = 0; p < pos; ++p) {
            x += spanOf(p);
        }
        return x;
    }
    if (pos < m_leftCol) {
        return -1;
    }
    x = fixedWidth();
    for (int p = m_leftCol; p < pos; ++p) {
        x += spanOf(p);
    }
    return x;
}

QRect GridLayout::cellRect(int col, int row) const {
    const int pos = positionOf(col);
    const int width = colWidth(col);
    if (pos < 0 || width == 0 || row < 0 || row >= m_rowCount) {
        return {};
    }
    const int left = positionLeft(pos);
    const int top = rowTop(row);
    if (left < 0 || top < 0 || left >= m_viewport.width() || top >= m_viewport.height()) {
        return {};
    }
    return QRect(left, top, width, m_rowHeight);
}

int GridLayout::rowAtY(int y) const {
    if (y < 0 || y >= m_viewport.height()) {
        return -1;
    }
    int row;
    if (y < fixedHeight()) {
        row = y / rowPitch();
    } else {
        row = m_topRow + (y - fixedHeight()) / rowPitch();
    }
    return row < m_rowCount ? row : -1;
}

int GridLayout::positionAtX(int x) const {
    if (x < 0 || x >= m_viewport.width()) {
        return -1;
    }
    for (const int pos : drawnPositions()) {
        const int left = positionLeft(pos);
        if (x >= left && x < left + spanOf(pos)) {
            return pos;
        }
    }
    return -1;
}

int GridLayout::resizeHandleAtX(int x, int slack) const {
    int best = -1;
    int bestDistance = slack + 1;
    for (const int pos : drawnPositions()) {
        const int right = positionLeft(pos) + colWidth(columnAt(pos));
        const int distance = std::abs(x - right);
        if (distance <= bestDistance) {
            best = pos;
            bestDistance = distance;
        }
    }
    return bestDistance <= slack ? best : -1;
}

std::vector<int> GridLayout::drawnPositions() const {
    std::vector<int> positions;
    int x = 0;
    for (int pos = 0; pos < fixedCols() && x < m_viewport.width(); ++pos) {
        if (spanOf(pos) > 0) {
            positions.push_back(pos);
        }
        x += spanOf(pos);
    }
    for (int pos = m_leftCol; pos < colCount() && x < m_viewport.width(); ++pos) {
        if (spanOf(pos) > 0) {
            positions.push_back(pos);
        }
        x += spanOf(pos);
    }
    return positions;
}

std::vector<int> GridLayout::scrollablePositions() const {
    std::vector<int> positions;
    for (int pos = fixedCols(); pos < colCount(); ++pos) {
        if (spanOf(pos) > 0) {
            positions.push_back(pos);
        }
    }
    return positions;
}

int GridLayout::spanOf(int pos) const {
    const int width = colWidth(columnAt(pos));
    return width > 0 ? width + m_lineWidth : 0;
}

void GridLayout::clamp() {
    m_topRow = std::clamp(m_topRow, fixedRows(), maxTopRow());
    m_leftCol = std::clamp(m_leftCol, fixedCols(), maxLeftCol());
}
