#include "mainwindow/viewmenustate.h"

#include <QAction>

#include "mainwindow/mainmenu.h"

namespace {

// The commands every view enables and every closing view disables.
void setCommonQueryCommands(const MainMenu& menu, bool enabled) {
    for (QAction* action :
         {menu.Unhide1, menu.Limit1, menu.Selectteam1, menu.Selectyear1, menu.SelectLeague1,
          menu.Reset1, menu.Coloroptions1, menu.TripleSort1, menu.Print1}) {
        action->setEnabled(enabled);
    }
}

} // namespace

QAction* OpenCommandOf(const MainMenu& menu, DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return menu.Player1;
    case DatabaseKind::Pitchers:
        return menu.Pitchers1;
    case DatabaseKind::Fielders:
        return menu.Fielding1;
    case DatabaseKind::Teams:
        return menu.Team1;
    }
    return menu.Player1;
}

void ApplyViewMenuState(const MainMenu& menu, DatabaseKind kind) {
    setCommonQueryCommands(menu, true);
    menu.Selectplayer1->setEnabled(kind != DatabaseKind::Teams);
    menu.SelectPosition1->setEnabled(kind == DatabaseKind::Fielders);
    OpenCommandOf(menu, kind)->setEnabled(false);
}

void ApplyViewClosedMenuState(const MainMenu& menu, DatabaseKind kind) {
    setCommonQueryCommands(menu, false);
    menu.Selectplayer1->setEnabled(false);
    // Select Position goes too: with no view behind it the command would
    // reach nothing.
    menu.SelectPosition1->setEnabled(false);
    OpenCommandOf(menu, kind)->setEnabled(true);
}
