// Sorting by a click on a column title, on Batters and Fielders windows
// against the real statistics service over the imported data (a loopback
// port of its own): each click is the Sort command with the keys the Sort
// dialog would send, double-clicks, drags and resizes never sort, and Undo
// walks back through the clicks.

#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "fakequerytarget.h"
#include "mainwindow/mainmenu.h"
#include "mainwindow/viewcommands.h"
#include "platform/drawgrid.h"
#include "platform/fixedpitchtext.h"
#include "protocol/pagerequest.h"
#include "query/queryoperations.h"
#include "query/tform6.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"
#include "views/querytextlabel.h"
#include "views/titlemarks.h"
#include "views/viewcell.h"

namespace {

// Batters columns (logical numbers).
constexpr int NameColumn = 0;
constexpr int GamesColumn = 7;
constexpr int AtBatsColumn = 9;
constexpr int HomeRunsColumn = 16;
constexpr int AverageColumn = 18;

// The sort codes of a page request's first line: what follows the first
// row and the row count ("0!25!B!16!18!" gives "B!16!18!").
QString SortPart(const QString& firstLine) {
    return firstLine.section(QLatin1Char('!'), 2);
}

QString RequestText(StatisticsView& view) {
    return QString::fromStdString(PageRequest(view.queryState(), 0, 1));
}

QPoint TitlePoint(const StatisticsView& view, int column) {
    return view.DrawGrid1->cellRect(column, 1).center();
}

QString FirstRowCell(const StatisticsView& view, int column) {
    return ViewCellAt(view.records(), column, 2).text.trimmed();
}

QImage TitleImage(const StatisticsView& view, int column, int row) {
    return view.DrawGrid1->viewport()->grab().toImage().copy(view.DrawGrid1->cellRect(column, row));
}

} // namespace

class TestHeaderSort : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void titleClicksAreTheSortCommand();
    void marksLeaveEveryTitleWhole();

private:
    QStringList loggedRequests() const;
    // Waits until the service has logged `count` requests and the view's
    // page has arrived.
    bool waitForRequests(const StatisticsView& view, qsizetype count) const;
    // The sort codes the Sort dialog sends for a window of `kind` when it is
    // opened after the clicks and OK is pressed: the keys it remembers.
    QString dialogSortPart(DatabaseKind kind);
    std::unique_ptr<StatisticsView> openView(DatabaseKind kind);

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
    std::unique_ptr<QMenuBar> m_bar;
    MainMenu m_menu;
    std::unique_ptr<ViewCommands> m_commands;
    TForm6* m_sort = nullptr;
    StatisticsView* m_active = nullptr;
};

void TestHeaderSort::initTestCase() {
    QString error;
    m_host = StartRealService(m_service, QStringLiteral(BBSTATSD_PATH), m_dir, &error);
    QVERIFY2(!m_host.isEmpty(), qPrintable(error));
    m_bar = std::make_unique<QMenuBar>();
    m_menu = buildMainMenu(m_bar.get(), m_bar.get());
    m_sort = new TForm6(m_bar.get());
    m_commands = std::make_unique<ViewCommands>(
        m_menu,
        [this] { return QueryDialogs{m_sort, nullptr, nullptr, nullptr, nullptr, nullptr}; },
        [this] { return m_active; }, nullptr);
}

void TestHeaderSort::cleanupTestCase() {
    m_commands.reset();
    m_bar.reset();
    if (m_service.state() != QProcess::NotRunning) {
        m_service.terminate();
        if (!m_service.waitForFinished(20000))
            m_service.kill();
        m_service.waitForFinished(5000);
    }
}

QStringList TestHeaderSort::loggedRequests() const {
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool TestHeaderSort::waitForRequests(const StatisticsView& view, qsizetype count) const {
    return QTest::qWaitFor([&] { return loggedRequests().size() >= count && !view.isFetching(); },
                           120000);
}

QString TestHeaderSort::dialogSortPart(DatabaseKind kind) {
    FakeQueryTarget stand(kind);
    OnNextModal([](QWidget* modal) {
        if (auto* dialog = qobject_cast<TForm6*>(modal))
            dialog->Button1->click();
    });
    SortRecords(stand, *m_sort);
    const QString request = QString::fromStdString(stand.pageRequest());
    return SortPart(request.left(request.indexOf(QStringLiteral("\r\n"))));
}

std::unique_ptr<StatisticsView> TestHeaderSort::openView(DatabaseKind kind) {
    std::unique_ptr<StatisticsView> view(CreateStatisticsView(kind, Hosts(m_host, m_host, m_host)));
    // Wide enough to show the Batters titles up to AVG.
    view->resize(1600, 700);
    view->show();
    m_commands->AttachView(view.get());
    m_active = view.get();
    return view;
}

// One walk: click HR, click it again, Shift+click AVG, double-click G, size
// AB by its edge, Shift+click the name, then Undo back to the start; then a
// Fielders column dragged elsewhere. Each click sends one request whose sort
// codes are those the Sort dialog sends after it (the dialog remembers the
// click's keys); the gestures that are no click send none.
void TestHeaderSort::titleClicksAreTheSortCommand() {
    std::unique_ptr<StatisticsView> view = openView(DatabaseKind::Batters);
    QVERIFY(view->refreshView());
    QWidget* titles = view->DrawGrid1->viewport();
    QStringList texts{RequestText(*view)};
    const QImage plainHomeRuns[2] = {TitleImage(*view, HomeRunsColumn, 0),
                                     TitleImage(*view, HomeRunsColumn, 1)};
    const QImage plainAverage = TitleImage(*view, AverageColumn, 0);

    struct Click {
        int column;
        Qt::KeyboardModifiers modifiers;
        QString inWords;
    };
    const auto click = [&](const Click& step) {
        const qsizetype before = loggedRequests().size();
        QTest::mouseClick(titles, Qt::LeftButton, step.modifiers, TitlePoint(*view, step.column));
        QVERIFY(waitForRequests(*view, before + 1));
        const QStringList log = loggedRequests();
        QCOMPARE(log.size(), before + 1);
        QCOMPARE(SortPart(log.back()), dialogSortPart(DatabaseKind::Batters));
        QCOMPARE(view->QueryText->fullText(), step.inWords);
        texts << RequestText(*view);
    };
    // The checks of a click end the walk when they fail.
#define CLICK(...)                                                                                 \
    do {                                                                                           \
        click(__VA_ARGS__);                                                                        \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

    // Barry Bonds hit 73 home runs in 2001, the most in a season.
    CLICK({HomeRunsColumn, Qt::NoModifier, QStringLiteral("HR descending")});
    QCOMPARE(FirstRowCell(*view, NameColumn), QStringLiteral("Bonds, Barry"));
    QCOMPARE(FirstRowCell(*view, HomeRunsColumn), QStringLiteral("73"));
    // The arrow shows in the blank title row above HR; the title stays.
    const QImage oneKey = TitleImage(*view, HomeRunsColumn, 0);
    QVERIFY(oneKey != plainHomeRuns[0]);
    QCOMPARE(TitleImage(*view, HomeRunsColumn, 1), plainHomeRuns[1]);

    CLICK({HomeRunsColumn, Qt::NoModifier, QStringLiteral("HR ascending")});
    QCOMPARE(FirstRowCell(*view, HomeRunsColumn), QStringLiteral("0"));
    const QImage ascending = TitleImage(*view, HomeRunsColumn, 0);
    QVERIFY(ascending != oneKey);

    CLICK({AverageColumn, Qt::ShiftModifier, QStringLiteral("HR ascending, then AVG descending")});
    QCOMPARE(FirstRowCell(*view, HomeRunsColumn), QStringLiteral("0"));
    QCOMPARE(FirstRowCell(*view, AverageColumn), QStringLiteral("1.000"));
    // With two keys each title shows its number too.
    QVERIFY(TitleImage(*view, AverageColumn, 0) != plainAverage);
    QVERIFY(TitleImage(*view, HomeRunsColumn, 0) != ascending);
    QCOMPARE(TitleImage(*view, HomeRunsColumn, 1), plainHomeRuns[1]);

    // A double-click hides G; its first click never becomes a sort (the next
    // click below sends exactly one request, with the keys kept).
    const qsizetype beforeGestures = loggedRequests().size();
    const QPoint games = TitlePoint(*view, GamesColumn);
    QTest::mousePress(titles, Qt::LeftButton, {}, games);
    QTest::mouseRelease(titles, Qt::LeftButton, {}, games);
    QTest::mouseDClick(titles, Qt::LeftButton, {}, games);
    QTest::mouseRelease(titles, Qt::LeftButton, {}, games);
    QCOMPARE(view->DrawGrid1->colWidth(GamesColumn), 0);

    // A press on AB's right edge sizes it and never sorts.
    const int atBatsWidth = view->DrawGrid1->colWidth(AtBatsColumn);
    const QRect atBats = view->DrawGrid1->cellRect(AtBatsColumn, 1);
    const QPoint edge(atBats.right() + 1, atBats.center().y());
    QTest::mousePress(titles, Qt::LeftButton, {}, edge);
    QTest::mouseMove(titles, edge + QPoint(10, 0));
    QTest::mouseMove(titles, edge + QPoint(20, 0));
    QTest::mouseRelease(titles, Qt::LeftButton, {}, edge + QPoint(20, 0));
    QCOMPARE(view->DrawGrid1->colWidth(AtBatsColumn), atBatsWidth + 20);

    CLICK({NameColumn, Qt::ShiftModifier,
           QStringLiteral("HR ascending, then AVG descending, then Player Name ascending")});
    QCOMPARE(loggedRequests().size(), beforeGestures + 1);

    // Undo: the name key, G shown again, AVG, the second click, the first.
    view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view.get()));
    view->DrawGrid1->setFocus();
    for (qsizetype step = texts.size() - 2; step >= 0; --step) {
        QTest::keyClick(view->DrawGrid1, Qt::Key_Z, Qt::ControlModifier);
        if (step == texts.size() - 2) {
            QCOMPARE(view->DrawGrid1->colWidth(GamesColumn), 0);
            QTest::keyClick(view->DrawGrid1, Qt::Key_Z, Qt::ControlModifier);
            QVERIFY(view->DrawGrid1->colWidth(GamesColumn) > 0);
        }
        QVERIFY(waitForRequests(*view, 0));
        QCOMPARE(RequestText(*view), texts[step]);
    }
    QCOMPARE(TitleImage(*view, HomeRunsColumn, 0), plainHomeRuns[0]);
    QCOMPARE(TitleImage(*view, AverageColumn, 0), plainAverage);
    m_active = nullptr;
    view.reset();

    // Fielders: a title dragged onto another column's place moves it and
    // never sorts; a click afterwards sorts by the column it names.
    std::unique_ptr<StatisticsView> fielders = openView(DatabaseKind::Fielders);
    QVERIFY(fielders->refreshView());
    DrawGrid* grid = fielders->DrawGrid1;
    const int first = grid->fixedCols();
    const int moved = grid->columnAt(first);
    const QPoint from = TitlePoint(*fielders, moved);
    const QPoint to = TitlePoint(*fielders, grid->columnAt(first + 2));
    const qsizetype beforeDrag = loggedRequests().size();
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(grid->viewport(), (from + to) / 2);
    QTest::mouseMove(grid->viewport(), to);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(grid->positionOf(moved), first + 2);
    const int clicked = grid->columnAt(first);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, TitlePoint(*fielders, clicked));
    QVERIFY(waitForRequests(*fielders, beforeDrag + 1));
    QCOMPARE(loggedRequests().size(), beforeDrag + 1);
    const QString codes = SortPart(loggedRequests().back());
    QCOMPARE(codes, dialogSortPart(DatabaseKind::Fielders));
    const int field = DatabaseInfoFor(DatabaseKind::Fielders)
                          .columns[static_cast<std::size_t>(clicked)]
                          .sortField;
    QVERIFY2(codes == QStringLiteral("%1!").arg(field) ||
                 codes == QStringLiteral("%1!").arg(field + 100),
             qPrintable(codes));
}

// Every title cell of the four windows at its first width has room for the
// mark of a key, alone or numbered: inside the cell, clear of the title's
// characters in the row it is drawn in.
void TestHeaderSort::marksLeaveEveryTitleWhole() {
    const FixedPitchText text(QFont(QStringLiteral("Courier New"), 8));
    const qreal advance = text.advance();
    const qreal height = 14;
    const qreal numberWidth =
        QFontMetricsF(TitleMarks::NumberFont()).horizontalAdvance(QStringLiteral("4"));
    // The x range a title row's characters cover (empty for a blank row).
    const auto inked = [advance](const QString& row) {
        const qsizetype first = row.size() - QString(row).remove(QRegularExpression("^ +")).size();
        const qsizetype end = QString(row).remove(QRegularExpression(" +$")).size();
        return first >= end ? QRectF() : QRectF(1 + first * advance, 0, (end - first) * advance, 1);
    };
    for (const DatabaseKind kind : {DatabaseKind::Batters, DatabaseKind::Pitchers,
                                    DatabaseKind::Fielders, DatabaseKind::Teams}) {
        for (const ColumnSpec& column : DatabaseInfoFor(kind).columns) {
            const QString rows[2] = {QString::fromLatin1(column.headerTop),
                                     QString::fromLatin1(column.title)};
            const QRectF cell(0, 0, column.pixels, height);
            for (const qreal number : {qreal(0), numberWidth}) {
                const TitleMark mark =
                    PlaceTitleMark(rows[0], rows[1], column.pixels, height, advance, number);
                const QString where = QStringLiteral("%1 \"%2\" with %3")
                                          .arg(DatabaseInfoFor(kind).caption, rows[1].trimmed())
                                          .arg(number > 0 ? "a number" : "no number");
                QVERIFY2(!mark.covers, qPrintable(where));
                QVERIFY2(cell.contains(mark.arrow), qPrintable(where));
                const QRectF ink = inked(rows[mark.arrowRow]);
                QVERIFY2(ink.isNull() || mark.arrow.right() < ink.left() ||
                             mark.arrow.left() > ink.right(),
                         qPrintable(where));
                if (number > 0) {
                    QVERIFY2(cell.contains(mark.number), qPrintable(where));
                    const QRectF numberInk = inked(rows[mark.numberRow]);
                    QVERIFY2(numberInk.isNull() || mark.number.right() < numberInk.left() ||
                                 mark.number.left() > numberInk.right(),
                             qPrintable(where));
                }
            }
        }
    }
}

QTEST_MAIN(TestHeaderSort)
#include "test_headersort.moc"
