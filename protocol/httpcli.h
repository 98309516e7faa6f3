#pragma once

#include <optional>
#include <stdexcept>

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

class QEventLoop;
class QIODevice;
class QTimer;
class TcpConnection;
struct HttpTarget;

// A failed HTTP exchange: the message is the reason phrase of the final
// status, `ErrorCode` the status (404 for connection failures) or one of the
// client's own codes below.
class EHttpException : public std::runtime_error {
public:
    // Codes for failures that never reached the wire.
    static constexpr int ErrBusy = 1;
    static constexpr int ErrNothingToPost = 2;
    // The client was destroyed while the request waited.
    static constexpr int ErrDestroyed = 3;

    EHttpException(const QString& message, int errorCode);
    // The message as text.
    QString Message() const { return m_message; }
    // Status code or client code.
    int ErrorCode() const { return m_errorCode; }

private:
    QString m_message;
    int m_errorCode;
};

// The proxy a client goes through: the four proxy settings of THttpCli. An
// empty host means a direct connection.
struct ProxyRoute {
    QString Host;
    QString Port;
    QString Username;
    QString Password;

    bool operator==(const ProxyRoute&) const = default;
};

// HTTP/1.0 client: one request per connection, synchronous for the caller
// while the event loop keeps running, so timers and paints go on during an
// exchange. The request body is read from the request stream and the reply
// body written into the reply stream; the caller owns both.
class THttpCli : public QObject {
    Q_OBJECT
public:
    enum class State {
        Ready,
        NotConnected,
        Connected,
        HostLookup,
        HostLookupDone,
        WaitingForHeader,
        WaitingForBody,
        Aborting
    };
    Q_ENUM(State)

    static constexpr int DefaultTimeoutMs = 30000;
    static constexpr int MaxRedirects = 5;
    static constexpr qint64 DefaultMaxReplyBytes = qint64{64} * 1024 * 1024;

    explicit THttpCli(QObject* parent = nullptr);
    // Ends an exchange in progress; a waiting Get or Post then raises.
    ~THttpCli() override;

    // Target: [http://][user[:password]@]host[:port][/path]; no scheme means
    // http, no port 80, no path "/".
    QString URL() const { return m_url; }
    void setURL(const QString& url) { m_url = url; }
    // Proxy host, optionally "host:port"; empty means a direct connection.
    QString Proxy() const { return m_proxy; }
    void setProxy(const QString& proxy) { m_proxy = proxy; }
    // Proxy port used when `Proxy` carries none.
    QString ProxyPort() const { return m_proxyPort; }
    void setProxyPort(const QString& port) { m_proxyPort = port; }
    QString ProxyUsername() const { return m_proxyUsername; }
    void setProxyUsername(const QString& name) { m_proxyUsername = name; }
    QString ProxyPassword() const { return m_proxyPassword; }
    void setProxyPassword(const QString& password) { m_proxyPassword = password; }
    // Sets all four proxy settings at once.
    void setProxyRoute(const ProxyRoute& route) {
        m_proxy = route.Host;
        m_proxyPort = route.Port;
        m_proxyUsername = route.Username;
        m_proxyPassword = route.Password;
    }
    QString Agent() const { return m_agent; }
    void setAgent(const QString& agent) { m_agent = agent; }
    QString Accept() const { return m_accept; }
    void setAccept(const QString& accept) { m_accept = accept; }
    QString ContentTypePost() const { return m_contentTypePost; }
    void setContentTypePost(const QString& type) { m_contentTypePost = type; }
    // Sends "Pragma: no-cache" when on.
    bool NoCache() const { return m_noCache; }
    void setNoCache(bool on) { m_noCache = on; }
    // Kept for the callers that set it; the client always runs on the
    // calling thread.
    bool MultiThreaded() const { return m_multiThreaded; }
    void setMultiThreaded(bool on) { m_multiThreaded = on; }
    // Optional request headers; an empty value (null date) sends nothing.
    QString Sender() const { return m_sender; }
    void setSender(const QString& sender) { m_sender = sender; }
    QString Reference() const { return m_reference; }
    void setReference(const QString& reference) { m_reference = reference; }
    QDateTime ModifiedSince() const { return m_modifiedSince; }
    void setModifiedSince(const QDateTime& since) { m_modifiedSince = since; }
    QString Cookie() const { return m_cookie; }
    void setCookie(const QString& cookie) { m_cookie = cookie; }
    // Byte range "bytes=begin-end"; sent when `ContentRangeBegin` is set.
    QString ContentRangeBegin() const { return m_rangeBegin; }
    void setContentRangeBegin(const QString& begin) { m_rangeBegin = begin; }
    QString ContentRangeEnd() const { return m_rangeEnd; }
    void setContentRangeEnd(const QString& end) { m_rangeEnd = end; }

    // Body of the next POST, sent from its current position to its end; not
    // owned.
    QIODevice* SendStream() const { return m_sendStream; }
    void setSendStream(QIODevice* stream) { m_sendStream = stream; }
    // Receives the reply body; not owned; may be null to drop the body.
    QIODevice* RcvdStream() const { return m_rcvdStream; }
    void setRcvdStream(QIODevice* stream) { m_rcvdStream = stream; }

    // Connect and read time-outs in milliseconds (design value 30 s).
    void setTimeouts(int connectMs, int readMs);
    // Longest a whole Get or Post may take, redirects included, in
    // milliseconds; 0 (the default) means ExchangeDeadlineFactor times the
    // read time-out. A reply trickling in slower than that fails.
    void setExchangeDeadline(int ms) { m_exchangeDeadlineMs = ms; }
    static constexpr int ExchangeDeadlineFactor = 4;
    // Largest reply accepted, header included; a larger one fails, and one
    // whose stated length passes it fails as soon as its header ends.
    void setMaxReplyBytes(qint64 bytes) { m_maxReplyBytes = bytes; }
    // Largest header section (status line, header lines, blank line), a
    // bound of its own whatever the body may be: a header line that never
    // ends fails once it passes this.
    static constexpr qint64 MaxHeaderBytes = 16 * 1024;
    // Most lines the body may end (by LF, or by CR where lines end so); a
    // body ending more fails as soon as it does. Negative (the default): no
    // bound. Holds for every later exchange until set again.
    void setMaxReplyLines(qint64 lines) { m_maxReplyLines = lines; }

    // Status of the last exchange: 0 for a headerless reply.
    int StatusCode() const { return m_statusCode; }
    // Whether the last exchange ended on an error status the server sent
    // (>= 400), rather than on a failure of the client's own (status 404).
    bool FailedByServer() const { return m_failedByServer; }
    QString ReasonPhrase() const { return m_reasonPhrase; }
    // Recorded reply headers of the last exchange (empty when absent).
    QString ContentType() const { return m_contentType; }
    qint64 ContentLength() const { return m_contentLength; }
    QString ContentRange() const { return m_contentRange; }
    QString AcceptRanges() const { return m_acceptRanges; }
    QString WWWAuthenticate() const { return m_wwwAuthenticate; }
    QString SetCookie() const { return m_setCookie; }
    // Where the last exchange finally went after redirects.
    QString Location() const { return m_location; }
    State state() const { return m_state; }

    // GET of URL into the reply stream; returns when the exchange is over.
    // Raises EHttpException when busy or when the final status is >= 400.
    void Get();
    // POST of the request stream to URL; as Get, and raises when there is no
    // request stream.
    void Post();
    // Ends the exchange in progress with status 404 "Connection aborted on
    // request"; does nothing when ready.
    void Abort();

signals:
    // Every change of state; the change to Ready comes before Get or Post
    // returns.
    void OnStateChange(THttpCli::State state);

private:
    void execute(bool post);
    void startExchange();
    void onHostFound();
    void onConnected();
    void onReceived(const QByteArray& bytes);
    void onClosedByPeer();
    void onFailed(int where, int errorNumber, const QString& text);
    void followRedirect();
    void onTimeout();
    void onDeadline();
    bool processHeaderLines();
    bool headerEnded();
    bool handleStatusLine(const QByteArray& line);
    void handleHeaderLine(const QByteArray& line);
    bool writeBody(const QByteArray& bytes);
    QByteArray buildRequest(const HttpTarget& target, bool viaProxy) const;
    void finish(int status, const QString& reason, bool failed);
    bool setState(State state);

    QString m_url;
    QString m_proxy;
    QString m_proxyPort = QStringLiteral("80");
    QString m_proxyUsername;
    QString m_proxyPassword;
    QString m_agent = QStringLiteral("Mozilla/3.0 (compatible)");
    QString m_accept = QStringLiteral("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    QString m_contentTypePost = QStringLiteral("application/x-www-form-urlencoded");
    bool m_noCache = false;
    bool m_multiThreaded = false;
    QString m_sender;
    QString m_reference;
    QDateTime m_modifiedSince;
    QString m_cookie;
    QString m_rangeBegin;
    QString m_rangeEnd;
    QIODevice* m_sendStream = nullptr;
    QIODevice* m_rcvdStream = nullptr;
    int m_connectTimeoutMs = DefaultTimeoutMs;
    int m_readTimeoutMs = DefaultTimeoutMs;
    int m_exchangeDeadlineMs = 0;
    qint64 m_maxReplyBytes = DefaultMaxReplyBytes;
    qint64 m_maxReplyLines = -1;

    State m_state = State::Ready;
    int m_statusCode = 0;
    QString m_reasonPhrase;
    QString m_contentType;
    qint64 m_contentLength = -1;
    QString m_contentRange;
    QString m_acceptRanges;
    QString m_wwwAuthenticate;
    QString m_setCookie;
    QString m_location;

    // Per exchange.
    bool m_post = false;
    bool m_done = false;
    bool m_failed = false;
    bool m_failedByServer = false;
    bool m_headerless = false;
    bool m_statusSeen = false;
    int m_redirects = 0;
    QString m_redirectTo;
    QByteArray m_body;
    QByteArray m_headerBuffer;
    QByteArray m_request;
    qint64 m_replyBytes = 0;
    qint64 m_headerBytes = 0;
    qint64 m_bodyBytes = 0;
    qint64 m_bodyLineFeeds = 0;
    qint64 m_bodyReturns = 0;
    QString m_currentUrl;
    TcpConnection* m_connection = nullptr;
    QTimer* m_timer = nullptr;
    QTimer* m_deadline = nullptr;
    QEventLoop* m_loop = nullptr;
};

// GET of `url` with `client` into memory, with no request stream: the body,
// or nothing when the exchange failed or the client was destroyed while it
// waited (its owner closed during the event loop of the exchange).
std::optional<QByteArray> FetchBody(THttpCli& client, const QString& url);
