#include "bench/lines_bench.h"

#include <cstdio>
#include <memory>
#include <numeric>
#include <thread>

#include <unistd.h>

#include "bench/benchnet.h"
#include "service/engine/lines.h"
#include "service/engine/sqlitedb.h"
#include "service/engine/tabledata.h"

namespace bench {

namespace {

const std::vector<std::string> kBatterCounts = {"G",  "PA",  "AB", "RS",   "H",  "D",   "T",
                                                "HR", "RBI", "BB", "IBB",  "SO", "HBP", "SH",
                                                "SF", "SB",  "CS", "GIDP", "TB", "S"};

// The SQL of one lines mode: the page (sums per group, ordered by the summed home runs), the
// number of lines and the totals over the stint rows, as the service answers them.
std::vector<std::string> linesSql(const std::string& groupBy, const std::string& where) {
    const std::string from =
        std::string(" FROM batters") + (where.empty() ? "" : " WHERE ") + where;
    if (groupBy.empty()) {
        return {std::string("SELECT * FROM batters WHERE G >= -1")
                    .append(" ORDER BY HR DESC, PlayerName COLLATE NOCASE, Year, Stint LIMIT 40"),
                std::string("SELECT COUNT(*), ").append(sums(kBatterCounts)).append(from)};
    }
    const std::string having = " GROUP BY " + groupBy + " HAVING SUM(G) >= -1";
    return {std::string("SELECT PlayerID, MIN(PlayerName), MIN(Year), COUNT(DISTINCT TeamCode), ")
                .append(sums(kBatterCounts))
                .append(", SUM(NULLIF(HR,-1)) AS hr")
                .append(from)
                .append(having)
                .append(" ORDER BY hr DESC, MIN(PlayerName) COLLATE NOCASE, MIN(Year) LIMIT 40"),
            std::string("SELECT COUNT(*) FROM (SELECT 1").append(from).append(having).append(")"),
            std::string("SELECT COUNT(*), ").append(sums(kBatterCounts)).append(from)};
}

double selfResidentMb() {
    return residentMb(::getpid());
}

} // namespace

void addLinesRows(bbstatsd::Engine& engine, int port, SqlBaseline& plain, SqlBaseline& indexed,
                  int scale, std::vector<Row>& rows) {
    struct Mode {
        const char* name;
        const char* query;
        std::string groupBy;
        bool span;
    };
    const std::vector<Mode> modes = {
        {"lines per team: first page, new sort by HR (all Batters)", "", "", false},
        {"lines per season: first page, new sort by HR (all Batters)", "lines=season",
         "PlayerID, Year", false},
        {"lines per career: first page, new sort by HR (all Batters)", "lines=career", "PlayerID",
         false},
        {"lines per career 1950-1959: first page, new sort by HR (Batters)", "lines=career",
         "PlayerID", true},
    };
    std::vector<std::string> years;
    for (int year = 1950; year <= 1959; ++year) {
        std::string item = "C";
        item += std::to_string(year);
        years.push_back(item);
    }
    years.push_back("*");
    int offset = 0;
    for (const Mode& mode : modes) {
        // Each repetition limits G by a bound of its own that keeps every line, so that no
        // repetition (nor the totals of another mode) is served from the cache.
        offset += 100000;
        const std::string path =
            std::string("/cgi-bin/getbat.exe") + (*mode.query ? "?" : "") + mode.query;
        auto request = [&, offset](int rep) {
            std::vector<std::string> items = mode.span ? years : std::vector<std::string>();
            items.insert(items.end(), {"E7!-" + std::to_string(offset + rep + 1) + "!!", "*"});
            return postRequest(path, page(0, "16!", items));
        };
        std::string reply;
        Row row;
        row.name = mode.name;
        row.ours = oursMs(port, 20 * scale, request, &reply);
        row.engine = engineMs(
            engine, bbstatsd::Table::Batters, 20 * scale,
            [&](int rep) { return request(rep + 50000); }, mode.query);
        const auto sql = linesSql(mode.groupBy, mode.span ? "Year BETWEEN 1950 AND 1959" : "");
        row.sql = sqlMs(3 * scale, [&](int) { return plain.statementsMs(sql); });
        row.sqlIndexed = sqlMs(3 * scale, [&](int) { return indexed.statementsMs(sql); });
        row.note = (mode.span ? std::string() : std::string("target < 20 ms; ")) + countOf(reply) +
                   " lines";
        rows.push_back(row);
    }
    // Scroll pages of career lines already answered, against the floor with the same reply.
    {
        const std::string path = "/cgi-bin/getbat.exe?lines=career";
        std::string reply;
        roundTrip(port, postRequest(path, page(0, "16!", {})), reply);
        const int lines = std::max(1, std::atoi(countOf(reply).c_str()));
        auto request = [&](int rep) {
            return postRequest(path, page(static_cast<int>(rep * 7919LL % lines), "16!", {}));
        };
        Row row;
        row.name = "scroll page, cached career lines (Batters, HR desc)";
        FloorServer floor(reply);
        versusFloor(row, port, floor.port(), 400 * scale, request, &reply);
        engineMs(engine, bbstatsd::Table::Batters, 3, request, "lines=career");
        row.engine =
            engineMs(engine, bbstatsd::Table::Batters, 400 * scale, request, "lines=career");
        const auto sql = linesSql("PlayerID", "");
        row.sql = sqlMs(3 * scale, [&](int) { return plain.statementsMs(sql); });
        row.sqlIndexed = sqlMs(3 * scale, [&](int) { return indexed.statementsMs(sql); });
        row.note = std::to_string(reply.size()) + " reply bytes";
        rows.push_back(row);
    }
}

void printLinesLoad(const std::string& binary, const std::string& db, const std::string& work,
                    int scale) {
    using bbstatsd::Table;
    // The service from its start to the first 200 of /healthz (it answers 503 while loading).
    std::vector<double> startup, resident;
    for (int run = 0; run < 3 * scale; ++run) {
        const auto start = Clock::now();
        Service service(binary, db, work + "/events-load.db");
        std::string reply;
        const std::string health = "GET /healthz HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        while (!roundTrip(service.port(), health, reply)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        startup.push_back(msSince(start));
        resident.push_back(residentMb(service.pid()));
    }
    // The build step of the lines the service runs at load, timed here on the same tables.
    bbstatsd::SqliteDb file(db, true);
    const auto loadStart = Clock::now();
    std::vector<std::unique_ptr<bbstatsd::TableData>> tables;
    for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
        tables.push_back(std::make_unique<bbstatsd::TableData>(file, bbstatsd::tableDef(t)));
    }
    const double tablesMs = msSince(loadStart);
    // The stints' record texts, which the service writes before the lines and whose records
    // lines of one stint refer to.
    std::vector<std::unique_ptr<bbstatsd::RecordTexts>> stintTexts;
    for (std::size_t t = 0; t < 3; ++t) {
        stintTexts.push_back(std::make_unique<bbstatsd::RecordTexts>(*tables[t]));
    }
    const double before = selfResidentMb();
    const auto linesStart = Clock::now();
    const bbstatsd::Schedule schedule(*tables[3]);
    std::vector<std::shared_ptr<const bbstatsd::LinesTable>> kept;
    std::vector<std::vector<std::uint8_t>> qualifiers;
    for (std::size_t t = 0; t < 3; ++t) {
        std::vector<std::uint32_t> all(tables[t]->rows());
        std::iota(all.begin(), all.end(), 0u);
        kept.push_back(combineLines(*tables[t], all, bbstatsd::LinesMode::Season, schedule,
                                    stintTexts[t].get()));
        kept.push_back(combineLines(*tables[t], all, bbstatsd::LinesMode::Career, schedule,
                                    stintTexts[t].get()));
        qualifiers.push_back(stintQualifiers(*tables[t], schedule));
    }
    const double linesMs = msSince(linesStart);
    const double added = selfResidentMb() - before;
    // Their ranks, which the service computes column by column at the first sort by each: what
    // ranking every column costs in all, spread over those first sorts.
    const auto rankStart = Clock::now();
    for (const auto& table : kept) {
        table->data->rankAll();
    }
    const double rankMs = msSince(rankStart);
    const double rankAdded = selfResidentMb() - before - added;
    std::size_t bytes = 0;
    std::size_t lines = 0;
    for (const auto& table : kept) {
        bytes += table->bytes();
        lines += table->data->rows();
    }
    std::printf("\nbbstatsd start-up to /healthz 200: %.0f ms, VmRSS then %.0f MB (medians of "
                "%zu starts)\n",
                median(startup), median(resident), startup.size());
    std::printf(
        "lines kept ready at load, timed in this process: %zu season and career lines "
        "of Batters, Pitchers, Fielders built in %.0f ms, all their columns ranked in %.0f ms (the "
        "four tables themselves read in %.0f ms); +%.0f MB resident built and +%.0f MB "
        "if all ranked (%.0f MB by their own count)\n",
        lines, linesMs, rankMs, tablesMs, added, rankAdded, static_cast<double>(bytes) / (1 << 20));
}

} // namespace bench
