#include "service/csvexport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "service/engine/moreschema.h"
#include "service/engine/recordtexts.h"
#include "service/engine/resultcache.h"
#include "service/engine/schema.h"
#include "service/engine/tabledata.h"

namespace bbstatsd {

namespace {

constexpr std::size_t MaxCsvColumns = 256;

void appendField(std::string& out, std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += value;
        return;
    }
    out += '"';
    for (char ch : value) {
        if (ch == '"') {
            out += '"';
        }
        out += ch;
    }
    out += '"';
}

// The value of `column=` in a raw query; nullopt when absent.
std::optional<std::string_view> columnsOf(std::string_view query) {
    constexpr std::string_view key = "columns=";
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        if (pair.starts_with(key)) {
            return pair.substr(key.size());
        }
        start = end + 1;
    }
    return std::nullopt;
}

// Appends the CSV row of table row `row` to `out`.
void appendRow(const ResultRows& whole, const std::vector<int>& lines, std::uint32_t row,
               std::string& out) {
    const std::string_view record = whole.texts->record(row);
    std::array<std::string_view, MaxCsvColumns> values{};
    std::size_t line = 0;
    std::size_t at = 0;
    while (at < record.size() && line < values.size()) {
        std::size_t end = record.find("\r\n", at);
        if (end == std::string_view::npos) {
            end = record.size();
        }
        values[line++] = record.substr(at, end - at);
        at = end + 2;
    }
    bool first = true;
    for (const int l : lines) {
        if (!first) {
            out += ',';
        }
        first = false;
        const auto index = static_cast<std::size_t>(l);
        if (index < line && !whole.data->column(l).missing(row)) {
            appendField(out, values[index]);
        }
    }
    out += "\r\n";
}

// The row of column titles of lines, as the grid shows them.
std::string titleRow(const TableDef& def, const std::vector<int>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        appendField(out, fieldTitle(def, def.fields[static_cast<std::size_t>(lines[i])].sortNo));
    }
    return out + "\r\n";
}

} // namespace

std::string csvText(const ResultRows& whole, const std::vector<int>& lines) {
    const std::vector<std::uint32_t>& rows = whole.result->rows;
    std::string out;
    // The records' own texts are about as long as their CSV rows with every field chosen.
    out.reserve(whole.texts->bytesOf(rows.data(), rows.data() + rows.size()));
    for (const std::uint32_t row : rows) {
        appendRow(whole, lines, row, out);
    }
    out.shrink_to_fit();
    return out;
}

bool ExportBudget::take(std::uint64_t bytes) {
    std::lock_guard lock(m_mutex);
    if (bytes > m_limit - m_held) {
        return false;
    }
    m_held += bytes;
    return true;
}

void ExportBudget::give(std::uint64_t bytes) {
    std::lock_guard lock(m_mutex);
    m_held -= std::min(bytes, m_held);
}

std::uint64_t ExportBudget::held() const {
    std::lock_guard lock(m_mutex);
    return m_held;
}

std::vector<int> csvLines(const TableDef& def, std::optional<std::string_view> columns) {
    std::vector<int> lines;
    if (!columns) {
        for (int field = 0; field < def.sortFieldCount; ++field) {
            lines.push_back(lineOfSortField(def, field));
        }
        return lines;
    }
    std::string_view rest = *columns;
    while (true) {
        const std::size_t comma = std::min(rest.find(','), rest.size());
        const std::string_view item = rest.substr(0, comma);
        int field = -1;
        const auto parsed = std::from_chars(item.data(), item.data() + item.size(), field);
        if (item.empty() || parsed.ec != std::errc() || parsed.ptr != item.data() + item.size() ||
            field < 0 || field >= def.sortFieldCount) {
            throw RequestError(400, "columns: not a field number of this table: \"" +
                                        std::string(item.substr(0, 20)) + "\"");
        }
        const int line = lineOfSortField(def, field);
        // Each field once: the reply is then never longer than the records it is made of.
        if (std::find(lines.begin(), lines.end(), line) != lines.end()) {
            throw RequestError(400, "columns: field " + std::to_string(field) + " named twice");
        }
        lines.push_back(line);
        if (comma == rest.size()) {
            break;
        }
        rest = rest.substr(comma + 1);
    }
    return lines;
}

std::string csvPath(const std::string& servicePath) {
    const std::size_t dot = servicePath.rfind('.');
    return (dot == std::string::npos ? servicePath : servicePath.substr(0, dot)) + ".csv";
}

namespace {

// A written export text and its share of the budget, given back when the reply is freed.
struct HeldText {
    HeldText(std::string text, std::shared_ptr<ExportBudget> budget)
        : text(std::move(text)), budget(std::move(budget)) {}
    ~HeldText() { budget->give(text.size()); }
    HeldText(const HeldText&) = delete;
    HeldText& operator=(const HeldText&) = delete;

    const std::string text;
    const std::shared_ptr<ExportBudget> budget;
};

HttpReply budgetRefusal() {
    HttpReply refused = problemReply(503, "too many exports being sent; try again");
    refused.headers.emplace_back("Retry-After", "2");
    return refused;
}

} // namespace

HttpRoute csvExportRoute(Engine& engine, const std::string& servicePath, Table table,
                         std::shared_ptr<ExportBudget> budget) {
    HttpRoute route;
    route.method = "POST";
    route.path = csvPath(servicePath);
    // Never answered on a reading thread: even a cached result costs a pass over its rows.
    route.quick = [](const HttpRequest&) -> std::optional<HttpReply> { return std::nullopt; };
    route.waitingGroup = "exports";
    route.waitingLimit = ExportsWaiting;
    route.waitingMs = ExportLongestWaitMs;
    route.handler = [&engine, table, budget](const HttpRequest& request) -> HttpReply {
        try {
            const ResultRows whole = engine.wholeResult(table, request.body, request.query);
            const std::vector<int> lines = csvLines(whole.data->def(), columnsOf(request.query));
            const std::string titles = parseHeaderOption(request.query)
                                           ? titleRow(whole.data->def(), lines)
                                           : std::string();
            // Counted before it is written, from the size of the records it is made of, so a
            // refusal comes at once; set to the written size after.
            const std::vector<std::uint32_t>& rows = whole.result->rows;
            const std::uint64_t estimate =
                whole.texts->bytesOf(rows.data(), rows.data() + rows.size()) * lines.size() /
                    static_cast<std::uint64_t>(std::max(1, whole.data->def().sortFieldCount)) +
                2 * rows.size() + titles.size();
            if (!budget->take(estimate)) {
                return budgetRefusal();
            }
            std::string text;
            try {
                text = titles + csvText(whole, lines);
            } catch (...) {
                budget->give(estimate);
                throw;
            }
            if (text.size() <= estimate) {
                budget->give(estimate - text.size());
            } else if (!budget->take(text.size() - estimate)) {
                budget->give(estimate);
                return budgetRefusal();
            }
            auto held = std::make_shared<HeldText>(std::move(text), budget);
            HttpReply reply;
            reply.contentType = "text/csv; charset=utf-8";
            reply.streamLength = held->text.size();
            reply.sendDeadlineMs = static_cast<unsigned>(
                ExportSendBaseMs + ExportSendMsPerMiB * (held->text.size() >> 20));
            reply.stream = [held](std::uint64_t offset, char* out, std::size_t max) -> long {
                const std::string& text = held->text;
                if (offset > text.size()) {
                    return -1;
                }
                const std::size_t take =
                    std::min<std::size_t>(max, text.size() - static_cast<std::size_t>(offset));
                std::memcpy(out, text.data() + offset, take);
                return static_cast<long>(take);
            };
            return reply;
        } catch (const RequestError& error) {
            return problemReply(error.status(), error.what());
        } catch (const std::exception& error) {
            return problemReply(500, std::string("internal error: ") + error.what());
        }
    };
    return route;
}

} // namespace bbstatsd
