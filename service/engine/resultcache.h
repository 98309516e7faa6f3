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

// The sorted, filtered positions of one query and its rendered totals record.
struct QueryResult {
    std::vector<std::uint32_t> rows;
    std::string totals;
    // Bytes the result holds.
    std::size_t bytes() const {
        return rows.capacity() * sizeof(std::uint32_t) + totals.capacity();
    }
};

// Recent query results by key, bounded in bytes, least recently used dropped first. A result
// is computed once even when several threads ask for it at the same time.
class ResultCache {
public:
    using Compute = std::function<std::shared_ptr<const QueryResult>()>;

    // capacity: bytes the cached results may hold together.
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
