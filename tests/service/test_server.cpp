// bbstatsd as a running process on loopback: every endpoint, the reply framing, refusals of
// malformed requests, usage events counted by "bbstatsd usage", and behaviour under hostile
// clients. Needs the imported test database (BBSTATS_TEST_DB).

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include "tests/service/httpprobe.h"

namespace {

std::vector<std::string> crlfLines(const std::string& body) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < body.size()) {
        const auto end = body.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(body.substr(start));
            break;
        }
        lines.push_back(body.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace

class TestServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void statisticsPages_data();
    void statisticsPages();
    void pickList();
    void malformedRequests_data();
    void malformedRequests();
    void csvExportStreamsTheWholeResult();
    void csvExportCutsAClientThatStopsReading();
    void refusalsBeforeTheBody_data();
    void refusalsBeforeTheBody();
    void contentEndpoints_data();
    void contentEndpoints();
    void playerSearchAndFacts_data();
    void playerSearchAndFacts();
    void newsForTheServiceDate();
    void bannersRotateByNumber();
    void usageEventsAreStoredAndCounted();
    void listensOnEveryAddress();
    void answersBehindSilentConnections();
    void oversizedHeadersKeepMemoryBounded();
    void commandErrors_data();
    void commandErrors();

private:
    httpprobe::Reply request(const std::string& bytes, int timeoutMs = 20000) const {
        return httpprobe::exchange("127.0.0.1", m_port, bytes, timeoutMs);
    }
    static std::string pageRequest(const std::string& firstLine) {
        return firstLine + "\r\n*\r\n\x1a";
    }

    QString m_binary;
    QString m_source;
    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
    int m_port2 = 0;
};

void TestServer::initTestCase() {
    m_binary = qEnvironmentVariable("BBSTATS_BINARY_DIR") + "/bbstatsd";
    m_source = qEnvironmentVariable("BBSTATS_SOURCE_DIR");
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    QVERIFY2(QFile::exists(m_binary), qPrintable(m_binary));
    QVERIFY2(QFile::exists(db), "the imported test database is missing (BBSTATS_TEST_DB)");
    m_server.setProgram(m_binary);
    // No --content: the service finds the content folder shipped with its sources. The news
    // pages are made for a fixed date.
    m_server.setArguments({"serve", "--db", db, "--listen", "127.0.0.1:0", "--listen",
                           "127.0.0.2:0", "--events", m_dir.filePath("events.db"), "--today",
                           "2024-02-06", "--export-mb", "24"});
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start();
    QVERIFY(m_server.waitForStarted());
    // Loading the tables takes a while under the sanitizers.
    const QRegularExpression listening("listening on (127\\.0\\.0\\.[12]):(\\d+)");
    QByteArray output;
    QDeadlineTimer deadline(240000);
    while ((m_port == 0 || m_port2 == 0) && !deadline.hasExpired() &&
           m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(1000);
        output += m_server.readAllStandardOutput();
        auto matches = listening.globalMatch(QString::fromUtf8(output));
        while (matches.hasNext()) {
            const auto match = matches.next();
            (match.captured(1) == "127.0.0.1" ? m_port : m_port2) = match.captured(2).toInt();
        }
    }
    QVERIFY2(m_port > 0 && m_port2 > 0, output.constData());
    while (!output.contains("content ") && m_server.waitForReadyRead(5000)) {
        output += m_server.readAllStandardOutput();
    }
    QVERIFY2(output.contains("bbstatsd: content " + m_source.toUtf8() + "/service/content,"),
             output.constData());
}

void TestServer::cleanupTestCase() {
    m_server.terminate();
    QVERIFY(m_server.waitForFinished(30000));
    QCOMPARE(m_server.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_server.exitCode(), 0);
}

void TestServer::statisticsPages_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("linesPerRecord");
    QTest::newRow("batters") << "/cgi-bin/getbat.exe" << 31;
    QTest::newRow("pitchers") << "/cgi-bin/getpit.exe" << 31;
    QTest::newRow("fielders") << "/cgi-bin/getfield.exe" << 17;
    QTest::newRow("teams") << "/cgi-bin/getbaseteam.exe" << 67;
}

// A fresh view's page of 5 rows: the count, 5 records and the totals record, CR LF lines.
void TestServer::statisticsPages() {
    QFETCH(QString, path);
    QFETCH(int, linesPerRecord);
    const auto reply = request(httpprobe::post(path.toStdString(), pageRequest("0!5!300!")));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.statusLine.substr(0, 15), std::string("HTTP/1.1 200 OK"));
    QCOMPARE(reply.headers.at("content-length"), std::to_string(reply.body.size()));
    QVERIFY(reply.body.ends_with("\r\n"));
    QVERIFY(reply.body.find('\n') == reply.body.find("\r\n") + 1);
    const auto lines = crlfLines(reply.body);
    QCOMPARE(int(lines.size()), 1 + 6 * linesPerRecord);
    QVERIFY(std::stoi(lines[0]) > 1000);
    QVERIFY(std::find(lines.end() - linesPerRecord, lines.end(), "TOTALS") != lines.end());
}

void TestServer::pickList() {
    const auto reply =
        request(httpprobe::post("/cgi-bin/getpit.exe", pageRequest("0!0!C!")), 20000);
    QCOMPARE(reply.status, 200);
    const auto lines = crlfLines(reply.body);
    QVERIFY(lines.size() > 2);
    QCOMPARE(int(lines.size()), std::stoi(lines[0]) + 2);
    QCOMPARE(lines[1], std::string("1871"));
    QCOMPARE(lines.back(), std::string("*"));
}

void TestServer::malformedRequests_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("bad first line") << QByteArray("garbage\r\n*\r\n\x1a");
    QTest::newRow("unknown sort code") << QByteArray("0!5!555!\r\n*\r\n\x1a");
    QTest::newRow("unknown item kind") << QByteArray("0!5!300!\r\nQfoo\r\n*\r\n\x1a");
    QTest::newRow("no 0x1A") << QByteArray("0!5!300!\r\n*\r\n");
    QTest::newRow("binary body") << QByteArray("\x00\x01\xff\xfe\x80\x1a", 6);
    QTest::newRow("limit on a field the table lacks")
        << QByteArray("0!5!300!\r\nE99!1!2!\r\n*\r\n\x1a");
    QTest::newRow("empty body") << QByteArray();
    QTest::newRow("more rows than a page") << QByteArray("0!5000!300!\r\n*\r\n\x1a");
}

// Each is refused with 400 and its problem named in the body and the problem header; the
// service keeps answering.
void TestServer::malformedRequests() {
    QFETCH(QByteArray, body);
    const auto reply = request(httpprobe::post("/cgi-bin/getbat.exe", body.toStdString()));
    QCOMPARE(reply.status, 400);
    QCOMPARE(reply.statusLine.substr(0, 24), std::string("HTTP/1.1 400 Bad Request"));
    QVERIFY(reply.headers.count("x-problem"));
    const std::string problem = reply.headers.at("x-problem");
    QVERIFY(problem.size() > 5);
    QCOMPARE(reply.body, problem + "\r\n");
    // The CSV export of the same body is refused the same, naming the same problem.
    const auto csv = request(httpprobe::post("/cgi-bin/getbat.csv", body.toStdString()));
    QCOMPARE(csv.status, 400);
    QCOMPARE(csv.headers.count("x-problem"), std::size_t(1));
    QCOMPARE(csv.headers.at("x-problem"), problem);
    const auto next = request(httpprobe::post("/cgi-bin/getbat.exe", pageRequest("0!1!300!")));
    QCOMPARE(next.status, 200);
}

// The CSV path streams every row of the page request's query with its length stated: one row
// per record the page reply counts, the chosen fields in the chosen order, missing values
// empty, names holding a comma quoted; a columns list it cannot read is refused.
void TestServer::csvExportStreamsTheWholeResult() {
    const std::string body = "0!1!16!\r\nC1927\r\n*\r\n\x1a";
    const auto page = request(httpprobe::post("/cgi-bin/getbat.exe", body));
    QCOMPARE(page.status, 200);
    const auto pageLines = crlfLines(page.body);
    const int count = std::stoi(pageLines[0]);
    QVERIFY(count > 400);
    const auto csv = request(httpprobe::post("/cgi-bin/getbat.csv?columns=0,1,16,30,18", body));
    QCOMPARE(csv.status, 200);
    QCOMPARE(csv.headers.at("content-length"), std::to_string(csv.body.size()));
    const auto rows = crlfLines(csv.body);
    QCOMPARE(int(rows.size()), count);
    // The first row is the page's first record: name, year, HR, positions, AVG.
    const auto field = [](const std::string& value) {
        return value.find(',') == std::string::npos ? value : "\"" + value + "\"";
    };
    const std::string first = field(pageLines[1]) + "," + pageLines[2] + "," + pageLines[13] + "," +
                              field(pageLines[27]) + "," + pageLines[15];
    QCOMPARE(rows[0], first);
    // A pitcher who never batted has no average: an empty field, never the marker.
    QVERIFY(csv.body.find("1000000") == std::string::npos);
    QVERIFY(csv.body.find(",\r\n") != std::string::npos);

    const auto all = request(httpprobe::post("/cgi-bin/getbaseteam.csv", pageRequest("0!1!300!")));
    QCOMPARE(all.status, 200);
    const auto teamRows = crlfLines(all.body);
    const auto teamPage =
        request(httpprobe::post("/cgi-bin/getbaseteam.exe", pageRequest("0!1!300!")));
    QCOMPARE(int(teamRows.size()), std::stoi(crlfLines(teamPage.body)[0]));
    for (const char* columns :
         {"columns=", "columns=0,,1", "columns=67", "columns=-1", "columns=x", "columns=0,1,0"}) {
        const auto refused = request(httpprobe::post(
            std::string("/cgi-bin/getbaseteam.csv?") + columns, pageRequest("0!1!300!")));
        QCOMPARE(refused.status, 400);
        QVERIFY(refused.headers.at("x-problem").starts_with("columns:"));
    }
}

// The export texts being sent are bounded (24 MiB here): while a client slowly reads the whole
// Batters result (about 16 MB), another export is refused at once with 503 and Retry-After,
// never cut or empty; once that reply is done, the export is served whole.
void TestServer::csvExportCutsAClientThatStopsReading() {
    const std::string whole = httpprobe::post("/cgi-bin/getbat.csv", pageRequest("0!1!300!"));
    httpprobe::Connection slow("127.0.0.1", m_port, "127.0.0.5");
    QVERIFY(slow.send(whole));
    // Its reply has begun: its text is written and counted.
    QVERIFY(slow.receive(1, 120000) == 1);
    std::atomic<bool> reading{true};
    std::thread reader([&] {
        while (reading) {
            slow.receive(4096, 200);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    const auto refused = httpprobe::exchange("127.0.0.1", m_port, whole, 60000, "127.0.0.6");
    reading = false;
    reader.join();
    QCOMPARE(refused.status, 503);
    QCOMPARE(refused.headers.count("retry-after"), std::size_t(1));
    QVERIFY(refused.headers.at("x-problem").starts_with("too many exports"));
    QVERIFY(slow.closedByServer(120000));
    const auto served = httpprobe::exchange("127.0.0.1", m_port, whole, 120000, "127.0.0.6");
    QCOMPARE(served.status, 200);
    QCOMPARE(served.headers.at("content-length"), std::to_string(served.body.size()));
    QVERIFY(served.body.size() > 8'000'000);
}

void TestServer::refusalsBeforeTheBody_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const std::string big = "0!5!300!\r\n" + std::string(64 * 1024, 'A') + "\r\n*\r\n\x1a";
    QTest::newRow("body over 64 KiB")
        << QByteArray::fromStdString(httpprobe::post("/cgi-bin/getbat.exe", big)) << 413;
    QTest::newRow("POST without length")
        << QByteArray::fromStdString(
               httpprobe::post("/cgi-bin/getbat.exe", pageRequest("0!5!300!"), false))
        << 411;
    QTest::newRow("unknown path") << QByteArray::fromStdString(httpprobe::get("/cgi-bin/x.exe"))
                                  << 404;
    QTest::newRow("GET of a service")
        << QByteArray::fromStdString(httpprobe::get("/cgi-bin/getbat.exe")) << 404;
    QTest::newRow("POST of content")
        << QByteArray::fromStdString(httpprobe::post("/verman.asp", "x")) << 404;
    QTest::newRow("a query parameter twice")
        << QByteArray::fromStdString(httpprobe::post(
               "/cgi-bin/getbat.exe?lines=season&lines=career", pageRequest("0!5!300!")))
        << 400;
}

void TestServer::refusalsBeforeTheBody() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    const auto reply = request(bytes.toStdString());
    QCOMPARE(reply.status, status);
    QVERIFY(reply.headers.count("x-problem"));
}

void TestServer::contentEndpoints_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("type");
    QTest::newRow("version table") << "/cgi-bin/verread.exe"
                                   << "versions.txt"
                                   << "text/plain";
    QTest::newRow("update text") << "/baseballout.txt"
                                 << "baseballout.txt"
                                 << "text/plain";
    QTest::newRow("ad settings") << "/verman.asp"
                                 << "adsettings.txt"
                                 << "text/plain";
    QTest::newRow("click-through") << "/ads/click.asp?n=42"
                                   << "ads/click.html"
                                   << "text/html";
    QTest::newRow("site home") << "/"
                               << "index.html"
                               << "text/html";
}

void TestServer::contentEndpoints() {
    QFETCH(QString, path);
    QFETCH(QString, file);
    QFETCH(QString, type);
    const auto reply = request(httpprobe::get(path.toStdString()));
    QCOMPARE(reply.status, 200);
    QCOMPARE(QString::fromStdString(reply.headers.at("content-type")), type);
    QVERIFY(reply.body == readFile(m_source + "/service/content/" + file));
}

// The player search and facts over HTTP: UTF-8 text, the first line of an answer, refusals with
// their status and problem; a path that merely starts like them is no route.
void TestServer::playerSearchAndFacts_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("start"); // the body starts so
    QTest::newRow("search") << "/players?q=babe+ruth" << 200 << "ruthba01\tRuth, Babe\t1914-1935\t";
    QTest::newRow("accented") << "/players?q=acu%C3%B1a+ronald" << 200
                              << "acunaro01\tAcu\u00f1a, Ronald\t";
    QTest::newRow("facts") << "/player/ruthba01" << 200 << "ID\truthba01\r\nName\tRuth, Babe\r\n";
    QTest::newRow("empty search") << "/players?q=" << 400 << "empty search text\r\n";
    QTest::newRow("not UTF-8") << "/players?q=%FF" << 400 << "search text is not UTF-8\r\n";
    QTest::newRow("unknown code") << "/player/nosuchpl01" << 404 << "no player with that code\r\n";
    QTest::newRow("no code") << "/player/" << 404 << "no player with that code\r\n";
    QTest::newRow("other path") << "/playersx?q=ruth" << 404 << "no such path or method\r\n";
}

void TestServer::playerSearchAndFacts() {
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QString, start);
    const auto reply = request(httpprobe::get(path.toStdString()));
    QCOMPARE(reply.status, status);
    QVERIFY2(QString::fromStdString(reply.body).startsWith(start), reply.body.c_str());
    if (status == 200) {
        QCOMPARE(reply.headers.at("content-type"), std::string("text/plain; charset=utf-8"));
    }
}

// The news site is made from the data for the date --today gives: Babe Ruth was born on
// February 6, Hank Aaron on February 5; the lists link to article pages at the first listen
// address.
void TestServer::newsForTheServiceDate() {
    const std::string root = "http://127.0.0.1:" + std::to_string(m_port) + "/";
    const auto today = request(httpprobe::get("/scroller/dataFiles/todaysArticles.txt"));
    QCOMPARE(today.status, 200);
    QVERIFY(today.body.find("^^setURL(" + root +
                            "article.asp?player=ruthba01)\r\n"
                            "Babe Ruth (born 1895)\r\n") != std::string::npos);
    QVERIFY(today.body.ends_with("\r\n^^end\r\n"));
    const auto yesterday = request(httpprobe::get("/scroller/dataFiles/yesterDaysArticles.txt"));
    QVERIFY(yesterday.body.find("\r\nHank Aaron (born 1934)\r\n") != std::string::npos);
    const auto summaries = request(httpprobe::get("/content.asp"));
    QVERIFY(summaries.body.find("<B>Hank Aaron (born 1934)</B></TD></TR>\r\n<TR><TD><FONT "
                                "SIZE=\"1\" FACE=\"VERDANA\">Born February 5, 1934. 23 seasons, "
                                "1954-1976: .305 average, 3,771 hits, 755 home runs</FONT>") !=
            std::string::npos);
    const auto home = request(httpprobe::get("/home.asp?category=Baseball"));
    QCOMPARE(home.status, 200);
    QCOMPARE(crlfLines(home.body).size(), std::size_t(12 * 2 + 9));
    const auto article = request(httpprobe::get("/article.asp?player=ruthba01"));
    QCOMPARE(article.status, 200);
    QVERIFY(article.body.find("<TD>1927</TD><TD>New York Yankees</TD><TD>AL</TD><TD>151</TD>") !=
            std::string::npos);
    QCOMPARE(request(httpprobe::get("/article.asp?id=3")).status, 404);
}

void TestServer::bannersRotateByNumber() {
    const QString ads = m_source + "/service/content/ads/";
    const std::vector<std::string> banners = {readFile(ads + "banner1.gif"),
                                              readFile(ads + "banner2.gif"),
                                              readFile(ads + "banner3.gif")};
    for (int n : {0, 1, 2, 3, 4, 9999999}) {
        const auto reply = request(httpprobe::get("/ads/banner.gif?n=" + std::to_string(n)));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.headers.at("content-type"), std::string("image/gif"));
        QVERIFY2(reply.body == banners[n % 3], qPrintable(QString::number(n)));
    }
    QVERIFY(request(httpprobe::get("/ads/banner.gif")).body == banners[0]);
    QVERIFY(request(httpprobe::get("/ads/banner.gif?n=x7")).body == banners[0]);
}

void TestServer::usageEventsAreStoredAndCounted() {
    const std::vector<std::string> sent = {
        "IN,batters,http://127.0.0.1:8461/,75",
        "IN,baseballteams,http://127.0.0.1:8461/,3",
        "CLICK,batters,,0",
        // The text runs to the end of the query: a parameter repeated in it is the URL's.
        "MENUCLICK,http://127.0.0.1:8461/a?b=1&c=2&b=3,http://127.0.0.1:8461/,0",
        "TOOLCLICK,http://127.0.0.1:8461/a%20b,http://127.0.0.1:8461/,0",
    };
    for (const std::string& event : sent) {
        const auto reply = httpprobe::exchange(
            "127.0.0.2", m_port2, httpprobe::get("/999addlog.asp?Q=" + event), 20000, "127.0.0.7");
        QCOMPARE(reply.status, 200);
    }
    // Refused: no event, texts the client never sends, and past an address's rate (a burst of
    // 20, then 5 a second).
    QCOMPARE(request(httpprobe::get("/999addlog.asp?x=1")).status, 400);
    for (const std::string& bad :
         {std::string("OUT,batters,s,0"), std::string("IN,batters,0"),
          "CLICK," + std::string(600, 'w') + ",s,0", std::string("IN,batters,s,%0D%0A")}) {
        const auto reply = request(httpprobe::get("/999addlog.asp?Q=" + bad));
        QCOMPARE(reply.status, 400);
        QVERIFY(!reply.headers.at("x-problem").empty());
    }
    int admitted = 0;
    int limited = 0;
    while (limited == 0 && admitted < 60) {
        const auto reply = httpprobe::exchange("127.0.0.1", m_port,
                                               httpprobe::get("/999addlog.asp?Q=CLICK,batters,s,0"),
                                               20000, "127.0.0.8");
        QVERIFY(reply.status == 200 || reply.status == 429);
        (reply.status == 200 ? admitted : limited) += 1;
    }
    QVERIFY2(admitted >= 20 && limited == 1, qPrintable(QString::number(admitted)));
    // Refusals reach the file at most once a second, so the report counts the last one within
    // a few seconds of it (the writer may be slow on a loaded machine; the time is not tested).
    QTest::qWait(1100);
    QCOMPARE(request(httpprobe::get("/999addlog.asp?Q=x")).status, 400);
    const QString expected = QString("site\ttype\tcount\tseconds\n"
                                     "(none)\tCLICK\t1\t\n"
                                     "http://127.0.0.1:8461/\tIN\t2\t78\n"
                                     "http://127.0.0.1:8461/\tMENUCLICK\t1\t\n"
                                     "http://127.0.0.1:8461/\tTOOLCLICK\t1\t\n"
                                     "s\tCLICK\t%1\t\n"
                                     "total\t\t%2\t78\n"
                                     "dropped\t\t0\n"
                                     "refused\t\t%3\n")
                                 .arg(admitted)
                                 .arg(5 + admitted)
                                 .arg(6 + limited);
    QString report;
    for (int tries = 0; tries < 30 && report != expected; ++tries) {
        if (tries > 0) {
            QTest::qWait(500);
        }
        QProcess usage;
        usage.start(m_binary, {"usage", "--events", m_dir.filePath("events.db")});
        QVERIFY(usage.waitForFinished(60000));
        QCOMPARE(usage.exitCode(), 0);
        report = QString::fromUtf8(usage.readAllStandardOutput());
    }
    QCOMPARE(report, expected);

    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(m_dir.filePath("events.db").toUtf8().constData(), &db,
                             SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    sqlite3_stmt* rows = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db,
                                "SELECT text, address, time FROM events WHERE address = "
                                "'127.0.0.7' ORDER BY id",
                                -1, &rows, nullptr),
             SQLITE_OK);
    std::vector<std::string> texts;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        texts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(rows, 0)));
        QCOMPARE(std::string(reinterpret_cast<const char*>(sqlite3_column_text(rows, 1))),
                 std::string("127.0.0.7"));
        QVERIFY(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(rows, 2)))
                    .contains(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$")));
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    QCOMPARE(texts.size(), sent.size());
    QCOMPARE(texts[3], sent[3]);
    QCOMPARE(texts[4], std::string("TOOLCLICK,http://127.0.0.1:8461/a b,http://127.0.0.1:8461/,0"));
}

void TestServer::listensOnEveryAddress() {
    const auto reply = httpprobe::exchange(
        "127.0.0.2", m_port2, httpprobe::post("/cgi-bin/getfield.exe", pageRequest("0!2!300!")));
    QCOMPARE(reply.status, 200);
}

// 200 clients from ten addresses send half a request and go silent; a page request from another
// address is still answered while they hang on.
void TestServer::answersBehindSilentConnections() {
    std::vector<std::unique_ptr<httpprobe::Connection>> silent;
    for (int i = 0; i < 200; ++i) {
        const std::string source = "127.0.3." + std::to_string(1 + i % 10);
        silent.push_back(std::make_unique<httpprobe::Connection>("127.0.0.1", m_port, source));
        QVERIFY(silent.back()->connected());
        QVERIFY(silent.back()->send("POST /cgi-bin/getbat.exe HTTP/1.0\r\nContent-Le"));
    }
    const auto reply =
        request(httpprobe::post("/cgi-bin/getbat.exe", pageRequest("0!40!300!")), 20000);
    QCOMPARE(reply.status, 200);
    QCOMPARE(int(crlfLines(reply.body).size()), 1 + 41 * 31);
}

// A 1 MB header line and 10,000 header lines are refused with 431, again and again, while the
// service's resident memory stays where it was.
void TestServer::oversizedHeadersKeepMemoryBounded() {
    const std::string longLine =
        "POST /cgi-bin/getbat.exe HTTP/1.0\r\nX-Long: " + std::string(1 << 20, 'a') + "\r\n\r\n";
    std::string manyLines = "POST /cgi-bin/getbat.exe HTTP/1.0\r\n";
    for (int i = 0; i < 10000; ++i) {
        manyLines += "X-" + std::to_string(i) + ": v\r\n";
    }
    manyLines += "Content-Length: 1\r\n\r\nx";
    const long before = httpprobe::residentKb(m_server.processId());
    QVERIFY(before > 0);
    for (int round = 0; round < 10; ++round) {
        QCOMPARE(request(longLine).status, 431);
        QCOMPARE(request(manyLines).status, 431);
    }
    const long after = httpprobe::residentKb(m_server.processId());
    QVERIFY2(after - before < 32 * 1024,
             qPrintable(QString("VmRSS %1 kB -> %2 kB").arg(before).arg(after)));
    QCOMPARE(request(httpprobe::post("/cgi-bin/getbat.exe", pageRequest("0!1!300!"))).status, 200);
}

void TestServer::commandErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList() << 2 << "usage: bbstatsd";
    QTest::newRow("unknown command") << QStringList{"run"} << 2 << "usage: bbstatsd";
    QTest::newRow("serve without db") << QStringList{"serve"} << 2 << "serve needs --db DB";
    QTest::newRow("bad listen address")
        << QStringList{"serve", "--db", "x.db", "--listen", "bad..host:80"} << 2
        << "--listen bad..host:80: expected IPV4-ADDRESS:PORT";
    QTest::newRow("bad news date") << QStringList{"serve", "--db", "x.db", "--today", "2023-02-29"}
                                   << 2 << "--today 2023-02-29: expected a date YYYY-MM-DD";
    QTest::newRow("missing database")
        << QStringList{"serve", "--db", "/nonexistent/lahman.db", "--listen", "127.0.0.1:0"} << 1
        << "bbstatsd: statistics file /nonexistent/lahman.db does not exist";
    QTest::newRow("missing content folder")
        << QStringList{"serve",
                       "--db",
                       qEnvironmentVariable("BBSTATS_TEST_DB"),
                       "--listen",
                       "127.0.0.1:0",
                       "--content",
                       "/nonexistent/content"}
        << 1 << "bbstatsd: content folder /nonexistent/content does not exist";
    QTest::newRow("import from a missing folder")
        << QStringList{"import", "/nonexistent/lahman", "/nonexistent/out.db"} << 1
        << "bbstatsd: import failed: ";
    QTest::newRow("usage of a missing file")
        << QStringList{"usage", "--events", "/nonexistent/events.db"} << 1
        << "bbstatsd: events file /nonexistent/events.db does not exist";
}

void TestServer::commandErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QProcess process;
    process.start(m_binary, arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(errors.contains(message), qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestServer)
#include "test_server.moc"
