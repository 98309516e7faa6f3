#include <memory>

#include <QPointer>
#include <QTimer>
#include <QtTest>

#include "protocol/pagefetcher.h"
#include "tests/protocol/recordingserver.h"
#include "tests/protocol/testrecord.h"

namespace {

const QString ServicePath = QStringLiteral("/cgi-bin/getbat.exe");

// Answers page requests for a result of `total` records: record n is named
// tag + n with value n; list requests get three entries.
RecordingServer::Responder pageResponder(int total, const QByteArray& tag) {
    return [total, tag](const QByteArray& request) {
        const QByteArray body = request.mid(request.indexOf("\r\n\r\n") + 4);
        const QList<QByteArray> fields = body.left(body.indexOf("\r\n")).split('!');
        if (fields.value(2) == "A")
            return HttpReply("200 OK",
                             "3\r\n" + tag + "1\r\n" + tag + "2\r\n" + tag + "3\r\n*\r\n");
        const int top = fields.value(0).toInt();
        const int rows = fields.value(1).toInt();
        QByteArray reply = QByteArray::number(total) + "\r\n";
        for (int n = top; n < top + rows; ++n) {
            if (n < total)
                reply += tag + QByteArray::number(n) + "\r\n" + QByteArray::number(n) + "\r\n";
            else
                reply += "\r\n\r\n";
        }
        reply += "TOTALS\r\n" + QByteArray::number(total) + "\r\n";
        return HttpReply("200 OK", reply);
    };
}

} // namespace

class TestPageFetcher : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstPageFromSecondMirror();
    void zeroRecords();
    void failOverStaysWhereAnswered();
    void allHostsFailing();
    void errorStatusFailsOver();
    void incompleteReplyFailsOver_data();
    void incompleteReplyFailsOver();
    void overlongRepliesFailEarly();
    void listFailOver_data();
    void listFailOver();
    void listAllFailingEndsQuietly();
    void busyClientLeavesOuterExchange();
    void fetcherDestroyedDuringWait();

private:
    std::unique_ptr<PageFetcher<TestRecord>> makeFetcher(const QString& listRetryHost = {});
    ServiceHosts hosts() const;

    RecordLayout<TestRecord> m_layout = TestLayout(8);
    std::unique_ptr<PageCache<TestRecord>> m_cache;
    std::unique_ptr<RecordingServer> m_primary;
    std::unique_ptr<RecordingServer> m_mirror2;
    std::unique_ptr<RecordingServer> m_mirror3;
};

void TestPageFetcher::init() {
    m_cache = std::make_unique<PageCache<TestRecord>>(m_layout.initialCapacity);
    m_primary = std::make_unique<RecordingServer>(QHostAddress(QStringLiteral("127.0.0.1")));
    m_mirror2 = std::make_unique<RecordingServer>(QHostAddress(QStringLiteral("127.0.0.2")));
    m_mirror3 = std::make_unique<RecordingServer>(QHostAddress(QStringLiteral("127.0.0.3")));
    QVERIFY(m_primary->isListening() && m_mirror2->isListening() && m_mirror3->isListening());
    m_primary->setResponder(pageResponder(20, "Primary"));
    m_mirror2->setResponder(pageResponder(20, "Second"));
    m_mirror3->setResponder(pageResponder(20, "Third"));
}

void TestPageFetcher::cleanup() {
    m_primary.reset();
    m_mirror2.reset();
    m_mirror3.reset();
    m_cache.reset();
}

ServiceHosts TestPageFetcher::hosts() const {
    return {m_primary->hostPort(), m_mirror2->hostPort(), m_mirror3->hostPort()};
}

std::unique_ptr<PageFetcher<TestRecord>>
TestPageFetcher::makeFetcher(const QString& listRetryHost) {
    const ServiceHosts h = hosts();
    return std::make_unique<PageFetcher<TestRecord>>(
        m_layout, *m_cache, ServicePath, h, listRetryHost.isEmpty() ? h.Mirror2 : listRetryHost,
        QueryState::DefaultSortCode);
}

void TestPageFetcher::firstPageFromSecondMirror() {
    auto fetcher = makeFetcher();
    QCOMPARE(fetcher->HttpCli1().URL(), m_mirror2->hostPort() + ServicePath);
    const RefreshResult result = fetcher->RefreshView(3, 4);
    QCOMPARE(result.result, FetchResult::Done);
    QVERIFY(result.failures.isEmpty());
    QCOMPARE(m_mirror2->requests().size(), 1);
    QVERIFY(m_mirror2->requests().first().startsWith("POST /cgi-bin/getbat.exe HTTP/1.0\r\n"));
    QVERIFY(m_mirror2->requests().first().endsWith("\r\n\r\n3!4!300!\r\n*\r\n\x1a"));
    QCOMPARE(fetcher->TotalRecords(), 20);
    QCOMPARE(fetcher->PageRowCount(), 4);
    QCOMPARE(fetcher->GridRowCount(), 23);
    QCOMPARE(fetcher->TotalLinesLabel(), QStringLiteral("Total Lines: 20"));
    QCOMPARE(NameOf(m_cache->At(3)), std::string("Second3"));
    QCOMPARE(NameOf(m_cache->At(6)), std::string("Second6"));
    QCOMPARE(NameOf(m_cache->At(7)), std::string());
    QCOMPARE(NameOf(fetcher->TotalsRecord()), std::string("TOTALS"));
    // The cache grew to the 20 records the reply stated.
    QCOMPARE(m_cache->Capacity(), 20);
}

void TestPageFetcher::zeroRecords() {
    m_mirror2->setResponder(pageResponder(0, "Second"));
    auto fetcher = makeFetcher();
    QCOMPARE(fetcher->RefreshView(0, 30).result, FetchResult::Done);
    QCOMPARE(fetcher->TotalRecords(), 0);
    QCOMPARE(fetcher->GridRowCount(), 3);
    QCOMPARE(fetcher->TotalLinesLabel(), QStringLiteral("Total Lines: 0"));
}

void TestPageFetcher::failOverStaysWhereAnswered() {
    auto fetcher = makeFetcher();
    m_mirror2->close();
    RefreshResult result = fetcher->RefreshView(0, 2);
    QCOMPARE(result.result, FetchResult::Done);
    QCOMPARE(result.failures.size(), 1);
    QVERIFY(result.failures.first().startsWith(m_mirror2->hostPort() +
                                               QStringLiteral(": can't connect: ")));
    QCOMPARE(fetcher->HttpCli1().URL(), m_mirror3->hostPort() + ServicePath);
    QCOMPARE(NameOf(m_cache->At(0)), std::string("Third0"));

    // The next request starts on the third mirror.
    result = fetcher->RefreshView(1, 2);
    QCOMPARE(result.result, FetchResult::Done);
    QVERIFY(result.failures.isEmpty());
    QCOMPARE(m_mirror3->requests().size(), 2);

    // When the third mirror fails too, it is tried again first, then the
    // primary host answers and keeps the URL.
    m_mirror3->close();
    result = fetcher->RefreshView(2, 2);
    QCOMPARE(result.result, FetchResult::Done);
    QCOMPARE(result.failures.size(), 2);
    QVERIFY(result.failures.at(0).startsWith(m_mirror3->hostPort()));
    QVERIFY(result.failures.at(1).startsWith(m_mirror3->hostPort()));
    QCOMPARE(fetcher->HttpCli1().URL(), m_primary->hostPort() + ServicePath);
    QCOMPARE(NameOf(m_cache->At(2)), std::string("Primary2"));
    QCOMPARE(m_primary->requests().size(), 1);
}

void TestPageFetcher::allHostsFailing() {
    auto fetcher = makeFetcher();
    QCOMPARE(fetcher->RefreshView(0, 2).result, FetchResult::Done);
    m_primary->close();
    m_mirror2->close();
    m_mirror3->close();
    const RefreshResult result = fetcher->RefreshView(5, 2);
    QCOMPARE(result.result, FetchResult::Failed);
    QCOMPARE(result.failures.size(), 3);
    for (const RecordingServer* server : {m_mirror2.get(), m_mirror3.get(), m_primary.get()})
        QVERIFY2(result.message.contains(server->hostPort()), qPrintable(result.message));
    QVERIFY(result.message.contains(QStringLiteral("Connection refused")));
    // What the view had stays.
    QCOMPARE(fetcher->TotalRecords(), 20);
    QCOMPARE(NameOf(m_cache->At(0)), std::string("Second0"));
    QCOMPARE(NameOf(m_cache->At(5)), std::string());
}

void TestPageFetcher::errorStatusFailsOver() {
    m_mirror2->setReply(HttpReply("500 Internal Server Error", ""));
    auto fetcher = makeFetcher();
    const RefreshResult result = fetcher->RefreshView(0, 1);
    QCOMPARE(result.result, FetchResult::Done);
    QCOMPARE(result.failures,
             QStringList{m_mirror2->hostPort() + QStringLiteral(": Internal Server Error")});
    QCOMPARE(NameOf(m_cache->At(0)), std::string("Third0"));
}

// A reply cut short or stating an impossible count is a failure of its
// host: the next host is asked, and the bad reply changes nothing. A list
// cut short fails over the same way.
void TestPageFetcher::incompleteReplyFailsOver_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("problem");
    QTest::newRow("closed before its length")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 500\r\n\r\n20\r\nBad0\r\n")
        << "connection closed after 10 of 500 body bytes";
    QTest::newRow("fewer lines than a page")
        << HttpReply("200 OK", "128598\r\nBad0\r\n0\r\n") << "reply cut short: 3 of 11 lines";
    QTest::newRow("count beyond any database")
        << HttpReply("200 OK", "999999999999\r\nA\r\n0\r\nB\r\n1\r\nC\r\n2\r\nD\r\n3\r\n"
                               "TOTALS\r\n4\r\n")
        << "reply states an impossible record count: 999999999999";
}

void TestPageFetcher::incompleteReplyFailsOver() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, problem);
    m_mirror2->setReply(reply);
    auto fetcher = makeFetcher();
    const RefreshResult result = fetcher->RefreshView(0, 4);
    QCOMPARE(result.result, FetchResult::Done);
    QCOMPARE(result.failures, QStringList{m_mirror2->hostPort() + QStringLiteral(": ") + problem});
    QCOMPARE(NameOf(m_cache->At(0)), std::string("Third0"));
    QCOMPARE(fetcher->TotalRecords(), 20);
    QCOMPARE(fetcher->GridRowCount(), 23);

    // Every host failing so: the message names each, nothing changes.
    m_mirror3->setReply(reply);
    m_primary->setReply(reply);
    const RefreshResult failed = fetcher->RefreshView(4, 4);
    QCOMPARE(failed.result, FetchResult::Failed);
    QCOMPARE(failed.failures.size(), 3);
    QVERIFY(failed.message.contains(problem));
    QCOMPARE(fetcher->TotalRecords(), 20);
    QCOMPARE(NameOf(m_cache->At(4)), std::string());

    // A list with fewer entries than it counts fails over to the retry host.
    m_mirror2->setResponder(pageResponder(20, "Second"));
    fetcher->HttpCli1().setURL(m_primary->hostPort() + ServicePath);
    m_primary->setReply(HttpReply("200 OK", "3\r\nBad1\r\n*\r\n"));
    const ListResult list = fetcher->RequestList(ListKind::Players);
    QCOMPARE(list.result, FetchResult::Done);
    QCOMPARE(QString::fromStdString(list.entries.front()), QStringLiteral("Second1"));
}

// A reply may hold only the lines its request asked for: a whole page with
// more after it, or megabytes of bare line ends, fails as soon as the line
// past the last is read and changes nothing; a list past the longest
// possible fails the same way.
void TestPageFetcher::overlongRepliesFailEarly() {
    auto fetcher = makeFetcher();
    QVERIFY(fetcher->RefreshView(0, 4).result == FetchResult::Done);
    const QByteArray page = "20\r\nA\r\n0\r\nB\r\n1\r\nC\r\n2\r\nD\r\n3\r\nTOTALS\r\n4\r\n";
    for (const QByteArray& body :
         {page + "E\r\n", QByteArray(8 << 20, '\n'), QByteArray(8 << 20, '\r')}) {
        for (RecordingServer* host : {m_mirror2.get(), m_mirror3.get(), m_primary.get()})
            host->setReply(HttpReply("200 OK", body));
        const RefreshResult failed = fetcher->RefreshView(4, 4);
        QCOMPARE(failed.result, FetchResult::Failed);
        QCOMPARE(failed.failures.size(), 3);
        QVERIFY2(failed.failures.front().endsWith(QStringLiteral(": reply longer than 11 lines")),
                 qPrintable(failed.failures.front()));
        QCOMPARE(NameOf(m_cache->At(4)), std::string());
    }
    // Taken apart from the transfer, the page is still refused whole.
    std::int32_t total = 0;
    TestRecord totals{};
    const std::string overlong = page.toStdString() + "E\r\n";
    const PageReplyResult read = ReadPageReply(overlong, 4, 4, m_layout, *m_cache, totals, total);
    QVERIFY(!read.complete);
    QCOMPARE(read.problem, std::string("reply longer than asked for: more than 11 lines"));

    QByteArray list = QByteArray::number(qint64(MaxListEntries) + 1) + "\r\n";
    for (std::size_t i = 0; i <= MaxListEntries; ++i)
        list += "P\n";
    list += "*\r\n";
    for (RecordingServer* host : {m_mirror2.get(), m_mirror3.get(), m_primary.get()})
        host->setReply(HttpReply("200 OK", list));
    QCOMPARE(fetcher->RequestList(ListKind::Players).result, FetchResult::Failed);
}

void TestPageFetcher::listFailOver_data() {
    QTest::addColumn<bool>("retryOnThird");
    QTest::addColumn<QString>("firstEntry");
    QTest::newRow("batters retry on second mirror") << false << "Second1";
    QTest::newRow("fielders retry on third mirror") << true << "Primary1";
}

void TestPageFetcher::listFailOver() {
    QFETCH(bool, retryOnThird);
    QFETCH(QString, firstEntry);
    auto fetcher = makeFetcher(retryOnThird ? m_mirror3->hostPort() : m_mirror2->hostPort());
    // The view sits on the third mirror after an earlier page fail-over.
    fetcher->HttpCli1().setURL(m_mirror3->hostPort() + ServicePath);
    m_mirror3->close();
    fetcher->State().AppendGroup({"C1927"});
    const ListResult result = fetcher->RequestList(ListKind::Players);
    QCOMPARE(result.result, FetchResult::Done);
    QCOMPARE(result.entries.size(), std::size_t{3});
    QCOMPARE(QString::fromStdString(result.entries.front()), firstEntry);
    const RecordingServer& answered = retryOnThird ? *m_primary : *m_mirror2;
    QVERIFY(answered.requests().last().endsWith("\r\n\r\n0!0!A!\r\nC1927\r\n*\r\n\x1a"));
}

void TestPageFetcher::listAllFailingEndsQuietly() {
    auto fetcher = makeFetcher();
    m_primary->close();
    m_mirror2->close();
    m_mirror3->close();
    QCOMPARE(fetcher->RequestList(ListKind::Years).result, FetchResult::Failed);
}

void TestPageFetcher::busyClientLeavesOuterExchange() {
    m_mirror2->setReplyDelay(300);
    auto fetcher = makeFetcher();
    FetchResult inner = FetchResult::Done;
    QTimer::singleShot(50, this, [&] { inner = fetcher->FetchPage(10, 2); });
    const RefreshResult outer = fetcher->RefreshView(0, 2);
    QCOMPARE(inner, FetchResult::Failed);
    QCOMPARE(outer.result, FetchResult::Done);
    QVERIFY(outer.failures.isEmpty());
    QCOMPARE(NameOf(m_cache->At(0)), std::string("Second0"));
    QCOMPARE(m_mirror2->requests().size(), 1);
}

void TestPageFetcher::fetcherDestroyedDuringWait() {
    // The window (here a plain QObject owning the fetcher) closes while its
    // own request waits.
    m_mirror2->setReplyDelay(60000);
    auto* window = new QObject;
    auto* fetcher = makeFetcher().release();
    connect(window, &QObject::destroyed, this, [fetcher] { delete fetcher; });
    QPointer<QObject> guard(window);
    QTimer::singleShot(100, window, [window] { window->deleteLater(); });
    const RefreshResult result = fetcher->RefreshView(0, 2);
    QCOMPARE(result.result, FetchResult::Closed);
    QVERIFY(guard.isNull());
    QCOMPARE(m_mirror3->requests().size(), 0);
}

QTEST_MAIN(TestPageFetcher)
#include "test_pagefetcher.moc"
