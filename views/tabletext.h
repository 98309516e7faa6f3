#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "databases/databaseinfo.h"

class DrawGrid;
class ViewRecords;

// One field of a CSV line (RFC 4180): as it is, or in double quotes with its
// quotes doubled when it holds a comma, a quote, CR or LF.
QString CsvField(const QString& value);
// The fields as one CSV line ended by CR LF.
QString CsvLine(const QStringList& fields);

// The columns a grid shows, in its order from left to right: logical column
// numbers, hidden columns (width 0) left out.
QList<int> ShownColumns(const DrawGrid& grid);

// The title of `column` in one line: its two title rows trimmed and joined
// ("TEAM CODE", "HOME WINS", "HR").
QString ColumnTitle(DatabaseKind kind, int column);

// Grid rows `rows` of a view as tab-separated text for the clipboard: a line
// of the titles of `columns`, then one line per row with the cell texts as
// drawn, trimmed; "---" (missing) as an empty cell. Lines end with LF; a tab
// inside a value becomes a blank.
QString RowsAsTabText(const ViewRecords& records, const QList<int>& columns,
                      const QList<int>& rows);
