#include "query/tbtnrightdlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "query/selectionitems.h"

TBtnRightDlg::TBtnRightDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select sort field"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    Label1 = new QLabel(QStringLiteral("Minimum Value"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2 = new QLabel(QStringLiteral("Maximum Value"), this);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    RadioButton1 = new QRadioButton(QStringLiteral("&Ascending"), this);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("&Descending"), this);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    connect(OKBtn, &QPushButton::clicked, this, &TBtnRightDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // Any maximum but the one the dialog sets itself is the user's.
    connect(Edit2, &QLineEdit::textChanged, this, [this] {
        if (!m_settingMaximum)
            m_maximumTyped = true;
    });
    // The look-up waits for the service with the event loop running; it runs
    // after the key or click that chose the field is handled whole, so that a
    // slow reply never unwinds into a list still moving its selection.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] {
        if (isVisible() && !m_lookupQueued) {
            m_lookupQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_lookupQueued = false;
                if (isVisible())
                    fieldChosen();
            });
        }
    });

    auto* side = new QVBoxLayout;
    side->addWidget(OKBtn);
    side->addWidget(CancelBtn);
    side->addSpacing(12);
    side->addWidget(RadioButton1);
    side->addWidget(RadioButton2);
    side->addWidget(Label1);
    side->addWidget(Edit1);
    side->addWidget(Label2);
    side->addWidget(Edit2);
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(ListBox1, 1);
    layout->addLayout(side);
    resize(480, 360);
}

void TBtnRightDlg::Arrange() {
    RadioButton1->hide();
    RadioButton2->hide();
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->show();
    Edit1->show();
    Label2->show();
    Edit2->show();
}

void TBtnRightDlg::Prepare(const QString& caption, const QStringList& fields) {
    ListBox1->clear();
    ListBox1->addItems(fields);
    Edit1->setText(QStringLiteral("0"));
    setMaximum(QStringLiteral("9999"));
    m_maximumTyped = false;
    setWindowTitle(caption);
}

void TBtnRightDlg::fieldChosen() {
    // One look-up at a time: a field chosen while one waits is looked up when
    // it returns.
    if (m_lookingUp) {
        m_lookAgain = true;
        return;
    }
    m_lookingUp = true;
    do {
        m_lookAgain = false;
        lookUpMaximum();
    } while (m_lookAgain && isVisible());
    m_lookingUp = false;
}

void TBtnRightDlg::lookUpMaximum() {
    if (!m_largest || m_maximumTyped)
        return;
    const int field = SelectedField();
    setMaximum(QStringLiteral("9999"));
    if (!m_database || field < 0 || !LimitFieldIsNumeric(*m_database, field))
        return;
    // A default bound must not remove rows: a result holding more than 9999
    // in this field gets its largest value as the maximum.
    const QString largest = m_largest(field);
    bool number = false;
    const double value = largest.toDouble(&number);
    if (number && value > 9999 && !m_maximumTyped && SelectedField() == field)
        setMaximum(largest);
}

void TBtnRightDlg::setMaximum(const QString& text) {
    m_settingMaximum = true;
    Edit2->setText(text);
    m_settingMaximum = false;
}

int TBtnRightDlg::SelectedField() const {
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.front());
}

void TBtnRightDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (ListBox1->count() > 0) {
        const int row = m_startField >= 0 && m_startField < ListBox1->count() ? m_startField : 0;
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
    m_startField = 0;
    ListBox1->setFocus();
    // After the dialog shows, so that its wait happens with the dialog open.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            fieldChosen();
    });
}

void TBtnRightDlg::OKBtnClick() {
    const int field = SelectedField();
    const LimitOrder order =
        m_database && field >= 0 ? LimitFieldOrder(*m_database, field) : LimitOrder::Text;
    const QString error = LimitBoundsError(Edit1->text(), Edit2->text(), order);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    accept();
}
