#include "mainwindow/linkopener.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

void OpenWithDesktop(const QString& target) {
    OpenLink(target, [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

void OpenLink(const QString& target, const std::function<bool(const QUrl&)>& start) {
    const QUrl url(target);
    if (!url.isValid() || url.isEmpty() || start(url)) {
        return;
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Link"), NoBrowserMessage(target),
                    QMessageBox::Ok, QApplication::activeWindow());
    // The address can be selected and copied into a browser by hand.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

QString NoBrowserMessage(const QString& target) {
    return QStringLiteral("No web browser could be started to open %1\n\nOpen the address in "
                          "a browser yourself.")
        .arg(target);
}
