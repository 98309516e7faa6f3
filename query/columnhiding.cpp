#include "query/columnhiding.h"

#include <algorithm>

#include <QPointer>
#include <QWidget>

#include "databases/columncatalogue.h"
#include "platform/drawgrid.h"
#include "query/querytarget.h"
#include "query/tform11.h"

int UnhideableColumns(DatabaseKind kind) {
    return kind == DatabaseKind::Teams ? 2 : 3;
}

QString HiddenColumnTitle(DatabaseKind kind, int column) {
    const ColumnCatalogue catalogue = DefaultCatalogue(kind, true);
    if (column < 0 || column >= catalogue.count())
        return {};
    return catalogue.entries[column].description.left(30);
}

bool AddHiddenColumn(HiddenColumns& hidden, DatabaseKind kind, int column, int width,
                     const QString& title) {
    const bool known = std::any_of(hidden.entries.begin(), hidden.entries.end(),
                                   [column](const HiddenColumn& e) { return e.column == column; });
    if (known || column < UnhideableColumns(kind))
        return false;
    hidden.entries.append(HiddenColumn{column, width, title});
    return true;
}

QList<QPair<int, int>> TakeHiddenColumns(HiddenColumns& hidden, const QList<int>& rows) {
    QList<QPair<int, int>> taken;
    QList<HiddenColumn> kept;
    for (int i = 0; i < hidden.entries.size(); ++i) {
        const HiddenColumn& entry = hidden.entries[i];
        if (rows.contains(i))
            taken.append({entry.column, entry.width});
        else
            kept.append(entry);
    }
    hidden.entries = kept;
    return taken;
}

void HideColumn(QueryTarget& target, int column) {
    DrawGrid* grid = target.grid();
    if (grid == nullptr || column < 0 || column >= grid->colCount())
        return;
    const DatabaseKind kind = target.databaseKind();
    if (AddHiddenColumn(target.hiddenColumns(), kind, column, grid->colWidth(column),
                        HiddenColumnTitle(kind, column)))
        grid->setColWidth(column, 0);
}

void UnhideColumns(QueryTarget& target, TForm11& dialog) {
    QPointer<QWidget> view = target.window();
    QStringList titles;
    for (const HiddenColumn& entry : target.hiddenColumns().entries)
        titles.append(entry.title);
    dialog.Prepare(titles);
    const int result = dialog.exec();
    if (view.isNull())
        return;
    QList<int> rows;
    if (result == QDialog::Accepted) {
        rows = dialog.SelectedRows();
    } else if (result == TForm11::UnhideAll) {
        for (int i = 0; i < titles.size(); ++i)
            rows.append(i);
    } else {
        return;
    }
    const QList<QPair<int, int>> restored = TakeHiddenColumns(target.hiddenColumns(), rows);
    DrawGrid* grid = target.grid();
    for (const auto& [column, width] : restored) {
        if (grid != nullptr)
            grid->setColWidth(column, width);
    }
}
