#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
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
// header row: the fields' titles are the client's. Written whole in one pass, so its length is
// known without a second one; `lines` are reply-line numbers.
std::string csvText(const ResultRows& whole, const std::vector<int>& lines);

// Bytes of export texts held at once by replies still being sent, across every export path. A
// text is counted from when it is written until its reply is freed (sent, or its connection
// cut), so clients that read slowly cannot make the service hold more than the bound.
class ExportBudget {
public:
    explicit ExportBudget(std::uint64_t bytes) : m_limit(bytes) {}
    ExportBudget(const ExportBudget&) = delete;
    ExportBudget& operator=(const ExportBudget&) = delete;

    // Counts `bytes` when they fit under the bound; false (nothing counted) otherwise.
    bool take(std::uint64_t bytes);
    // Gives back what take() counted.
    void give(std::uint64_t bytes);
    std::uint64_t held() const;

private:
    const std::uint64_t m_limit;
    mutable std::mutex m_mutex;
    std::uint64_t m_held = 0;
};

// The record lines of a "columns" list: sortable-field numbers separated by commas, each
// known to the table; every sortable field in list order when the list is absent. Throws
// RequestError naming what is wrong.
std::vector<int> csvLines(const TableDef& def, std::optional<std::string_view> columns);

// The export path of a statistics service path: "/cgi-bin/getbat.exe" gives
// "/cgi-bin/getbat.csv".
std::string csvPath(const std::string& servicePath);

// Export texts held at once by default, and how long a reply may take to send: a base and so
// much more per MiB of text (a reader slower than about 128 KiB/s is cut).
inline constexpr std::uint64_t DefaultExportBudget = 96ull << 20;
inline constexpr unsigned ExportSendBaseMs = 10000;
inline constexpr unsigned ExportSendMsPerMiB = 8000;
// Exports waiting for a worker, across the export paths: one more is refused at once (503 with
// Retry-After) when this many wait, or when those waiting would keep it waiting longer than
// ExportLongestWaitMs by how long recent exports took, rather than queued until its client
// gives up.
inline constexpr unsigned ExportsWaiting = 64;
inline constexpr unsigned ExportLongestWaitMs = 2000;

// POST of a page request's text to the export path of `table` (query "columns=" as above;
// "header=1" puts a first row of the columns' titles, as the grid shows them, before the rows):
// the whole result of the request as CSV with its length stated. The query and the writing of
// the text run on the worker pool, under the same limits as an uncached page; the reading
// threads only copy the written bytes out. What the page request refuses is refused the same
// (400 with the same problem); an export past the waiting bound, or one that would take the held
// texts past the budget, is refused at once with 503 and Retry-After. Once its reply has begun
// it is sent whole, unless its reader is slower than the send deadline.
HttpRoute csvExportRoute(Engine& engine, const std::string& servicePath, Table table,
                         std::shared_ptr<ExportBudget> budget);

} // namespace bbstatsd
