#include "query/tbtnrightdlg1.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
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

QString TypeAheadKey(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            key += c;
    }
    return key.toCaseFolded();
}

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
    ListBox1->viewport()->installEventFilter(this);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_extending)
            m_anchor = std::max(row, 0);
    });
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
    m_typedAt.invalidate();
    m_anchor = 0;
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

void TBtnRightDlg1::tickRangeTo(int row) {
    if (row < 0 || row >= ListBox1->count())
        return;
    const int anchor = std::clamp(m_anchor, 0, ListBox1->count() - 1);
    const QModelIndex first = ListBox1->model()->index(std::min(anchor, row), 0);
    const QModelIndex last = ListBox1->model()->index(std::max(anchor, row), 0);
    m_extending = true;
    ListBox1->selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::Select);
    ListBox1->setCurrentRow(row, QItemSelectionModel::NoUpdate);
    ListBox1->scrollToItem(ListBox1->item(row));
    m_extending = false;
}

bool TBtnRightDlg1::typeAhead(const QString& text) {
    if (text.isEmpty() || !text.at(0).isPrint())
        return false;
    const bool underWay = !m_typed.isEmpty() && m_typedAt.isValid() &&
                          m_typedAt.elapsed() <= QApplication::keyboardInputInterval();
    // A blank continues a name being typed ("Smith, Ozzie"); alone it ticks.
    if (text.at(0).isSpace() && !underWay)
        return false;
    if (!underWay)
        m_typed.clear();
    m_typed += TypeAheadKey(text);
    m_typedAt.start();
    for (int row = 0; row < ListBox1->count(); ++row) {
        if (TypeAheadKey(ListBox1->item(row)->text()).startsWith(m_typed)) {
            ListBox1->setCurrentRow(row, QItemSelectionModel::NoUpdate);
            ListBox1->scrollToItem(ListBox1->item(row), QAbstractItemView::PositionAtCenter);
            break;
        }
    }
    return true;
}

bool TBtnRightDlg1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = ListBox1->indexAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && index.isValid()) {
            if (!mouse->modifiers().testFlag(Qt::ShiftModifier)) {
                m_anchor = index.row(); // a plain click toggles its line and starts a range
            } else {
                ListBox1->setFocus();
                tickRangeTo(index.row());
                return true;
            }
        }
    }
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers().testFlag(Qt::ShiftModifier)) {
            const int current = std::max(ListBox1->currentRow(), 0);
            const QListWidgetItem* item = ListBox1->item(current);
            const int lineHeight =
                item != nullptr ? std::max(ListBox1->visualItemRect(item).height(), 1) : 1;
            const int page = std::max(ListBox1->viewport()->height() / lineHeight - 1, 1);
            const int last = ListBox1->count() - 1;
            int target = -1;
            switch (key->key()) {
            case Qt::Key_Up:
                target = std::max(current - 1, 0);
                break;
            case Qt::Key_Down:
                target = std::min(current + 1, last);
                break;
            case Qt::Key_PageUp:
                target = std::max(current - page, 0);
                break;
            case Qt::Key_PageDown:
                target = std::min(current + page, last);
                break;
            case Qt::Key_Home:
                target = 0;
                break;
            case Qt::Key_End:
                target = last;
                break;
            default:
                break;
            }
            if (target >= 0) {
                tickRangeTo(target);
                return true;
            }
        }
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && typeAhead(key->text()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
