#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace bbstatsd {

struct LinesTable;

// The sorted, filtered positions of one query and its rendered totals record. The positions
// are of the stored table, or of lines when the query asks for combined lines.
struct QueryResult {
    std::vector<std::uint32_t> rows;
    std::string totals;
    std::shared_ptr<const LinesTable> lines;
    std::size_t linesBytes = 0; // bytes of lines built for this query alone
    bool kept = false;          // held from load time (every row of a table), whatever is cached
    // Bytes the result holds, with the allocator's header and rounding of each block.
    std::size_t bytes() const {
        if (kept) {
            return sizeof(QueryResult) + BlockOverhead;
        }
        return sizeof(QueryResult) + rows.capacity() * sizeof(std::uint32_t) + totals.capacity() +
               linesBytes + 3 * BlockOverhead;
    }
    static constexpr std::size_t BlockOverhead = 32;
};

// Recent query results by key, bounded in bytes, least recently used dropped first. A result
// is computed once even when several threads ask for it at the same time.
class ResultCache {
public:
    using Compute = std::function<std::shared_ptr<const QueryResult>()>;

    // What an entry holds besides its result and its key text (kept twice): the map and list
    // nodes, the shared state of its future, the result's control block, and their headers.
    static constexpr std::size_t EntryOverhead = 384;

    // capacity: bytes the cached results, their keys and entries may hold together.
    explicit ResultCache(std::size_t capacity) : m_capacity(capacity) {}

    // The result for key, computed by compute when not cached. Thread-safe; rethrows what
    // compute throws (and caches nothing then).
    std::shared_ptr<const QueryResult> get(const std::string& key, const Compute& compute);

    // The result for key when it is cached and ready (marked recently used), else null; never
    // waits for a result being computed. Thread-safe.
    std::shared_ptr<const QueryResult> find(const std::string& key);

    // Number of results held and their bytes.
    std::size_t size() const;
    std::size_t usedBytes() const;

private:
    using Future = std::shared_future<std::shared_ptr<const QueryResult>>;
    struct Entry {
        Future future;
        std::list<std::string>::iterator lru;
        std::size_t bytes = 0;
        bool ready = false;
    };
    void evict();

    mutable std::mutex m_mutex;
    std::size_t m_capacity;
    std::size_t m_used = 0;
    std::unordered_map<std::string, Entry> m_entries;
    std::list<std::string> m_lru; // most recent first
};

} // namespace bbstatsd
