#include "printing/tduallistdlg.h"

#include <algorithm>

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "databases/parseintlenient.h"
#include "startup/errorreport.h"
#include "startup/replacefile.h"

namespace {

constexpr int WidthColumnPixels = 30;
constexpr int DescriptionColumnPixels = 300;
const QString DefaultCharacters = QStringLiteral("80");

// Paints the cells of the Columns to Print grid: white, a silver rectangle
// over the current cell, black text at the cell's top-left corner.
class FocusCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->fillRect(option.rect, Qt::white);
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        if (view != nullptr && view->currentIndex() == index) {
            painter->fillRect(option.rect, QColor(192, 192, 192));
        }
        painter->setPen(Qt::black);
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data().toString());
    }
};

// Edits the width cells of the Available Columns grid: every change of the
// text reaches the catalogue at once, before the cell is left.
class WidthCellDelegate : public QStyledItemDelegate {
public:
    WidthCellDelegate(TDualListDlg* dialog, QObject* parent)
        : QStyledItemDelegate(parent), m_dialog(dialog) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            const int row = index.row();
            QObject::connect(line, &QLineEdit::textEdited, m_dialog,
                             [dialog = m_dialog, row](const QString& text) {
                                 dialog->StringGrid1SetEditText(row, text);
                             });
        }
        return editor;
    }

private:
    TDualListDlg* m_dialog;
};

QTableWidget* makeGrid(QWidget* parent, const char* name) {
    auto* grid = new QTableWidget(0, 2, parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->setColumnWidth(0, WidthColumnPixels);
    grid->setColumnWidth(1, DescriptionColumnPixels);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setTabKeyNavigation(false);
    grid->setMinimumSize(WidthColumnPixels + DescriptionColumnPixels + 24, 300);
    // Only the width cell can be current.
    QObject::connect(grid, &QTableWidget::currentCellChanged, grid,
                     [grid](int row, int column, int, int) {
                         if (row >= 0 && column != 0) {
                             grid->setCurrentCell(row, 0);
                         }
                     });
    return grid;
}

// Qt's form of a "description|pattern" filter: the description, whose
// parentheses name the pattern.
QString qtFilter(const QString& filter) {
    return filter.section(QLatin1Char('|'), 0, 0);
}

} // namespace

FiveDigitEdit::FiveDigitEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight);
    setMaxLength(5);
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), this));
    setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
}

QString FiveDigitEdit::FieldText() const {
    return text().rightJustified(5, QLatin1Char(' '));
}

void FiveDigitEdit::SetFieldText(const QString& text) {
    setText(text.trimmed().left(5));
}

TDualListDlg::TDualListDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DualListDlg"));
    setWindowTitle(QStringLiteral("Print Options"));

    StringGrid1 = makeGrid(this, "StringGrid1");
    StringGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed |
                                 QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed);
    StringGrid1->setItemDelegateForColumn(0, new WidthCellDelegate(this, StringGrid1));
    StrList = makeGrid(this, "StrList");
    StrList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StrList->setItemDelegate(new FocusCellDelegate(StrList));

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    IncludeBtn = button("IncludeBtn", QStringLiteral(">"));
    IncAllBtn = button("IncAllBtn", QStringLiteral(">>"));
    ExcludeBtn = button("ExcludeBtn", QStringLiteral("<"));
    ExAllBtn = button("ExAllBtn", QStringLiteral("<<"));
    OKBtn = button("OKBtn", QStringLiteral("OK to Print"));
    OKBtn->setDefault(true);
    Button1 = button("Button1", QStringLiteral("Print Pre&view"));
    CancelBtn = button("CancelBtn", QStringLiteral("Cancel"));
    Button2 = button("Button2", QStringLiteral("Printer &Setup"));
    BitBtn1 = button("BitBtn1", QStringLiteral("&LOAD Print Settings"));
    BitBtn2 = button("BitBtn2", QStringLiteral("&SAVE Print Settings"));

    RadioButton1 = new QRadioButton(QStringLiteral("&Fit to page"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("&Don't fit to page"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    Label2 = new QLabel(QStringLiteral("Minimum characters per line"), this);
    MaskEdit2 = new FiveDigitEdit(this);
    MaskEdit2->setObjectName(QStringLiteral("MaskEdit2"));
    Label1 = new QLabel(QStringLiteral("Maximum characters per line"), this);
    MaskEdit1 = new FiveDigitEdit(this);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));

    connect(IncludeBtn, &QPushButton::clicked, this, &TDualListDlg::IncludeBtnClick);
    connect(IncAllBtn, &QPushButton::clicked, this, &TDualListDlg::IncAllBtnClick);
    connect(ExcludeBtn, &QPushButton::clicked, this, &TDualListDlg::ExcludeBtnClick);
    connect(ExAllBtn, &QPushButton::clicked, this, &TDualListDlg::ExAllBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(PrintChosen); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(PreviewChosen); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(Cancelled); });
    connect(Button2, &QPushButton::clicked, this, &TDualListDlg::printerSetupRequested);
    connect(BitBtn1, &QPushButton::clicked, this, &TDualListDlg::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TDualListDlg::BitBtn2Click);
    connect(RadioButton1, &QRadioButton::toggled, this, &TDualListDlg::RadioButtonClick);
    connect(StringGrid1, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 0) {
            StringGrid1SetEditText(item->row(), item->text());
        }
    });

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* b : {IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn}) {
        b->setFixedWidth(40);
        moves->addWidget(b);
    }
    moves->addStretch();
    auto* commands = new QVBoxLayout;
    for (QPushButton* b : {OKBtn, Button1, CancelBtn, Button2, BitBtn1, BitBtn2}) {
        commands->addWidget(b);
    }
    commands->addStretch();
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("Available Columns"), this), 0, 0);
    lists->addWidget(new QLabel(QStringLiteral("Columns to Print"), this), 0, 2);
    lists->addWidget(StringGrid1, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(StrList, 1, 2);
    lists->addLayout(commands, 1, 3);
    auto* mode = new QGridLayout;
    mode->addWidget(RadioButton1, 0, 0);
    mode->addWidget(Label2, 0, 1);
    mode->addWidget(MaskEdit2, 0, 2);
    mode->addWidget(RadioButton2, 1, 0);
    mode->addWidget(Label1, 1, 1);
    mode->addWidget(MaskEdit1, 1, 2);
    mode->setColumnStretch(3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(mode);

    // Keyboard order: the lists and the moves between them, the mode, then
    // the commands.
    QWidget* order[] = {StringGrid1,  IncludeBtn,   IncAllBtn, ExcludeBtn, ExAllBtn, StrList,
                        RadioButton1, RadioButton2, MaskEdit2, MaskEdit1,  OKBtn,    Button1,
                        CancelBtn,    Button2,      BitBtn1,   BitBtn2};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    Prepare(DatabaseKind::Batters);
}

void TDualListDlg::Prepare(DatabaseKind kind, bool more) {
    m_more = more;
    m_catalogue = DefaultCatalogue(kind, more);
    m_toPrint.clear();
    m_available = availableInCatalogueOrder();
    const DatabaseInfo& info = DatabaseInfoFor(kind);
    m_extension = info.printExtension;
    m_filter = qtFilter(info.printFilter);
    RadioButton1->setChecked(true);
    applyMode(true);
    MaskEdit1->SetFieldText(DefaultCharacters);
    MaskEdit2->SetFieldText(DefaultCharacters);
    rebuildGrids();
    StringGrid1->setCurrentCell(0, 0);
    StringGrid1->verticalScrollBar()->setValue(0);
    updateButtons();
}

QList<PrintColumn> TDualListDlg::PrintColumns() const {
    QList<PrintColumn> columns;
    for (const QString& description : m_toPrint) {
        const int index = m_catalogue.indexOf(description);
        columns.append(PrintColumn{description, index >= 0 ? m_catalogue.entries[index].printWidth
                                                           : std::int32_t{0}});
    }
    return columns;
}

bool TDualListDlg::FitToPage() const {
    return RadioButton1->isChecked();
}

PrintSettings TDualListDlg::Settings() const {
    return PrintSettings{FitToPage(),
                         MaskEdit1->FieldText(),
                         MaskEdit2->FieldText(),
                         m_catalogue.entries,
                         m_available,
                         m_toPrint};
}

QString TDualListDlg::SaveSettingsTo(const QString& path) {
    // A new file beside the old one, renamed over it: a failed save leaves
    // the old file whole.
    const QString failure = ReplaceFile(path, WritePrintSettings(Settings()), FileAccess::Default);
    if (failure.isEmpty()) {
        return {};
    }
    return QStringLiteral("The print settings cannot be saved to \"%1\": %2. The file there, "
                          "if any, is unchanged.")
        .arg(path, failure);
}

QString TDualListDlg::LoadSettingsFrom(const QString& path) {
    const PrintSettingsRead read = LoadPrintSettings(path);
    if (!read.ok()) {
        return read.error;
    }
    const PrintSettings& s = read.settings;
    if (!m_more) {
        if (const QString problem = AddedColumnProblem(s, Kind(), path); !problem.isEmpty()) {
            return problem;
        }
    }
    // The mode as if the user chose it (the other field back at 80), then
    // both fields as the file holds them.
    RadioButton1->setChecked(s.fitToPage);
    RadioButton2->setChecked(!s.fitToPage);
    applyMode(s.fitToPage);
    MaskEdit1->SetFieldText(s.maximumText);
    MaskEdit2->SetFieldText(s.minimumText);
    m_catalogue.entries = s.catalogue;
    m_available = s.available;
    m_toPrint = s.toPrint;
    rebuildGrids();
    updateButtons();
    return {};
}

void TDualListDlg::fillGrid(QTableWidget* grid, const QStringList& items, bool editableWidths) {
    m_filling = true;
    const int rows = std::max<int>(1, static_cast<int>(items.size()));
    grid->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const QString description = row < items.size() ? items[row] : QString();
        QString width;
        if (row < items.size()) {
            const int index = m_catalogue.indexOf(description);
            if (index >= 0) {
                width = QString::number(m_catalogue.entries[index].printWidth);
            }
        }
        auto* widthItem = new QTableWidgetItem(width);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editableWidths && row < items.size()) {
            flags |= Qt::ItemIsEditable;
        }
        widthItem->setFlags(flags);
        grid->setItem(row, 0, widthItem);
        auto* descriptionItem = new QTableWidgetItem(description);
        descriptionItem->setFlags(Qt::ItemIsEnabled);
        grid->setItem(row, 1, descriptionItem);
    }
    m_filling = false;
}

void TDualListDlg::rebuildGrids() {
    fillGrid(StringGrid1, m_available, true);
    fillGrid(StrList, m_toPrint, false);
    // Like any grid, each always has a current row.
    for (QTableWidget* grid : {StringGrid1, StrList}) {
        if (grid->currentRow() < 0) {
            grid->setCurrentCell(0, 0);
        }
    }
}

void TDualListDlg::updateButtons() {
    IncludeBtn->setEnabled(!m_available.isEmpty());
    IncAllBtn->setEnabled(!m_available.isEmpty());
    ExcludeBtn->setEnabled(!m_toPrint.isEmpty());
    ExAllBtn->setEnabled(!m_toPrint.isEmpty());
}

QStringList TDualListDlg::availableInCatalogueOrder() const {
    QStringList available;
    for (const CatalogueEntry& entry : m_catalogue.entries) {
        if (!m_toPrint.contains(entry.description)) {
            available.append(entry.description);
        }
    }
    return available;
}

void TDualListDlg::IncludeBtnClick() {
    const int row = StringGrid1->currentRow();
    if (row < 0 || row >= m_available.size()) {
        return;
    }
    const int top = StringGrid1->verticalScrollBar()->value();
    m_toPrint.append(m_available.takeAt(row));
    rebuildGrids();
    const int last = std::max<int>(0, static_cast<int>(m_available.size()) - 1);
    StringGrid1->setCurrentCell(std::min(row, last), 0);
    StringGrid1->verticalScrollBar()->setValue(top);
    StrList->setCurrentCell(static_cast<int>(m_toPrint.size()) - 1, 0);
    StrList->scrollToBottom();
    updateButtons();
}

void TDualListDlg::IncAllBtnClick() {
    m_toPrint.append(m_available);
    m_available.clear();
    rebuildGrids();
    StringGrid1->setCurrentCell(0, 0);
    StringGrid1->setFocus();
    updateButtons();
}

void TDualListDlg::ExcludeBtnClick() {
    const int row = StrList->currentRow();
    if (row < 0 || row >= m_toPrint.size()) {
        return;
    }
    m_toPrint.removeAt(row);
    m_available = availableInCatalogueOrder();
    rebuildGrids();
    StrList->setCurrentCell(std::min(row, std::max<int>(0, int(m_toPrint.size()) - 1)), 0);
    updateButtons();
}

void TDualListDlg::ExAllBtnClick() {
    const int top = StringGrid1->verticalScrollBar()->value();
    m_toPrint.clear();
    m_available = availableInCatalogueOrder();
    rebuildGrids();
    StringGrid1->verticalScrollBar()->setValue(top);
    updateButtons();
}

void TDualListDlg::RadioButtonClick() {
    applyMode(RadioButton1->isChecked());
}

void TDualListDlg::applyMode(bool fitToPage) {
    Label1->setEnabled(!fitToPage);
    MaskEdit1->setEnabled(!fitToPage);
    Label2->setEnabled(fitToPage);
    MaskEdit2->setEnabled(fitToPage);
    (fitToPage ? MaskEdit1 : MaskEdit2)->SetFieldText(DefaultCharacters);
}

void TDualListDlg::StringGrid1SetEditText(int row, const QString& text) {
    if (m_filling || row < 0 || row >= m_available.size()) {
        return;
    }
    const int index = m_catalogue.indexOf(m_available[row]);
    if (index < 0) {
        return;
    }
    m_catalogue.entries[index].printWidth = ParseIntLenient(text.toLatin1().toStdString());
}

void TDualListDlg::BitBtn1Click() {
    QFileDialog dialog(this, QStringLiteral("Load Print Settings"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(m_filter);
    dialog.setDefaultSuffix(m_extension);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString failure = LoadSettingsFrom(dialog.selectedFiles().front());
        if (!failure.isEmpty()) {
            ReportError(this, failure);
        }
    }
    rebuildGrids();
    updateButtons();
}

void TDualListDlg::BitBtn2Click() {
    QFileDialog dialog(this, QStringLiteral("Save Print Settings"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(m_filter);
    dialog.setDefaultSuffix(m_extension);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString failure = SaveSettingsTo(dialog.selectedFiles().front());
        if (!failure.isEmpty()) {
            ReportError(this, failure);
        }
    }
}

void TDualListDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    updateButtons();
    if (StringGrid1->currentRow() < 0) {
        StringGrid1->setCurrentCell(0, 0);
    }
    StringGrid1->setFocus();
}
