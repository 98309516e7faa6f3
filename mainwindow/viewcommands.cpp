#include "mainwindow/viewcommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

#include "mainwindow/linesmenu.h"
#include "platform/drawgrid.h"
#include "query/columncommands.h"
#include "query/columnhiding.h"
#include "query/querydescription.h"
#include "views/csvexporter.h"
#include "views/statisticsview.h"
#include "views/tabletext.h"

namespace {

// The grid a context menu event reached: the grid itself (menu key) or its
// viewport (mouse).
StatisticsView* ViewOfGrid(QObject* watched, DrawGrid** grid) {
    QObject* candidate = watched;
    if (qobject_cast<DrawGrid*>(candidate) == nullptr && candidate != nullptr)
        candidate = candidate->parent();
    *grid = qobject_cast<DrawGrid*>(candidate);
    if (*grid == nullptr)
        return nullptr;
    return qobject_cast<StatisticsView*>((*grid)->parent());
}

QAction* AddEntry(QMenu* menu, const char* name, const QString& text, bool enabled = true) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setEnabled(enabled);
    return action;
}

} // namespace

ViewCommands::ViewCommands(const MainMenu& menu, std::function<QueryDialogs()> dialogs,
                           std::function<StatisticsView*()> activeView, QObject* parent)
    : QObject(parent), m_dialogs(std::move(dialogs)), m_activeView(std::move(activeView)),
      m_exporter(new CsvExporter(this)) {
    // Below "&Print", enabled while it is (while a database window is active).
    Export1 = new QAction(QStringLiteral("&Export to CSV..."), menu.Options1);
    Export1->setObjectName(QStringLiteral("Export1"));
    Export1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    Export1->setEnabled(menu.Print1->isEnabled());
    const QList<QAction*> options = menu.Options1->actions();
    const qsizetype print = options.indexOf(menu.Print1);
    menu.Options1->insertAction(options.value(print + 1), Export1);
    QAction* printEntry = menu.Print1;
    connect(printEntry, &QAction::changed, Export1,
            [this, printEntry] { Export1->setEnabled(printEntry->isEnabled()); });
    connect(Export1, &QAction::triggered, this,
            [this] { m_exporter->Export1Click(m_activeView()); });
    menu.Print1->setShortcut(QKeySequence::Print);
    new LinesMenu(menu.Options1, m_activeView, this);
    // Closing a dialog that a menu command opened from the keyboard hands the
    // focus back to the menu bar (or to nothing), where the grid's keys do not
    // reach: the active database window's grid takes it back. Alt pressed in
    // the window still moves the focus to the menu bar.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const bool fromOutside =
            old == nullptr || (now != nullptr && old->window() != now->window());
        if (now != nullptr && !(qobject_cast<QMenuBar*>(now) != nullptr && fromOutside))
            return;
        QTimer::singleShot(0, this, [this] {
            QWidget* focus = QApplication::focusWidget();
            if (QApplication::activePopupWidget() != nullptr ||
                (focus != nullptr && qobject_cast<QMenuBar*>(focus) == nullptr))
                return;
            StatisticsView* view = m_activeView();
            if (view != nullptr && view->isActiveWindow() && view->isVisible())
                view->DrawGrid1->setFocus(Qt::OtherFocusReason);
        });
    });
}

ViewCommands::~ViewCommands() = default;

void ViewCommands::AttachView(StatisticsView* view) {
    QPointer<StatisticsView> guard(view);
    auto* copy = new QAction(QStringLiteral("Copy"), view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, view, [guard] { CopyRows(guard); });
    view->addAction(copy);
    auto* undo = new QAction(QStringLiteral("Undo"), view);
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QAction::triggered, view, [guard] {
        if (guard)
            guard->undoQuery();
    });
    view->addAction(undo);
    view->DrawGrid1->installEventFilter(this);
    view->DrawGrid1->viewport()->installEventFilter(this);
    // A click on a column title is the Sort command; it does nothing while
    // the window waits for a reply (its query commands disabled meanwhile).
    connect(view->DrawGrid1, &DrawGrid::headerClicked, view,
            [this, guard](int column, Qt::KeyboardModifiers modifiers) {
                TForm6* sort = m_dialogs().sort;
                if (!guard || sort == nullptr || guard->isFetching() ||
                    guard->DrawGrid1->inputBlocked() ||
                    QApplication::activeModalWidget() != nullptr)
                    return;
                SortByTitleClick(*guard, *sort, column, modifiers.testFlag(Qt::ShiftModifier));
            });
}

bool ViewCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    DrawGrid* grid = nullptr;
    StatisticsView* view = ViewOfGrid(watched, &grid);
    if (view == nullptr || grid->inputBlocked())
        return QObject::eventFilter(watched, event);
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    int column = grid->col();
    int row = grid->row();
    QPoint at = grid->viewport()->mapToGlobal(grid->cellRect(column, row).bottomLeft());
    if (menuEvent->reason() != QContextMenuEvent::Keyboard) {
        const QPoint inViewport = grid->viewport()->mapFromGlobal(menuEvent->globalPos());
        int clickedColumn = 0;
        int clickedRow = 0;
        if (grid->cellAt(inViewport, &clickedColumn, &clickedRow)) {
            column = clickedColumn;
            // A click outside the selection makes the clicked cell current,
            // so that copy takes the row the user pointed at.
            const QRect selected = grid->selection();
            if (clickedRow >= grid->fixedRows() &&
                (clickedRow < selected.top() || clickedRow > selected.bottom()))
                grid->setCurrentCell(std::max(clickedColumn, grid->fixedCols()), clickedRow);
        }
        at = menuEvent->globalPos();
    }
    QPointer<QMenu> menu = ContextMenu(view, column);
    menu->exec(at);
    delete menu;
    return true;
}

QMenu* ViewCommands::ContextMenu(StatisticsView* view, int column) {
    auto* menu = new QMenu(view);
    const DatabaseKind kind = view->databaseKind();
    const DatabaseInfo& info = view->records().info();
    if (column < 0 || static_cast<std::size_t>(column) >= info.columns.size())
        column = info.fixedColumns;
    const int field = info.columns[static_cast<std::size_t>(column)].sortField;
    const QString name = FieldShortName(kind, field);
    const QueryDialogs dialogs = m_dialogs();
    QPointer<StatisticsView> guard(view);
    const bool idle = !view->isFetching();

    QAction* ascending =
        AddEntry(menu, "SortAscending", QStringLiteral("Sort by %1 Ascending").arg(name), idle);
    QAction* descending =
        AddEntry(menu, "SortDescending", QStringLiteral("Sort by %1 Descending").arg(name), idle);
    TForm6* sort = dialogs.sort;
    for (QAction* action : {ascending, descending}) {
        const bool down = action == descending;
        action->setEnabled(action->isEnabled() && sort != nullptr);
        connect(action, &QAction::triggered, view, [guard, sort, field, down] {
            if (guard && sort != nullptr)
                SortByField(*guard, *sort, field, down);
        });
    }
    QMenu* add = menu->addMenu(QStringLiteral("Add %1 as Next Sort Key").arg(name));
    add->setEnabled(idle && sort != nullptr && CanAddSortField(view->queryState(), field));
    QAction* addUp = AddEntry(add, "AddSortAscending", QStringLiteral("Ascending"));
    QAction* addDown = AddEntry(add, "AddSortDescending", QStringLiteral("Descending"));
    for (QAction* action : {addUp, addDown}) {
        const bool down = action == addDown;
        action->setEnabled(add->isEnabled());
        connect(action, &QAction::triggered, view, [guard, sort, field, down] {
            if (guard && sort != nullptr)
                AddSortField(*guard, *sort, field, down);
        });
    }
    TBtnRightDlg* limit = dialogs.limit;
    QAction* limitEntry = AddEntry(menu, "LimitColumn", QStringLiteral("Limit %1...").arg(name),
                                   idle && limit != nullptr);
    connect(limitEntry, &QAction::triggered, view, [guard, limit, field] {
        if (guard && limit != nullptr)
            LimitRecords(*guard, *limit, field);
    });
    menu->addSeparator();

    bool hidden = false;
    for (const HiddenColumn& entry : view->hiddenColumns().entries)
        hidden = hidden || entry.column == column;
    QAction* hide = AddEntry(menu, "HideColumn", QStringLiteral("Hide Column %1").arg(name),
                             column >= UnhideableColumns(kind) && !hidden);
    connect(hide, &QAction::triggered, view, [guard, column] {
        if (guard)
            guard->DrawGrid1DblClick(column, guard->DrawGrid1->row());
    });
    TForm11* unhideDialog = dialogs.unhide;
    QAction* unhide = AddEntry(menu, "UnhideColumns", QStringLiteral("Unhide Columns..."),
                               unhideDialog != nullptr && !view->hiddenColumns().entries.isEmpty());
    connect(unhide, &QAction::triggered, view, [guard, unhideDialog] {
        if (guard && unhideDialog != nullptr)
            UnhideColumns(*guard, *unhideDialog);
    });
    menu->addSeparator();

    QAction* copy = AddEntry(menu, "CopyRows", QStringLiteral("Copy Rows"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, view, [guard] { CopyRows(guard); });
    QAction* exportEntry =
        AddEntry(menu, "ExportCsv", QStringLiteral("Export to CSV..."), !m_exporter->isRunning());
    exportEntry->setShortcut(Export1->shortcut());
    connect(exportEntry, &QAction::triggered, this, [this, guard] {
        if (guard)
            m_exporter->Export1Click(guard);
    });
    menu->addSeparator();
    QMenu* lines = menu->addMenu(QStringLiteral("Lines"));
    lines->setObjectName(QStringLiteral("LinesMenu"));
    LinesMenu::Fill(lines, view);
    LinesMenu::AddMoreColumns(menu, view);
    QAction* undo = AddEntry(menu, "UndoQuery", QStringLiteral("Undo"), idle && view->canUndo());
    undo->setShortcut(QKeySequence::Undo);
    connect(undo, &QAction::triggered, view, [guard] {
        if (guard)
            guard->undoQuery();
    });
    if (m_contextExtension)
        m_contextExtension(menu, view, column);
    return menu;
}

void ViewCommands::CopyRows(StatisticsView* view) {
    if (view == nullptr)
        return;
    DrawGrid* grid = view->DrawGrid1;
    const QRect selected = grid->selection();
    int first = grid->row();
    int last = grid->row();
    if (selected.isValid() && selected.height() > 0) {
        first = selected.top();
        last = selected.bottom();
    }
    first = std::max(first, grid->fixedRows());
    last = std::min(last, grid->rowCount() - 1);
    QList<int> rows;
    for (int row = first; row <= last; ++row)
        rows << row;
    QApplication::clipboard()->setText(RowsAsTabText(view->records(), ShownColumns(*grid), rows));
}
