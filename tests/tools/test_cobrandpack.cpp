#include <QtTest>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// Runs the cobrand-pack command over files in a temporary folder.
class TestCoBrandPack : public QObject {
    Q_OBJECT
private slots:
    void init();
    void packsTheDefaultDescription();
    void replacesAnEarlierOutput();
    void failsWhenTheImageIsPastTheOffset();
    void refusesADescriptionNamingTheField_data();
    void refusesADescriptionNamingTheField();
    void refusesALogoThatIsNotABmp();

private:
    int run(const QStringList& args, QString* errors = nullptr);
    void write(const QString& name, const QByteArray& bytes);
    QByteArray read(const QString& name) const;
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCoBrandPack::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QFile::copy(qEnvironmentVariable("BBSTATS_SOURCE_DIR") + "/resources/cobrand.txt",
                path("cobrand.txt"));
    QFile::copy(qEnvironmentVariable("BBSTATS_SOURCE_DIR") + "/resources/logo.bmp",
                path("logo.bmp"));
    QVERIFY(QFile::exists(path("cobrand.txt")));
    write("image", QByteArray(100, 'I'));
}

int TestCoBrandPack::run(const QStringList& args, QString* errors) {
    QProcess p;
    p.start(qEnvironmentVariable("BBSTATS_BINARY_DIR") + "/tools/cobrand-pack", args);
    if (!p.waitForFinished(60000)) {
        return -1;
    }
    if (errors) {
        *errors = QString::fromLocal8Bit(p.readAllStandardError());
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestCoBrandPack::write(const QString& name, const QByteArray& bytes) {
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray TestCoBrandPack::read(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestCoBrandPack::packsTheDefaultDescription() {
    QString errors;
    QCOMPARE(run({"--offset", "4096", path("cobrand.txt"), path("image"), path("out")}, &errors),
             0);
    const QByteArray out = read("out");
    QVERIFY(out.size() > 4096);
    QCOMPARE(out.left(100), QByteArray(100, 'I'));
    QCOMPARE(out.mid(100, 4096 - 100), QByteArray(4096 - 100, '\0'));
    const QByteArray logo = read("logo.bmp");
    QVERIFY(out.indexOf(logo) > 4096);
    QVERIFY(QFileInfo(path("out")).isExecutable());
    QVERIFY(!QFile::exists(path("out.partial")));
}

void TestCoBrandPack::replacesAnEarlierOutput() {
    write("out", QByteArray(9000, 'x'));
    QCOMPARE(run({"--offset", "200", path("cobrand.txt"), path("image"), path("out")}), 0);
    const QByteArray out = read("out");
    QCOMPARE(out.left(100), QByteArray(100, 'I'));
    QCOMPARE(out.at(200), '\x01'); // LogoEnabled on
    QVERIFY(!out.contains(QByteArray(50, 'x')));
}

void TestCoBrandPack::failsWhenTheImageIsPastTheOffset() {
    write("out", "old");
    QString errors;
    QCOMPARE(run({"--offset", "99", path("cobrand.txt"), path("image"), path("out")}, &errors), 1);
    QVERIFY2(errors.contains("100 bytes, larger than the block offset 99"), qPrintable(errors));
    QCOMPARE(read("out"), QByteArray("old"));
}

void TestCoBrandPack::refusesADescriptionNamingTheField_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("expected");
    QTest::newRow("long title") << "WindowTitle = bbstats - All-Time Baseball Statistics"
                                << "WindowTitle = " + QString(256, 'T')
                                << "WindowTitle: text is 256 bytes, at most 255 fit";
    QTest::newRow("bad switch") << "DemoMode = off"
                                << "DemoMode = maybe"
                                << "DemoMode:";
    QTest::newRow("missing logo file") << "Logo = logo.bmp"
                                       << "Logo = nothere.bmp"
                                       << "Logo: cannot read";
}

void TestCoBrandPack::refusesADescriptionNamingTheField() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, expected);
    QString text = QString::fromUtf8(read("cobrand.txt"));
    QVERIFY(text.contains(from));
    text.replace(from, to);
    write("cobrand.txt", text.toUtf8());
    QString errors;
    QCOMPARE(run({"--offset", "4096", path("cobrand.txt"), path("image"), path("out")}, &errors),
             1);
    QVERIFY2(errors.contains(expected), qPrintable(errors));
    QVERIFY(!QFile::exists(path("out")));
}

void TestCoBrandPack::refusesALogoThatIsNotABmp() {
    write("logo.bmp", "GIF89a");
    QString errors;
    QCOMPARE(run({"--offset", "4096", path("cobrand.txt"), path("image"), path("out")}, &errors),
             1);
    QVERIFY2(errors.contains("is not a BMP file"), qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestCoBrandPack)
#include "test_cobrandpack.moc"
