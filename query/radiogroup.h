#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QRadioButton;

// A group of radio buttons that reports the index of the checked one.
class RadioGroup : public QWidget {
    Q_OBJECT
public:
    // A group titled `title` with one button per entry of `items`, the first checked.
    RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    // Index of the checked button, -1 when none.
    int ItemIndex() const;
    // Checks button `index`; an index out of range changes nothing.
    void setItemIndex(int index);
    // Button `index`, or null.
    QRadioButton* button(int index) const;

private:
    QList<QRadioButton*> m_buttons;
};
