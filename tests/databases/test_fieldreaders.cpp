#include <clocale>
#include <cstdlib>
#include <cstring>

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "databases/cellformat.h"
#include "databases/fieldreaders.h"
#include "databases/pitcherrecord.h"
#include "databases/shortstring.h"
#include "tests/databases/recordtestutil.h"

class TestFieldReaders : public QObject {
    Q_OBJECT
private slots:
    void shortStringCuts_data();
    void shortStringCuts();
    void shortStringZeroFilledIsEmpty();
    void shortStringReassignClearsTail();
    void parseReal_data();
    void parseReal();
    void readsCharacterLines_data();
    void readsCharacterLines();
    void realsIgnoreCommaLocale();
};

void TestFieldReaders::shortStringCuts_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("fits") << QByteArray("SS") << QByteArray("SS");
    QTest::newRow("exactly capacity") << QByteArray("Ruth, Babe") << QByteArray("Ruth, Babe");
    QTest::newRow("longer is cut") << QByteArray("Ruth, George Herman") << QByteArray("Ruth, Geor");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    // The two-byte ñ fits whole; an á whose second byte would be the
    // eleventh is dropped whole rather than split.
    QTest::newRow("utf8 fits") << QByteArray("Acu\xc3\xb1"
                                             "a, Ron")
                               << QByteArray("Acu\xc3\xb1"
                                             "a, Ro");
    QTest::newRow("utf8 not split") << QByteArray("abcdefghi\xc3\xa1") << QByteArray("abcdefghi");
}

void TestFieldReaders::shortStringCuts() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stored);
    ShortString<10> s;
    s.assign(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    QCOMPARE(QByteArray(s.view().data(), static_cast<qsizetype>(s.size())), stored);
    QVERIFY(s.size() <= 10);
    QVERIFY(QString::fromUtf8(s.view().data(), static_cast<qsizetype>(s.size())).toUtf8() ==
            QByteArray(s.view().data(), static_cast<qsizetype>(s.size())));
}

void TestFieldReaders::shortStringZeroFilledIsEmpty() {
    alignas(ShortString<30>) unsigned char bytes[sizeof(ShortString<30>)];
    std::memset(bytes, 0, sizeof bytes);
    ShortString<30> s;
    std::memcpy(static_cast<void*>(&s), bytes, sizeof s);
    QVERIFY(s.empty());
    QCOMPARE(s, ShortString<30>());
}

void TestFieldReaders::shortStringReassignClearsTail() {
    ShortString<8> a;
    a.assign("Yankees1");
    a.assign("Mets");
    ShortString<8> b;
    b.assign("Mets");
    QCOMPARE(a, b);
    QVERIFY(std::memcmp(&a, &b, sizeof a) == 0);
}

void TestFieldReaders::parseReal_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << QByteArray("0.3456") << 0.3456;
    QTest::newRow("innings") << QByteArray("1438.1") << 1438.1;
    QTest::newRow("integer text") << QByteArray("1000000") << 1000000.0;
    QTest::newRow("minus one") << QByteArray("-1") << -1.0;
    QTest::newRow("negative real") << QByteArray("-2.25") << -2.25;
    QTest::newRow("plus sign") << QByteArray("+3.5") << 3.5;
    QTest::newRow("leading blanks and tab") << QByteArray(" \t2.5") << 2.5;
    QTest::newRow("trailing text") << QByteArray("4.85abc") << 4.85;
    QTest::newRow("trailing CR") << QByteArray("4.85\r") << 4.85;
    QTest::newRow("no integer part") << QByteArray(".5") << 0.5;
    QTest::newRow("no decimals") << QByteArray("12.") << 12.0;
    QTest::newRow("comma stops") << QByteArray("0,5") << 0.0;
    QTest::newRow("exponent ignored") << QByteArray("1e5") << 1.0;
    QTest::newRow("empty is missing") << QByteArray("") << -1.0;
    QTest::newRow("letters are missing") << QByteArray("abc") << -1.0;
    QTest::newRow("lone point is missing") << QByteArray(".") << -1.0;
    QTest::newRow("lone sign is missing") << QByteArray("-") << -1.0;
    QTest::newRow("nan is missing") << QByteArray("nan") << -1.0;
    QTest::newRow("inf is missing") << QByteArray("inf") << -1.0;
    QTest::newRow("overflow is missing") << QByteArray("9").repeated(400) << -1.0;
}

void TestFieldReaders::parseReal() {
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    QCOMPARE(
        ParseRealLenient(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))),
        expected);
}

void TestFieldReaders::readsCharacterLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<char>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << QByteArray("L") << 'L' << QStringLiteral("L");
    QTest::newRow("first of several") << QByteArray("RL") << 'R' << QStringLiteral("R");
    QTest::newRow("empty") << QByteArray() << '\0' << QString();
}

void TestFieldReaders::readsCharacterLines() {
    QFETCH(QByteArray, line);
    QFETCH(char, stored);
    QFETCH(QString, shown);
    PitcherRecord r = ReadRecord(PitcherLayout(), OneLine(31, 30, line));
    QCOMPARE(r.Throws, stored);
    QCOMPARE(PitcherCellText(r, 5, false), shown);
}

namespace {

// Switches the C locale to German (decimal comma), compiling the locale into
// a private folder when the system has not generated it.
bool useGermanLocale(QTemporaryDir& dir) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        return true;
    }
    const QString target = dir.filePath(QStringLiteral("de_DE.UTF-8"));
    QProcess::execute(QStringLiteral("localedef"),
                      {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                       QStringLiteral("UTF-8"), target});
    qputenv("LOCPATH", dir.path().toLocal8Bit());
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

} // namespace

void TestFieldReaders::realsIgnoreCommaLocale() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY2(useGermanLocale(dir), "a German locale is needed (package locales)");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 2.5);
    QCOMPARE(QByteArray(buffer), QByteArray("2,5")); // the locale is really active

    QList<QByteArray> lines(31);
    lines[1] = "1927";
    lines[13] = "2.5";
    lines[14] = "123.2";
    lines[28] = "0.251";
    PitcherRecord r = ReadRecord(PitcherLayout(), lines);
    QCOMPARE(r.ERA, 2.5);
    QCOMPARE(r.IP, 123.2);
    QCOMPARE(PitcherCellText(r, 14, false), QStringLiteral("  2.50"));
    QCOMPARE(PitcherCellText(r, 15, false), QStringLiteral("    123.20"));
    QCOMPARE(PitcherCellText(r, 29, false), QStringLiteral("  .251"));

    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
}

QTEST_APPLESS_MAIN(TestFieldReaders)
#include "test_fieldreaders.moc"
