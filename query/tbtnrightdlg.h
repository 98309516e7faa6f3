#pragma once

#include <QDialog>

// The limit dialog (designed caption "Select sort field"); recaptioned by whoever opens it.
class TBtnRightDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBtnRightDlg(QWidget* parent = nullptr);
};
