#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// The Unhide column dialog, one for all views: the titles of the hidden
// columns, several selectable.
class TForm11 : public QDialog {
    Q_OBJECT
public:
    // Dialog results: "&Ok" Accepted, "&Cancel" Rejected, "&Unhide all" UnhideAll.
    static constexpr int UnhideAll = 2;

    explicit TForm11(QWidget* parent = nullptr);

    // Lists `titles`, first entry first, nothing selected.
    void Prepare(const QStringList& titles);
    // Rows of the selected lines, ascending.
    QList<int> SelectedRows() const;

    QListWidget* ListBox1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
};
