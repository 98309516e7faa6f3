#include <string>
#include <vector>

#include <QtTest>

#include "protocol/pagereply.h"
#include "protocol/pagerequest.h"
#include "protocol/querystate.h"
#include "tests/protocol/testrecord.h"

Q_DECLARE_METATYPE(std::string)

namespace {

QByteArray bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList toList(const std::vector<std::string_view>& lines) {
    QStringList list;
    for (const std::string_view line : lines)
        list << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    return list;
}

QueryState withGroups() {
    QueryState state;
    state.AppendGroup({"AAaron, Hank", "ARuth, Babe", "ACobb, Ty"});
    state.AppendGroup({"E5!10!!"});
    return state;
}

} // namespace

class TestPageRequest : public QObject {
    Q_OBJECT
private slots:
    void pageRequestText_data();
    void pageRequestText();
    void listRequestText_data();
    void listRequestText();
    void queryStateGroups();
    void queryStateReset();
    void replyLines_data();
    void replyLines();
    void listEntries_data();
    void listEntries();
    void readCompleteReply();
    void readShortReply_data();
    void readShortReply();
    void readEmptyReply();
    void readZeroRecords();
    void replyGrowsCache();
    void positionsPastMaximumAreSkipped();
    void defaultMaximumBoundsMemory();
};

void TestPageRequest::pageRequestText_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("form");
    QTest::addColumn<QByteArray>("expected");
    // form: 0 fresh, 1 teams, 2 pair with stale code, 3 triple over pair,
    // 4 quad over all, 5 two selection groups, 6 pair cleared, 7 negative count
    QTest::newRow("fresh view") << 0 << 30 << 0 << QByteArray("0!30!300!\r\n*\r\n\x1a");
    QTest::newRow("fresh teams view") << 12 << 25 << 1 << QByteArray("12!25!100!\r\n*\r\n\x1a");
    QTest::newRow("pair beats stale sort code")
        << 40 << 30 << 2 << QByteArray("40!30!B!3!104!\r\n*\r\n\x1a");
    QTest::newRow("triple beats pair") << 0 << 1 << 3 << QByteArray("0!1!Y!0!-5!7!\r\n*\r\n\x1a");
    QTest::newRow("quad beats all") << 0 << 1 << 4 << QByteArray("0!1!Z!0!1!2!3!\r\n*\r\n\x1a");
    QTest::newRow("two selection groups")
        << 0 << 30 << 5
        << QByteArray("0!30!300!\r\nAAaron, Hank\r\nARuth, Babe\r\nACobb, "
                      "Ty\r\n*\r\nE5!10!!\r\n*\r\n\x1a");
    QTest::newRow("pair cleared, later code stale")
        << 0 << 30 << 6 << QByteArray("0!30!17!\r\n*\r\n\x1a");
    QTest::newRow("negative count sends *") << 0 << 30 << 7 << QByteArray("0!30!300!\r\n*\r\n\x1a");
}

void TestPageRequest::pageRequestText() {
    QFETCH(int, top);
    QFETCH(int, rows);
    QFETCH(int, form);
    QFETCH(QByteArray, expected);
    QueryState state(form == 1 ? QueryState::TeamsSortCode : QueryState::DefaultSortCode);
    switch (form) {
    case 2:
        state.SortCode = 12;
        state.SortPair = {3, 104};
        break;
    case 3:
        state.SortPair = {3, 104};
        state.SortTriple = {0, -5, 7};
        break;
    case 4:
        state.SortPair = {3, 104};
        state.SortTriple = {0, 1, 2};
        state.SortQuad = {0, 1, 2, 3};
        break;
    case 5:
        state = withGroups();
        break;
    case 6:
        state.SortCode = 17;
        state.SortPair = {-1, 104};
        break;
    case 7:
        state.SelectionItems[0] = "AStale";
        state.SelectionCount = -3;
        break;
    default:
        break;
    }
    QCOMPARE(bytes(PageRequest(state, top, rows)), expected);
}

void TestPageRequest::listRequestText_data() {
    QTest::addColumn<char>("kind");
    QTest::addColumn<bool>("selections");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("players") << 'A' << false << QByteArray("0!0!A!\r\n*\r\n\x1a");
    QTest::newRow("years") << 'C' << false << QByteArray("0!0!C!\r\n*\r\n\x1a");
    QTest::newRow("teams") << 'D' << false << QByteArray("0!0!D!\r\n*\r\n\x1a");
    QTest::newRow("leagues") << 'E' << false << QByteArray("0!0!E!\r\n*\r\n\x1a");
    QTest::newRow("positions narrowed")
        << 'G' << true
        << QByteArray(
               "0!0!G!\r\nAAaron, Hank\r\nARuth, Babe\r\nACobb, Ty\r\n*\r\nE5!10!!\r\n*\r\n\x1a");
}

void TestPageRequest::listRequestText() {
    QFETCH(char, kind);
    QFETCH(bool, selections);
    QFETCH(QByteArray, expected);
    const QueryState state = selections ? withGroups() : QueryState();
    QCOMPARE(bytes(ListRequest(state, static_cast<ListKind>(kind))), expected);
}

void TestPageRequest::queryStateGroups() {
    QueryState state;
    QCOMPARE(state.SortCode, 300);
    QCOMPARE(state.SortPair[0], -1);
    QCOMPARE(state.SortTriple[0], -1);
    QCOMPARE(state.SortQuad[0], -1);
    QCOMPARE(state.SelectionCount, 0);

    QVERIFY(state.AppendGroup({"A" + std::string(60, 'x')}));
    QCOMPARE(state.SelectionCount, 2);
    QCOMPARE(state.SelectionItems[0].size(), std::size_t{50});
    QCOMPARE(state.SelectionItems[1], std::string("*"));

    // 497 more items plus their "*" would pass 500: refused, nothing added.
    QVERIFY(!state.AppendGroup(std::vector<std::string>(498, "C1901")));
    QCOMPARE(state.SelectionCount, 2);
    // 497 plus "*" fill the list exactly.
    QVERIFY(state.AppendGroup(std::vector<std::string>(497, "C1901")));
    QCOMPARE(state.SelectionCount, 500);
    QCOMPARE(state.SelectionItems[499], std::string("*"));
    QVERIFY(!state.AppendGroup({}));
}

void TestPageRequest::queryStateReset() {
    QueryState state(QueryState::TeamsSortCode);
    state.SortCode = 5;
    state.SortPair = {1, 2};
    state.SortQuad = {1, 2, 3, 4};
    state.AppendGroup({"C1927"});
    state.Reset(QueryState::TeamsSortCode);
    QCOMPARE(state.SortCode, 100);
    QCOMPARE(state.SortPair[0], -1);
    QCOMPARE(state.SortPair[1], 2);
    QCOMPARE(state.SortQuad[0], -1);
    QCOMPARE(state.SelectionCount, 0);
    QCOMPARE(bytes(PageRequest(state, 0, 3)), QByteArray("0!3!100!\r\n*\r\n\x1a"));
}

void TestPageRequest::replyLines_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone cr and lf") << QByteArray("a\rb\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("empty line") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("lf then cr") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("no line end") << QByteArray("abc") << QStringList{"abc"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("only line end") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("nul ends text") << QByteArray("a\r\nb\0c\r\nd", 9) << QStringList{"a", "b"};
}

void TestPageRequest::replyLines() {
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, lines);
    QCOMPARE(toList(SplitReplyLines(std::string_view(reply.constData(), reply.size()))), lines);
}

void TestPageRequest::listEntries_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("three") << QByteArray("3\r\nAL\r\nFL\r\nNL\r\n*\r\n") << true
                           << QStringList{"AL", "FL", "NL"};
    QTest::newRow("none") << QByteArray("0\r\n*\r\n") << true << QStringList{};
    QTest::newRow("cut before the star")
        << QByteArray("3\r\nAL\r\nFL\r\n") << false << QStringList{};
    QTest::newRow("fewer entries than counted")
        << QByteArray("3\r\nAL\r\nFL\r\n*\r\n") << false << QStringList{};
    QTest::newRow("one line") << QByteArray("5\r\n") << false << QStringList{};
    QTest::newRow("empty") << QByteArray() << false << QStringList{};
}

void TestPageRequest::listEntries() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, ok);
    QFETCH(QStringList, entries);
    std::vector<std::string> got{"stale"};
    QCOMPARE(ListEntries(std::string_view(reply.constData(), reply.size()), got), ok);
    QStringList list;
    for (const std::string& entry : got)
        list << QString::fromStdString(entry);
    QCOMPARE(list, entries);
}

void TestPageRequest::readCompleteReply() {
    const RecordLayout<TestRecord> layout = TestLayout(10);
    PageCache<TestRecord> cache(layout.initialCapacity);
    TestRecord totals{};
    std::int32_t totalRecords = -5;
    const PageReplyResult result =
        ReadPageReply<TestRecord>("7\r\nAnn\r\n1\r\nBob\r\n2.9\r\nTOTALS\r\n3\r\n", 2, 2, layout,
                                  cache, totals, totalRecords);
    QVERIFY(result.complete);
    QCOMPARE(result.lineCount, 7);
    QCOMPARE(totalRecords, 7);
    QCOMPARE(NameOf(cache.At(2)), std::string("Ann"));
    QCOMPARE(cache.At(2).Value, 1);
    QCOMPARE(NameOf(cache.At(3)), std::string("Bob"));
    QCOMPARE(cache.At(3).Value, 2);
    QCOMPARE(NameOf(cache.At(1)), std::string());
    QCOMPARE(NameOf(totals), std::string("TOTALS"));
    QCOMPARE(totals.Value, 3);
    QCOMPARE(cache.Capacity(), 10);
}

// A reply cut short, or stating a record count no database has, changes
// nothing: not the count, not a cache slot, not the totals.
void TestPageRequest::readShortReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("problem");
    QTest::newRow("cut inside a record")
        << QByteArray("7\r\nAnn\r\n1\r\nBob\r\n") << "reply cut short: 4 of 7 lines";
    QTest::newRow("totals missing")
        << QByteArray("7\r\nAnn\r\n1\r\nBob\r\n2\r\n") << "reply cut short: 5 of 7 lines";
    QTest::newRow("count over 10 million")
        << QByteArray("10000001\r\nAnn\r\n1\r\nBob\r\n2\r\nTOTALS\r\n3\r\n")
        << "reply states an impossible record count: 10000001";
    QTest::newRow("count beyond 32 bits")
        << QByteArray("999999999999\r\nAnn\r\n1\r\nBob\r\n2\r\nTOTALS\r\n3\r\n")
        << "reply states an impossible record count: 999999999999";
    QTest::newRow("negative count") << QByteArray("-4\r\nAnn\r\n1\r\nBob\r\n2\r\nTOTALS\r\n3\r\n")
                                    << "reply states an impossible record count: -4";
}

void TestPageRequest::readShortReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, problem);
    const RecordLayout<TestRecord> layout = TestLayout(10);
    PageCache<TestRecord> cache(layout.initialCapacity);
    *cache.Slot(2) = TestRecord{"Old", 9};
    TestRecord totals{"OldTotals", 4};
    std::int32_t totalRecords = 5;
    const PageReplyResult result =
        ReadPageReply<TestRecord>(std::string_view(reply.constData(), reply.size()), 2, 2, layout,
                                  cache, totals, totalRecords);
    QVERIFY(!result.complete);
    QCOMPARE(QString::fromStdString(result.problem), problem);
    QCOMPARE(totalRecords, 5);
    QCOMPARE(NameOf(cache.At(2)), std::string("Old"));
    QCOMPARE(cache.At(2).Value, 9);
    QCOMPARE(NameOf(cache.At(3)), std::string());
    QCOMPARE(NameOf(totals), std::string("OldTotals"));
    QCOMPARE(cache.Capacity(), 10);
}

void TestPageRequest::readEmptyReply() {
    const RecordLayout<TestRecord> layout = TestLayout(4);
    PageCache<TestRecord> cache(layout.initialCapacity);
    TestRecord totals{};
    std::int32_t totalRecords = 42;
    const PageReplyResult result =
        ReadPageReply<TestRecord>("", 0, 3, layout, cache, totals, totalRecords);
    QVERIFY(!result.complete);
    QCOMPARE(result.lineCount, 0);
    QCOMPARE(totalRecords, 42);
}

void TestPageRequest::readZeroRecords() {
    const RecordLayout<TestRecord> layout = TestLayout(4);
    PageCache<TestRecord> cache(layout.initialCapacity);
    *cache.Slot(0) = TestRecord{"Kept", 1};
    TestRecord totals{};
    std::int32_t totalRecords = 42;
    // Positions past the end of the result come as records of empty lines.
    const PageReplyResult result = ReadPageReply<TestRecord>("0\r\n\r\n\r\nTOTALS\r\n0\r\n", 0, 1,
                                                             layout, cache, totals, totalRecords);
    QVERIFY(result.complete);
    QCOMPARE(totalRecords, 0);
    QCOMPARE(NameOf(cache.At(0)), std::string());
    QCOMPARE(cache.At(0).Value, 0);
    QCOMPARE(NameOf(totals), std::string("TOTALS"));
}

void TestPageRequest::replyGrowsCache() {
    const RecordLayout<TestRecord> layout = TestLayout(4);
    PageCache<TestRecord> cache(layout.initialCapacity);
    *cache.Slot(1) = TestRecord{"Early", 5};
    TestRecord totals{};
    std::int32_t totalRecords = 0;
    const PageReplyResult result =
        ReadPageReply<TestRecord>("10\r\nIvy\r\n8\r\nJoe\r\n9\r\nTOTALS\r\n17\r\n", 8, 2, layout,
                                  cache, totals, totalRecords);
    QVERIFY(result.complete);
    QCOMPARE(totalRecords, 10);
    QCOMPARE(cache.Capacity(), 10);
    QCOMPARE(NameOf(cache.At(8)), std::string("Ivy"));
    QCOMPARE(NameOf(cache.At(9)), std::string("Joe"));
    QCOMPARE(NameOf(cache.At(1)), std::string("Early"));
    // Slots added by growing are zero-filled.
    QCOMPARE(NameOf(cache.At(5)), std::string());
    QCOMPARE(cache.At(5).Value, 0);
    QVERIFY(cache.Slot(10) == nullptr);
}

void TestPageRequest::positionsPastMaximumAreSkipped() {
    const RecordLayout<TestRecord> layout = TestLayout(4);
    PageCache<TestRecord> cache(layout.initialCapacity, 16);
    TestRecord totals{};
    std::int32_t totalRecords = 0;
    // The reply states more records than this cache may hold, and the page
    // straddles the maximum.
    const PageReplyResult result =
        ReadPageReply<TestRecord>("10000000\r\nPat\r\n1\r\nQue\r\n2\r\nTOTALS\r\n3\r\n", 15, 2,
                                  layout, cache, totals, totalRecords);
    QVERIFY(result.complete);
    QCOMPARE(totalRecords, 10000000);
    QCOMPARE(cache.Capacity(), 16);
    QCOMPARE(NameOf(cache.At(15)), std::string("Pat"));
    QCOMPARE(NameOf(cache.At(16)), std::string());
    QCOMPARE(NameOf(totals), std::string("TOTALS"));
    QCOMPARE(totals.Value, 3);
}

void TestPageRequest::defaultMaximumBoundsMemory() {
    struct Wide {
        char Text[1024 * 1024];
    };
    const PageCache<Wide> wide(2);
    QCOMPARE(wide.MaxSlots(), std::int64_t{256});
    const PageCache<TestRecord> small(4);
    QCOMPARE(small.MaxSlots(),
             PageCache<TestRecord>::DefaultMaxBytes / std::int64_t{sizeof(TestRecord)});
}

QTEST_APPLESS_MAIN(TestPageRequest)
#include "test_pagerequest.moc"
