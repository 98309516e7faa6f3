#include "mainwindow/querystepscommands.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

#include "views/querystepspanel.h"
#include "views/querytextlabel.h"
#include "views/statisticsview.h"

namespace {

const QString kCaption = QStringLiteral("Query &steps...");

} // namespace

QueryStepsCommands::QueryStepsCommands(const MainMenu& menu, QAction* after,
                                       std::function<StatisticsView*()> activeView,
                                       std::function<ServiceHosts()> hosts, QObject* parent)
    : QObject(parent), m_activeView(std::move(activeView)), m_hosts(std::move(hosts)) {
    QuerySteps1 = new QAction(kCaption, menu.Options1);
    QuerySteps1->setObjectName(QStringLiteral("QuerySteps1"));
    QuerySteps1->setEnabled(menu.Print1->isEnabled());
    const QList<QAction*> options = menu.Options1->actions();
    menu.Options1->insertAction(options.value(options.indexOf(after) + 1), QuerySteps1);
    QAction* printEntry = menu.Print1;
    connect(printEntry, &QAction::changed, QuerySteps1,
            [this, printEntry] { QuerySteps1->setEnabled(printEntry->isEnabled()); });
    connect(QuerySteps1, &QAction::triggered, this, [this] { OpenPanel(m_activeView()); });
}

void QueryStepsCommands::AddContextEntry(QMenu* menu, StatisticsView* view) {
    QAction* entry = menu->addAction(kCaption);
    entry->setObjectName(QStringLiteral("QueryStepsEntry"));
    QPointer<StatisticsView> guard(view);
    connect(entry, &QAction::triggered, view, [this, guard] {
        if (guard)
            OpenPanel(guard);
    });
}

void QueryStepsCommands::AttachView(StatisticsView* view) {
    QPointer<StatisticsView> guard(view);
    connect(view->QueryText, &QueryTextLabel::clicked, view, [this, guard] {
        if (guard)
            OpenPanel(guard);
    });
}

QueryStepsPanel* QueryStepsCommands::PanelOf(StatisticsView* view) {
    return view == nullptr
               ? nullptr
               : view->findChild<QueryStepsPanel*>(QString(), Qt::FindDirectChildrenOnly);
}

QueryStepsPanel* QueryStepsCommands::OpenPanel(StatisticsView* view) {
    if (view == nullptr)
        return nullptr;
    // One panel per window: a second command brings it forward.
    QueryStepsPanel* panel = PanelOf(view);
    if (panel != nullptr) {
        panel->show();
        panel->raise();
        panel->activateWindow();
        return panel;
    }
    panel = new QueryStepsPanel(view, m_hosts());
    panel->show();
    panel->activateWindow();
    panel->StepList->setFocus();
    QPointer<QueryStepsPanel> guard(panel);
    panel->refresh();
    return guard.data();
}
