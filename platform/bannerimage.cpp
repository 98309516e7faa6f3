#include "platform/bannerimage.h"

#include <QMouseEvent>
#include <QPixmap>

BannerImage::BannerImage(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
    setCursor(Qt::PointingHandCursor);
}

void BannerImage::setPicture(const QImage& image) {
    if (!image.isNull()) {
        setPixmap(QPixmap::fromImage(image));
    }
}

void BannerImage::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}
