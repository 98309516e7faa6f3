#include "startup/tform12.h"

#include <QLabel>
#include <QVBoxLayout>

TForm12::TForm12(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Baseball Database for the Internet software update"));
    resize(714, 197);
    auto makeLabel = [this](const QString& text) {
        auto* label = new QLabel(text, this);
        QFont font = label->font();
        font.setPointSize(14);
        font.setBold(true);
        label->setFont(font);
        label->setAlignment(Qt::AlignHCenter);
        return label;
    };
    Label1 = makeLabel(QStringLiteral("Your version of the Baseball Database for the Internet"));
    Label2 =
        makeLabel(QStringLiteral("executable file is out of date - new features have been added."));
    Label4 = makeLabel(QStringLiteral(
        "Please visit our website at the link below to download the latest version."));
    Label3 = makeLabel(QString());
    Label3->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label3->setCursor(Qt::PointingHandCursor);
    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {Label1, Label2, Label4, Label3}) {
        layout->addWidget(label);
    }
}
