#include "platform/webaddress.h"

#include <QDesktopServices>
#include <QUrl>

bool IsWebAddress(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

bool OpenWebAddress(const QString& address) {
    if (!IsWebAddress(address)) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl(address.trimmed()));
}
