#pragma once

#include <functional>

#include <QObject>

#include "mainwindow/mainmenu.h"
#include "protocol/pagefetcher.h"

class ChartWindow;
class QAction;
class QMenu;
class StatisticsView;

// Options > "C&hart..." and the grid context menu's chart entry: opens (or
// brings forward) the chart window of a database window, on the grid's
// current column when it holds numbers, else on the first that does.
class ChartCommands : public QObject {
    Q_OBJECT
public:
    // Adds the Options entry after `after` (enabled while "&Print" is).
    // `activeView` gives the window the menu command acts on, `hosts` the
    // statistics hosts.
    ChartCommands(const MainMenu& menu, QAction* after, std::function<StatisticsView*()> activeView,
                  std::function<ServiceHosts()> hosts, QObject* parent);

    // Options > "C&hart...".
    QAction* Chart1 = nullptr;

    // Adds "Chart <name>..." to a grid context menu for `column` (enabled on
    // a numeric column).
    void AddContextEntry(QMenu* menu, StatisticsView* view, int column);
    // Waits. The chart of `view` on `column` (a numeric column; otherwise the
    // window's choice), shown and drawn; null without a view.
    ChartWindow* OpenChart(StatisticsView* view, int column = -1);
    // The chart window of `view`, null when none is open.
    static ChartWindow* ChartOf(StatisticsView* view);

private:
    std::function<StatisticsView*()> m_activeView;
    std::function<ServiceHosts()> m_hosts;
};
