#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QBuffer>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include "protocol/httpcli.h"
#include "tests/protocol/recordingserver.h"

namespace {

// What one Get or Post gave back.
struct Outcome {
    bool raised = false;
    QString message;
    int code = 0;
    QByteArray body;
};

Outcome run(THttpCli& client, bool post = false, const QByteArray& requestBody = {}) {
    Outcome outcome;
    QByteArray requestBytes = requestBody;
    QBuffer request(&requestBytes);
    request.open(QIODevice::ReadOnly);
    QBuffer reply(&outcome.body);
    reply.open(QIODevice::WriteOnly);
    if (post)
        client.setSendStream(&request);
    client.setRcvdStream(&reply);
    try {
        if (post)
            client.Post();
        else
            client.Get();
    } catch (const EHttpException& error) {
        outcome.raised = true;
        outcome.message = error.Message();
        outcome.code = error.ErrorCode();
    }
    client.setSendStream(nullptr);
    client.setRcvdStream(nullptr);
    return outcome;
}

const QByteArray AcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
const QByteArray AgentLine = "User-Agent: Mozilla/3.0 (compatible)\r\n";
const QByteArray FormLine = "Content-Type: application/x-www-form-urlencoded\r\n";
const QByteArray PageBody = "0!30!300!\r\n*\r\n\x1a";

} // namespace

class TestHttpCli : public QObject {
    Q_OBJECT
private slots:
    void designValues();
    void requestBytes_data();
    void requestBytes();
    void statusAndHeaders();
    void bodyStopsAtContentLength();
    void emptyBody_data();
    void emptyBody();
    void headerlessReply_data();
    void headerlessReply();
    void errorStatusRaises_data();
    void errorStatusRaises();
    void malformedReplyFails_data();
    void malformedReplyFails();
    void redirects_data();
    void redirects();
    void redirectLimit_data();
    void redirectLimit();
    void connectionRefused();
    void unresolvableHost();
    void readTimeout();
    void trickledReplyMeetsDeadline();
    void locationOnRedirectStatusOnly_data();
    void locationOnRedirectStatusOnly();
    void connectTimeout();
    void busyWhileWaitingAndTimersRun();
    void nothingToPost();
    void abortDuringRequest();
    void stateSequence();
    void clientDeletedDuringWait();
};

void TestHttpCli::designValues() {
    THttpCli client;
    QCOMPARE(client.ProxyPort(), QStringLiteral("80"));
    QCOMPARE(client.Agent(), QStringLiteral("Mozilla/3.0 (compatible)"));
    QCOMPARE(client.Accept(),
             QStringLiteral("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*"));
    QCOMPARE(client.ContentTypePost(), QStringLiteral("application/x-www-form-urlencoded"));
    QCOMPARE(client.NoCache(), false);
    QCOMPARE(client.MultiThreaded(), false);
    QCOMPARE(client.state(), THttpCli::State::Ready);
}

void TestHttpCli::requestBytes_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<QString>("proxyPort");
    QTest::addColumn<QString>("proxyUser");
    QTest::addColumn<bool>("post");
    QTest::addColumn<bool>("extras");
    QTest::addColumn<QByteArray>("expected");

    // %P stands for the recording server's port.
    QTest::newRow("get, no scheme, port") << "127.0.0.1:%P/cgi-bin/verread.exe"
                                          << ""
                                          << "80"
                                          << "" << false << false
                                          << "GET /cgi-bin/verread.exe HTTP/1.0\r\n" + AcceptLine +
                                                 AgentLine + "Host: 127.0.0.1\r\n\r\n";
    QTest::newRow("get, no path") << "http://127.0.0.1:%P"
                                  << ""
                                  << "80"
                                  << "" << false << false
                                  << "GET / HTTP/1.0\r\n" + AcceptLine + AgentLine +
                                         "Host: 127.0.0.1\r\n\r\n";
    QTest::newRow("post direct") << "http://127.0.0.1:%P/cgi-bin/getbat.exe"
                                 << ""
                                 << "80"
                                 << "" << true << false
                                 << "POST /cgi-bin/getbat.exe HTTP/1.0\r\n" + AcceptLine +
                                        FormLine + AgentLine +
                                        "Host: 127.0.0.1\r\nContent-Length: 15\r\n\r\n" + PageBody;
    QTest::newRow("user in url")
        << "fan:secret@127.0.0.1:%P/x"
        << ""
        << "80"
        << "" << false << false
        << "GET /x HTTP/1.0\r\n" + AcceptLine + AgentLine +
               "Host: 127.0.0.1\r\nAuthorization: Basic ZmFuOnNlY3JldA==\r\n\r\n";
    QTest::newRow("proxy, url without port")
        << "127.0.0.9/cgi-bin/getbat.exe"
        << "127.0.0.1"
        << "%P"
        << "" << false << false
        << "GET http://127.0.0.9/cgi-bin/getbat.exe HTTP/1.0\r\n" + AcceptLine + AgentLine +
               "Host: 127.0.0.9\r\n\r\n";
    QTest::newRow("proxy with own port and user")
        << "127.0.0.9:8461/cgi-bin/getbat.exe"
        << "127.0.0.1:%P"
        << "1"
        << "user" << true << false
        << "POST http://127.0.0.9:8461/cgi-bin/getbat.exe HTTP/1.0\r\n" + AcceptLine + FormLine +
               AgentLine + "Host: 127.0.0.9\r\nContent-Length: 15\r\n" +
               "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n" + PageBody;
    QTest::newRow("proxy user without proxy")
        << "127.0.0.1:%P/x"
        << ""
        << "80"
        << "user" << false << false
        << "GET /x HTTP/1.0\r\n" + AcceptLine + AgentLine + "Host: 127.0.0.1\r\n\r\n";
    QTest::newRow("every header")
        << "fan:secret@127.0.0.9:8461/a"
        << "127.0.0.1"
        << "%P"
        << "user" << true << true
        << "POST http://127.0.0.9:8461/a HTTP/1.0\r\nFrom: fan@localhost\r\n" + AcceptLine +
               "Referer: http://127.0.0.1/start\r\n" + FormLine + AgentLine +
               "Host: 127.0.0.9\r\nPragma: no-cache\r\nContent-Length: 15\r\n"
               "If-Modified-Since: Tue, 08 Dec 2026 01:02:03 GMT\r\n"
               "Authorization: Basic ZmFuOnNlY3JldA==\r\n"
               "Proxy-Authorization: Basic dXNlcjpwYXNz\r\nCookie: a=1\r\n"
               "Range: bytes=100-199\r\n\r\n" +
               PageBody;
    QTest::newRow("no scheme, a URL in the query")
        << "127.0.0.1:%P/999addlog.asp?Q=MENUCLICK,http://127.0.0.9/a,s,0"
        << ""
        << "80"
        << "" << false << false
        << "GET /999addlog.asp?Q=MENUCLICK,http://127.0.0.9/a,s,0 HTTP/1.0\r\n" + AcceptLine +
               AgentLine + "Host: 127.0.0.1\r\n\r\n";
    QTest::newRow("blanks and line breaks encoded")
        << "127.0.0.1:%P/999addlog.asp?Q=IN,bat,0,12 s\r\nX: y"
        << ""
        << "80"
        << "" << false << false
        << "GET /999addlog.asp?Q=IN,bat,0,12%20s%0D%0AX:%20y HTTP/1.0\r\n" + AcceptLine +
               AgentLine + "Host: 127.0.0.1\r\n\r\n";
}

void TestHttpCli::requestBytes() {
    QFETCH(QString, url);
    QFETCH(QString, proxy);
    QFETCH(QString, proxyPort);
    QFETCH(QString, proxyUser);
    QFETCH(bool, post);
    QFETCH(bool, extras);
    QFETCH(QByteArray, expected);

    RecordingServer server;
    QVERIFY(server.isListening());
    const QString port = QString::number(server.port());
    THttpCli client;
    client.setURL(QString(url).replace(QStringLiteral("%P"), port));
    client.setProxy(QString(proxy).replace(QStringLiteral("%P"), port));
    client.setProxyPort(QString(proxyPort).replace(QStringLiteral("%P"), port));
    client.setProxyUsername(proxyUser);
    client.setProxyPassword(QStringLiteral("pass"));
    if (extras) {
        client.setSender(QStringLiteral("fan@localhost"));
        client.setReference(QStringLiteral("http://127.0.0.1/start"));
        client.setNoCache(true);
        client.setModifiedSince(QDateTime(QDate(2026, 12, 8), QTime(1, 2, 3), Qt::UTC));
        client.setCookie(QStringLiteral("a=1"));
        client.setContentRangeBegin(QStringLiteral("100"));
        client.setContentRangeEnd(QStringLiteral("199"));
    }
    const Outcome outcome = run(client, post, PageBody);
    QVERIFY2(!outcome.raised, qPrintable(outcome.message));
    QCOMPARE(outcome.body, QByteArray("hello"));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().first(), expected.replace("%P", port.toLatin1()));
}

void TestHttpCli::statusAndHeaders() {
    RecordingServer server;
    server.setReply("HTTP/1.1 201 Created\r\ncontent-TYPE: text/csv\r\nSet-Cookie: s=2\r\n"
                    "Accept-Ranges: bytes\r\nContent-Range: bytes 0-3/9\r\n"
                    "WWW-Authenticate: Basic realm=\"x\"\r\n\r\nbody");
    THttpCli client;
    client.setURL(server.hostPort() + QStringLiteral("/x"));
    const Outcome outcome = run(client);
    QVERIFY(!outcome.raised);
    QCOMPARE(client.StatusCode(), 201);
    QCOMPARE(client.ReasonPhrase(), QStringLiteral("Created"));
    QCOMPARE(client.ContentType(), QStringLiteral("text/csv"));
    QCOMPARE(client.SetCookie(), QStringLiteral("s=2"));
    QCOMPARE(client.AcceptRanges(), QStringLiteral("bytes"));
    QCOMPARE(client.ContentRange(), QStringLiteral("bytes 0-3/9"));
    QCOMPARE(client.WWWAuthenticate(), QStringLiteral("Basic realm=\"x\""));
    QCOMPARE(outcome.body, QByteArray("body"));
}

void TestHttpCli::bodyStopsAtContentLength() {
    RecordingServer server;
    server.setHoldOpen(true);
    server.setReply("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef");
    THttpCli client;
    client.setURL(server.hostPort() + QStringLiteral("/x"));
    const Outcome outcome = run(client);
    QVERIFY(!outcome.raised);
    QCOMPARE(outcome.body, QByteArray("abc"));
    QCOMPARE(client.ContentLength(), 3);
}

void TestHttpCli::emptyBody_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("closed") << QByteArray("HTTP/1.0 200 OK\r\n\r\n");
    QTest::newRow("content-length 0") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
}

void TestHttpCli::emptyBody() {
    QFETCH(QByteArray, reply);
    RecordingServer server;
    server.setReply(reply);
    THttpCli client;
    client.setURL(server.hostPort());
    const Outcome outcome = run(client);
    QVERIFY(!outcome.raised);
    QCOMPARE(client.StatusCode(), 200);
    QCOMPARE(client.ReasonPhrase(), QStringLiteral("OK"));
    QVERIFY(outcome.body.isEmpty());
    QCOMPARE(client.state(), THttpCli::State::Ready);
}

void TestHttpCli::headerlessReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("upper case") << QByteArray("<HTML><BODY>Down for maintenance</BODY></HTML>\r\n");
    QTest::newRow("lower case") << QByteArray("<html>\nno header\n");
    QTest::newRow("mixed case, no line end") << QByteArray("<HtMl>");
}

void TestHttpCli::headerlessReply() {
    QFETCH(QByteArray, reply);
    RecordingServer server;
    server.setReply(reply);
    THttpCli client;
    client.setURL(server.hostPort());
    const Outcome outcome = run(client);
    QVERIFY(!outcome.raised);
    QCOMPARE(client.StatusCode(), 0);
    QCOMPARE(client.ContentType(), QStringLiteral("text/html"));
    QCOMPARE(outcome.body, reply);
}

void TestHttpCli::errorStatusRaises_data() {
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::newRow("404") << QByteArray("HTTP/1.0 404 Not Found") << 404 << "Not Found";
    QTest::newRow("500") << QByteArray("HTTP/1.1 500 Internal Server Error") << 500
                         << "Internal Server Error";
    QTest::newRow("400 from the service")
        << QByteArray("HTTP/1.1 400 bad sort code") << 400 << "bad sort code";
}

void TestHttpCli::errorStatusRaises() {
    QFETCH(QByteArray, statusLine);
    QFETCH(int, status);
    QFETCH(QString, reason);
    // The server keeps the connection open: the client must stop after the
    // status line and close by itself.
    RecordingServer server;
    server.setHoldOpen(true);
    server.setReply(statusLine + "\r\nContent-Type: text/plain\r\n\r\nerror body");
    THttpCli client;
    client.setURL(server.hostPort());
    const Outcome outcome = run(client);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.code, status);
    QCOMPARE(outcome.message, reason);
    QCOMPARE(client.StatusCode(), status);
    QVERIFY(outcome.body.isEmpty());
    QTRY_COMPARE(server.clientCloses(), 1);
}

void TestHttpCli::malformedReplyFails_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("no reply") << QByteArray() << "connection closed without a reply";
    QTest::newRow("no status line")
        << QByteArray("garbage\r\n\r\nbody") << "reply without a status line";
    QTest::newRow("bad status") << QByteArray("HTTP/1.0 2x0 OK\r\n\r\n")
                                << "reply with a bad status line";
    QTest::newRow("header cut off") << QByteArray("HTTP/1.0 200 OK\r\nContent-Ty")
                                    << "connection closed inside the reply header";
    QTest::newRow("body cut short")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd")
        << "connection closed after 4 of 10 body bytes";
}

void TestHttpCli::malformedReplyFails() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    RecordingServer server;
    server.setReply(reply);
    THttpCli client;
    client.setURL(server.hostPort());
    const Outcome outcome = run(client);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.message, message);
    QCOMPARE(outcome.code, 404);
}

void TestHttpCli::redirects_data() {
    QTest::addColumn<QString>("startPath");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QByteArray>("expectedRequestLine");
    QTest::addColumn<bool>("toSecondServer");
    QTest::newRow("relative to host") << "/dir/page"
                                      << "/final" << QByteArray("GET /final HTTP/1.0") << false;
    QTest::newRow("relative to path")
        << "/dir/page"
        << "next?a=1" << QByteArray("GET /dir/next?a=1 HTTP/1.0") << false;
    QTest::newRow("absolute") << "/dir/page"
                              << "http://%S/other" << QByteArray("GET /other HTTP/1.0") << true;
}

void TestHttpCli::redirects() {
    QFETCH(QString, startPath);
    QFETCH(QString, location);
    QFETCH(QByteArray, expectedRequestLine);
    QFETCH(bool, toSecondServer);
    RecordingServer first;
    RecordingServer second(QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(second.isListening());
    const QString target = QString(location).replace(QStringLiteral("%S"), second.hostPort());
    first.setResponder([target](const QByteArray& request) {
        if (request.startsWith("GET /dir/page "))
            return HttpReply("302 Found", "moved", "Location: " + target.toLatin1() + "\r\n");
        return HttpReply("200 OK", "arrived");
    });
    second.setReply(HttpReply("200 OK", "arrived"));
    THttpCli client;
    client.setURL(first.hostPort() + startPath);
    const Outcome outcome = run(client);
    QVERIFY2(!outcome.raised, qPrintable(outcome.message));
    QCOMPARE(outcome.body, QByteArray("arrived"));
    QCOMPARE(client.StatusCode(), 200);
    const RecordingServer& finalServer = toSecondServer ? second : first;
    QVERIFY(!finalServer.requests().isEmpty());
    const QByteArray last = finalServer.requests().last();
    QCOMPARE(last.left(last.indexOf("\r\n")), expectedRequestLine);
    const QByteArray finalHost = toSecondServer ? "127.0.0.2" : "127.0.0.1";
    QVERIFY(last.contains("\r\nHost: " + finalHost + "\r\n"));
}

void TestHttpCli::redirectLimit_data() {
    QTest::addColumn<int>("hops");
    QTest::addColumn<bool>("raises");
    QTest::newRow("5 followed") << 5 << false;
    QTest::newRow("6 refused") << 6 << true;
}

void TestHttpCli::redirectLimit() {
    QFETCH(int, hops);
    QFETCH(bool, raises);
    RecordingServer server;
    server.setResponder([hops](const QByteArray& request) {
        const int hop = request.mid(5, request.indexOf(' ', 5) - 5).toInt();
        if (hop < hops)
            return HttpReply("302 Found", "", "Location: /" + QByteArray::number(hop + 1) + "\r\n");
        return HttpReply("200 OK", "end");
    });
    THttpCli client;
    client.setURL(server.hostPort() + QStringLiteral("/0"));
    const Outcome outcome = run(client);
    QCOMPARE(outcome.raised, raises);
    if (raises) {
        QCOMPARE(outcome.message, QStringLiteral("more than 5 redirections"));
        QCOMPARE(server.requests().size(), 6);
    } else {
        QCOMPARE(outcome.body, QByteArray("end"));
        QCOMPARE(server.requests().size(), 6);
    }
}

void TestHttpCli::connectionRefused() {
    quint16 port = 0;
    {
        RecordingServer gone;
        port = gone.port();
    }
    THttpCli client;
    client.setURL(QStringLiteral("127.0.0.1:%1/cgi-bin/getbat.exe").arg(port));
    const Outcome outcome = run(client, true, PageBody);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.code, 404);
    QCOMPARE(outcome.message, QStringLiteral("can't connect: Connection refused (Error #111)"));
    QCOMPARE(client.StatusCode(), 404);
    QCOMPARE(client.state(), THttpCli::State::Ready);
}

void TestHttpCli::unresolvableHost() {
    THttpCli client;
    client.setURL(QStringLiteral("bad..host/cgi-bin/getbat.exe"));
    const Outcome outcome = run(client);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.code, 404);
    QCOMPARE(outcome.message, QStringLiteral("can't resolve hostname to IP address"));
}

void TestHttpCli::readTimeout() {
    RecordingServer server;
    server.setReplyDelay(60000);
    THttpCli client;
    client.setTimeouts(1000, 200);
    client.setURL(server.hostPort());
    const Outcome outcome = run(client);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.message, QStringLiteral("Connection timed out (Error #110)"));
    QCOMPARE(client.StatusCode(), 404);
}

// A reply that comes a byte every 50 ms never meets the 200 ms read time-out, but the whole
// exchange ends at its deadline, four read time-outs.
void TestHttpCli::trickledReplyMeetsDeadline() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QByteArray reply = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n";
    QTimer trickle;
    int sent = 0;
    QPointer<QTcpSocket> peer;
    connect(&server, &QTcpServer::newConnection, [&] { peer = server.nextPendingConnection(); });
    connect(&trickle, &QTimer::timeout, [&] {
        if (peer)
            peer->write(sent < reply.size() ? reply.mid(sent++, 1) : QByteArray("x"));
    });
    trickle.start(50);
    THttpCli client;
    client.setTimeouts(1000, 200);
    client.setURL(QStringLiteral("127.0.0.1:%1/x").arg(server.serverPort()));
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = run(client);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.code, 404);
    QCOMPARE(outcome.message, QStringLiteral("no complete reply within 0.8 s"));
    QVERIFY(sent > 10);
    QCOMPARE(client.state(), THttpCli::State::Ready);
}

void TestHttpCli::locationOnRedirectStatusOnly_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<bool>("followed");
    QTest::newRow("200") << QByteArray("200 OK") << false;
    QTest::newRow("201") << QByteArray("201 Created") << false;
    QTest::newRow("300") << QByteArray("300 Multiple Choices") << false;
    QTest::newRow("304") << QByteArray("304 Not Modified") << false;
    QTest::newRow("301") << QByteArray("301 Moved Permanently") << true;
    QTest::newRow("302") << QByteArray("302 Found") << true;
    QTest::newRow("303") << QByteArray("303 See Other") << true;
    QTest::newRow("307") << QByteArray("307 Temporary Redirect") << true;
    QTest::newRow("308") << QByteArray("308 Permanent Redirect") << true;
}

void TestHttpCli::locationOnRedirectStatusOnly() {
    QFETCH(QByteArray, status);
    QFETCH(bool, followed);
    RecordingServer server;
    server.setResponder([status](const QByteArray& request) {
        if (request.startsWith("GET /start "))
            return HttpReply(status, "here", "Location: /moved\r\n");
        return HttpReply("200 OK", "moved");
    });
    THttpCli client;
    client.setURL(server.hostPort() + QStringLiteral("/start"));
    const Outcome outcome = run(client);
    QVERIFY(!outcome.raised);
    QCOMPARE(outcome.body, followed ? QByteArray("moved") : QByteArray("here"));
    QCOMPARE(server.requests().size(), followed ? 2 : 1);
}

void TestHttpCli::connectTimeout() {
    // A listener with a full accept queue that never accepts: the kernel
    // drops further connection attempts, so they hang until the time-out.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    socklen_t length = sizeof address;
    QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
    QVERIFY(::listen(listener, 0) == 0);
    const quint16 port = ntohs(address.sin_port);
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(filler.waitForConnected(1000));
    QTcpSocket filler2;
    filler2.connectToHost(QHostAddress::LocalHost, port);
    filler2.waitForConnected(300);

    THttpCli client;
    client.setTimeouts(300, 1000);
    client.setURL(QStringLiteral("127.0.0.1:%1/x").arg(port));
    const Outcome outcome = run(client);
    ::close(listener);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.message, QStringLiteral("can't connect: Connection timed out (Error #110)"));
}

void TestHttpCli::busyWhileWaitingAndTimersRun() {
    RecordingServer server;
    server.setReplyDelay(300);
    THttpCli client;
    client.setURL(server.hostPort());
    int ticks = 0;
    Outcome second;
    QTimer timer;
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, this, [&] {
        if (++ticks != 1)
            return;
        try {
            client.Get();
        } catch (const EHttpException& error) {
            second.raised = true;
            second.message = error.Message();
            second.code = error.ErrorCode();
        }
    });
    timer.start();
    const Outcome first = run(client);
    timer.stop();
    qInfo("timer ticks during the request: %d", ticks);
    QVERIFY(ticks >= 1);
    QVERIFY(second.raised);
    QCOMPARE(second.message, QStringLiteral("HTTP component is busy"));
    QCOMPARE(second.code, EHttpException::ErrBusy);
    QVERIFY2(!first.raised, qPrintable(first.message));
    QCOMPARE(first.body, QByteArray("hello"));
    QCOMPARE(server.requests().size(), 1);
}

void TestHttpCli::nothingToPost() {
    THttpCli client;
    client.setURL(QStringLiteral("127.0.0.1:1/x"));
    try {
        client.Post();
        QFAIL("Post without a request stream returned");
    } catch (const EHttpException& error) {
        QCOMPARE(error.Message(), QStringLiteral("HTTP component has nothing to post"));
        QCOMPARE(error.ErrorCode(), EHttpException::ErrNothingToPost);
    }
    QCOMPARE(client.state(), THttpCli::State::Ready);
}

void TestHttpCli::abortDuringRequest() {
    RecordingServer server;
    server.setReplyDelay(60000);
    THttpCli client;
    client.setURL(server.hostPort());
    QSignalSpy states(&client, &THttpCli::OnStateChange);
    QTimer::singleShot(100, &client, [&client] { client.Abort(); });
    const Outcome outcome = run(client);
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.code, 404);
    QCOMPARE(outcome.message, QStringLiteral("Connection aborted on request"));
    QCOMPARE(client.ReasonPhrase(), QStringLiteral("Connection aborted on request"));
    QVERIFY(states.size() >= 3);
    QCOMPARE(states.at(states.size() - 3).at(0).value<THttpCli::State>(),
             THttpCli::State::Aborting);
    QCOMPARE(client.state(), THttpCli::State::Ready);
    // The client is usable again.
    server.setReplyDelay(0);
    QVERIFY(!run(client).raised);
}

void TestHttpCli::stateSequence() {
    RecordingServer server;
    THttpCli client;
    client.setURL(server.hostPort());
    QList<THttpCli::State> seen;
    connect(&client, &THttpCli::OnStateChange, this,
            [&seen](THttpCli::State state) { seen.append(state); });
    const Outcome outcome = run(client);
    QVERIFY(!outcome.raised);
    using S = THttpCli::State;
    const QList<S> expected{S::HostLookup,     S::HostLookupDone, S::Connected, S::WaitingForHeader,
                            S::WaitingForBody, S::NotConnected,   S::Ready};
    QCOMPARE(seen, expected);
}

void TestHttpCli::clientDeletedDuringWait() {
    RecordingServer server;
    server.setReplyDelay(60000);
    QPointer<THttpCli> client = new THttpCli;
    client->setURL(server.hostPort());
    QTimer::singleShot(100, this, [client] { delete client.data(); });
    try {
        client->Get();
        QFAIL("Get returned after its client was deleted");
    } catch (const EHttpException& error) {
        QCOMPARE(error.ErrorCode(), EHttpException::ErrDestroyed);
    }
    QVERIFY(client.isNull());
}

QTEST_MAIN(TestHttpCli)
#include "test_httpcli.moc"
