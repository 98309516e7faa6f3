// Bounded reading of a file whatever it is: a regular file whole or refused
// past the bound, a FIFO without a writer read as empty, a FIFO whose writer
// stalls given up, an endless device cut at the bound.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>

#include "platform/boundedread.h"

class TestBoundedRead : public QObject {
    Q_OBJECT
private slots:
    void readsAtMostItsBound();
};

void TestBoundedRead::readsAtMostItsBound() {
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small.bbq"));
    QFile file(small);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, 'q'));
    file.close();

    // A regular file up to the bound is read whole; one byte over is refused.
    BoundedRead read = ReadBounded(small, 100, 1000);
    QCOMPARE(read.error, QString());
    QCOMPARE(read.bytes, QByteArray(100, 'q'));
    read = ReadBounded(small, 99, 1000);
    QCOMPARE(read.error, QStringLiteral("the file is larger than 99 bytes"));
    QVERIFY(read.bytes.isEmpty());

    // An endless device stops at the bound.
    read = ReadBounded(QStringLiteral("/dev/zero"), 4096, 1000);
    QCOMPARE(read.error, QStringLiteral("the file is larger than 4096 bytes"));

    // A FIFO no one writes to reads as empty at once.
    const QString fifo = dir.filePath(QStringLiteral("fifo.bbq"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    read = ReadBounded(fifo, 1024, 1000);
    QCOMPARE(read.error, QString());
    QVERIFY(read.bytes.isEmpty());

    // A FIFO held open by a writer that sends a little and then nothing:
    // given up after the wait, nothing kept.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    QVERIFY(writer >= 0);
    QCOMPARE(::write(writer, "bbstats-query 2\n", 16), ssize_t(16));
    read = ReadBounded(fifo, 1024, 200);
    QCOMPARE(read.error, QStringLiteral("no data within 0.2 s"));
    QVERIFY(read.bytes.isEmpty());
    ::close(writer);

    // A path that is not there names the system's reason.
    read = ReadBounded(dir.filePath(QStringLiteral("missing.bbq")), 1024, 1000);
    QCOMPARE(read.error, QString::fromLocal8Bit(std::strerror(ENOENT)));
}

QTEST_GUILESS_MAIN(TestBoundedRead)
#include "test_boundedread.moc"
