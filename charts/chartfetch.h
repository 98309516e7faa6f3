#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "charts/chartmodel.h"
#include "protocol/pagefetcher.h"

// Fetches the rows a chart draws from the service, by pages as the grid does,
// into a page cache of its own (the chart may ask for a different query than
// its window one day, and must never write into the window's rows). The
// service computes every value; the rows are read as the grid shows them.
class ChartFetcher {
public:
    virtual ~ChartFetcher() = default;

    struct Result {
        FetchResult result = FetchResult::Failed;
        std::vector<ChartRow> rows;
        // The record count the service stated.
        int totalRows = 0;
        // For a failure: the message naming the hosts tried.
        QString message;
    };

    // The most rows one page request asks for.
    static constexpr int PageRows = 1000;

    // Waits (the event loop runs). The first `maxRows` rows (fewer when the
    // result is smaller) of `state`, column `column` as the value. The
    // fetcher may be destroyed during the wait: the call then returns
    // Closed and touches nothing of it.
    virtual Result fetch(const QueryState& state, int column, int maxRows) = 0;
};

// A fetcher for `kind` on `hosts` (starting on the second mirror, failing
// over as the grid does).
std::unique_ptr<ChartFetcher> MakeChartFetcher(DatabaseKind kind, const ServiceHosts& hosts);
