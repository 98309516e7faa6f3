#pragma once

#include <QLabel>

// A banner picture: whatever it is given is stretched to the widget's size
// (468 x 60 in the database windows). It shows the hand cursor and reports
// a click of the left mouse button.
class BannerImage : public QLabel {
    Q_OBJECT
public:
    explicit BannerImage(QWidget* parent = nullptr);

    // Shows `image`, stretched; a null image leaves the picture as it is.
    void setPicture(const QImage& image);
    // Whether a picture was ever shown.
    bool hasPicture() const { return !pixmap().isNull(); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
