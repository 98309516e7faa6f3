#pragma once

#include <QLabel>

// A label of the header band that acts as a link: a left click on it emits
// `clicked`, and the pointer moving onto or over it emits `hovered`. Moves
// over it never reach the band beneath.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();
    void hovered();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    bool m_pressed = false;
};
