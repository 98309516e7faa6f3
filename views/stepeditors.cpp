#include "views/stepeditors.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

#include "query/querydescription.h"
#include "query/querysteps.h"
#include "query/selectionitems.h"

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

LimitStepEditor::LimitStepEditor(DatabaseKind kind, const QueryState& state, std::size_t index,
                                 QWidget* parent)
    : QDialog(parent), m_kind(kind), m_state(state), m_index(index) {
    setObjectName(QStringLiteral("LimitStepEditor"));
    const std::vector<QueryStep> steps = QuerySteps(state);
    const QueryStep step = index < steps.size() ? steps[index] : QueryStep{};
    setWindowTitle(QStringLiteral("Edit Limit - %1 %2")
                       .arg(DatabaseWord(kind), FieldShortName(kind, step.field)));
    Edit1 = new QLineEdit(step.minimum, this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(step.maximum, this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Field"),
                 new QLabel(DatabaseInfoFor(kind, true).sortFields.value(step.field), this));
    form->addRow(QStringLiteral("Minimum Value"), Edit1);
    form->addRow(QStringLiteral("Maximum Value"), Edit2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    Edit1->selectAll();
}

void LimitStepEditor::accept() {
    QString error;
    m_result = WithLimitBounds(m_kind, m_state, m_index, Edit1->text(), Edit2->text(), &error);
    if (!m_result) {
        QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    QDialog::accept();
}

SelectStepEditor::SelectStepEditor(DatabaseKind kind, const QueryState& state, std::size_t index,
                                   const std::vector<std::string>& pickList, QWidget* parent)
    : QDialog(parent), m_state(state), m_index(index) {
    setObjectName(QStringLiteral("SelectStepEditor"));
    const std::vector<QueryStep> steps = QuerySteps(state);
    const QueryStep step = index < steps.size() ? steps[index] : QueryStep{};
    setWindowTitle(
        QStringLiteral("Edit Select - %1 %2").arg(DatabaseWord(kind), SelectionWord(step.letter)));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    // Items are compared as stored: a pick-list line cut to the item's room.
    const auto stored = [](const std::string& entry) {
        return entry.substr(0, QueryState::MaxItemLength - 1);
    };
    std::vector<std::string> entries;
    for (const std::string& entry : pickList)
        entries.push_back(entry);
    for (const std::string& value : step.values) {
        const bool listed = std::any_of(entries.begin(), entries.end(),
                                        [&](const auto& entry) { return stored(entry) == value; });
        if (!listed)
            entries.push_back(value);
    }
    for (const std::string& entry : entries) {
        auto* item = new QListWidgetItem(QString::fromStdString(entry), ListBox1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const bool ticked =
            std::find(step.values.begin(), step.values.end(), stored(entry)) != step.values.end();
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_count = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(m_count);
    layout->addWidget(OkCancel(this));
    connect(ListBox1, &QListWidget::itemChanged, this, &SelectStepEditor::showCount);
    ListBox1->setCurrentRow(0);
    showCount();
    resize(360, 420);
}

std::vector<std::string> SelectStepEditor::ticked() const {
    std::vector<std::string> values;
    for (int row = 0; row < ListBox1->count(); ++row) {
        const QListWidgetItem* item = ListBox1->item(row);
        if (item->checkState() == Qt::Checked)
            values.push_back(item->text().toStdString());
    }
    return values;
}

void SelectStepEditor::showCount() {
    m_count->setText(QStringLiteral("Selected = %1").arg(ticked().size()));
}

void SelectStepEditor::accept() {
    QString error;
    m_result = WithGroupValues(m_state, m_index, ticked(), &error);
    if (!m_result) {
        QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    QDialog::accept();
}
