// Usage events: splitting an event text, decoding the query, storing and counting.

#include <string>

#include <QTemporaryDir>
#include <QtTest>

#include "service/eventlog.h"

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

QTEST_GUILESS_MAIN(TestEventLog)
#include "test_eventlog.moc"
