#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include <QString>
#include <QStringList>

#include "databases/cellformat.h"
#include "databases/recordlayout.h"

// The four databases. The numbers are the database kinds the print options
// store with their column catalogue.
enum class DatabaseKind {
    Batters = 1,
    Pitchers = 2,
    Teams = 3,
    Fielders = 4,
};

// The place of a database in per-database arrays: 0 batters, 1 pitchers,
// 2 fielders, 3 teams (the order of the menu).
constexpr std::size_t DatabaseIndex(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return 0;
    case DatabaseKind::Pitchers:
        return 1;
    case DatabaseKind::Fielders:
        return 2;
    case DatabaseKind::Teams:
        return 3;
    }
    return 0;
}

// One grid column: its two title rows (drawn as they stand, blanks
// included), initial pixel width, cell format, and the number of its field
// in the database's sortable-field list.
struct ColumnSpec {
    const char* headerTop = ""; // title row 0, mostly empty
    const char* title = "";     // title row 1
    int pixels = 0;
    CellFormat format;
    int sortField = 0;
};

// Everything about a database that does not depend on its record type.
struct DatabaseInfo {
    DatabaseKind kind;
    QString caption;          // window caption, also the key of menu dispatch
    QString servicePath;      // path on the statistics hosts
    QString sortCaption;      // caption of the Sort dialog for this database
    int fixedColumns = 0;     // columns at the left that do not scroll sideways
    int cacheCapacity = 0;    // initial page-cache slots
    int rowBandsCapacity = 0; // initial band bytes; grows with the result
    int bandModes = 0;        // band modes 0 .. bandModes - 1 have a key field
    MissingReal missingReal = MissingReal::NegativeOrMillion;
    std::span<const ColumnSpec> columns;
    QStringList sortFields; // the Sort and Limit lists, without "NONE"
    QString printExtension; // default extension of print settings files
    QString printFilter;    // file dialog filter of print settings files
};

// Reads the field a band pass compares; nullptr stands for a band mode the
// database does not know.
template <class Record> using BandKey = std::string_view (*)(const Record& record);

// A database as the grid view and the page fetch use it: one instance per
// record type, living for the whole run.
template <class Record> struct DatabaseDescriptor {
    const DatabaseInfo& info;
    const RecordLayout<Record>& layout;
    // The text of one cell of a data row, or of the totals row when
    // `totalsRow`; an empty text for a column outside the table.
    QString (*cellText)(const Record& record, int column, bool totalsRow);
    // The key field of `bandMode`, or nullptr when the mode is unknown.
    BandKey<Record> (*bandKey)(int bandMode);
};

// True when a cache slot holds a record to draw: its year begins with "1" or
// "2". Slots that no page has filled hold an empty year and draw blank.
template <class Record> bool RecordIsShown(const Record& record) {
    std::string_view year = record.Year.view();
    return !year.empty() && (year.front() == '1' || year.front() == '2');
}

// The database's record-independent tables; with `more`, those of the
// "More columns" option: the same tables with the added columns after the
// database's own and the added fields after its sort fields (so every column
// and field number of the database's own tables means the same in both).
const DatabaseInfo& DatabaseInfoFor(DatabaseKind kind, bool more = false);

// `base` with the "More columns" option: `columns` (base's columns, then the
// added ones) and `addedFields` after base's sort fields.
DatabaseInfo WithAddedColumns(const DatabaseInfo& base, std::span<const ColumnSpec> columns,
                              const QStringList& addedFields);

// The number of columns (and fields) the "More columns" option adds to a
// database: Batters 5, Pitchers 8, Fielders 1, Teams 3.
int AddedColumnCount(DatabaseKind kind);
