#include "service/csvexport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

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

} // namespace

CsvRows::CsvRows(ResultRows whole, std::vector<int> lines)
    : m_whole(std::move(whole)), m_lines(std::move(lines)) {
    // Measured once by writing every row: the stated length lets the client tell a whole
    // export from one cut short.
    std::string scratch;
    for (const std::uint32_t row : m_whole.result->rows) {
        scratch.clear();
        appendRow(row, scratch);
        m_size += scratch.size();
    }
}

void CsvRows::appendRow(std::uint32_t row, std::string& out) const {
    const std::string_view record = m_whole.texts->record(row);
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
    for (const int l : m_lines) {
        if (!first) {
            out += ',';
        }
        first = false;
        const auto index = static_cast<std::size_t>(l);
        if (index < line && !m_whole.data->column(l).missing(row)) {
            appendField(out, values[index]);
        }
    }
    out += "\r\n";
}

long CsvRows::read(std::uint64_t offset, char* out, std::size_t max) {
    if (offset != m_offset) {
        return -1;
    }
    const std::vector<std::uint32_t>& rows = m_whole.result->rows;
    std::size_t written = 0;
    while (written < max) {
        if (m_pendingAt == m_pending.size()) {
            if (m_position == rows.size()) {
                break;
            }
            m_pending.clear();
            m_pendingAt = 0;
            // A few rows at a time, so a block is filled with few refills.
            for (int i = 0; i < 64 && m_position < rows.size(); ++i) {
                appendRow(rows[m_position++], m_pending);
            }
        }
        const std::size_t take = std::min(max - written, m_pending.size() - m_pendingAt);
        std::memcpy(out + written, m_pending.data() + m_pendingAt, take);
        m_pendingAt += take;
        written += take;
    }
    m_offset += written;
    return static_cast<long>(written);
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
        if (lines.size() == MaxCsvColumns) {
            throw RequestError(400, "columns: more than 256 fields");
        }
        lines.push_back(lineOfSortField(def, field));
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

HttpRoute csvExportRoute(Engine& engine, const std::string& servicePath, Table table) {
    HttpRoute route;
    route.method = "POST";
    route.path = csvPath(servicePath);
    route.handler = [&engine, table](const HttpRequest& request) -> HttpReply {
        try {
            ResultRows whole = engine.wholeResult(table, request.body, request.query);
            std::vector<int> lines = csvLines(whole.data->def(), columnsOf(request.query));
            auto rows = std::make_shared<CsvRows>(std::move(whole), std::move(lines));
            HttpReply reply;
            reply.contentType = "text/csv; charset=utf-8";
            reply.streamLength = rows->size();
            reply.stream = [rows](std::uint64_t offset, char* out, std::size_t max) {
                return rows->read(offset, out, max);
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
