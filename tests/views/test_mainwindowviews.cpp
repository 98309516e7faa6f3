// The main window with its database windows: opening each database from the
// menu, the menu settings on creation, activation and close, Exit, Abort, the
// text windows and the welcome dialog.

#include <functional>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "mainwindow/taboutbox.h"
#include "mainwindow/tform1.h"
#include "mainwindow/tform13.h"
#include "mainwindow/tform16.h"
#include "mainwindow/tform17.h"
#include "mainwindow/viewmenustate.h"
#include "query/bandsettings.h"
#include "query/querytarget.h"
#include "query/radiogroup.h"
#include "query/tbtnbottomdlg.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "query/tform6.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"

namespace {

QList<FakeRow> rows(int count, const QByteArray& prefix) {
    QList<FakeRow> result;
    for (int i = 0; i < count; ++i) {
        result.append({prefix + QByteArray::number(i), "1901"});
    }
    return result;
}

// Four fake services, one per database path, behind one loopback server.
RecordingServer::Responder allDatabases() {
    const auto batters = FakeService(DatabaseKind::Batters, rows(200, "Batter "));
    const auto pitchers = FakeService(DatabaseKind::Pitchers, rows(300, "Pitcher "));
    const auto fielders = FakeService(DatabaseKind::Fielders, rows(400, "Fielder "));
    const auto teams = FakeService(DatabaseKind::Teams, rows(100, "Team "));
    return [=](const QByteArray& request) {
        const QByteArray path = RequestPath(request);
        if (path == "/cgi-bin/getpit.exe") {
            return pitchers(request);
        }
        if (path == "/cgi-bin/getfield.exe") {
            return fielders(request);
        }
        if (path == "/cgi-bin/getbaseteam.exe") {
            return teams(request);
        }
        return batters(request);
    };
}

struct MainWindowFixture {
    RecordingServer server;
    // The main window's working files (the start-up marker) go here.
    QTemporaryDir work;
    QString startDir = QDir::currentPath();
    std::unique_ptr<TForm1> form;

    explicit MainWindowFixture(bool demo = false) {
        server.setResponder(allDatabases());
        QDir::setCurrent(work.path());
        CoBrandConfig config;
        config.WindowTitle = QStringLiteral("Test Title");
        config.SiteId = QStringLiteral("www.example-site.test");
        config.DemoMode = demo;
        // The start-up exchanges and the news go to hosts where nobody listens.
        form = std::make_unique<TForm1>(config, Hosts(DeadHost(), server.hostPort(), DeadHost()),
                                        FtpTarget{DeadHost(), QString(), QString()},
                                        QStringLiteral("http://%1/").arg(DeadHost()));
        new TAboutBox(form.get());
        new TForm17(form.get());
        form->resize(1200, 900);
        form->show();
    }
    ~MainWindowFixture() {
        form.reset();
        QDir::setCurrent(startDir);
    }
    const MainMenu& menu() const { return form->Menu(); }
};

QMdiSubWindow* frameOf(QWidget* view) {
    return qobject_cast<QMdiSubWindow*>(view->parentWidget());
}

} // namespace

class TestMainWindowViews : public QObject {
    Q_OBJECT
private slots:
    void openEachDatabaseFromTheMenu_data();
    void openEachDatabaseFromTheMenu();
    void closingEnablesTheOpenCommandAgain_data();
    void closingEnablesTheOpenCommandAgain();
    void activationSetsTheMenuForThatDatabase();
    void closingOneOfTwoLeavesTheOtherActive();
    void activeQueryTargetFollowsTheActiveWindow();
    void exitClosesEveryChildLastFirst();
    void abortEndsTheActiveViewsRequest();
    void viewClosedDuringItsFirstPage();
    void viewsTakeTheProxySettings();
    void textWindowsOpenFromTheMenu();
    void welcomeShowsOnceInDemoMode();
    void queryCommandsReachTheActiveView();
    void gridKeepsTheFocusAfterEveryFetch();
    void bandColoursStayAsTheDialogShows();
};

void TestMainWindowViews::openEachDatabaseFromTheMenu_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("sortCode");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("selectPlayer");
    QTest::addColumn<bool>("selectPosition");
    QTest::newRow("batters") << DatabaseKind::Batters << QStringLiteral("TForm2A")
                             << QStringLiteral("Baseball Batters Statistics")
                             << QByteArray("/cgi-bin/getbat.exe") << QByteArray("300") << 0 << true
                             << false;
    QTest::newRow("pitchers") << DatabaseKind::Pitchers << QStringLiteral("TForm5")
                              << QStringLiteral("Baseball Pitchers Statistics")
                              << QByteArray("/cgi-bin/getpit.exe") << QByteArray("300") << 1 << true
                              << false;
    QTest::newRow("fielders") << DatabaseKind::Fielders << QStringLiteral("TForm9")
                              << QStringLiteral("Baseball Fielders Statistics")
                              << QByteArray("/cgi-bin/getfield.exe") << QByteArray("300") << 2
                              << true << true;
    QTest::newRow("teams") << DatabaseKind::Teams << QStringLiteral("TForm4")
                           << QStringLiteral("Baseball Teams Statistics")
                           << QByteArray("/cgi-bin/getbaseteam.exe") << QByteArray("100") << 3
                           << false << false;
}

void TestMainWindowViews::openEachDatabaseFromTheMenu() {
    QFETCH(DatabaseKind, kind);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, sortCode);
    QFETCH(int, index);
    QFETCH(bool, selectPlayer);
    QFETCH(bool, selectPosition);
    FielderBandSettings() = {3, 0x00FFFF, 0x008000};
    SharedBandSettings().FirstColor = 0x008000;
    MainWindowFixture f;
    const MainMenu& menu = f.menu();
    QVERIFY(!menu.TripleSort1->isEnabled());
    // The main window starts the row colours at blue and red.
    QCOMPARE(FielderBandSettings().BandMode, 0);
    QCOMPARE(FielderBandSettings().FirstColor, BandSettings::Blue);
    QCOMPARE(FielderBandSettings().SecondColor, BandSettings::Red);
    QCOMPARE(SharedBandSettings().FirstColor, BandSettings::Blue);
    QCOMPARE(f.form->OpenedThisRun()[static_cast<std::size_t>(index)], 0);

    OpenCommandOf(menu, kind)->trigger();
    StatisticsView* view = f.form->View(kind);
    QVERIFY(view != nullptr);
    QCOMPARE(QString::fromLatin1(view->metaObject()->className()), className);
    QCOMPARE(view->windowTitle(), caption);
    QVERIFY(frameOf(view) != nullptr);
    QCOMPARE(frameOf(view)->windowTitle(), caption);
    QVERIFY(frameOf(view)->isMaximized());
    QCOMPARE(f.form->MdiArea()->activeSubWindow(), frameOf(view));
    QCOMPARE(view->Label2->text(), QStringLiteral("www.example-site.test"));
    QCOMPARE(view->HttpCli1().URL(), f.server.hostPort() + QString::fromLatin1(path));

    QCOMPARE(f.server.requests().size(), 1);
    QCOMPARE(RequestPath(f.server.requests()[0]), path);
    QCOMPARE(RequestBody(f.server.requests()[0]),
             "0!" + QByteArray::number(view->DrawGrid1->visibleRowCount()) + "!" + sortCode +
                 "!\r\n*\r\n\x1A");
    QVERIFY(view->Label1->text().startsWith(QStringLiteral("Total Lines: ")));
    QVERIFY(view->Label1->text() != QStringLiteral("Total Lines: -1"));

    QCOMPARE(f.form->OpenedThisRun()[static_cast<std::size_t>(index)], 1);
    QVERIFY(menu.BaseballStatistics1->menuAction()->isEnabled());
    QVERIFY(!OpenCommandOf(menu, kind)->isEnabled());
    for (QAction* action :
         {menu.Unhide1, menu.Limit1, menu.Selectteam1, menu.Selectyear1, menu.SelectLeague1,
          menu.Reset1, menu.Coloroptions1, menu.TripleSort1, menu.Print1}) {
        QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
    }
    QCOMPARE(menu.Selectplayer1->isEnabled(), selectPlayer);
    QCOMPARE(menu.SelectPosition1->isEnabled(), selectPosition);
    for (DatabaseKind other : {DatabaseKind::Batters, DatabaseKind::Pitchers,
                               DatabaseKind::Fielders, DatabaseKind::Teams}) {
        if (other != kind) {
            QVERIFY(OpenCommandOf(menu, other)->isEnabled());
        }
    }
}

void TestMainWindowViews::closingEnablesTheOpenCommandAgain_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<int>("index");
    QTest::newRow("batters") << DatabaseKind::Batters << 0;
    QTest::newRow("fielders") << DatabaseKind::Fielders << 2;
    QTest::newRow("teams") << DatabaseKind::Teams << 3;
}

void TestMainWindowViews::closingEnablesTheOpenCommandAgain() {
    QFETCH(DatabaseKind, kind);
    QFETCH(int, index);
    MainWindowFixture f;
    const MainMenu& menu = f.menu();
    OpenCommandOf(menu, kind)->trigger();
    QPointer<StatisticsView> first = f.form->View(kind);
    QVERIFY(first);
    frameOf(first)->close();
    QCOMPARE(f.form->View(kind), nullptr);
    QTRY_VERIFY(!first);
    QVERIFY(OpenCommandOf(menu, kind)->isEnabled());
    for (QAction* action : {menu.Unhide1, menu.Limit1, menu.Selectplayer1, menu.Selectteam1,
                            menu.Selectyear1, menu.SelectLeague1, menu.SelectPosition1, menu.Reset1,
                            menu.Coloroptions1, menu.TripleSort1, menu.Print1}) {
        QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    }
    QCOMPARE(f.form->MdiArea()->subWindowList().size(), 0);

    // Opened again: a new window, the flag stays set.
    OpenCommandOf(menu, kind)->trigger();
    QVERIFY(f.form->View(kind) != nullptr);
    QCOMPARE(f.form->OpenedThisRun()[static_cast<std::size_t>(index)], 1);
    QCOMPARE(f.server.requests().size(), 2);
}

void TestMainWindowViews::activationSetsTheMenuForThatDatabase() {
    MainWindowFixture f;
    const MainMenu& menu = f.menu();
    menu.Fielding1->trigger();
    menu.Team1->trigger();
    StatisticsView* fielders = f.form->View(DatabaseKind::Fielders);
    StatisticsView* teams = f.form->View(DatabaseKind::Teams);
    QVERIFY(fielders && teams);
    QVERIFY(!menu.Selectplayer1->isEnabled());
    QVERIFY(!menu.SelectPosition1->isEnabled());

    f.form->MdiArea()->setActiveSubWindow(frameOf(fielders));
    QVERIFY(menu.Selectplayer1->isEnabled());
    QVERIFY(menu.SelectPosition1->isEnabled());
    QVERIFY(!menu.Fielding1->isEnabled());
    QVERIFY(!menu.Team1->isEnabled());

    f.form->MdiArea()->setActiveSubWindow(frameOf(teams));
    QVERIFY(!menu.Selectplayer1->isEnabled());
    QVERIFY(!menu.SelectPosition1->isEnabled());
    QVERIFY(menu.Player1->isEnabled() && menu.Pitchers1->isEnabled());
}

void TestMainWindowViews::closingOneOfTwoLeavesTheOtherActive() {
    MainWindowFixture f;
    const MainMenu& menu = f.menu();
    menu.Player1->trigger();
    menu.Fielding1->trigger();
    frameOf(f.form->View(DatabaseKind::Fielders))->close();
    // The batters window is active again and its commands are on.
    QTRY_COMPARE(f.form->MdiArea()->activeSubWindow(),
                 frameOf(f.form->View(DatabaseKind::Batters)));
    QVERIFY(menu.TripleSort1->isEnabled());
    QVERIFY(menu.Selectplayer1->isEnabled());
    QVERIFY(!menu.SelectPosition1->isEnabled());
    QVERIFY(menu.Fielding1->isEnabled());
    QVERIFY(!menu.Player1->isEnabled());
}

void TestMainWindowViews::activeQueryTargetFollowsTheActiveWindow() {
    MainWindowFixture f;
    QCOMPARE(f.form->ActiveQueryTarget(), nullptr);
    f.menu().Pitchers1->trigger();
    QueryTarget* target = f.form->ActiveQueryTarget();
    QVERIFY(target != nullptr);
    QCOMPARE(target->databaseKind(), DatabaseKind::Pitchers);
    QCOMPARE(target->window(), static_cast<QWidget*>(f.form->View(DatabaseKind::Pitchers)));
    // A help text window is active: no database window to act on.
    f.menu().Batters1->trigger();
    QVERIFY(qobject_cast<TForm13*>(f.form->MdiArea()->activeSubWindow()->widget()) != nullptr);
    QCOMPARE(f.form->ActiveQueryTarget(), nullptr);
}

void TestMainWindowViews::exitClosesEveryChildLastFirst() {
    MainWindowFixture f;
    f.menu().Player1->trigger();
    f.menu().Pitchers1->trigger();
    f.menu().Team1->trigger();
    QList<DatabaseKind> order;
    for (DatabaseKind kind : {DatabaseKind::Batters, DatabaseKind::Pitchers, DatabaseKind::Teams}) {
        connect(f.form->View(kind), &StatisticsView::viewClosed, this,
                [&order](DatabaseKind closed, qint64) { order.append(closed); });
    }
    f.menu().Exit1->trigger();
    QCOMPARE(order, (QList<DatabaseKind>{DatabaseKind::Teams, DatabaseKind::Pitchers,
                                         DatabaseKind::Batters}));
    QTRY_COMPARE(f.form->MdiArea()->subWindowList().size(), 0);
    QVERIFY(f.menu().Player1->isEnabled() && f.menu().Team1->isEnabled());
}

void TestMainWindowViews::abortEndsTheActiveViewsRequest() {
    MainWindowFixture f;
    f.menu().Player1->trigger();
    StatisticsView* view = f.form->View(DatabaseKind::Batters);
    f.server.setReplyDelay(20000);
    MessageBoxCatcher boxes;
    RunLater(100, [&] { f.menu().ABORT1->trigger(); });
    QVERIFY(!f.menu().ABORT1->isVisible());
    // The aborted request fails over to the other hosts, which are down.
    QVERIFY(view->refreshView());
    QCOMPARE(boxes.texts().size(), 1);
    QVERIFY(boxes.texts()[0].contains(f.server.hostPort()));
}

void TestMainWindowViews::viewClosedDuringItsFirstPage() {
    MainWindowFixture f;
    f.server.setReplyDelay(300);
    RunLater(80, [&] {
        if (StatisticsView* view = f.form->View(DatabaseKind::Pitchers)) {
            frameOf(view)->close();
        }
    });
    f.menu().Pitchers1->trigger();
    QCOMPARE(f.form->View(DatabaseKind::Pitchers), nullptr);
    QVERIFY(f.menu().BaseballStatistics1->menuAction()->isEnabled());
    QVERIFY(f.menu().Pitchers1->isEnabled());
    QVERIFY(!f.menu().TripleSort1->isEnabled());
    QTRY_COMPARE(f.form->MdiArea()->subWindowList().size(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestMainWindowViews::viewsTakeTheProxySettings() {
    // The proxy is the fake service itself: it answers the absolute-form
    // request line a client sends to a proxy.
    MainWindowFixture f;
    const QString proxyHost = f.server.hostPort().section(QLatin1Char(':'), 0, 0);
    const QString proxyPort = f.server.hostPort().section(QLatin1Char(':'), 1);
    f.form->SetServiceHosts(Hosts(DeadHost(), QStringLiteral("127.0.0.77:8461"), DeadHost()));
    f.form->SetProxySettings(
        {true, proxyHost, proxyPort, QStringLiteral("ann"), QStringLiteral("pw")});
    f.menu().Player1->trigger();
    StatisticsView* view = f.form->View(DatabaseKind::Batters);
    QCOMPARE(view->HttpCli1().Proxy(), proxyHost);
    QCOMPARE(view->HttpCli1().ProxyPort(), proxyPort);
    QCOMPARE(view->HttpCli1().ProxyUsername(), QStringLiteral("ann"));
    QCOMPARE(view->HttpCli1().ProxyPassword(), QStringLiteral("pw"));
    QCOMPARE(f.server.requests().size(), 1);
    QVERIFY2(f.server.requests()[0].startsWith(
                 "POST http://127.0.0.77:8461/cgi-bin/getbat.exe HTTP/1.0\r\n"),
             f.server.requests()[0].left(80).constData());
}

void TestMainWindowViews::textWindowsOpenFromTheMenu() {
    MainWindowFixture f;
    f.menu().Databasetidbits1->trigger();
    QVERIFY(qobject_cast<TForm16*>(f.form->MdiArea()->activeSubWindow()->widget()) != nullptr);
    f.menu().Teams1->trigger();
    QCOMPARE(f.form->MdiArea()->activeSubWindow()->windowTitle(),
             QStringLiteral("Help - Stats Definitions - Baseball Teams"));
    QVERIFY(!f.menu().Teams1->isEnabled());
    f.menu().Datasources1->trigger();
    QCOMPARE(f.form->MdiArea()->activeSubWindow()->windowTitle(),
             QStringLiteral("Help - Data Sources"));
    QVERIFY(!f.menu().Datasources1->isEnabled());
    QCOMPARE(f.form->MdiArea()->subWindowList().size(), 3);
}

void TestMainWindowViews::welcomeShowsOnceInDemoMode() {
    for (const bool demo : {false, true}) {
        MainWindowFixture f(demo);
        int shown = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&shown] {
            if (auto* welcome = qobject_cast<TForm17*>(QApplication::activeModalWidget())) {
                ++shown;
                welcome->reject();
            }
        });
        poll.start(10);
        f.form->FormActivate();
        f.form->FormActivate();
        QTest::qWait(200);
        QCOMPARE(shown, demo ? 1 : 0);
    }
}

// The Sort command of the menu runs the sort dialog on the active database
// window; the next request of that window carries the chosen sort.
void TestMainWindowViews::queryCommandsReachTheActiveView() {
    MainWindowFixture f;
    auto* sortDialog = new TForm6(f.form.get());
    f.menu().Player1->trigger();
    StatisticsView* view = f.form->View(DatabaseKind::Batters);
    QVERIFY(view != nullptr);
    const qsizetype before = f.server.requests().size();

    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QCOMPARE(modal, static_cast<QWidget*>(sortDialog));
        dialogSeen = true;
        sortDialog->ComboBox1->setCurrentIndex(17); // "HR  - Home Runs", field 16
        sortDialog->RadioGroup1->setItemIndex(1);   // descending
        sortDialog->Button1->click();
    });
    f.menu().TripleSort1->trigger();
    QVERIFY(dialogSeen);
    QVERIFY(QPointer<StatisticsView>(view));
    QCOMPARE(f.server.requests().size(), before + 1);
    QCOMPARE(RequestPath(f.server.requests().last()), QByteArray("/cgi-bin/getbat.exe"));
    QVERIFY(RequestBody(f.server.requests().last()).endsWith("!16!\r\n*\r\n\x1A"));
    QCOMPARE(view->queryState().SortCode, 16);
}

// A user who works the grid from the keyboard: after every kind of fetch
// (opening, paging, Sort, Select, Limit, Reset) the grid still has the
// keyboard focus, so the next key pages again.
void TestMainWindowViews::gridKeepsTheFocusAfterEveryFetch() {
    MainWindowFixture f;
    auto* sortDialog = new TForm6(f.form.get());
    auto* selectDialog = new TBtnRightDlg1(f.form.get());
    auto* limitDialog = new TBtnRightDlg(f.form.get());
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f.menu().Player1->trigger();
    StatisticsView* view = f.form->View(DatabaseKind::Batters);
    QVERIFY(view != nullptr);
    DrawGrid* grid = view->DrawGrid1;
    const QByteArray rows = QByteArray::number(grid->visibleRowCount());

    // Each step ends with Page Down twice, sent where the keyboard focus is;
    // each press must fetch the next page down from where the step left off.
    // The main window is activated first, as a window manager does once a
    // dialog closes; the focus goes to the child it had last.
    const auto pageDownTwice = [&](const char* step) {
        f.form->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(f.form.get()));
        for (int press = 0; press < 2; ++press) {
            QVERIFY2(QApplication::focusWidget() == grid, step);
            const int top = grid->topRow();
            const qsizetype before = f.server.requests().size();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
            QVERIFY2(grid->topRow() > top, step);
            QCOMPARE(f.server.requests().size(), before + 1);
            const QByteArray page = QByteArray::number(grid->topRow() - 2) + "!" + rows + "!";
            QCOMPARE(RequestBody(f.server.requests().last()).left(page.size()), page);
        }
        QVERIFY(!grid->inputBlocked());
        // Back to the top for the next step.
        QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(grid->topRow(), 2);
    };
    // Runs a query command from the menu; `answer` closes its dialog once it
    // shows.
    const auto command = [&](QAction* action, QDialog* dialog,
                             const std::function<void()>& answer) {
        const qsizetype before = f.server.requests().size();
        QTimer poll;
        if (dialog != nullptr) {
            connect(&poll, &QTimer::timeout, dialog, [&] {
                if (QApplication::activeModalWidget() == dialog) {
                    poll.stop();
                    answer();
                }
            });
            poll.start(10);
        }
        action->trigger();
        QVERIFY(!poll.isActive());
        QVERIFY(f.server.requests().size() > before);
    };

    pageDownTwice("open");
    for (int pass = 0; pass < 2; ++pass) {
        command(f.menu().TripleSort1, sortDialog, [&] {
            sortDialog->ComboBox1->setCurrentIndex(17);
            sortDialog->Button1->click();
        });
        pageDownTwice("sort");
        command(f.menu().Selectyear1, selectDialog, [&] { selectDialog->OKBtn->click(); });
        pageDownTwice("select");
        command(f.menu().Limit1, limitDialog, [&] {
            limitDialog->ListBox1->setCurrentRow(1);
            limitDialog->OKBtn->click();
        });
        pageDownTwice("limit");
        command(f.menu().Reset1, nullptr, {});
        pageDownTwice("reset");
    }
    // A second window opened and closed: the first one's grid has the keys
    // again.
    f.menu().Pitchers1->trigger();
    QCOMPARE(QApplication::focusWidget(), f.form->View(DatabaseKind::Pitchers)->DrawGrid1);
    frameOf(f.form->View(DatabaseKind::Pitchers))->close();
    QTRY_COMPARE(f.form->MdiArea()->activeSubWindow(), frameOf(view));
    pageDownTwice("back from the second window");
}

QTEST_MAIN(TestMainWindowViews)
#include "test_mainwindowviews.moc"

// Batters set to alternate by Year in green and purple, then Pitchers,
// Fielders and Teams opened: the shared setting still holds what the dialog
// shows, and the Batters grid is painted in those colours.
void TestMainWindowViews::bandColoursStayAsTheDialogShows() {
    MainWindowFixture f;
    auto* colors = new TBtnBottomDlg(f.form.get());
    f.menu().Player1->trigger();
    StatisticsView* batters = f.form->View(DatabaseKind::Batters);
    QVERIFY(batters != nullptr);
    colors->Relabel(DatabaseKind::Batters);
    QVERIFY(colors->CheckColor(1, 0x008000)); // Green
    QVERIFY(colors->CheckColor(2, 0x800080)); // Purple
    colors->RadioButton19->setChecked(true);  // "&Year"
    colors->OKBtn->click();
    batters->runBandPass();
    for (DatabaseKind kind :
         {DatabaseKind::Pitchers, DatabaseKind::Fielders, DatabaseKind::Teams}) {
        OpenCommandOf(f.menu(), kind)->trigger();
        QVERIFY(f.form->View(kind) != nullptr);
    }
    QCOMPARE(SharedBandSettings().FirstColor, colors->CheckedColor(1));
    QCOMPARE(SharedBandSettings().SecondColor, colors->CheckedColor(2));
    QCOMPARE(SharedBandSettings().BandMode, colors->CheckedMode());
    QCOMPARE(colors->CheckedMode(), 2);

    // Back to the Batters window, maximised as each window opens.
    frameOf(batters)->showMaximized();
    DrawGrid* grid = batters->DrawGrid1;
    QTRY_VERIFY(!grid->cellRect(9, 2).isEmpty());
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    grid->viewport()->render(&image);
    // All fake batters play in one year: one band, drawn green.
    const QRect first = grid->cellRect(9, 2);
    QVERIFY(!first.isEmpty());
    QVERIFY(hasInk(image, first, BandSettings::ToQColor(0x008000)));
    QVERIFY(!hasInk(image, first, BandSettings::ToQColor(BandSettings::Blue)));
    SharedBandSettings() = BandSettings{};
}
