#include "protocol/pagefetcher.h"

#include <algorithm>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

#include <QBuffer>
#include <QPointer>

#include "deployment.h"

namespace {

// The status of a service that is loading its tables or has too much to do, and how the
// failure of a host that answers so reads.
constexpr int ServiceUnavailable = 503;
constexpr const char* StartingOrBusy = "the service is starting or busy; try again in a moment";

} // namespace

ServiceHosts ServiceHosts::Deployment() {
    return {QString::fromLatin1(deployment::PrimaryHost),
            QString::fromLatin1(deployment::Mirror2Host),
            QString::fromLatin1(deployment::Mirror3Host)};
}

PageExchange::PageExchange(QString servicePath, ServiceHosts hosts, QString listRetryHost,
                           std::int32_t initialSortCode)
    : m_servicePath(std::move(servicePath)), m_hosts(std::move(hosts)),
      m_listRetryHost(std::move(listRetryHost)), m_http(std::make_unique<THttpCli>()),
      m_state(initialSortCode) {
    m_http->setProxyRoute(m_hosts.Proxy);
    moveTo(m_hosts.Mirror2);
}

PageExchange::~PageExchange() = default;

int PageExchange::GridRowCount() const {
    const std::int64_t rows = std::max<std::int64_t>(m_totalRecords, 0) + 3;
    return static_cast<int>(std::min<std::int64_t>(rows, std::numeric_limits<int>::max()));
}

QString PageExchange::TotalLinesLabel() const {
    return QStringLiteral("Total Lines: ") + QString::number(m_totalRecords);
}

void PageExchange::moveTo(const QString& host) {
    m_http->setURL(host + m_servicePath);
}

QString PageExchange::currentHost() const {
    const QString url = m_http->URL();
    const qsizetype slash = url.indexOf(QLatin1Char('/'));
    return slash < 0 ? url : url.left(slash);
}

FetchResult PageExchange::post(const std::string& body, QByteArray& reply, qint64 maxLines) {
    // A busy client belongs to an exchange further up the stack: its streams
    // must stay as they are.
    if (m_http->state() != THttpCli::State::Ready) {
        m_lastError = QStringLiteral("HTTP component is busy");
        return FetchResult::Failed;
    }
    QByteArray requestBytes(body.data(), static_cast<qsizetype>(body.size()));
    QBuffer request(&requestBytes);
    request.open(QIODevice::ReadOnly);
    reply.clear();
    QBuffer replyStream(&reply);
    replyStream.open(QIODevice::WriteOnly);
    // The lines mode travels on the path, so each request carries the mode of
    // the state it sends.
    m_http->setURL(currentHost() + m_servicePath + QString::fromStdString(LinesQuery(m_state)));
    QPointer<THttpCli> guard(m_http.get());
    m_http->setSendStream(&request);
    m_http->setRcvdStream(&replyStream);
    m_http->setMaxReplyLines(maxLines);
    try {
        m_http->Post();
    } catch (const EHttpException& error) {
        if (!guard)
            return FetchResult::Closed;
        // Only the status line of a failed reply is read: a 503 is a service that loads its
        // tables or has too much to do, not a missing page.
        m_lastError = error.ErrorCode() == ServiceUnavailable ? QString::fromLatin1(StartingOrBusy)
                                                              : error.Message();
        m_http->setSendStream(nullptr);
        m_http->setRcvdStream(nullptr);
        return FetchResult::Failed;
    }
    if (!guard)
        return FetchResult::Closed;
    m_http->setSendStream(nullptr);
    m_http->setRcvdStream(nullptr);
    return FetchResult::Done;
}

std::uint32_t PageExchange::QueryTag(const QueryState& state) {
    // The request text without its page part, with the lines mode that
    // travels on the path, names the query exactly; each distinct one gets
    // the next number for the whole run.
    static std::unordered_map<std::string, std::uint32_t> tags;
    return tags
        .try_emplace(PageRequest(state, 0, 0) + LinesQuery(state),
                     static_cast<std::uint32_t>(tags.size() + 1))
        .first->second;
}

FetchResult PageExchange::FetchPage(int topPosition, int rowCount) {
    m_pageRowCount = rowCount;
    // Taken before the wait: the state may change while the request waits,
    // and the slots must carry the query that was asked for.
    const std::uint32_t tag = QueryTag(m_state);
    m_askedMore = m_state.MoreColumns;
    QByteArray reply;
    const FetchResult result = post(PageRequest(m_state, topPosition, rowCount), reply,
                                    PageReplyLines(rowCount, RecordLines()));
    if (result != FetchResult::Done)
        return result;
    const PageReplyResult read =
        ReadReply(std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())),
                  topPosition, rowCount, tag);
    if (!read.complete) {
        m_lastError = QString::fromStdString(read.problem);
        return FetchResult::Failed;
    }
    m_shownTag = tag;
    return FetchResult::Done;
}

RefreshResult PageExchange::RefreshView(int topPosition, int rowCount) {
    RefreshResult outcome;
    const QString fallbacks[] = {m_hosts.Mirror3, m_hosts.Primary};
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0)
            moveTo(fallbacks[attempt - 1]);
        const QString host = currentHost();
        outcome.result = FetchPage(topPosition, rowCount);
        if (outcome.result == FetchResult::Closed)
            return outcome;
        if (outcome.result == FetchResult::Done)
            return outcome;
        outcome.failures << host + QStringLiteral(": ") + m_lastError;
    }
    const QString busy = QStringLiteral(": ") + QString::fromLatin1(StartingOrBusy);
    if (std::all_of(outcome.failures.cbegin(), outcome.failures.cend(),
                    [&](const QString& failure) { return failure.endsWith(busy); })) {
        // Every host answered, each that it is not ready yet: one message for them all.
        QStringList hosts;
        for (const QString& failure : outcome.failures)
            hosts << failure.left(failure.size() - busy.size());
        outcome.message =
            QStringLiteral("Tried ") + hosts.join(QStringLiteral(", ")) + busy + QLatin1Char('.');
        return outcome;
    }
    outcome.message = QStringLiteral("No statistics host answered. Tried ") +
                      outcome.failures.join(QStringLiteral("; ")) + QLatin1Char('.');
    return outcome;
}

ListResult PageExchange::RequestList(ListKind kind) {
    ListResult outcome;
    const std::string body = ListRequest(m_state, kind);
    const QString fallbacks[] = {m_listRetryHost, m_hosts.Primary};
    QByteArray reply;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0)
            moveTo(fallbacks[attempt - 1]);
        outcome.result = post(body, reply, static_cast<qint64>(MaxListReplyLines));
        if (outcome.result == FetchResult::Done &&
            !ListEntries(
                std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())),
                outcome.entries))
            outcome.result = FetchResult::Failed;
        if (outcome.result != FetchResult::Failed)
            break;
    }
    return outcome;
}
