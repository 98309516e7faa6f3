#include "service/engine/engine.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>

#include <malloc.h>
#include <sys/mman.h>

#include "service/engine/importer.h"
#include "service/engine/lines.h"
#include "service/engine/morefields.h"
#include "service/engine/moreschema.h"
#include "service/engine/picklists.h"
#include "service/engine/playersearch.h"
#include "service/engine/query.h"
#include "service/engine/querycost.h"
#include "service/engine/recordtexts.h"
#include "service/engine/recordwriter.h"
#include "service/engine/request.h"
#include "service/engine/resultcache.h"
#include "service/engine/sqlitedb.h"
#include "service/engine/tabledata.h"

namespace bbstatsd {

namespace {

// A copy of rows in a block whose pages are made resident by one call before it is written.
// Blocks of this size are fresh mappings of their own (see the service's malloc settings), and
// faulting their pages in one at a time on first write costs about twice as much. A kernel
// without the call leaves the pages to fault as before.
std::vector<std::uint32_t> residentCopy(const std::vector<std::uint32_t>& rows) {
    std::vector<std::uint32_t> out;
    out.reserve(rows.size());
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(out.data());
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (begin + rows.size() * sizeof(std::uint32_t)) & ~(kPage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
    }
    out.assign(rows.begin(), rows.end());
    return out;
}

// Runs each job on a thread of its own and waits for all of them; rethrows the failure of the
// first job that failed, in the order given.
void runTogether(std::vector<std::function<void()>> jobs) {
    std::vector<std::future<void>> running;
    running.reserve(jobs.size());
    for (std::function<void()>& job : jobs) {
        running.push_back(std::async(std::launch::async, std::move(job)));
    }
    std::exception_ptr failure;
    for (std::future<void>& job : running) {
        try {
            job.get();
        } catch (...) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace

// The tables a request reads, with what is kept ready of them: the tables as loaded, or those
// of the more-columns option (the same rows with the added lines).
struct TableSet {
    std::array<std::unique_ptr<TableData>, 4> tables;
    std::array<std::unique_ptr<RecordTexts>, 4> texts;            // of the same tables
    std::array<std::shared_ptr<const QueryResult>, 4> everyRow;   // of the same tables
    std::array<std::shared_ptr<const LinesTable>, 4> seasonLines; // of the player tables
    std::array<std::shared_ptr<const LinesTable>, 4> careerLines;
};

RequestError::RequestError(int status, std::string reason)
    : std::runtime_error(std::move(reason)), m_status(status) {}

class EngineData {
public:
    EngineData(const std::string& dbPath, std::size_t cacheBytes) : cache(cacheBytes) {
        SqliteDb db(dbPath, true);
        try {
            checkFormat(db);
            TableSet& plain = sets[0];
            // The tables load side by side, each on a connection of its own, and then what is
            // kept ready of each, so that loading spreads over the processors.
            std::vector<std::function<void()>> loads;
            for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
                loads.emplace_back([this, t, &dbPath, &plain] {
                    const auto at = static_cast<std::size_t>(t);
                    SqliteDb own(dbPath, true);
                    plain.tables[at] = std::make_unique<TableData>(own, tableDef(t));
                    lists[at] = std::make_unique<PickLists>(*plain.tables[at]);
                });
            }
            runTogether(std::move(loads));
            for (const auto& table : plain.tables) {
                largestRows = std::max(largestRows, table->rows());
            }
            schedule =
                std::make_unique<Schedule>(*plain.tables[static_cast<std::size_t>(Table::Teams)]);
            std::vector<std::function<void()>> builds;
            for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
                builds.emplace_back([this, t, &plain] {
                    const auto at = static_cast<std::size_t>(t);
                    keepReady(plain, nullptr, at);
                    if (t != Table::Teams) {
                        stintQualified[at] = stintQualifiers(*plain.tables[at], *schedule);
                    }
                });
            }
            builds.emplace_back([this, &db, &plain] {
                moreFigures = std::make_unique<MoreFigures>(
                    db,
                    std::array<const TableData*, 4>{plain.tables[0].get(), plain.tables[1].get(),
                                                    plain.tables[2].get(), plain.tables[3].get()});
                players = std::make_unique<PlayerSearch>(
                    db, *plain.tables[static_cast<std::size_t>(Table::Batters)],
                    *plain.tables[static_cast<std::size_t>(Table::Pitchers)],
                    *plain.tables[static_cast<std::size_t>(Table::Fielders)]);
            });
            runTogether(std::move(builds));
            // The scratch of loading, freed, is given back to the system.
            malloc_trim(0);
        } catch (const std::exception& e) {
            const std::string what = e.what();
            throw std::runtime_error(what.rfind(dbPath, 0) == 0 ? what : dbPath + ": " + what);
        }
    }

    std::array<TableSet, 2> sets; // as loaded, and with the more-columns lines (see moreSet)
    std::array<std::unique_ptr<PickLists>, 4> lists; // of the same rows in both sets
    std::unique_ptr<Schedule> schedule;
    std::unique_ptr<MoreFigures> moreFigures;
    std::array<std::vector<std::uint8_t>, 4> stintQualified;
    std::unique_ptr<PlayerSearch> players;
    ResultCache cache;
    std::uint32_t largestRows = 0;

    // The result of a query (rows sorted by keys) from the cache or computed; null when
    // cachedOnly and the cache lacks it.
    std::shared_ptr<const QueryResult> result(Table table, const ParsedRequest& req,
                                              const std::vector<SortKey>& keys,
                                              const LinesOptions& options, bool more,
                                              bool cachedOnly);

    // The tables of the more-columns option, built by the first request that asks for them
    // (about as much work and memory again as the tables as loaded, which a service whose
    // clients never ask spares). Thread-safe.
    const TableSet& moreSet() {
        std::call_once(moreOnce, [&] {
            std::vector<std::function<void()>> builds;
            for (std::size_t at = 0; at < 4; ++at) {
                builds.emplace_back([this, at] {
                    sets[1].tables[at] = moreFigures->extend(*sets[0].tables[at]);
                    keepReady(sets[1], moreFigures.get(), at);
                });
            }
            runTogether(std::move(builds));
            malloc_trim(0);
            moreReady.store(true, std::memory_order_release);
        });
        return sets[1];
    }
    // Whether moreSet is built, so that a quick answer never waits for it.
    bool moreBuilt() const { return moreReady.load(std::memory_order_acquire); }

private:
    std::once_flag moreOnce;
    std::atomic<bool> moreReady{false};

    // The record texts, the whole table's result and the season and career lines over every
    // stint of one table, kept ready: they answer every lines query without a selection of stints.
    // The lines' columns are ranked when a sort first asks for each (a few milliseconds once), so
    // the columns nobody sorts by cost no memory.
    void keepReady(TableSet& set, const MoreFigures* more, std::size_t at) {
        const TableData& data = *set.tables[at];
        // A record of the more-columns option is the loaded table's record and its added
        // lines: only those are kept.
        if (more == nullptr) {
            set.texts[at] = std::make_unique<RecordTexts>(data);
        } else {
            std::vector<std::uint32_t> same(data.rows());
            std::iota(same.begin(), same.end(), 0u);
            set.texts[at] = std::make_unique<RecordTexts>(data, *sets[0].texts[at], same);
        }
        auto all = std::make_shared<QueryResult>();
        all->rows.resize(data.rows());
        std::iota(all->rows.begin(), all->rows.end(), 0u);
        all->totals = recordTotals(data, all->rows);
        all->kept = true;
        set.everyRow[at] = std::move(all);
        if (!data.def().hasPlayers) {
            return;
        }
        std::vector<std::uint32_t> rows(data.rows());
        std::iota(rows.begin(), rows.end(), 0u);
        const bool plain = more == nullptr;
        set.seasonLines[at] =
            combineLines(data, rows, LinesMode::Season, *schedule, set.texts[at].get(), more,
                         plain ? nullptr : sets[0].seasonLines[at].get());
        set.careerLines[at] =
            combineLines(data, rows, LinesMode::Career, *schedule, set.texts[at].get(), more,
                         plain ? nullptr : sets[0].careerLines[at].get());
    }

    // The stint rows a selection keeps, in default order, with their totals. A selection that
    // keeps every row shares the result kept from load: a new sort of a whole table copies
    // no rows and sums nothing before it sorts.
    std::shared_ptr<const QueryResult> selection(const TableSet& set, const TableData& data,
                                                 const Groups& groups) {
        bool all = false;
        auto r = std::make_shared<QueryResult>();
        r->rows = filterRows(data, groups, &all);
        if (all) {
            return set.everyRow[static_cast<std::size_t>(data.def().table)];
        }
        r->totals = recordTotals(data, r->rows);
        return r;
    }

    std::shared_ptr<const QueryResult> linesResult(const TableSet& set, const TableData& data,
                                                   const Groups& groups,
                                                   const LinesOptions& options,
                                                   const std::string& moreKey);

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

std::shared_ptr<const QueryResult> EngineData::result(Table table, const ParsedRequest& req,
                                                      const std::vector<SortKey>& keys,
                                                      const LinesOptions& options, bool more,
                                                      bool cachedOnly) {
    const TableSet& set = sets[more ? 1 : 0];
    const TableData& data = *set.tables.at(static_cast<std::size_t>(table));
    const TableDef& def = data.def();
    // The matching rows in default order with their totals are cached apart from each sorted
    // order of them, so a new sort of a selection seen before only sorts. The option's entries
    // have keys of their own; without it the keys stay as they were.
    const std::string moreKey = more ? "\x1dm" : "";
    const std::string suffix = linesKey(options) + moreKey;
    auto base = [&] {
        return options.plain() ? selection(set, data, req.groups)
                               : linesResult(set, data, req.groups, options, moreKey);
    };
    const std::string key = queryKey(def, keys, req.groups) + suffix;
    if (cachedOnly) {
        return cache.find(key);
    }
    return cache.get(key, [&] {
        if (keys.empty()) {
            return base();
        }
        const auto unsorted = cache.get(queryKey(def, {}, req.groups) + suffix, base);
        auto r = std::make_shared<QueryResult>();
        r->rows = residentCopy(unsorted->rows);
        sortRows(unsorted->lines ? *unsorted->lines->data : data, keys, r->rows);
        r->totals = unsorted->totals;
        r->lines = unsorted->lines;
        r->linesBytes = unsorted->linesBytes;
        return std::shared_ptr<const QueryResult>(std::move(r));
    });
}

// Selections choose stint rows, which are then combined; limits apply to the combined lines.
// The totals record sums the stint rows that make up the lines kept (after limits and the
// qualifier), so that it always totals what the window lists.
std::shared_ptr<const QueryResult>
EngineData::linesResult(const TableSet& set, const TableData& data, const Groups& groups,
                        const LinesOptions& options, const std::string& moreKey) {
    const TableDef& def = data.def();
    const auto at = static_cast<std::size_t>(def.table);
    auto r = std::make_shared<QueryResult>();
    auto selected = [&] {
        return cache.get(queryKey(def, {}, groups) + moreKey,
                         [&] { return selection(set, data, groups); });
    };
    if (options.mode == LinesMode::Team) {
        const std::vector<std::uint8_t>& qualified = stintQualified[at];
        for (const std::uint32_t row : selected()->rows) {
            if (qualified[row]) {
                r->rows.push_back(row);
            }
        }
        r->rows.shrink_to_fit();
        r->totals = recordTotals(data, r->rows);
        return std::shared_ptr<const QueryResult>(std::move(r));
    }
    // A group of limits only is a limit on lines; any other group chooses stint rows.
    Groups stintGroups, lineGroups;
    for (const auto& group : groups) {
        if (group.empty()) {
            continue;
        }
        const bool limitsOnly = std::all_of(group.begin(), group.end(),
                                            [](const SelectionItem& i) { return i.kind == 'E'; });
        (limitsOnly ? lineGroups : stintGroups).push_back(group);
    }
    if (stintGroups.empty()) {
        r->lines = options.mode == LinesMode::Season ? set.seasonLines[at] : set.careerLines[at];
    } else {
        r->lines = combineLines(data, filterRows(data, stintGroups), options.mode, *schedule,
                                set.texts[at].get(), moreKey.empty() ? nullptr : moreFigures.get());
        r->linesBytes = r->lines->bytes();
    }
    r->rows = filterRows(*r->lines->data, lineGroups);
    if (options.qualified) {
        std::erase_if(r->rows, [&](std::uint32_t line) { return !r->lines->qualified[line]; });
    }
    r->rows.shrink_to_fit();
    // Every line kept: its stints are the selection, whose totals may be cached already.
    r->totals = lineGroups.empty() && !options.qualified
                    ? selected()->totals
                    : recordTotals(data, r->lines->stintRows(r->rows));
    return std::shared_ptr<const QueryResult>(std::move(r));
}

Engine::Engine(const std::string& dbPath, std::size_t cacheBytes)
    : m_data(std::make_unique<EngineData>(dbPath, cacheBytes)) {}

Engine::~Engine() = default;

std::string Engine::answer(Table table, std::string_view body, std::string_view query) {
    return *respond(table, body, query, false);
}

std::optional<std::string> Engine::answerIfCached(Table table, std::string_view body,
                                                  std::string_view query) {
    return respond(table, body, query, true);
}

std::optional<std::string> Engine::answerIfCached(Table table, std::string_view body,
                                                  std::string_view query, std::string_view& kept) {
    return respond(table, body, query, true, &kept);
}

std::optional<std::string> Engine::respond(Table table, std::string_view body,
                                           std::string_view query, bool cachedOnly,
                                           std::string_view* kept) {
    const bool more = parseMoreOption(query);
    if (more && cachedOnly && !m_data->moreBuilt()) {
        return std::nullopt;
    }
    const TableSet& set = more ? m_data->moreSet() : m_data->sets[0];
    const TableData& data = *set.tables.at(static_cast<std::size_t>(table));
    const TableDef& def = data.def();
    const TableShape shape{def.sortFieldCount, def.hasPlayers, def.positionLine >= 0};
    const ParsedRequest req = parseRequest(body, shape);
    const LinesOptions options = parseLinesOptions(query, table);
    const PickLists& lists = *m_data->lists.at(static_cast<std::size_t>(table));
    if (req.list && !options.qualified &&
        std::all_of(req.groups.begin(), req.groups.end(),
                    [](const auto& group) { return group.empty(); })) {
        if (kept != nullptr) {
            *kept = lists.whole(req.listLetter);
            return std::string();
        }
        return lists.whole(req.listLetter);
    }
    checkSelectionCost(data, req.groups, selectionCostBound(m_data->largestRows));
    const std::vector<SortKey> keys =
        req.list ? std::vector<SortKey>() : sortKeys(def, req.sortCodes);
    const std::shared_ptr<const QueryResult> result =
        m_data->result(table, req, keys, options, more, cachedOnly);
    if (result == nullptr) {
        return std::nullopt;
    }
    if (req.list) {
        return lists.over(req.listLetter,
                          result->lines ? result->lines->stintRows(result->rows) : result->rows);
    }
    // The page is copied from the records' texts written at load time, sized exactly first.
    const RecordTexts& texts =
        result->lines ? *result->lines->texts : *set.texts.at(static_cast<std::size_t>(table));
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
        texts.appendTo(rows[i], out);
    }
    for (std::size_t i = 0; i < blanks; ++i) {
        out += texts.blank();
    }
    out += result->totals;
    return out;
}

std::string Engine::findPlayers(std::string_view rawQuery) const {
    return m_data->players->search(rawQuery);
}

std::string Engine::playerFacts(std::string_view playerId) const {
    return m_data->players->facts(playerId);
}

ResultRows Engine::wholeResult(Table table, std::string_view body, std::string_view query) {
    const auto at = static_cast<std::size_t>(table);
    const bool more = parseMoreOption(query);
    const TableSet& set = more ? m_data->moreSet() : m_data->sets[0];
    const TableData& data = *set.tables.at(at);
    const TableDef& def = data.def();
    const TableShape shape{def.sortFieldCount, def.hasPlayers, def.positionLine >= 0};
    const ParsedRequest req = parseRequest(body, shape);
    const LinesOptions options = parseLinesOptions(query, table);
    if (req.list) {
        throw RequestError(400, "a list request has no rows to export");
    }
    checkSelectionCost(data, req.groups, selectionCostBound(m_data->largestRows));
    // The same cache entries as the page answers use, so an export of the window's query
    // reuses its sorted result.
    ResultRows whole{&data, set.texts.at(at).get(), nullptr};
    whole.result = m_data->result(table, req, sortKeys(def, req.sortCodes), options, more, false);
    if (whole.result->lines) {
        whole.data = whole.result->lines->data.get();
        whole.texts = whole.result->lines->texts.get();
    }
    return whole;
}

} // namespace bbstatsd
