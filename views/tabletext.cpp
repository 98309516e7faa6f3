#include "views/tabletext.h"

#include "platform/drawgrid.h"
#include "views/viewcell.h"
#include "views/viewrecords.h"

QString CsvField(const QString& value) {
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n'))) {
        return value;
    }
    QString quoted = value;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvLine(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields) {
        quoted << CsvField(field);
    }
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QList<int> ShownColumns(const DrawGrid& grid) {
    QList<int> columns;
    for (int position = 0; position < grid.colCount(); ++position) {
        const int column = grid.columnAt(position);
        if (column >= 0 && grid.colWidth(column) > 0) {
            columns << column;
        }
    }
    return columns;
}

QString ColumnTitle(DatabaseKind kind, int column) {
    // The "More columns" tables: the database's own columns under the same
    // numbers, the added ones after them.
    const DatabaseInfo& info = DatabaseInfoFor(kind, true);
    if (column < 0 || static_cast<std::size_t>(column) >= info.columns.size()) {
        return {};
    }
    const ColumnSpec& entry = info.columns[static_cast<std::size_t>(column)];
    return (QLatin1String(entry.headerTop) + QLatin1Char(' ') + QLatin1String(entry.title))
        .simplified();
}

QString RowsAsTabText(const ViewRecords& records, const QList<int>& columns,
                      const QList<int>& rows) {
    const DatabaseKind kind = records.info().kind;
    QStringList lines;
    QStringList cells;
    for (const int column : columns) {
        cells << ColumnTitle(kind, column);
    }
    lines << cells.join(QLatin1Char('\t'));
    for (const int row : rows) {
        cells.clear();
        for (const int column : columns) {
            QString text = ViewCellAt(records, column, row).text.trimmed();
            if (text == QLatin1String("---")) {
                text.clear();
            }
            cells << text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
