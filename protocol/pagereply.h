#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "databases/parseintlenient.h"
#include "databases/recordlayout.h"
#include "protocol/pagecache.h"
#include "protocol/pagerequest.h"

// How far a page reply was read.
struct PageReplyResult {
    // Lines the reply held.
    int lineCount = 0;
    // True when every record and the totals record were complete.
    bool complete = false;
};

// Reads a page reply for `rowCount` records from result position
// `topPosition`: line 0 into `totalRecords`, then the records into the cache
// slots topPosition .. topPosition + rowCount - 1, then `totals`. A short
// reply stops where it ends: what was read keeps its new value, the rest
// its old one. The cache first grows to hold what the reply states.
template <class Record>
PageReplyResult ReadPageReply(std::string_view reply, int topPosition, int rowCount,
                              const RecordLayout<Record>& layout, PageCache<Record>& cache,
                              Record& totals, std::int32_t& totalRecords) {
    const std::vector<std::string_view> lines = SplitReplyLines(reply);
    PageReplyResult result;
    result.lineCount = static_cast<int>(lines.size());
    if (lines.empty())
        return result;
    totalRecords = ParseIntLenient(lines[0]);
    const std::int64_t top = topPosition;
    const std::int64_t rows = rowCount > 0 ? rowCount : 0;
    cache.EnsureCapacity(std::max<std::int64_t>(totalRecords, top + rows));
    cache.NoteWrite(top, rows);

    const std::size_t perRecord = layout.readers.size();
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
