#include "views/titlemarks.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include <QFontMetricsF>
#include <QPainter>

#include "databases/databaseinfo.h"
#include "query/headersort.h"

namespace {

// Space kept between a mark and the text or the cell's edge.
constexpr qreal Margin = 1;

// The blank ends of one title row: [0, left) and [right, width).
struct BlankEnds {
    qreal left = 0;
    qreal right = 0;
};

BlankEnds BlankEndsOf(const QString& text, qreal width, qreal advance) {
    qsizetype first = 0;
    while (first < text.size() && text[first] == QLatin1Char(' '))
        ++first;
    qsizetype end = text.size();
    while (end > first && text[end - 1] == QLatin1Char(' '))
        --end;
    if (first == end)
        return {width, 0};
    return {Margin + static_cast<qreal>(first) * advance,
            Margin + static_cast<qreal>(end) * advance};
}

// Room for `size` pixels at one end: on the right from `right`, on the left
// up to `left`.
bool Fits(const BlankEnds& ends, bool rightEnd, qreal width, qreal size) {
    const qreal room = rightEnd ? width - ends.right : ends.left;
    return room >= size + 2 * Margin;
}

// The x of a piece `size` wide at one end of a cell `width` wide.
qreal AtEnd(bool rightEnd, qreal width, qreal size) {
    return rightEnd ? width - Margin - size : Margin;
}

} // namespace

namespace {

// The mark with an arrow `arrowWidth` x `arrowHeight`, or nothing when no
// blank part holds it.
std::optional<TitleMark> PlaceWithArrow(const std::array<BlankEnds, 2>& ends, qreal width,
                                        qreal height, qreal arrowWidth, qreal arrowHeight,
                                        qreal numberWidth) {
    const qreal gap = numberWidth > 0 ? Margin : 0;
    const qreal both = arrowWidth + gap + numberWidth;
    const qreal arrowTop = (height - arrowHeight) / 2;
    TitleMark mark;
    const std::array<std::pair<int, bool>, 4> order{{{0, true}, {0, false}, {1, true}, {1, false}}};
    for (const auto& [row, rightEnd] : order) {
        if (Fits(ends[static_cast<std::size_t>(row)], rightEnd, width, both)) {
            const qreal x = AtEnd(rightEnd, width, both);
            mark.arrowRow = row;
            mark.numberRow = row;
            mark.arrow = QRectF(x, arrowTop, arrowWidth, arrowHeight);
            if (numberWidth > 0)
                mark.number = QRectF(x + arrowWidth + gap, 0, numberWidth, height);
            return mark;
        }
    }
    const qreal widest = std::max(arrowWidth, numberWidth);
    for (const bool rightEnd : {true, false}) {
        if (Fits(ends[0], rightEnd, width, widest) && Fits(ends[1], rightEnd, width, widest)) {
            mark.arrowRow = 0;
            mark.numberRow = 1;
            mark.arrow =
                QRectF(AtEnd(rightEnd, width, arrowWidth), arrowTop, arrowWidth, arrowHeight);
            if (numberWidth > 0)
                mark.number = QRectF(AtEnd(rightEnd, width, numberWidth), 0, numberWidth, height);
            return mark;
        }
    }
    return std::nullopt;
}

} // namespace

TitleMark PlaceTitleMark(const QString& top, const QString& title, qreal width, qreal height,
                         qreal advance, qreal numberWidth) {
    const std::array<BlankEnds, 2> ends{BlankEndsOf(top, width, advance),
                                        BlankEndsOf(title, width, advance)};
    for (const auto& [arrowWidth, arrowHeight] :
         {std::pair{TitleMark::ArrowWidth, TitleMark::ArrowHeight},
          std::pair{TitleMark::SmallArrowWidth, TitleMark::SmallArrowHeight}}) {
        if (const std::optional<TitleMark> mark =
                PlaceWithArrow(ends, width, height, arrowWidth, arrowHeight, numberWidth)) {
            return *mark;
        }
    }
    // A column sized narrower than its title: at the right end over the text.
    const qreal both = TitleMark::ArrowWidth + (numberWidth > 0 ? Margin + numberWidth : 0);
    TitleMark mark;
    const qreal x = AtEnd(true, width, both);
    mark.arrow = QRectF(x, (height - TitleMark::ArrowHeight) / 2, TitleMark::ArrowWidth,
                        TitleMark::ArrowHeight);
    if (numberWidth > 0)
        mark.number = QRectF(x + TitleMark::ArrowWidth + Margin, 0, numberWidth, height);
    mark.covers = true;
    return mark;
}

TitleMarks::TitleMarks() : m_numberFont(NumberFont()) {}

QFont TitleMarks::NumberFont() {
    return QFont(QStringLiteral("Arial"), 7);
}

void TitleMarks::draw(QPainter* painter, const QRect& cell, int row, const ColumnSpec& column,
                      const SortChoice& keys, qreal advance) const {
    bool descending = false;
    const int key = SortKeyOf(keys, column.sortField, &descending);
    if (key == 0)
        return;
    const QString number = SortKeyCount(keys) > 1 ? QString::number(key) : QString();
    const qreal numberWidth =
        number.isEmpty() ? 0 : QFontMetricsF(m_numberFont).horizontalAdvance(number);
    const TitleMark mark =
        PlaceTitleMark(QString::fromLatin1(column.headerTop), QString::fromLatin1(column.title),
                       cell.width(), cell.height(), advance, numberWidth);
    painter->save();
    painter->translate(cell.topLeft());
    const QColor ink = painter->pen().color();
    if (!number.isEmpty() && mark.numberRow == row) {
        painter->setFont(m_numberFont);
        painter->drawText(mark.number, Qt::AlignCenter, number);
    }
    if (mark.arrowRow == row) {
        const QRectF& a = mark.arrow;
        const qreal middle = a.left() + a.width() / 2;
        const QPointF down[3] = {a.topLeft(), a.topRight(), QPointF(middle, a.bottom())};
        const QPointF up[3] = {a.bottomLeft(), a.bottomRight(), QPointF(middle, a.top())};
        painter->setBrush(ink);
        painter->setPen(Qt::NoPen);
        painter->drawPolygon(descending ? down : up, 3);
    }
    painter->restore();
}
