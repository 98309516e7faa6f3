#include "mainwindow/tform17.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "deployment.h"
#include "mainwindow/linklabel.h"

namespace {

QLabel* textLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

QString TForm17::mailUrl() {
    return QStringLiteral("mailto:custom@korvex.example");
}

QString TForm17::syndicationUrl() {
    return QStringLiteral("http://") + QString::fromLatin1(deployment::PrimaryHost) +
           QStringLiteral("/syndication/");
}

TForm17::TForm17(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Welcome"));
    setModal(true);

    Label1 = textLabel(this, QStringLiteral("Would you like a version of these databases "
                                            "customised for your own web site, with your logo, "
                                            "colours and links? Write to us:"));
    Label2 = makeLinkLabel(this, mailUrl(), mailUrl().mid(7));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Box);
    Panel1->setAutoFillBackground(true);
    QPalette panel = Panel1->palette();
    panel.setColor(QPalette::Window, QColor(255, 255, 204));
    Panel1->setPalette(panel);
    Label3 = textLabel(Panel1, QStringLiteral("SYNDICATION: put the all-time baseball "
                                              "statistics on your web site. Your visitors get "
                                              "every batter, pitcher, fielder and team since "
                                              "1871, under your own name."));
    Label4 = makeLinkLabel(Panel1, syndicationUrl(), QStringLiteral("Learn more"));
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(Label3);
    panelLayout->addWidget(Label4, 0, Qt::AlignRight);

    Label5 = textLabel(
        this, QStringLiteral("Please see the database instructions file for more information."));
    Label6 = textLabel(this, QStringLiteral("You need to be online to use these databases."));
    Button1 = new QPushButton(QStringLiteral("Click here to continue"), this);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    // The one button both confirms and cancels; Escape closes the dialog too.
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addSpacing(8);
    layout->addWidget(Panel1);
    layout->addSpacing(8);
    layout->addWidget(Label5);
    layout->addWidget(Label6);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    for (QLabel* wrapped : {Label1, Label3, Label5, Label6}) {
        wrapped->setMinimumWidth(400);
    }
}
