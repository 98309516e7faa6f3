#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/engine/tabledata.h"

namespace bbstatsd {

// Appends the lines of one record (each ended by CR LF) as the client reads them. Reals are
// written as the client shows them (see shownfigure.h), "." whatever the locale; a missing
// one as the table's marker.
void appendRecord(const TableData& data, std::uint32_t row, std::string& out);

// Appends a record of empty lines, for positions past the end of a result.
void appendBlankRecord(const TableDef& def, std::string& out);

// The totals record of rows: sums of the counts, ratios recomputed from the sums (written as
// shown, like a record's), "TOTALS"
// in the name line, other texts empty.
std::string totalsRecord(const TableData& data, const std::vector<std::uint32_t>& rows);

} // namespace bbstatsd
