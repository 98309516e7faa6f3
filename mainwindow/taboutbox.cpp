#include "mainwindow/taboutbox.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "deployment.h"
#include "mainwindow/helptexts.h"
#include "mainwindow/linklabel.h"

namespace {

struct Site {
    const char* path;
    const char* title;
};

constexpr Site Sites[] = {
    {"/baseball/", "All Time Baseball Statistics"},
    {"/football/", "All Time Football Statistics"},
    {"/basketball/", "All Time Basketball Statistics"},
};

QLabel* textLabel(QWidget* parent, const QString& text, bool wrap = false) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    return label;
}

} // namespace

QString TAboutBox::siteUrl(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(Sites))) {
        return {};
    }
    return QStringLiteral("http://") + QString::fromLatin1(deployment::PrimaryHost) +
           QString::fromLatin1(Sites[index].path);
}

QString TAboutBox::mailUrl() {
    return QStringLiteral("mailto:databases@korvex.example");
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    Label1 = textLabel(this, QStringLiteral("Baseball Database for the Internet"));
    QFont product = Label1->font();
    product.setBold(true);
    product.setPointSize(product.pointSize() + 4);
    Label1->setFont(product);
    Label10 = textLabel(this, QStringLiteral("Version # 200"));
    Label2 = textLabel(this, QStringLiteral("Visit our statistics sites on the internet:"));
    Label3 = makeLinkLabel(this, siteUrl(0), QString::fromLatin1(Sites[0].title));
    Label4 = makeLinkLabel(this, siteUrl(1), QString::fromLatin1(Sites[1].title));
    Label5 = makeLinkLabel(this, siteUrl(2), QString::fromLatin1(Sites[2].title));
    Label7 = textLabel(this,
                       QStringLiteral("Any problems with these databases? Questions, corrections "
                                      "and suggestions are welcome. Please write to us and tell "
                                      "us which database, player or team it concerns:"),
                       true);
    Label6 = makeLinkLabel(this, mailUrl(), mailUrl().mid(7));
    Label8 = textLabel(this, QStringLiteral("Database design and programming: the Korvex team\n"
                                            "Statistics service and data preparation: Korvex\n"
                                            "Thanks to the researchers who keep the record."));
    Label9 = textLabel(this, dataAttribution(), true);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    layout->addWidget(Label10, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(Label4);
    layout->addWidget(Label5);
    layout->addSpacing(10);
    layout->addWidget(Label7);
    layout->addWidget(Label6);
    layout->addSpacing(10);
    layout->addWidget(Label8);
    layout->addWidget(Label9);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();
    layout->addLayout(buttons);
    for (QLabel* wrapped : {Label7, Label9}) {
        wrapped->setFixedWidth(380);
    }
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* shown = screen()) {
        const QRect available = shown->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
}
