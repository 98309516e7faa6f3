#include "views/viewrecords.h"

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"
#include "protocol/querystate.h"

namespace {

template <class Record>
std::unique_ptr<ViewRecords> makeFor(const DatabaseDescriptor<Record>& (*database)(bool),
                                     const ServiceHosts& hosts, const QString& listRetryHost,
                                     std::int32_t initialSortCode) {
    PageCache<Record>& cache = SharedPageCache<Record>(database(false).layout.initialCapacity);
    return std::make_unique<RecordViewData<Record>>(database(false), database(true), cache, hosts,
                                                    listRetryHost, initialSortCode);
}

} // namespace

std::unique_ptr<ViewRecords> MakeViewRecords(DatabaseKind kind, const ServiceHosts& hosts) {
    // A failed list request moves to the second mirror first, except in the
    // Fielders view, which moves to the third; Teams start in season order.
    switch (kind) {
    case DatabaseKind::Batters:
        return makeFor(&BattersDatabase, hosts, hosts.Mirror2, QueryState::DefaultSortCode);
    case DatabaseKind::Pitchers:
        return makeFor(&PitchersDatabase, hosts, hosts.Mirror2, QueryState::DefaultSortCode);
    case DatabaseKind::Fielders:
        return makeFor(&FieldersDatabase, hosts, hosts.Mirror3, QueryState::DefaultSortCode);
    case DatabaseKind::Teams:
        return makeFor(&TeamsDatabase, hosts, hosts.Mirror2, QueryState::TeamsSortCode);
    }
    return makeFor(&BattersDatabase, hosts, hosts.Mirror2, QueryState::DefaultSortCode);
}
