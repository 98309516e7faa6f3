#include "startup/proxysettings.h"

#include <QFile>
#include <QList>

#include "startup/replacefile.h"

ProxySettings ParseProxyFile(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    for (auto& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    if (text.endsWith('\n')) {
        lines.removeLast(); // the empty piece after the final line end
    }
    auto line = [&](int i) {
        return i < lines.size() ? QString::fromLocal8Bit(lines[i]) : QString();
    };
    ProxySettings s;
    s.ProxyOn = line(0) == QLatin1String("TRUE");
    s.ProxyHost = line(1);
    s.ProxyPortText = line(2);
    s.ProxyUser = line(3);
    s.ProxyPass = line(4);
    return s;
}

QByteArray FormatProxyFile(const ProxySettings& s) {
    QByteArray out;
    for (const QString& v : {s.ProxyOn ? QStringLiteral("TRUE") : QStringLiteral("FALSE"),
                             s.ProxyHost, s.ProxyPortText, s.ProxyUser, s.ProxyPass}) {
        out += v.toLocal8Bit();
        out += "\r\n";
    }
    return out;
}

ProxyFileResult LoadProxySettings(const QString& path) {
    ProxyFileResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error =
            QStringLiteral("Input/output error reading %1: %2").arg(path, file.errorString());
        return result;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error =
            QStringLiteral("Input/output error reading %1: %2").arg(path, file.errorString());
        return result;
    }
    result.settings = ParseProxyFile(text);
    return result;
}

ProxyFileResult SaveProxySettings(const QString& path, const ProxySettings& settings) {
    ProxyFileResult result;
    result.settings = settings;
    const QString failure = ReplaceFile(path, FormatProxyFile(settings));
    if (!failure.isEmpty()) {
        result.error = QStringLiteral("Input/output error writing %1: %2").arg(path, failure);
    }
    return result;
}
