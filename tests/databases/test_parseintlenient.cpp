#include <QtTest>

#include "databases/parseintlenient.h"

class TestParseIntLenient : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
};

void TestParseIntLenient::reads_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("plain") << QByteArray("128598") << 128598;
    QTest::newRow("decimal part dropped") << QByteArray("12.7") << 12;
    QTest::newRow("leading blanks") << QByteArray("   42") << 42;
    QTest::newRow("tab and blank") << QByteArray("\t 7") << 7;
    QTest::newRow("minus") << QByteArray("-1") << -1;
    QTest::newRow("plus") << QByteArray("+15") << 15;
    QTest::newRow("stops at other char") << QByteArray("435px") << 435;
    QTest::newRow("no digits") << QByteArray("abc") << 0;
    QTest::newRow("sign only") << QByteArray("-") << 0;
    QTest::newRow("blank inside") << QByteArray("1 2") << 1;
    QTest::newRow("dollar hex") << QByteArray("$1F") << 31;
    QTest::newRow("x hex") << QByteArray("xff") << 255;
    QTest::newRow("0x hex") << QByteArray("0x10") << 16;
    QTest::newRow("negative hex") << QByteArray("-$10") << -16;
    QTest::newRow("hex stops at g") << QByteArray("$1g") << 1;
    QTest::newRow("dot before digits") << QByteArray(".5") << 0;
    QTest::newRow("only blanks") << QByteArray("    ") << 0;
    QTest::newRow("clamped high") << QByteArray("99999999999999999999") << 2147483647;
    QTest::newRow("clamped low") << QByteArray("-99999999999999999999") << int(-2147483647 - 1);
    QTest::newRow("int min") << QByteArray("-2147483648") << int(-2147483647 - 1);
}

void TestParseIntLenient::reads() {
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    QCOMPARE(ParseIntLenient(std::string_view(text.constData(), text.size())), expected);
}

QTEST_APPLESS_MAIN(TestParseIntLenient)
#include "test_parseintlenient.moc"
