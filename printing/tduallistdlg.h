#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QList>
#include <QStringList>

#include "databases/columncatalogue.h"
#include "printing/printsettings.h"
#include "printing/printtexts.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

// A five-digit entry field: digits only, at most five, shown right-aligned.
// Its field text is what the settings file holds: the digits with blanks on
// the left to five characters ("   80").
class FiveDigitEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FiveDigitEdit(QWidget* parent = nullptr);
    // The digits right-aligned in five characters.
    QString FieldText() const;
    // Shows the digits of `text` (blanks around are dropped).
    void SetFieldText(const QString& text);
};

// The print options dialog ("Print Options"): which columns of the database
// go onto the page, in which order and how wide, and how the line width is
// fixed, with LOAD and SAVE of print settings files. Prepared by every print
// command; closes with Cancelled, PrintChosen or PreviewChosen.
class TDualListDlg : public QDialog {
    Q_OBJECT
public:
    // The modal results.
    enum Result { Cancelled = 0, PrintChosen = 1, PreviewChosen = 2 };

    explicit TDualListDlg(QWidget* parent = nullptr);

    // Resets the dialog for a print command on `kind`: the default catalogue,
    // every column available in catalogue order, none to print, "Fit to
    // page" with both fields at 80, the file dialogs' extension and filter.
    // With `more`, the catalogue holds the "More columns" option's columns;
    // without it, a settings file naming one of them is refused.
    void Prepare(DatabaseKind kind, bool more = false);

    DatabaseKind Kind() const { return m_catalogue.kind; }
    const ColumnCatalogue& Catalogue() const { return m_catalogue; }
    const QStringList& AvailableColumns() const { return m_available; }
    const QStringList& ColumnsToPrint() const { return m_toPrint; }
    // The columns to print in order, each with the print width of the first
    // catalogue entry of its description (0 when none has it).
    QList<PrintColumn> PrintColumns() const;
    bool FitToPage() const;
    // The dialog's whole state as a settings file holds it.
    PrintSettings Settings() const;

    // Saves the settings to `path`; on failure returns the message (naming
    // the file and the reason) and the old file is unchanged.
    QString SaveSettingsTo(const QString& path);
    // Loads the file at `path` and applies it whole; on failure returns the
    // message naming the file and the line, and nothing in the dialog changes.
    QString LoadSettingsFrom(const QString& path);

    // The default extension and the filter of the settings file dialogs.
    const QString& DefaultExtension() const { return m_extension; }
    const QString& FileFilter() const { return m_filter; }

    // Handlers.
    void IncludeBtnClick();
    void IncAllBtnClick();
    void ExcludeBtnClick();
    void ExAllBtnClick();
    // Applies the mode of the radio buttons to the two fields.
    void RadioButtonClick();
    void BitBtn1Click();
    void BitBtn2Click();
    // The width cell of `row` of the left grid now reads `text`: the
    // catalogue entry of that row's description takes it at once, read
    // with ParseIntLenient.
    void StringGrid1SetEditText(int row, const QString& text);

    QTableWidget* StringGrid1 = nullptr; // Available Columns
    QTableWidget* StrList = nullptr;     // Columns to Print
    QPushButton* IncludeBtn = nullptr;
    QPushButton* IncAllBtn = nullptr;
    QPushButton* ExcludeBtn = nullptr;
    QPushButton* ExAllBtn = nullptr;
    QRadioButton* RadioButton1 = nullptr; // "&Fit to page"
    QRadioButton* RadioButton2 = nullptr; // "&Don't fit to page"
    QLabel* Label2 = nullptr;             // "Minimum characters per line"
    FiveDigitEdit* MaskEdit2 = nullptr;   // minimum
    QLabel* Label1 = nullptr;             // "Maximum characters per line"
    FiveDigitEdit* MaskEdit1 = nullptr;   // maximum
    QPushButton* OKBtn = nullptr;
    QPushButton* Button1 = nullptr; // "Print Pre&view"
    QPushButton* CancelBtn = nullptr;
    QPushButton* Button2 = nullptr; // "Printer &Setup"
    QPushButton* BitBtn1 = nullptr; // "&LOAD Print Settings"
    QPushButton* BitBtn2 = nullptr; // "&SAVE Print Settings"

signals:
    // "Printer &Setup" was pressed: the printer set-up dialog should show.
    void printerSetupRequested();

protected:
    // The move buttons follow the lists and the left grid takes the focus.
    void showEvent(QShowEvent* event) override;

private:
    void rebuildGrids();
    void fillGrid(QTableWidget* grid, const QStringList& items, bool editableWidths);
    void updateButtons();
    // Fit to page, or not, with the other field back at 80.
    void applyMode(bool fitToPage);
    // Catalogue order minus every description still to print.
    QStringList availableInCatalogueOrder() const;

    ColumnCatalogue m_catalogue;
    bool m_more = false;
    QStringList m_available;
    QStringList m_toPrint;
    QString m_extension;
    QString m_filter;
    bool m_filling = false;
};
