#pragma once

#include <functional>

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A loopback HTTP peer for tests: records every request it receives, byte
// for byte, and answers each with the bytes its responder returns, then
// closes the connection.
class RecordingServer : public QObject {
    Q_OBJECT
public:
    using Responder = std::function<QByteArray(const QByteArray& request)>;

    // Listens on `address` at a free port.
    explicit RecordingServer(const QHostAddress& address = QHostAddress::LocalHost,
                             QObject* parent = nullptr);

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // "address:port" as a URL host part.
    QString hostPort() const { return m_hostPort; }
    // Answers every request with `reply`.
    void setReply(const QByteArray& reply);
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    // Waits this long before answering.
    void setReplyDelay(int ms) { m_delayMs = ms; }
    // Keeps the connection open after answering (the client must close it).
    void setHoldOpen(bool hold) { m_holdOpen = hold; }
    // Stops listening; connections are then refused.
    void close() { m_server.close(); }

    const QList<QByteArray>& requests() const { return m_requests; }
    // Number of connections the client closed from its side.
    int clientCloses() const { return m_clientCloses; }

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& request);

    QTcpServer m_server;
    QString m_hostPort;
    Responder m_responder;
    int m_delayMs = 0;
    bool m_holdOpen = false;
    QList<QByteArray> m_requests;
    int m_clientCloses = 0;
};

// A complete HTTP reply with the given status line tail and body.
QByteArray HttpReply(const QByteArray& statusAndReason, const QByteArray& body,
                     const QByteArray& extraHeaders = {});

// A loopback peer that answers each request with `head` and then `filler`
// over and over, without end, until the client closes the connection: a
// reply that never ends where `head` leaves it (inside a header line, inside
// the header section, or in a body of no stated length).
class FloodServer : public QObject {
    Q_OBJECT
public:
    FloodServer(QByteArray head, const QByteArray& filler, QObject* parent = nullptr);

    // "127.0.0.1:port".
    QString hostPort() const { return m_hostPort; }
    // Bytes handed to the connections so far (the client took at most these).
    qint64 bytesSent() const { return m_sent; }

private:
    void topUp(QTcpSocket* socket);

    QTcpServer m_server;
    QString m_hostPort;
    QByteArray m_head;
    QByteArray m_chunk;
    qint64 m_sent = 0;
};
