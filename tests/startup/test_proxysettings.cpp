#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "startup/proxysettings.h"

namespace {

ProxySettings sample() {
    ProxySettings s;
    s.ProxyOn = true;
    s.ProxyHost = "127.0.0.1";
    s.ProxyPortText = "8080 ";
    s.ProxyUser = "fan";
    s.ProxyPass = "p@ss word";
    return s;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestProxySettings : public QObject {
    Q_OBJECT
private slots:
    void parses_data();
    void parses();
    void formatsFiveLinesWithCrLf();
    void savesAndLoadsBack();
    void savedFileIsOwnerOnly();
    void loadingAMissingFileFails();
    void aFailedSaveKeepsTheOldFile();
    void aDirectoryInTheWayFails();
};

void TestProxySettings::parses_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("five lines") << QByteArray("TRUE\r\nproxy\r\n3128 \r\nu\r\npw\r\n") << true
                                << QStringList{"proxy", "3128 ", "u", "pw"};
    QTest::newRow("lower case is off") << QByteArray("true\r\nproxy\r\n3128\r\nu\r\npw\r\n")
                                       << false << QStringList{"proxy", "3128", "u", "pw"};
    QTest::newRow("TRUE with a blank is off")
        << QByteArray("TRUE \r\nh\r\n\r\n\r\n\r\n") << false << QStringList{"h", "", "", ""};
    QTest::newRow("FALSE") << QByteArray("FALSE\r\nh\r\n80\r\n\r\n\r\n") << false
                           << QStringList{"h", "80", "", ""};
    QTest::newRow("two lines") << QByteArray("TRUE\r\nproxy\r\n") << true
                               << QStringList{"proxy", "", "", ""};
    QTest::newRow("last line without end")
        << QByteArray("TRUE\r\nh\r\n1\r\nu\r\npw") << true << QStringList{"h", "1", "u", "pw"};
    QTest::newRow("empty file") << QByteArray() << false << QStringList{"", "", "", ""};
    QTest::newRow("bare LF") << QByteArray("TRUE\nh\n1\nu\npw\n") << true
                             << QStringList{"h", "1", "u", "pw"};
    QTest::newRow("lines kept whole") << QByteArray("TRUE\r\n  host  \r\n     \r\n a b \r\n\t\r\n")
                                      << true << QStringList{"  host  ", "     ", " a b ", "\t"};
    QTest::newRow("extra lines ignored") << QByteArray("TRUE\r\na\r\nb\r\nc\r\nd\r\ne\r\n") << true
                                         << QStringList{"a", "b", "c", "d"};
}

void TestProxySettings::parses() {
    QFETCH(QByteArray, text);
    QFETCH(bool, on);
    QFETCH(QStringList, values);
    const ProxySettings s = ParseProxyFile(text);
    QCOMPARE(s.ProxyOn, on);
    QCOMPARE((QStringList{s.ProxyHost, s.ProxyPortText, s.ProxyUser, s.ProxyPass}), values);
}

void TestProxySettings::formatsFiveLinesWithCrLf() {
    QCOMPARE(FormatProxyFile(sample()),
             QByteArray("TRUE\r\n127.0.0.1\r\n8080 \r\nfan\r\np@ss word\r\n"));
    QCOMPARE(FormatProxyFile(ProxySettings{}), QByteArray("FALSE\r\n\r\n\r\n\r\n\r\n"));
}

void TestProxySettings::savesAndLoadsBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath("PROXY.DAT");
    QVERIFY(SaveProxySettings(path, sample()).ok());
    const ProxyFileResult loaded = LoadProxySettings(path);
    QVERIFY(loaded.ok());
    QCOMPARE(loaded.settings, sample());
    // Saving again replaces the whole file.
    QVERIFY(SaveProxySettings(path, ProxySettings{}).ok());
    QCOMPARE(readAll(path), QByteArray("FALSE\r\n\r\n\r\n\r\n\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"PROXY.DAT"});
}

void TestProxySettings::savedFileIsOwnerOnly() {
    QTemporaryDir dir;
    const QString path = dir.filePath("PROXY.DAT");
    QVERIFY(SaveProxySettings(path, sample()).ok());
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther | QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                        QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(path) & (ownerOnly | others), ownerOnly);

    // An older file readable by everyone is narrowed too.
    QVERIFY(
        QFile::setPermissions(path, ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QVERIFY(SaveProxySettings(path, sample()).ok());
    QCOMPARE(QFile::permissions(path) & (ownerOnly | others), ownerOnly);
}

void TestProxySettings::loadingAMissingFileFails() {
    QTemporaryDir dir;
    const ProxyFileResult r = LoadProxySettings(dir.filePath("PROXY.DAT"));
    QVERIFY(!r.ok());
    QVERIFY(r.error.startsWith("Input/output error reading"));
    QVERIFY(r.error.contains("PROXY.DAT"));
}

void TestProxySettings::aFailedSaveKeepsTheOldFile() {
    // Directory permissions do not stop the super-user the tests may run as;
    // a file-size limit stops every user, so the new file cannot be written
    // in full and the save must fail without touching the old one.
    QTemporaryDir dir;
    const QString path = dir.filePath("PROXY.DAT");
    QVERIFY(SaveProxySettings(path, sample()).ok());
    const QByteArray before = readAll(path);

    ProxySettings longer = sample();
    longer.ProxyPass = QString(4096, 'x');
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    const ProxyFileResult r = SaveProxySettings(path, longer);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!r.ok());
    QVERIFY2(r.error.startsWith("Input/output error writing"), qPrintable(r.error));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"PROXY.DAT"});
}

void TestProxySettings::aDirectoryInTheWayFails() {
    QTemporaryDir dir;
    const QString path = dir.filePath("PROXY.DAT");
    QVERIFY(QDir(dir.path()).mkdir("PROXY.DAT"));
    const ProxyFileResult r = SaveProxySettings(path, sample());
    QVERIFY(!r.ok());
    QVERIFY(r.error.contains("PROXY.DAT"));
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(!LoadProxySettings(path).ok());
}

QTEST_GUILESS_MAIN(TestProxySettings)
#include "test_proxysettings.moc"
