#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

#include "platform/busyanimation.h"
#include "platform/busycursor.h"

class TestBusyAnimation : public QObject {
    Q_OBJECT
private slots:
    void loadsEveryCommittedFrame();
    void advanceLoops();
    void playsInALoop();
    void stopRewindsAndHides();
    void missingClipKeepsTheOldOne();
    void cursorGuardsNest();
};

void TestBusyAnimation::loadsEveryCommittedFrame() {
    const QDir dir(qEnvironmentVariable("BBSTATS_SOURCE_DIR") + QStringLiteral("/resources/busy"));
    const QStringList files = dir.entryList({QStringLiteral("frame*.png")}, QDir::Files);
    QVERIFY(files.size() > 1);
    BusyAnimation animation;
    QCOMPARE(animation.frameCount(), files.size());
    QCOMPARE(animation.size(), QSize(90, 21));
    for (int i = 0; i < animation.frameCount(); ++i) {
        QCOMPARE(animation.frame(i).size(), QSize(90, 21));
        // Each compiled-in frame is the committed file, pixel for pixel.
        const QImage committed(
            dir.filePath(QStringLiteral("frame%1.png").arg(i, 2, 10, QChar('0'))));
        QCOMPARE(animation.frame(i).convertToFormat(QImage::Format_ARGB32),
                 committed.convertToFormat(QImage::Format_ARGB32));
    }
    // Consecutive frames differ: the clip moves.
    QVERIFY(animation.frame(0) != animation.frame(1));
    QVERIFY(animation.frame(animation.frameCount()).isNull());
    QVERIFY(!animation.isVisible());
    QVERIFY(!animation.isRunning());
}

void TestBusyAnimation::advanceLoops() {
    BusyAnimation animation;
    const int count = animation.frameCount();
    QSignalSpy spy(&animation, &BusyAnimation::frameChanged);
    for (int i = 1; i < count; ++i) {
        animation.advance();
        QCOMPARE(animation.currentFrame(), i);
    }
    animation.advance();
    QCOMPARE(animation.currentFrame(), 0);
    QCOMPARE(spy.count(), count);
    QCOMPARE(spy.last().at(0).toInt(), 0);
}

void TestBusyAnimation::playsInALoop() {
    BusyAnimation animation;
    animation.setInterval(1);
    QSignalSpy spy(&animation, &BusyAnimation::frameChanged);
    animation.start();
    QVERIFY(animation.isVisible());
    QVERIFY(animation.isRunning());
    // Wait until the clip has wrapped round to its first frame at least once.
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() > animation.frameCount(), 20000);
    bool wrapped = false;
    for (int i = 1; i < spy.count(); ++i) {
        wrapped = wrapped || (spy.at(i - 1).at(0).toInt() == animation.frameCount() - 1 &&
                              spy.at(i).at(0).toInt() == 0);
    }
    QVERIFY(wrapped);
    animation.stop();
}

void TestBusyAnimation::stopRewindsAndHides() {
    BusyAnimation animation;
    animation.start();
    animation.advance();
    animation.advance();
    QCOMPARE(animation.currentFrame(), 2);
    animation.stop();
    QCOMPARE(animation.currentFrame(), 0);
    QVERIFY(!animation.isVisible());
    QVERIFY(!animation.isRunning());
    animation.stop();
    QCOMPARE(animation.currentFrame(), 0);
}

void TestBusyAnimation::missingClipKeepsTheOldOne() {
    BusyAnimation animation;
    const int count = animation.frameCount();
    QVERIFY(!animation.load(QStringLiteral(":/no/such/clip")));
    QCOMPARE(animation.frameCount(), count);
    QTemporaryDir dir;
    QImage(10, 10, QImage::Format_ARGB32).save(dir.filePath("frame00.png"));
    QImage(12, 10, QImage::Format_ARGB32).save(dir.filePath("frame01.png"));
    QVERIFY(!animation.load(dir.path()));
    QCOMPARE(animation.frameCount(), count);
    QVERIFY(QFile::remove(dir.filePath("frame01.png")));
    QVERIFY(animation.load(dir.path()));
    QCOMPARE(animation.frameCount(), 1);
}

void TestBusyAnimation::cursorGuardsNest() {
    QVERIFY(!QGuiApplication::overrideCursor());
    QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
    {
        BusyCursor outer;
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            BusyCursor inner;
            inner.release();
            inner.release();
            QVERIFY(!inner.active());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    // Every guard restored exactly once: the caller's own cursor is back.
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestBusyAnimation)
#include "test_busyanimation.moc"
