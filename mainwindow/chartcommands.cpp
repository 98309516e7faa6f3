#include "mainwindow/chartcommands.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include "charts/chartmodel.h"
#include "charts/chartwindow.h"
#include "platform/drawgrid.h"
#include "query/querydescription.h"
#include "views/statisticsview.h"

ChartCommands::ChartCommands(const MainMenu& menu, QAction* after,
                             std::function<StatisticsView*()> activeView,
                             std::function<ServiceHosts()> hosts, QObject* parent)
    : QObject(parent), m_activeView(std::move(activeView)), m_hosts(std::move(hosts)) {
    Chart1 = new QAction(QStringLiteral("C&hart..."), menu.Options1);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setEnabled(menu.Print1->isEnabled());
    const QList<QAction*> options = menu.Options1->actions();
    menu.Options1->insertAction(options.value(options.indexOf(after) + 1), Chart1);
    QAction* printEntry = menu.Print1;
    connect(printEntry, &QAction::changed, Chart1,
            [this, printEntry] { Chart1->setEnabled(printEntry->isEnabled()); });
    connect(Chart1, &QAction::triggered, this, [this] {
        StatisticsView* view = m_activeView();
        if (view != nullptr)
            OpenChart(view, view->DrawGrid1->col());
    });
}

void ChartCommands::AddContextEntry(QMenu* menu, StatisticsView* view, int column) {
    const DatabaseKind kind = view->databaseKind();
    // The "More columns" tables: the database's own columns under the same
    // numbers, the added ones after them.
    const DatabaseInfo& info = DatabaseInfoFor(kind, true);
    const bool numeric = IsChartableColumn(kind, column);
    const QString name =
        numeric ? FieldShortName(kind, info.columns[static_cast<std::size_t>(column)].sortField)
                : QString();
    menu->addSeparator();
    QAction* entry = menu->addAction(numeric ? QStringLiteral("Chart %1...").arg(name)
                                             : QStringLiteral("Chart..."));
    entry->setObjectName(QStringLiteral("ChartColumn"));
    entry->setEnabled(numeric);
    QPointer<StatisticsView> guard(view);
    connect(entry, &QAction::triggered, view, [this, guard, column] {
        if (guard)
            OpenChart(guard, column);
    });
}

ChartWindow* ChartCommands::ChartOf(StatisticsView* view) {
    return view == nullptr ? nullptr
                           : view->findChild<ChartWindow*>(QString(), Qt::FindDirectChildrenOnly);
}

ChartWindow* ChartCommands::OpenChart(StatisticsView* view, int column) {
    if (view == nullptr)
        return nullptr;
    const DatabaseKind kind = view->databaseKind();
    if (!IsChartableColumn(kind, column))
        column = FirstChartableColumn(kind, DatabaseInfoFor(kind).fixedColumns);
    // One chart per window: a second command moves it to the column.
    ChartWindow* chart = ChartOf(view);
    if (chart != nullptr) {
        chart->show();
        chart->raise();
        chart->activateWindow();
        if (chart->column() != column)
            chart->setColumn(column);
        return chart;
    }
    chart = new ChartWindow(view, column, m_hosts());
    chart->show();
    QPointer<ChartWindow> guard(chart);
    chart->redraw();
    return guard.data();
}
