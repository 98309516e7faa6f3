#include <QBuffer>
#include <QtTest>

#include "protocol/httpcli.h"
#include "tests/protocol/recordingserver.h"

namespace {

// What one Get gave back.
struct Outcome {
    bool raised = false;
    QString message;
    QByteArray body;
};

Outcome get(THttpCli& client, const QString& url) {
    Outcome outcome;
    QBuffer reply(&outcome.body);
    reply.open(QIODevice::WriteOnly);
    client.setURL(url);
    client.setRcvdStream(&reply);
    try {
        client.Get();
    } catch (const EHttpException& error) {
        outcome.raised = true;
        outcome.message = error.Message();
    }
    client.setRcvdStream(nullptr);
    return outcome;
}

constexpr qint64 MiB = 1024 * 1024;

} // namespace

// What a hostile or broken server can make the client hold: a header
// section has a small bound of its own, a whole reply the bound its caller
// sets, and a reply stating a length past that bound is refused before a
// byte of its body is written.
class TestHttpBounds : public QObject {
    Q_OBJECT
private slots:
    void headerThatNeverEnds_data();
    void headerThatNeverEnds();
    void replyCap_data();
    void replyCap();
};

void TestHttpBounds::headerThatNeverEnds_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("filler");
    QTest::newRow("a header line that never ends")
        << QByteArray("HTTP/1.0 200 OK\r\nX-Pad: ") << QByteArray("a");
    QTest::newRow("header lines that never end the section")
        << QByteArray("HTTP/1.0 200 OK\r\n") << QByteArray("X-Pad: a\r\n");
    QTest::newRow("a status line that never ends")
        << QByteArray("HTTP/1.0 200 ") << QByteArray("O");
    QTest::newRow("a redirect's header that never ends")
        << QByteArray("HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\nX-Pad: ") << QByteArray("a");
}

// The client gives up once the header passes 16 KiB, with the reply bound
// left at its 64 MiB default: the server has handed over far less than that
// bound when the client closes (what it sent sits in socket buffers).
void TestHttpBounds::headerThatNeverEnds() {
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, filler);
    FloodServer server(head, filler);
    THttpCli client;
    const Outcome outcome = get(client, server.hostPort() + QStringLiteral("/x"));
    QVERIFY(outcome.raised);
    QCOMPARE(outcome.message, QStringLiteral("reply header larger than 16384 bytes"));
    QVERIFY(outcome.body.isEmpty());
    qInfo("bytes the server handed over: %lld", server.bytesSent());
    QVERIFY2(server.bytesSent() < 16 * MiB, qPrintable(QString::number(server.bytesSent())));
    QCOMPARE(client.state(), THttpCli::State::Ready);
}

void TestHttpBounds::replyCap_data() {
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::addColumn<qint64>("bodyAtMost");
    QTest::newRow("body past the cap") << qint64{1000} << HttpReply("200 OK", QByteArray(5000, 'x'))
                                       << "reply larger than 1000 bytes" << qint64{1000};
    // The server holds the connection open after the first bytes: the
    // refusal comes from the stated length, not from a time-out.
    QTest::newRow("stated length past the cap")
        << qint64{100000} << HttpReply("200 OK", QByteArray(10, 'x'), "Content-Length: 100001\r\n")
        << "reply larger than 100000 bytes" << qint64{0};
    QTest::newRow("stated length past the 64 MiB default")
        << qint64{-1} << HttpReply("200 OK", QByteArray(10, 'x'), "Content-Length: 1000000000\r\n")
        << "reply larger than 67108864 bytes" << qint64{0};
    // The header's bound is its own: a long header line and a body far
    // past 16 KiB pass.
    const QByteArray body(MiB, 'b');
    QTest::newRow("12 KiB header line, 1 MiB body")
        << qint64{-1}
        << HttpReply("200 OK", body,
                     "X-Pad: " + QByteArray(12 * 1024, 'a') +
                         "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n")
        << "" << qint64{MiB};
}

void TestHttpBounds::replyCap() {
    QFETCH(qint64, cap);
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    QFETCH(qint64, bodyAtMost);
    RecordingServer server;
    server.setReply(reply);
    server.setHoldOpen(!message.isEmpty());
    THttpCli client;
    client.setTimeouts(10000, 10000);
    if (cap > 0)
        client.setMaxReplyBytes(cap);
    const Outcome outcome = get(client, server.hostPort());
    QCOMPARE(outcome.raised, !message.isEmpty());
    QCOMPARE(outcome.message, message);
    QVERIFY(outcome.body.size() <= bodyAtMost);
    if (message.isEmpty())
        QCOMPARE(outcome.body, reply.mid(reply.indexOf("\r\n\r\n") + 4));
}

QTEST_MAIN(TestHttpBounds)
#include "test_httpbounds.moc"
