#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

#include "databases/databaseinfo.h"
#include "protocol/pagefetcher.h"
#include "protocol/playerlookup.h"

class PlayerFinder;
class PlayerPage;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QWidget;
class StatisticsView;
struct MainMenu;

// Finding players and their pages: the "Find player..." entry at the end of the
// "&Baseball Statistics" menu (Ctrl+F) with its search box, the player pages, the grids'
// "Player page: Last, First" entry, "Select in the active window" and "Team season".
class PlayerCommands : public QObject {
    Q_OBJECT
public:
    // Hooks into the main window: its hosts, its open database window of a kind, and opening
    // one (with a step that prepares its query before its first page).
    struct Hooks {
        std::function<ServiceHosts()> hosts;
        std::function<StatisticsView*(DatabaseKind)> view;
        std::function<StatisticsView*(DatabaseKind, const std::function<void(StatisticsView&)>&)>
            open;
    };

    // Adds the entry after a separator at the end of the menu; pages open in area.
    PlayerCommands(const MainMenu& menu, QMdiArea* area, Hooks hooks, QWidget* parent);

    QAction* FindPlayer1 = nullptr;
    // The search box, made on first use.
    PlayerFinder* Finder();

    // Shows the search box, or, while the "&Baseball Statistics" menu is disabled (a window
    // opening), once the menu is enabled again.
    void FindPlayer1Click();
    // Fetches and shows the page of a player code; null when the facts could not be had.
    PlayerPage* OpenPage(const QString& playerId);
    // Ticks the player in the database window last active, as Select Player would.
    void SelectInActiveWindow(const PlayerMatch& player);
    // Adds "Player page: Last, First" for the grid's current row to a grid's context menu.
    void AddContextEntry(QMenu* menu, StatisticsView* view);
    // Opens the Teams window selected on the club and season (an open one has its query
    // replaced, one undoable step).
    void OpenTeamSeason(const QString& teamName, const QString& year);
    // Page requests the last page needed, facts included.
    int LastPageRequests() const { return m_lastRequests; }

private:
    void noteActive(QMdiSubWindow* window);
    StatisticsView* lastActiveView() const;
    // Finds the code of the player a grid row names (its name and season).
    void openPageOfRow(DatabaseKind kind, const QString& name, const QString& year);

    const MainMenu& m_menu;
    QMdiArea* m_area;
    Hooks m_hooks;
    QWidget* m_parent;
    PlayerFinder* m_finder = nullptr;
    QPointer<QMdiSubWindow> m_lastActive;
    bool m_pending = false;
    int m_lastRequests = 0;
};
