#include "printing/tform15.h"

#include <algorithm>

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// Design values: client area 881 x 627, the button at 416,0 sized 110 x 25
// (so 355 pixels from the right edge), the scroll box at 0,24.
constexpr int DesignWidth = 881;
constexpr int DesignHeight = 627;
constexpr int ButtonLeft = 416;
constexpr int ButtonRightGap = DesignWidth - ButtonLeft - 110;

} // namespace

PreviewImage::PreviewImage(QWidget* parent)
    : QWidget(parent), m_image(ImageWidth, ImageHeight, QImage::Format_RGB32) {
    m_image.fill(Qt::white);
    setFixedSize(ImageWidth, ImageHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}

TForm15::TForm15(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form15"));
    setWindowTitle(QStringLiteral("Print Preview"));
    Button1 = new QPushButton(QStringLiteral("&Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 0, ButtonLeft - 16, 25);
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->move(0, 24);
    Image1 = new PreviewImage;
    Image1->setObjectName(QStringLiteral("Image1"));
    ScrollBox1->setWidget(Image1);
    resize(DesignWidth, DesignHeight);
}

void TForm15::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int width = event->size().width();
    const int height = event->size().height();
    ScrollBox1->resize(std::max(0, width - 10), std::max(0, height - 45));
    Button1->setGeometry(ButtonLeft, 0, std::max(50, width - ButtonLeft - ButtonRightGap), 25);
}

void TForm15::SizeToMainWindow(const QRect& mainFrame, int headerHeight) {
    const int width = std::max(DesignWidth / 4, mainFrame.width() - 30);
    const int height = std::max(DesignHeight / 4, mainFrame.height() - headerHeight - 120);
    setGeometry(mainFrame.left() + 15, mainFrame.top() + headerHeight + 60, width, height);
}

void TForm15::SetPaperText(const QString& text) {
    Label1->setText(text);
    Label1->setToolTip(text);
}

void TForm15::ShowPreview() {
    ScrollBox1->horizontalScrollBar()->setValue(0);
    Image1->update();
    exec();
}
