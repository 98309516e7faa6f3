#pragma once

#include <functional>
#include <optional>

#include <QDialog>

#include "databases/databaseinfo.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// The field-list dialog (designed caption "Select sort field"), used for
// Limit: a field list and a minimum and maximum text box. Recaptioned by
// whoever opens it.
class TBtnRightDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBtnRightDlg(QWidget* parent = nullptr);

    // The limit arrangement: direction buttons hidden, single selection,
    // the two labels and text boxes shown.
    void Arrange();
    // Fills the field list, sets "0" and "9999" and the caption; no maximum
    // counts as typed.
    void Prepare(const QString& caption, const QStringList& fields);
    // Where the largest value of a numeric field in the current result comes
    // from (it waits). When a numeric field is chosen and the user has not
    // typed a maximum, the Maximum box shows that value if it is above 9999,
    // else "9999"; a text field gets "9999". Null: the box stays as it is.
    using LargestValue = std::function<QString(int field)>;
    void SetLargestValue(LargestValue source) { m_largest = std::move(source); }
    // The field selected when the dialog next shows (line 0 unless set);
    // taken back to line 0 after that showing.
    void SetStartField(int row) { m_startField = row; }
    // Row of the selected field, -1 when none.
    int SelectedField() const;
    // The database whose fields the limit lists: its numeric fields need
    // numbers as bounds. Without one every field compares as text.
    void SetLimitDatabase(std::optional<DatabaseKind> database) { m_database = database; }

    QListWidget* ListBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    // Line 0 selected and the field list focused.
    void showEvent(QShowEvent* event) override;

private:
    // Refuses bounds holding "!", bounds of a numeric field that are not
    // numbers and a minimum above the maximum with a message, and stays open
    // with what was typed.
    void OKBtnClick();
    // Sets the Maximum box for the field chosen now (see SetLargestValue).
    void fieldChosen();
    void lookUpMaximum();
    // Sets the Maximum box without counting it as typed.
    void setMaximum(const QString& text);

    int m_startField = 0;
    LargestValue m_largest;
    // Whether the user typed into the Maximum box since Prepare.
    bool m_maximumTyped = false;
    bool m_settingMaximum = false;
    bool m_lookupQueued = false;
    bool m_lookingUp = false;
    bool m_lookAgain = false;
    std::optional<DatabaseKind> m_database;
};
