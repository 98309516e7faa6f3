#include "query/tform10.h"

#include <QRadioButton>

TForm10::TForm10(QWidget* parent)
    : BandColorDialog(QStringLiteral("Color options for Fielding Database"), FielderBandSettings(),
                      parent) {
    RadioButton36->setText(QStringLiteral("&Positions"));
}
