#include "query/tbtnbottomdlg.h"

#include <QRadioButton>

TBtnBottomDlg::TBtnBottomDlg(QWidget* parent)
    : BandColorDialog(QStringLiteral("Color options for Player Database"), SharedBandSettings(),
                      parent) {}

void TBtnBottomDlg::Relabel(DatabaseKind kind) {
    if (kind == DatabaseKind::Teams) {
        RadioButton1->setText(QStringLiteral("&Team"));
        RadioButton2->setText(QStringLiteral("&Year"));
        RadioButton19->setText(QStringLiteral("&Division"));
        RadioButton36->setVisible(true);
    } else {
        RadioButton1->setText(QStringLiteral("&Player"));
        RadioButton2->setText(QStringLiteral("&Team"));
        RadioButton19->setText(QStringLiteral("&Year"));
        RadioButton36->setVisible(false);
    }
}
