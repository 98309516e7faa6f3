#include "protocol/usageevent.h"

#include <algorithm>

QString UsageEventTypeText(UsageEventType type) {
    switch (type) {
    case UsageEventType::In:
        return QStringLiteral("IN");
    case UsageEventType::Click:
        return QStringLiteral("CLICK");
    case UsageEventType::UrlClick:
        return QStringLiteral("URLCLICK");
    case UsageEventType::MenuClick:
        return QStringLiteral("MENUCLICK");
    case UsageEventType::ToolClick:
        return QStringLiteral("TOOLCLICK");
    }
    return QString();
}

QString UsageDatabaseWord(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return QStringLiteral("batters");
    case DatabaseKind::Pitchers:
        return QStringLiteral("pitchers");
    case DatabaseKind::Fielders:
        return QStringLiteral("fielders");
    case DatabaseKind::Teams:
        return QStringLiteral("baseballteams");
    }
    return QString();
}

QString UsageEventText(UsageEventType type, const QString& what, const QString& site,
                       qint64 number) {
    const QChar comma = QLatin1Char(',');
    return UsageEventTypeText(type) + comma + what + comma + site + comma + QString::number(number);
}

QString UsageEventIn(DatabaseKind kind, const QString& site, qint64 elapsedMs) {
    return UsageEventText(UsageEventType::In, UsageDatabaseWord(kind), site,
                          std::max<qint64>(elapsedMs, 0) / 1000);
}

QByteArray EncodeUsageEventText(const QString& text) {
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray raw = text.toUtf8();
    QByteArray out;
    out.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '#' || c == '%') {
            out.append('%');
            out.append(hex[byte >> 4]);
            out.append(hex[byte & 0x0F]);
        } else {
            out.append(c);
        }
    }
    return out;
}

QString UsageEventUrl(const QString& host, const QString& text) {
    return host + QStringLiteral("/999addlog.asp?Q=") +
           QString::fromLatin1(EncodeUsageEventText(text));
}
