// Usage events as the logging script of bbstatsd (started by the test)
// receives them: every event text byte for byte, failed sends dropped within
// the event's wait, and the events of the database windows (IN on every kind
// of close, URLCLICK on the site link) counted by `bbstatsd usage`.

#include <QtTest>

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include "mainwindow/tform1.h"
#include "mainwindow/viewmenustate.h"
#include "protocol/usageevent.h"
#include "query/tform6.h"
#include "tests/support/testservice.h"
#include "views/statisticsview.h"

namespace {

const QString Site = QStringLiteral("http://site.test/");

} // namespace

class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class TestUsageEvents : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void textsReachTheScriptByteForByte_data();
    void textsReachTheScriptByteForByte();
    void failedSendsAreDroppedQuietly_data();
    void failedSendsAreDroppedQuietly();
    void anEventWhileAnotherWaitsIsSent();
    void databaseWindowsReportTheirUse();

private:
    TestService m_service;
    OpenedUrls m_urls;
    QTemporaryDir m_work;
    QString m_startDir;
};

void TestUsageEvents::initTestCase() {
    const QString error = m_service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_urls, "open");
    // The main window leaves its start-up marker in the working folder.
    m_startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_work.path()));
}

void TestUsageEvents::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDir::setCurrent(m_startDir);
}

void TestUsageEvents::textsReachTheScriptByteForByte_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("query");
    QTest::newRow("toolbar link with empty URL")
        << UsageEventText(UsageEventType::ToolClick, QString(), Site)
        << QByteArray("TOOLCLICK,,http://site.test/,0") << "Q=TOOLCLICK,,http://site.test/,0";
    QTest::newRow("banner click with empty site")
        << UsageEventText(UsageEventType::Click, UsageDatabaseWord(DatabaseKind::Batters),
                          QString())
        << QByteArray("CLICK,batters,,0") << "Q=CLICK,batters,,0";
    QTest::newRow("teams open 75.9 s") << UsageEventIn(DatabaseKind::Teams, Site, 75900)
                                       << QByteArray("IN,baseballteams,http://site.test/,75")
                                       << "Q=IN,baseballteams,http://site.test/,75";
    QTest::newRow("URL with & and a space")
        << UsageEventText(UsageEventType::MenuClick, QStringLiteral("http://x.test/a b?c=1&d=2"),
                          Site)
        << QByteArray("MENUCLICK,http://x.test/a b?c=1&d=2,http://site.test/,0")
        << "Q=MENUCLICK,http://x.test/a%20b?c=1&d=2,http://site.test/,0";
    QTest::newRow("URL with # and %")
        << UsageEventText(UsageEventType::ToolClick, QStringLiteral("http://x.test/p%41#top"), Site)
        << QByteArray("TOOLCLICK,http://x.test/p%41#top,http://site.test/,0")
        << "Q=TOOLCLICK,http://x.test/p%2541%23top,http://site.test/,0";
    QTest::newRow("line break and control byte")
        << UsageEventText(UsageEventType::MenuClick,
                          QStringLiteral("http://x.test/\r\nX-Added: 1\x01"), Site)
        // Sent encoded as it stands; the service refuses control characters and stores nothing.
        << QByteArray() << "Q=MENUCLICK,http://x.test/%0D%0AX-Added:%201%01,http://site.test/,0";
    QTest::newRow("site beyond ASCII")
        << UsageEventText(UsageEventType::UrlClick, QStringLiteral("fielders"),
                          QStringLiteral("http://caf\u00e9.test/"))
        << QByteArray("URLCLICK,fielders,http://caf\xc3\xa9.test/,0")
        << "Q=URLCLICK,fielders,http://caf%C3%A9.test/,0";
}

void TestUsageEvents::textsReachTheScriptByteForByte() {
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);
    QFETCH(QString, query);
    TForm6 sender;
    sender.SetEventHost(m_service.host());
    const qsizetype before = m_service.storedEvents().size();
    sender.PostLine(text);
    QCOMPARE(sender.HttpCli6().URL(), m_service.host() + QStringLiteral("/999addlog.asp?") + query);
    const QList<QByteArray> events = m_service.storedEvents();
    QCOMPARE(events.size(), before + (stored.isEmpty() ? 0 : 1));
    if (!stored.isEmpty()) {
        QCOMPARE(events.last(), stored);
    }
    QCOMPARE(m_service.requestLog().last(),
             QStringLiteral("GET /999addlog.asp?") + query + QLatin1Char(' '));
}

void TestUsageEvents::failedSendsAreDroppedQuietly_data() {
    QTest::addColumn<QString>("host");
    QTest::newRow("nobody listens") << UnusedLoopbackHost();
    QTest::newRow("unresolvable") << QStringLiteral("bad..host:80");
    QTest::newRow("never answers") << QStringLiteral("silent");
}

void TestUsageEvents::failedSendsAreDroppedQuietly() {
    QFETCH(QString, host);
    QTcpServer silent;
    if (host == QLatin1String("silent")) {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        host = QStringLiteral("127.0.0.1:%1").arg(silent.serverPort());
    }
    TForm6 sender;
    sender.SetEventHost(host);
    QElapsedTimer clock;
    clock.start();
    sender.PostLine(QStringLiteral("IN,batters,http://site.test/,1"));
    // Bounded by the event's own wait, far below the client's 30 s time-outs.
    QVERIFY2(clock.elapsed() < 10 * TForm6::EventWaitMs / 3,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(sender.HttpCli6().state(), THttpCli::State::Ready);
    // The sender works again at once.
    sender.SetEventHost(m_service.host());
    sender.PostLine(QStringLiteral("CLICK,teams,after,0"));
    QCOMPARE(m_service.storedEvents().last(), QByteArray("CLICK,teams,after,0"));
}

void TestUsageEvents::anEventWhileAnotherWaitsIsSent() {
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    TForm6 sender;
    sender.SetEventHost(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    bool nestedSent = false;
    QTimer::singleShot(200, &sender, [&] {
        sender.SetEventHost(m_service.host());
        sender.PostLine(QStringLiteral("URLCLICK,pitchers,nested,0"));
        nestedSent = true;
    });
    sender.PostLine(QStringLiteral("IN,pitchers,waiting,5"));
    QVERIFY(nestedSent);
    QCOMPARE(m_service.storedEvents().last(), QByteArray("URLCLICK,pitchers,nested,0"));
}

void TestUsageEvents::databaseWindowsReportTheirUse() {
    CoBrandConfig config;
    // A site of its own, counted apart from the other tests' events.
    config.SiteId = QStringLiteral("http://use.test/");
    const QString host = m_service.host();
    const qsizetype before = m_service.storedEvents().size();
    {
        TForm1 form(config, ServiceHosts{host, host, host},
                    FtpTarget{UnusedLoopbackHost(), QString(), QString()});
        auto* sender = new TForm6(&form);
        sender->SetEventHost(host);
        form.resize(1200, 900);
        form.show();
        const auto open = [&form](DatabaseKind kind) {
            OpenCommandOf(form.Menu(), kind)->trigger();
            return form.View(kind);
        };

        // The site link label opens the site and reports it, every time.
        StatisticsView* batters = open(DatabaseKind::Batters);
        QVERIFY(batters != nullptr);
        QCOMPARE(batters->Label2->text(), config.SiteId);
        m_urls.opened.clear();
        QTest::mouseClick(batters->Label2, Qt::LeftButton);
        QTest::mouseClick(batters->Label2, Qt::LeftButton);
        QCOMPARE(m_urls.opened, (QList<QUrl>{QUrl(config.SiteId), QUrl(config.SiteId)}));

        // Closed by the user, by Exit (last opened first), with the window.
        qobject_cast<QMdiSubWindow*>(batters->parentWidget())->close();
        QTRY_VERIFY(form.View(DatabaseKind::Batters) == nullptr);
        open(DatabaseKind::Pitchers);
        open(DatabaseKind::Teams);
        form.Menu().Exit1->trigger();
        open(DatabaseKind::Fielders);
        form.close();
    }
    // The seconds of an IN event depend on the machine's pace: the texts are
    // compared without them, and the report must sum them.
    QList<QByteArray> events = m_service.storedEvents().mid(before);
    qint64 seconds = 0;
    for (QByteArray& event : events) {
        if (event.startsWith("IN,")) {
            const qsizetype comma = event.lastIndexOf(',');
            bool number = false;
            seconds += event.mid(comma + 1).toLongLong(&number);
            QVERIFY2(number, event.constData());
            event.truncate(comma + 1);
        }
    }
    QCOMPARE(events,
             (QList<QByteArray>{
                 "URLCLICK,batters,http://use.test/,0", "URLCLICK,batters,http://use.test/,0",
                 "IN,batters,http://use.test/,", "IN,baseballteams,http://use.test/,",
                 "IN,pitchers,http://use.test/,", "IN,fielders,http://use.test/,"}));
    const QString report = m_service.usageReport();
    QVERIFY2(report.contains(QStringLiteral("http://use.test/\tIN\t4\t%1\n").arg(seconds)),
             qPrintable(report));
}

QTEST_MAIN(TestUsageEvents)
#include "test_usageevents.moc"
