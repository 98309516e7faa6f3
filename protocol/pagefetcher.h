#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringList>

#include "protocol/httpcli.h"
#include "protocol/pagereply.h"
#include "protocol/pagerequest.h"
#include "protocol/querystate.h"

// The three hosts every statistics service runs on, as "host[:port]".
struct ServiceHosts {
    QString Primary;
    QString Mirror2;
    QString Mirror3;
    // The proxy the user set for the service; every client reaching these
    // hosts goes through it.
    ProxyRoute Proxy{};

    // The hosts this build was configured with.
    static ServiceHosts Deployment();
};

// Outcome of one page fetch.
enum class FetchResult {
    Done = 1,
    Failed = 2,
    // The fetcher was destroyed while it waited (its window closed).
    Closed = 3
};

// Outcome of a page fetch with fail-over.
struct RefreshResult {
    FetchResult result = FetchResult::Failed;
    // Hosts tried, in order, with why each failed ("host: reason").
    QStringList failures;
    // For a failure: a message naming the hosts tried, for the view to show.
    QString message;
};

// Outcome of a list request with fail-over.
struct ListResult {
    FetchResult result = FetchResult::Failed;
    // The pick-list entries (Done only).
    std::vector<std::string> entries;
};

// The network side of one statistics view: its HTTP client, query state and
// the bookkeeping of the last page. Record-independent; PageFetcher adds the
// record reading. A fetcher may be destroyed while one of its requests waits
// (the window closed meanwhile): the request then returns Closed without
// touching the destroyed fetcher, and the caller must not touch it either.
class PageExchange {
public:
    // A view's exchange for `servicePath` (such as "/cgi-bin/getbat.exe"),
    // starting on the second mirror. `listRetryHost` is the first host a
    // failed list request moves to; `initialSortCode` seeds the query state.
    PageExchange(QString servicePath, ServiceHosts hosts, QString listRetryHost,
                 std::int32_t initialSortCode);
    virtual ~PageExchange();
    PageExchange(const PageExchange&) = delete;
    PageExchange& operator=(const PageExchange&) = delete;

    // The view's client (HttpCli1); its URL holds the current service address.
    THttpCli& HttpCli1() { return *m_http; }
    QueryState& State() { return m_state; }
    const QueryState& State() const { return m_state; }
    // Record count of the result as the last reply stated it.
    std::int32_t TotalRecords() const { return m_totalRecords; }
    // Row count of the last page request.
    int PageRowCount() const { return m_pageRowCount; }
    // The tag of the query whose page was read last (0 before the first):
    // the cache slots holding that query's records carry it.
    std::uint32_t ShownTag() const { return m_shownTag; }
    // The tag of the query `state` asks for, the same for every state that
    // asks the service the same (whatever page is asked for); never 0.
    static std::uint32_t QueryTag(const QueryState& state);
    // Grid rows for the current result: two title rows, the records, totals.
    int GridRowCount() const;
    // The view's label text, "Total Lines: " and the record count.
    QString TotalLinesLabel() const;

    // Posts one page request for `rowCount` records from result position
    // `topPosition` to the current URL and reads the reply. A reply cut
    // short or stating an impossible record count is a failure.
    FetchResult FetchPage(int topPosition, int rowCount);
    // FetchPage with fail-over: the current host, then the third mirror, then
    // the primary host; a host that answered stays in URL. A host answering
    // 503 (loading or busy) fails over like one that is down, its failure
    // worded "the service is starting or busy; try again in a moment".
    RefreshResult RefreshView(int topPosition, int rowCount);
    // Fetches the pick list `kind` under the current selections, failing over
    // to the list retry host, then the primary host; an incomplete list
    // counts as a failure of its host.
    ListResult RequestList(ListKind kind);

protected:
    // Reads a page reply body into the cache and totals record, tagging the
    // slots it wrote with `tag`; a reply that is not whole or states an
    // impossible count changes nothing.
    virtual PageReplyResult ReadReply(std::string_view reply, int topPosition, int rowCount,
                                      std::uint32_t tag) = 0;
    // Lines of one record in a page reply.
    virtual std::size_t RecordLines() const = 0;

    std::int32_t m_totalRecords = 0;
    // Whether the page request on the way asked for "More columns": its reply
    // is read as it was asked for, whatever the state became meanwhile.
    bool m_askedMore = false;

private:
    // Posts `body`; a reply body ending more than `maxLines` lines fails as
    // soon as it does, never read further.
    FetchResult post(const std::string& body, QByteArray& reply, qint64 maxLines);
    void moveTo(const QString& host);
    QString currentHost() const;

    QString m_servicePath;
    ServiceHosts m_hosts;
    QString m_listRetryHost;
    std::unique_ptr<THttpCli> m_http;
    QueryState m_state;
    int m_pageRowCount = 0;
    std::uint32_t m_shownTag = 0;
    QString m_lastError;
};

// A view's exchange over the records of one database.
template <class Record> class PageFetcher : public PageExchange {
public:
    // `layout`, `moreLayout` and `cache` must outlive the fetcher (they are per
    // database). Replies are read with `moreLayout` while the state has "More
    // columns" on, when given.
    PageFetcher(const RecordLayout<Record>& layout, PageCache<Record>& cache, QString servicePath,
                ServiceHosts hosts, QString listRetryHost, std::int32_t initialSortCode,
                const RecordLayout<Record>* moreLayout = nullptr)
        : PageExchange(std::move(servicePath), std::move(hosts), std::move(listRetryHost),
                       initialSortCode),
          m_layout(layout), m_moreLayout(moreLayout), m_cache(cache) {}

    // The totals record of the last reply.
    const Record& TotalsRecord() const { return m_totals; }
    PageCache<Record>& Cache() { return m_cache; }

protected:
    PageReplyResult ReadReply(std::string_view reply, int topPosition, int rowCount,
                              std::uint32_t tag) override {
        const PageReplyResult read = ReadPageReply(reply, topPosition, rowCount, layout(), m_cache,
                                                   m_totals, m_totalRecords);
        if (read.complete)
            m_cache.TagSlots(topPosition, rowCount, tag);
        return read;
    }
    std::size_t RecordLines() const override { return layout().readers.size(); }

private:
    const RecordLayout<Record>& layout() const {
        return m_askedMore && m_moreLayout != nullptr ? *m_moreLayout : m_layout;
    }

    const RecordLayout<Record>& m_layout;
    const RecordLayout<Record>* m_moreLayout;
    PageCache<Record>& m_cache;
    Record m_totals{};
};
