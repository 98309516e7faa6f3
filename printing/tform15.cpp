#include "printing/tform15.h"

TForm15::TForm15(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Print Preview"));
}
