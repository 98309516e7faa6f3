#pragma once

#include <array>

class QAction;
class QMdiArea;
class QMenu;
class QMenuBar;
class QObject;

// The main window's menu: every menu and entry the program refers to. Plain
// pointers into a menu bar built by buildMainMenu; the bar owns them.
struct MainMenu {
    // Number of items under each co-brand link menu (its title takes entry 0).
    static constexpr int LinkItemCount = 49;
    // Menu-bar positions (0-based) of the two co-brand link menus.
    static constexpr int LinkMenu1Position = 5;
    static constexpr int LinkMenu2Position = 6;

    QMenu* BaseballStatistics1 = nullptr;
    QAction* Player1 = nullptr;
    QAction* Pitchers1 = nullptr;
    QAction* Fielding1 = nullptr;
    QAction* Team1 = nullptr;

    QMenu* Select1 = nullptr;
    QAction* Selectplayer1 = nullptr;
    QAction* Selectteam1 = nullptr;
    QAction* Selectyear1 = nullptr;
    QAction* SelectLeague1 = nullptr;
    QAction* SelectPosition1 = nullptr;

    QAction* TripleSort1 = nullptr;
    QAction* Limit1 = nullptr;
    QAction* Reset1 = nullptr;

    // First link menu; Korvex1Items[k] is Item(k+2)1, "Item 2".."Item 50".
    QMenu* Korvex1 = nullptr;
    std::array<QAction*, LinkItemCount> Korvex1Items{};
    // Second link menu; Item1001Items[k] is Item10(k+2)1, "Item 102".."Item 150".
    QMenu* Item1001 = nullptr;
    std::array<QAction*, LinkItemCount> Item1001Items{};

    QAction* Databasetidbits1 = nullptr;

    QMenu* Options1 = nullptr;
    QAction* Coloroptions1 = nullptr;
    QAction* Unhide1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Datasources1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Batters1 = nullptr;
    QAction* Pitchers2 = nullptr;
    QAction* Fielders1 = nullptr;
    QAction* Teams1 = nullptr;
    QAction* Changeproxysettings1 = nullptr;
    QAction* Printsetup1 = nullptr;
    QAction* PrintPreview1 = nullptr;

    QAction* About1 = nullptr;

    QMenu* Window1 = nullptr;
    QAction* Tile1 = nullptr;
    QAction* Cascade1 = nullptr;
    QAction* ArrangeAll1 = nullptr;

    QAction* ABORT1 = nullptr;
    QAction* Exit1 = nullptr;
};

// Fills the empty bar with the whole main menu in its start-up state and
// returns pointers to its parts. Every menu and action is named after its
// component (objectName). Actions placed directly on the bar are children
// of owner (of bar when owner is null); handlers are left to the caller.
MainMenu buildMainMenu(QMenuBar* bar, QObject* owner);

// Rebuilds the child-window list at the end of the Window menu: one
// checkable entry per child of area, the current child checked; choosing an
// entry activates that child. Tile, Cascade and Arrange All stay in place.
void refreshWindowMenu(const MainMenu& menu, QMdiArea* area);

// Connects the Window menu to area: the child list is refreshed whenever the
// menu is about to show, and Tile, Cascade and Arrange All act on area.
void connectWindowMenu(const MainMenu& menu, QMdiArea* area);
