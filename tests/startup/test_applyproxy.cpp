// The proxy hand-over to HTTP clients: copied only while the proxy is on,
// into every client named, skipping null entries.

#include <QtTest>

#include "protocol/httpcli.h"
#include "startup/applyproxy.h"

class TestApplyProxy : public QObject {
    Q_OBJECT
private slots:
    void copiedWhenOn();
    void leftAloneWhenOff();
};

void TestApplyProxy::copiedWhenOn() {
    THttpCli first;
    THttpCli second;
    const ProxySettings settings{true, QStringLiteral("127.0.0.9"), QStringLiteral("3128 "),
                                 QStringLiteral("ann"), QStringLiteral("s3cret")};
    ApplyProxySettings(settings, {&first, nullptr, &second});
    for (const THttpCli* client : {&first, &second}) {
        QCOMPARE(client->Proxy(), QStringLiteral("127.0.0.9"));
        QCOMPARE(client->ProxyPort(), QStringLiteral("3128 "));
        QCOMPARE(client->ProxyUsername(), QStringLiteral("ann"));
        QCOMPARE(client->ProxyPassword(), QStringLiteral("s3cret"));
    }
}

void TestApplyProxy::leftAloneWhenOff() {
    THttpCli client;
    client.setProxy(QStringLiteral("127.0.0.8"));
    const ProxySettings settings{false, QStringLiteral("127.0.0.9"), QStringLiteral("3128"),
                                 QStringLiteral("ann"), QStringLiteral("s3cret")};
    ApplyProxySettings(settings, {&client});
    QCOMPARE(client.Proxy(), QStringLiteral("127.0.0.8"));
    QCOMPARE(client.ProxyPort(), QStringLiteral("80"));
    QVERIFY(client.ProxyUsername().isEmpty());
    QVERIFY(client.ProxyPassword().isEmpty());
}

QTEST_GUILESS_MAIN(TestApplyProxy)
#include "test_applyproxy.moc"
