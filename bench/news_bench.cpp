// news_bench: what the news site adds to bbstatsd. Loads the imported statistics file the way
// `bbstatsd serve` does (the engine, then the news site) and times, each a median of repeated
// runs: the news site's load against the engine's, and each news page made for a date against
// the first page of a new query answered by the engine (Batters of one season, a different
// season each round so that nothing comes from the engine's cache).
// usage: news_bench [--db FILE] [--rounds N]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "service/engine/engine.h"
#include "service/newssite.h"

namespace {

using Clock = std::chrono::steady_clock;

double medianMs(int rounds, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    std::string db = BBSTATS_BENCH_DB;
    int rounds = 21;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--db") {
            db = argv[i + 1];
        } else if (name == "--rounds") {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    std::printf("news_bench: %s, medians of %d rounds (loads: of 5)\n", db.c_str(), rounds);
    try {
        const double engineLoad = medianMs(5, [&] { bbstatsd::Engine engine(db); });
        const double newsLoad = medianMs(5, [&] { bbstatsd::NewsSite site(db); });
        std::printf("%-36s %10s %10s %8s\n", "", "ms", "baseline", "ratio");
        std::printf("%-36s %10.1f %10.1f %8.2f\n", "load: news site / engine", newsLoad, engineLoad,
                    newsLoad / engineLoad);

        bbstatsd::Engine engine(db);
        const bbstatsd::NewsSite site(db);
        int season = 1900;
        const double query = medianMs(rounds, [&] {
            const std::string request =
                "0!40!300!\r\nC" + std::to_string(season++) + "\r\n*\r\n\x1a";
            engine.answer(bbstatsd::Table::Batters, request);
        });
        const bbstatsd::NewsDate date{2024, 4, 13};
        const std::string root = "http://127.0.0.1:8461/";
        const std::pair<const char*, std::function<void()>> pages[] = {
            {"today's ticker list", [&] { site.tickerList(date, false, root); }},
            {"summary page (both lists)", [&] { site.summaryPage(date); }},
            {"baseball page", [&] { site.homePage(date); }},
            {"article page, Babe Ruth", [&] { site.articlePage("player=ruthba01"); }},
            {"article page, Yankees", [&] { site.articlePage("team=NYA"); }},
        };
        std::printf("%-36s %10.3f %10s %8s\n", "new query: Batters of one season", query, "", "");
        for (const auto& [name, work] : pages) {
            const double ms = medianMs(rounds, work);
            std::printf("%-36s %10.3f %10.3f %8.2f\n", name, ms, query, ms / query);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "news_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
