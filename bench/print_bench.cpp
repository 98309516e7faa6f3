// A print run of a full screen of Batters (55 rows, all 31 columns at their
// default widths, fitted to the page) against the local service's real data:
//  - to PDF: the page texts built, the glyphs loaded, a PDF document of the
//    page written to a file (what "OK to Print" does without a printer);
//  - to the preview image: the page texts built, the 3000 x 1200 image
//    cleared and drawn.
// Each figure is the median of repeated runs, next to a baseline measured in
// the same run: an empty one-page PDF document written to the same file, and
// clearing the preview image alone.
//
// Usage: print_bench [--db FILE] [--service BBSTATSD] [--data DIR] [--rounds N]

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "bench/benchservice.h"
#include "databases/batterrecord.h"
#include "databases/columncatalogue.h"
#include "printing/glyphset.h"
#include "printing/paintercanvas.h"
#include "printing/printlayout.h"
#include "printing/printtexts.h"
#include "protocol/pagefetcher.h"

namespace {

constexpr int ScreenRows = 55;
constexpr int TopPosition = 60000;

// One print run onto a PDF file, as the print command draws it on the
// printer it keeps for the whole run of the program.
void printToPdf(QPrinter& printer, const QString& path, const QList<PrintColumn>& columns,
                std::span<const BatterRecord* const> rows, const BatterRecord& totals,
                std::int64_t chars) {
    const PrintPage page = BuildPrintPage<BatterRecord>(columns, rows, totals);
    printer.setOutputFileName(path);
    const GlyphSet glyphs;
    QPainter painter(&printer);
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    PainterCanvas canvas(painter, paint.size(), &glyphs, [&printer] { printer.newPage(); });
    DrawPrintPage(canvas, PrintTarget::Paper, page, chars);
}

void emptyPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFileName(path);
    QPainter painter(&printer);
}

void drawPreview(QImage& image, const QList<PrintColumn>& columns,
                 std::span<const BatterRecord* const> rows, const BatterRecord& totals,
                 std::int64_t chars) {
    const PrintPage page = BuildPrintPage<BatterRecord>(columns, rows, totals);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(PreviewFont());
    painter.setPen(Qt::black);
    PainterCanvas canvas(painter, image.size(), nullptr);
    DrawPrintPage(canvas, PrintTarget::Preview, page, chars);
}

template <class Work> double timeOnce(Work work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return MsSince(timer);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments(), 30);
    QProcess service;
    const QString host = StartBenchService(service, options);
    if (host.isEmpty()) {
        std::fprintf(stderr, "print_bench: the service did not start (%s)\n",
                     qPrintable(options.service));
        return 1;
    }
    PageCache<BatterRecord> cache(BatterLayout().initialCapacity);
    PageFetcher<BatterRecord> fetcher(BatterLayout(), cache, QStringLiteral("/cgi-bin/getbat.exe"),
                                      ServiceHosts{host, host, host}, host, 300);
    if (fetcher.RefreshView(TopPosition, ScreenRows + 1).result != FetchResult::Done) {
        std::fprintf(stderr, "print_bench: the page request failed\n");
        return 1;
    }
    std::vector<const BatterRecord*> rows;
    for (int i = 0; i < ScreenRows; ++i) {
        rows.push_back(cache.Slot(TopPosition + i));
    }
    QList<PrintColumn> columns;
    std::vector<std::int32_t> widths;
    for (const CatalogueEntry& entry : DefaultCatalogue(DatabaseKind::Batters).entries) {
        columns.append({entry.description, entry.printWidth});
        widths.push_back(entry.printWidth);
    }
    const std::int64_t chars =
        CharactersPerLine(widths, true, QStringLiteral("   80"), QStringLiteral("   80")).count;

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("print.pdf"));
    const QString empty = dir.filePath(QStringLiteral("empty.pdf"));
    QImage image(3000, 1200, QImage::Format_RGB32);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const int rounds = options.rounds;
    const BatterRecord& totals = fetcher.TotalsRecord();
    // Interleaved, so the machine's other load falls on each alike; the
    // first two rounds warm up (fonts, glyph resources, file system).
    std::vector<double> pdfTimes, emptyTimes, previewTimes, clearTimes;
    for (int r = 0; r < rounds + 2; ++r) {
        const double pdfMs =
            timeOnce([&] { printToPdf(printer, pdf, columns, rows, totals, chars); });
        const double emptyMs = timeOnce([&] { emptyPdf(printer, empty); });
        const double previewMs =
            timeOnce([&] { drawPreview(image, columns, rows, totals, chars); });
        const double clearMs = timeOnce([&] { image.fill(Qt::white); });
        if (r >= 2) {
            pdfTimes.push_back(pdfMs);
            emptyTimes.push_back(emptyMs);
            previewTimes.push_back(previewMs);
            clearTimes.push_back(clearMs);
        }
    }
    const double pdfMs = Median(pdfTimes);
    const double emptyMs = Median(emptyTimes);
    const double previewMs = Median(previewTimes);
    const double clearMs = Median(clearTimes);
    std::printf("Batters, %d rows from position %d, %lld columns, %lld characters per line; "
                "%d rounds\n",
                ScreenRows, TopPosition, static_cast<long long>(columns.size()),
                static_cast<long long>(chars), rounds);
    std::printf("%-34s %10s %12s %8s %8s\n", "run", "median ms", "baseline ms", "ratio", "target");
    std::printf("%-34s %10.1f %12.1f %8.1f %8s\n", "print to PDF (PDF file written)", pdfMs,
                emptyMs, pdfMs / emptyMs, "< 200");
    std::printf("%-34s %10.1f %12.1f %8.1f %8s\n", "preview (image cleared and drawn)", previewMs,
                clearMs, previewMs / clearMs, "< 200");
    std::printf("PDF file: %lld bytes\n", static_cast<long long>(QFile(pdf).size()));
    service.terminate();
    service.waitForFinished(20000);
    return 0;
}
