#include "charts/chartfetch.h"

#include <algorithm>
#include <memory>

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"
#include "protocol/pagecache.h"

namespace {

// Grid columns of the label fields: the name, team name and year columns.
int ColumnTitled(const DatabaseInfo& info, const char* title) {
    for (std::size_t c = 0; c < info.columns.size(); ++c) {
        if (QLatin1String(info.columns[c].title) == QLatin1String(title))
            return static_cast<int>(c);
    }
    return -1;
}

template <class Record> class RecordChartFetcher final : public ChartFetcher {
public:
    // `moreDatabase` reads the records of a query with "More columns" on.
    RecordChartFetcher(const DatabaseDescriptor<Record>& database,
                       const DatabaseDescriptor<Record>& moreDatabase, const ServiceHosts& hosts,
                       std::int32_t initialSortCode)
        : m_database(database), m_cache(std::make_unique<PageCache<Record>>(PageRows)),
          m_fetcher(std::make_unique<PageFetcher<Record>>(
              database.layout, *m_cache, database.info.servicePath, hosts, hosts.Mirror2,
              initialSortCode, &moreDatabase.layout)),
          m_moreDatabase(moreDatabase) {}

    Result fetch(const QueryState& state, int column, int maxRows) override {
        Result out;
        const DatabaseInfo& info = state.MoreColumns ? m_moreDatabase.info : m_database.info;
        const int player = ColumnTitled(info, "PLAYER NAME");
        const int team = ColumnTitled(info, "TEAM NAME");
        const int year = ColumnTitled(info, "YEAR");
        m_fetcher->State() = state;
        int position = 0;
        int wanted = std::max(maxRows, 0);
        // Pages until the rows wanted or the result's end; the first page
        // tells the record count.
        do {
            const int rows = std::min(PageRows, std::max(wanted - position, 1));
            // The fetcher may go during the wait; keep what is needed.
            PageExchange* exchange = m_fetcher.get();
            const RefreshResult refreshed = exchange->RefreshView(position, rows);
            if (refreshed.result == FetchResult::Closed) {
                out.result = FetchResult::Closed;
                return out;
            }
            if (refreshed.result != FetchResult::Done) {
                out.result = FetchResult::Failed;
                out.message = refreshed.message;
                return out;
            }
            out.totalRows = std::max(m_fetcher->TotalRecords(), 0);
            wanted = std::min(wanted, out.totalRows);
            const int end = std::min(position + rows, wanted);
            for (int p = position; p < end; ++p) {
                const Record* record = m_cache->Slot(p);
                if (record == nullptr)
                    break;
                out.rows.push_back(ChartRow{cell(*record, player), cell(*record, team),
                                            cell(*record, year), cell(*record, column)});
            }
            position = end;
        } while (position < wanted);
        out.result = FetchResult::Done;
        return out;
    }

private:
    QString cell(const Record& record, int column) const {
        return column < 0 ? QString() : m_database.cellText(record, column, false);
    }

    const DatabaseDescriptor<Record>& m_database;
    std::unique_ptr<PageCache<Record>> m_cache;
    std::unique_ptr<PageFetcher<Record>> m_fetcher;
    const DatabaseDescriptor<Record>& m_moreDatabase;
};

template <class Record>
std::unique_ptr<ChartFetcher> makeFor(const DatabaseDescriptor<Record>& (*database)(bool),
                                      const ServiceHosts& hosts, std::int32_t sortCode) {
    return std::make_unique<RecordChartFetcher<Record>>(database(false), database(true), hosts,
                                                        sortCode);
}

} // namespace

std::unique_ptr<ChartFetcher> MakeChartFetcher(DatabaseKind kind, const ServiceHosts& hosts) {
    switch (kind) {
    case DatabaseKind::Batters:
        return makeFor(&BattersDatabase, hosts, QueryState::DefaultSortCode);
    case DatabaseKind::Pitchers:
        return makeFor(&PitchersDatabase, hosts, QueryState::DefaultSortCode);
    case DatabaseKind::Fielders:
        return makeFor(&FieldersDatabase, hosts, QueryState::DefaultSortCode);
    case DatabaseKind::Teams:
        return makeFor(&TeamsDatabase, hosts, QueryState::TeamsSortCode);
    }
    return makeFor(&BattersDatabase, hosts, QueryState::DefaultSortCode);
}
