#include "bench/more_bench.h"

#include <string>

#include "bench/benchnet.h"

namespace bench {

void addMoreRows(bbstatsd::Engine& engine, int port, int scale, std::vector<Row>& rows) {
    const std::string plainPath = "/cgi-bin/getbat.exe";
    const std::string morePath = "/cgi-bin/getbat.exe?more=1";
    std::string reply;
    // The option's tables are built by the first request that asks for them.
    const auto start = Clock::now();
    roundTrip(port, postRequest(morePath, page(0, "16!", {})), reply);
    const double firstMs = msSince(start);
    engine.answer(bbstatsd::Table::Batters, "0!1!16!\r\n*\r\n\x1a", "more=1");

    // Cached scroll pages of the whole table by home runs.
    for (const bool more : {false, true}) {
        const std::string& path = more ? morePath : plainPath;
        roundTrip(port, postRequest(path, page(0, "16!", {})), reply);
        const int count = std::max(1, std::atoi(countOf(reply).c_str()));
        auto request = [&](int rep) {
            return postRequest(path, page(static_cast<int>(rep * 7919LL % count), "16!", {}));
        };
        Row row;
        row.name = std::string("scroll page, cached (Batters, HR desc), more columns ") +
                   (more ? "on" : "off");
        FloorServer floor(reply);
        versusFloor(row, port, floor.port(), 400 * scale, request, &reply);
        row.engine =
            engineMs(engine, bbstatsd::Table::Batters, 400 * scale, request, more ? "more=1" : "");
        row.note = std::to_string(reply.size()) + " reply bytes" +
                   (more ? "; first request with the option " + std::to_string(int(firstMs)) +
                               " ms (builds its tables)"
                         : std::string());
        rows.push_back(row);
    }
    // The first page of a new sort: each repetition limits G by a bound of its own that keeps
    // every row, so that none is served from the cache.
    int offset = 300000;
    for (const bool more : {false, true}) {
        offset += 100000;
        const std::string& path = more ? morePath : plainPath;
        const std::string sort = more ? "32!" : "20!";
        auto request = [&, offset](int rep) {
            return postRequest(
                path, page(0, sort, {"E7!-" + std::to_string(offset + rep + 1) + "!!", "*"}));
        };
        Row row;
        row.name = more ? "first page, new sort by OPS+ (all Batters), more columns on"
                        : "first page, new sort by SLG (all Batters), more columns off";
        row.ours = oursMs(port, 20 * scale, request, &reply);
        row.engine = engineMs(
            engine, bbstatsd::Table::Batters, 20 * scale,
            [&](int rep) { return request(rep + 50000); }, more ? "more=1" : "");
        row.note = countOf(reply) + " rows";
        rows.push_back(row);
    }
}

} // namespace bench
