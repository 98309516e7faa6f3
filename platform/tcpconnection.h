#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QSocketNotifier;

// One outgoing TCP connection over a non-blocking socket, watched by socket
// notifiers so that it never blocks the event loop. The host name is looked
// up asynchronously. Failures carry the system's error number and text.
class TcpConnection : public QObject {
    Q_OBJECT
public:
    // Where a failure happened.
    enum class Failure { Lookup, Connect, Transfer };

    explicit TcpConnection(QObject* parent = nullptr);
    ~TcpConnection() override;

    // Looks `host` up (an address literal needs no lookup), then connects to
    // `port`; emits hostFound() then connected(), or failed(). Closes any
    // earlier connection first.
    void connectToHost(const QString& host, quint16 port);
    // Queues `bytes` for sending; they leave as the socket accepts them.
    void write(const QByteArray& bytes);
    // Closes the socket and cancels a pending lookup; no signal follows.
    void close();
    // True while a socket is open (connecting or connected).
    bool isOpen() const { return m_fd >= 0; }

    // The system's text for an error number, as strerror gives it.
    static QString systemErrorText(int errorNumber);

signals:
    void hostFound();
    void connected();
    // Bytes read from the peer, in order.
    void received(const QByteArray& bytes);
    // The peer closed its side; the socket is closed too.
    void closedByPeer();
    // The connection failed; the socket is closed. `errorNumber` is an errno
    // value (0 for a lookup failure).
    void failed(TcpConnection::Failure where, int errorNumber, const QString& text);

private:
    void onLookedUp(const QList<QHostAddress>& addresses, bool found);
    void startConnect(const QHostAddress& address);
    void onWritable();
    void onReadable();
    void flush();
    void fail(Failure where, int errorNumber);
    void releaseSocket();

    int m_fd = -1;
    // Counts closed sockets, so that a handler can tell its socket is gone.
    quint64 m_generation = 0;
    int m_lookupId = -1;
    quint16 m_port = 0;
    bool m_connecting = false;
    QByteArray m_pending;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};
