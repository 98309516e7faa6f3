#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/engine/tabledata.h"

namespace bbstatsd {

// Appends the lines of one record (each ended by CR LF) as the client reads them.
void appendRecord(const TableData& data, std::uint32_t row, std::string& out);

// Appends a record of empty lines, for positions past the end of a result.
void appendBlankRecord(const TableDef& def, std::string& out);

// The totals record of rows: sums of the counts, ratios recomputed from the sums, "TOTALS"
// in the name line, other texts empty.
std::string totalsRecord(const TableData& data, const std::vector<std::uint32_t>& rows);

// Appends a real with six decimals and "." whatever the locale.
void appendReal(std::string& out, double value);

} // namespace bbstatsd
