#include <QtTest>

#include <csignal>
#include <filesystem>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// Starts the packaged client in a temporary working folder on the offscreen
// platform and checks what the start leaves behind. The client quits cleanly
// on SIGTERM, which stands in for the user closing the main window.
class TestPackagedStart : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startsAndQuitsCleanly();
    void startsAgainOverItsOwnLogo();
    void workingFileInTheWayStopsTheStart();
    void executableWithoutBlockStopsTheStart();
    void truncatedBlockStopsTheStart();
    void proxyPromptAsksWhenTheFileIsMissing();
    void proxyPromptReadsAnExistingFile();

private:
    QString binary(const QString& name) const {
        return qEnvironmentVariable("BBSTATS_BINARY_DIR") + "/" + name;
    }
    QString work(const QString& name) const { return m_work->filePath(name); }
    void start(QProcess& process, const QString& executable);
    bool waitUntilConfigured();
    void quitAndExpectSuccess(QProcess& process);
    int runToEnd(const QString& executable, QString* errors);
    QString packVariant(const QString& from, const QString& to);
    QByteArray read(const QString& path) const;

    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<QTemporaryDir> m_scratch;
    QByteArray m_logo;
};

void TestPackagedStart::init() {
    m_work = std::make_unique<QTemporaryDir>();
    m_scratch = std::make_unique<QTemporaryDir>();
    m_logo = read(qEnvironmentVariable("BBSTATS_SOURCE_DIR") + "/resources/logo.bmp");
    QVERIFY(m_logo.startsWith("BM"));
    QVERIFY(QFileInfo(binary("bbstats")).isExecutable());
}

QByteArray TestPackagedStart::read(const QString& path) const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestPackagedStart::start(QProcess& process, const QString& executable) {
    process.setWorkingDirectory(m_work->path());
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process.start(executable, {});
    QVERIFY(process.waitForStarted());
}

// True once the start has written the logo and removed its temporary files.
bool TestPackagedStart::waitUntilConfigured() {
    return QTest::qWaitFor(
        [&] {
            return QFileInfo(work("logo.bmp")).size() == m_logo.size() &&
                   !QFileInfo::exists(work("temp.txt")) && !QFileInfo::exists(work("temp.exe"));
        },
        120000);
}

void TestPackagedStart::quitAndExpectSuccess(QProcess& process) {
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

int TestPackagedStart::runToEnd(const QString& executable, QString* errors) {
    QProcess p;
    p.setWorkingDirectory(m_work->path());
    p.start(executable, {});
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return -1000;
    }
    *errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2000;
}

// Packs the default description with one line changed onto the plain image.
QString TestPackagedStart::packVariant(const QString& from, const QString& to) {
    const QString resources = qEnvironmentVariable("BBSTATS_SOURCE_DIR") + "/resources";
    QString text = QString::fromUtf8(read(resources + "/cobrand.txt"));
    if (!text.contains(from)) {
        return {};
    }
    text.replace(from, to);
    text.replace("Logo = logo.bmp", "Logo = " + resources + "/logo.bmp");
    const QString description = m_scratch->filePath("cobrand.txt");
    QFile f(description);
    if (!f.open(QIODevice::WriteOnly)) {
        return {};
    }
    f.write(text.toUtf8());
    f.close();
    const QString offset = qEnvironmentVariable("BBSTATS_BLOCK_OFFSET");
    const QString output = m_scratch->filePath("bbstats-variant");
    QProcess pack;
    pack.start(binary("tools/cobrand-pack"),
               {"--offset", offset, description, binary("bbstats.plain"), output});
    pack.waitForFinished(120000);
    return pack.exitCode() == 0 ? output : QString();
}

void TestPackagedStart::startsAndQuitsCleanly() {
    QProcess client;
    start(client, binary("bbstats"));
    QVERIFY(waitUntilConfigured());
    QCOMPARE(read(work("logo.bmp")), m_logo);
    quitAndExpectSuccess(client);
    // Proxy prompting is off in the default block: no PROXY.DAT.
    QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{"logo.bmp"});
}

void TestPackagedStart::startsAgainOverItsOwnLogo() {
    for (int run = 0; run < 2; ++run) {
        QFile::remove(work("logo.bmp"));
        QProcess client;
        start(client, binary("bbstats"));
        QVERIFY(waitUntilConfigured());
        quitAndExpectSuccess(client);
        QCOMPARE(read(work("logo.bmp")), m_logo);
    }
}

// The super-user ignores folder permissions, so a read-only working folder
// cannot be made for every tester; a folder named like the first working
// file makes its creation fail for anyone.
void TestPackagedStart::workingFileInTheWayStopsTheStart() {
    QVERIFY(QDir(m_work->path()).mkdir("temp.exe"));
    QString errors;
    const int code = runToEnd(binary("bbstats"), &errors);
    QVERIFY(code > 0);
    QVERIFY2(errors.contains("Cannot create file temp.exe"), qPrintable(errors));
    QVERIFY(!QFileInfo::exists(work("logo.bmp")));
}

void TestPackagedStart::executableWithoutBlockStopsTheStart() {
    QString errors;
    const int code = runToEnd(binary("bbstats.plain"), &errors);
    QVERIFY(code > 0);
    QVERIFY2(errors.contains("Input/output error") && errors.contains("holds no co-brand block"),
             qPrintable(errors));
    QVERIFY(!QFileInfo::exists(work("temp.exe")));
}

void TestPackagedStart::truncatedBlockStopsTheStart() {
    const QString copy = m_scratch->filePath("bbstats-cut");
    QVERIFY(QFile::copy(binary("bbstats"), copy));
    QFile f(copy);
    QVERIFY(f.resize(f.size() - 1));
    QString errors;
    const int code = runToEnd(copy, &errors);
    QVERIFY(code > 0);
    QVERIFY2(errors.contains("ends inside field LinkMenu2"), qPrintable(errors));
    QVERIFY(!QFileInfo::exists(work("temp.txt")));
}

void TestPackagedStart::proxyPromptAsksWhenTheFileIsMissing() {
    const QString variant = packVariant("ProxyPromptEnabled = off", "ProxyPromptEnabled = on");
    QVERIFY(!variant.isEmpty());
    QProcess client;
    start(client, variant);
    QVERIFY(waitUntilConfigured());
    // The dialog is up (or about to be); quitting closes it, which writes the
    // file as the unticked dialog stands.
    quitAndExpectSuccess(client);
    QCOMPARE(read(work("PROXY.DAT")), QByteArray("FALSE\r\n\r\n     \r\n\r\n\r\n"));
    namespace fs = std::filesystem;
    QCOMPARE(fs::status(work("PROXY.DAT").toStdString()).permissions(),
             fs::perms::owner_read | fs::perms::owner_write);
}

void TestPackagedStart::proxyPromptReadsAnExistingFile() {
    const QString variant = packVariant("ProxyPromptEnabled = off", "ProxyPromptEnabled = on");
    QVERIFY(!variant.isEmpty());
    const QByteArray settings("TRUE\r\n127.0.0.1\r\n3128 \r\nfan\r\nsecret\r\n");
    QFile f(work("PROXY.DAT"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(settings);
    f.close();
    QProcess client;
    start(client, variant);
    QVERIFY(waitUntilConfigured());
    quitAndExpectSuccess(client);
    QCOMPARE(read(work("PROXY.DAT")), settings);
}

QTEST_GUILESS_MAIN(TestPackagedStart)
#include "test_packagedstart.moc"
