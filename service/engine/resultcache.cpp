#include "service/engine/resultcache.h"

namespace bbstatsd {

std::shared_ptr<const QueryResult> ResultCache::get(const std::string& key,
                                                    const Compute& compute) {
    std::promise<std::shared_ptr<const QueryResult>> promise;
    {
        std::unique_lock lock(m_mutex);
        const auto it = m_entries.find(key);
        if (it != m_entries.end()) {
            m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
            const Future future = it->second.future;
            lock.unlock();
            return future.get();
        }
        m_lru.push_front(key);
        Entry entry;
        entry.future = promise.get_future().share();
        entry.lru = m_lru.begin();
        m_entries.emplace(key, std::move(entry));
    }
    std::shared_ptr<const QueryResult> result;
    try {
        result = compute();
    } catch (...) {
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_entries.find(key);
            m_lru.erase(it->second.lru);
            m_entries.erase(it);
        }
        promise.set_exception(std::current_exception());
        throw;
    }
    {
        std::lock_guard lock(m_mutex);
        Entry& entry = m_entries.at(key);
        entry.ready = true;
        entry.bytes =
            result->bytes() + 2 * (key.size() + QueryResult::BlockOverhead) + EntryOverhead;
        m_used += entry.bytes;
        evict();
    }
    promise.set_value(result);
    return result;
}

std::shared_ptr<const QueryResult> ResultCache::find(const std::string& key) {
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(key);
    if (it == m_entries.end() || !it->second.ready) {
        return nullptr;
    }
    m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
    return it->second.future.get();
}

void ResultCache::evict() {
    auto it = m_lru.end();
    while (m_used > m_capacity && it != m_lru.begin()) {
        --it;
        const auto entry = m_entries.find(*it);
        if (!entry->second.ready) {
            continue;
        }
        m_used -= entry->second.bytes;
        m_entries.erase(entry);
        it = m_lru.erase(it);
    }
}

std::size_t ResultCache::size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

std::size_t ResultCache::usedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_used;
}

} // namespace bbstatsd
