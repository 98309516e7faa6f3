#include <QtTest>

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>

#include "mainwindow/helptexts.h"
#include "mainwindow/instructionstext.h"
#include "mainwindow/tform13.h"
#include "mainwindow/tform16.h"

class TestTextWindows : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void helpWindowDisablesItsEntryUntilClosed_data();
    void helpWindowDisablesItsEntryUntilClosed();
    void closingOneHelpWindowLeavesTheOtherEntry();
    void entryGoneBeforeWindowIsHarmless();
    void helpWindowWithoutEntry();

    void instructionsWindow();
    void instructionsWindowFreesItself();

private:
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QMainWindow* m_window = nullptr;
    QMdiArea* m_area = nullptr;
};

void TestTextWindows::init() {
    m_window = new QMainWindow;
    m_area = new QMdiArea(m_window);
    m_window->setCentralWidget(m_area);
    m_window->resize(1000, 800);
    m_window->show();
}

void TestTextWindows::cleanup() {
    delete m_window;
    m_window = nullptr;
    m_area = nullptr;
}

void TestTextWindows::helpWindowDisablesItsEntryUntilClosed_data() {
    QTest::addColumn<int>("database"); // -1: data sources
    QTest::newRow("batters") << 0;
    QTest::newRow("pitchers") << 1;
    QTest::newRow("fielders") << 2;
    QTest::newRow("teams") << 3;
    QTest::newRow("data sources") << -1;
}

void TestTextWindows::helpWindowDisablesItsEntryUntilClosed() {
    QFETCH(int, database);
    const HelpText text = database < 0 ? dataSourcesText() : statisticsDefinitions(database);
    QAction entry(QStringLiteral("entry"));
    QVERIFY(entry.isEnabled());

    QPointer<TForm13> form = openHelpText(m_area, &entry, text);
    QVERIFY(form);
    QVERIFY(!entry.isEnabled());
    QCOMPARE(m_area->subWindowList().size(), 1);
    QMdiSubWindow* child = m_area->subWindowList().first();
    QCOMPARE(child->widget(), form.data());
    QCOMPARE(child->windowTitle(), text.caption);
    QCOMPARE(m_area->currentSubWindow(), child);
    QVERIFY(form->Memo1->isReadOnly());
    QCOMPARE(form->Memo1->toPlainText().split('\n'), text.lines);
    QCOMPARE(form->Memo1->textCursor().position(), 0);
    QVERIFY(QFontInfo(form->Memo1->font()).fixedPitch());

    child->close();
    flushDeletes();
    QVERIFY(!form);
    QVERIFY(m_area->subWindowList().isEmpty());
    QVERIFY(entry.isEnabled());
}

void TestTextWindows::closingOneHelpWindowLeavesTheOtherEntry() {
    QAction batters(QStringLiteral("batters"));
    QAction teams(QStringLiteral("teams"));
    QPointer<TForm13> first = openHelpText(m_area, &batters, statisticsDefinitions(0));
    QPointer<TForm13> second = openHelpText(m_area, &teams, statisticsDefinitions(3));
    QVERIFY(!batters.isEnabled());
    QVERIFY(!teams.isEnabled());

    second->close();
    flushDeletes();
    QVERIFY(!second);
    QVERIFY(first);
    QVERIFY(teams.isEnabled());
    QVERIFY(!batters.isEnabled());
}

void TestTextWindows::entryGoneBeforeWindowIsHarmless() {
    auto* entry = new QAction(QStringLiteral("entry"));
    QPointer<TForm13> form = openHelpText(m_area, entry, dataSourcesText());
    delete entry;
    form->close();
    flushDeletes();
    QVERIFY(!form);
}

void TestTextWindows::helpWindowWithoutEntry() {
    QPointer<TForm13> form = openHelpText(m_area, nullptr, statisticsDefinitions(1));
    QCOMPARE(form->windowTitle(), QStringLiteral("Help - Stats Definitions - Baseball Pitchers"));
    form->close();
    flushDeletes();
    QVERIFY(!form);
}

void TestTextWindows::instructionsWindow() {
    TForm16* form = openInstructions(m_area);
    QMdiSubWindow* child = m_area->subWindowList().first();
    QCOMPARE(child->widget(), form);
    QCOMPARE(child->windowTitle(), QStringLiteral("Database Instructions/Tutorial"));
    QVERIFY(form->Memo1->isReadOnly());
    QCOMPARE(form->Memo1->toPlainText(), instructionsText());
    QCOMPARE(form->Memo1->textCursor().position(), 0);
    // The text fills the window and scrolls vertically, never sideways.
    QCOMPARE(form->Memo1->geometry(), form->rect());
    QVERIFY(form->Memo1->verticalScrollBar()->maximum() > 0);
    QCOMPARE(form->Memo1->horizontalScrollBar()->maximum(), 0);
    // It tells of the newer commands and their keys.
    for (const char* words : {"Export to CSV (Ctrl+E)", "Ctrl+C copies", "Ctrl+Z undoes",
                              "Ctrl+P prints", "context menu"})
        QVERIFY2(form->Memo1->toPlainText().contains(QLatin1String(words)), words);
    // In a main window smaller than the text window, each further copy still
    // opens wholly inside the area.
    m_window->resize(520, 360);
    QCoreApplication::processEvents();
    for (int i = 0; i < 4; ++i) {
        auto* open = qobject_cast<QMdiSubWindow*>(openInstructions(m_area)->parentWidget());
        QVERIFY(open != nullptr);
        QVERIFY2(m_area->viewport()->rect().contains(open->geometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(open->x())
                                .arg(open->y())
                                .arg(open->width())
                                .arg(open->height())));
    }
}

void TestTextWindows::instructionsWindowFreesItself() {
    QPointer<TForm16> first = openInstructions(m_area);
    QPointer<TForm16> second = openInstructions(m_area);
    QCOMPARE(m_area->subWindowList().size(), 2);
    m_area->subWindowList().first()->close();
    flushDeletes();
    QVERIFY(!first);
    QVERIFY(second);
    QCOMPARE(m_area->subWindowList().size(), 1);
}

QTEST_MAIN(TestTextWindows)
#include "test_textwindows.moc"
