#include "query/tform10.h"

TForm10::TForm10(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Color options for Fielding Database"));
}
