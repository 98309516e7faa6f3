#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <QString>

#include "databases/databaseinfo.h"
#include "protocol/pagefetcher.h"
#include "protocol/querystate.h"

// The record counts of queries of one database, as the service states them
// in the count line of a one-row page request from position 0. Each request
// goes through an exchange of its own (never the window's client, cache or
// totals), with the grid's host fail-over. Counts are kept per database for
// the run by query (the data does not change while the service runs), so a
// query is asked for once.
class StepCounts {
public:
    // Counts for `kind` on `hosts`, starting on the second mirror.
    StepCounts(DatabaseKind kind, const ServiceHosts& hosts);
    ~StepCounts();
    StepCounts(const StepCounts&) = delete;
    StepCounts& operator=(const StepCounts&) = delete;

    // The count of `state` when a request has told it; nothing otherwise.
    std::optional<std::int32_t> known(const QueryState& state) const;

    struct Result {
        FetchResult result = FetchResult::Failed;
        std::int32_t count = 0;
        // For a failure: the message naming the hosts tried.
        QString message;
    };
    // Waits (the event loop runs). The count of `state`, from the kept
    // counts or one request. The object may be destroyed during the wait:
    // the call then returns Closed and touches nothing of it.
    Result fetch(const QueryState& state);
    // Waits. The pick list `kind` under the selections of `state`, with the
    // list fail-over; Closed when the object went during the wait.
    ListResult pickList(const QueryState& state, ListKind kind);
    // Requests sent so far by this object.
    int requestsSent() const { return m_sent; }

private:
    DatabaseKind m_kind;
    std::unique_ptr<PageExchange> m_exchange;
    int m_sent = 0;
};
