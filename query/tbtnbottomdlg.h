#pragma once

#include <QDialog>

// Row colour options of the batters, pitchers and teams windows.
class TBtnBottomDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBtnBottomDlg(QWidget* parent = nullptr);
};
