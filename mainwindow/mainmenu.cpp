#include "mainwindow/mainmenu.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "mainwindow/mdiarrange.h"

namespace {

QAction* addEntry(QMenu* menu, const char* name, const QString& caption, bool enabled = true,
                  bool visible = true) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    action->setVisible(visible);
    return action;
}

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
    return menu;
}

// A command that sits on the menu bar itself rather than in a drop-down.
QAction* addCommand(QMenuBar* bar, QObject* owner, const char* name, const QString& caption,
                    bool enabled = true, bool visible = true) {
    auto* action = new QAction(caption, owner ? owner : bar);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    action->setVisible(visible);
    bar->addAction(action);
    return action;
}

// A link menu with its 49 item slots, all hidden until a co-brand
// configuration gives them captions.
QMenu* addLinkMenu(QMenuBar* bar, const char* name, int titleNumber, int firstItemNumber,
                   std::array<QAction*, MainMenu::LinkItemCount>& items) {
    QMenu* menu = addMenu(bar, name, QStringLiteral("Item %1").arg(titleNumber));
    for (int k = 0; k < MainMenu::LinkItemCount; ++k) {
        const int number = firstItemNumber + k;
        QAction* item = menu->addAction(QStringLiteral("Item %1").arg(number));
        // Item21..Item501 under "Item 1", Item1021..Item1501 under "Item 100".
        item->setObjectName(QStringLiteral("Item%1").arg(number * 10 + 1));
        item->setVisible(false);
        items[static_cast<std::size_t>(k)] = item;
    }
    menu->menuAction()->setVisible(false);
    return menu;
}

} // namespace

MainMenu buildMainMenu(QMenuBar* bar, QObject* owner) {
    MainMenu m;

    m.BaseballStatistics1 =
        addMenu(bar, "BaseballStatistics1", QStringLiteral("&Baseball Statistics"));
    m.Player1 = addEntry(m.BaseballStatistics1, "Player1", QStringLiteral("&Batters"));
    m.Pitchers1 = addEntry(m.BaseballStatistics1, "Pitchers1", QStringLiteral("&Pitchers"));
    m.Fielding1 = addEntry(m.BaseballStatistics1, "Fielding1", QStringLiteral("&Fielders"));
    m.Team1 = addEntry(m.BaseballStatistics1, "Team1", QStringLiteral("&Teams"));

    // The query entries stay disabled until a database window becomes active.
    m.Select1 = addMenu(bar, "Select1", QStringLiteral("&Select"));
    m.Selectplayer1 = addEntry(m.Select1, "Selectplayer1", QStringLiteral("Player"), false);
    m.Selectteam1 = addEntry(m.Select1, "Selectteam1", QStringLiteral("Team"), false);
    m.Selectyear1 = addEntry(m.Select1, "Selectyear1", QStringLiteral("Year"), false);
    m.SelectLeague1 = addEntry(m.Select1, "SelectLeague1", QStringLiteral("League"), false);
    m.SelectPosition1 = addEntry(m.Select1, "SelectPosition1", QStringLiteral("&Position"), false);

    m.TripleSort1 = addCommand(bar, owner, "TripleSort1", QStringLiteral("&Sort"), false);
    m.Limit1 = addCommand(bar, owner, "Limit1", QStringLiteral("&Limit"), false);
    m.Reset1 = addCommand(bar, owner, "Reset1", QStringLiteral("&Reset"), false);

    m.Korvex1 = addLinkMenu(bar, "Korvex1", 1, 2, m.Korvex1Items);
    m.Item1001 = addLinkMenu(bar, "Item1001", 100, 102, m.Item1001Items);

    m.Databasetidbits1 =
        addCommand(bar, owner, "Databasetidbits1", QStringLiteral("&Instructions"));

    m.Options1 = addMenu(bar, "Options1", QStringLiteral("&Options"));
    m.Coloroptions1 =
        addEntry(m.Options1, "Coloroptions1", QStringLiteral("&Color options"), false);
    m.Unhide1 = addEntry(m.Options1, "Unhide1", QStringLiteral("&Unhide Columns"), false);
    m.Print1 = addEntry(m.Options1, "Print1", QStringLiteral("&Print"), false);
    m.Datasources1 = addEntry(m.Options1, "Datasources1", QStringLiteral("D&ata sources"));
    m.Help1 = m.Options1->addMenu(QStringLiteral("Statistics Definitions"));
    m.Help1->setObjectName(QStringLiteral("Help1"));
    m.Help1->menuAction()->setObjectName(QStringLiteral("Help1Action"));
    m.Batters1 = addEntry(m.Help1, "Batters1", QStringLiteral("&Batters statistics definitions"));
    m.Pitchers2 =
        addEntry(m.Help1, "Pitchers2", QStringLiteral("&Pitchers statistics definitions"));
    m.Fielders1 =
        addEntry(m.Help1, "Fielders1", QStringLiteral("&Fielders statistics definitions"));
    m.Teams1 = addEntry(m.Help1, "Teams1", QStringLiteral("&Teams statistics definitions"));
    m.Changeproxysettings1 =
        addEntry(m.Options1, "Changeproxysettings1", QStringLiteral("&Change proxy settings"));
    m.Printsetup1 =
        addEntry(m.Options1, "Printsetup1", QStringLiteral("P&rint setup"), true, false);
    m.PrintPreview1 =
        addEntry(m.Options1, "PrintPreview1", QStringLiteral("Print Pre&view"), true, false);

    m.About1 = addCommand(bar, owner, "About1", QStringLiteral("&About"));

    m.Window1 = addMenu(bar, "Window1", QStringLiteral("&Window"));
    m.Tile1 = addEntry(m.Window1, "Tile1", QStringLiteral("&Tile"));
    m.Cascade1 = addEntry(m.Window1, "Cascade1", QStringLiteral("&Cascade"));
    m.ArrangeAll1 = addEntry(m.Window1, "ArrangeAll1", QStringLiteral("&Arrange All"));

    // Aborting a page request is wired but never offered in the menu.
    m.ABORT1 = addCommand(bar, owner, "ABORT1", QStringLiteral("&Abort"), true, false);
    m.Exit1 = addCommand(bar, owner, "Exit1", QStringLiteral("E&xit"));
    return m;
}

void refreshWindowMenu(const MainMenu& menu, QMdiArea* area) {
    QMenu* window = menu.Window1;
    // Everything after "Arrange All" is the list built last time.
    const QList<QAction*> actions = window->actions();
    const qsizetype fixed = actions.indexOf(menu.ArrangeAll1) + 1;
    for (qsizetype i = fixed; i < actions.size(); ++i) {
        window->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    if (!area) {
        return;
    }
    const QList<QMdiSubWindow*> children = area->subWindowList(QMdiArea::CreationOrder);
    if (children.isEmpty()) {
        return;
    }
    window->addSeparator();
    QMdiSubWindow* current = area->currentSubWindow();
    int number = 0;
    for (QMdiSubWindow* child : children) {
        ++number;
        QString title = child->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString caption = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                            : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* entry = window->addAction(caption);
        entry->setCheckable(true);
        entry->setChecked(child == current);
        QPointer<QMdiSubWindow> target(child);
        QPointer<QMdiArea> owner(area);
        QObject::connect(entry, &QAction::triggered, entry, [target, owner] {
            if (target && owner) {
                if (target->isMinimized()) {
                    target->showNormal();
                }
                owner->setActiveSubWindow(target);
            }
        });
    }
}

void connectWindowMenu(const MainMenu& menu, QMdiArea* area) {
    QObject::connect(menu.Window1, &QMenu::aboutToShow, area,
                     [menu, area] { refreshWindowMenu(menu, area); });
    QObject::connect(menu.Tile1, &QAction::triggered, area, [area] { tileHorizontally(area); });
    QObject::connect(menu.Cascade1, &QAction::triggered, area, [area] { cascade(area); });
    QObject::connect(menu.ArrangeAll1, &QAction::triggered, area, [area] { arrangeIcons(area); });
}
