#include "service/engine/engine.h"

#include <array>
#include <memory>

#include "service/engine/query.h"
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
            for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
                tables[static_cast<std::size_t>(t)] = std::make_unique<TableData>(db, tableDef(t));
            }
        } catch (const std::exception& e) {
            const std::string what = e.what();
            throw std::runtime_error(what.rfind(dbPath, 0) == 0 ? what : dbPath + ": " + what);
        }
    }

    std::array<std::unique_ptr<TableData>, 4> tables;
    ResultCache cache;
};

Engine::Engine(const std::string& dbPath, std::size_t cacheBytes)
    : m_data(std::make_unique<EngineData>(dbPath, cacheBytes)) {}

Engine::~Engine() = default;

std::string Engine::answer(Table table, std::string_view body) {
    const TableData& data = *m_data->tables.at(static_cast<std::size_t>(table));
    const TableDef& def = data.def();
    const TableShape shape{def.sortFieldCount, def.hasPlayers, def.positionLine >= 0};
    const ParsedRequest req = parseRequest(body, shape);
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
    const auto result = m_data->cache.get(queryKey(def, keys, req.groups), [&] {
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
    if (req.list) {
        return listReply(data, req.listLetter, result->rows);
    }
    std::string out;
    out.reserve(16 + (static_cast<std::size_t>(req.rows) + 1) * def.fields.size() * 10);
    out += std::to_string(result->rows.size());
    out += "\r\n";
    const std::uint64_t end = static_cast<std::uint64_t>(req.top) + req.rows;
    for (std::uint64_t i = req.top; i < end; ++i) {
        if (i < result->rows.size()) {
            appendRecord(data, result->rows[i], out);
        } else {
            appendBlankRecord(def, out);
        }
    }
    out += result->totals;
    return out;
}

} // namespace bbstatsd
