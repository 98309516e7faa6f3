// Where the file dialogs start: the folder chosen last while it exists, else the documents
// folder, else home; never the working folder the program runs in.

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/dialogfolder.h"

class TestDialogFolder : public QObject {
    Q_OBJECT
private slots:
    void startFolder_data();
    void startFolder();
    void rememberedAcrossDialogs();
};

void TestDialogFolder::startFolder_data() {
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("documents");
    QTest::addColumn<QString>("expected");
    // "last", "docs" and "home" name folders that exist; "gone" one that does not.
    QTest::newRow("nothing chosen yet") << ""
                                        << "docs"
                                        << "docs";
    QTest::newRow("the folder chosen last") << "last"
                                            << "docs"
                                            << "last";
    QTest::newRow("the folder chosen last is gone") << "gone"
                                                    << "docs"
                                                    << "docs";
    QTest::newRow("no documents folder") << ""
                                         << "gone"
                                         << "home";
    QTest::newRow("no documents folder named") << ""
                                               << ""
                                               << "home";
}

void TestDialogFolder::startFolder() {
    QFETCH(QString, last);
    QFETCH(QString, documents);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const char* name : {"last", "docs", "home"})
        QVERIFY(QDir(root.path()).mkdir(QLatin1String(name)));
    const auto path = [&](const QString& name) {
        return name.isEmpty() ? QString() : root.filePath(name);
    };
    QCOMPARE(PickDialogFolder(path(last), path(documents), root.filePath(QStringLiteral("home"))),
             root.filePath(expected));
}

void TestDialogFolder::rememberedAcrossDialogs() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    // The program runs in its working folder; the first dialog starts elsewhere.
    QVERIFY(QDir::setCurrent(root.path()));
    QVERIFY(DialogStartFolder() != QDir::cleanPath(root.path()));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (QFileInfo(documents).isDir())
        QCOMPARE(DialogStartFolder(), QDir::cleanPath(documents));
    else
        QCOMPARE(DialogStartFolder(), QDir::homePath());

    // A file chosen in one dialog (an export) is where the next one (a chart) starts.
    QVERIFY(QDir(root.path()).mkdir(QStringLiteral("exports")));
    RememberDialogFolder(root.filePath(QStringLiteral("exports/batters.csv")));
    QCOMPARE(DialogStartFolder(), root.filePath(QStringLiteral("exports")));
    RememberDialogFolder(QString());
    QCOMPARE(DialogStartFolder(), root.filePath(QStringLiteral("exports")));
}

QTEST_MAIN(TestDialogFolder)
#include "test_dialogfolder.moc"
