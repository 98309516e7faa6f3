// The text order of names in sorts, pick lists and text limits.

#include <QtTest>

#include "service/engine/schema.h"

class TestCompareText : public QObject {
    Q_OBJECT
private slots:
    void orders_data();
    void orders();
};

void TestCompareText::orders_data() {
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("case folded") << QByteArray("SMITH, John") << QByteArray("smith, john") << 0;
    QTest::newRow("plain order") << QByteArray("Aaron, Hank") << QByteArray("Abbott, Jim") << -1;
    QTest::newRow("prefix first") << QByteArray("Aa") << QByteArray("Aaz") << -1;
    QTest::newRow("accent among the A's")
        << QByteArray("\xC3\x81lvarez, Ra\xC3\xBAl") << QByteArray("Zych, Tony") << -1;
    QTest::newRow("accent as base letter")
        << QByteArray("\xC3\x81lvarez") << QByteArray("Alvarez") << 0;
    QTest::newRow("n tilde as n") << QByteArray("Zu\xC3\xB1iga") << QByteArray("Zuniga") << 0;
    QTest::newRow("n tilde before o") << QByteArray("Zu\xC3\xB1iga") << QByteArray("Zuo") << -1;
    QTest::newRow("accented inside limit range")
        << QByteArray("\xC3\x81lvarez") << QByteArray("Az") << -1;
    QTest::newRow("non-letter byte kept") << QByteArray("A\xC3\x97") << QByteArray("Az") << 1;
    QTest::newRow("lone lead byte") << QByteArray("A\xC3") << QByteArray("A") << 1;
    QTest::newRow("empty") << QByteArray("") << QByteArray("A") << -1;
}

void TestCompareText::orders() {
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, sign);
    const std::string_view va(a.constData(), static_cast<std::size_t>(a.size()));
    const std::string_view vb(b.constData(), static_cast<std::size_t>(b.size()));
    const int forward = bbstatsd::compareText(va, vb);
    const int backward = bbstatsd::compareText(vb, va);
    QCOMPARE((forward > 0) - (forward < 0), sign);
    QCOMPARE((backward > 0) - (backward < 0), -sign);
}

QTEST_APPLESS_MAIN(TestCompareText)
#include "test_comparetext.moc"
