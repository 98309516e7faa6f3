#pragma once

#include <QString>

class ViewRecords;

// Which colour a statistics grid cell's text takes.
enum class CellInk {
    Black,      // title rows and the totals row
    FirstBand,  // a data row of band 0
    SecondBand, // a data row of band 1
};

// What one grid cell shows.
struct ViewCell {
    QString text;
    CellInk ink = CellInk::Black;
};

// The cell at grid (column, row): rows 0 and 1 are the two title rows, row r
// >= 2 the record at result position r - 2, the row after the last record
// the totals record. A data row whose slot holds no record (never fetched, or
// an empty year) has an empty text in every column.
ViewCell ViewCellAt(const ViewRecords& records, int column, int row);
