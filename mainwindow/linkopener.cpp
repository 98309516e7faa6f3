#include "mainwindow/linkopener.h"

#include <QDesktopServices>
#include <QUrl>

void OpenWithDesktop(const QString& target) {
    const QUrl url(target);
    if (url.isValid() && !url.isEmpty()) {
        QDesktopServices::openUrl(url);
    }
}
