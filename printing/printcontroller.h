#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>

#include "printing/printlayout.h"
#include "printing/printtexts.h"

class QPrinter;
class QWidget;
class StatisticsView;
class TDualListDlg;
class TForm15;

// The page of the rows a database window shows: its top grid row on, as
// many records as the grid shows fully visible rows less one, or every
// record of a smaller result (never rows past the result's end), then its
// totals. Rows whose records of the shown query are not cached are blank.
PrintPage PrintPageOfView(StatisticsView& view, const QList<PrintColumn>& columns);

// The print commands of the main window: "&Print" and "Print Pre&view" run
// the print options dialog over the active database window and print or
// preview what it shows; "P&rint setup" opens the printer and page set-up.
// It keeps the printer (and what set-up chose) for the whole run. Without a
// printer the print goes to a PDF file the user names.
class PrintController : public QObject {
    Q_OBJECT
public:
    // `window` is the main window: the print options dialog and the preview
    // are its children (made at start-up), and it parents the messages.
    explicit PrintController(QWidget* window);
    ~PrintController() override;

    // A print run on `view` (nothing without one): the dialog, prepared for
    // its database, until Cancel or a print; previews return to the dialog.
    // While the view's page is being fetched the run waits for it; a print
    // command during a run is ignored.
    void Print1Click(StatisticsView* view);
    // The printer set-up: the printer dialog where a printer is installed,
    // then in every case the page set-up (paper size, orientation, margins)
    // that the print run uses and the preview names.
    void Printsetup1Click();

    QPrinter& Printer() { return *m_printer; }

private:
    // Draws the page on the printer, or into a PDF file the user names when
    // no printer is installed. False when the user cancelled the file name.
    bool printOnPaper(StatisticsView& view, const PrintPage& page, std::int64_t charsPerLine);
    void preview(const PrintPage& page, std::int64_t charsPerLine);
    // The PDF file to print into, asked with a save dialog; empty: cancelled.
    QString askPdfFile(StatisticsView& view);

    QWidget* m_window;
    std::unique_ptr<QPrinter> m_printer;
    bool m_running = false;
    bool m_waitingForPage = false;
};
