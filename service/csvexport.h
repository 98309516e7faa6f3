#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/engine/engine.h"
#include "service/httpserver.h"

namespace bbstatsd {

struct TableDef;

// The rows of a whole query result as CSV text (RFC 4180, UTF-8): per row the chosen record
// lines in the chosen order, separated by commas and ended by CR LF; a missing value is an
// empty field; a value holding a comma, quote, CR or LF is quoted, its quotes doubled. No
// header row: the fields' titles are the client's. The text is written a block at a time as
// it is read, so it is never held whole.
class CsvRows {
public:
    // The rows of `whole`, each with the record lines `lines` (reply-line numbers).
    CsvRows(ResultRows whole, std::vector<int> lines);

    // Bytes of the whole text.
    std::uint64_t size() const { return m_size; }
    // Writes up to `max` bytes of the text from `offset` (where the last read ended) into
    // `out`; returns how many, 0 at the end, -1 for an offset out of sequence.
    long read(std::uint64_t offset, char* out, std::size_t max);

    // Appends the CSV row of table row `row` to `out`.
    void appendRow(std::uint32_t row, std::string& out) const;

private:
    ResultRows m_whole;
    std::vector<int> m_lines;
    std::uint64_t m_size = 0;
    std::uint64_t m_offset = 0; // bytes handed out so far
    std::size_t m_position = 0; // next result position to write
    std::string m_pending;      // written but not yet handed out, from m_pendingAt
    std::size_t m_pendingAt = 0;
};

// The record lines of a "columns" list: sortable-field numbers separated by commas, each
// known to the table; every sortable field in list order when the list is absent. Throws
// RequestError naming what is wrong.
std::vector<int> csvLines(const TableDef& def, std::optional<std::string_view> columns);

// The export path of a statistics service path: "/cgi-bin/getbat.exe" gives
// "/cgi-bin/getbat.csv".
std::string csvPath(const std::string& servicePath);

// POST of a page request's text to the export path of `table` (query "columns=" as above):
// the whole result of the request as CSV, streamed with its length stated. What the page
// request refuses is refused the same (400 with the same problem).
HttpRoute csvExportRoute(Engine& engine, const std::string& servicePath, Table table);

} // namespace bbstatsd
