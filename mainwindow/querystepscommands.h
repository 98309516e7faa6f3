#pragma once

#include <functional>

#include <QObject>

#include "mainwindow/mainmenu.h"
#include "protocol/pagefetcher.h"

class QAction;
class QMenu;
class QueryStepsPanel;
class StatisticsView;

// Options > "Query &steps...", the grid context menu's entry of the same
// name and a click on a window's query in words: open (or bring forward) the
// steps panel of that database window.
class QueryStepsCommands : public QObject {
    Q_OBJECT
public:
    // Adds the Options entry after `after` (enabled while "&Print" is).
    // `activeView` gives the window the menu command acts on, `hosts` the
    // statistics hosts.
    QueryStepsCommands(const MainMenu& menu, QAction* after,
                       std::function<StatisticsView*()> activeView,
                       std::function<ServiceHosts()> hosts, QObject* parent);

    // Options > "Query &steps...".
    QAction* QuerySteps1 = nullptr;

    // Adds "Query &steps..." to a grid context menu of `view`.
    void AddContextEntry(QMenu* menu, StatisticsView* view);
    // Lets a click on `view`'s query in words open its panel.
    void AttachView(StatisticsView* view);
    // Waits. The panel of `view`, shown, with its counts asked for; null
    // without a view or when the panel closed meanwhile.
    QueryStepsPanel* OpenPanel(StatisticsView* view);
    // The panel of `view`, null when none is open.
    static QueryStepsPanel* PanelOf(StatisticsView* view);

private:
    std::function<StatisticsView*()> m_activeView;
    std::function<ServiceHosts()> m_hosts;
};
