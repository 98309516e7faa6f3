#include "views/querytextlabel.h"

#include <QFontMetrics>

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
