#include <QtTest>

#include <QMdiArea>
#include <QMdiSubWindow>

#include "mainwindow/databasecaption.h"
#include "mainwindow/mdiarrange.h"

class TestMdiArrange : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void tileRects_data();
    void tileRects();
    void iconRows_data();
    void iconRows();
    void cascadeGeometry_data();
    void cascadeGeometry();

    void tileStacksThreeChildrenAtFullWidth();
    void tileLeavesRoomForIcons();
    void arrangeIconsLinesUpMinimisedOnly();
    void cascadeOffsetsChildren();
    void closeAllGoesFromLastToFirst();

    void captionDispatch_data();
    void captionDispatch();

private:
    QMdiSubWindow* addChild(const QString& title, const QRect& geometry);

    QMdiArea* m_area = nullptr;
};

void TestMdiArrange::init() {
    m_area = new QMdiArea;
    m_area->resize(900, 600);
    m_area->show();
}

void TestMdiArrange::cleanup() {
    delete m_area;
    m_area = nullptr;
}

QMdiSubWindow* TestMdiArrange::addChild(const QString& title, const QRect& geometry) {
    auto* widget = new QWidget;
    widget->setWindowTitle(title);
    QMdiSubWindow* child = m_area->addSubWindow(widget);
    child->setGeometry(geometry);
    child->show();
    return child;
}

void TestMdiArrange::tileRects_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<QRect>>("expected");
    QTest::newRow("none") << QRect(0, 0, 800, 600) << 0 << QList<QRect>{};
    QTest::newRow("negative") << QRect(0, 0, 800, 600) << -2 << QList<QRect>{};
    QTest::newRow("one fills") << QRect(0, 0, 800, 600) << 1 << QList<QRect>{{0, 0, 800, 600}};
    QTest::newRow("three even") << QRect(0, 0, 800, 600) << 3
                                << QList<QRect>{
                                       {0, 0, 800, 200}, {0, 200, 800, 200}, {0, 400, 800, 200}};
    QTest::newRow("spare pixels go on top")
        << QRect(0, 0, 800, 602) << 3
        << QList<QRect>{{0, 0, 800, 201}, {0, 201, 800, 201}, {0, 402, 800, 200}};
    QTest::newRow("offset area") << QRect(10, 20, 300, 100) << 2
                                 << QList<QRect>{{10, 20, 300, 50}, {10, 70, 300, 50}};
}

void TestMdiArrange::tileRects() {
    QFETCH(QRect, area);
    QFETCH(int, count);
    QFETCH(QList<QRect>, expected);
    QCOMPARE(horizontalTileRects(area, count), expected);
}

void TestMdiArrange::iconRows_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QSize>("icon");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<QPoint>>("expected");
    QTest::newRow("one row") << QRect(0, 0, 500, 400) << QSize(160, 30) << 3
                             << QList<QPoint>{{0, 370}, {160, 370}, {320, 370}};
    QTest::newRow("wraps upward") << QRect(0, 0, 500, 400) << QSize(160, 30) << 4
                                  << QList<QPoint>{{0, 370}, {160, 370}, {320, 370}, {0, 340}};
    QTest::newRow("narrower than one icon")
        << QRect(0, 0, 100, 400) << QSize(160, 30) << 2 << QList<QPoint>{{0, 370}, {0, 340}};
    QTest::newRow("empty icon") << QRect(0, 0, 100, 400) << QSize(0, 30) << 2 << QList<QPoint>{};
    QTest::newRow("none") << QRect(0, 0, 100, 400) << QSize(160, 30) << 0 << QList<QPoint>{};
}

void TestMdiArrange::iconRows() {
    QFETCH(QRect, area);
    QFETCH(QSize, icon);
    QFETCH(int, count);
    QFETCH(QList<QPoint>, expected);
    QCOMPARE(iconPositions(area, icon, count), expected);
}

void TestMdiArrange::cascadeGeometry_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QList<QSize>>("sizes");
    QTest::addColumn<int>("step");
    QTest::addColumn<QList<QRect>>("expected");
    QTest::newRow("none") << QRect(0, 0, 900, 600) << QList<QSize>{} << 20 << QList<QRect>{};
    QTest::newRow("small windows get two thirds")
        << QRect(0, 0, 900, 600) << QList<QSize>{{200, 30}, {0, 0}} << 20
        << QList<QRect>{{0, 0, 600, 400}, {20, 20, 600, 400}};
    QTest::newRow("two thirds rounded up")
        << QRect(0, 0, 1000, 700) << QList<QSize>{{10, 10}} << 20 << QList<QRect>{{0, 0, 667, 467}};
    QTest::newRow("larger normal size kept")
        << QRect(0, 0, 900, 600) << QList<QSize>{{700, 500}, {650, 300}} << 20
        << QList<QRect>{{0, 0, 700, 500}, {20, 20, 650, 400}};
    QTest::newRow("never past the edges")
        << QRect(0, 0, 900, 600) << QList<QSize>{{900, 600}, {2000, 2000}} << 20
        << QList<QRect>{{0, 0, 900, 600}, {20, 20, 880, 580}};
    QTest::newRow("steps start again at the corner")
        << QRect(0, 0, 900, 600) << QList<QSize>(5, QSize(100, 100)) << 100
        << QList<QRect>{{0, 0, 600, 400},
                        {100, 100, 600, 400},
                        {200, 200, 600, 400},
                        {0, 0, 600, 400},
                        {100, 100, 600, 400}};
    QTest::newRow("offset area, no room for a step")
        << QRect(10, 20, 30, 30) << QList<QSize>{{5, 5}, {5, 5}} << 25
        << QList<QRect>{{10, 20, 20, 20}, {10, 20, 20, 20}};
}

void TestMdiArrange::cascadeGeometry() {
    QFETCH(QRect, area);
    QFETCH(QList<QSize>, sizes);
    QFETCH(int, step);
    QFETCH(QList<QRect>, expected);
    QCOMPARE(cascadeRects(area, sizes, step), expected);
}

void TestMdiArrange::tileStacksThreeChildrenAtFullWidth() {
    QMdiSubWindow* a = addChild("A", QRect(10, 10, 300, 200));
    QMdiSubWindow* b = addChild("B", QRect(40, 40, 300, 200));
    QMdiSubWindow* c = addChild("C", QRect(70, 70, 300, 200));
    m_area->setActiveSubWindow(b);
    b->showMaximized();
    tileHorizontally(m_area);

    const QRect viewport = m_area->viewport()->rect();
    QVERIFY(!b->isMaximized());
    QList<QMdiSubWindow*> byTop = {a, b, c};
    std::sort(byTop.begin(), byTop.end(),
              [](QMdiSubWindow* l, QMdiSubWindow* r) { return l->y() < r->y(); });
    QCOMPARE(byTop.first(), b); // the current child goes on top
    int top = viewport.top();
    for (QMdiSubWindow* child : byTop) {
        QCOMPARE(child->x(), viewport.left());
        QCOMPARE(child->width(), viewport.width());
        QCOMPARE(child->y(), top);
        QVERIFY(qAbs(child->height() - viewport.height() / 3) <= 1);
        top += child->height();
    }
    QCOMPARE(top, viewport.bottom() + 1);
}

void TestMdiArrange::tileLeavesRoomForIcons() {
    QMdiSubWindow* a = addChild("A", QRect(10, 10, 300, 200));
    QMdiSubWindow* b = addChild("B", QRect(40, 40, 300, 200));
    QMdiSubWindow* icon = addChild("Icon", QRect(70, 70, 300, 200));
    icon->showMinimized();
    tileHorizontally(m_area);

    const QRect viewport = m_area->viewport()->rect();
    QCOMPARE(icon->x(), viewport.left());
    QCOMPARE(icon->y() + icon->height(), viewport.bottom() + 1);
    for (QMdiSubWindow* child : {a, b}) {
        QCOMPARE(child->width(), viewport.width());
        QVERIFY(child->geometry().bottom() < icon->y());
    }
    QCOMPARE(qMax(a->geometry().bottom(), b->geometry().bottom()) + 1, icon->y());
}

void TestMdiArrange::arrangeIconsLinesUpMinimisedOnly() {
    QMdiSubWindow* normal = addChild("Normal", QRect(50, 60, 300, 200));
    QMdiSubWindow* first = addChild("First", QRect(200, 100, 300, 200));
    QMdiSubWindow* second = addChild("Second", QRect(300, 150, 300, 200));
    first->showMinimized();
    second->showMinimized();
    first->move(400, 30);
    second->move(10, 10);
    arrangeIcons(m_area);

    const QRect viewport = m_area->viewport()->rect();
    QCOMPARE(normal->geometry(), QRect(50, 60, 300, 200));
    QCOMPARE(first->x(), viewport.left());
    QCOMPARE(second->y(), first->y());
    QCOMPARE(second->x(), first->x() + qMax(first->width(), second->width()));
    QCOMPARE(first->y() + qMax(first->height(), second->height()), viewport.bottom() + 1);
}

void TestMdiArrange::cascadeOffsetsChildren() {
    QMdiSubWindow* a = addChild("A", QRect(300, 300, 200, 150));
    QMdiSubWindow* b = addChild("B", QRect(300, 300, 200, 150));
    QMdiSubWindow* big = addChild("Big", QRect(0, 0, 700, 520));
    QMdiSubWindow* icon = addChild("Icon", QRect(70, 70, 300, 200));
    icon->showMinimized();
    m_area->setActiveSubWindow(a);
    a->showMaximized();
    // Twice: a second cascade gives the same windows, none of them shrunk.
    for (int pass = 0; pass < 2; ++pass) {
        cascade(m_area);
        const QRect viewport = m_area->viewport()->rect();
        QVERIFY(!a->isMaximized());
        QVERIFY(a->pos() != b->pos() && b->pos() != big->pos());
        QCOMPARE(qMin(qMin(a->y(), b->y()), big->y()), 0);
        // Each shows a useful part of its grid: two thirds of the area or its
        // larger normal size, above the icons and inside the area.
        for (QMdiSubWindow* child : {a, b, big}) {
            QVERIFY(child->width() * 3 >= viewport.width() * 2);
            QVERIFY(child->height() * 3 >= (icon->y() - viewport.top()) * 2);
            QVERIFY(child->geometry().right() <= viewport.right());
            QVERIFY(child->geometry().bottom() < icon->y());
        }
        QCOMPARE(big->width(), 700);
        // The current window ends on top, in front of the others.
        QCOMPARE(m_area->subWindowList(QMdiArea::StackingOrder).last(), a);
        QCOMPARE(m_area->activeSubWindow(), a);
    }
}

// Records the order in which watched windows receive their close event.
class CloseRecorder : public QObject {
public:
    QStringList closed;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            closed.append(static_cast<QWidget*>(watched)->windowTitle());
        }
        return false;
    }
};

void TestMdiArrange::closeAllGoesFromLastToFirst() {
    CloseRecorder recorder;
    for (const char* title : {"First", "Second", "Third"}) {
        addChild(QString::fromLatin1(title), QRect(0, 0, 200, 150))->installEventFilter(&recorder);
    }
    // Stacking order must not matter: bring the first child to the front.
    m_area->setActiveSubWindow(m_area->subWindowList().first());
    closeChildrenLastFirst(m_area);
    QCOMPARE(recorder.closed, (QStringList{"Third", "Second", "First"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_area->subWindowList().isEmpty());
}

void TestMdiArrange::captionDispatch_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("database");
    QTest::newRow("batters") << "Baseball Batters Statistics" << 0;
    QTest::newRow("pitchers") << "Baseball Pitchers Statistics" << 1;
    QTest::newRow("fielders") << "Baseball Fielders Statistics" << 2;
    QTest::newRow("teams") << "Baseball Teams Statistics" << 3;
    QTest::newRow("team at 10 to 13 only") << "Baseball Team" << 3;
    QTest::newRow("cut before six characters") << "Baseball Batte" << -1;
    QTest::newRow("lower case") << "Baseball batters Statistics" << -1;
    QTest::newRow("shifted by one") << "Baseball  Batters Statistics" << -1;
    QTest::newRow("help text") << "Help Text" << -1;
    QTest::newRow("definitions") << "Help - Stats Definitions - Baseball Batters" << -1;
    QTest::newRow("instructions") << "Database Instructions/Tutorial" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestMdiArrange::captionDispatch() {
    QFETCH(QString, caption);
    QFETCH(int, database);
    QCOMPARE(databaseFromCaption(caption), database);
}

QTEST_MAIN(TestMdiArrange)
#include "test_mdiarrange.moc"
