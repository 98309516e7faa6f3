#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/engine/shownfigure.h"
#include "service/engine/tabledata.h"

namespace bbstatsd {

// Appends the lines of one record (each ended by CR LF) as the client reads them. Reals are
// written as the client shows them (see shownfigure.h), "." whatever the locale; a missing
// one as the table's marker.
void appendRecord(const TableData& data, std::uint32_t row, std::string& out);

// appendRecord for many rows of one table: what each line needs to show its figures is looked
// up once, not per row. data must outlive it.
class RecordWriter {
public:
    explicit RecordWriter(const TableData& data);
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Appends the lines of row, as appendRecord does.
    void append(std::uint32_t row, std::string& out) const;

private:
    const TableData& m_data;
    std::vector<ShownLine> m_shown; // per line
};

// Appends a record of empty lines, for positions past the end of a result.
void appendBlankRecord(const TableDef& def, std::string& out);

// The totals record of rows: sums of the counts, ratios recomputed from the sums (written as
// shown, like a record's), "TOTALS"
// in the name line, other texts empty.
std::string totalsRecord(const TableData& data, const std::vector<std::uint32_t>& rows);

} // namespace bbstatsd
