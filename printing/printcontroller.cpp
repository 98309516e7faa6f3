#include "printing/printcontroller.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

#include "databases/databaseinfo.h"
#include "platform/dialogfolder.h"
#include "printing/glyphset.h"
#include "printing/paintercanvas.h"
#include "printing/tduallistdlg.h"
#include "printing/tform15.h"
#include "protocol/pagefetcher.h"
#include "startup/errorreport.h"
#include "views/statisticsview.h"

namespace {

template <class Record> PrintPage pageOf(StatisticsView& view, const QList<PrintColumn>& columns) {
    auto* fetcher = dynamic_cast<PageFetcher<Record>*>(&view.exchange());
    if (fetcher == nullptr) {
        return BuildPrintPage<Record>(columns, {}, Record{});
    }
    const std::int64_t total = std::max<std::int32_t>(fetcher->TotalRecords(), 0);
    // The grid's rows as it shows them now, not the last request's count: a
    // result that grew (undo, reset, a wider limit, a mode change) may show
    // rows that an earlier page of the same query brought.
    const std::int64_t count =
        std::min<std::int64_t>(view.DrawGrid1->visibleRowCount(), total + 1) - 1;
    const std::int64_t top = view.DrawGrid1->topRow() - view.DrawGrid1->fixedRows();
    std::vector<const Record*> rows;
    // The rows on screen; rows past the result's end are blank on screen and
    // are not printed, and a row without its record of the shown query is
    // printed blank, as the grid draws it.
    for (std::int64_t i = 0; i < count && top + i < total; ++i) {
        const Record* record = fetcher->Cache().Slot(top + i);
        const bool shown = view.records().isShown(static_cast<int>(top + i));
        rows.push_back(record != nullptr && shown ? record : nullptr);
    }
    return BuildPrintPage<Record>(columns, rows, fetcher->TotalsRecord());
}

// The word a database's default PDF file is named after ("batters.pdf").
QString databaseWord(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return QStringLiteral("batters");
    case DatabaseKind::Pitchers:
        return QStringLiteral("pitchers");
    case DatabaseKind::Fielders:
        return QStringLiteral("fielders");
    case DatabaseKind::Teams:
        return QStringLiteral("teams");
    }
    return QStringLiteral("print");
}

bool havePrinter() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void showError(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, buttons, parent);
    box.exec();
}

} // namespace

PrintPage PrintPageOfView(StatisticsView& view, const QList<PrintColumn>& columns) {
    switch (view.databaseKind()) {
    case DatabaseKind::Batters:
        return pageOf<BatterRecord>(view, columns);
    case DatabaseKind::Pitchers:
        return pageOf<PitcherRecord>(view, columns);
    case DatabaseKind::Fielders:
        return pageOf<FielderRecord>(view, columns);
    case DatabaseKind::Teams:
        return pageOf<TeamRecord>(view, columns);
    }
    return PrintPage{};
}

PrintController::PrintController(QWidget* window)
    : QObject(window), m_window(window),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

PrintController::~PrintController() = default;

void PrintController::Print1Click(StatisticsView* view) {
    QPointer<StatisticsView> guard(view);
    auto* dialog = m_window->findChild<TDualListDlg*>();
    if (guard == nullptr || dialog == nullptr || m_running || m_waitingForPage) {
        return;
    }
    if (guard->isFetching()) {
        // The rows to print are still arriving: the run starts once they
        // are there, from the main event loop rather than inside the wait.
        m_waitingForPage = true;
        QTimer::singleShot(50, this, [this, guard] {
            m_waitingForPage = false;
            Print1Click(guard);
        });
        return;
    }
    m_running = true;
    const QMetaObject::Connection setup = connect(dialog, &TDualListDlg::printerSetupRequested,
                                                  this, &PrintController::Printsetup1Click);
    dialog->Prepare(guard->databaseKind(), guard->queryState().MoreColumns);
    for (;;) {
        const int result = dialog->exec();
        if (result != TDualListDlg::PrintChosen && result != TDualListDlg::PreviewChosen) {
            break;
        }
        if (guard == nullptr) {
            break; // the window closed meanwhile: nothing left to print
        }
        const QList<PrintColumn> columns = dialog->PrintColumns();
        if (columns.isEmpty()) {
            showError(m_window, NoColumnsMessage, QMessageBox::Ok | QMessageBox::Cancel);
            continue;
        }
        std::vector<std::int32_t> widths;
        for (const PrintColumn& column : columns) {
            widths.push_back(column.width);
        }
        const CharsPerLine chars =
            CharactersPerLine(widths, dialog->FitToPage(), dialog->MaskEdit2->FieldText(),
                              dialog->MaskEdit1->FieldText());
        if (!chars.error.isEmpty()) {
            showError(m_window, chars.error, QMessageBox::Ok);
            continue;
        }
        // Rows the grid shows without their records of the shown query are
        // fetched first.
        if (!guard->fetchVisibleRows() || guard == nullptr) {
            break;
        }
        const PrintPage page = PrintPageOfView(*guard, columns);
        const std::int64_t charsPerLine = std::max(chars.count, LineWidth(page));
        if (result == TDualListDlg::PreviewChosen) {
            preview(page, charsPerLine);
            continue;
        }
        if (printOnPaper(*guard, page, charsPerLine)) {
            break;
        }
    }
    disconnect(setup);
    m_running = false;
}

void PrintController::preview(const PrintPage& page, std::int64_t charsPerLine) {
    auto* window = m_window->findChild<TForm15*>();
    if (window == nullptr) {
        return;
    }
    QImage& image = window->Image1->Canvas();
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(PreviewFont());
        painter.setPen(Qt::black);
        PainterCanvas canvas(painter, image.size(), nullptr);
        DrawPrintPage(canvas, PrintTarget::Preview, page, charsPerLine);
    }
    // The paper the page set-up chose, as the print run would fill it.
    const QRect paintRect = m_printer->pageLayout().paintRectPixels(m_printer->resolution());
    window->SetPaperText(PaperDescription(m_printer->pageLayout(), charsPerLine,
                                          PaperPageCount(page, charsPerLine, paintRect.size())));
    window->ShowPreview();
}

QString PrintController::askPdfFile(StatisticsView& view) {
    // Named after the database, in the folder the user last chose (at first
    // the documents folder).
    const QDir folder(DialogStartFolder());
    const QString suggested =
        folder.filePath(databaseWord(view.databaseKind()) + QStringLiteral(".pdf"));
    QFileDialog dialog(m_window, QStringLiteral("Print to PDF File"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    RememberDialogFolder(dialog.selectedFiles().front());
    return dialog.selectedFiles().front();
}

bool PrintController::printOnPaper(StatisticsView& view, const PrintPage& page,
                                   std::int64_t charsPerLine) {
    const bool toPdf = !havePrinter() || m_printer->outputFormat() == QPrinter::PdfFormat;
    if (toPdf) {
        const QString path = askPdfFile(view);
        if (path.isEmpty()) {
            return false;
        }
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(path);
    }
    m_printer->setDocName(view.windowTitle());
    const GlyphSet glyphs;
    if (!glyphs.error().isEmpty()) {
        ReportError(m_window, glyphs.error());
        return true;
    }
    QPainter painter;
    if (!painter.begin(m_printer.get())) {
        ReportError(m_window, toPdf
                                  ? QStringLiteral("The PDF file \"%1\" cannot be written.")
                                        .arg(m_printer->outputFileName())
                                  : QStringLiteral("The printer \"%1\" cannot start the printout.")
                                        .arg(m_printer->printerName()));
        return true;
    }
    const QRect paintRect = m_printer->pageLayout().paintRectPixels(m_printer->resolution());
    PainterCanvas canvas(painter, paintRect.size(), &glyphs, [this] { m_printer->newPage(); });
    DrawPrintPage(canvas, PrintTarget::Paper, page, charsPerLine);
    painter.end();
    if (m_printer->printerState() == QPrinter::Error) {
        ReportError(m_window,
                    QStringLiteral("The printout to \"%1\" failed.")
                        .arg(toPdf ? m_printer->outputFileName() : m_printer->printerName()));
    }
    return true;
}

void PrintController::Printsetup1Click() {
    QWidget* parent =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : m_window;
    if (havePrinter()) {
        // The printer (or printing to a PDF file); its Properties hold the
        // paper, orientation and margins. Nothing prints from here.
        QPrintDialog dialog(m_printer.get(), parent);
        dialog.setWindowTitle(QStringLiteral("Printer Setup"));
        dialog.setOptions(QAbstractPrintDialog::PrintToFile);
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) {
                ok->setText(QStringLiteral("OK"));
            }
        }
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
    } else {
        // Without a printer every print goes to a PDF file.
        m_printer->setOutputFormat(QPrinter::PdfFormat);
    }
    // The page set-up in every case: paper size, orientation and margins,
    // used by the print run and told by the preview.
    QPageSetupDialog setup(m_printer.get(), parent);
    setup.setWindowTitle(QStringLiteral("Page Setup"));
    setup.exec();
}
