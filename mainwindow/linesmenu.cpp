#include "mainwindow/linesmenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPointer>

#include "query/linesoperations.h"
#include "views/statisticsview.h"

LinesMenu::LinesMenu(QMenu* options, std::function<StatisticsView*()> activeView, QObject* parent)
    : QObject(parent) {
    Lines1 = new QMenu(QStringLiteral("&Lines"), options);
    Lines1->setObjectName(QStringLiteral("Lines1"));
    Lines1->menuAction()->setObjectName(QStringLiteral("Lines1Action"));
    QAction* before = nullptr;
    for (QAction* action : options->actions()) {
        if (action->objectName() == QLatin1String("Datasources1"))
            before = action;
    }
    options->insertMenu(before, Lines1);
    MoreColumns1 = new QAction(QStringLiteral("&More columns"), options);
    MoreColumns1->setObjectName(QStringLiteral("MoreColumns1"));
    MoreColumns1->setCheckable(true);
    options->insertAction(before, MoreColumns1);
    // Filled as the Options menu opens, so it shows the active window's mode.
    connect(options, &QMenu::aboutToShow, this, [this, activeView = std::move(activeView)] {
        StatisticsView* view = activeView();
        Fill(Lines1, view);
        Show(MoreColumns1, view);
    });
    Fill(Lines1, nullptr);
    Show(MoreColumns1, nullptr);
}

void LinesMenu::Show(QAction* more, StatisticsView* view) {
    QObject::disconnect(more, &QAction::triggered, nullptr, nullptr);
    more->setChecked(view != nullptr && view->queryState().MoreColumns);
    more->setEnabled(view != nullptr && !view->isFetching());
    QPointer<StatisticsView> guard(view);
    QObject::connect(more, &QAction::triggered, more, [guard](bool on) {
        if (guard)
            SetMoreColumns(*guard, on);
    });
}

QAction* LinesMenu::AddMoreColumns(QMenu* menu, StatisticsView* view) {
    QAction* more = menu->addAction(QStringLiteral("&More columns"));
    more->setObjectName(QStringLiteral("MoreColumns"));
    more->setCheckable(true);
    Show(more, view);
    return more;
}

void LinesMenu::Fill(QMenu* lines, StatisticsView* view) {
    lines->clear();
    const QueryState* state = view != nullptr ? &view->queryState() : nullptr;
    const bool offered =
        view != nullptr && !view->isFetching() && LinesOffered(view->databaseKind());
    auto* group = new QActionGroup(lines);
    QPointer<StatisticsView> guard(view);
    const std::pair<const char*, QString> names[] = {
        {"LinesPerTeam", QStringLiteral("Per &team")},
        {"LinesPerSeason", QStringLiteral("Per &season")},
        {"LinesPerCareer", QStringLiteral("Per &career")},
    };
    const LinesMode modes[] = {LinesMode::PerTeam, LinesMode::PerSeason, LinesMode::PerCareer};
    for (int i = 0; i < 3; ++i) {
        QAction* action = lines->addAction(names[i].second);
        action->setObjectName(QLatin1String(names[i].first));
        action->setCheckable(true);
        action->setActionGroup(group);
        action->setChecked(state != nullptr ? state->Lines == modes[i] : i == 0);
        action->setEnabled(offered);
        const LinesMode mode = modes[i];
        QObject::connect(action, &QAction::triggered, lines, [guard, mode] {
            if (guard)
                SetLinesMode(*guard, mode);
        });
    }
    lines->addSeparator();
    QAction* qualified = lines->addAction(QStringLiteral("&Qualified only"));
    qualified->setObjectName(QStringLiteral("QualifiedOnly"));
    qualified->setCheckable(true);
    qualified->setChecked(state != nullptr && state->QualifiedOnly);
    qualified->setEnabled(offered && QualifierOffered(view->databaseKind(), *state));
    QObject::connect(qualified, &QAction::triggered, lines, [guard](bool on) {
        if (guard)
            SetQualifiedOnly(*guard, on);
    });
}
