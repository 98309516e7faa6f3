// Finding a player and his page against the real statistics service over the imported data (a
// loopback port of its own): the search box, the page's facts and tables (a traded season's
// stints under its TOT line, the career line), "Select in the active window", the grid's
// "Player page" entry and "Team season". Published figures: Babe Ruth hit 714 home runs with a
// .342 average over his career and 60 in 1927; Rickey Henderson was traded from the Yankees to
// Oakland in 1989.
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <map>
#include <memory>

#include "mainwindow/mainmenu.h"
#include "mainwindow/playercommands.h"
#include "mainwindow/playerfinder.h"
#include "mainwindow/playerpage.h"
#include "mainwindow/playerpagedata.h"
#include "platform/drawgrid.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"
#include "views/statisticsview.h"
#include "views/tabletext.h"

namespace {

int columnTitled(DatabaseKind kind, const QString& title) {
    for (int c = 0; c < static_cast<int>(DatabaseInfoFor(kind).columns.size()); ++c) {
        if (ColumnTitle(kind, c) == title) {
            return c;
        }
    }
    return -1;
}

QString cell(const PlayerPageRow& row, int column) {
    return row.cells.value(column).trimmed();
}

} // namespace

class TestPlayerPage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
    std::unique_ptr<QMenuBar> m_bar;
    MainMenu m_menu;
    std::unique_ptr<QMdiArea> m_area;
    std::unique_ptr<PlayerCommands> m_players;
    std::map<DatabaseKind, QPointer<StatisticsView>> m_views;

    StatisticsView* open(DatabaseKind kind, const std::function<void(StatisticsView&)>& prepare) {
        if (m_views[kind]) {
            return m_views[kind];
        }
        StatisticsView* view = CreateStatisticsView(kind, Hosts(m_host, m_host, m_host));
        m_views[kind] = view;
        QMdiSubWindow* frame = m_area->addSubWindow(view);
        // As the main window does: the first page asks for the rows of the final size.
        frame->showMaximized();
        m_area->setActiveSubWindow(frame);
        if (QLayout* layout = frame->layout()) {
            layout->activate();
        }
        if (prepare) {
            prepare(*view);
        }
        view->refreshView();
        return view;
    }

private slots:
    void initTestCase() {
        QString error;
        m_host = StartRealService(m_service, QStringLiteral(BBSTATSD_PATH), m_dir, &error);
        QVERIFY2(!m_host.isEmpty(), qPrintable(error));
        m_bar = std::make_unique<QMenuBar>();
        m_menu = buildMainMenu(m_bar.get(), m_bar.get());
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(1000, 700);
        m_area->show();
        PlayerCommands::Hooks hooks{
            [this] { return Hosts(m_host, m_host, m_host); },
            [this](DatabaseKind kind) -> StatisticsView* { return m_views[kind]; },
            [this](DatabaseKind kind, const std::function<void(StatisticsView&)>& prepare) {
                return open(kind, prepare);
            }};
        m_players = std::make_unique<PlayerCommands>(m_menu, m_area.get(), hooks, m_area.get());
    }

    void cleanupTestCase() {
        m_players.reset();
        m_area.reset();
        m_service.terminate();
        m_service.waitForFinished(10000);
    }

    // The entry ends the menu after a separator, Ctrl+F, with a letter of its own; the box
    // lists the players found, Ruth first for "babe ruth", both Ken Griffeys for "griffey".
    void findsFromTheMenu() {
        const QList<QAction*> entries = m_menu.BaseballStatistics1->actions();
        QCOMPARE(entries.last(), m_players->FindPlayer1);
        QVERIFY(entries.at(entries.size() - 2)->isSeparator());
        QCOMPARE(m_players->FindPlayer1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        QCOMPARE(m_players->FindPlayer1->text(), QStringLiteral("F&ind player..."));
        for (QAction* other : entries.mid(0, entries.size() - 2)) {
            QVERIFY2(!other->text().contains(QStringLiteral("&i"), Qt::CaseInsensitive),
                     qPrintable(other->text()));
        }
        // While a window opens the menu is disabled: the command waits for it.
        QAction* statistics = m_menu.BaseballStatistics1->menuAction();
        statistics->setEnabled(false);
        m_players->FindPlayer1->trigger();
        PlayerFinder* finder = m_players->Finder();
        QVERIFY(!finder->isVisible());
        statistics->setEnabled(true);
        QVERIFY(finder->isVisible());
        QTest::keyClicks(finder->Edit, QStringLiteral("babe ruth"));
        QVERIFY(!finder->matches().empty());
        QCOMPARE(finder->matches().front().id, QStringLiteral("ruthba01"));
        QCOMPARE(finder->Results->item(0)->text(),
                 QStringLiteral("Ruth, Babe   1914-1935   of,p,1b   born 1895"));
        finder->search(QStringLiteral("griffey\t"));
        QStringList ids;
        for (const PlayerMatch& m : finder->matches()) {
            ids << m.id;
        }
        QVERIFY(ids.contains(QStringLiteral("griffke01")) &&
                ids.contains(QStringLiteral("griffke02")));
        // A key pressed while the previous search waits: the newer answer stays, the older one
        // (arriving last) is dropped.
        finder->search(QStringLiteral("babe ruth"));
        const std::vector<PlayerMatch> babeRuth = finder->matches();
        finder->search(QStringLiteral("ruth"));
        QVERIFY(finder->matches().size() > babeRuth.size());
        QTimer::singleShot(0, finder, [finder] { finder->search(QStringLiteral("babe ruth")); });
        finder->search(QStringLiteral("ruth"));
        QCOMPARE(finder->matches().size(), babeRuth.size());
        QCOMPARE(finder->matches().front().id, QStringLiteral("ruthba01"));

        // The hosts in the page fail-over order: the second and third mirrors down, the
        // primary answers.
        PlayerFinder failingOver([this] { return Hosts(m_host, DeadHost(), DeadHost()); });
        failingOver.search(QStringLiteral("acuna ronald"));
        QVERIFY(!failingOver.matches().empty());
        QCOMPARE(failingOver.matches().front().id, QStringLiteral("acunaro01"));
        PlayerFinder noHost([] { return Hosts(DeadHost(), DeadHost(), DeadHost()); });
        noHost.search(QStringLiteral("ruth"));
        QVERIFY(noHost.matches().empty());
        QCOMPARE(noHost.Status->text(), QStringLiteral("No statistics host answered the search."));

        finder->search(QString());
        QVERIFY(finder->matches().empty());
        finder->hide();
    }

    // The page: facts on top; batting, pitching and fielding; the career line last; at most
    // three requests per table plus the facts.
    void pageOfRuth() {
        QElapsedTimer shown;
        shown.start();
        PlayerPage* page = m_players->OpenPage(QStringLiteral("ruthba01"));
        qInfo("Ruth's page shown after %lld ms, %d requests", shown.elapsed(),
              m_players->LastPageRequests());
        QVERIFY(page != nullptr);
        QCOMPARE(page->windowTitle(), QStringLiteral("Ruth, Babe"));
        QCOMPARE(m_area->activeSubWindow()->widget(), page);
        const QString facts = page->Facts->text();
        for (const char* part :
             {"Ruth, Babe (George Herman Ruth)", "Born 1895-02-06 in Baltimore",
              "died 1948-08-16 (aged 53)", "Played 1914-1935", "retroID ruthb101"}) {
            QVERIFY2(facts.contains(QLatin1String(part)), qPrintable(facts));
        }
        QVERIFY(page->table(DatabaseKind::Batters) && page->table(DatabaseKind::Pitchers) &&
                page->table(DatabaseKind::Fielders));
        QVERIFY(m_players->LastPageRequests() <= 1 + 3 * 3);
        const std::vector<PlayerPageRow>& batting = *page->rows(DatabaseKind::Batters);
        const int hr = columnTitled(DatabaseKind::Batters, QStringLiteral("HR"));
        const int avg = columnTitled(DatabaseKind::Batters, QStringLiteral("AVG"));
        QVERIFY(hr > 0 && avg > 0);
        QCOMPARE(batting.back().kind, PlayerPageRow::Kind::Career);
        QCOMPARE(cell(batting.back(), hr), QStringLiteral("714"));
        QCOMPARE(cell(batting.back(), avg), QStringLiteral(".342"));
        int seasons = 0;
        for (const PlayerPageRow& row : batting) {
            if (row.kind == PlayerPageRow::Kind::Season) {
                ++seasons;
            }
            if (cell(row, PlayerPageYearColumn) == QLatin1String("1927")) {
                QCOMPARE(cell(row, hr), QStringLiteral("60"));
            }
        }
        QCOMPARE(seasons, 22); // one club each season: no stints listed
        QCOMPARE(page->table(DatabaseKind::Batters)->rowCount(), static_cast<int>(batting.size()));
        // Copy and export take the rows as shown, titles first, missing values empty.
        const QStringList copied =
            page->rowsText(DatabaseKind::Batters).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(copied.size(), static_cast<int>(batting.size()) + 1);
        QVERIFY(copied.back().split(QLatin1Char('\t')).contains(QStringLiteral("714")));
        QVERIFY(page->csvText(DatabaseKind::Batters).contains(QStringLiteral(",714,")));
        page->parentWidget()->close();
    }

    // Henderson's 1989: the TOT line with both clubs' stints under it; "Team season" is
    // disabled on it and opens the Teams window on a stint's club and season.
    void tradedSeasonAndTeamSeason() {
        PlayerPage* page = m_players->OpenPage(QStringLiteral("henderi01"));
        QVERIFY(page != nullptr);
        QVERIFY(m_players->LastPageRequests() <= 1 + 3 * 3);
        const std::vector<PlayerPageRow>& batting = *page->rows(DatabaseKind::Batters);
        int tot = -1;
        for (int r = 0; r < static_cast<int>(batting.size()); ++r) {
            const PlayerPageRow& row = batting[static_cast<std::size_t>(r)];
            if (row.kind == PlayerPageRow::Kind::Season &&
                cell(row, PlayerPageYearColumn) == QLatin1String("1989")) {
                tot = r;
            }
        }
        QVERIFY(tot >= 0);
        QCOMPARE(cell(batting[static_cast<std::size_t>(tot)], PlayerPageTeamCodeColumn),
                 QStringLiteral("TOT"));
        QStringList clubs;
        for (std::size_t r = static_cast<std::size_t>(tot) + 1;
             r < batting.size() && batting[r].kind == PlayerPageRow::Kind::Stint; ++r) {
            QCOMPARE(cell(batting[r], PlayerPageYearColumn), QStringLiteral("1989"));
            clubs << cell(batting[r], PlayerPageTeamCodeColumn);
        }
        QCOMPARE(clubs, (QStringList{QStringLiteral("NYA"), QStringLiteral("OAK")}));

        std::unique_ptr<QMenu> onTot(page->contextMenu(DatabaseKind::Batters, tot, 0));
        QAction* teamSeason = onTot->findChild<QAction*>(QStringLiteral("PageTeamSeason"));
        QVERIFY(teamSeason != nullptr && !teamSeason->isEnabled());
        std::unique_ptr<QMenu> onStint(page->contextMenu(DatabaseKind::Batters, tot + 2, 0));
        onStint->findChild<QAction*>(QStringLiteral("PageTeamSeason"))->trigger();
        StatisticsView* teams = m_views[DatabaseKind::Teams];
        QVERIFY(teams != nullptr);
        const QueryState& state = teams->queryState();
        QCOMPARE(state.SelectionCount, 4);
        QCOMPARE(QString::fromStdString(state.SelectionItems[0]),
                 QStringLiteral("BOakland Athletics"));
        QCOMPARE(QString::fromStdString(state.SelectionItems[2]), QStringLiteral("C1989"));
        QTRY_COMPARE(teams->exchange().TotalRecords(), 1);
        // A second one replaces the query of the open Teams window, one undoable step.
        std::unique_ptr<QMenu> again(page->contextMenu(DatabaseKind::Batters, tot + 1, 0));
        again->findChild<QAction*>(QStringLiteral("PageTeamSeason"))->trigger();
        QCOMPARE(m_views[DatabaseKind::Teams], teams);
        QCOMPARE(QString::fromStdString(teams->queryState().SelectionItems[0]),
                 QStringLiteral("BNew York Yankees"));
        QVERIFY(teams->undoQuery());
        QCOMPARE(QString::fromStdString(teams->queryState().SelectionItems[0]),
                 QStringLiteral("BOakland Athletics"));
        page->parentWidget()->close();
    }

    // "Select in the active window" ticks Ruth in Batters (his 22 rows), names what it cannot
    // do; the grid's entry opens his page.
    void selectInTheActiveWindow() {
        StatisticsView* batters = open(DatabaseKind::Batters, {});
        PlayerFinder* finder = m_players->Finder();
        m_area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(batters->parentWidget()));
        finder->search(QStringLiteral("babe ruth"));
        QVERIFY(finder->SelectInWindow->isEnabled());
        finder->SelectInWindow->click();
        QTRY_COMPARE(batters->exchange().TotalRecords(), 22);
        QCOMPARE(QString::fromStdString(batters->queryState().SelectionItems[0]),
                 QStringLiteral("ARuth, Babe"));

        // Teams: disabled; a table he has no rows in: said so.
        m_area->setActiveSubWindow(
            qobject_cast<QMdiSubWindow*>(open(DatabaseKind::Teams, {})->parentWidget()));
        QVERIFY(!finder->SelectInWindow->isEnabled());
        StatisticsView* pitchers = open(DatabaseKind::Pitchers, {});
        QVERIFY(pitchers != nullptr);
        finder->search(QStringLiteral("ken griffey"));
        QCOMPARE(finder->matches().front().id, QStringLiteral("griffke02"));
        finder->SelectInWindow->click();
        QCOMPARE(finder->Status->text(), QStringLiteral("Griffey, Ken has no rows in Pitchers."));
        QCOMPARE(pitchers->queryState().SelectionCount, 0);

        // The grid's context menu on Ruth's first row.
        m_area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(batters->parentWidget()));
        batters->grid()->setCurrentCell(batters->grid()->fixedCols(), batters->grid()->fixedRows());
        QMenu menu;
        m_players->AddContextEntry(&menu, batters);
        QAction* entry = menu.findChild<QAction*>(QStringLiteral("PlayerPage1"));
        QVERIFY(entry != nullptr);
        QCOMPARE(entry->text(), QStringLiteral("Player page: Ruth, Babe"));
        entry->trigger();
        QCOMPARE(m_area->activeSubWindow()->windowTitle(), QStringLiteral("Ruth, Babe"));
    }
};

QTEST_MAIN(TestPlayerPage)
#include "test_playerpage.moc"
