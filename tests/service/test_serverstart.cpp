// bbstatsd while it starts, on the real data (BBSTATS_TEST_DB), which takes seconds to load:
// from the first connection it accepts until it serves, every request but the health path is
// answered 503 "loading" with Retry-After, never 404, and no connection is refused in between.

#include <map>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/service/httpprobe.h"

namespace {

// A port of 127.0.0.1 free a moment ago: bound with port 0, read back, closed.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

} // namespace

class TestServerStart : public QObject {
    Q_OBJECT

private slots:
    void loadingAnswersEveryPathUntilReady();
};

void TestServerStart::loadingAnswersEveryPathUntilReady() {
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    QVERIFY2(QFile::exists(db), "the imported test database is missing (BBSTATS_TEST_DB)");
    QTemporaryDir dir;
    const int port = freePort();
    QVERIFY(port > 0);
    QProcess service;
    service.setProcessChannelMode(QProcess::ForwardedChannels);
    service.start(qEnvironmentVariable("BBSTATS_BINARY_DIR") + "/bbstatsd",
                  {"serve", "--db", db, "--listen", "127.0.0.1:" + QString::number(port),
                   "--events", dir.filePath("events.db")});
    QVERIFY(service.waitForStarted());

    const std::string page = "0!2!300!\r\n*\r\n\x1a";
    // Each request and the status it gets once the service serves.
    const std::map<std::string, std::pair<std::string, int>> requests = {
        {"batters", {httpprobe::post("/cgi-bin/getbat.exe", page), 200}},
        {"pitchers", {httpprobe::post("/cgi-bin/getpit.exe", page), 200}},
        {"fielders", {httpprobe::post("/cgi-bin/getfield.exe", page), 200}},
        {"teams", {httpprobe::post("/cgi-bin/getbaseteam.exe", page), 200}},
        {"batters, career lines", {httpprobe::post("/cgi-bin/getbat.exe?lines=career", page), 200}},
        {"CSV export",
         {httpprobe::post("/cgi-bin/getbat.csv", "0!0!300!\r\nAAaron, Hank\r\n*\r\n\x1a"), 200}},
        {"content", {httpprobe::get("/cgi-bin/verread.exe"), 200}},
        {"no such path", {httpprobe::get("/no/such/path"), 404}}};
    std::map<std::string, int> loadingAnswers;
    bool accepted = false;
    bool serving = false;
    QDeadlineTimer deadline(240000);
    // Round after round until the service serves, then one whole round more.
    for (int roundsServing = 0; roundsServing < 2 && !deadline.hasExpired();) {
        QVERIFY2(service.state() == QProcess::Running, "bbstatsd ended while starting");
        for (const auto& [name, request] : requests) {
            const httpprobe::Reply reply = httpprobe::exchange("127.0.0.1", port, request.first);
            if (!reply.connected) {
                QVERIFY2(!accepted, qPrintable(QString::fromStdString(
                                        name + ": refused after the service accepted one")));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                break;
            }
            accepted = true;
            if (reply.status == 503 && reply.body == "loading\r\n") {
                QVERIFY2(!serving, qPrintable(QString::fromStdString(name + ": loading again")));
                QCOMPARE(reply.headers.count("retry-after"), std::size_t(1));
                ++loadingAnswers[name];
            } else {
                serving = true;
                QVERIFY2(reply.status == request.second,
                         qPrintable(QString::fromStdString(name + ": " + reply.statusLine)));
            }
        }
        roundsServing += serving ? 1 : 0;
    }
    QVERIFY2(serving, "the service did not serve within 240 s");
    // Every path was seen loading: the test looked before the tables were ready.
    for (const auto& [name, request] : requests) {
        QVERIFY2(loadingAnswers[name] > 0, name.c_str());
    }
    const httpprobe::Reply health =
        httpprobe::exchange("127.0.0.1", port, httpprobe::get("/healthz"));
    QCOMPARE(health.status, 200);
    QVERIFY(health.body.starts_with("ready\r\n"));
    service.terminate();
    QVERIFY(service.waitForFinished(30000));
    QCOMPARE(service.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestServerStart)
#include "test_serverstart.moc"
