#include "query/tbtnrightdlg1.h"

TBtnRightDlg1::TBtnRightDlg1(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select player"));
}
