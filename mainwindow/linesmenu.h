#pragma once

#include <functional>

#include <QObject>

class QAction;
class QMenu;
class StatisticsView;

// The "&Lines" submenu of Options and of the grid's context menu: the lines
// modes "Per &team", "Per &season" and "Per &career" as radio entries and
// "&Qualified only" as a check entry, showing and switching the mode of one
// window (each window keeps its own). Teams windows have every entry
// disabled; career lines disable the qualifier, as do Fielders. Right after
// it, the check entry "&More columns" switches that option of the window
// (every database has it).
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
    // Shows `more` (the "&More columns" entry, MoreColumns) checked as `view`
    // has the option, switching it for `view` when chosen; disabled when
    // `view` is null or busy. Earlier connections of the entry go.
    static void Show(QAction* more, StatisticsView* view);
    // A new "&More columns" entry of `view` (Show) at the end of `menu`.
    static QAction* AddMoreColumns(QMenu* menu, StatisticsView* view);

    QMenu* Lines1 = nullptr;
    QAction* MoreColumns1 = nullptr;
};
