#include "service/engine/engine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>

#include "service/engine/importer.h"
#include "service/engine/picklists.h"
#include "service/engine/query.h"
#include "service/engine/querycost.h"
#include "service/engine/recordtexts.h"
#include "service/engine/recordwriter.h"
#include "service/engine/request.h"
#include "service/engine/resultcache.h"
#include "service/engine/sqlitedb.h"
#include "service/engine/tabledata.h"

namespace bbstatsd {

RequestError::RequestError(int status, std::string reason)
    : std::runtime_error(std::move(reason)), m_status(status) {}

class EngineData {
public:
    EngineData(const std::string& dbPath, std::size_t cacheBytes) : cache(cacheBytes) {
        SqliteDb db(dbPath, true);
        try {
            checkFormat(db);
            for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
                const auto at = static_cast<std::size_t>(t);
                tables[at] = std::make_unique<TableData>(db, tableDef(t));
                texts[at] = std::make_unique<RecordTexts>(*tables[at]);
                lists[at] = std::make_unique<PickLists>(*tables[at]);
                largestRows = std::max(largestRows, tables[at]->rows());
            }
        } catch (const std::exception& e) {
            const std::string what = e.what();
            throw std::runtime_error(what.rfind(dbPath, 0) == 0 ? what : dbPath + ": " + what);
        }
    }

    std::array<std::unique_ptr<TableData>, 4> tables;
    std::array<std::unique_ptr<RecordTexts>, 4> texts; // of the same tables
    std::array<std::unique_ptr<PickLists>, 4> lists;   // of the same tables
    ResultCache cache;
    std::uint32_t largestRows = 0;

private:
    // A file written by an earlier importer holds figures of earlier definitions.
    static void checkFormat(SqliteDb& db) {
        SqliteStmt meta(db, "SELECT count(*) FROM sqlite_master WHERE name = 'meta'");
        std::string found = "none";
        if (meta.step() && meta.integer(0) > 0) {
            SqliteStmt format(db, "SELECT value FROM meta WHERE key = 'format'");
            found = format.step() ? std::string(format.text(0)) : found;
        }
        if (found != kImportFormat) {
            throw std::runtime_error("written by an earlier import (format " + found +
                                     ", this service reads " + kImportFormat +
                                     "); import the data again");
        }
    }
};

Engine::Engine(const std::string& dbPath, std::size_t cacheBytes)
    : m_data(std::make_unique<EngineData>(dbPath, cacheBytes)) {}

Engine::~Engine() = default;

std::string Engine::answer(Table table, std::string_view body) {
    return *respond(table, body, false);
}

std::optional<std::string> Engine::answerIfCached(Table table, std::string_view body) {
    return respond(table, body, true);
}

std::optional<std::string> Engine::respond(Table table, std::string_view body, bool cachedOnly) {
    const TableData& data = *m_data->tables.at(static_cast<std::size_t>(table));
    const TableDef& def = data.def();
    const TableShape shape{def.sortFieldCount, def.hasPlayers, def.positionLine >= 0};
    const ParsedRequest req = parseRequest(body, shape);
    const PickLists& lists = *m_data->lists.at(static_cast<std::size_t>(table));
    if (req.list && std::all_of(req.groups.begin(), req.groups.end(),
                                [](const auto& group) { return group.empty(); })) {
        return lists.whole(req.listLetter);
    }
    checkSelectionCost(data, req.groups, selectionCostBound(m_data->largestRows));
    const std::vector<SortKey> keys =
        req.list ? std::vector<SortKey>() : sortKeys(def, req.sortCodes);
    // The matching rows in default order with their totals are cached apart from each sorted
    // order of them, so a new sort of a selection seen before only sorts.
    auto filtered = [&] {
        auto r = std::make_shared<QueryResult>();
        r->rows = filterRows(data, req.groups);
        r->rows.shrink_to_fit();
        r->totals = totalsRecord(data, r->rows);
        return std::shared_ptr<const QueryResult>(std::move(r));
    };
    const std::string key = queryKey(def, keys, req.groups);
    std::shared_ptr<const QueryResult> result;
    if (cachedOnly) {
        result = m_data->cache.find(key);
        if (result == nullptr) {
            return std::nullopt;
        }
    }
    if (result == nullptr) {
        result = m_data->cache.get(key, [&] {
            if (keys.empty()) {
                return filtered();
            }
            const auto base = m_data->cache.get(queryKey(def, {}, req.groups), filtered);
            auto r = std::make_shared<QueryResult>();
            r->rows = base->rows;
            sortRows(data, keys, r->rows);
            r->totals = base->totals;
            return std::shared_ptr<const QueryResult>(std::move(r));
        });
    }
    if (req.list) {
        return lists.over(req.listLetter, result->rows);
    }
    // The page is copied from the records' texts written at load time, sized exactly first.
    const RecordTexts& texts = *m_data->texts.at(static_cast<std::size_t>(table));
    const std::vector<std::uint32_t>& rows = result->rows;
    const std::size_t first = std::min<std::size_t>(req.top, rows.size());
    const std::size_t last = std::min<std::size_t>(first + req.rows, rows.size());
    const std::size_t blanks = req.rows - (last - first);
    char count[24] = {};
    const char* countEnd = std::to_chars(count, count + sizeof count, rows.size()).ptr;
    std::string out;
    out.reserve(static_cast<std::size_t>(countEnd - count) + 2 +
                texts.bytesOf(rows.data() + first, rows.data() + last) +
                blanks * texts.blank().size() + result->totals.size());
    out.append(count, static_cast<std::size_t>(countEnd - count));
    out += "\r\n";
    for (std::size_t i = first; i < last; ++i) {
        out += texts.record(rows[i]);
    }
    for (std::size_t i = 0; i < blanks; ++i) {
        out += texts.blank();
    }
    out += result->totals;
    return out;
}

ResultRows Engine::wholeResult(Table table, std::string_view body) {
    const auto at = static_cast<std::size_t>(table);
    const TableData& data = *m_data->tables.at(at);
    const TableDef& def = data.def();
    const TableShape shape{def.sortFieldCount, def.hasPlayers, def.positionLine >= 0};
    const ParsedRequest req = parseRequest(body, shape);
    if (req.list) {
        throw RequestError(400, "a list request has no rows to export");
    }
    checkSelectionCost(data, req.groups, selectionCostBound(m_data->largestRows));
    const std::vector<SortKey> keys = sortKeys(def, req.sortCodes);
    // The same cache entries as the page answers use, so an export of the window's query
    // reuses its sorted result.
    auto filtered = [&] {
        auto r = std::make_shared<QueryResult>();
        r->rows = filterRows(data, req.groups);
        r->rows.shrink_to_fit();
        r->totals = totalsRecord(data, r->rows);
        return std::shared_ptr<const QueryResult>(std::move(r));
    };
    ResultRows whole{&data, m_data->texts.at(at).get(), nullptr};
    whole.result = m_data->cache.get(queryKey(def, keys, req.groups), [&] {
        if (keys.empty()) {
            return filtered();
        }
        const auto base = m_data->cache.get(queryKey(def, {}, req.groups), filtered);
        auto r = std::make_shared<QueryResult>();
        r->rows = base->rows;
        sortRows(data, keys, r->rows);
        r->totals = base->totals;
        return std::shared_ptr<const QueryResult>(std::move(r));
    });
    return whole;
}

} // namespace bbstatsd
