#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <QString>

#include "databases/cellformat.h"
#include "databases/databaseinfo.h"
#include "databases/fieldreaders.h"
#include "databases/shortstring.h"

// Building blocks of the per-database column tables: a column description plus the
// record field it shows.

inline FieldValue ToFieldValue(std::int32_t value) {
    return value;
}
inline FieldValue ToFieldValue(double value) {
    return value;
}
inline FieldValue ToFieldValue(char value) {
    return value;
}
template <std::size_t N> FieldValue ToFieldValue(const ShortString<N>& value) {
    return value.view();
}

template <class Record> using FieldGetter = FieldValue (*)(const Record& record);

// Reads the data member `Member` as a FieldValue: `&GetField<&TeamRecord::G>`.
// Text values point into the record and live as long as it does.
template <auto Member>
FieldValue GetField(const typename detail::MemberOf<decltype(Member)>::RecordType& record) {
    return ToFieldValue(record.*Member);
}

template <class Record> struct ColumnDef {
    ColumnSpec column;
    FieldGetter<Record> get;
};

// Shorthands for the cell formats of the tables.
constexpr CellFormat TextCell(int maxChars = 0) {
    return {CellKind::Text, 0, 0, false, maxChars};
}
constexpr CellFormat IntCell(int width) {
    return {CellKind::Integer, width, 0, false, 0};
}
constexpr CellFormat RealCell(int width, int decimals) {
    return {CellKind::Real, width, decimals, false, 0};
}
// An average or percentage: three decimals, the zero integer part blanked.
constexpr CellFormat AverageCell(int width) {
    return {CellKind::Real, width, 3, true, 0};
}
constexpr CellFormat KindCell(CellKind kind) {
    return {kind, 0, 0, false, 0};
}

// The column descriptions of a table, in column order.
template <class Record, std::size_t N>
std::vector<ColumnSpec> ColumnsOf(const ColumnDef<Record> (&defs)[N]) {
    std::vector<ColumnSpec> columns;
    columns.reserve(N);
    for (const ColumnDef<Record>& def : defs) {
        columns.push_back(def.column);
    }
    return columns;
}

// The ordinary (non-totals) text of `column`; empty outside the table.
template <class Record>
QString ColumnCellText(std::span<const ColumnDef<Record>> defs, const Record& record, int column,
                       MissingReal missing) {
    if (column < 0 || static_cast<std::size_t>(column) >= defs.size()) {
        return QString();
    }
    const ColumnDef<Record>& def = defs[static_cast<std::size_t>(column)];
    return FormatCell(def.column.format, def.get(record), missing);
}
