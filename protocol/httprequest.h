#pragma once

#include <QByteArray>
#include <QString>

// The parts of a URL the HTTP client uses:
// [scheme://][user[:password]@]host[:port][/path].
struct HttpTarget {
    QString host;
    QString port = QStringLiteral("80");
    bool portGiven = false;
    QString path = QStringLiteral("/");
    QString user;
    QString password;

    // A scheme only at the start: a "://" further on belongs to the path or
    // query (a URL reported in a usage event), not to the target.
    static HttpTarget parse(const QString& url);
    // The host as a URL writes it (an IPv6 address in brackets).
    QString shownHost() const;
    // The host, with the port when the URL gave one.
    QString hostAndPort() const;
};

// Request targets go on the request line as they are, except for bytes that
// would break the line (blanks, control characters) or are not ASCII: those
// are percent-encoded.
QByteArray RequestTarget(const QString& text);
// A header value never carries a line break into the request.
QByteArray HeaderValue(const QString& text);
