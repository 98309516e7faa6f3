#include "protocol/httpcli.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <QBuffer>
#include <QEventLoop>
#include <QIODevice>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "platform/tcpconnection.h"
#include "protocol/httprequest.h"

namespace {

const QString BusyText = QStringLiteral("HTTP component is busy");
const QString NothingToPostText = QStringLiteral("HTTP component has nothing to post");
const QString AbortedText = QStringLiteral("Connection aborted on request");
const QString UnresolvedText = QStringLiteral("can't resolve hostname to IP address");
constexpr int ConnectionFailureStatus = 404;

QString systemError(int errorNumber) {
    return TcpConnection::systemErrorText(errorNumber) + QStringLiteral(" (Error #") +
           QString::number(errorNumber) + QLatin1Char(')');
}

bool startsWithNoCase(const QByteArray& bytes, const char* prefix) {
    const QByteArray wanted(prefix);
    return bytes.size() >= wanted.size() && bytes.left(wanted.size()).toLower() == wanted.toLower();
}

} // namespace

EHttpException::EHttpException(const QString& message, int errorCode)
    : std::runtime_error(message.toStdString()), m_message(message), m_errorCode(errorCode) {}

THttpCli::THttpCli(QObject* parent)
    : QObject(parent), m_connection(new TcpConnection(this)), m_timer(new QTimer(this)),
      m_deadline(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &THttpCli::onTimeout);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &THttpCli::onDeadline);
    connect(m_connection, &TcpConnection::hostFound, this, &THttpCli::onHostFound);
    connect(m_connection, &TcpConnection::connected, this, &THttpCli::onConnected);
    connect(m_connection, &TcpConnection::received, this, &THttpCli::onReceived);
    connect(m_connection, &TcpConnection::closedByPeer, this, &THttpCli::onClosedByPeer);
    connect(m_connection, &TcpConnection::failed, this,
            [this](TcpConnection::Failure where, int errorNumber, const QString& text) {
                onFailed(static_cast<int>(where), errorNumber, text);
            });
}

THttpCli::~THttpCli() {
    m_timer->stop();
    m_deadline->stop();
    m_connection->close();
    if (m_loop)
        m_loop->quit();
}

void THttpCli::setTimeouts(int connectMs, int readMs) {
    m_connectTimeoutMs = connectMs;
    m_readTimeoutMs = readMs;
}

void THttpCli::Get() {
    execute(false);
}

void THttpCli::Post() {
    execute(true);
}

void THttpCli::Abort() {
    if (m_state == State::Ready || m_done)
        return;
    if (!setState(State::Aborting))
        return;
    finish(ConnectionFailureStatus, AbortedText, true);
}

void THttpCli::execute(bool post) {
    if (m_state != State::Ready)
        throw EHttpException(BusyText, EHttpException::ErrBusy);
    if (post && m_sendStream == nullptr)
        throw EHttpException(NothingToPostText, EHttpException::ErrNothingToPost);
    m_post = post;
    m_body = post ? m_sendStream->readAll() : QByteArray();
    m_redirects = 0;
    m_currentUrl = m_url;
    m_done = false;
    m_failed = false;
    m_failedByServer = false;

    QPointer<THttpCli> self(this);
    QEventLoop loop;
    m_loop = &loop;
    // The read time-out restarts with every byte; this bounds the whole exchange.
    m_deadline->start(m_exchangeDeadlineMs > 0 ? m_exchangeDeadlineMs
                                               : ExchangeDeadlineFactor * m_readTimeoutMs);
    startExchange();
    if (self && !m_done)
        loop.exec();
    if (!self)
        throw EHttpException(AbortedText, EHttpException::ErrDestroyed);
    m_loop = nullptr;
    if (m_failed || m_statusCode >= 400)
        throw EHttpException(m_reasonPhrase, m_statusCode);
}

void THttpCli::startExchange() {
    m_statusCode = 0;
    m_reasonPhrase.clear();
    m_contentType.clear();
    m_contentLength = -1;
    m_contentRange.clear();
    m_acceptRanges.clear();
    m_wwwAuthenticate.clear();
    m_setCookie.clear();
    m_location = m_currentUrl;
    m_headerless = false;
    m_statusSeen = false;
    m_redirectTo.clear();
    m_headerBuffer.clear();
    m_replyBytes = 0;
    m_headerBytes = 0;
    m_bodyBytes = 0;
    m_bodyLineFeeds = 0;
    m_bodyReturns = 0;

    const HttpTarget target = HttpTarget::parse(m_currentUrl);
    const bool viaProxy = !m_proxy.isEmpty();
    HttpTarget peer = target;
    if (viaProxy) {
        peer = HttpTarget::parse(m_proxy);
        if (!peer.portGiven)
            peer.port = m_proxyPort;
    }
    m_request = buildRequest(target, viaProxy);

    if (!setState(State::HostLookup))
        return;
    if (peer.host.isEmpty()) {
        finish(ConnectionFailureStatus, UnresolvedText, true);
        return;
    }
    bool portOk = false;
    const uint port = peer.port.trimmed().toUInt(&portOk);
    if (!portOk || port == 0 || port > 65535) {
        finish(ConnectionFailureStatus, QStringLiteral("can't connect: ") + systemError(EINVAL),
               true);
        return;
    }
    m_timer->start(m_connectTimeoutMs);
    m_connection->connectToHost(peer.host, static_cast<quint16>(port));
}

void THttpCli::onHostFound() {
    if (m_state == State::HostLookup)
        setState(State::HostLookupDone);
}

void THttpCli::onConnected() {
    if (!setState(State::Connected))
        return;
    m_connection->write(m_request + m_body);
    if (!setState(State::WaitingForHeader))
        return;
    if (!m_done)
        m_timer->start(m_readTimeoutMs);
}

void THttpCli::onReceived(const QByteArray& bytes) {
    if (m_done)
        return;
    m_timer->start(m_readTimeoutMs);
    m_replyBytes += bytes.size();
    if (m_replyBytes > m_maxReplyBytes) {
        finish(ConnectionFailureStatus,
               QStringLiteral("reply larger than %1 bytes").arg(m_maxReplyBytes), true);
        return;
    }
    if (m_state == State::WaitingForBody) {
        writeBody(bytes);
        return;
    }
    m_headerBuffer += bytes;
    processHeaderLines();
}

bool THttpCli::processHeaderLines() {
    while (!m_done) {
        if (!m_statusSeen) {
            if (m_headerBuffer.size() >= 6 && startsWithNoCase(m_headerBuffer, "<HTML>")) {
                // No header at all: the whole reply is an HTML body.
                m_headerless = true;
                m_statusSeen = true;
                m_contentType = QStringLiteral("text/html");
                if (!setState(State::WaitingForBody))
                    return false;
                writeBody(std::exchange(m_headerBuffer, QByteArray()));
                return false;
            }
        }
        const qsizetype end = m_headerBuffer.indexOf('\n');
        // Counted before a line ends, so a line that never does is cut off too.
        const qint64 headerBytes = m_headerBytes + (end < 0 ? m_headerBuffer.size() : end + 1);
        if (headerBytes > MaxHeaderBytes) {
            finish(ConnectionFailureStatus,
                   QStringLiteral("reply header larger than %1 bytes").arg(MaxHeaderBytes), true);
            return false;
        }
        if (end < 0)
            return true;
        m_headerBytes = headerBytes;
        QByteArray line = m_headerBuffer.left(end);
        m_headerBuffer.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!m_statusSeen) {
            if (!handleStatusLine(line))
                return false;
            continue;
        }
        if (!line.isEmpty()) {
            handleHeaderLine(line);
            continue;
        }
        if (!m_redirectTo.isEmpty()) {
            followRedirect();
            return false;
        }
        if (headerEnded())
            writeBody(std::exchange(m_headerBuffer, QByteArray()));
        return false;
    }
    return false;
}

// After the blank line: whether a body follows to be written.
bool THttpCli::headerEnded() {
    QPointer<THttpCli> self(this);
    if (!setState(State::WaitingForBody) || !self)
        return false;
    if (m_contentLength > m_maxReplyBytes - m_headerBytes) {
        // Refused before a byte of it is written.
        finish(ConnectionFailureStatus,
               QStringLiteral("reply larger than %1 bytes").arg(m_maxReplyBytes), true);
        return false;
    }
    if (m_contentLength == 0) {
        finish(m_statusCode, m_reasonPhrase, false);
        return false;
    }
    return true;
}

bool THttpCli::handleStatusLine(const QByteArray& line) {
    if (!line.startsWith("HTTP/1.0") && !line.startsWith("HTTP/1.1")) {
        finish(ConnectionFailureStatus, QStringLiteral("reply without a status line"), true);
        return false;
    }
    bool ok = false;
    const int status = line.mid(9, 3).toInt(&ok);
    if (!ok || status < 100 || status > 999) {
        finish(ConnectionFailureStatus, QStringLiteral("reply with a bad status line"), true);
        return false;
    }
    m_statusSeen = true;
    m_statusCode = status;
    m_reasonPhrase = QString::fromLatin1(line.mid(13));
    if (status >= 400) {
        // The rest of an error reply is never read.
        m_failedByServer = true;
        finish(status, m_reasonPhrase, true);
        return false;
    }
    return true;
}

namespace {

// The statuses whose "Location" sends the request elsewhere.
bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

void THttpCli::handleHeaderLine(const QByteArray& line) {
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return;
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QString value = QString::fromLatin1(line.mid(colon + 1).trimmed());
    if (name == "content-length") {
        bool ok = false;
        const qint64 length = value.toLongLong(&ok);
        m_contentLength = ok && length >= 0 ? length : -1;
    } else if (name == "content-range") {
        m_contentRange = value;
    } else if (name == "accept-ranges") {
        m_acceptRanges = value;
    } else if (name == "content-type") {
        m_contentType = value;
    } else if (name == "www-authenticate") {
        m_wwwAuthenticate = value;
    } else if (name == "set-cookie") {
        m_setCookie = value;
    } else if (name == "location" && isRedirect(m_statusCode)) {
        m_redirectTo = value;
    }
}

void THttpCli::followRedirect() {
    m_connection->close();
    m_timer->stop();
    if (++m_redirects > MaxRedirects) {
        finish(ConnectionFailureStatus,
               QStringLiteral("more than %1 redirections").arg(MaxRedirects), true);
        return;
    }
    const HttpTarget current = HttpTarget::parse(m_currentUrl);
    const QUrl base(QStringLiteral("http://") + current.hostAndPort() + current.path);
    const QString location = m_redirectTo;
    const bool absolute = location.contains(QStringLiteral("://"));
    m_currentUrl = absolute ? location : base.resolved(QUrl(location)).toString();
    if (!setState(State::NotConnected))
        return;
    startExchange();
}

bool THttpCli::writeBody(const QByteArray& bytes) {
    QByteArray chunk = bytes;
    if (m_contentLength >= 0 && m_bodyBytes + chunk.size() > m_contentLength)
        chunk.truncate(m_contentLength - m_bodyBytes);
    m_bodyBytes += chunk.size();
    if (m_maxReplyLines >= 0) {
        // CR LF ends one line and counts once either way.
        m_bodyLineFeeds += chunk.count('\n');
        m_bodyReturns += chunk.count('\r');
        if (std::max(m_bodyLineFeeds, m_bodyReturns) > m_maxReplyLines) {
            finish(ConnectionFailureStatus,
                   QStringLiteral("reply longer than %1 lines").arg(m_maxReplyLines), true);
            return false;
        }
    }
    if (m_rcvdStream != nullptr && !chunk.isEmpty() && m_rcvdStream->write(chunk) != chunk.size()) {
        finish(ConnectionFailureStatus,
               QStringLiteral("can't write the reply: ") + m_rcvdStream->errorString(), true);
        return false;
    }
    if (m_contentLength >= 0 && m_bodyBytes >= m_contentLength) {
        finish(m_statusCode, m_reasonPhrase, false);
        return false;
    }
    return true;
}

void THttpCli::onClosedByPeer() {
    if (m_done)
        return;
    if (m_state == State::WaitingForBody) {
        // A reply that announced its length must bring all of it.
        if (m_contentLength >= 0 && m_bodyBytes < m_contentLength) {
            finish(ConnectionFailureStatus,
                   QStringLiteral("connection closed after %1 of %2 body bytes")
                       .arg(m_bodyBytes)
                       .arg(m_contentLength),
                   true);
            return;
        }
        finish(m_statusCode, m_reasonPhrase, false);
        return;
    }
    const QString text = m_statusSeen ? QStringLiteral("connection closed inside the reply header")
                                      : QStringLiteral("connection closed without a reply");
    finish(ConnectionFailureStatus, text, true);
}

void THttpCli::onFailed(int where, int errorNumber, const QString& text) {
    if (m_done)
        return;
    Q_UNUSED(text);
    switch (static_cast<TcpConnection::Failure>(where)) {
    case TcpConnection::Failure::Lookup:
        finish(ConnectionFailureStatus, UnresolvedText, true);
        break;
    case TcpConnection::Failure::Connect:
        finish(ConnectionFailureStatus,
               QStringLiteral("can't connect: ") + systemError(errorNumber), true);
        break;
    case TcpConnection::Failure::Transfer:
        finish(ConnectionFailureStatus, systemError(errorNumber), true);
        break;
    }
}

void THttpCli::onTimeout() {
    if (m_done)
        return;
    switch (m_state) {
    case State::HostLookup:
        finish(ConnectionFailureStatus, UnresolvedText, true);
        break;
    case State::HostLookupDone:
    case State::NotConnected:
        finish(ConnectionFailureStatus, QStringLiteral("can't connect: ") + systemError(ETIMEDOUT),
               true);
        break;
    default:
        finish(ConnectionFailureStatus, systemError(ETIMEDOUT), true);
        break;
    }
}

void THttpCli::onDeadline() {
    if (m_done || m_state == State::Ready)
        return;
    const int ms =
        m_exchangeDeadlineMs > 0 ? m_exchangeDeadlineMs : ExchangeDeadlineFactor * m_readTimeoutMs;
    finish(ConnectionFailureStatus,
           QStringLiteral("no complete reply within %1 s").arg(QString::number(ms / 1000.0)), true);
}

void THttpCli::finish(int status, const QString& reason, bool failed) {
    if (m_done)
        return;
    m_done = true;
    m_failed = failed;
    m_timer->stop();
    m_deadline->stop();
    m_connection->close();
    m_statusCode = status;
    m_reasonPhrase = reason;
    if (m_loop)
        m_loop->quit();
    if (!setState(State::NotConnected))
        return;
    setState(State::Ready);
}

bool THttpCli::setState(State state) {
    if (m_state == state)
        return true;
    m_state = state;
    QPointer<THttpCli> self(this);
    emit OnStateChange(state);
    return !self.isNull();
}

std::optional<QByteArray> FetchBody(THttpCli& client, const QString& url) {
    QByteArray body;
    QBuffer stream(&body);
    stream.open(QIODevice::WriteOnly);
    client.setURL(url);
    client.setSendStream(nullptr);
    client.setRcvdStream(&stream);
    QPointer<THttpCli> guard(&client);
    bool fetched = true;
    try {
        client.Get();
    } catch (const EHttpException&) {
        fetched = false;
    }
    if (!guard) {
        return std::nullopt;
    }
    guard->setRcvdStream(nullptr);
    if (!fetched) {
        return std::nullopt;
    }
    return body;
}
