#include "query/tform6.h"

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Sort options"));
}
