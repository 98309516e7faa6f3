#include "protocol/httprequest.h"

#include <QLocale>

#include "protocol/httpcli.h"

namespace {

// Letters, then letters, digits, "+", "-" or ".".
bool isScheme(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                            (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
        const bool other = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.');
        if (!letter && (i == 0 || !other))
            return false;
    }
    return !text.isEmpty();
}

} // namespace

QByteArray RequestTarget(const QString& text) {
    const QByteArray raw = text.toUtf8();
    QByteArray out;
    out.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            out.append('%');
            out.append(QByteArray::number(byte, 16).rightJustified(2, '0').toUpper());
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray HeaderValue(const QString& text) {
    QByteArray value = text.toUtf8();
    value.replace('\r', ' ');
    value.replace('\n', ' ');
    return value;
}

HttpTarget HttpTarget::parse(const QString& url) {
    HttpTarget target;
    QString rest = url.trimmed();
    const qsizetype schemeEnd = rest.indexOf(QStringLiteral("://"));
    if (schemeEnd > 0 && isScheme(QStringView(rest).left(schemeEnd)))
        rest = rest.mid(schemeEnd + 3);
    qsizetype pathStart = rest.indexOf(QLatin1Char('/'));
    const qsizetype queryStart = rest.indexOf(QLatin1Char('?'));
    if (queryStart >= 0 && (pathStart < 0 || queryStart < pathStart))
        pathStart = queryStart;
    QString authority = pathStart < 0 ? rest : rest.left(pathStart);
    if (pathStart >= 0) {
        target.path = rest.mid(pathStart);
        if (!target.path.startsWith(QLatin1Char('/')))
            target.path.prepend(QLatin1Char('/'));
    }
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        target.user = colon < 0 ? userInfo : userInfo.left(colon);
        target.password = colon < 0 ? QString() : userInfo.mid(colon + 1);
    }
    qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (colon < close)
            colon = -1;
    }
    if (colon >= 0) {
        target.port = authority.mid(colon + 1);
        target.portGiven = true;
        authority = authority.left(colon);
    }
    if (authority.startsWith(QLatin1Char('[')) && authority.endsWith(QLatin1Char(']')))
        authority = authority.mid(1, authority.size() - 2);
    target.host = authority;
    return target;
}

QString HttpTarget::shownHost() const {
    return host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
}

QString HttpTarget::hostAndPort() const {
    return portGiven ? shownHost() + QLatin1Char(':') + port : shownHost();
}

QByteArray THttpCli::buildRequest(const HttpTarget& target, bool viaProxy) const {
    const QByteArray crlf("\r\n");
    QByteArray request = m_post ? "POST " : "GET ";
    if (viaProxy)
        request += "http://" + RequestTarget(target.hostAndPort() + target.path);
    else
        request += RequestTarget(target.path);
    request += " HTTP/1.0" + crlf;
    if (!m_sender.isEmpty())
        request += "From: " + HeaderValue(m_sender) + crlf;
    request += "Accept: " + HeaderValue(m_accept) + crlf;
    if (!m_reference.isEmpty())
        request += "Referer: " + HeaderValue(m_reference) + crlf;
    if (m_post)
        request += "Content-Type: " + HeaderValue(m_contentTypePost) + crlf;
    request += "User-Agent: " + HeaderValue(m_agent) + crlf;
    // The host alone, port or not: only the request line names the port.
    request += "Host: " + HeaderValue(target.shownHost()) + crlf;
    if (m_noCache)
        request += "Pragma: no-cache" + crlf;
    if (m_post)
        request += "Content-Length: " + QByteArray::number(m_body.size()) + crlf;
    if (m_modifiedSince.isValid()) {
        const QString date = QLocale::c().toString(m_modifiedSince.toUTC(),
                                                   QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"));
        request += "If-Modified-Since: " + date.toLatin1() + " GMT" + crlf;
    }
    if (!target.user.isEmpty())
        request += "Authorization: Basic " +
                   (target.user + QLatin1Char(':') + target.password).toUtf8().toBase64() + crlf;
    if (viaProxy && !m_proxyUsername.isEmpty())
        request += "Proxy-Authorization: Basic " +
                   (m_proxyUsername + QLatin1Char(':') + m_proxyPassword).toUtf8().toBase64() +
                   crlf;
    if (!m_cookie.isEmpty())
        request += "Cookie: " + HeaderValue(m_cookie) + crlf;
    if (!m_rangeBegin.isEmpty())
        request +=
            "Range: bytes=" + HeaderValue(m_rangeBegin) + '-' + HeaderValue(m_rangeEnd) + crlf;
    request += crlf;
    return request;
}
