#include "mainwindow/mdiarrange.h"

#include <algorithm>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>

QList<QRect> horizontalTileRects(const QRect& area, int count) {
    QList<QRect> rects;
    if (count <= 0) {
        return rects;
    }
    const int base = area.height() / count;
    const int spare = area.height() % count;
    int top = area.top();
    for (int i = 0; i < count; ++i) {
        const int height = base + (i < spare ? 1 : 0);
        rects.append(QRect(area.left(), top, area.width(), height));
        top += height;
    }
    return rects;
}

QList<QRect> cascadeRects(const QRect& area, const QList<QSize>& sizes, int step) {
    QList<QRect> rects;
    step = std::max(step, 1);
    const int minWidth = (2 * area.width() + 2) / 3;
    const int minHeight = (2 * area.height() + 2) / 3;
    const int steps = std::max(0, std::min((area.width() - minWidth) / step,
                                           (area.height() - minHeight) / step)) +
                      1;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const int offset = static_cast<int>(i % steps) * step;
        const int width = std::min(std::max(minWidth, sizes[i].width()), area.width() - offset);
        const int height = std::min(std::max(minHeight, sizes[i].height()), area.height() - offset);
        rects.append(QRect(area.left() + offset, area.top() + offset, width, height));
    }
    return rects;
}

QList<QPoint> iconPositions(const QRect& area, const QSize& iconSize, int count) {
    QList<QPoint> points;
    if (count <= 0 || iconSize.width() <= 0 || iconSize.height() <= 0) {
        return points;
    }
    const int perRow = std::max(1, area.width() / iconSize.width());
    for (int i = 0; i < count; ++i) {
        const int row = i / perRow;
        const int column = i % perRow;
        points.append(QPoint(area.left() + column * iconSize.width(),
                             area.top() + area.height() - (row + 1) * iconSize.height()));
    }
    return points;
}

namespace {

QList<QMdiSubWindow*> minimisedChildren(QMdiArea* area) {
    QList<QMdiSubWindow*> icons;
    for (QMdiSubWindow* child : area->subWindowList(QMdiArea::CreationOrder)) {
        if (child->isVisible() && child->isMinimized()) {
            icons.append(child);
        }
    }
    return icons;
}

// Places the minimised children and returns the height of the strip they
// take at the bottom of the area (0 when there are none).
int placeIcons(QMdiArea* area) {
    const QList<QMdiSubWindow*> icons = minimisedChildren(area);
    if (icons.isEmpty()) {
        return 0;
    }
    QSize cell(1, 1);
    for (const QMdiSubWindow* icon : icons) {
        cell = cell.expandedTo(icon->size());
    }
    const QRect viewport = area->viewport()->rect();
    const QList<QPoint> points = iconPositions(viewport, cell, static_cast<int>(icons.size()));
    int top = viewport.bottom() + 1;
    for (qsizetype i = 0; i < icons.size(); ++i) {
        icons[i]->move(points[i]);
        top = std::min(top, points[i].y());
    }
    return viewport.bottom() + 1 - top;
}

} // namespace

void tileHorizontally(QMdiArea* area) {
    if (!area) {
        return;
    }
    const int iconStrip = placeIcons(area);
    QList<QMdiSubWindow*> tiles;
    // Stacking order runs from the bottom window to the top one; the tiles
    // run from the top window down, so the current child ends up first.
    const QList<QMdiSubWindow*> stacked = area->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacked.crbegin(); it != stacked.crend(); ++it) {
        QMdiSubWindow* child = *it;
        if (child->isVisible() && !child->isMinimized()) {
            tiles.append(child);
        }
    }
    if (QMdiSubWindow* current = area->currentSubWindow(); tiles.removeOne(current)) {
        tiles.prepend(current);
    }
    QRect free = area->viewport()->rect();
    free.setBottom(std::max(free.top(), free.bottom() - iconStrip));
    const QList<QRect> rects = horizontalTileRects(free, static_cast<int>(tiles.size()));
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        if (tiles[i]->isMaximized()) {
            tiles[i]->showNormal();
        }
        tiles[i]->setGeometry(rects[i]);
    }
}

void cascade(QMdiArea* area) {
    if (!area) {
        return;
    }
    const int iconStrip = placeIcons(area);
    // From the bottom window to the top one, the current child last, so that
    // it ends on top of the cascade.
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* child : area->subWindowList(QMdiArea::StackingOrder)) {
        if (child->isVisible() && !child->isMinimized()) {
            windows.append(child);
        }
    }
    if (QMdiSubWindow* current = area->currentSubWindow(); windows.removeOne(current)) {
        windows.append(current);
    }
    if (windows.isEmpty()) {
        return;
    }
    QList<QSize> sizes;
    for (QMdiSubWindow* child : windows) {
        // A maximised window goes back to its normal size first.
        if (child->isMaximized()) {
            child->showNormal();
        }
        sizes.append(child->size());
    }
    QStyleOptionTitleBar title;
    title.initFrom(windows.front());
    const int step =
        windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, &title, windows.front());
    QRect free = area->viewport()->rect();
    free.setBottom(std::max(free.top(), free.bottom() - iconStrip));
    const QList<QRect> rects = cascadeRects(free, sizes, step);
    for (qsizetype i = 0; i < windows.size(); ++i) {
        windows[i]->setGeometry(rects[i]);
        windows[i]->raise();
    }
}

void arrangeIcons(QMdiArea* area) {
    if (area) {
        placeIcons(area);
    }
}

void closeChildrenLastFirst(QMdiArea* area) {
    if (!area) {
        return;
    }
    const QList<QMdiSubWindow*> children = area->subWindowList(QMdiArea::CreationOrder);
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        (*it)->close();
    }
}

void showAsChild(QMdiArea* area, QWidget* form) {
    if (area == nullptr) {
        form->show();
        return;
    }
    QMdiSubWindow* child = area->addSubWindow(form);
    child->resize(form->size());
    child->show();
    area->setActiveSubWindow(child);
}
