#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "databases/databaseinfo.h"
#include "databases/positionrange.h"

// One colour-band byte per result position (grid row - 2): 0 first band
// colour, 1 second band colour, 3 the totals row. Starts zero-filled at the
// database's capacity and grows, zero-filled, when a result needs more;
// reading past the end gives 0. A run of data bands can be flipped as a
// whole in time that does not grow with its length.
class RowBands {
public:
    static constexpr std::uint8_t FirstBand = 0;
    static constexpr std::uint8_t SecondBand = 1;
    static constexpr std::uint8_t Totals = 3;

    // Allocates `capacity` zeroed bytes (a negative capacity counts as 0).
    explicit RowBands(int capacity = 0);

    int size() const { return static_cast<int>(m_bands.size()); }
    // The band of `position`; 0 outside 0 .. size() - 1.
    std::uint8_t at(int position) const {
        if (position < 0 || position >= size()) {
            return 0;
        }
        const auto index = static_cast<std::size_t>(position);
        return static_cast<std::uint8_t>(m_bands[index] ^ m_flipped[index >> BlockShift]);
    }
    // Sets the band of `position`, growing the array when needed; negative
    // positions are ignored.
    void set(int position, std::uint8_t band) {
        if (position < 0) {
            return;
        }
        if (position >= size()) {
            ensureSize(position + 1);
        }
        const auto index = static_cast<std::size_t>(position);
        m_bands[index] = static_cast<std::uint8_t>(band ^ m_flipped[index >> BlockShift]);
    }
    // Grows to at least `count` bytes; never shrinks.
    void ensureSize(int count);
    // Swaps the first and second band of every position from `first` to
    // `last` (clamped to the array); those positions must hold data bands.
    void flip(int first, int last);

private:
    // Positions are kept in blocks of 1 << BlockShift; a whole block flips by
    // its flag alone.
    static constexpr int BlockShift = 10;
    static constexpr int BlockSize = 1 << BlockShift;

    std::vector<std::uint8_t> m_bands;
    std::vector<std::uint8_t> m_flipped; // per block: 1 when its bytes read inverted
};

// Recomputes the bands over a result of `totalRecords` records plus the
// totals row; `keyOf(i)` gives the band key of result position i. Row 0 gets
// the first band; each later row keeps the band of the row before while its
// key equals that row's key and flips when it differs; the row after the last
// record is marked as the totals row. With `known` false (a band mode the
// database has no key for) the data rows after row 0 keep their bands,
// except that a stale totals mark among them, left by an earlier shorter
// result, continues the band of the row before. A negative `totalRecords`
// (no result yet) changes nothing.
template <class KeyOf>
void RunBandPassOverKeys(RowBands& bands, int totalRecords, bool known, KeyOf keyOf) {
    if (totalRecords < 0) {
        return;
    }
    const int rows = totalRecords + 1;
    bands.ensureSize(rows);
    bands.set(0, RowBands::FirstBand);
    if (known) {
        std::string_view previous = keyOf(0);
        for (int i = 1; i < rows - 1; ++i) {
            std::string_view key = keyOf(i);
            std::uint8_t band = bands.at(i - 1);
            if (key != previous) {
                band = band == RowBands::FirstBand ? RowBands::SecondBand : RowBands::FirstBand;
            }
            bands.set(i, band);
            previous = key;
        }
    } else {
        for (int i = 1; i < rows - 1; ++i) {
            if (bands.at(i) == RowBands::Totals) {
                bands.set(i, bands.at(i - 1));
            }
        }
    }
    bands.set(rows - 1, RowBands::Totals);
}

// The band pass over a database's cached records under `bandMode`; result
// positions beyond `cache` count as empty (never fetched) records. The record
// type comes from `database`, so a vector or array converts to the span.
template <class Record>
void RunBandPass(RowBands& bands, std::type_identity_t<std::span<const Record>> cache,
                 int totalRecords, const DatabaseDescriptor<Record>& database, int bandMode) {
    BandKey<Record> key = database.bandKey(bandMode);
    auto keyOf = [cache, key](int position) -> std::string_view {
        if (position < 0 || static_cast<std::size_t>(position) >= cache.size()) {
            return std::string_view();
        }
        return key(cache[static_cast<std::size_t>(position)]);
    };
    RunBandPassOverKeys(bands, totalRecords, key != nullptr, keyOf);
}

// RowBands kept equal to what the band pass over the whole result gives,
// while recomputing only the rows whose band can have changed: after a page
// of records arrives, the rows of that page and the row after it; when the
// parity of the band changes across them, the rest of the result flips as a
// whole. A change of record count or band mode, or changes it was not told
// of, run the whole pass.
class BandTracker {
public:
    // Bands for `capacity` positions, all first band; the first update runs
    // the whole pass.
    explicit BandTracker(int capacity = 0) : m_bands(capacity) {}

    const RowBands& bands() const { return m_bands; }

    // Brings the bands up to date for a result of `totalRecords` records
    // under `bandMode` (`known` false when the database has no key for it),
    // `keyOf(i)` giving the band key of position i. `changed` lists the
    // positions whose records changed since the last update; `allChanged`
    // says the list is not to be trusted. A negative `totalRecords` changes
    // nothing and makes the next update a whole pass.
    template <class KeyOf>
    void update(int totalRecords, int bandMode, bool known, KeyOf keyOf,
                std::span<const PositionRange> changed, bool allChanged) {
        if (totalRecords < 0) {
            m_valid = false;
            return;
        }
        if (!m_valid || allChanged || totalRecords != m_total || bandMode != m_mode) {
            RunBandPassOverKeys(m_bands, totalRecords, known, keyOf);
            m_valid = true;
            m_total = totalRecords;
            m_mode = bandMode;
            return;
        }
        // Under a mode without a key the pass keeps every data row; it has
        // already run for this record count.
        if (!known) {
            return;
        }
        // Each range is recomputed from the band before it, and a change of
        // band at its end flips what follows: the flips of several ranges
        // add up the same in any order.
        for (const PositionRange& range : changed) {
            updateRange(range, keyOf);
        }
    }

private:
    template <class KeyOf> void updateRange(const PositionRange& range, KeyOf keyOf) {
        if (range.count <= 0) {
            return;
        }
        // New keys at first .. first + count - 1 change the comparisons of
        // those rows with the row before and of the row after them.
        const int last = m_total - 1; // the last data row
        const std::int64_t begin = std::max<std::int64_t>(range.first, 1);
        const std::int64_t end = std::min<std::int64_t>(range.first + range.count, last);
        if (begin > end) {
            return;
        }
        const int from = static_cast<int>(begin);
        const int to = static_cast<int>(end);
        const std::uint8_t before = m_bands.at(to);
        std::uint8_t band = m_bands.at(from - 1);
        std::string_view previous = keyOf(from - 1);
        for (int i = from; i <= to; ++i) {
            std::string_view key = keyOf(i);
            if (key != previous) {
                band = band == RowBands::FirstBand ? RowBands::SecondBand : RowBands::FirstBand;
            }
            m_bands.set(i, band);
            previous = key;
        }
        if (band != before && to < last) {
            m_bands.flip(to + 1, last);
        }
    }

    RowBands m_bands;
    bool m_valid = false;
    int m_total = -1;
    int m_mode = 0;
};

// The band tracker's update over a database's cached records under
// `bandMode`; result positions beyond `cache` count as empty records.
template <class Record>
void UpdateBands(BandTracker& tracker, std::type_identity_t<std::span<const Record>> cache,
                 int totalRecords, const DatabaseDescriptor<Record>& database, int bandMode,
                 std::span<const PositionRange> changed, bool allChanged) {
    BandKey<Record> key = database.bandKey(bandMode);
    auto keyOf = [cache, key](int position) -> std::string_view {
        if (position < 0 || static_cast<std::size_t>(position) >= cache.size()) {
            return std::string_view();
        }
        return key(cache[static_cast<std::size_t>(position)]);
    };
    tracker.update(totalRecords, bandMode, key != nullptr, keyOf, changed, allChanged);
}
