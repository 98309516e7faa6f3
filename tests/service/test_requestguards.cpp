// What the HTTP wrapper refuses or rewrites before a handler sees a request, against a real
// server: the client address behind a trusted balancer, repeated query parameters and repeated
// lengths; and the brake on refusals of clients that ask again at once.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QtTest>

#include "service/httpserver.h"
#include "service/refusalbrake.h"
#include "tests/service/httpprobe.h"

using bbstatsd::HttpReply;
using bbstatsd::HttpRequest;
using bbstatsd::HttpServer;
using bbstatsd::RefusalBrake;

class TestRequestGuards : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void clientAddressBehindBalancer_data();
    void clientAddressBehindBalancer();
    void repeatedParametersAndLengths_data();
    void repeatedParametersAndLengths();
    void refusalsOfFloodsHeldBack_data();
    void refusalsOfFloodsHeldBack();

private:
    int m_port = 0;
    int m_calls = 0;
    std::unique_ptr<HttpServer> m_server;
};

void TestRequestGuards::initTestCase() {
    // The peer a handler sees; /event takes the rest of its query from "Q=" on as one text.
    const auto where = [this](const HttpRequest& request) {
        ++m_calls;
        HttpReply reply;
        reply.body = request.peer + "|" + request.query + "|" + request.body;
        return reply;
    };
    bbstatsd::HttpRoute event{"GET", "/event", where};
    event.textParameter = "Q";
    bbstatsd::HttpSettings settings;
    settings.trustedProxy = "127.0.0.1";
    m_server = std::make_unique<HttpServer>(
        std::vector<bbstatsd::HttpRoute>{
            {"GET", "/where", where}, {"POST", "/where", where}, event},
        settings);
    m_port = m_server->listen({"127.0.0.1", 0}).port;
    QVERIFY(m_port > 0);
}

void TestRequestGuards::cleanupTestCase() {
    m_server.reset();
}

void TestRequestGuards::clientAddressBehindBalancer_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QString>("peer");
    QTest::newRow("balancer's line only")
        << "127.0.0.1" << QByteArray("X-Forwarded-For: 127.0.0.9\r\n") << "127.0.0.9";
    // The client's forged line first, the balancer's appended line last.
    QTest::newRow("forged line before the balancer's")
        << "127.0.0.1" << QByteArray("X-Forwarded-For: 10.9.9.9\r\nX-Forwarded-For: 127.0.0.9\r\n")
        << "127.0.0.9";
    QTest::newRow("forged item before the balancer's")
        << "127.0.0.1" << QByteArray("X-Forwarded-For: 10.9.9.9, 10.8.8.8,127.0.0.9\r\n")
        << "127.0.0.9";
    QTest::newRow("names in any case")
        << "127.0.0.1"
        << QByteArray("x-forwarded-for: 10.1.1.1\r\nX-FORWARDED-FOR: 10.2.2.2, 127.0.0.7\r\n")
        << "127.0.0.7";
    QTest::newRow("IPv6 appended")
        << "127.0.0.1" << QByteArray("X-Forwarded-For: 10.1.1.1, ::1\r\n") << "::1";
    QTest::newRow("last item not an address")
        << "127.0.0.1" << QByteArray("X-Forwarded-For: 127.0.0.9\r\nX-Forwarded-For: junk\r\n")
        << "127.0.0.1";
    QTest::newRow("empty last item")
        << "127.0.0.1" << QByteArray("X-Forwarded-For: 127.0.0.9,\r\n") << "127.0.0.1";
    QTest::newRow("no header") << "127.0.0.1" << QByteArray() << "127.0.0.1";
    QTest::newRow("not from the balancer")
        << "127.0.0.5" << QByteArray("X-Forwarded-For: 127.0.0.9\r\n") << "127.0.0.5";
}

void TestRequestGuards::clientAddressBehindBalancer() {
    QFETCH(QString, from);
    QFETCH(QByteArray, headers);
    QFETCH(QString, peer);
    const auto reply = httpprobe::exchange(
        "127.0.0.1", m_port, "GET /where HTTP/1.0\r\n" + headers.toStdString() + "\r\n", 20000,
        from.toStdString());
    QCOMPARE(reply.status, 200);
    QCOMPARE(QString::fromStdString(reply.body.substr(0, reply.body.find('|'))), peer);
}

void TestRequestGuards::repeatedParametersAndLengths_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("problem");
    const auto get = [](const char* path) {
        return QByteArray::fromStdString(httpprobe::get(path));
    };
    QTest::newRow("each once") << get("/where?lines=season&qualified=1") << 200 << QString();
    QTest::newRow("empty items") << get("/where?a=1&&b=2&") << 200 << QString();
    QTest::newRow("given twice") << get("/where?lines=season&qualified=1&lines=career") << 400
                                 << "query parameter \"lines\" given twice";
    QTest::newRow("without values")
        << get("/where?flag&flag") << 400 << "query parameter \"flag\" given twice";
    QTest::newRow("empty values") << get("/where?a=&a=") << 400
                                  << "query parameter \"a\" given twice";
    QTest::newRow("on a POST") << QByteArray::fromStdString(
                                      httpprobe::post("/where?columns=1&columns=2", "x"))
                               << 400 << "query parameter \"columns\" given twice";
    QTest::newRow("a long name is cut")
        << QByteArray::fromStdString(httpprobe::get("/where?" + std::string(50, 'n') + "=1&" +
                                                    std::string(50, 'n') + "=2"))
        << 400 << "query parameter \"" + QString(40, 'n') + "...\" given twice";
    // The event's text runs to the end of the query, "&" and all.
    QTest::newRow("repeats inside the text")
        << get("/event?Q=CLICK,http://a/?x=1&x=2&Q=3,site,0") << 200 << QString();
    QTest::newRow("repeats before the text")
        << get("/event?s=1&s=2&Q=CLICK,x,site,0") << 400 << "query parameter \"s\" given twice";
    // A length the library took could frame the body one way, the other another: refused at
    // once, not waited on for the bytes one of them promises.
    QTest::newRow("two lengths, the second longer")
        << QByteArray("POST /where HTTP/1.0\r\nContent-Length: 5\r\nContent-Length: 7\r\n\r\nabcde")
        << 400 << "more than one Content-Length";
    QTest::newRow("two lengths, the first longer")
        << QByteArray("POST /where HTTP/1.0\r\nContent-Length: 9\r\nContent-Length: 3\r\n\r\nabc")
        << 400 << "more than one Content-Length";
    QTest::newRow("two equal lengths")
        << QByteArray("POST /where HTTP/1.0\r\nContent-Length: 3\r\ncontent-length: 3\r\n\r\nabc")
        << 400 << "more than one Content-Length";
    QTest::newRow("two lengths on a GET")
        << QByteArray("GET /where HTTP/1.0\r\nContent-Length: 0\r\nContent-Length: 4\r\n\r\n")
        << 400 << "more than one Content-Length";
}

void TestRequestGuards::repeatedParametersAndLengths() {
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QString, problem);
    const int before = m_calls;
    // Within the 5 s the server waits for a request, so a server waiting on a body fails this.
    const auto reply = httpprobe::exchange("127.0.0.1", m_port, request.toStdString(), 4000);
    QCOMPARE(reply.status, status);
    QCOMPARE(m_calls > before, status == 200);
    if (!problem.isEmpty()) {
        QCOMPARE(QString::fromStdString(reply.headers.at("x-problem")), problem);
    }
}

void TestRequestGuards::refusalsOfFloodsHeldBack_data() {
    // Refusals of one address at the given milliseconds; the hold of each (0: sent at once).
    QTest::addColumn<std::vector<int>>("at");
    QTest::addColumn<std::vector<int>>("held");
    std::vector<int> failOver = {0, 1, 2};
    std::vector<int> burst, burstHeld;
    for (int n = 0; n < 40; ++n) {
        burst.push_back(n * 20);
        burstHeld.push_back(0);
    }
    QTest::newRow("fail-over over three hosts") << failOver << std::vector<int>{0, 0, 0};
    QTest::newRow("40 within a second") << burst << burstHeld;
    // The 41st within a second is held; asked again as soon as it is answered, held again.
    std::vector<int> flood = burst, floodHeld = burstHeld;
    flood.insert(flood.end(), {800, 1801, 2802});
    floodHeld.insert(floodHeld.end(), {1000, 1000, 1000});
    QTest::newRow("flood ignoring Retry-After") << flood << floodHeld;
    // A client that waits a second after its held refusal is let go.
    std::vector<int> waits = burst, waitsHeld = burstHeld;
    waits.insert(waits.end(), {800, 2900, 2950});
    waitsHeld.insert(waitsHeld.end(), {1000, 0, 0});
    QTest::newRow("waits after the held one") << waits << waitsHeld;
    // 40 a second for several seconds stays below the bound in every second.
    std::vector<int> steady, steadyHeld;
    for (int n = 0; n < 160; ++n) {
        steady.push_back(n * 25);
        steadyHeld.push_back(0);
    }
    QTest::newRow("40 a second for 4 s") << steady << steadyHeld;
}

void TestRequestGuards::refusalsOfFloodsHeldBack() {
    QFETCH(std::vector<int>, at);
    QFETCH(std::vector<int>, held);
    RefusalBrake brake;
    const auto start = RefusalBrake::Clock::now();
    for (std::size_t i = 0; i < at.size(); ++i) {
        const auto now = start + std::chrono::milliseconds(at[i]);
        QCOMPARE(brake.refused("127.0.3.1", now).count(), static_cast<long>(held[i]));
        // Another address is never held for this one's refusals.
        QCOMPARE(brake.refused("127.0.3.2", now + std::chrono::hours(i)).count(), 0L);
    }
}

QTEST_GUILESS_MAIN(TestRequestGuards)
#include "test_requestguards.moc"
