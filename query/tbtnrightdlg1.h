#pragma once

#include <QDialog>

// The select dialog (designed caption "Select player"); recaptioned by whoever opens it.
class TBtnRightDlg1 : public QDialog {
    Q_OBJECT
public:
    explicit TBtnRightDlg1(QWidget* parent = nullptr);
};
