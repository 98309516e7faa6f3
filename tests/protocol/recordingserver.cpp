#include "tests/protocol/recordingserver.h"

#include <utility>

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

RecordingServer::RecordingServer(const QHostAddress& address, QObject* parent) : QObject(parent) {
    setReply(HttpReply("200 OK", "hello"));
    connect(&m_server, &QTcpServer::newConnection, this, &RecordingServer::onNewConnection);
    m_server.listen(address, 0);
    m_hostPort = address.toString() + QLatin1Char(':') + QString::number(m_server.serverPort());
}

void RecordingServer::setReply(const QByteArray& reply) {
    m_responder = [reply](const QByteArray&) { return reply; };
}

void RecordingServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setProperty("buffer", QByteArray());
        socket->setProperty("answered", false);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (socket->property("closing").toBool() == false)
                ++m_clientCloses;
            socket->deleteLater();
        });
    }
}

void RecordingServer::onReadyRead(QTcpSocket* socket) {
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    if (socket->property("answered").toBool())
        return;
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    qsizetype bodyLength = 0;
    for (const QByteArray& line : buffer.left(headerEnd).split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            bodyLength = line.mid(15).trimmed().toLongLong();
    }
    if (buffer.size() < headerEnd + 4 + bodyLength)
        return;
    socket->setProperty("answered", true);
    const QByteArray request = buffer.left(headerEnd + 4 + bodyLength);
    m_requests.append(request);
    if (m_delayMs <= 0) {
        answer(socket, request);
        return;
    }
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(m_delayMs, this, [this, guard, request] {
        if (guard)
            answer(guard, request);
    });
}

void RecordingServer::answer(QTcpSocket* socket, const QByteArray& request) {
    socket->write(m_responder(request));
    if (!m_holdOpen) {
        socket->setProperty("closing", true);
        socket->disconnectFromHost();
    }
}

QByteArray HttpReply(const QByteArray& statusAndReason, const QByteArray& body,
                     const QByteArray& extraHeaders) {
    return "HTTP/1.0 " + statusAndReason + "\r\nContent-Type: text/plain\r\n" + extraHeaders +
           "\r\n" + body;
}

FloodServer::FloodServer(QByteArray head, const QByteArray& filler, QObject* parent)
    : QObject(parent), m_head(std::move(head)) {
    while (m_chunk.size() < 64 * 1024)
        m_chunk += filler;
    m_server.listen(QHostAddress::LocalHost, 0);
    m_hostPort = QStringLiteral("127.0.0.1:") + QString::number(m_server.serverPort());
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket](qint64 bytes) {
                m_sent += bytes;
                topUp(socket);
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            // The reply starts once the request has begun to arrive.
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                socket->readAll();
                if (socket->property("started").toBool())
                    return;
                socket->setProperty("started", true);
                socket->write(m_head);
                topUp(socket);
            });
        }
    });
}

void FloodServer::topUp(QTcpSocket* socket) {
    while (socket->state() == QAbstractSocket::ConnectedState &&
           socket->bytesToWrite() < 4 * m_chunk.size())
        socket->write(m_chunk);
}