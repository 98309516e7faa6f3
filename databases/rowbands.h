#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "databases/databaseinfo.h"

// One colour-band byte per result position (grid row - 2): 0 first band
// colour, 1 second band colour, 3 the totals row. Starts zero-filled at the
// database's capacity and grows, zero-filled, when a result needs more;
// reading past the end gives 0.
class RowBands {
public:
    static constexpr std::uint8_t FirstBand = 0;
    static constexpr std::uint8_t SecondBand = 1;
    static constexpr std::uint8_t Totals = 3;

    // Allocates `capacity` zeroed bytes (a negative capacity counts as 0).
    explicit RowBands(int capacity = 0);

    int size() const { return static_cast<int>(m_bands.size()); }
    // The band of `position`; 0 outside 0 .. size() - 1.
    std::uint8_t at(int position) const;
    // Sets the band of `position`, growing the array when needed; negative
    // positions are ignored.
    void set(int position, std::uint8_t band);
    // Grows to at least `count` bytes; never shrinks.
    void ensureSize(int count);

private:
    std::vector<std::uint8_t> m_bands;
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
