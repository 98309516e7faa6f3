#include <QtTest>

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include "mainwindow/mainmenu.h"
#include "mainwindow/viewcommands.h"

class TestMainMenu : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void menuBarOrder();
    void entries_data();
    void entries();
    void commandsSitOnTheBar();
    void optionsOrder();
    void optionsWithViewCommands();
    void linkMenus_data();
    void linkMenus();

    void windowListShowsChildren();
    void windowListRebuildsWithoutDuplicates();
    void windowListEntryActivatesChild();
    void windowListEscapesAmpersand();
    void windowMenuRefreshesOnShow();

private:
    QAction* action(const QString& name) const;
    QMdiSubWindow* addChild(const QString& title);
    QList<QAction*> windowList() const;

    QMainWindow* m_window = nullptr;
    QMdiArea* m_area = nullptr;
    MainMenu m_menu;
};

void TestMainMenu::init() {
    m_window = new QMainWindow;
    m_area = new QMdiArea(m_window);
    m_window->setCentralWidget(m_area);
    m_menu = buildMainMenu(m_window->menuBar(), m_window);
    m_window->resize(900, 700);
    m_window->show();
}

void TestMainMenu::cleanup() {
    delete m_window;
    m_window = nullptr;
    m_area = nullptr;
}

QAction* TestMainMenu::action(const QString& name) const {
    return m_window->findChild<QAction*>(name);
}

QMdiSubWindow* TestMainMenu::addChild(const QString& title) {
    auto* widget = new QWidget;
    widget->setWindowTitle(title);
    QMdiSubWindow* child = m_area->addSubWindow(widget);
    child->show();
    return child;
}

QList<QAction*> TestMainMenu::windowList() const {
    const QList<QAction*> all = m_menu.Window1->actions();
    QList<QAction*> list;
    for (qsizetype i = all.indexOf(m_menu.ArrangeAll1) + 1; i < all.size(); ++i) {
        if (!all[i]->isSeparator()) {
            list.append(all[i]);
        }
    }
    return list;
}

void TestMainMenu::menuBarOrder() {
    const QList<QAction*> bar = m_window->menuBar()->actions();
    const QStringList captions = {
        "&Baseball Statistics", "&Select",  "&Sort",  "&Limit",  "&Reset", "Item 1", "Item 100",
        "&Instructions",        "&Options", "&About", "&Window", "&Abort", "E&xit"};
    QCOMPARE(bar.size(), captions.size());
    for (qsizetype i = 0; i < bar.size(); ++i) {
        QCOMPARE(bar[i]->text(), captions[i]);
    }
    // Co-brand configuration addresses the link menus by their bar position.
    QCOMPARE(bar[MainMenu::LinkMenu1Position], m_menu.Korvex1->menuAction());
    QCOMPARE(bar[MainMenu::LinkMenu2Position], m_menu.Item1001->menuAction());
    QCOMPARE(MainMenu::LinkMenu1Position, 5);
    QCOMPARE(MainMenu::LinkMenu2Position, 6);
    QVERIFY(!bar[5]->isVisible());
    QVERIFY(!bar[6]->isVisible());
    QVERIFY(!bar[11]->isVisible()); // Abort is never offered
}

void TestMainMenu::entries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    auto row = [](const char* name, const char* caption, bool enabled, bool visible) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption) << enabled
                            << visible;
    };
    row("Player1", "&Batters", true, true);
    row("Pitchers1", "&Pitchers", true, true);
    row("Fielding1", "&Fielders", true, true);
    row("Team1", "&Teams", true, true);
    row("Selectplayer1", "Player", false, true);
    row("Selectteam1", "Team", false, true);
    row("Selectyear1", "Year", false, true);
    row("SelectLeague1", "League", false, true);
    row("SelectPosition1", "&Position", false, true);
    row("TripleSort1", "&Sort", false, true);
    row("Limit1", "&Limit", false, true);
    row("Reset1", "&Reset", false, true);
    row("Databasetidbits1", "&Instructions", true, true);
    row("Coloroptions1", "&Color options", false, true);
    row("Unhide1", "&Unhide Columns", false, true);
    row("Print1", "&Print", false, true);
    row("Datasources1", "D&ata sources", true, true);
    row("Batters1", "&Batters statistics definitions", true, true);
    row("Pitchers2", "&Pitchers statistics definitions", true, true);
    row("Fielders1", "&Fielders statistics definitions", true, true);
    row("Teams1", "&Teams statistics definitions", true, true);
    row("Changeproxysettings1", "&Change proxy settings", true, true);
    row("Printsetup1", "P&rint setup", true, false);
    row("PrintPreview1", "Print Pre&view", true, false);
    row("About1", "&About", true, true);
    row("Tile1", "&Tile", true, true);
    row("Cascade1", "&Cascade", true, true);
    row("ArrangeAll1", "&Arrange All", true, true);
    row("ABORT1", "&Abort", true, false);
    row("Exit1", "E&xit", true, true);
}

void TestMainMenu::entries() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    QAction* entry = action(name);
    QVERIFY2(entry, qPrintable(name));
    QCOMPARE(entry->text(), caption);
    QCOMPARE(entry->isVisible(), visible);
    // A hidden action reports itself disabled; its own state shows once shown.
    entry->setVisible(true);
    QCOMPARE(entry->isEnabled(), enabled);
}

void TestMainMenu::commandsSitOnTheBar() {
    const QList<QAction*> bar = m_window->menuBar()->actions();
    for (QAction* command : {m_menu.TripleSort1, m_menu.Limit1, m_menu.Reset1,
                             m_menu.Databasetidbits1, m_menu.About1, m_menu.ABORT1, m_menu.Exit1}) {
        QVERIFY2(bar.contains(command), qPrintable(command->objectName()));
        QVERIFY(!command->menu());
    }
    const QStringList database = {"&Batters", "&Pitchers", "&Fielders", "&Teams"};
    QStringList shown;
    for (QAction* entry : m_menu.BaseballStatistics1->actions()) {
        shown.append(entry->text());
    }
    QCOMPARE(shown, database);
    QCOMPARE(m_menu.Select1->actions().size(), 5);
    QCOMPARE(m_menu.Help1->title(), QStringLiteral("Statistics Definitions"));
}

void TestMainMenu::optionsOrder() {
    const QList<QAction*> options = m_menu.Options1->actions();
    const QList<QAction*> expected = {m_menu.Coloroptions1,
                                      m_menu.Unhide1,
                                      m_menu.Print1,
                                      m_menu.Datasources1,
                                      m_menu.Help1->menuAction(),
                                      m_menu.Changeproxysettings1,
                                      m_menu.Printsetup1,
                                      m_menu.PrintPreview1};
    QCOMPARE(options, expected);
    QCOMPARE(m_menu.Help1->actions(),
             (QList<QAction*>{m_menu.Batters1, m_menu.Pitchers2, m_menu.Fielders1, m_menu.Teams1}));
    const QList<QAction*> window = m_menu.Window1->actions();
    QCOMPARE(window, (QList<QAction*>{m_menu.Tile1, m_menu.Cascade1, m_menu.ArrangeAll1}));
}

void TestMainMenu::optionsWithViewCommands() {
    // The main window adds the database windows' commands to the menu as built: export right
    // after "&Print", the lines submenu and "&More columns" before "D&ata sources", Ctrl+P
    // prints, Ctrl+E exports,
    // and export follows print's state.
    ViewCommands commands(
        m_menu, [] { return QueryDialogs{}; }, [] { return static_cast<StatisticsView*>(nullptr); },
        m_window);
    const auto* lines = m_menu.Options1->findChild<QMenu*>(QStringLiteral("Lines1"));
    QVERIFY(lines);
    QCOMPARE(lines->title(), QStringLiteral("&Lines"));
    // "&More columns" right after it, disabled without a window.
    auto* more = m_menu.Options1->findChild<QAction*>(QStringLiteral("MoreColumns1"));
    QVERIFY(more);
    QCOMPARE(more->text(), QStringLiteral("&More columns"));
    QVERIFY(more->isCheckable() && !more->isEnabled());
    const QList<QAction*> expected = {m_menu.Coloroptions1,
                                      m_menu.Unhide1,
                                      m_menu.Print1,
                                      commands.Export1,
                                      lines->menuAction(),
                                      more,
                                      m_menu.Datasources1,
                                      m_menu.Help1->menuAction(),
                                      m_menu.Changeproxysettings1,
                                      m_menu.Printsetup1,
                                      m_menu.PrintPreview1};
    QCOMPARE(m_menu.Options1->actions(), expected);
    QCOMPARE(commands.Export1->text(), QStringLiteral("&Export to CSV..."));
    QCOMPARE(m_menu.Print1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(commands.Export1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    QVERIFY(!commands.Export1->isEnabled());
    m_menu.Print1->setEnabled(true);
    QVERIFY(commands.Export1->isEnabled());
}

void TestMainMenu::linkMenus_data() {
    QTest::addColumn<int>("menuIndex");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("firstNumber");
    QTest::newRow("first") << 0 << "Item 1" << 2;
    QTest::newRow("second") << 1 << "Item 100" << 102;
}

void TestMainMenu::linkMenus() {
    QFETCH(int, menuIndex);
    QFETCH(QString, title);
    QFETCH(int, firstNumber);
    QMenu* menu = menuIndex == 0 ? m_menu.Korvex1 : m_menu.Item1001;
    const auto& items = menuIndex == 0 ? m_menu.Korvex1Items : m_menu.Item1001Items;
    QCOMPARE(menu->title(), title);
    QCOMPARE(menu->actions().size(), 49);
    for (int k = 0; k < MainMenu::LinkItemCount; ++k) {
        QAction* item = items[static_cast<std::size_t>(k)];
        QVERIFY(item);
        QCOMPARE(menu->actions().at(k), item);
        QCOMPARE(item->text(), QStringLiteral("Item %1").arg(firstNumber + k));
        QCOMPARE(item->objectName(), QStringLiteral("Item%1").arg(firstNumber + k) + "1");
        QVERIFY(!item->isVisible());
    }
    // The last items are Item501 ("Item 50") and Item1501 ("Item 150").
    QCOMPARE(items.back()->objectName(),
             menuIndex == 0 ? QStringLiteral("Item501") : QStringLiteral("Item1501"));
}

void TestMainMenu::windowListShowsChildren() {
    refreshWindowMenu(m_menu, m_area);
    QVERIFY(windowList().isEmpty());
    QCOMPARE(m_menu.Window1->actions().size(), 3); // no separator without children

    addChild("Baseball Batters Statistics");
    addChild("Help Text");
    QMdiSubWindow* third = addChild("Baseball Teams Statistics");
    m_area->setActiveSubWindow(third);
    refreshWindowMenu(m_menu, m_area);
    const QList<QAction*> list = windowList();
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0]->text(), QStringLiteral("&1 Baseball Batters Statistics"));
    QCOMPARE(list[1]->text(), QStringLiteral("&2 Help Text"));
    QCOMPARE(list[2]->text(), QStringLiteral("&3 Baseball Teams Statistics"));
    for (QAction* entry : list) {
        QVERIFY(entry->isCheckable());
    }
    QVERIFY(!list[0]->isChecked());
    QVERIFY(!list[1]->isChecked());
    QVERIFY(list[2]->isChecked());
}

void TestMainMenu::windowListRebuildsWithoutDuplicates() {
    addChild("One");
    QMdiSubWindow* two = addChild("Two");
    refreshWindowMenu(m_menu, m_area);
    refreshWindowMenu(m_menu, m_area);
    QCOMPARE(windowList().size(), 2);
    QCOMPARE(m_menu.Window1->actions().size(), 3 + 1 + 2);

    two->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    refreshWindowMenu(m_menu, m_area);
    QCOMPARE(windowList().size(), 1);
    QCOMPARE(windowList()[0]->text(), QStringLiteral("&1 One"));
}

void TestMainMenu::windowListEntryActivatesChild() {
    QMdiSubWindow* first = addChild("First");
    QMdiSubWindow* second = addChild("Second");
    m_area->setActiveSubWindow(second);
    first->showMinimized();
    refreshWindowMenu(m_menu, m_area);
    windowList()[0]->trigger();
    QCOMPARE(m_area->currentSubWindow(), first);
    QVERIFY(!first->isMinimized());
}

void TestMainMenu::windowListEscapesAmpersand() {
    addChild("Smith & Jones");
    refreshWindowMenu(m_menu, m_area);
    QCOMPARE(windowList()[0]->text(), QStringLiteral("&1 Smith && Jones"));
}

void TestMainMenu::windowMenuRefreshesOnShow() {
    connectWindowMenu(m_menu, m_area);
    addChild("Baseball Pitchers Statistics");
    emit m_menu.Window1->aboutToShow();
    QCOMPARE(windowList().size(), 1);
    QCOMPARE(windowList()[0]->text(), QStringLiteral("&1 Baseball Pitchers Statistics"));

    QMdiSubWindow* second = addChild("Help Text");
    second->setGeometry(30, 30, 200, 100);
    m_menu.Tile1->trigger();
    QCOMPARE(second->width(), m_area->viewport()->width());
    second->showMinimized();
    second->move(300, 10);
    m_menu.ArrangeAll1->trigger();
    QCOMPARE(second->y() + second->height(), m_area->viewport()->height());
}

QTEST_MAIN(TestMainMenu)
#include "test_mainmenu.moc"
