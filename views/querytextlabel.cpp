#include "views/querytextlabel.h"

#include <QFontMetrics>
#include <QMouseEvent>

QueryTextLabel::QueryTextLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setFont(QFont(QStringLiteral("Arial"), 8));
}

void QueryTextLabel::setFullText(const QString& text) {
    m_full = text;
    setToolTip(text);
    elide();
}

void QueryTextLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void QueryTextLabel::elide() {
    setText(fontMetrics().elidedText(m_full, Qt::ElideRight, std::max(width(), 0)));
}

void QueryTextLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
