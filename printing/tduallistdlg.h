#pragma once

#include <QDialog>

// The print options dialog; its lists and settings files come with printing.
class TDualListDlg : public QDialog {
    Q_OBJECT
public:
    explicit TDualListDlg(QWidget* parent = nullptr);
};
