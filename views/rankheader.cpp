#include "views/rankheader.h"

#include <algorithm>

#include <QPainter>

#include "platform/drawgrid.h"

int RowRank(int row, int shownRecords) {
    const int position = row - 2;
    return position >= 0 && position < shownRecords ? position + 1 : 0;
}

RankHeader::RankHeader(DrawGrid* grid, std::function<int()> shownRecords, QWidget* parent)
    : QWidget(parent), m_grid(grid), m_shownRecords(std::move(shownRecords)) {
    setFont(grid->font());
    connect(grid, &DrawGrid::topLeftChanged, this, qOverload<>(&QWidget::update));
}

int RankHeader::widthFor(int shownRecords) const {
    const int digits =
        std::max(4, static_cast<int>(QString::number(std::max(shownRecords, 0)).size()));
    return fontMetrics().horizontalAdvance(QString(digits + 2, QLatin1Char('0')));
}

void RankHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor fixed = palette().color(QPalette::Active, QPalette::Window);
    painter.fillRect(rect(), fixed);
    // The grid's rows as this widget sees them: the viewport's offset in the
    // grid and the grid's offset beside this header.
    const QWidget* viewport = m_grid->viewport();
    const int offset = m_grid->geometry().top() + viewport->geometry().top() - geometry().top();
    const int column = m_grid->columnAt(0);
    const int shown = m_shownRecords();
    const int last = m_grid->topRow() + m_grid->visibleRowCount();
    painter.setPen(QColor(0xc0, 0xc0, 0xc0));
    painter.drawLine(width() - 1, 0, width() - 1, height());
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    const int pad = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int row = 0; row <= last; ++row) {
        if (row >= m_grid->fixedRows() && row < m_grid->topRow()) {
            continue;
        }
        const QRect cell = m_grid->cellRect(column, row);
        if (cell.isEmpty()) {
            continue;
        }
        const QRect line(0, cell.top() + offset, width() - pad, cell.height());
        if (row == 1) {
            painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("#"));
            continue;
        }
        const int rank = RowRank(row, shown);
        if (rank > 0) {
            painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QString::number(rank));
        }
    }
}
