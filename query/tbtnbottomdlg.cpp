#include "query/tbtnbottomdlg.h"

TBtnBottomDlg::TBtnBottomDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Color options for Player Database"));
}
