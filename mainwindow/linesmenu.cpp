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
    // Filled as the Options menu opens, so it shows the active window's mode.
    connect(options, &QMenu::aboutToShow, this,
            [this, activeView = std::move(activeView)] { Fill(Lines1, activeView()); });
    Fill(Lines1, nullptr);
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
