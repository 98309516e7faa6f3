#include "query/tbtnrightdlg.h"

TBtnRightDlg::TBtnRightDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select sort field"));
}
