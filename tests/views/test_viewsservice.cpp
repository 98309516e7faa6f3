// The four database windows against the real statistics service over the
// imported data, on a loopback port of its own: first page, scrolling deep
// into the result and to its totals row, and the requests the service saw.

#include <memory>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "mainwindow/tform1.h"
#include "mainwindow/viewmenustate.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"
#include "views/viewcell.h"

class TestViewsService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void battersScrollToTheEnd();
    void eachDatabaseFromTheMenu_data();
    void eachDatabaseFromTheMenu();

private:
    QStringList loggedRequests() const;

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
};

void TestViewsService::initTestCase() {
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    QVERIFY2(QFile::exists(db), "the imported test database is missing (BBSTATS_TEST_DB)");
    QVERIFY(m_dir.isValid());
    m_service.start(QStringLiteral(BBSTATSD_PATH),
                    {QStringLiteral("serve"), QStringLiteral("--db"), db,
                     QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                     QStringLiteral("--events"), m_dir.filePath(QStringLiteral("events.db")),
                     QStringLiteral("--log-requests"),
                     m_dir.filePath(QStringLiteral("requests.log"))});
    QVERIFY(m_service.waitForStarted());
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QString output;
    const bool up = QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(m_service.readAllStandardOutput());
            return listening.match(output).hasMatch() || m_service.state() != QProcess::Running;
        },
        600000);
    const QRegularExpressionMatch match = listening.match(output);
    QVERIFY2(up && match.hasMatch(), qPrintable(output + m_service.readAllStandardError()));
    m_host = match.captured(1);
}

void TestViewsService::cleanupTestCase() {
    if (m_service.state() != QProcess::NotRunning) {
        m_service.terminate();
        if (!m_service.waitForFinished(20000)) {
            m_service.kill();
        }
        m_service.waitForFinished(5000);
    }
}

QStringList TestViewsService::loggedRequests() const {
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestViewsService::battersScrollToTheEnd() {
    TForm2A view(Hosts(m_host, m_host, m_host));
    view.resize(1000, 700);
    view.show();
    const int rows = view.DrawGrid1->visibleRowCount();
    QVERIFY(view.refreshView());
    QCOMPARE(loggedRequests().value(0),
             QStringLiteral("POST /cgi-bin/getbat.exe %1!%2!300!").arg(0).arg(rows));
    const QString label = view.Label1->text();
    QVERIFY2(label.startsWith(QStringLiteral("Total Lines: ")), qPrintable(label));
    const int total = label.mid(13).toInt();
    QVERIFY2(total > 100000, qPrintable(label));
    QCOMPARE(view.DrawGrid1->rowCount(), total + 3);
    // The default order starts with the first name alphabetically.
    const ViewCell first = ViewCellAt(view.records(), 1, 2);
    QVERIFY2(first.text.startsWith(QLatin1Char('1')) || first.text.startsWith(QLatin1Char('2')),
             qPrintable(first.text));
    QVERIFY(!ViewCellAt(view.records(), 0, 2).text.isEmpty());

    view.DrawGrid1->setTopRow(50002);
    QCOMPARE(loggedRequests().value(1),
             QStringLiteral("POST /cgi-bin/getbat.exe 50000!%1!300!").arg(rows));
    QVERIFY(!ViewCellAt(view.records(), 0, 50002).text.isEmpty());

    // To the end: the last row is the totals row, in black.
    view.DrawGrid1->setTopRow(total + 2);
    QCOMPARE(loggedRequests().size(), 3);
    const ViewCell totals = ViewCellAt(view.records(), 0, total + 2);
    QCOMPARE(totals.text, QStringLiteral("TOTALS"));
    QCOMPARE(totals.ink, CellInk::Black);
    QVERIFY(ViewCellAt(view.records(), 11, total + 2).text.trimmed().toLongLong() > 3000000);
    // The row above it is the last batter.
    QVERIFY(!ViewCellAt(view.records(), 0, total + 1).text.isEmpty());
    QVERIFY(ViewCellAt(view.records(), 0, total + 1).ink != CellInk::Black);
}

void TestViewsService::eachDatabaseFromTheMenu_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("atLeast");
    QTest::newRow("batters") << DatabaseKind::Batters << QStringLiteral("/cgi-bin/getbat.exe")
                             << 100000;
    QTest::newRow("pitchers") << DatabaseKind::Pitchers << QStringLiteral("/cgi-bin/getpit.exe")
                              << 40000;
    QTest::newRow("fielders") << DatabaseKind::Fielders << QStringLiteral("/cgi-bin/getfield.exe")
                              << 150000;
    QTest::newRow("teams") << DatabaseKind::Teams << QStringLiteral("/cgi-bin/getbaseteam.exe")
                           << 2500;
}

void TestViewsService::eachDatabaseFromTheMenu() {
    QFETCH(DatabaseKind, kind);
    QFETCH(QString, path);
    QFETCH(int, atLeast);
    CoBrandConfig config;
    // The start-up marker goes into the test's folder, its upload nowhere.
    const QString startDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    TForm1 form(config, Hosts(m_host, m_host, m_host), FtpTarget{DeadHost(), QString(), QString()});
    QDir::setCurrent(startDir);
    form.resize(1200, 900);
    form.show();
    const int before = loggedRequests().size();
    OpenCommandOf(form.Menu(), kind)->trigger();
    StatisticsView* view = form.View(kind);
    QVERIFY(view != nullptr);
    const QStringList requests = loggedRequests();
    QCOMPARE(requests.size(), before + 1);
    QVERIFY2(requests.last().startsWith(QStringLiteral("POST ") + path + QStringLiteral(" 0!")),
             qPrintable(requests.last()));
    const int total = view->Label1->text().mid(13).toInt();
    QVERIFY2(total >= atLeast, qPrintable(view->Label1->text()));
    // Teams start in season order: the first season of the data.
    if (kind == DatabaseKind::Teams) {
        QCOMPARE(ViewCellAt(view->records(), 0, 2).text, QStringLiteral("1871"));
    }
    QVERIFY(!ViewCellAt(view->records(), 1, 2).text.isEmpty());
}

QTEST_MAIN(TestViewsService)
#include "test_viewsservice.moc"
