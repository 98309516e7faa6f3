#include "views/viewcell.h"

#include "databases/rowbands.h"
#include "views/viewrecords.h"

ViewCell ViewCellAt(const ViewRecords& records, int column, int row) {
    ViewCell cell;
    const auto& columns = records.info().columns;
    if (column < 0 || static_cast<std::size_t>(column) >= columns.size() || row < 0) {
        return cell;
    }
    if (row < 2) {
        const ColumnSpec& col = columns[static_cast<std::size_t>(column)];
        cell.text = QString::fromLatin1(row == 0 ? col.headerTop : col.title);
        return cell;
    }
    const int position = row - 2;
    if (position > records.shownRecords()) {
        return cell;
    }
    const std::uint8_t band = records.band(position);
    if (band == RowBands::Totals) {
        cell.text = records.cellText(position, column);
        return cell;
    }
    cell.ink = band == RowBands::SecondBand ? CellInk::SecondBand : CellInk::FirstBand;
    if (records.isShown(position)) {
        cell.text = records.cellText(position, column);
    }
    return cell;
}
