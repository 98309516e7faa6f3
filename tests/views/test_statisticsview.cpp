// The statistics view against fake services on loopback: the requests it
// sends, paging, the label and row count, blank and totals rows, band
// colours, host failure and a window closed while it waits.

#include <cmath>
#include <memory>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPointer>
#include <QRegion>
#include <QSignalSpy>
#include <QtTest>

#include "platform/busyanimation.h"
#include "query/bandsettings.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"
#include "views/viewcell.h"

namespace {

QList<FakeRow> numberedRows(int count) {
    QList<FakeRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.append({"Player " + QByteArray::number(i), "19" + QByteArray::number(10 + i % 90)});
    }
    return rows;
}

// A shown view of `kind` whose second mirror is `server` and whose other
// hosts are dead.
std::unique_ptr<StatisticsView> shownView(DatabaseKind kind, const RecordingServer& server) {
    std::unique_ptr<StatisticsView> view(
        CreateStatisticsView(kind, Hosts(DeadHost(), server.hostPort(), DeadHost())));
    view->resize(1000, 700);
    view->show();
    return view;
}

// Whether `image` holds a pixel of `color` inside `rect`.
bool hasColor(const QImage& image, const QRect& rect, const QColor& color) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (image.pixelColor(x, y) == color) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class TestStatisticsView : public QObject {
    Q_OBJECT
private slots:
    void firstPageRequest_data();
    void firstPageRequest();
    void pagingOnlyWhenTheTopRowChanges();
    void refreshAskedDuringAFetchFollowsIt();
    void emptyResultHasOnlyTheTotalsRow();
    void unfilledSlotsDrawBlank();
    void totalsRowIsBlackWithItsLabel_data();
    void totalsRowIsBlackWithItsLabel();
    void bandsFollowTheBandMode_data();
    void bandsFollowTheBandMode();
    void drawnColoursFollowTheBands();
    void selectedCellKeepsHighlightText();
    void allHostsDownShowsMessageAndViewStays();
    void closedDuringItsOwnFetch_data();
    void closedDuringItsOwnFetch();
    void busyIndicationDuringFetch();
    void absurdRecordCountStaysWithinTheCache();
    void columnTables_data();
    void columnTables();
    void doubleClickHidesTheColumn();
    void layoutFollowsTheWindowSize();
};

void TestStatisticsView::firstPageRequest_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("sortCode");
    QTest::addColumn<QString>("caption");
    QTest::newRow("batters") << DatabaseKind::Batters << QByteArray("/cgi-bin/getbat.exe")
                             << QByteArray("300") << QStringLiteral("Baseball Batters Statistics");
    QTest::newRow("pitchers") << DatabaseKind::Pitchers << QByteArray("/cgi-bin/getpit.exe")
                              << QByteArray("300")
                              << QStringLiteral("Baseball Pitchers Statistics");
    QTest::newRow("fielders") << DatabaseKind::Fielders << QByteArray("/cgi-bin/getfield.exe")
                              << QByteArray("300")
                              << QStringLiteral("Baseball Fielders Statistics");
    QTest::newRow("teams") << DatabaseKind::Teams << QByteArray("/cgi-bin/getbaseteam.exe")
                           << QByteArray("100") << QStringLiteral("Baseball Teams Statistics");
}

void TestStatisticsView::firstPageRequest() {
    QFETCH(DatabaseKind, kind);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, sortCode);
    QFETCH(QString, caption);
    RecordingServer server;
    server.setResponder(FakeService(kind, numberedRows(250)));
    auto view = shownView(kind, server);
    QCOMPARE(view->windowTitle(), caption);
    QCOMPARE(view->Label1->text(), QStringLiteral("Total Lines: -1"));
    QVERIFY(server.requests().isEmpty());

    const int rows = view->DrawGrid1->visibleRowCount();
    QVERIFY(rows > 20);
    QVERIFY(view->refreshView());
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(RequestPath(server.requests()[0]), path);
    QCOMPARE(RequestBody(server.requests()[0]),
             "0!" + QByteArray::number(rows) + "!" + sortCode + "!\r\n*\r\n\x1A");
    QCOMPARE(view->Label1->text(), QStringLiteral("Total Lines: 250"));
    QCOMPARE(view->DrawGrid1->rowCount(), 253);
    QCOMPARE(view->LastTopRow(), 2);
    QVERIFY(view->DrawGrid1->isEnabled());
    const int nameColumn = kind == DatabaseKind::Teams ? 2 : 0;
    QCOMPARE(ViewCellAt(view->records(), nameColumn, 2).text, QStringLiteral("Player 0"));
}

void TestStatisticsView::pagingOnlyWhenTheTopRowChanges() {
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Batters, numberedRows(500)));
    auto view = shownView(DatabaseKind::Batters, server);
    QVERIFY(view->refreshView());
    const int rows = view->DrawGrid1->visibleRowCount();

    // Sideways: the top row stays, nothing is fetched.
    view->DrawGrid1->setLeftCol(8);
    QCOMPARE(view->DrawGrid1->leftCol(), 8);
    QCOMPARE(server.requests().size(), 1);

    // One row down fetches a whole page again from record 1.
    view->DrawGrid1->setTopRow(3);
    QCOMPARE(server.requests().size(), 2);
    QCOMPARE(RequestBody(server.requests()[1]),
             "1!" + QByteArray::number(rows) + "!300!\r\n*\r\n\x1A");
    QCOMPARE(view->LastTopRow(), 3);
    QVERIFY(view->DrawGrid1->isEnabled());

    // Further down, and back to a row already in the cache: fetched again.
    view->DrawGrid1->setTopRow(102);
    QCOMPARE(RequestBody(server.requests().last()).left(4), QByteArray("100!"));
    view->DrawGrid1->setTopRow(3);
    QCOMPARE(server.requests().size(), 4);
    QCOMPARE(RequestBody(server.requests().last()).left(2), QByteArray("1!"));
    QCOMPARE(ViewCellAt(view->records(), 0, 102).text, QStringLiteral("Player 100"));

    // Sideways again after paging.
    view->DrawGrid1->setLeftCol(3);
    QCOMPARE(server.requests().size(), 4);
}

void TestStatisticsView::refreshAskedDuringAFetchFollowsIt() {
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Batters, numberedRows(500)));
    auto view = shownView(DatabaseKind::Batters, server);
    QVERIFY(view->refreshView());
    server.setReplyDelay(200);
    MessageBoxCatcher boxes;
    bool inner = false;
    // A query command's refresh while the scroll's page is on its way.
    RunLater(50, [&] { inner = view->refreshView(); });
    view->DrawGrid1->setTopRow(40);
    QVERIFY(inner);
    QCOMPARE(server.requests().size(), 3);
    QCOMPARE(RequestBody(server.requests()[1]).left(3), QByteArray("38!"));
    QCOMPARE(RequestBody(server.requests()[2]).left(3), QByteArray("38!"));
    QVERIFY(boxes.texts().isEmpty());
    QVERIFY(!view->isFetching());
    QVERIFY(view->DrawGrid1->isEnabled());
}

void TestStatisticsView::emptyResultHasOnlyTheTotalsRow() {
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Batters, {}));
    auto view = shownView(DatabaseKind::Batters, server);
    QVERIFY(view->refreshView());
    QCOMPARE(view->Label1->text(), QStringLiteral("Total Lines: 0"));
    QCOMPARE(view->DrawGrid1->rowCount(), 3);
    const ViewCell totals = ViewCellAt(view->records(), 0, 2);
    QCOMPARE(totals.text, QStringLiteral("TOTALS"));
    QCOMPARE(totals.ink, CellInk::Black);
}

void TestStatisticsView::unfilledSlotsDrawBlank() {
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Pitchers, numberedRows(3000)));
    auto view = shownView(DatabaseKind::Pitchers, server);
    QVERIFY(view->refreshView());
    QCOMPARE(view->DrawGrid1->rowCount(), 3003);
    view->DrawGrid1->setTopRow(2000);
    // The page at row 2000 arrived; rows far above it were never fetched.
    QCOMPARE(ViewCellAt(view->records(), 0, 2000).text, QStringLiteral("Player 1998"));
    for (int column = 0; column < 31; ++column) {
        const ViewCell cell = ViewCellAt(view->records(), column, 1500);
        QVERIFY2(cell.text.isEmpty(),
                 qPrintable(QStringLiteral("column %1: '%2'").arg(column).arg(cell.text)));
    }
}

void TestStatisticsView::totalsRowIsBlackWithItsLabel_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<int>("labelColumn");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("emptyColumn");
    QTest::newRow("batters") << DatabaseKind::Batters << 0 << QStringLiteral("TOTALS") << 5;
    QTest::newRow("pitchers") << DatabaseKind::Pitchers << 0 << QStringLiteral(" TOTALS") << 3;
    QTest::newRow("fielders") << DatabaseKind::Fielders << 0 << QStringLiteral(" TOTALS") << 5;
    QTest::newRow("teams") << DatabaseKind::Teams << 2 << QStringLiteral("TOTALS") << 0;
}

void TestStatisticsView::totalsRowIsBlackWithItsLabel() {
    QFETCH(DatabaseKind, kind);
    QFETCH(int, labelColumn);
    QFETCH(QString, label);
    QFETCH(int, emptyColumn);
    RecordingServer server;
    server.setResponder(FakeService(kind, numberedRows(10)));
    auto view = shownView(kind, server);
    QVERIFY(view->refreshView());
    const int totalsRow = view->DrawGrid1->rowCount() - 1;
    QCOMPARE(totalsRow, 12);
    const ViewCell cell = ViewCellAt(view->records(), labelColumn, totalsRow);
    QCOMPARE(cell.text, label);
    QCOMPARE(cell.ink, CellInk::Black);
    QVERIFY(ViewCellAt(view->records(), emptyColumn, totalsRow).text.trimmed().isEmpty());
    // A numeric column of the totals row is formatted as in ordinary rows.
    const int numeric = kind == DatabaseKind::Teams ? 6 : 7;
    QCOMPARE(ViewCellAt(view->records(), numeric, totalsRow).text.trimmed(), QStringLiteral("1"));
    QCOMPARE(ViewCellAt(view->records(), numeric, totalsRow).ink, CellInk::Black);
}

void TestStatisticsView::bandsFollowTheBandMode_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("inks"); // 0 first band, 1 second band
    // Two seasons of one player, then another player in the second season.
    QTest::newRow("player") << 0 << QList<int>{0, 0, 1, 1};
    QTest::newRow("year") << 2 << QList<int>{0, 1, 1, 0};
    QTest::newRow("unknown mode keeps the bands") << 3 << QList<int>{0, 0, 0, 0};
}

void TestStatisticsView::bandsFollowTheBandMode() {
    QFETCH(int, mode);
    QFETCH(QList<int>, inks);
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Batters, {{"Aaron, Hank", "1954"},
                                                            {"Aaron, Hank", "1955"},
                                                            {"Abbott, Jim", "1955"},
                                                            {"Abbott, Jim", "1956"}}));
    auto view = shownView(DatabaseKind::Batters, server);
    SharedBandSettings().BandMode = mode;
    QVERIFY(view->refreshView());
    for (int i = 0; i < inks.size(); ++i) {
        const CellInk expected = inks[i] == 0 ? CellInk::FirstBand : CellInk::SecondBand;
        QCOMPARE(ViewCellAt(view->records(), 9, 2 + i).ink, expected);
    }
    QCOMPARE(ViewCellAt(view->records(), 9, 6).ink, CellInk::Black);
    SharedBandSettings().BandMode = 0;
}

void TestStatisticsView::drawnColoursFollowTheBands() {
    RecordingServer server;
    server.setResponder(
        FakeService(DatabaseKind::Batters, {{"Aaron, Hank", "1954"}, {"Abbott, Jim", "1955"}}));
    auto view = shownView(DatabaseKind::Batters, server);
    QVERIFY(view->refreshView());
    SharedBandSettings().FirstColor = 0x008000;  // green
    SharedBandSettings().SecondColor = 0x00FFFF; // yellow
    view->runBandPass();
    DrawGrid* grid = view->DrawGrid1;
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    grid->viewport()->render(&image);
    const QColor green = SharedBandSettings().firstColor();
    const QColor yellow = SharedBandSettings().secondColor();
    // Column 9 (AB) of the three rows: first band, second band, totals.
    const QRect first = grid->cellRect(9, 2);
    const QRect second = grid->cellRect(9, 3);
    const QRect totals = grid->cellRect(9, 4);
    QVERIFY(!first.isEmpty() && !second.isEmpty() && !totals.isEmpty());
    QVERIFY(hasInk(image, first, green));
    QVERIFY(!hasInk(image, first, yellow));
    QVERIFY(hasInk(image, second, yellow));
    QVERIFY(!hasInk(image, second, green));
    QVERIFY(hasInk(image, totals, Qt::black));
    QVERIFY(!hasInk(image, totals, green) && !hasInk(image, totals, yellow));
    // The title rows are black too.
    QVERIFY(hasInk(image, grid->cellRect(9, 1), Qt::black));
    SharedBandSettings() = BandSettings{};
}

void TestStatisticsView::selectedCellKeepsHighlightText() {
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Batters, numberedRows(5)));
    auto view = shownView(DatabaseKind::Batters, server);
    QVERIFY(view->refreshView());
    DrawGrid* grid = view->DrawGrid1;
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Highlight, QColor(0, 0, 128));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    grid->setPalette(palette);
    grid->setCurrentCell(9, 2);
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    grid->viewport()->render(&image);
    const QRect cell = grid->cellRect(9, 2);
    QVERIFY(hasColor(image, cell, Qt::white));
    QVERIFY(!hasColor(image, cell, SharedBandSettings().firstColor()));
}

void TestStatisticsView::allHostsDownShowsMessageAndViewStays() {
    // The primary host fails the first time and answers afterwards; both
    // mirrors are down.
    RecordingServer primary;
    int calls = 0;
    const auto service = FakeService(DatabaseKind::Batters, numberedRows(100));
    primary.setResponder([&calls, service](const QByteArray& request) {
        return ++calls == 1 ? HttpReply("500 Internal Server Error", "") : service(request);
    });
    const QString mirror2 = DeadHost();
    const QString mirror3 = DeadHost();
    std::unique_ptr<StatisticsView> view(new TForm2A(Hosts(primary.hostPort(), mirror2, mirror3)));
    view->resize(1000, 700);
    view->show();
    MessageBoxCatcher boxes;
    QVERIFY(view->refreshView());
    QCOMPARE(boxes.texts().size(), 1);
    const QString message = boxes.texts()[0];
    QVERIFY2(message.contains(mirror2) && message.contains(mirror3) &&
                 message.contains(primary.hostPort()),
             qPrintable(message));
    QVERIFY(view->isVisible());
    QCOMPARE(view->Label1->text(), QStringLiteral("Total Lines: -1"));
    QVERIFY(!view->Animate1->isRunning());

    // A later scroll tries again, from the host tried last.
    view->DrawGrid1->setTopRow(5);
    QCOMPARE(boxes.texts().size(), 1);
    QCOMPARE(calls, 2);
    QCOMPARE(view->Label1->text(), QStringLiteral("Total Lines: 100"));
    QVERIFY(view->DrawGrid1->isEnabled());

    // A host answered (with an error): the message names the hosts only.
    // No host could be reached at all: it first says what to do.
    QVERIFY2(!message.contains(QStringLiteral("bbstatsd")), qPrintable(message));
    const QString unknown = QStringLiteral("bad..host:8461");
    std::unique_ptr<StatisticsView> alone(new TForm2A(Hosts(mirror2, unknown, mirror3)));
    alone->resize(1000, 700);
    alone->show();
    QVERIFY(alone->refreshView());
    QCOMPARE(boxes.texts().size(), 2);
    const QString advice = boxes.texts()[1];
    QVERIFY2(advice.startsWith(QStringLiteral("No statistics service answered at %1, %2, %3. ")
                                   .arg(unknown, mirror3, mirror2)) &&
                 advice.contains(QStringLiteral("bbstatsd serve")) &&
                 advice.contains(QStringLiteral("\n\nNo statistics host answered. Tried ")),
             qPrintable(advice));
}

void TestStatisticsView::closedDuringItsOwnFetch_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("paging");
    QTest::newRow("sub-window closed, first page") << QStringLiteral("frame") << false;
    QTest::newRow("sub-window closed while scrolling") << QStringLiteral("frame") << true;
    QTest::newRow("window closed") << QStringLiteral("close") << false;
    QTest::newRow("window deleted") << QStringLiteral("delete") << false;
}

void TestStatisticsView::closedDuringItsOwnFetch() {
    QFETCH(QString, how);
    QFETCH(bool, paging);
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Batters, numberedRows(500)));
    QMdiArea area;
    area.resize(1000, 700);
    area.show();
    auto* view = new TForm2A(Hosts(DeadHost(), server.hostPort(), DeadHost()));
    QMdiSubWindow* frame = area.addSubWindow(view);
    frame->showMaximized();
    if (paging) {
        QVERIFY(view->refreshView());
    }
    QSignalSpy closed(view, &StatisticsView::viewClosed);
    QPointer<StatisticsView> guard(view);
    QPointer<QMdiSubWindow> frameGuard(frame);
    server.setReplyDelay(300);
    RunLater(60, [&] {
        QVERIFY(guard && guard->isFetching());
        if (how == QLatin1String("frame")) {
            frameGuard->close();
        } else if (how == QLatin1String("close")) {
            guard->close();
        } else {
            delete frameGuard;
        }
    });
    if (paging) {
        view->DrawGrid1->setTopRow(50);
    } else {
        QVERIFY(!view->refreshView());
    }
    QCOMPARE(closed.size(), how == QLatin1String("delete") ? 0 : 1);
    QTRY_VERIFY(!guard);
    QTRY_VERIFY(!frameGuard);
    // The late reply reaches nothing.
    QTest::qWait(400);
    QCOMPARE(server.requests().size(), paging ? 2 : 1);
}

// Collects what the widgets it watches paint and counts their paint and
// show events.
class EventCounter : public QObject {
public:
    QRegion painted;
    int paints = 0;
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        shows += event->type() == QEvent::Show ? 1 : 0;
        return false;
    }
};

void TestStatisticsView::busyIndicationDuringFetch() {
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Teams, numberedRows(200)));
    auto view = shownView(DatabaseKind::Teams, server);
    QVERIFY(view->refreshView());
    QVERIFY(!view->Animate1->isVisible());
    QCoreApplication::processEvents();

    // Pages answered at once: the cells are painted once a step, after the
    // page arrived; the animation never shows, and nothing of the window
    // behind the grid is painted again.
    EventCounter window;
    EventCounter animation;
    EventCounter viewport;
    view->installEventFilter(&window);
    view->Animate1->installEventFilter(&animation);
    view->DrawGrid1->viewport()->installEventFilter(&viewport);
    for (int top = 3; top < 8; ++top) {
        view->DrawGrid1->setTopRow(top);
        QCoreApplication::processEvents();
    }
    QCOMPARE(server.requests().size(), 6);
    QCOMPARE(viewport.paints, 5);
    QCOMPARE(animation.shows, 0);
    QVERIFY(window.painted.isEmpty());

    // A slow page: the hourglass at once, the animation once the wait lasts.
    server.setReplyDelay(600);
    bool earlyHourglass = false;
    bool earlyAnimation = true;
    bool animating = false;
    RunLater(30, [&] {
        earlyHourglass = QApplication::overrideCursor() != nullptr &&
                         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        earlyAnimation = view->Animate1->isVisible();
    });
    RunLater(400, [&] { animating = view->Animate1->isRunning() && view->Animate1->isVisible(); });
    QVERIFY(view->refreshView());
    QVERIFY(earlyHourglass);
    QVERIFY(!earlyAnimation);
    QVERIFY(animating);
    QVERIFY(!view->Animate1->isRunning());
    QVERIFY(!view->Animate1->isVisible());
    QCOMPARE(view->Animate1->currentFrame(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestStatisticsView::absurdRecordCountStaysWithinTheCache() {
    // A count beyond any database is a malformed reply: every host gives
    // it, so the view says so and keeps what it had.
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Fielders, numberedRows(30), 2000000000));
    const QString host = server.hostPort();
    std::unique_ptr<StatisticsView> view(
        CreateStatisticsView(DatabaseKind::Fielders, Hosts(host, host, host)));
    view->resize(1000, 700);
    view->show();
    {
        MessageBoxCatcher boxes;
        QVERIFY(view->refreshView());
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY2(boxes.texts()[0].contains(QStringLiteral("impossible record count")),
                 qPrintable(boxes.texts()[0]));
    }
    QCOMPARE(view->Label1->text(), QStringLiteral("Total Lines: -1"));
    // The largest count read is still more than a cache holds.
    server.setResponder(FakeService(DatabaseKind::Fielders, numberedRows(30), 10000000));
    QVERIFY(view->refreshView());
    QCOMPARE(view->Label1->text(), QStringLiteral("Total Lines: 10000000"));
    const int shown = view->records().shownRecords();
    QVERIFY(shown < 10000000);
    QVERIFY(shown >= 174332);
    QCOMPARE(view->DrawGrid1->rowCount(), shown + 3);
    // The last row is the totals row; a scroll to it fetches the page there.
    view->DrawGrid1->setTopRow(shown);
    QCOMPARE(ViewCellAt(view->records(), 0, shown + 2).text, QStringLiteral(" TOTALS"));
}

void TestStatisticsView::columnTables_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("fixed");
    QTest::addColumn<QList<int>>("widths"); // columns 0, 3, 4 and the last
    QTest::addColumn<bool>("moving");
    QTest::newRow("batters") << DatabaseKind::Batters << 31 << 3 << QList<int>{130, 200, 25, 180}
                             << false;
    QTest::newRow("pitchers") << DatabaseKind::Pitchers << 31 << 3 << QList<int>{130, 200, 31, 55}
                              << false;
    QTest::newRow("fielders") << DatabaseKind::Fielders << 16 << 3 << QList<int>{130, 200, 37, 53}
                              << true;
    QTest::newRow("teams") << DatabaseKind::Teams << 67 << 2 << QList<int>{40, 40, 40, 45} << false;
}

void TestStatisticsView::columnTables() {
    QFETCH(DatabaseKind, kind);
    QFETCH(int, columns);
    QFETCH(int, fixed);
    QFETCH(QList<int>, widths);
    QFETCH(bool, moving);
    std::unique_ptr<StatisticsView> view(
        CreateStatisticsView(kind, Hosts(DeadHost(), DeadHost(), DeadHost())));
    DrawGrid* grid = view->DrawGrid1;
    QCOMPARE(grid->colCount(), columns);
    QCOMPARE(grid->fixedCols(), fixed);
    QCOMPARE(grid->fixedRows(), 2);
    QCOMPARE(grid->colWidth(0), widths[0]);
    QCOMPARE(grid->colWidth(3), widths[1]);
    QCOMPARE(grid->colWidth(4), widths[2]);
    QCOMPARE(grid->colWidth(columns - 1), widths[3]);
    QCOMPARE(grid->colMoving(), moving);
    QCOMPARE(grid->colSizing(), !moving);
    QCOMPARE(grid->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(grid->font().pointSize(), 8);
}

void TestStatisticsView::doubleClickHidesTheColumn() {
    RecordingServer server;
    server.setResponder(FakeService(DatabaseKind::Batters, numberedRows(50)));
    auto view = shownView(DatabaseKind::Batters, server);
    QVERIFY(view->refreshView());
    QSignalSpy hide(view.get(), &StatisticsView::columnHideRequested);
    const QRect cell = view->DrawGrid1->cellRect(9, 4);
    QTest::mouseDClick(view->DrawGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(hide.size(), 1);
    QCOMPARE(hide[0][0].toInt(), 9);
    QCOMPARE(view->DrawGrid1->colWidth(9), 0);
    QCOMPARE(view->hiddenColumns().entries.size(), 1);
    QCOMPARE(view->hiddenColumns().entries[0].column, 9);
    QCOMPARE(view->hiddenColumns().entries[0].width, 56);
    // A fixed column stays.
    QTest::mouseDClick(view->DrawGrid1->viewport(), Qt::LeftButton, {},
                       view->DrawGrid1->cellRect(1, 4).center());
    QCOMPARE(view->DrawGrid1->colWidth(1), 50);
    QCOMPARE(view->hiddenColumns().entries.size(), 1);
}

void TestStatisticsView::layoutFollowsTheWindowSize() {
    std::unique_ptr<StatisticsView> view(new TForm9(Hosts(DeadHost(), DeadHost(), DeadHost())));
    view->resize(1000, 700);
    view->show();
    QCOMPARE(view->DrawGrid1->geometry(), QRect(0, 0, 970, 568));
    QCOMPARE(view->Label1->y(), 640);
    QCOMPARE(view->Animate1->y(), 640);
    QCOMPARE(view->Label2->y(), 640);
    view->resize(800, 500);
    QCOMPARE(view->DrawGrid1->geometry(), QRect(0, 0, 770, 368));
    QCOMPARE(view->Label1->y(), 440);
    QVERIFY(!view->Image1->isVisible() && !view->Image2->isVisible());
}

QTEST_MAIN(TestStatisticsView)
#include "test_statisticsview.moc"
