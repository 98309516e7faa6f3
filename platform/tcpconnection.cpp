#include "platform/tcpconnection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostInfo>
#include <QPointer>
#include <QSocketNotifier>

namespace {

constexpr int ReadChunk = 64 * 1024;

} // namespace

TcpConnection::TcpConnection(QObject* parent) : QObject(parent) {}

TcpConnection::~TcpConnection() {
    close();
}

QString TcpConnection::systemErrorText(int errorNumber) {
    // strerror_r in its GNU form may return a static string instead of
    // filling the buffer.
    char buffer[256] = {};
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

void TcpConnection::connectToHost(const QString& host, quint16 port) {
    close();
    m_port = port;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        QPointer<TcpConnection> self(this);
        const quint64 generation = m_generation;
        emit hostFound();
        if (self && m_generation == generation)
            startConnect(literal);
        return;
    }
    m_lookupId = QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) {
        m_lookupId = -1;
        onLookedUp(info.addresses(), info.error() == QHostInfo::NoError);
    });
}

void TcpConnection::onLookedUp(const QList<QHostAddress>& addresses, bool found) {
    if (!found || addresses.isEmpty()) {
        emit failed(Failure::Lookup, 0, QString());
        return;
    }
    // Prefer IPv4: the services listen on IPv4 addresses.
    QHostAddress chosen = addresses.first();
    for (const QHostAddress& address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = address;
            break;
        }
    }
    QPointer<TcpConnection> self(this);
    const quint64 generation = m_generation;
    emit hostFound();
    if (self && m_generation == generation)
        startConnect(chosen);
}

void TcpConnection::startConnect(const QHostAddress& address) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family = AF_INET;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        family = AF_INET6;
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(m_port);
        const Q_IPV6ADDR raw = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, raw.c, sizeof raw.c);
        length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(m_port);
        in4->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    }
    m_fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        fail(Failure::Connect, errno);
        return;
    }
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &TcpConnection::onReadable);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &TcpConnection::onWritable);
    m_connecting = true;
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&storage), length) == 0) {
        // Completed at once; onWritable reports it from the event loop.
        return;
    }
    if (errno != EINPROGRESS)
        fail(Failure::Connect, errno);
}

void TcpConnection::write(const QByteArray& bytes) {
    m_pending.append(bytes);
    if (m_fd >= 0 && !m_connecting)
        flush();
}

void TcpConnection::close() {
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    releaseSocket();
    m_pending.clear();
}

void TcpConnection::releaseSocket() {
    ++m_generation;
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_connecting = false;
}

void TcpConnection::onWritable() {
    if (m_connecting) {
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
        if (error != 0) {
            fail(Failure::Connect, error);
            return;
        }
        m_connecting = false;
        m_writeNotifier->setEnabled(false);
        m_readNotifier->setEnabled(true);
        QPointer<TcpConnection> self(this);
        const quint64 generation = m_generation;
        emit connected();
        if (!self || m_generation != generation)
            return;
    }
    flush();
}

void TcpConnection::flush() {
    while (!m_pending.isEmpty()) {
        const ssize_t sent = ::send(m_fd, m_pending.constData(),
                                    static_cast<size_t>(m_pending.size()), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_writeNotifier->setEnabled(true);
                return;
            }
            if (errno == EINTR)
                continue;
            fail(Failure::Transfer, errno);
            return;
        }
        m_pending.remove(0, static_cast<qsizetype>(sent));
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

void TcpConnection::onReadable() {
    QByteArray bytes;
    bool peerClosed = false;
    char buffer[ReadChunk];
    for (;;) {
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            bytes.append(buffer, static_cast<qsizetype>(got));
            if (bytes.size() >= 4 * ReadChunk)
                break;
            continue;
        }
        if (got == 0) {
            peerClosed = true;
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        const int error = errno;
        QPointer<TcpConnection> self(this);
        const quint64 generation = m_generation;
        if (!bytes.isEmpty())
            emit received(bytes);
        if (self && m_generation == generation)
            fail(Failure::Transfer, error);
        return;
    }
    // A receiver may close this connection, or even open the next one, while
    // it handles the bytes; then the end of the old one is no news.
    QPointer<TcpConnection> self(this);
    const quint64 generation = m_generation;
    if (!bytes.isEmpty())
        emit received(bytes);
    if (!self || m_generation != generation)
        return;
    if (peerClosed) {
        releaseSocket();
        emit closedByPeer();
    }
}

void TcpConnection::fail(Failure where, int errorNumber) {
    releaseSocket();
    m_pending.clear();
    emit failed(where, errorNumber, systemErrorText(errorNumber));
}
