#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

#include "query/sortcodes.h"

class QPainter;
struct ColumnSpec;

// Where a sort key's mark goes in a column's two title cells: an arrow
// (pointing down for a descending key, up for an ascending one) and, when
// several keys are chosen, the key's number. Both sit in the blank part of a
// title cell so that the title itself stays whole.
struct TitleMark {
    static constexpr qreal ArrowWidth = 7;
    static constexpr qreal ArrowHeight = 4;
    // The arrow where the larger one finds no room.
    static constexpr qreal SmallArrowWidth = 5;
    static constexpr qreal SmallArrowHeight = 3;

    int arrowRow = 0; // title row (0 or 1) of the arrow
    QRectF arrow;     // inside its cell, from the cell's top-left corner
    int numberRow = 0;
    QRectF number;       // empty when no number is shown
    bool covers = false; // no blank part was wide enough: drawn over the title
};

// The place of the mark in title cells `width` x `height` pixels showing
// `top` (row 0) and `title` (row 1), texts drawn from x = 1 at `advance`
// pixels a character. `numberWidth` is the width of the key's number, 0
// when none shows. In order of preference: arrow and number side by side at
// the right end of row 0, at its left end, then in row 1 (right, left);
// else the arrow in row 0 above the number in row 1 at the right or the left
// end; the same again with a smaller arrow; else at the right end of row 0
// over the text (a column sized that narrow).
TitleMark PlaceTitleMark(const QString& top, const QString& title, qreal width, qreal height,
                         qreal advance, qreal numberWidth);

// Draws the sort key marks in the title cells of a statistics grid.
class TitleMarks {
public:
    TitleMarks();

    // The font the keys' numbers are drawn in.
    static QFont NumberFont();

    // Draws, in title row `row` (0 or 1) of `column` inside `cell`,
    // the part of its mark that row holds when the column's field is a key
    // of `keys` (the number only when several keys are chosen), in the
    // painter's pen colour; `advance` is the width of a title character.
    // Leaves the painter's state as it was.
    void draw(QPainter* painter, const QRect& cell, int row, const ColumnSpec& column,
              const SortChoice& keys, qreal advance) const;

private:
    QFont m_numberFont;
};
