#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "databases/parseintlenient.h"
#include "databases/recordlayout.h"
#include "protocol/pagecache.h"
#include "protocol/pagerequest.h"

// A record count no real database comes near (the largest has under
// 200,000 records): a reply stating more is malformed.
inline constexpr std::int32_t MaxStatedRecords = 10'000'000;

// How far a page reply was read.
struct PageReplyResult {
    // Lines the reply held.
    int lineCount = 0;
    // True when the reply was whole and read; nothing changes otherwise.
    bool complete = false;
    // Why the reply was not read, for the host's failure (empty when read).
    std::string problem;
};

// Lines of a whole page reply for `rowCount` records of `perRecord` lines:
// the count line, the records and the totals record.
inline std::int64_t PageReplyLines(int rowCount, std::size_t perRecord) {
    const std::int64_t rows = rowCount > 0 ? rowCount : 0;
    return 1 + (rows + 1) * static_cast<std::int64_t>(perRecord);
}

// Reads a page reply for `rowCount` records from result position
// `topPosition`: line 0 into `totalRecords`, then the records into the cache
// slots topPosition .. topPosition + rowCount - 1, then `totals`. A reply
// with fewer lines than that or more, or stating a record count below 0 or above
// MaxStatedRecords, changes nothing and is not complete. The cache first
// grows to hold what the reply states.
template <class Record>
PageReplyResult ReadPageReply(std::string_view reply, int topPosition, int rowCount,
                              const RecordLayout<Record>& layout, PageCache<Record>& cache,
                              Record& totals, std::int32_t& totalRecords) {
    const std::int64_t top = topPosition;
    const std::int64_t rows = rowCount > 0 ? rowCount : 0;
    const std::size_t perRecord = layout.readers.size();
    const std::int64_t needed = PageReplyLines(rowCount, perRecord);
    // One line past what was asked for is enough to tell a reply too long.
    const std::vector<std::string_view> lines =
        SplitReplyLines(reply, static_cast<std::size_t>(needed) + 1);
    PageReplyResult result;
    result.lineCount = static_cast<int>(lines.size());
    if (static_cast<std::int64_t>(lines.size()) > needed) {
        result.problem =
            "reply longer than asked for: more than " + std::to_string(needed) + " lines";
        return result;
    }
    if (static_cast<std::int64_t>(lines.size()) < needed) {
        result.problem = "reply cut short: " + std::to_string(lines.size()) + " of " +
                         std::to_string(needed) + " lines";
        return result;
    }
    const std::int32_t stated = ParseIntLenient(lines[0]);
    if (stated < 0 || stated > MaxStatedRecords) {
        result.problem =
            "reply states an impossible record count: " + std::string(lines[0].substr(0, 24));
        return result;
    }
    totalRecords = stated;
    cache.EnsureCapacity(std::max<std::int64_t>(totalRecords, top + rows));
    cache.NoteWrite(top, rows);

    std::size_t next = 1;
    const auto readRecord = [&](Record* record) {
        for (std::size_t k = 0; k < perRecord; ++k) {
            if (next >= lines.size())
                return false;
            if (record != nullptr)
                layout.readers[k](*record, lines[next]);
            ++next;
        }
        return true;
    };
    for (std::int64_t i = 0; i < rows; ++i) {
        // A position outside the cache is read past, never stored.
        if (!readRecord(cache.Slot(top + i)))
            return result;
    }
    if (!readRecord(&totals))
        return result;
    result.complete = true;
    return result;
}
