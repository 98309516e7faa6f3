#pragma once

#include <functional>

#include <QObject>

#include "mainwindow/mainmenu.h"
#include "query/queryoperations.h"

class CsvExporter;
class QAction;
class QMenu;
class QWidget;
class StatisticsView;

// The commands a database window offers besides the menu bar's: Options >
// "&Export to CSV..." (Ctrl+E), Ctrl+P for "&Print", and in each window
// Ctrl+C (copy the selected rows), Ctrl+Z (undo the last query step) and the
// grid's context menu (right button or the menu key) with the query
// commands for the column under it and the window's lines modes. Each context command runs the same
// operation as the menu command it stands for, on that window.
class ViewCommands : public QObject {
    Q_OBJECT
public:
    // Adds the export entry to `menu`'s Options menu and the print shortcut.
    // `dialogs` gives the start-up dialogs, `activeView` the window the menu
    // commands act on (null when none).
    ViewCommands(const MainMenu& menu, std::function<QueryDialogs()> dialogs,
                 std::function<StatisticsView*()> activeView, QObject* parent);
    ~ViewCommands() override;

    // Gives `view` its copy and undo shortcuts and its context menu.
    void AttachView(StatisticsView* view);

    // Options > "&Export to CSV...".
    QAction* Export1 = nullptr;
    CsvExporter& Exporter() { return *m_exporter; }

    // The context menu for grid column `column` of `view`, its entries named
    // SortAscending, SortDescending, AddSortAscending, AddSortDescending,
    // LimitColumn, HideColumn, UnhideColumns, CopyRows, ExportCsv, UndoQuery;
    // owned by the caller.
    QMenu* ContextMenu(StatisticsView* view, int column);
    // Called with each context menu just built, to add entries at its end.
    void SetContextMenuExtension(std::function<void(QMenu*, StatisticsView*, int)> extension) {
        m_contextExtension = std::move(extension);
    }

    // The selected rows of `view` (the current row when nothing is selected)
    // as tab-separated text with a title line, put on the clipboard.
    static void CopyRows(StatisticsView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<QueryDialogs()> m_dialogs;
    std::function<StatisticsView*()> m_activeView;
    CsvExporter* m_exporter = nullptr;
    std::function<void(QMenu*, StatisticsView*, int)> m_contextExtension;
};
