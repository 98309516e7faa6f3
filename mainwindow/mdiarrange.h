#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QMdiArea;
class QWidget;

// Rectangles for count windows stacked top to bottom in area, each the full
// width of area. Heights differ by at most one pixel, the upper windows
// taking the spare pixels. Empty for count <= 0.
QList<QRect> horizontalTileRects(const QRect& area, int count);

// Top-left corners for count icons of iconSize lined up along the bottom of
// area from left to right; a full row continues in a new row above it. At
// least one icon goes in each row, however narrow the area.
QList<QPoint> iconPositions(const QRect& area, const QSize& iconSize, int count);

// Rectangles for cascading windows whose normal sizes are `sizes` in `area`:
// the first at the area's top-left corner, each next one `step` pixels
// further right and down, starting again at the corner when the next step
// would leave less than two thirds of the area. Each window is at least two
// thirds of the area's width and height, or its normal size where that is
// larger, but never reaches past the area's right or bottom edge.
QList<QRect> cascadeRects(const QRect& area, const QList<QSize>& sizes, int step);

// Tiles the visible, non-minimised children of area one above the other at
// full width, the current child on top; maximised children are restored
// first. Minimised children are lined up at the bottom and the tiles end
// above them.
void tileHorizontally(QMdiArea* area);

// Cascades the visible, non-minimised children of area from its top-left
// corner (cascadeRects, one title bar apart), the current child last and on
// top; maximised children are restored first. Minimised children are lined
// up at the bottom and the cascade ends above them.
void cascade(QMdiArea* area);

// Lines the minimised children of area up along its bottom edge, in the
// order they were created. Other children are not moved.
void arrangeIcons(QMdiArea* area);

// Closes every child of area, from the last created to the first, as the
// program does before it ends. A child that refuses to close stays open.
void closeChildrenLastFirst(QMdiArea* area);

// Shows form as a child window of area at the form's own size and makes it
// the active child; without an area, as a window of its own.
void showAsChild(QMdiArea* area, QWidget* form);
