#include "printing/tduallistdlg.h"

TDualListDlg::TDualListDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Print Options"));
}
