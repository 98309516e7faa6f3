// Print runs from the main window's menu over a Batters window on the real
// statistics service: the dialog's two refusals, two previews, a print into
// a PDF file; the preview image and the PDF page (through pdftoppm) have ink
// exactly where the layout puts text, and the rows are the rows on screen,
// also after the result grew (undo, reset, a wider limit, a mode change) and
// when another window took the cached rows.

#include <deque>
#include <functional>

#include <QFile>
#include <QFileDialog>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "mainwindow/headerband.h"
#include "mainwindow/tform1.h"
#include "printing/paintercanvas.h"
#include "printing/printcontroller.h"
#include "printing/tduallistdlg.h"
#include "printing/tform15.h"
#include "query/linesoperations.h"
#include "query/queryoperations.h"
#include "recordingcanvas.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"
#include "views/statisticsview.h"
#include "views/viewcell.h"

// How a Batters window's result grows from a few rows (or has its cached
// rows taken by another window) before the print.
enum class Growth { Undo, WiderLimit, ModeChange, OtherWindow, Reset };
Q_DECLARE_METATYPE(Growth)

namespace {

// Acts on the application's modal windows in turn: each step waits until a
// modal window of its kind shows, then acts on it once.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;
    ModalDriver() {
        connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
        m_timer.start(20);
    }
    template <class Window> void then(std::function<void(Window*)> act) {
        m_steps.push_back([act](QWidget* w) {
            auto* window = qobject_cast<Window*>(w);
            if (window == nullptr) {
                return false;
            }
            act(window);
            return true;
        });
    }
    bool done() const { return m_steps.empty(); }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (m_steps.empty() || modal == nullptr || !modal->isVisible() || modal == m_last) {
            return;
        }
        if (m_steps.front()(modal)) {
            m_steps.pop_front();
            m_last = modal;
            // The same window may come back: act on it after it has closed.
            QTimer::singleShot(0, this, [this] { m_last = nullptr; });
        }
    }
    QTimer m_timer;
    std::deque<std::function<bool(QWidget*)>> m_steps;
    QPointer<QWidget> m_last;
};

// Dark pixels of `image` inside `area`.
int ink(const QImage& image, const QRect& area) {
    int dark = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            dark += qGray(image.pixel(x, y)) < 128;
        }
    }
    return dark;
}

void choose(TDualListDlg* dialog, const QStringList& descriptions) {
    dialog->ExAllBtnClick();
    for (const QString& description : descriptions) {
        dialog->StringGrid1->setCurrentCell(
            static_cast<int>(dialog->AvailableColumns().indexOf(description)), 0);
        dialog->IncludeBtnClick();
    }
}

} // namespace

class TestPrintService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void printRunsOfTheRowsOnScreen();
    void printsEveryRowOfAGrownResult_data();
    void printsEveryRowOfAGrownResult();

private:
    void checkPreview(const QImage& image, const PrintPage& page, std::int64_t chars);
    void checkPdf(const QString& pdf, const QPrinter& printer, const PrintPage& page,
                  std::int64_t chars);

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
};

void TestPrintService::initTestCase() {
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    QVERIFY2(QFile::exists(db), "the imported test database is missing (BBSTATS_TEST_DB)");
    m_service.start(QStringLiteral(BBSTATSD_PATH),
                    {QStringLiteral("serve"), QStringLiteral("--db"), db,
                     QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                     QStringLiteral("--events"), m_dir.filePath(QStringLiteral("events.db"))});
    QVERIFY(m_service.waitForStarted());
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QString output;
    const bool answered = QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(m_service.readAllStandardOutput());
            return listening.match(output).hasMatch() || m_service.state() != QProcess::Running;
        },
        600000);
    const QRegularExpressionMatch match = listening.match(output);
    QVERIFY2(answered && match.hasMatch(), qPrintable(output + m_service.readAllStandardError()));
    m_host = match.captured(1);
}

void TestPrintService::cleanupTestCase() {
    m_service.terminate();
    if (!m_service.waitForFinished(20000)) {
        m_service.kill();
    }
}

void TestPrintService::checkPreview(const QImage& image, const PrintPage& page,
                                    std::int64_t chars) {
    // The same layout with the preview font's measures, recorded.
    const QFontMetrics metrics(PreviewFont(), &image);
    RecordingCanvas layout(image.width(), image.height(),
                           metrics.horizontalAdvance(QLatin1Char(' ')), metrics.height());
    DrawPrintPage(layout, PrintTarget::Preview, page, chars);
    int lastBottom = 0;
    for (const RecordingCanvas::Text& text : layout.texts) {
        const QRect band(int(text.x), int(text.y), int(layout.textWidth(text.text)),
                         metrics.height());
        if (!text.text.trimmed().isEmpty()) {
            QVERIFY2(ink(image, band) > 0, qPrintable(text.text));
        }
        if (text.text == page.totals.front()) {
            // Between the last row and the totals line nothing is drawn.
            QCOMPARE(ink(image, QRect(0, lastBottom, 1500, int(text.y) - lastBottom)), 0);
        } else {
            lastBottom = band.bottom() + 1;
        }
    }
    // Below the totals line the image is blank.
    QCOMPARE(ink(image, QRect(0, lastBottom + 1, 3000, 1200)), 0);
}

void TestPrintService::checkPdf(const QString& pdf, const QPrinter& printer, const PrintPage& page,
                                std::int64_t chars) {
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("150"),
                  QStringLiteral("-singlefile"), pdf, m_dir.filePath(QStringLiteral("page"))});
    QVERIFY(render.waitForFinished(60000));
    QCOMPARE(render.exitCode(), 0);
    const QImage png(m_dir.filePath(QStringLiteral("page.png")));
    QVERIFY(!png.isNull());
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    RecordingCanvas layout(paint.width(), paint.height());
    DrawPrintPage(layout, PrintTarget::Paper, page, chars);
    QCOMPARE(layout.pages, 0);
    const double scale = 150.0 / printer.resolution();
    const auto onPng = [&](const QRect& cell) {
        return QRectF((paint.left() + cell.x()) * scale, (paint.top() + cell.y()) * scale,
                      cell.width() * scale, cell.height() * scale)
            .toAlignedRect();
    };
    int inked = 0;
    for (const RecordingCanvas::Glyph& glyph : layout.glyphs) {
        if (glyph.c.isLetterOrNumber()) {
            QVERIFY2(ink(png, onPng(glyph.cell)) > 0, qPrintable(QString(glyph.c)));
            ++inked;
        }
    }
    QVERIFY(inked > 500);
    // Below the totals the page is blank.
    const RecordingCanvas::Glyph& last = layout.glyphs.back();
    QCOMPARE(ink(png, QRect(0, onPng(last.cell).bottom() + 4, png.width(), png.height())), 0);
}

void TestPrintService::printRunsOfTheRowsOnScreen() {
    CoBrandConfig config;
    TForm1 form(config);
    form.SetServiceHosts(Hosts(m_host, m_host, m_host));
    auto* dialog = new TDualListDlg(&form);
    auto* preview = new TForm15(&form);
    form.resize(1200, 900);
    form.show();
    // Each activation of the main window sizes the preview to it (the
    // scroll box follows the preview's size once shown, below).
    form.FormActivate();
    const QRect frame = form.frameGeometry();
    const int header = form.Header()->height();
    QVERIFY(header > 0);
    QCOMPARE(preview->geometry(), QRect(frame.left() + 15, frame.top() + header + 60,
                                        frame.width() - 30, frame.height() - header - 120));
    form.Menu().Player1->trigger();
    StatisticsView* view = form.View(DatabaseKind::Batters);
    QVERIFY(view != nullptr);
    // Scrolled deep into the result: the rows on screen come from there.
    view->DrawGrid1->setTopRow(60002);
    QTRY_COMPARE(view->LastTopRow(), 60002);
    QVERIFY(!view->isFetching());

    const QStringList columns{
        "Player Name",           "Year", "Team Name", "HR  - Home Runs", "AVG - Batting Average",
        "POS - Positions Played"};
    MessageBoxCatcher boxes;
    ModalDriver driver;
    QImage firstPreview;
    QImage secondPreview;
    const QString pdf = m_dir.filePath(QStringLiteral("batters-deep.pdf"));
    // 1. No column chosen. 2. 90 characters in a line of at most 80.
    driver.then<TDualListDlg>([](TDualListDlg* d) { d->OKBtn->click(); });
    driver.then<TDualListDlg>([&](TDualListDlg* d) {
        choose(d, columns);
        d->RadioButton2->setChecked(true);
        d->Button1->click();
    });
    // 3. Fitted to a page of at least 80: the preview, closed with Escape.
    driver.then<TDualListDlg>([](TDualListDlg* d) {
        d->RadioButton1->setChecked(true);
        d->Button1->click();
    });
    driver.then<TForm15>([&](TForm15* p) {
        firstPreview = p->Image1->Canvas().copy();
        QCOMPARE(p->ScrollBox1->size(), p->size() - QSize(10, 45));
        QCOMPARE(p->Button1->geometry(), QRect(416, 0, p->width() - 416 - 355, 25));
        QTest::keyClick(p, Qt::Key_Escape);
    });
    // 4. Without the average: a second preview, closed with Enter.
    driver.then<TDualListDlg>([&](TDualListDlg* d) {
        choose(d, QStringList(columns).mid(0, 4) << columns.back());
        d->Button1->click();
    });
    driver.then<TForm15>([&](TForm15* p) {
        secondPreview = p->Image1->Canvas().copy();
        QTest::keyClick(p, Qt::Key_Return);
    });
    // 5. All six columns again, printed into a PDF file.
    driver.then<TDualListDlg>([&](TDualListDlg* d) {
        choose(d, columns);
        d->OKBtn->click();
    });
    driver.then<QFileDialog>([&](QFileDialog* f) {
        QCOMPARE(f->windowTitle(), QStringLiteral("Print to PDF File"));
        QCOMPARE(f->selectedFiles().value(0).section(QLatin1Char('/'), -1),
                 QStringLiteral("batters.pdf"));
        f->selectFile(pdf);
        static_cast<QDialog*>(f)->accept();
    });
    form.Menu().Print1->trigger();
    QVERIFY(driver.done());
    QCOMPARE(boxes.texts(), QStringList({NoColumnsMessage, TooWideMessage}));
    QVERIFY(!dialog->isVisible() && !preview->isVisible());

    // The page of that run: one row fewer than the page asked for, the rows
    // on screen from the top row on.
    QList<PrintColumn> chosen;
    for (const QString& column : columns) {
        chosen.append({column, DefaultCatalogue(DatabaseKind::Batters)
                                   .entries[DefaultCatalogue(DatabaseKind::Batters).indexOf(column)]
                                   .printWidth});
    }
    const PrintPage page = PrintPageOfView(*view, chosen);
    QCOMPARE(int(page.rows.size()), view->exchange().PageRowCount() - 1);
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const int gridRow = 60002 + int(r);
        QCOMPARE(page.rows[r][0].left(18).trimmed(), ViewCellAt(view->records(), 0, gridRow).text);
        QCOMPARE(page.rows[r][3].trimmed(),
                 ViewCellAt(view->records(), 16, gridRow).text.trimmed());
    }
    QCOMPARE(page.totals.front(), QStringLiteral("TOTALS "));

    // 90 characters, more where a column of numbers widened to keep its
    // totals apart from their neighbours.
    const std::int64_t chars = std::max<std::int64_t>(90, LineWidth(page));
    checkPreview(firstPreview, page, chars);
    QVERIFY(firstPreview != secondPreview); // the second preview is a new drawing
    checkPdf(pdf, form.findChild<PrintController*>()->Printer(), page, chars);

    // After a new query (a fetch from the top), a second run prints its rows:
    // previewed, then cancelled.
    view->queryState().SortCode = 16; // home runs, most first
    view->DrawGrid1->setTopRow(2);
    QTRY_COMPARE(view->LastTopRow(), 2);
    driver.then<TDualListDlg>([&](TDualListDlg* d) {
        QVERIFY(d->ColumnsToPrint().isEmpty()); // prepared afresh
        choose(d, {QStringLiteral("Player Name"), QStringLiteral("HR  - Home Runs")});
        d->Button1->click();
    });
    driver.then<TForm15>([&](TForm15* p) {
        firstPreview = p->Image1->Canvas().copy();
        p->Button1->click();
    });
    driver.then<TDualListDlg>([](TDualListDlg* d) { d->CancelBtn->click(); });
    form.Menu().PrintPreview1->trigger();
    QVERIFY(driver.done());
    const PrintPage sorted = PrintPageOfView(
        *view, {{QStringLiteral("Player Name"), 18}, {QStringLiteral("HR  - Home Runs"), 6}});
    QCOMPARE(sorted.rows.front()[1].trimmed(),
             ViewCellAt(view->records(), 16, view->DrawGrid1->topRow()).text.trimmed());
    QVERIFY(sorted.rows.front()[1].trimmed().toInt() >= 60);
    checkPreview(firstPreview, sorted, 80);
}

void TestPrintService::printsEveryRowOfAGrownResult_data() {
    QTest::addColumn<Growth>("growth");
    QTest::addColumn<QList<int>>("years"); // every row printed, in order; empty: a full grid
    const QList<int> redSox{1914, 1915, 1916, 1917, 1918, 1919};
    QList<int> career;
    for (int year = 1914; year <= 1935; ++year) {
        career << year;
    }
    // Babe Ruth with the Boston Red Sox, 1914-1919: six seasons.
    QTest::newRow("undo of a narrower limit") << Growth::Undo << redSox;
    QTest::newRow("a wider limit") << Growth::WiderLimit << redSox.mid(1);
    // His 22 seasons, 1914-1935, one club each.
    QTest::newRow("career lines to per-team rows") << Growth::ModeChange << career;
    QTest::newRow("rows taken by another window") << Growth::OtherWindow << redSox;
    QTest::newRow("reset") << Growth::Reset << QList<int>{};
}

// The print of each grown result holds every row the grid shows (fully
// visible, less one as always when the result is longer than the grid), each
// the record of the shown query, fetched first where the cache lacks it.
void TestPrintService::printsEveryRowOfAGrownResult() {
    QFETCH(Growth, growth);
    QFETCH(QList<int>, years);
    const ServiceHosts hosts = Hosts(m_host, m_host, m_host);
    TForm2A view(hosts);
    view.resize(1000, 900);
    view.show();
    QueryState& state = view.queryState();
    const auto show = [&] {
        QVERIFY(view.refreshView());
        QTRY_VERIFY(!view.isFetching());
    };
    state.AppendGroup({"ARuth, Babe"});
    if (growth == Growth::ModeChange) {
        state.Lines = LinesMode::PerCareer;
        show();
        QCOMPARE(view.exchange().TotalRecords(), 1);
        SetLinesMode(view, LinesMode::PerTeam);
    } else {
        state.AppendGroup({"BBoston Red Sox"});
        show();
        const QueryState redSox = state;
        state.AppendGroup({growth == Growth::WiderLimit ? "E16!29!99!" : "E16!2!99!"});
        show();
        QCOMPARE(view.exchange().TotalRecords(), growth == Growth::WiderLimit ? 1 : 5);
        if (growth == Growth::Undo || growth == Growth::OtherWindow) {
            QVERIFY(view.undoQuery());
        } else if (growth == Growth::WiderLimit) {
            state = redSox;
            state.AppendGroup({"E16!2!99!"});
            show();
        } else {
            ResetQuery(view);
        }
    }
    QTRY_VERIFY(!view.isFetching());
    if (growth == Growth::OtherWindow) {
        // A second Batters window writes its rows over the shared cache.
        TForm2A other(hosts);
        other.resize(1000, 900);
        other.show();
        QVERIFY(other.refreshView());
        QVERIFY(view.visibleRowsMissing());
    }
    QVERIFY(view.fetchVisibleRows());
    QVERIFY(!view.visibleRowsMissing());

    const PrintPage page =
        PrintPageOfView(view, {{QStringLiteral("Player Name"), 18}, {QStringLiteral("Year"), 5}});
    const int total = view.exchange().TotalRecords();
    const int visible = view.DrawGrid1->visibleRowCount();
    if (years.isEmpty()) {
        QVERIFY(total > visible);
        QCOMPARE(int(page.rows.size()), visible - 1);
    } else {
        QVERIFY2(visible > total, "the window shows the whole result");
        QList<int> printed;
        for (const auto& row : page.rows) {
            QCOMPARE(row[0].trimmed(), QStringLiteral("Ruth, Babe"));
            printed << row[1].trimmed().toInt();
        }
        QCOMPARE(printed, years);
    }
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        // Printed as the grid shows it, never blank.
        QVERIFY(!page.rows[r][0].trimmed().isEmpty());
        QCOMPARE(page.rows[r][0].trimmed(),
                 ViewCellAt(view.records(), 0, 2 + int(r)).text.trimmed());
    }
}

QTEST_MAIN(TestPrintService)
#include "test_printservice.moc"
