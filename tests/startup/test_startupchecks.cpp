// The start-up server checks against real servers: the version check and the
// update notice against bbstatsd with version tables and notice texts made by
// the test, and the start-up upload against the FTP receiver (pyftpdlib).

#include <QtTest>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTcpServer>
#include <QTemporaryDir>

#include <zlib.h>

#include "protocol/httpcli.h"
#include "startup/startping.h"
#include "startup/tform12.h"
#include "startup/versioncheck.h"
#include "tests/support/testservice.h"

namespace {

const QString Site = QStringLiteral("http://site.test/");
const QString Download = QStringLiteral("http://site.test/download.html");
const QString FtpUser = QStringLiteral("marker");
const QString FtpPassword = QStringLiteral("secret");

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The bytes a gzip file holds.
QByteArray gunzip(const QByteArray& packed) {
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK) {
        return {};
    }
    QByteArray out(4096, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&stream, Z_FINISH);
    out.truncate(static_cast<qsizetype>(stream.total_out));
    inflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray("<not a whole gzip stream>");
}

} // namespace

// Stands in for the browser: records what would be opened.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class TestStartupChecks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void versionTable_data();
    void versionTable();
    void noticeTexts_data();
    void noticeTexts();
    void noticeLinkOpensOnlyWebAddresses_data();
    void noticeLinkOpensOnlyWebAddresses();
    void startPingUploadsThePreviousMarker();
    void startPingIgnoresFailures_data();
    void startPingIgnoresFailures();

private:
    OpenedUrls m_urls;
};

void TestStartupChecks::initTestCase() {
    for (const char* scheme : {"http", "https", "file", "mailto", "javascript"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_urls, "open");
    }
}

void TestStartupChecks::cleanupTestCase() {
    for (const char* scheme : {"http", "https", "file", "mailto", "javascript"}) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
}

void TestStartupChecks::versionTable_data() {
    QTest::addColumn<QByteArray>("table"); // null: the service is unreachable
    QTest::addColumn<bool>("updateRequired");
    const QByteArray other = "1\r\nhttp://other.test/\r\n9.9\r\n";
    QTest::newRow("current") << QByteArray("1\r\nhttp://site.test/\r\n2.0\r\n") << false;
    QTest::newRow("two active rows, the later current")
        << QByteArray("1\r\nhttp://site.test/\r\n1.0\r\n") + other +
               "1\r\nhttp://site.test/\r\n2.0\r\n"
        << false;
    QTest::newRow("two active rows, the later old")
        << QByteArray("1\r\nhttp://site.test/\r\n2.0\r\n1\r\nhttp://site.test/\r\n1.9\r\n") << true;
    QTest::newRow("inactive row only") << QByteArray("0\r\nhttp://site.test/\r\n2.0\r\n") << true;
    QTest::newRow("inactive row after an active one")
        << QByteArray("1\r\nhttp://site.test/\r\n2.0\r\n0\r\nhttp://site.test/\r\n1.0\r\n")
        << false;
    QTest::newRow("trailing space") << QByteArray("1\r\nhttp://site.test/\r\n2.0 \r\n") << true;
    QTest::newRow("other sites only") << other << true;
    QTest::newRow("one line") << QByteArray("1\r\n") << true;
    QTest::newRow("two lines") << QByteArray("1\nhttp://site.test/\n") << true;
    QTest::newRow("last line without its end") << QByteArray("1\nhttp://site.test/\n2.0") << false;
    QTest::newRow("empty reply") << QByteArray("") << false;
    QTest::newRow("unreachable") << QByteArray() << false;
}

void TestStartupChecks::versionTable() {
    QFETCH(QByteArray, table);
    QFETCH(bool, updateRequired);
    TestService service;
    QString host = UnusedLoopbackHost();
    if (!table.isNull()) {
        const QString error = service.start({{QStringLiteral("versions.txt"), table}});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        host = service.host();
    }
    THttpCli client;
    QCOMPARE(VersionCheck::Run(client, host, Site, QStringLiteral("2.0")), updateRequired);
    QCOMPARE(client.URL(), host + QStringLiteral("/cgi-bin/verread.exe"));
    // The same answer from the text alone.
    if (!table.isNull()) {
        QCOMPARE(VersionCheck::RequiresUpdate(table, Site, QStringLiteral("2.0")), updateRequired);
    }
}

void TestStartupChecks::noticeTexts_data() {
    QTest::addColumn<QByteArray>("text"); // null: the service is unreachable
    QTest::addColumn<QStringList>("shown");
    const QStringList design = {
        QStringLiteral("Your version of the Baseball Database for the Internet"),
        QStringLiteral("executable file is out of date - new features have been added."),
        QStringLiteral(
            "Please visit our website at the link below to download the latest version."),
        Download};
    QTest::newRow("four lines, <URL>")
        << QByteArray("New version!\r\nGet it now.\r\nFollow the link:\r\n<URL>\r\n")
        << QStringList{QStringLiteral("New version!"), QStringLiteral("Get it now."),
                       QStringLiteral("Follow the link:"), Download};
    QTest::newRow("four lines, own link")
        << QByteArray("A\nB\nC\nhttp://other.test/get\n")
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                       QStringLiteral("http://other.test/get")};
    QTest::newRow("two lines") << QByteArray("A\r\nB\r\n")
                               << QStringList{QStringLiteral("A"), QStringLiteral("B"), design[2],
                                              design[3]};
    QTest::newRow("<URL> as line 3 only") << QByteArray("A\nB\n<URL>\n")
                                          << QStringList{QStringLiteral("A"), QStringLiteral("B"),
                                                         QStringLiteral("<URL>"), design[3]};
    QTest::newRow("unreachable") << QByteArray() << design;
}

void TestStartupChecks::noticeTexts() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, shown);
    TestService service;
    TForm12 notice;
    notice.SetNoticeHost(UnusedLoopbackHost());
    if (!text.isNull()) {
        const QString error = service.start({{QStringLiteral("baseballout.txt"), text}});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        notice.SetNoticeHost(service.host());
    }
    notice.SetDownloadLinkText(Download);
    notice.show();
    // Showing the notice fetches the text once it is on screen.
    QTRY_COMPARE(notice.Texts(), (NoticeTexts{shown[0], shown[1], shown[2], shown[3]}));
    QCOMPARE(notice.Label1->width(), notice.width() - 11);
    if (!text.isNull()) {
        QTRY_VERIFY(service.requestLog().contains(QStringLiteral("GET /baseballout.txt ")));
    }
}

void TestStartupChecks::noticeLinkOpensOnlyWebAddresses_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opened");
    QTest::newRow("http") << QStringLiteral("http://site.test/download.html") << true;
    QTest::newRow("https") << QStringLiteral("https://site.test/get?v=2") << true;
    QTest::newRow("file") << QStringLiteral("file:///etc/passwd") << false;
    QTest::newRow("script") << QStringLiteral("javascript:alert(1)") << false;
    QTest::newRow("mail") << QStringLiteral("mailto:a@site.test") << false;
    QTest::newRow("no scheme") << QStringLiteral("site.test/download") << false;
}

void TestStartupChecks::noticeLinkOpensOnlyWebAddresses() {
    QFETCH(QString, link);
    QFETCH(bool, opened);
    m_urls.opened.clear();
    TForm12 notice;
    notice.SetNoticeHost(UnusedLoopbackHost());
    notice.SetDownloadLinkText(link);
    notice.show();
    QVERIFY(QTest::qWaitForWindowExposed(&notice));
    // By mouse, then by keyboard on a second showing: both close the notice.
    QTest::mouseClick(notice.Label3, Qt::LeftButton);
    QVERIFY(!notice.isVisible());
    QCOMPARE(notice.result(), int(QDialog::Accepted));
    notice.show();
    QVERIFY(QTest::qWaitForWindowExposed(&notice));
    notice.Label3->setFocus();
    QTest::keyClick(notice.Label3, Qt::Key_Return);
    QVERIFY(!notice.isVisible());
    QCOMPARE(m_urls.opened.size(), opened ? 2 : 0);
    if (opened) {
        QCOMPARE(m_urls.opened[0], QUrl(link));
    }
}

void TestStartupChecks::startPingUploadsThePreviousMarker() {
    TestFtpServer server;
    const QString error = server.start(FtpUser, FtpPassword);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTemporaryDir work;
    const QString marker = work.filePath(StartPing::MarkerFile());
    StartPing ping({server.host(), FtpUser, FtpPassword}, work.path());

    // The first start of a copy uploads nothing and leaves a marker.
    StartPingOutcome first = ping.Run();
    QVERIFY(!first.markerFound);
    QVERIFY(first.markerWritten);
    QCOMPARE(gunzip(readFile(marker)), QByteArray("begin\r\n"));
    QVERIFY(!QFile::exists(work.filePath(StartPing::TextFile())));
    QCOMPARE(server.uploads(), QStringList());

    // Every later start uploads the marker of the start before under a fresh
    // random name, byte for byte, and leaves a new one.
    QStringList names;
    for (int start = 0; start < 3; ++start) {
        const QByteArray previous = readFile(marker);
        const StartPingOutcome outcome = ping.Run();
        QVERIFY(outcome.markerFound);
        QVERIFY2(outcome.upload.ok, qPrintable(outcome.upload.error));
        bool number = false;
        const qint64 value = outcome.remoteName.toLongLong(&number);
        QVERIFY2(number && value >= 0 && value < 99999999, qPrintable(outcome.remoteName));
        QCOMPARE(readFile(server.folder() + QLatin1Char('/') + outcome.remoteName), previous);
        QVERIFY(outcome.markerWritten);
        QCOMPARE(gunzip(readFile(marker)), QByteArray("begin\r\n"));
        QVERIFY(!QFile::exists(work.filePath(StartPing::TextFile())));
        names.append(outcome.remoteName);
    }
    names.removeDuplicates();
    QCOMPARE(server.uploads().size(), names.size());
}

void TestStartupChecks::startPingIgnoresFailures_data() {
    QTest::addColumn<QString>("failure");
    QTest::newRow("nobody listens") << QStringLiteral("dead");
    QTest::newRow("wrong password") << QStringLiteral("password");
    QTest::newRow("server never answers") << QStringLiteral("silent");
    QTest::newRow("unresolvable host") << QStringLiteral("name");
}

void TestStartupChecks::startPingIgnoresFailures() {
    QFETCH(QString, failure);
    TestFtpServer server;
    QTcpServer silent;
    FtpTarget target{UnusedLoopbackHost(), FtpUser, FtpPassword};
    if (failure == QLatin1String("password")) {
        const QString error = server.start(FtpUser, FtpPassword);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        target = {server.host(), FtpUser, QStringLiteral("wrong")};
    } else if (failure == QLatin1String("silent")) {
        // Accepts the connection and never greets.
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        target.host = QStringLiteral("127.0.0.1:%1").arg(silent.serverPort());
    } else if (failure == QLatin1String("name")) {
        target.host = QStringLiteral("bad..host:21");
    }
    QTemporaryDir work;
    const QString marker = work.filePath(StartPing::MarkerFile());
    QFile old(marker);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous marker");
    old.close();
    StartPing ping(target, work.path());
    ping.SetStepTimeoutMs(1000);
    const StartPingOutcome outcome = ping.Run();
    QVERIFY(outcome.markerFound);
    QVERIFY(!outcome.upload.ok);
    QVERIFY(!outcome.upload.error.isEmpty());
    // The start is not counted, and the next one has a marker all the same.
    QVERIFY(outcome.markerWritten);
    QCOMPARE(gunzip(readFile(marker)), QByteArray("begin\r\n"));
    QCOMPARE(server.uploads(), QStringList());
}

QTEST_MAIN(TestStartupChecks)
#include "test_startupchecks.moc"
