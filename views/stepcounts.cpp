#include "views/stepcounts.h"

#include <array>
#include <unordered_map>

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"
#include "protocol/pagereply.h"

namespace {

// An exchange that reads only the count line of a page reply, after checking
// that the reply is whole; no record is kept.
class CountExchange final : public PageExchange {
public:
    // `addedLines`: the lines "More columns" adds to a record.
    CountExchange(const DatabaseInfo& info, std::size_t recordLines, std::size_t addedLines,
                  const ServiceHosts& hosts, const QString& listRetryHost)
        : PageExchange(info.servicePath, hosts, listRetryHost, QueryState::DefaultSortCode),
          m_recordLines(recordLines), m_addedLines(addedLines) {}

protected:
    PageReplyResult ReadReply(std::string_view reply, int, int rowCount, std::uint32_t) override {
        const auto needed = static_cast<std::size_t>(PageReplyLines(rowCount, RecordLines()));
        const std::vector<std::string_view> lines = SplitReplyLines(reply, needed + 1);
        PageReplyResult result;
        result.lineCount = static_cast<int>(lines.size());
        if (lines.size() != needed) {
            result.problem = "reply of " + std::to_string(lines.size()) + " lines, not " +
                             std::to_string(needed);
            return result;
        }
        const std::int32_t stated = ParseIntLenient(lines[0]);
        if (stated < 0 || stated > MaxStatedRecords) {
            result.problem = "reply states an impossible record count";
            return result;
        }
        m_totalRecords = stated;
        result.complete = true;
        return result;
    }
    std::size_t RecordLines() const override {
        return m_recordLines + (m_askedMore ? m_addedLines : 0);
    }

private:
    std::size_t m_recordLines;
    std::size_t m_addedLines;
};

std::size_t RecordLinesOf(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return BattersDatabase().layout.readers.size();
    case DatabaseKind::Pitchers:
        return PitchersDatabase().layout.readers.size();
    case DatabaseKind::Fielders:
        return FieldersDatabase().layout.readers.size();
    case DatabaseKind::Teams:
        return TeamsDatabase().layout.readers.size();
    }
    return BattersDatabase().layout.readers.size();
}

// The counts told so far, per database, by query tag.
std::unordered_map<std::uint32_t, std::int32_t>& KeptCounts(DatabaseKind kind) {
    static std::array<std::unordered_map<std::uint32_t, std::int32_t>, 4> counts;
    return counts[DatabaseIndex(kind)];
}

// Queries whose counts are kept per database; a run past it starts afresh.
constexpr std::size_t MaxKeptCounts = 4096;

} // namespace

StepCounts::StepCounts(DatabaseKind kind, const ServiceHosts& hosts) : m_kind(kind) {
    // As the window: a failed list request of the Fielders moves to the third
    // mirror first.
    const QString listRetry = kind == DatabaseKind::Fielders ? hosts.Mirror3 : hosts.Mirror2;
    m_exchange = std::make_unique<CountExchange>(DatabaseInfoFor(kind), RecordLinesOf(kind),
                                                 static_cast<std::size_t>(AddedColumnCount(kind)),
                                                 hosts, listRetry);
}

StepCounts::~StepCounts() = default;

std::optional<std::int32_t> StepCounts::known(const QueryState& state) const {
    const auto& counts = KeptCounts(m_kind);
    const auto found = counts.find(PageExchange::QueryTag(state));
    if (found == counts.end())
        return std::nullopt;
    return found->second;
}

StepCounts::Result StepCounts::fetch(const QueryState& state) {
    Result out;
    if (const std::optional<std::int32_t> count = known(state)) {
        out.result = FetchResult::Done;
        out.count = *count;
        return out;
    }
    const DatabaseKind kind = m_kind;
    const std::uint32_t tag = PageExchange::QueryTag(state);
    m_exchange->State() = state;
    ++m_sent;
    // The object may go during the wait; keep what is needed.
    PageExchange* exchange = m_exchange.get();
    const RefreshResult refreshed = exchange->RefreshView(0, 1);
    out.result = refreshed.result;
    if (refreshed.result != FetchResult::Done) {
        out.message = refreshed.message;
        return out;
    }
    out.count = exchange->TotalRecords();
    auto& counts = KeptCounts(kind);
    if (counts.size() >= MaxKeptCounts)
        counts.clear();
    counts[tag] = out.count;
    return out;
}

ListResult StepCounts::pickList(const QueryState& state, ListKind kind) {
    m_exchange->State() = state;
    ++m_sent;
    PageExchange* exchange = m_exchange.get();
    return exchange->RequestList(kind);
}
