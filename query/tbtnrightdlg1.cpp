#include "query/tbtnrightdlg1.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

bool TextBefore(const QString& a, const QString& b) {
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

// Draws pick-list lines itself: the rectangle filled, the text 2 pixels in
// from the left at the top, and the current line framed by a dotted
// rectangle while the list has the focus; each drawn line reports its state
// to the dialog.
class PickListDelegate : public QStyledItemDelegate {
public:
    explicit PickListDelegate(TBtnRightDlg1* dialog)
        : QStyledItemDelegate(dialog), m_dialog(dialog) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QPalette& palette = option.palette;
        painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
        painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data().toString());
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            painter->setPen(QPen(painter->pen().color(), 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        m_dialog->ListBox1DrawItem(index.row(), selected);
    }

private:
    TBtnRightDlg1* m_dialog;
};

} // namespace

void TickedLines::Drawn(const QString& text, bool selected, bool otherSelectedWithText) {
    const auto at = std::lower_bound(m_lines.begin(), m_lines.end(), text, TextBefore);
    const bool present = at != m_lines.end() && *at == text;
    if (selected) {
        if (!present)
            m_lines.insert(at, text);
    } else if (present && !otherSelectedWithText) {
        m_lines.erase(at);
    }
}

TBtnRightDlg1::TBtnRightDlg1(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select player"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::MultiSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new PickListDelegate(this));
    ListBox1->installEventFilter(this);
    ListBox2 = new QListWidget(this);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    ListBox2->setFocusPolicy(Qt::ClickFocus);
    ListBox2->setSelectionMode(QAbstractItemView::NoSelection);
    Label1 = new QLabel(QStringLiteral("Selected = 0"), this);
    Label2 = new QLabel(QStringLiteral("Listed = 0"), this);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TBtnRightDlg1::selectionChanged);

    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(Label2);
    left->addWidget(ListBox1);
    auto* right = new QVBoxLayout;
    right->addWidget(Label1);
    right->addWidget(ListBox2);
    lists->addLayout(left, 3);
    lists->addLayout(right, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch();
    lists->addLayout(buttons);
    setLayout(lists);
    resize(560, 360);
}

void TBtnRightDlg1::Prepare(const QString& caption, const std::vector<std::string>& lines) {
    ListBox1->blockSignals(true);
    ListBox1->clear();
    m_raw = lines;
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        texts.append(QString::fromStdString(line));
    ListBox1->addItems(texts);
    ListBox1->blockSignals(false);
    m_ticked.Clear();
    Label2->setText(QStringLiteral("Listed = %1").arg(lines.size()));
    setWindowTitle(caption);
}

void TBtnRightDlg1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ListBox1->blockSignals(true);
    ListBox1->clearSelection();
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    ListBox1->blockSignals(false);
    ListBox1->setFocus();
    m_ticked.Clear();
    ListBox2->clear();
    Label1->setText(QStringLiteral("Items = 0"));
    m_typed.clear();
}

bool TBtnRightDlg1::otherSelectedWith(int row, const QString& text) const {
    for (QListWidgetItem* item : ListBox1->selectedItems()) {
        if (ListBox1->row(item) != row && item->text() == text)
            return true;
    }
    return false;
}

void TBtnRightDlg1::ListBox1DrawItem(int row, bool selected) {
    QListWidgetItem* item = ListBox1->item(row);
    if (item == nullptr)
        return;
    const QStringList before = m_ticked.Lines();
    m_ticked.Drawn(item->text(), selected, otherSelectedWith(row, item->text()));
    if (m_ticked.Lines() != before || ListBox2->count() != before.size())
        showTicked();
}

void TBtnRightDlg1::selectionChanged() {
    // A toggled line need not be repainted before OK (a hidden or offscreen
    // list), so the rule is applied to every selected line here as well; the
    // outcome is the one a full repaint gives.
    m_ticked.Clear();
    for (QListWidgetItem* item : ListBox1->selectedItems())
        m_ticked.Drawn(item->text(), true, false);
    showTicked();
}

void TBtnRightDlg1::showTicked() {
    ListBox2->clear();
    ListBox2->addItems(m_ticked.Lines());
    Label1->setText(QStringLiteral("Selected = %1").arg(ListBox2->count()));
}

std::vector<std::string> TBtnRightDlg1::Ticked() const {
    std::vector<std::string> ticked;
    for (const QString& text : m_ticked.Lines()) {
        for (int row = 0; row < ListBox1->count(); ++row) {
            if (ListBox1->item(row)->text() == text) {
                ticked.push_back(m_raw[static_cast<std::size_t>(row)]);
                break;
            }
        }
    }
    return ticked;
}

bool TBtnRightDlg1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
            // Letters typed in quick succession extend the prefix searched for.
            if (!m_typedAt.isValid() || m_typedAt.elapsed() > QApplication::keyboardInputInterval())
                m_typed.clear();
            m_typed += text;
            m_typedAt.start();
            for (int row = 0; row < ListBox1->count(); ++row) {
                if (ListBox1->item(row)->text().startsWith(m_typed, Qt::CaseInsensitive)) {
                    ListBox1->setCurrentRow(row, QItemSelectionModel::NoUpdate);
                    ListBox1->scrollToItem(ListBox1->item(row),
                                           QAbstractItemView::PositionAtCenter);
                    break;
                }
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
