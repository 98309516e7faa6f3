#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "startup/executableblock.h"
#include "tools/cobrandblock.h"

namespace {

QByteArray blockWithLogo(const QByteArray& logo) {
    CoBrandDescription d;
    d.logoEnabled = 1;
    d.windowTitle = "Partner";
    d.versionText = "1.0";
    d.logo.assign(logo.begin(), logo.end());
    d.linkMenu1 = {{"Links", ""}};
    const auto r = EncodeCoBrandBlock(d);
    return QByteArray(reinterpret_cast<const char*>(r.bytes.data()), qsizetype(r.bytes.size()));
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestExecutableBlock : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readsTheBlockAndWritesTheLogo_data();
    void readsTheBlockAndWritesTheLogo();
    void emptyLogoGivesAnEmptyFile();
    void executableWithoutBlockIsAnInputOutputError_data();
    void executableWithoutBlockIsAnInputOutputError();
    void shortBlockIsAnInputOutputError();
    void missingExecutableCannotBeOpened();
    void tempExeThatCannotBeCreated();
    void tempTxtThatCannotBeCreated();
    void logoThatCannotBeCreated();
    void partialWriteIsAnInputOutputError();

private:
    void writeExecutable(qint64 offset, const QByteArray& block);
    QString work(const QString& name) const { return m_work->filePath(name); }
    void checkNoTemporaryFiles();

    std::unique_ptr<QTemporaryDir> m_exeDir;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_exe;
};

void TestExecutableBlock::init() {
    m_exeDir = std::make_unique<QTemporaryDir>();
    m_work = std::make_unique<QTemporaryDir>();
    m_exe = m_exeDir->filePath("client");
}

void TestExecutableBlock::writeExecutable(qint64 offset, const QByteArray& block) {
    QFile f(m_exe);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray image(offset, '\0');
    for (qint64 i = 0; i < offset; i += 997) {
        image[i] = char(i % 251); // not all zeros, so a misplaced read shows
    }
    f.write(image);
    f.write(block);
}

void TestExecutableBlock::checkNoTemporaryFiles() {
    QVERIFY(!QFileInfo::exists(work("temp.exe")));
    QVERIFY(!QFileInfo::exists(work("temp.txt")));
}

void TestExecutableBlock::readsTheBlockAndWritesTheLogo_data() {
    QTest::addColumn<qint64>("offset");
    QTest::newRow("small image") << qint64(4096);
    QTest::newRow("usual offset") << qint64(1765888);
    // Past the old 2,048,000-byte single read: the copy streams the file.
    QTest::newRow("image over 2 MB") << qint64(3 * 1024 * 1024 + 17);
}

void TestExecutableBlock::readsTheBlockAndWritesTheLogo() {
    QFETCH(qint64, offset);
    QByteArray logo("BM");
    logo.append(40000, '\x7F');
    const QByteArray block = blockWithLogo(logo);
    writeExecutable(offset, block);
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, offset, m_work->path());
    QVERIFY2(!r.failure.failed(), qPrintable(r.failure.message()));
    QCOMPARE(r.executableSize, offset + block.size());
    QCOMPARE(r.config.WindowTitle, "Partner");
    QCOMPARE(r.config.LinkMenu1.size(), 1);
    QCOMPARE(readAll(work("logo.bmp")), logo);
    checkNoTemporaryFiles();
    QCOMPARE(QDir(m_work->path()).entryList(QDir::Files), QStringList{"logo.bmp"});
}

void TestExecutableBlock::emptyLogoGivesAnEmptyFile() {
    writeExecutable(1000, blockWithLogo({}));
    QFile old(work("logo.bmp"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older logo");
    old.close();
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 1000, m_work->path());
    QVERIFY(!r.failure.failed());
    QVERIFY(QFileInfo::exists(work("logo.bmp")));
    QCOMPARE(QFileInfo(work("logo.bmp")).size(), 0);
}

void TestExecutableBlock::executableWithoutBlockIsAnInputOutputError_data() {
    QTest::addColumn<qint64>("size");
    QTest::newRow("shorter than the offset") << qint64(100);
    QTest::newRow("ends at the offset") << qint64(4096);
    QTest::newRow("empty file") << qint64(0);
}

void TestExecutableBlock::executableWithoutBlockIsAnInputOutputError() {
    QFETCH(qint64, size);
    QFile f(m_exe);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
    f.close();
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 4096, m_work->path());
    QCOMPARE(r.failure.kind, StartupFailure::Kind::InputOutput);
    QVERIFY2(r.failure.message().startsWith("Input/output error on file " + m_exe),
             qPrintable(r.failure.message()));
    checkNoTemporaryFiles();
    QVERIFY(!QFileInfo::exists(work("logo.bmp")));
}

void TestExecutableBlock::shortBlockIsAnInputOutputError() {
    const QByteArray block = blockWithLogo("BM1234");
    writeExecutable(4096, block.left(block.size() - 1));
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 4096, m_work->path());
    QCOMPARE(r.failure.kind, StartupFailure::Kind::InputOutput);
    QCOMPARE(r.failure.path, work("temp.txt"));
    QVERIFY2(r.failure.message().contains("ends inside field LinkMenu2"),
             qPrintable(r.failure.message()));
    checkNoTemporaryFiles();
}

void TestExecutableBlock::missingExecutableCannotBeOpened() {
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 4096, m_work->path());
    QCOMPARE(r.failure.message(), "Cannot open file " + m_exe);
    checkNoTemporaryFiles();
}

// Directory permissions do not stop the super-user, so these make the
// working file impossible to create for anyone: a folder of the same name
// stands in its place.
void TestExecutableBlock::tempExeThatCannotBeCreated() {
    writeExecutable(4096, blockWithLogo("BM"));
    QVERIFY(QDir(m_work->path()).mkdir("temp.exe"));
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 4096, m_work->path());
    QCOMPARE(r.failure.message(), "Cannot create file " + work("temp.exe"));
    QVERIFY(!QFileInfo::exists(work("logo.bmp")));
}

void TestExecutableBlock::tempTxtThatCannotBeCreated() {
    writeExecutable(4096, blockWithLogo("BM"));
    QVERIFY(QDir(m_work->path()).mkdir("temp.txt"));
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 4096, m_work->path());
    QCOMPARE(r.failure.message(), "Cannot create file " + work("temp.txt"));
    QVERIFY(!QFileInfo::exists(work("temp.exe")));
}

void TestExecutableBlock::logoThatCannotBeCreated() {
    writeExecutable(4096, blockWithLogo("BM"));
    QVERIFY(QDir(m_work->path()).mkdir("logo.bmp"));
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 4096, m_work->path());
    QCOMPARE(r.failure.message(), "Cannot create file " + work("logo.bmp"));
    checkNoTemporaryFiles();
}

// A disk that takes only part of a write (here a file-size limit, which binds
// every user) must give an error, not a silently truncated working file.
void TestExecutableBlock::partialWriteIsAnInputOutputError() {
    writeExecutable(4096, blockWithLogo("BM"));
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    const ExecutableBlockResult r = LoadCoBrandFromExecutable(m_exe, 4096, m_work->path());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(r.failure.kind, StartupFailure::Kind::InputOutput);
    QCOMPARE(r.failure.path, work("temp.exe"));
    checkNoTemporaryFiles();
}

QTEST_GUILESS_MAIN(TestExecutableBlock)
#include "test_executableblock.moc"
