#include "mainwindow/playercommands.h"

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

#include "mainwindow/mainmenu.h"
#include "mainwindow/playerfinder.h"
#include "mainwindow/playerpage.h"
#include "platform/busycursor.h"
#include "protocol/httpcli.h"
#include "query/selectionitems.h"
#include "query/sortcodes.h"
#include "views/statisticsview.h"

namespace {

constexpr DatabaseKind kPlayerTables[] = {DatabaseKind::Batters, DatabaseKind::Pitchers,
                                          DatabaseKind::Fielders};

// The facts key of a table's pick-list label, and its place in a search line's labels.
const char* labelKey(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return "Batters";
    case DatabaseKind::Pitchers:
        return "Pitchers";
    case DatabaseKind::Fielders:
        return "Fielders";
    case DatabaseKind::Teams:
        break;
    }
    return "Teams";
}

int labelIndex(DatabaseKind kind) {
    return kind == DatabaseKind::Teams ? -1 : static_cast<int>(DatabaseIndex(kind));
}

} // namespace

PlayerCommands::PlayerCommands(const MainMenu& menu, QMdiArea* area, Hooks hooks, QWidget* parent)
    : QObject(parent), m_menu(menu), m_area(area), m_hooks(std::move(hooks)), m_parent(parent) {
    menu.BaseballStatistics1->addSeparator();
    FindPlayer1 = menu.BaseballStatistics1->addAction(QStringLiteral("F&ind player..."));
    FindPlayer1->setObjectName(QStringLiteral("FindPlayer1"));
    FindPlayer1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(FindPlayer1, &QAction::triggered, this, &PlayerCommands::FindPlayer1Click);
    // A press while the menu is disabled waits for the menu, as a click on it would.
    connect(menu.BaseballStatistics1->menuAction(), &QAction::changed, this, [this] {
        if (m_pending && m_menu.BaseballStatistics1->menuAction()->isEnabled()) {
            m_pending = false;
            FindPlayer1Click();
        }
    });
    connect(area, &QMdiArea::subWindowActivated, this, &PlayerCommands::noteActive);
}

PlayerFinder* PlayerCommands::Finder() {
    if (m_finder == nullptr) {
        m_finder = new PlayerFinder(m_hooks.hosts, m_parent);
        connect(m_finder, &PlayerFinder::openRequested, this,
                [this](const PlayerMatch& player) { OpenPage(player.id); });
        connect(m_finder, &PlayerFinder::selectRequested, this,
                &PlayerCommands::SelectInActiveWindow);
        noteActive(m_area->activeSubWindow());
    }
    return m_finder;
}

void PlayerCommands::FindPlayer1Click() {
    if (!m_menu.BaseballStatistics1->menuAction()->isEnabled()) {
        m_pending = true;
        return;
    }
    PlayerFinder* finder = Finder();
    finder->show();
    finder->raise();
    finder->activateWindow();
    finder->Edit->setFocus();
    finder->Edit->selectAll();
}

// The finder's second choice acts on the database window the user came from: the last active
// child, kept while the box itself is active.
void PlayerCommands::noteActive(QMdiSubWindow* window) {
    if (window == nullptr) {
        return;
    }
    m_lastActive = window;
    if (m_finder != nullptr) {
        const StatisticsView* view = lastActiveView();
        m_finder->setActiveDatabase(view != nullptr ? std::optional(view->databaseKind())
                                                    : std::nullopt);
    }
}

StatisticsView* PlayerCommands::lastActiveView() const {
    return m_lastActive ? qobject_cast<StatisticsView*>(m_lastActive->widget()) : nullptr;
}

PlayerPage* PlayerCommands::OpenPage(const QString& playerId) {
    BusyCursor hourglass;
    const ServiceHosts hosts = m_hooks.hosts();
    QPointer<QObject> guard(this);
    THttpCli client;
    const std::optional<QByteArray> reply =
        FetchFromHosts(client, hosts, PlayerFactsPath(playerId));
    if (!guard) {
        return nullptr;
    }
    int requests = 1;
    if (!reply) {
        QMessageBox::warning(
            m_parent, QStringLiteral("Player page"),
            QStringLiteral("No statistics host answered for the player %1.").arg(playerId));
        return nullptr;
    }
    const PlayerFacts facts = ParsePlayerFacts(*reply);
    std::vector<PlayerPage::Table> tables;
    QStringList problems;
    for (const DatabaseKind kind : kPlayerTables) {
        const QString label = facts.value(QLatin1String(labelKey(kind)));
        if (label.isEmpty()) {
            continue;
        }
        PlayerTableResult table = FetchPlayerTable(kind, label, hosts);
        if (!guard) {
            return nullptr;
        }
        requests += table.requests;
        if (!table.ok) {
            problems << table.problem;
            continue;
        }
        tables.push_back({kind, std::move(table.rows)});
    }
    m_lastRequests = requests;
    auto* page = new PlayerPage(facts, std::move(tables));
    connect(page, &PlayerPage::teamSeasonRequested, this, &PlayerCommands::OpenTeamSeason);
    QMdiSubWindow* frame = m_area->addSubWindow(page);
    frame->resize(m_area->size() * 0.9);
    frame->show();
    m_area->setActiveSubWindow(frame);
    page->focusFirstTable();
    hourglass.release();
    if (!problems.isEmpty()) {
        QMessageBox::warning(page, page->windowTitle(), problems.join(QLatin1Char('\n')));
    }
    return page;
}

void PlayerCommands::SelectInActiveWindow(const PlayerMatch& player) {
    StatisticsView* view = lastActiveView();
    if (view == nullptr) {
        Finder()->showStatus(QStringLiteral("Open a Batters, Pitchers or Fielders window first."));
        return;
    }
    const DatabaseKind kind = view->databaseKind();
    const QString label = player.label(labelIndex(kind));
    if (kind == DatabaseKind::Teams) {
        Finder()->showStatus(QStringLiteral("Teams lists clubs, not players."));
        return;
    }
    if (label.isEmpty()) {
        Finder()->showStatus(QStringLiteral("%1 has no rows in %2.")
                                 .arg(player.name, QLatin1String(labelKey(kind))));
        return;
    }
    QueryState& state = view->queryState();
    if (state.SelectionCount + 2 > QueryState::MaxSelectionItems) {
        Finder()->showStatus(QStringLiteral("The window's query holds as many selections as it "
                                            "can."));
        return;
    }
    // As Select Player: a player selection puts the sort back to the default order.
    ResetSortCodes(state);
    if (!state.AppendGroup(SelectionGroup('A', {label.toStdString()}))) {
        Finder()->showStatus(QStringLiteral("The window's query holds as many selections as it "
                                            "can."));
        return;
    }
    Finder()->showStatus(
        QStringLiteral("%1 selected in %2.").arg(label, QLatin1String(labelKey(kind))));
    view->refreshView();
}

void PlayerCommands::AddContextEntry(QMenu* menu, StatisticsView* view) {
    const DatabaseKind kind = view->databaseKind();
    if (kind == DatabaseKind::Teams) {
        return;
    }
    const int position = view->grid()->row() - view->grid()->fixedRows();
    if (position < 0 || !view->records().isShown(position)) {
        return;
    }
    const QString name = view->records().cellText(position, 0).trimmed();
    const QString year = view->records().cellText(position, PlayerPageYearColumn).trimmed();
    if (name.isEmpty()) {
        return;
    }
    menu->addSeparator();
    QAction* entry = menu->addAction(QStringLiteral("Player page: ") + name);
    entry->setObjectName(QStringLiteral("PlayerPage1"));
    connect(entry, &QAction::triggered, this,
            [this, kind, name, year] { openPageOfRow(kind, name, year); });
}

// The grid shows a name, not a code: the search by that name, narrowed to the players of the
// table whose seasons hold the row's.
void PlayerCommands::openPageOfRow(DatabaseKind kind, const QString& name, const QString& year) {
    QPointer<QObject> guard(this);
    THttpCli client;
    QString words = name;
    words.replace(QLatin1Char(','), QLatin1Char(' '));
    const auto reply = FetchFromHosts(client, m_hooks.hosts(), PlayerSearchPath(words));
    if (!guard) {
        return;
    }
    if (!reply) {
        QMessageBox::warning(
            m_parent, QStringLiteral("Player page"),
            QStringLiteral("No statistics host answered the search for %1.").arg(name));
        return;
    }
    QString chosen;
    const int season = year.toInt();
    for (const PlayerMatch& m : ParsePlayerMatches(*reply)) {
        if (!m.name.startsWith(name) || m.label(labelIndex(kind)).isEmpty()) {
            continue;
        }
        const QStringList span = m.years.split(QLatin1Char('-'));
        const bool holds =
            span.size() == 2 && span[0].toInt() <= season && season <= span[1].toInt();
        if (chosen.isEmpty() || holds) {
            chosen = m.id;
        }
        if (holds) {
            break;
        }
    }
    if (chosen.isEmpty()) {
        QMessageBox::warning(m_parent, QStringLiteral("Player page"),
                             QStringLiteral("No player named %1 was found.").arg(name));
        return;
    }
    OpenPage(chosen);
}

void PlayerCommands::OpenTeamSeason(const QString& teamName, const QString& year) {
    const auto select = [teamName, year](QueryState& state) {
        state.Reset(QueryState::TeamsSortCode);
        state.AppendGroup(SelectionGroup('B', {teamName.toStdString()}));
        state.AppendGroup(SelectionGroup('C', {year.toStdString()}));
    };
    if (StatisticsView* teams = m_hooks.view(DatabaseKind::Teams)) {
        select(teams->queryState());
        if (auto* frame = qobject_cast<QMdiSubWindow*>(teams->parentWidget())) {
            m_area->setActiveSubWindow(frame);
        }
        teams->refreshView();
        return;
    }
    m_hooks.open(DatabaseKind::Teams,
                 [select](StatisticsView& view) { select(view.queryState()); });
}
