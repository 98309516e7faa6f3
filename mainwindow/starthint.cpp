#include "mainwindow/starthint.h"

#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>

StartHint::StartHint(QMdiArea* area) : QObject(area), m_area(area), m_viewport(area->viewport()) {
    setObjectName(QStringLiteral("StartHint"));
    m_label = new QLabel(text(), m_viewport);
    m_label->setObjectName(QStringLiteral("StartHintLabel"));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = m_label->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    m_label->setFont(font);
    m_label->setStyleSheet(QStringLiteral("color: palette(light);"));
    m_viewport->installEventFilter(this);
    // A window opened, activated or closed: the last close activates none.
    // Queued, so that the area is whole when it is asked.
    connect(area, &QMdiArea::subWindowActivated, this, &StartHint::update, Qt::QueuedConnection);
    update();
}

QString StartHint::text() {
    return QStringLiteral("To start, open a database from the menu \"Baseball Statistics\": "
                          "Batters, Pitchers, Fielders or Teams.\nThe menu \"Instructions\" "
                          "has a short tutorial.");
}

bool StartHint::isShown() const {
    return !m_label->isHidden();
}

bool StartHint::eventFilter(QObject* watched, QEvent* event) {
    // Only stored pointers here: the area may be part way through its
    // destruction when its viewport loses the windows.
    if (watched != m_viewport)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Resize)
        place(static_cast<QResizeEvent*>(event)->size());
    // The area lists a window it gains or loses only after the child event.
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved)
        QMetaObject::invokeMethod(this, &StartHint::update, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void StartHint::place(const QSize& size) {
    m_label->setGeometry(size.width() / 8, 0, size.width() - size.width() / 4, size.height());
}

void StartHint::update() {
    place(m_viewport->size());
    m_label->setVisible(m_area->subWindowList().isEmpty());
}
