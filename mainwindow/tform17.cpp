#include "mainwindow/tform17.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm17::TForm17(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Welcome"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Please see the database instructions file for more information."), this));
    layout->addWidget(
        new QLabel(QStringLiteral("You need to be online to use these databases."), this));
    Button1 = new QPushButton(QStringLiteral("Click here to continue"), this);
    Button1->setDefault(true);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}
