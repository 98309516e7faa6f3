#pragma once

#include <functional>

#include <QObject>

class QMenu;
class StatisticsView;

// The "&Lines" submenu of Options and of the grid's context menu: the lines
// modes "Per &team", "Per &season" and "Per &career" as radio entries and
// "&Qualified only" as a check entry, showing and switching the mode of one
// window (each window keeps its own). Teams windows have every entry
// disabled; career lines disable the qualifier, as do Fielders.
class LinesMenu : public QObject {
    Q_OBJECT
public:
    // Adds the submenu to `options` above "D&ata sources"; its entries act on
    // the window `activeView` gives when the menu opens.
    LinesMenu(QMenu* options, std::function<StatisticsView*()> activeView, QObject* parent);

    // Fills `lines` (emptied first) with the four entries for `view`, named
    // LinesPerTeam, LinesPerSeason, LinesPerCareer and QualifiedOnly; all
    // disabled when `view` is null or busy.
    static void Fill(QMenu* lines, StatisticsView* view);

    QMenu* Lines1 = nullptr;
};
