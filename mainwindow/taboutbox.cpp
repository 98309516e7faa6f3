#include "mainwindow/taboutbox.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Baseball Database for the Internet"), this));
    Label10 = new QLabel(QStringLiteral("Version # 200"), this);
    layout->addWidget(Label10);
    auto* credit = new QLabel(QStringLiteral("Baseball statistics from the Lahman Baseball "
                                             "Database by Sean Lahman, licensed under CC BY-SA "
                                             "3.0."),
                              this);
    credit->setWordWrap(true);
    layout->addWidget(credit);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}
