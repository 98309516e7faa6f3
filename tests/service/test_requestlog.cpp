// The service's request log: one escaped line per request (the body's first
// line, or the whole body with its line ends escaped), whole lines from
// several threads, and a clear error for a file it cannot open.

#include <string>
#include <thread>
#include <vector>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "service/requestlog.h"

using bbstatsd::HttpRequest;
using bbstatsd::RequestLog;

class TestRequestLog : public QObject {
    Q_OBJECT
private slots:
    void lineFor_data();
    void lineFor();
    void wholeBody_data();
    void wholeBody();
    void routesRecordBeforeAnswering();
    void linesStayWholeAcrossThreads();
    void unwritableFileIsNamed();
};

void TestRequestLog::lineFor_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("page request") << QByteArray("POST") << QByteArray("/cgi-bin/getbat.exe")
                                  << QByteArray() << QByteArray("0!35!300!\r\n*\r\n\x1a")
                                  << QByteArray("POST /cgi-bin/getbat.exe 0!35!300!");
    QTest::newRow("query kept") << QByteArray("GET") << QByteArray("/999addlog.asp")
                                << QByteArray("Q=IN,batters,,75") << QByteArray()
                                << QByteArray("GET /999addlog.asp?Q=IN,batters,,75 ");
    QTest::newRow("control bytes and backslash escaped")
        << QByteArray("POST") << QByteArray("/a") << QByteArray() << QByteArray("x\x01y\\z\xff", 6)
        << QByteArray("POST /a x\\x01y\\x5cz\\xff");
    QTest::newRow("lone CR ends the line") << QByteArray("POST") << QByteArray("/a") << QByteArray()
                                           << QByteArray("ab\rcd") << QByteArray("POST /a ab");
    QTest::newRow("long first line cut")
        << QByteArray("POST") << QByteArray("/a") << QByteArray() << QByteArray(500, '7')
        << QByteArray("POST /a ") + QByteArray(200, '7');
}

void TestRequestLog::lineFor() {
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, line);
    HttpRequest request;
    request.method = method.toStdString();
    request.path = path.toStdString();
    request.query = query.toStdString();
    request.body = body.toStdString();
    QCOMPARE(QByteArray::fromStdString(RequestLog::lineFor(request)), line);
}

void TestRequestLog::wholeBody_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("logged");
    QTest::newRow("selection items after the first line")
        << QByteArray("0!35!16!\r\nBNew York Yankees\r\n*\r\n\x1a")
        << QByteArray("0!35!16!\\x0d\\x0aBNew York Yankees\\x0d\\x0a*\\x0d\\x0a\\x1a");
    QTest::newRow("lone LF escaped") << QByteArray("a\nb") << QByteArray("a\\x0ab");
    QTest::newRow("long body cut at 4096 bytes") << QByteArray(5000, '7') << QByteArray(4096, '7');
}

void TestRequestLog::wholeBody() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, logged);
    HttpRequest request;
    request.method = "POST";
    request.path = "/cgi-bin/getbat.exe";
    request.body = body.toStdString();
    QCOMPARE(QByteArray::fromStdString(RequestLog::lineFor(request, bbstatsd::LoggedBody::Whole)),
             "POST /cgi-bin/getbat.exe " + logged);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("requests.log"));
    {
        RequestLog log(path.toStdString(), bbstatsd::LoggedBody::Whole);
        log.record(request);
        log.record(request);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray line = "POST /cgi-bin/getbat.exe " + logged + "\n";
    QCOMPARE(file.readAll(), line + line);
}

void TestRequestLog::routesRecordBeforeAnswering() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("requests.log"));
    RequestLog log(path.toStdString());
    std::vector<bbstatsd::HttpRoute> routes;
    routes.push_back({"POST", "/cgi-bin/getpit.exe", [](const HttpRequest& request) {
                          bbstatsd::HttpReply reply;
                          reply.body = "seen " + request.body;
                          return reply;
                      }});
    routes = bbstatsd::loggedRoutes(std::move(routes), log);
    HttpRequest request;
    request.method = "POST";
    request.path = "/cgi-bin/getpit.exe";
    request.body = "5!10!300!\r\n*\r\n";
    QCOMPARE(QByteArray::fromStdString(routes[0].handler(request).body),
             QByteArray("seen 5!10!300!\r\n*\r\n"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("POST /cgi-bin/getpit.exe 5!10!300!\n"));
}

void TestRequestLog::linesStayWholeAcrossThreads() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("requests.log"));
    {
        RequestLog log(path.toStdString());
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&log, t] {
                HttpRequest request;
                request.method = "POST";
                request.path = "/cgi-bin/getfield.exe";
                request.body = std::to_string(t) + std::string(150, 'x');
                for (int i = 0; i < 250; ++i) {
                    log.record(request);
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1001); // the last is empty after the final line end
    int perThread[4] = {0, 0, 0, 0};
    for (int i = 0; i < 1000; ++i) {
        const int thread = lines[i].mid(27, 1).toInt();
        QCOMPARE(lines[i],
                 "POST /cgi-bin/getfield.exe " + QByteArray::number(thread) + QByteArray(150, 'x'));
        ++perThread[thread];
    }
    for (const int count : perThread) {
        QCOMPARE(count, 250);
    }
}

void TestRequestLog::unwritableFileIsNamed() {
    const std::string path = "/nonexistent-folder/requests.log";
    try {
        RequestLog log(path);
        QFAIL("opening a file in a missing folder succeeded");
    } catch (const std::runtime_error& error) {
        QVERIFY2(std::string(error.what()).find(path) != std::string::npos, error.what());
    }
}

QTEST_GUILESS_MAIN(TestRequestLog)
#include "test_requestlog.moc"
