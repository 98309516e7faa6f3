#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include "databases/databaseinfo.h"
#include "query/hiddencolumns.h"

class QueryTarget;
class TForm11;

// Columns at the left of a view that cannot be hidden: 3, Teams 2.
int UnhideableColumns(DatabaseKind kind);

// The title of grid column `column`: its catalogue description cut to 30
// characters; empty past the catalogue.
QString HiddenColumnTitle(DatabaseKind kind, int column);

// Records column `column` as hidden with `width` and `title`. Refuses (false)
// a fixed column and one already in the list.
bool AddHiddenColumn(HiddenColumns& hidden, DatabaseKind kind, int column, int width,
                     const QString& title);

// Removes the entries at `rows` (positions in the list) and returns them as
// (column, width) in list order; the others keep their order. Rows out of
// range are ignored.
QList<QPair<int, int>> TakeHiddenColumns(HiddenColumns& hidden, const QList<int>& rows);

// Hides the view's column `column` (the grid's current column on a
// double-click): saves its width and title and sets the width to 0. Fixed
// and already hidden columns are left alone.
void HideColumn(QueryTarget& target, int column);

// Runs the Unhide column dialog on the view's hidden columns: "&Ok" restores
// the selected ones, "&Unhide all" every one, "&Cancel" nothing.
void UnhideColumns(QueryTarget& target, TForm11& dialog);
