#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "databases/positionrange.h"

// The records of one database's current result, indexed by result position
// and shared by every window of that database. Slots start zero-filled. Each
// slot carries the query tag of the page that last wrote it (0: never
// written), so that a window draws a slot only when it holds a record of the
// query the window shows, never one an earlier query left. The cache grows, zero-filled, when a
// reply states more records than it holds, up to a maximum far above the largest database; it never
// shrinks. The cache remembers which slots its last page writes rewrote, so that what is computed
// from the records (the row bands) can be brought up to date for those slots alone.
template <class Record> class PageCache {
    static_assert(std::is_trivially_copyable_v<Record>,
                  "page cache records are copied slot by slot");

public:
    // Memory a cache may grow to unless told otherwise: room for several
    // times the largest database, while a reply stating an absurd record
    // count cannot exhaust memory. Positions past the maximum are never
    // stored (they read as blank records).
    static constexpr std::int64_t DefaultMaxBytes = std::int64_t{256} * 1024 * 1024;

    // A cache of `initialCapacity` zero-filled slots that grows to at most
    // `maxSlots` (by default as many as DefaultMaxBytes hold).
    explicit PageCache(int initialCapacity, std::int64_t maxSlots = 0)
        : m_slots(static_cast<std::size_t>(std::max(initialCapacity, 0))),
          m_tags(m_slots.size(), 0),
          m_maxSlots(maxSlots > 0
                         ? maxSlots
                         : std::max<std::int64_t>(initialCapacity,
                                                  DefaultMaxBytes /
                                                      static_cast<std::int64_t>(sizeof(Record)))) {}

    // Number of slots held.
    int Capacity() const { return static_cast<int>(m_slots.size()); }
    // Most slots the cache will grow to.
    std::int64_t MaxSlots() const { return m_maxSlots; }

    // Grows to at least `count` zero-filled slots (at most the maximum).
    void EnsureCapacity(std::int64_t count) {
        const std::int64_t wanted = std::min(count, m_maxSlots);
        if (wanted > static_cast<std::int64_t>(m_slots.size())) {
            m_slots.resize(static_cast<std::size_t>(wanted));
            m_tags.resize(static_cast<std::size_t>(wanted), 0);
        }
    }

    // Marks slots `first` .. `first` + `count` - 1 (those inside the cache)
    // as holding records of the query tagged `tag`.
    void TagSlots(std::int64_t first, std::int64_t count, std::uint32_t tag) {
        const std::int64_t begin = std::max<std::int64_t>(first, 0);
        const std::int64_t end =
            std::min<std::int64_t>(first + std::max<std::int64_t>(count, 0), Capacity());
        for (std::int64_t p = begin; p < end; ++p)
            m_tags[static_cast<std::size_t>(p)] = tag;
    }
    // The query tag of the slot at `position`; 0 outside the cache and for a
    // slot no page has written.
    std::uint32_t TagAt(std::int64_t position) const {
        if (position < 0 || position >= static_cast<std::int64_t>(m_tags.size()))
            return 0;
        return m_tags[static_cast<std::size_t>(position)];
    }

    // The slot at `position`, or null outside the cache. The pointer lasts
    // until the cache next grows.
    Record* Slot(std::int64_t position) {
        if (position < 0 || position >= static_cast<std::int64_t>(m_slots.size()))
            return nullptr;
        return &m_slots[static_cast<std::size_t>(position)];
    }
    const Record* Slot(std::int64_t position) const {
        if (position < 0 || position >= static_cast<std::int64_t>(m_slots.size()))
            return nullptr;
        return &m_slots[static_cast<std::size_t>(position)];
    }

    // Number of page writes noted so far.
    std::uint64_t Writes() const { return m_writes; }

    // Notes that slots `first` .. `first` + `count` - 1 (those inside the
    // cache) are being rewritten by a page.
    void NoteWrite(std::int64_t first, std::int64_t count) {
        const std::int64_t begin = std::max<std::int64_t>(first, 0);
        const std::int64_t end =
            std::min<std::int64_t>(first + std::max<std::int64_t>(count, 0), Capacity());
        m_log[m_writes % LogLength] = PositionRange{begin, std::max<std::int64_t>(end - begin, 0)};
        ++m_writes;
    }

    // Appends to `ranges` the slots rewritten by the writes after the first
    // `writes` ones, oldest first. False, appending nothing, when the cache
    // no longer remembers them all.
    bool WrittenSince(std::uint64_t writes, std::vector<PositionRange>& ranges) const {
        if (writes > m_writes || m_writes - writes > LogLength)
            return false;
        for (std::uint64_t w = writes; w < m_writes; ++w)
            ranges.push_back(m_log[w % LogLength]);
        return true;
    }

    // The record at `position`; a zero-filled record outside the cache.
    Record At(std::int64_t position) const {
        const Record* record = Slot(position);
        return record != nullptr ? *record : Record{};
    }

private:
    static constexpr std::uint64_t LogLength = 16;

    std::vector<Record> m_slots;
    std::vector<std::uint32_t> m_tags;
    std::int64_t m_maxSlots;
    std::array<PositionRange, LogLength> m_log{};
    std::uint64_t m_writes = 0;
};

// The one cache of a database, created on first use with
// `initialCapacity` slots; later calls return the same cache.
template <class Record> PageCache<Record>& SharedPageCache(int initialCapacity) {
    static PageCache<Record> cache(initialCapacity);
    return cache;
}
