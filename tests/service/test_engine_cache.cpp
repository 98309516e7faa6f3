// The query result cache: bounded by bytes with the least recently used result dropped first,
// one computation per key under concurrent requests, failures not kept.
#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "service/engine/resultcache.h"

using bbstatsd::QueryResult;
using bbstatsd::ResultCache;

namespace {

// A result of about n kilobytes whose totals text names it.
ResultCache::Compute make(const std::string& name, std::size_t kilobytes, int* calls) {
    return [=] {
        ++*calls;
        auto r = std::make_shared<QueryResult>();
        r->rows.assign(kilobytes * 256, 7u);
        r->totals = name;
        return std::shared_ptr<const QueryResult>(std::move(r));
    };
}

} // namespace

class TestEngineCache : public QObject {
    Q_OBJECT

private slots:
    void keepsRecentResults() {
        ResultCache cache(100 * 1024);
        int calls = 0;
        QCOMPARE(cache.get("a", make("a", 10, &calls))->totals, std::string("a"));
        QCOMPARE(cache.get("a", make("other", 10, &calls))->totals, std::string("a"));
        QCOMPARE(calls, 1);
        QCOMPARE(cache.size(), std::size_t(1));
    }

    void dropsLeastRecentlyUsedFirst() {
        ResultCache cache(100 * 1024);
        int calls = 0;
        cache.get("a", make("a", 40, &calls));
        cache.get("b", make("b", 40, &calls));
        cache.get("a", make("a", 40, &calls)); // a is now the most recent
        cache.get("c", make("c", 40, &calls)); // over the bound: b goes
        QCOMPARE(calls, 3);
        QVERIFY(cache.usedBytes() <= 100 * 1024);
        cache.get("a", make("a", 40, &calls));
        QCOMPARE(calls, 3);
        cache.get("b", make("b", 40, &calls));
        QCOMPARE(calls, 4);
    }

    // Many empty results under long keys: each counts its key twice and its entry, so the bound
    // holds what the process really keeps, not only the rows.
    void smallResultsCountTheirKeysAndEntries() {
        ResultCache cache(64 * 1024);
        int calls = 0;
        for (int i = 0; i < 1000; ++i) {
            cache.get(std::to_string(i) + std::string(200, 'k'), make("", 0, &calls));
        }
        QVERIFY(cache.usedBytes() <= 64 * 1024);
        QVERIFY2(cache.size() <= 64 * 1024 / (2 * 200 + ResultCache::EntryOverhead),
                 qPrintable(QString::number(cache.size())));
        QVERIFY(cache.size() >= 40);
    }

    // find answers only what is held, never computes, and marks it recently used.
    void findAnswersHeldResultsOnly() {
        ResultCache cache(100 * 1024);
        int calls = 0;
        QVERIFY(cache.find("a") == nullptr);
        cache.get("a", make("a", 40, &calls));
        cache.get("b", make("b", 40, &calls));
        QCOMPARE(cache.find("a")->totals, std::string("a"));
        cache.get("c", make("c", 40, &calls)); // over the bound: b, not a, goes
        QVERIFY(cache.find("a") != nullptr);
        QVERIFY(cache.find("b") == nullptr);
        QCOMPARE(calls, 3);
    }

    void resultLargerThanTheBoundIsStillAnswered() {
        ResultCache cache(10 * 1024);
        int calls = 0;
        QCOMPARE(cache.get("big", make("big", 50, &calls))->rows.size(), std::size_t(50 * 256));
        QCOMPARE(cache.size(), std::size_t(0));
        QCOMPARE(cache.usedBytes(), std::size_t(0));
    }

    void failureIsNotKept() {
        ResultCache cache(1 << 20);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 cache.get("x", []() -> std::shared_ptr<const QueryResult> {
                                     throw std::runtime_error("boom");
                                 }));
        int calls = 0;
        QCOMPARE(cache.get("x", make("x", 1, &calls))->totals, std::string("x"));
        QCOMPARE(calls, 1);
    }

    void computesOnceUnderConcurrency() {
        ResultCache cache(1 << 20);
        std::atomic<int> calls{0};
        std::atomic<bool> go{false};
        auto slow = [&] {
            ++calls;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            auto r = std::make_shared<QueryResult>();
            r->totals = "shared";
            return std::shared_ptr<const QueryResult>(std::move(r));
        };
        std::vector<std::thread> threads;
        std::atomic<int> wrong{0};
        for (int i = 0; i < 8; ++i) {
            threads.emplace_back([&] {
                while (!go) {
                    std::this_thread::yield();
                }
                if (cache.get("same", slow)->totals != "shared") {
                    ++wrong;
                }
            });
        }
        go = true;
        for (auto& t : threads) {
            t.join();
        }
        QCOMPARE(calls.load(), 1);
        QCOMPARE(wrong.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEngineCache)
#include "test_engine_cache.moc"
