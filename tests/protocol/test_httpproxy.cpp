#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "protocol/httpcli.h"
#include "protocol/pagefetcher.h"
#include "protocol/playerlookup.h"
#include "tests/protocol/recordingserver.h"

namespace {

// A free loopback port: bind one, then let it go for the proxy.
quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool accepts(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

} // namespace

// The client through a real HTTP proxy that asks for Basic credentials.
class TestHttpProxy : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void throughProxy_data();
    void throughProxy();
    void serviceHostsCarryTheProxy();

private:
    QTemporaryDir m_dir;
    QProcess m_proxy;
    quint16 m_port = 0;
};

void TestHttpProxy::initTestCase() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
    QVERIFY2(!program.isEmpty(), "tinyproxy not found (Debian package tinyproxy-bin)");
    QVERIFY(m_dir.isValid());
    m_port = freePort();
    const QString config = m_dir.filePath(QStringLiteral("tinyproxy.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 30\nMaxClients 16\n"
                              "LogLevel Info\nLogFile \"%2\"\nPidFile \"%3\"\n"
                              "Allow 127.0.0.1\nBasicAuth user pass\nDisableViaHeader Yes\n")
                   .arg(m_port)
                   .arg(m_dir.filePath(QStringLiteral("tinyproxy.log")),
                        m_dir.filePath(QStringLiteral("tinyproxy.pid")))
                   .toUtf8());
    file.close();
    m_proxy.setProcessChannelMode(QProcess::MergedChannels);
    m_proxy.start(program, {QStringLiteral("-d"), QStringLiteral("-c"), config});
    QVERIFY2(m_proxy.waitForStarted(), qPrintable(m_proxy.errorString()));
    QVERIFY2(QTest::qWaitFor(
                 [this] { return accepts(m_port) || m_proxy.state() != QProcess::Running; }, 20000),
             "tinyproxy did not start listening");
    QVERIFY2(m_proxy.state() == QProcess::Running, m_proxy.readAll().constData());
}

void TestHttpProxy::cleanupTestCase() {
    if (m_proxy.state() != QProcess::NotRunning) {
        m_proxy.terminate();
        if (!m_proxy.waitForFinished(5000))
            m_proxy.kill();
        m_proxy.waitForFinished(5000);
    }
}

void TestHttpProxy::throughProxy_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("status");
    // The proxy asks for credentials with 407 and refuses wrong ones with 401.
    QTest::newRow("right credentials") << "user"
                                       << "pass" << 200;
    QTest::newRow("wrong password") << "user"
                                    << "wrong" << 401;
    QTest::newRow("no user name") << ""
                                  << "pass" << 407;
}

void TestHttpProxy::throughProxy() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, status);

    RecordingServer server;
    server.setReply(HttpReply("200 OK", "3\r\nA\r\nB\r\nC\r\n*\r\n"));
    THttpCli client;
    client.setURL(server.hostPort() + QStringLiteral("/cgi-bin/getbat.exe"));
    client.setProxy(QStringLiteral("127.0.0.1"));
    client.setProxyPort(QString::number(m_port));
    client.setProxyUsername(user);
    client.setProxyPassword(password);
    QByteArray requestBytes("0!0!A!\r\n*\r\n\x1a");
    QBuffer request(&requestBytes);
    request.open(QIODevice::ReadOnly);
    QByteArray replyBytes;
    QBuffer reply(&replyBytes);
    reply.open(QIODevice::WriteOnly);
    client.setSendStream(&request);
    client.setRcvdStream(&reply);

    int raised = 0;
    QString message;
    try {
        client.Post();
    } catch (const EHttpException& error) {
        raised = error.ErrorCode();
        message = error.Message();
    }
    QCOMPARE(client.StatusCode(), status);
    if (status == 200) {
        QCOMPARE(raised, 0);
        QCOMPARE(replyBytes, QByteArray("3\r\nA\r\nB\r\nC\r\n*\r\n"));
        QCOMPARE(server.requests().size(), 1);
        const QByteArray forwarded = server.requests().first();
        QVERIFY2(forwarded.startsWith("POST /cgi-bin/getbat.exe HTTP/1."), forwarded.constData());
        QVERIFY(forwarded.endsWith("\r\n\r\n0!0!A!\r\n*\r\n\x1a"));
        QVERIFY(!forwarded.contains("Proxy-Authorization"));
    } else {
        QCOMPARE(raised, status);
        QCOMPARE(message, client.ReasonPhrase());
        qInfo("proxy refused: %d %s", status, qPrintable(message));
        QVERIFY(!message.isEmpty());
        QVERIFY(server.requests().isEmpty());
    }
}

namespace {

// An exchange that only asks for lists, which read no records.
class ListExchange final : public PageExchange {
public:
    explicit ListExchange(const ServiceHosts& hosts)
        : PageExchange(QStringLiteral("/cgi-bin/getbat.exe"), hosts, hosts.Mirror3, 0) {}

protected:
    PageReplyResult ReadReply(std::string_view, int, int, std::uint32_t) override { return {}; }
    std::size_t RecordLines() const override { return 1; }
};

} // namespace

// Requests made from the service hosts alone (pick lists, the player search
// and page, charts, step counts) go through the proxy the hosts carry: with
// wrong credentials the proxy refuses them and no request reaches the service.
void TestHttpProxy::serviceHostsCarryTheProxy() {
    RecordingServer server;
    server.setReply(HttpReply("200 OK", "3\r\nA\r\nB\r\nC\r\n*\r\n"));
    ServiceHosts hosts{server.hostPort(), server.hostPort(), server.hostPort()};
    for (const QString& password : {QStringLiteral("wrong"), QStringLiteral("pass")}) {
        hosts.Proxy = {QStringLiteral("127.0.0.1"), QString::number(m_port), QStringLiteral("user"),
                       password};
        const bool admitted = password == QLatin1String("pass");
        THttpCli client;
        const std::optional<QByteArray> body = FetchFromHosts(client, hosts, "/players?q=ruth");
        QCOMPARE(body.has_value(), admitted);
        ListExchange exchange(hosts);
        const ListResult list = exchange.RequestList(ListKind::Years);
        QCOMPARE(list.result, admitted ? FetchResult::Done : FetchResult::Failed);
        if (admitted) {
            QCOMPARE(*body, QByteArray("3\r\nA\r\nB\r\nC\r\n*\r\n"));
            QCOMPARE(list.entries, (std::vector<std::string>{"A", "B", "C"}));
            QCOMPARE(server.requests().size(), 2);
            QVERIFY2(server.requests().first().startsWith("GET /players?q=ruth HTTP/1."),
                     server.requests().first().constData());
        } else {
            QVERIFY(server.requests().isEmpty());
        }
    }
}

QTEST_MAIN(TestHttpProxy)
#include "test_httpproxy.moc"
