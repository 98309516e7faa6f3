// Usage events: splitting and checking an event text, decoding the query, storing and counting,
// the bound on the file and the per-sender rate.

#include <string>

#include <QFileInfo>

#include <QTemporaryDir>
#include <QtTest>

#include "service/eventlog.h"
#include "service/ratelimiter.h"

using bbstatsd::EventLog;

class TestEventLog : public QObject {
    Q_OBJECT

private slots:
    void splitEvent_data();
    void splitEvent();
    void percentDecode_data();
    void percentDecode();
    void countsPerSiteAndType();
    void keepsTextAsGiven();
    void readingRequiresTheFile();
    void checksEvents_data();
    void checksEvents();
    void boundsTheFile();
    void limitsRatePerSender();
    void printsStoredTextSafely();
    void writesRefusalsWhileOpen();
};

void TestEventLog::splitEvent_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("site");
    QTest::newRow("close of a view") << "IN,baseballteams,http://127.0.0.1:8461/,75"
                                     << "IN"
                                     << "http://127.0.0.1:8461/";
    QTest::newRow("empty site") << "CLICK,batters,,0"
                                << "CLICK"
                                << "";
    QTest::newRow("empty URL") << "TOOLCLICK,,http://s/,0"
                               << "TOOLCLICK"
                               << "http://s/";
    QTest::newRow("URL with commas and ampersands") << "MENUCLICK,http://a/b?x=1,2&y=3,http://s/,0"
                                                    << "MENUCLICK"
                                                    << "http://s/";
    QTest::newRow("three fields") << "IN,batters,0"
                                  << "IN"
                                  << "";
    QTest::newRow("no comma") << "hello"
                              << "hello"
                              << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("only commas") << ",,,"
                                 << ""
                                 << "";
}

void TestEventLog::splitEvent() {
    QFETCH(QString, text);
    QFETCH(QString, type);
    QFETCH(QString, site);
    const auto fields = bbstatsd::splitEvent(text.toStdString());
    QCOMPARE(QString::fromStdString(fields.type), type);
    QCOMPARE(QString::fromStdString(fields.site), site);
}

void TestEventLog::percentDecode_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QByteArray>("decoded");
    QTest::newRow("plain") << QByteArray("IN,batters,s,0") << QByteArray("IN,batters,s,0");
    QTest::newRow("space and line end") << QByteArray("a%20b%0D%0Ac") << QByteArray("a b\r\nc");
    QTest::newRow("lower-case hex") << QByteArray("%2f%3a") << QByteArray("/:");
    QTest::newRow("plus stays") << QByteArray("a+b") << QByteArray("a+b");
    QTest::newRow("bad escape stays") << QByteArray("100%zz") << QByteArray("100%zz");
    QTest::newRow("cut escape at end") << QByteArray("x%4") << QByteArray("x%4");
    QTest::newRow("percent at end") << QByteArray("x%") << QByteArray("x%");
    QTest::newRow("NUL byte") << QByteArray("a%00b") << QByteArray("a\0b", 3);
}

void TestEventLog::percentDecode() {
    QFETCH(QByteArray, raw);
    QFETCH(QByteArray, decoded);
    QCOMPARE(QByteArray::fromStdString(bbstatsd::percentDecode(raw.toStdString())), decoded);
}

void TestEventLog::countsPerSiteAndType() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("events.db").toStdString();
    {
        EventLog log(path);
        log.record("IN,batters,http://b/,10", "127.0.0.1");
        log.record("IN,pitchers,http://a/,3", "127.0.0.1");
        log.record("IN,fielders,http://a/,4", "127.0.0.2");
        log.record("CLICK,batters,http://a/,0", "127.0.0.1");
        log.record("CLICK,batters,,0", "127.0.0.1");
        // Seconds that are no number count 0; so do seconds of other types.
        log.record("IN,batters,http://b/,9x", "127.0.0.1");
        log.record("CLICK,batters,http://a/,99", "127.0.0.1");
    }
    const EventLog reread(path, EventLog::Mode::Read);
    const auto counts = reread.usage();
    QCOMPARE(counts.size(), std::size_t(4));
    QCOMPARE(counts[0].site, std::string());
    QCOMPARE(counts[0].type, std::string("CLICK"));
    QCOMPARE(counts[1].site, std::string("http://a/"));
    QCOMPARE(counts[1].type, std::string("CLICK"));
    QCOMPARE(counts[1].count, 2LL);
    QCOMPARE(counts[1].seconds, 0LL);
    QCOMPARE(counts[2].site, std::string("http://a/"));
    QCOMPARE(counts[2].type, std::string("IN"));
    QCOMPARE(counts[2].count, 2LL);
    QCOMPARE(counts[2].seconds, 7LL);
    QCOMPARE(counts[3].site, std::string("http://b/"));
    QCOMPARE(counts[3].count, 2LL);
    QCOMPARE(counts[3].seconds, 10LL);
}

void TestEventLog::keepsTextAsGiven() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("events.db").toStdString();
    const std::string odd = "MENUCLICK,http://x/?a=1&b='2';--,s,0\r\n\x01";
    EventLog log(path);
    log.record(odd, "127.0.0.9");
    log.record(odd, "127.0.0.9");
    const auto counts = log.usage();
    QCOMPARE(counts.size(), std::size_t(1));
    QCOMPARE(counts[0].type, std::string("MENUCLICK"));
    QCOMPARE(counts[0].count, 2LL);
}

void TestEventLog::readingRequiresTheFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("missing.db").toStdString();
    try {
        EventLog log(path, EventLog::Mode::Read);
        QFAIL("a missing events file was opened");
    } catch (const std::runtime_error& error) {
        QCOMPARE(std::string(error.what()), "events file " + path + " does not exist");
    }
    QVERIFY(!QFile::exists(QString::fromStdString(path)));
}

void TestEventLog::checksEvents_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("problem");
    QTest::newRow("close of a view")
        << QByteArray("IN,baseballteams,http://127.0.0.1:8461/,75") << "";
    QTest::newRow("empty site and URL") << QByteArray("TOOLCLICK,,,0") << "";
    QTest::newRow("URL with commas")
        << QByteArray("MENUCLICK,http://a/b?x=1,2&y=3,http://s/,0") << "";
    QTest::newRow("longest") << QByteArray("CLICK," + QByteArray(501, 'w') + ",s,10") << "";
    QTest::newRow("one byte too long")
        << QByteArray("CLICK," + QByteArray(502, 'w') + ",s,10") << "event text over 512 bytes";
    QTest::newRow("three fields") << QByteArray("IN,batters,0")
                                  << "an event has four fields: type, what, site, seconds";
    QTest::newRow("no comma") << QByteArray("hello")
                              << "an event has four fields: type, what, site, seconds";
    QTest::newRow("unknown type") << QByteArray("OUT,batters,s,0") << "unknown event type";
    QTest::newRow("type in lower case") << QByteArray("in,batters,s,0") << "unknown event type";
    QTest::newRow("seconds not digits")
        << QByteArray("IN,batters,s,7x") << "the seconds of an event are digits";
    QTest::newRow("no seconds") << QByteArray("IN,batters,s,")
                                << "the seconds of an event are digits";
    QTest::newRow("line break") << QByteArray("IN,batters\r\nIN,x,s,0,s,0")
                                << "control character in the event text";
    QTest::newRow("UTF-8 letters") << QByteArray("CLICK,Jos\xc3\xa9 \xe2\x82\xac,s,0") << "";
    QTest::newRow("Latin-1 byte") << QByteArray("CLICK,Jos\xe9,s,0")
                                  << "the event text is not UTF-8";
    QTest::newRow("overlong slash")
        << QByteArray("CLICK,\xc0\xaf,s,0") << "the event text is not UTF-8";
    QTest::newRow("surrogate") << QByteArray("CLICK,\xed\xa0\x80,s,0")
                               << "the event text is not UTF-8";
    QTest::newRow("cut sequence") << QByteArray("CLICK,\xe2\x82,s,0")
                                  << "the event text is not UTF-8";
    QTest::newRow("C1 control (NEL)") << QByteArray("CLICK,a\xc2\x85"
                                                    "b,s,0")
                                      << "control character in the event text";
}

void TestEventLog::checksEvents() {
    QFETCH(QByteArray, text);
    QFETCH(QString, problem);
    QCOMPARE(QString::fromStdString(bbstatsd::eventProblem(text.toStdString())), problem);
}

// 4,000 events of about 400 bytes (1.6 MB) into a file bounded at 256 KB: the oldest go and are
// counted, the newest stay, the file stops growing; refusals are written by the time it closes.
void TestEventLog::boundsTheFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("events.db").toStdString();
    const std::int64_t bound = 256 * 1024;
    const std::string what(380, 'u');
    {
        EventLog log(path, EventLog::Mode::Write, bound);
        for (int i = 0; i < 4000; ++i) {
            log.record("CLICK," + what + ",s," + std::to_string(i), "127.0.0.1");
        }
        for (int i = 0; i < 3; ++i) {
            log.refuse();
        }
    }
    QVERIFY2(QFileInfo(QString::fromStdString(path)).size() < bound + 64 * 1024,
             qPrintable(QString::number(QFileInfo(QString::fromStdString(path)).size())));
    const EventLog reread(path, EventLog::Mode::Read);
    const auto counts = reread.usage();
    QCOMPARE(counts.size(), std::size_t(1));
    const bbstatsd::LostEvents lost = reread.lost();
    QVERIFY(lost.dropped > 3000);
    QCOMPARE(counts[0].count + lost.dropped, 4000LL);
    QCOMPARE(lost.refused, 3LL);
}

void TestEventLog::limitsRatePerSender() {
    using Clock = bbstatsd::RateLimiter::Clock;
    bbstatsd::RateLimiter limiter(2, 3, 4);
    const Clock::time_point start = Clock::now();
    const auto at = [&](int ms) { return start + std::chrono::milliseconds(ms); };
    // The burst, then nothing until the bucket refills at two a second.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(limiter.admit("a", at(0)));
    }
    QVERIFY(!limiter.admit("a", at(0)));
    QVERIFY(!limiter.admit("a", at(400)));
    QVERIFY(limiter.admit("a", at(500)));
    QVERIFY(!limiter.admit("a", at(600)));
    // Another sender has a bucket of its own.
    QVERIFY(limiter.admit("b", at(600)));
    // Four senders are remembered; a fifth when none has refilled makes every bucket start
    // afresh, so "a" may send again at once.
    QVERIFY(limiter.admit("c", at(700)));
    QVERIFY(limiter.admit("d", at(700)));
    QVERIFY(!limiter.admit("a", at(700)));
    QVERIFY(limiter.admit("e", at(700)));
    QVERIFY(limiter.admit("a", at(700)));
}

// What the usage report prints: letters as they are; control bytes, bytes that are not UTF-8
// and backslashes escaped, so no text reaches the terminal as a command or a column break.
void TestEventLog::printsStoredTextSafely() {
    QCOMPARE(bbstatsd::printable("http://s\xc3\xa9/"), std::string("http://s\xc3\xa9/"));
    QCOMPARE(bbstatsd::printable("a\x1b[2Jb\tc\x7f"), std::string("a\\x1B[2Jb\\x09c\\x7F"));
    QCOMPARE(bbstatsd::printable("\xc2\x9b"
                                 "31m \xff\xe2\x82 \\x41"),
             std::string("\\xC2\\x9B31m \\xFF\\xE2\\x82 \\\\x41"));
    QVERIFY(bbstatsd::isUtf8("plain \xf0\x9f\x8e\x89"));
    QVERIFY(!bbstatsd::isUtf8("\xf4\x90\x80\x80")); // past U+10FFFF
}

// Refusals reach the file while the log stays open, without another event to carry them: a
// report read meanwhile is not stale.
void TestEventLog::writesRefusalsWhileOpen() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("events.db").toStdString();
    EventLog log(path);
    for (int i = 0; i < 3; ++i) {
        log.refuse();
    }
    long long seen = 0;
    for (int attempt = 0; attempt < 100 && seen < 3; ++attempt) {
        QTest::qWait(100);
        seen = EventLog(path, EventLog::Mode::Read).lost().refused;
    }
    QCOMPARE(seen, 3LL);
}

QTEST_GUILESS_MAIN(TestEventLog)
#include "test_eventlog.moc"
