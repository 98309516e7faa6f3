#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include <QString>

#include "databases/databaseinfo.h"
#include "databases/rowbands.h"
#include "protocol/pagecache.h"
#include "protocol/pagefetcher.h"

// The record-typed half of a statistics view behind a record-free
// interface: the view's page exchange, its row bands and the cells of its
// database's records. One implementation per record type; the window class
// itself knows no record type.
class ViewRecords {
public:
    virtual ~ViewRecords() = default;

    // The database's tables (caption, columns, service path).
    virtual const DatabaseInfo& info() const = 0;
    // The view's HTTP client, query state and last-page bookkeeping.
    virtual PageExchange& exchange() = 0;
    // Records of the current result the view shows rows for: the stated
    // TotalRecords, cut to what the page cache can ever hold and never
    // negative (-1 before the first reply).
    virtual int shownRecords() const = 0;
    // Records that a page reply has arrived: from now on the view has rows.
    virtual void pageArrived() = 0;
    // The band pass over the cached result under `bandMode`; the totals row
    // gets its own mark. Only rows whose records changed since the last pass
    // are recomputed (the bands are those of a pass over the whole result).
    // Nothing happens before the first reply.
    virtual void runBandPass(int bandMode) = 0;
    // The band byte of result position `position` (0 or 1 for data rows,
    // RowBands::Totals for the totals row).
    virtual std::uint8_t band(int position) const = 0;
    // Whether the cache slot at `position` holds a record of the view's
    // shown query to draw (a slot an earlier query left is not).
    virtual bool isShown(int position) const = 0;
    // Whether the slot at `position` holds a record of the shown query,
    // drawn or blank; false for slots no page of it has written yet.
    virtual bool isFetched(int position) const = 0;
    // The text of `column` for the record at `position` (empty unless it
    // belongs to the shown query), or of the totals record when `position`
    // is the totals row.
    virtual QString cellText(int position, int column) const = 0;
    // Waits. The text the grid would show in the column of sort field
    // `field` for the first record of `state` sorted by that field, most
    // first, asked from `host` (then the other `hosts`) with a page cache of
    // its own; empty when there is no such record or no host answers. Safe
    // when this object is destroyed during the wait.
    virtual QString firstValueSortedBy(const QueryState& state, int field,
                                       const ServiceHosts& hosts) const = 0;
};

// FirstValueSortedBy of ViewRecords for the records of `database`.
template <class Record>
QString FirstValueSortedBy(const DatabaseDescriptor<Record>& database, QueryState state, int field,
                           const ServiceHosts& hosts) {
    int column = -1;
    for (std::size_t c = 0; c < database.info.columns.size(); ++c) {
        if (database.info.columns[c].sortField == field)
            column = static_cast<int>(c);
    }
    if (column < 0)
        return {};
    // The field alone, most first: a bare field number sorts descending, and
    // missing values come after every present one.
    state.SortCode = field;
    state.SortPair[0] = -1;
    state.SortTriple[0] = -1;
    state.SortQuad[0] = -1;
    // One slot that never grows: the reply states the whole result's count.
    PageCache<Record> cache(1, 1);
    PageFetcher<Record> fetcher(database.layout, cache, database.info.servicePath, hosts,
                                hosts.Mirror2, state.SortCode, &database.layout);
    fetcher.State() = state;
    if (fetcher.RefreshView(0, 1).result != FetchResult::Done || fetcher.TotalRecords() < 1)
        return {};
    const Record* record = cache.Slot(0);
    return record != nullptr && RecordIsShown(*record)
               ? database.cellText(*record, column, false).trimmed()
               : QString();
}

// ViewRecords over the records of one database: the descriptor's tables,
// the database's shared page cache, a fetcher and the view's own bands.
template <class Record> class RecordViewData final : public ViewRecords {
public:
    // A fresh exchange on `hosts`, starting on the second mirror; lists fail
    // over to `listRetryHost` first.
    // `moreDatabase` holds the tables of the "More columns" option, used
    // while the query state has it on.
    RecordViewData(const DatabaseDescriptor<Record>& database,
                   const DatabaseDescriptor<Record>& moreDatabase, PageCache<Record>& cache,
                   ServiceHosts hosts, const QString& listRetryHost, std::int32_t initialSortCode)
        : m_ownDatabase(database), m_moreDatabase(moreDatabase), m_cache(cache),
          m_fetcher(database.layout, cache, database.info.servicePath, std::move(hosts),
                    listRetryHost, initialSortCode, &moreDatabase.layout),
          m_bands(database.info.rowBandsCapacity), m_seenWrites(cache.Writes()) {}

    const DatabaseInfo& info() const override { return database().info; }
    PageExchange& exchange() override { return m_fetcher; }

    int shownRecords() const override {
        if (!m_answered)
            return -1;
        const std::int64_t stated = std::max<std::int32_t>(m_fetcher.TotalRecords(), 0);
        return static_cast<int>(std::min<std::int64_t>(stated, m_cache.MaxSlots()));
    }

    void pageArrived() override { m_answered = true; }

    void runBandPass(int bandMode) override {
        const Record* first = m_cache.Slot(0);
        const std::span<const Record> records =
            first != nullptr
                ? std::span<const Record>(first, static_cast<std::size_t>(m_cache.Capacity()))
                : std::span<const Record>();
        // The pages written since the last pass, by this view or any other
        // user of the shared cache.
        m_changed.clear();
        const bool listed = m_cache.WrittenSince(m_seenWrites, m_changed);
        m_seenWrites = m_cache.Writes();
        UpdateBands(m_bands, records, shownRecords(), database(), bandMode, m_changed, !listed);
    }

    std::uint8_t band(int position) const override {
        if (position == shownRecords())
            return RowBands::Totals;
        // A totals mark inside the rows can only be left from a result cut to
        // the cache's size; it is an ordinary row there.
        const std::uint8_t value = m_bands.bands().at(position);
        return value == RowBands::Totals ? RowBands::FirstBand : value;
    }

    bool isShown(int position) const override {
        const Record* record = m_cache.Slot(position);
        return record != nullptr && isFetched(position) && RecordIsShown(*record);
    }

    bool isFetched(int position) const override {
        return m_fetcher.ShownTag() != 0 && m_cache.TagAt(position) == m_fetcher.ShownTag();
    }

    QString firstValueSortedBy(const QueryState& state, int field,
                               const ServiceHosts& hosts) const override {
        return FirstValueSortedBy(state.MoreColumns ? m_moreDatabase : m_ownDatabase, state, field,
                                  hosts);
    }

    QString cellText(int position, int column) const override {
        if (position == shownRecords())
            return database().cellText(m_fetcher.TotalsRecord(), column, true);
        const Record* record = m_cache.Slot(position);
        return record != nullptr && isFetched(position)
                   ? database().cellText(*record, column, false)
                   : QString();
    }

private:
    const DatabaseDescriptor<Record>& database() const {
        return m_fetcher.State().MoreColumns ? m_moreDatabase : m_ownDatabase;
    }

    const DatabaseDescriptor<Record>& m_ownDatabase;
    const DatabaseDescriptor<Record>& m_moreDatabase;
    PageCache<Record>& m_cache;
    PageFetcher<Record> m_fetcher;
    BandTracker m_bands;
    std::uint64_t m_seenWrites = 0;
    std::vector<PositionRange> m_changed;
    bool m_answered = false;
};

// The records part of a view of `kind`, on the database's shared page cache.
std::unique_ptr<ViewRecords> MakeViewRecords(DatabaseKind kind, const ServiceHosts& hosts);
