#include <array>
#include <cstring>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "protocol/pagefetcher.h"

namespace {

// The first two batter lines (name and season); the other 29 are read past.
struct BatterRow {
    char PlayerName[26];
    char Year[5];
};

template <std::size_t N> void copyText(char (&field)[N], std::string_view line) {
    std::memset(field, 0, N);
    std::memcpy(field, line.data(), std::min(line.size(), N - 1));
}

RecordLayout<BatterRow> batterRows() {
    RecordLayout<BatterRow> layout;
    layout.initialCapacity = 90000;
    layout.readers.push_back(
        [](BatterRow& row, std::string_view line) { copyText(row.PlayerName, line); });
    layout.readers.push_back(
        [](BatterRow& row, std::string_view line) { copyText(row.Year, line); });
    while (layout.readers.size() < 31)
        layout.readers.push_back([](BatterRow&, std::string_view) {});
    return layout;
}

const QString BatPath = QStringLiteral("/cgi-bin/getbat.exe");

// A port of `host` free a moment ago: bound with port 0, read back, closed.
int freePort(const char* host) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, host, &address.sin_addr);
    socklen_t size = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

} // namespace

// Page fetches with fail-over against three running statistics services on
// the three loopback addresses of the primary host and its mirrors.
class TestServiceFailOver : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void failOverAcrossRunningServices();
    void loadingHostFailsOver();

private:
    void startService(int index, const QString& address);
    bool waitForService(int index);
    void stopService(int index);

    QTemporaryDir m_dir;
    std::array<std::unique_ptr<QProcess>, 3> m_services;
    std::array<QString, 3> m_hosts;
};

void TestServiceFailOver::startService(int index, const QString& address) {
    auto& process = m_services[static_cast<std::size_t>(index)];
    process = std::make_unique<QProcess>();
    process->start(QStringLiteral(BBSTATSD_PATH),
                   {QStringLiteral("serve"), QStringLiteral("--db"),
                    qEnvironmentVariable("BBSTATS_TEST_DB"), QStringLiteral("--listen"),
                    address + QStringLiteral(":0"), QStringLiteral("--events"),
                    m_dir.filePath(QStringLiteral("events%1.db").arg(index))});
}

bool TestServiceFailOver::waitForService(int index) {
    QProcess* process = m_services[static_cast<std::size_t>(index)].get();
    if (!process->waitForStarted())
        return false;
    // The service prints the address it bound, port included.
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QString output;
    const bool up = QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(process->readAllStandardOutput());
            return listening.match(output).hasMatch() || process->state() != QProcess::Running;
        },
        240000);
    const QRegularExpressionMatch match = listening.match(output);
    if (!up || !match.hasMatch()) {
        qWarning("bbstatsd did not start: %s %s", qPrintable(output),
                 process->readAllStandardError().constData());
        return false;
    }
    m_hosts[static_cast<std::size_t>(index)] = match.captured(1);
    return true;
}

void TestServiceFailOver::stopService(int index) {
    QProcess* process = m_services[static_cast<std::size_t>(index)].get();
    if (process == nullptr || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(20000))
        process->kill();
    process->waitForFinished(5000);
}

void TestServiceFailOver::initTestCase() {
    QVERIFY2(!qEnvironmentVariable("BBSTATS_TEST_DB").isEmpty(), "BBSTATS_TEST_DB is not set");
    QVERIFY(m_dir.isValid());
    // One after the other: each loads the whole database into memory.
    const QString addresses[] = {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"),
                                 QStringLiteral("127.0.0.3")};
    for (int i = 0; i < 3; ++i) {
        startService(i, addresses[i]);
        QVERIFY(waitForService(i));
    }
}

void TestServiceFailOver::cleanupTestCase() {
    for (int i = 0; i < 3; ++i)
        stopService(i);
}

void TestServiceFailOver::failOverAcrossRunningServices() {
    const RecordLayout<BatterRow> layout = batterRows();
    PageCache<BatterRow> cache(layout.initialCapacity);
    const ServiceHosts hosts{m_hosts[0], m_hosts[1], m_hosts[2]};
    PageFetcher<BatterRow> fetcher(layout, cache, BatPath, hosts, hosts.Mirror2,
                                   QueryState::DefaultSortCode);
    fetcher.HttpCli1().setTimeouts(60000, 60000);

    // All up: the view's first page comes from the second mirror.
    RefreshResult result = fetcher.RefreshView(0, 20);
    QVERIFY2(result.result == FetchResult::Done, qPrintable(result.message));
    QVERIFY(result.failures.isEmpty());
    const std::int32_t total = fetcher.TotalRecords();
    QVERIFY2(total > 100000, qPrintable(QString::number(total)));
    QCOMPARE(fetcher.GridRowCount(), total + 3);
    QVERIFY(cache.Capacity() >= total);
    QCOMPARE(QByteArray(fetcher.TotalsRecord().PlayerName), QByteArray("TOTALS"));
    for (int n = 0; n < 20; ++n) {
        const BatterRow row = cache.At(n);
        QVERIFY(std::strlen(row.PlayerName) > 0);
        QVERIFY(row.Year[0] == '1' || row.Year[0] == '2');
    }
    const ListResult leagues = fetcher.RequestList(ListKind::Leagues);
    QCOMPARE(leagues.result, FetchResult::Done);
    QVERIFY(std::find(leagues.entries.begin(), leagues.entries.end(), "AL") !=
            leagues.entries.end());
    QVERIFY(std::find(leagues.entries.begin(), leagues.entries.end(), "NL") !=
            leagues.entries.end());

    // Second mirror down: the third answers and keeps the URL.
    stopService(1);
    result = fetcher.RefreshView(100, 20);
    QVERIFY2(result.result == FetchResult::Done, qPrintable(result.message));
    QCOMPARE(result.failures.size(), 1);
    QCOMPARE(fetcher.HttpCli1().URL(), hosts.Mirror3 + BatPath);
    QCOMPARE(fetcher.TotalRecords(), total);
    QVERIFY(std::strlen(cache.At(100).PlayerName) > 0);

    // Third mirror down too: tried first again, then the primary answers.
    stopService(2);
    result = fetcher.RefreshView(200, 20);
    QVERIFY2(result.result == FetchResult::Done, qPrintable(result.message));
    QCOMPARE(result.failures.size(), 2);
    QVERIFY(result.failures.at(0).startsWith(hosts.Mirror3));
    QCOMPARE(fetcher.HttpCli1().URL(), hosts.Primary + BatPath);

    // All down: the failure reaches the caller, naming the hosts; nothing
    // the view had is lost.
    stopService(0);
    result = fetcher.RefreshView(300, 20);
    QCOMPARE(result.result, FetchResult::Failed);
    QCOMPARE(result.failures.size(), 3);
    QVERIFY(result.message.contains(hosts.Primary));
    QVERIFY(result.message.contains(hosts.Mirror3));
    QCOMPARE(fetcher.TotalRecords(), total);
    QVERIFY(std::strlen(cache.At(200).PlayerName) > 0);
    QCOMPARE(std::strlen(cache.At(300).PlayerName), std::size_t{0});
}

// A host that still loads its tables answers 503: the view moves on to the
// next host, and when every host answers so it says the service is starting.
void TestServiceFailOver::loadingHostFailsOver() {
    startService(0, QStringLiteral("127.0.0.1"));
    QVERIFY(waitForService(0));
    // The loading service on a port chosen here, as it names its port only
    // once it serves.
    const QString loading = QStringLiteral("127.0.0.2:%1").arg(freePort("127.0.0.2"));
    const QString nobody = QStringLiteral("127.0.0.3:%1").arg(freePort("127.0.0.3"));
    m_services[1] = std::make_unique<QProcess>();
    m_services[1]->start(QStringLiteral(BBSTATSD_PATH),
                         {QStringLiteral("serve"), QStringLiteral("--db"),
                          qEnvironmentVariable("BBSTATS_TEST_DB"), QStringLiteral("--listen"),
                          loading, QStringLiteral("--events"),
                          m_dir.filePath(QStringLiteral("events-loading.db"))});
    QVERIFY(m_services[1]->waitForStarted());

    const RecordLayout<BatterRow> layout = batterRows();
    PageCache<BatterRow> cache(layout.initialCapacity);
    PageFetcher<BatterRow> everyHostLoading(layout, cache, BatPath, {loading, loading, loading},
                                            loading, QueryState::DefaultSortCode);
    const QString busy = QStringLiteral("the service is starting or busy; try again in a moment");
    // Until the service accepts connections its hosts are down; it may start
    // to listen between two of a fetch's tries, so the fetch is repeated
    // until every try meets the loading service.
    const QString everyTryBusy =
        QStringLiteral("Tried %1, %1, %1: ").arg(loading) + busy + QLatin1Char('.');
    RefreshResult result;
    QVERIFY(QTest::qWaitFor(
        [&] {
            result = everyHostLoading.RefreshView(0, 20);
            return result.message == everyTryBusy || m_services[1]->state() != QProcess::Running;
        },
        60000));
    QCOMPARE(result.result, FetchResult::Failed);
    QCOMPARE(result.message, everyTryBusy);

    // The second mirror loads, the third is down: the primary gives the page.
    PageFetcher<BatterRow> fetcher(layout, cache, BatPath, {m_hosts[0], loading, nobody}, loading,
                                   QueryState::DefaultSortCode);
    result = fetcher.RefreshView(0, 20);
    QVERIFY2(result.result == FetchResult::Done, qPrintable(result.message));
    QCOMPARE(result.failures.size(), 2);
    QCOMPARE(result.failures.at(0), loading + QStringLiteral(": ") + busy);
    QVERIFY(result.failures.at(1).startsWith(nobody));
    QCOMPARE(fetcher.HttpCli1().URL(), m_hosts[0] + BatPath);
    QVERIFY(fetcher.TotalRecords() > 100000);
    QVERIFY(std::strlen(cache.At(0).PlayerName) > 0);
    stopService(1);
    stopService(0);
}

QTEST_MAIN(TestServiceFailOver)
#include "test_servicefailover.moc"
