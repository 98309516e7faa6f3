#include "query/radiogroup.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(title, this);
    auto* layout = new QVBoxLayout(box);
    for (const QString& item : items) {
        auto* button = new QRadioButton(item, box);
        layout->addWidget(button);
        m_buttons.append(button);
    }
    if (!m_buttons.isEmpty())
        m_buttons.front()->setChecked(true);
    outer->addWidget(box);
}

int RadioGroup::ItemIndex() const {
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i]->isChecked())
            return i;
    }
    return -1;
}

void RadioGroup::setItemIndex(int index) {
    if (index >= 0 && index < m_buttons.size())
        m_buttons[index]->setChecked(true);
}

QRadioButton* RadioGroup::button(int index) const {
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}
