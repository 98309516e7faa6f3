// The four database windows against the real statistics service over the
// imported data, on a loopback port of its own: first page, scrolling deep
// into the result and to its totals row, the requests the service saw, and
// limits as the service compares them (the Limit dialog's learnt maximum,
// one-letter and accented bounds).

#include <memory>
#include <random>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "databases/batterrecord.h"
#include "databases/rowbands.h"
#include "mainwindow/tform1.h"
#include "mainwindow/viewmenustate.h"
#include "query/bandsettings.h"
#include "query/queryoperations.h"
#include "query/selectionitems.h"
#include "query/tbtnrightdlg.h"
#include "tests/query/fakequerytarget.h"
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
    void bandsMatchTheWholePassOverRealPages();
    void rowsAlwaysBelongToTheShownQuery();
    void limitsAsTheServiceCompares_data();
    void limitsAsTheServiceCompares();

private:
    QStringList loggedRequests() const;
    bool startService(const QString& listen);
    void stopService();
    QString rowsNotOfTheQuery(StatisticsView& view, bool blanksAllowed);

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
};

void TestViewsService::initTestCase() {
    QVERIFY(m_dir.isValid());
    QVERIFY(startService(QStringLiteral("127.0.0.1:0")));
}

bool TestViewsService::startService(const QString& listen) {
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    if (!QFile::exists(db)) {
        qWarning("the imported test database is missing (BBSTATS_TEST_DB)");
        return false;
    }
    m_service.start(QStringLiteral(BBSTATSD_PATH),
                    {QStringLiteral("serve"), QStringLiteral("--db"), db,
                     QStringLiteral("--listen"), listen, QStringLiteral("--events"),
                     m_dir.filePath(QStringLiteral("events.db")), QStringLiteral("--log-requests"),
                     m_dir.filePath(QStringLiteral("requests.log"))});
    if (!m_service.waitForStarted()) {
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QString output;
    const bool up = QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(m_service.readAllStandardOutput());
            return listening.match(output).hasMatch() || m_service.state() != QProcess::Running;
        },
        600000);
    const QRegularExpressionMatch match = listening.match(output);
    if (!up || !match.hasMatch()) {
        qWarning("%s", qPrintable(output + m_service.readAllStandardError()));
        return false;
    }
    m_host = match.captured(1);
    return true;
}

void TestViewsService::cleanupTestCase() {
    stopService();
}

void TestViewsService::stopService() {
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

// The Batters window paged in random order over the real data, with sorts,
// selections and band modes changing between pages: after every step each
// row's band is the one a pass over the whole cached result gives.
void TestViewsService::bandsMatchTheWholePassOverRealPages() {
    TForm2A view(Hosts(m_host, m_host, m_host));
    view.resize(1000, 700);
    view.show();
    QVERIFY(view.refreshView());
    const PageCache<BatterRecord>& cache =
        SharedPageCache<BatterRecord>(BatterLayout().initialCapacity);
    std::mt19937 random(1954);
    const auto pick = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(std::max(n, 1)));
    };
    QStringList steps;
    for (int step = 0; step < 90; ++step) {
        const int shown = view.records().shownRecords();
        const int rows = view.DrawGrid1->visibleRowCount();
        const int action = pick(12);
        if (action < 6) {
            view.DrawGrid1->setTopRow(2 + pick(shown - rows + 2));
            steps << QStringLiteral("jump");
        } else if (action < 8) {
            view.DrawGrid1->setTopRow(view.DrawGrid1->topRow() + 1 + pick(3));
            steps << QStringLiteral("down");
        } else if (action == 8) {
            view.queryState().SortCode = pick(31) + (pick(2) == 0 ? 100 : 0);
            QVERIFY(view.refreshView());
            steps << QStringLiteral("sort %1").arg(view.queryState().SortCode);
        } else if (action == 9) {
            if (view.queryState().SelectionCount == 0) {
                // Appended rather than "C" + ...: GCC 12 at -O3 takes the insertion at the
                // front for an overlapping copy (a false -Wrestrict).
                view.queryState().AppendGroup(
                    {std::string("C").append(std::to_string(1871 + pick(155)))});
            } else {
                view.queryState().Reset();
            }
            QVERIFY(view.refreshView());
            steps << QStringLiteral("select or reset");
        } else {
            SharedBandSettings().BandMode = pick(3);
            view.runBandPass();
            steps << QStringLiteral("mode %1").arg(SharedBandSettings().BandMode);
        }
        const int total = view.records().shownRecords();
        RowBands whole(0);
        RunBandPass(whole,
                    std::span<const BatterRecord>(cache.Slot(0),
                                                  static_cast<std::size_t>(cache.Capacity())),
                    total, BattersDatabase(), SharedBandSettings().BandMode);
        for (int i = 0; i <= total; ++i) {
            const std::uint8_t expected = i == total ? RowBands::Totals : whole.at(i);
            if (view.records().band(i) != expected) {
                SharedBandSettings().BandMode = 0;
                QFAIL(qPrintable(QStringLiteral("after %1: position %2 has band %3, not %4")
                                     .arg(steps.join(QStringLiteral(", ")))
                                     .arg(i)
                                     .arg(view.records().band(i))
                                     .arg(expected)));
            }
        }
    }
    SharedBandSettings().BandMode = 0;
}

void TestViewsService::limitsAsTheServiceCompares_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("maximum"); // null: left as the dialog sets it
    QTest::addColumn<QString>("same");    // a maximum the service answers alike
    // Career plate appearances reach 15,000 and more (Pete Rose): the
    // default maximum is the largest and keeps Ty Cobb (over 13,000).
    QTest::newRow("career PA from 3000, default maximum") << "PA  - Plate Appearances"
                                                          << "3000" << QString() << "";
    // One-letter fields compare exactly: "R" to "l" holds R and S.
    QTest::newRow("bats R to l") << "BAT - Bats"
                                 << "R"
                                 << "l"
                                 << "S";
    // Names fold accents: "\u00c9lie" to "F" is "Elie" to "F".
    QTest::newRow("names from an accented bound")
        << "Player Name" << QString::fromUtf8("\u00c9lie") << "F"
        << "f";
}

// Each limit reaches the service unrefused and keeps the rows the service's
// own comparison keeps: as many as the same limit with a maximum it answers
// alike.
void TestViewsService::limitsAsTheServiceCompares() {
    QFETCH(QString, field);
    QFETCH(QString, minimum);
    QFETCH(QString, maximum);
    QFETCH(QString, same);
    const bool career = maximum.isNull();
    TForm2A view(Hosts(m_host, m_host, m_host));
    view.resize(1000, 700);
    view.show();
    const int number =
        static_cast<int>(DatabaseInfoFor(DatabaseKind::Batters).sortFields.indexOf(field));
    QVERIFY(number >= 0);
    if (career) {
        view.queryState().Lines = LinesMode::PerCareer;
        view.queryState().SortCode = number; // most first
    }
    MessageBoxCatcher boxes;
    QVERIFY(view.refreshView());
    TBtnRightDlg dialog;
    QString learnt;
    OnNextModal([&](QWidget* modal) {
        auto* limit = qobject_cast<TBtnRightDlg*>(modal);
        limit->ListBox1->setCurrentRow(number);
        if (career) {
            QTRY_VERIFY(limit->Edit2->text() != QStringLiteral("9999"));
        }
        learnt = limit->Edit2->text();
        limit->Edit1->setText(minimum);
        if (!career) {
            limit->Edit2->setText(maximum);
        }
        limit->OKBtn->click();
    });
    LimitRecords(view, dialog);
    QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join('\n')));
    const QString item =
        QStringLiteral("E%1!%2!%3!").arg(number).arg(minimum, career ? learnt : maximum);
    QCOMPARE(QString::fromStdString(view.queryState().SelectionItems[0]), item);
    const int kept = view.exchange().TotalRecords();
    QVERIFY(kept > 0);
    if (career) {
        QVERIFY2(learnt.toInt() > 9999, qPrintable(learnt));
        QStringList leaders;
        for (int row = 2; row < 12; ++row) {
            leaders << ViewCellAt(view.records(), 0, row).text;
        }
        QVERIFY2(leaders.contains(QStringLiteral("Cobb, Ty")), qPrintable(leaders.join('|')));
    }
    // The same rows as a limit the service answers alike (no maximum for
    // the career: the default one cut nothing).
    view.queryState().SelectionItems[0] =
        QStringLiteral("E%1!%2!%3!").arg(number).arg(minimum, same).toStdString();
    QVERIFY(view.refreshView());
    QCOMPARE(view.exchange().TotalRecords(), kept);
}

QTEST_MAIN(TestViewsService)
#include "test_viewsservice.moc"

// Every whole row the grid shows against the service's own answer for the
// query the window holds, asked for afresh into a cache of the test's own:
// each cell must be the service's, or blank where `blanksAllowed`. Returns
// what differs (empty when all rows belong to the query).
QString TestViewsService::rowsNotOfTheQuery(StatisticsView& view, bool blanksAllowed) {
    PageCache<BatterRecord> cache(16);
    PageFetcher<BatterRecord> probe(BatterLayout(), cache, BattersDatabase().info.servicePath,
                                    Hosts(m_host, m_host, m_host), m_host, 300);
    probe.State() = view.queryState();
    DrawGrid* grid = view.DrawGrid1;
    const int top = grid->topRow();
    const int rows = grid->visibleRowCount();
    if (probe.FetchPage(top - 2, rows) != FetchResult::Done) {
        return QStringLiteral("the service did not answer the probe");
    }
    if (view.records().shownRecords() != probe.TotalRecords()) {
        return QStringLiteral("the window shows %1 records, the query has %2")
            .arg(view.records().shownRecords())
            .arg(probe.TotalRecords());
    }
    for (int row = top; row < top + rows; ++row) {
        const int position = row - 2;
        const bool totals = position == probe.TotalRecords();
        for (int col = 0; col < grid->colCount(); ++col) {
            const QString shown = ViewCellAt(view.records(), col, row).text;
            const QString wanted =
                totals ? BattersDatabase().cellText(probe.TotalsRecord(), col, true)
                : position < probe.TotalRecords()
                    ? BattersDatabase().cellText(*cache.Slot(position), col, false)
                    : QString();
            if (shown != wanted && !(blanksAllowed && shown.isEmpty())) {
                return QStringLiteral("row %1 column %2 shows \"%3\", the query has \"%4\"")
                    .arg(row)
                    .arg(col)
                    .arg(shown, wanted);
            }
        }
    }
    return QString();
}

// The three ways a window showed rows of an earlier query: grown after a
// sort in a small window, a failed page over another query's pages, and a
// result grown back by undo from no rows. After each, every row drawn is
// the service's row for the window's query (or blank while not fetched).
void TestViewsService::rowsAlwaysBelongToTheShownQuery() {
    TForm2A view(Hosts(m_host, m_host, m_host));
    view.resize(1000, 900);
    view.show();
    QVERIFY(view.refreshView());
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // (a) Small, sorted by HR descending, then large again: the rows the
    // large grid adds are fetched for the new order.
    view.resize(1000, 400);
    QTRY_VERIFY(!view.visibleRowsMissing());
    const int smallRows = view.DrawGrid1->visibleRowCount();
    view.queryState().SortCode = 16;
    QVERIFY(view.refreshView());
    view.resize(1000, 900);
    QTRY_VERIFY(!view.isFetching() && !view.visibleRowsMissing());
    QVERIFY(view.DrawGrid1->visibleRowCount() > smallRows);
    QString wrong = rowsNotOfTheQuery(view, false);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

    // (b) HR-descending pages further down, then the default order at the
    // top; the service stops and Page Down fails: the rows shown are the
    // default order's or blank, never the HR-descending ones.
    const int rows = view.DrawGrid1->visibleRowCount();
    view.DrawGrid1->setTopRow(2 + rows);
    view.DrawGrid1->setTopRow(2 + 2 * rows);
    view.DrawGrid1->setTopRow(2);
    view.queryState().Reset();
    QVERIFY(view.refreshView());
    wrong = rowsNotOfTheQuery(view, false);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    const QString address = m_host;
    stopService();
    {
        MessageBoxCatcher boxes;
        QTest::keyClick(view.DrawGrid1, Qt::Key_PageDown);
        QTRY_VERIFY(!boxes.texts().isEmpty());
        // Nothing answered: the message says what to do, then the hosts tried.
        const QString message = boxes.texts().front();
        QVERIFY2(message.startsWith(QStringLiteral("No statistics service answered at ")) &&
                     message.contains(QStringLiteral("bbstatsd")) &&
                     message.contains(QStringLiteral("No statistics host answered")),
                 qPrintable(message));
    }
    QCOMPARE(view.DrawGrid1->topRow(), 2 + rows);
    QVERIFY(startService(address));
    QCOMPARE(m_host, address);
    wrong = rowsNotOfTheQuery(view, true);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QTest::keyClick(view.DrawGrid1, Qt::Key_PageUp);
    wrong = rowsNotOfTheQuery(view, false);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QTest::keyClick(view.DrawGrid1, Qt::Key_PageDown);
    QTRY_VERIFY(!view.isFetching());
    wrong = rowsNotOfTheQuery(view, false);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

    // (c) Limited to no lines (HR "abc" to "xyz"), then undone: the rows
    // come back whole.
    view.DrawGrid1->setTopRow(2);
    view.queryState().AppendGroup({"E16!abc!xyz!"});
    QVERIFY(view.refreshView());
    QCOMPARE(view.Label1->text(), QStringLiteral("Total Lines: 0"));
    QVERIFY(view.undoQuery());
    QTRY_VERIFY(!view.isFetching() && !view.visibleRowsMissing());
    QVERIFY(view.records().shownRecords() > rows);
    wrong = rowsNotOfTheQuery(view, false);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}
