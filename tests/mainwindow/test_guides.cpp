// The guides know every command the user can reach: each entry of the real menu bar, as the
// main window builds it (with the entries the export, lines, chart and query-file commands add),
// stands in bbstats(1) with its shortcut and without "&", and each Options command in the
// Instructions text; each option that `bbstatsd --help` names stands in bbstatsd(8), as do its
// signals and its paths. The empty main window says where to start until a window opens.

#include <memory>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QtTest>

#include "mainwindow/instructionstext.h"
#include "mainwindow/starthint.h"
#include "mainwindow/tform1.h"
#include "tests/support/testservice.h"

namespace {

QString generatedPage(const QString& name) {
    QFile file(qEnvironmentVariable("BBSTATS_BINARY_DIR") + QStringLiteral("/packaging/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString caption(const QAction* action) {
    return action->text().remove(QLatin1Char('&'));
}

// Every visible command below `actions` as "Menu > Sub > Command", with its shortcut.
void walk(const QList<QAction*>& actions, const QString& path,
          QList<QPair<QString, QString>>* commands) {
    for (QAction* action : actions) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        const QString title =
            path.isEmpty() ? caption(action) : path + QStringLiteral(" > ") + caption(action);
        if (action->menu() != nullptr) {
            walk(action->menu()->actions(), title, commands);
            continue;
        }
        commands->append({title, action->shortcut().toString(QKeySequence::PortableText)});
    }
}

// The main window as the program builds it, its online steps failing at once on loopback.
std::unique_ptr<TForm1> MainWindow() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const QString deadNews = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
    probe.close();
    return std::make_unique<TForm1>(
        CoBrandConfig{},
        ServiceHosts{UnusedLoopbackHost(), UnusedLoopbackHost(), UnusedLoopbackHost()},
        FtpTarget{UnusedLoopbackHost(), QString(), QString()}, deadNews);
}

} // namespace

class TestGuides : public QObject {
    Q_OBJECT
private slots:
    void everyMenuCommandIsInBbstats1();
    void everyOptionsCommandIsInTheInstructions();
    void emptyWindowSaysWhereToStart();
    void everyServiceOptionIsInBbstatsd8_data();
    void everyServiceOptionIsInBbstatsd8();
};

void TestGuides::everyMenuCommandIsInBbstats1() {
    const QString page = generatedPage(QStringLiteral("bbstats.1"));
    QVERIFY2(!page.isEmpty(), "the build made no packaging/bbstats.1");
    QVERIFY2(!page.contains(QLatin1Char('&')), "bbstats(1) shows a caption with \"&\"");

    const std::unique_ptr<TForm1> form = MainWindow();
    QList<QPair<QString, QString>> commands;
    // A top-level command sits on the bar; its title is its caption alone.
    walk(form->menuBar()->actions(), QString(), &commands);
    QVERIFY2(commands.size() >= 30, qPrintable(QStringLiteral("only %1 commands found in the "
                                                              "menu bar")
                                                   .arg(commands.size())));

    const QStringList lines = page.split(QLatin1Char('\n'));
    QStringList missing;
    for (const auto& [title, keys] : commands) {
        const QString tag = QLatin1Char('"') + title + QLatin1Char('"');
        bool found = false;
        for (const QString& line : lines) {
            if (!line.startsWith(QLatin1Char('.')) || !line.contains(tag))
                continue;
            found = keys.isEmpty() || line.contains(keys);
        }
        if (!found)
            missing << (keys.isEmpty() ? title : title + QStringLiteral(" (") + keys + ')');
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("missing from bbstats(1) and the user guide's command "
                                       "table: ") +
                        missing.join(QStringLiteral("; "))));
}

void TestGuides::everyOptionsCommandIsInTheInstructions() {
    const std::unique_ptr<TForm1> form = MainWindow();
    QList<QPair<QString, QString>> commands;
    walk(form->Menu().Options1->actions(), QString(), &commands);
    QVERIFY(commands.size() >= 10);
    const QString text = instructionsText();
    QStringList missing;
    for (const auto& [title, keys] : commands) {
        // "Options, Chart" names "Chart...", "Options, Lines" the entries under it.
        QString name = title.section(QStringLiteral(" > "), 0, 0);
        name.remove(QStringLiteral("..."));
        if (!text.contains(name, Qt::CaseInsensitive))
            missing << name;
        if (!keys.isEmpty() && !text.contains(keys))
            missing << keys;
    }
    missing.removeDuplicates();
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("the Instructions never mention: ") +
                                           missing.join(QStringLiteral("; "))));
}

void TestGuides::emptyWindowSaysWhereToStart() {
    const std::unique_ptr<TForm1> form = MainWindow();
    form->resize(1000, 700);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    auto* hint = form->MdiArea()->findChild<StartHint*>();
    QVERIFY(hint != nullptr);
    QVERIFY(hint->isShown());
    QVERIFY(StartHint::text().contains(QStringLiteral("\"Baseball Statistics\"")));
    const auto* label = form->MdiArea()->viewport()->findChild<QLabel*>();
    QVERIFY(label != nullptr && label->isVisible());
    QCOMPARE(label->text(), StartHint::text());

    // A window in the area hides it; closing the last one shows it again.
    form->Menu().Databasetidbits1->trigger();
    QVERIFY(QTest::qWaitFor([&] { return !hint->isShown(); }, 5000));
    QCOMPARE(form->MdiArea()->subWindowList().size(), 1);
    form->MdiArea()->closeAllSubWindows();
    QVERIFY(QTest::qWaitFor([&] { return hint->isShown(); }, 5000));
}

void TestGuides::everyServiceOptionIsInBbstatsd8_data() {
    QTest::addColumn<QString>("argument");
    // Asked for help, the service prints its usage.
    QTest::newRow("--help") << QStringLiteral("--help");
}

void TestGuides::everyServiceOptionIsInBbstatsd8() {
    QFETCH(QString, argument);
    const QString page = generatedPage(QStringLiteral("bbstatsd.8"));
    QVERIFY2(!page.isEmpty(), "the build made no packaging/bbstatsd.8");

    QProcess service;
    service.start(QStringLiteral(BBSTATSD_PATH), {argument});
    QVERIFY(service.waitForFinished(30000));
    const QString usage =
        QString::fromUtf8(service.readAllStandardOutput() + service.readAllStandardError());
    QStringList named;
    QRegularExpressionMatchIterator options =
        QRegularExpression(QStringLiteral("--[a-z][a-z-]*[a-z]")).globalMatch(usage);
    while (options.hasNext()) {
        const QString option = options.next().captured(0);
        if (!named.contains(option))
            named << option;
    }
    QVERIFY2(named.size() >= 10,
             qPrintable(QStringLiteral("usage names too few options: ") + usage));
    // Words the usage gives that the page must explain too: signals and paths.
    named << QStringLiteral("SIGTERM") << QStringLiteral("SIGINT") << QStringLiteral("/healthz")
          << QStringLiteral("?lines=season") << QStringLiteral("qualified=1")
          << QStringLiteral("?columns=") << QStringLiteral(".csv") << QStringLiteral("Drains");
    QStringList missing;
    for (const QString& word : named) {
        // roff writes a hyphen-minus as "\-".
        QString escaped = word;
        escaped.replace(QLatin1Char('-'), QStringLiteral("\\-"));
        if (!page.contains(word) && !page.contains(escaped))
            missing << word;
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("missing from bbstatsd(8): ") + missing.join(' ')));
}

QTEST_MAIN(TestGuides)
#include "test_guides.moc"
