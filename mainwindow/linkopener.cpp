#include "mainwindow/linkopener.h"

#include <QDesktopServices>
#include <QUrl>

void OpenWithDesktop(const QString& target) {
    const QUrl url(target);
    if (url.isValid() && !url.isEmpty()) {
        QDesktopServices::openUrl(url);
    }
}

bool IsWebAddress(const QString& target) {
    const QString scheme = QUrl(target).scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QString LinkUsageEvent(const QString& type, const QString& url, const QString& site) {
    return type + QLatin1Char(',') + url + QLatin1Char(',') + site + QStringLiteral(",0");
}
