// Export to CSV, copy, the grid's context menu, undo and the query in words,
// on a Batters window against the real statistics service over the imported
// data (a loopback port of its own); the export is checked against what awk
// computes from the data files.

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "fakequerytarget.h"
#include "mainwindow/linesmenu.h"
#include "mainwindow/mainmenu.h"
#include "mainwindow/viewcommands.h"
#include "platform/drawgrid.h"
#include "protocol/pagerequest.h"
#include "query/columnhiding.h"
#include "query/querydescription.h"
#include "query/queryhistory.h"
#include "query/queryoperations.h"
#include "query/sortcodes.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "query/tform11.h"
#include "query/tform6.h"
#include "tests/views/viewtestsupport.h"
#include "views/csvexporter.h"
#include "views/databaseviews.h"
#include "views/querytextlabel.h"
#include "views/tabletext.h"
#include "views/viewcell.h"

namespace {

// The batters of `year` from the data files, by awk, in the order of home
// runs descending, then name, season and stint: name|year|team|HR|AB|H|AVG.
QStringList AwkBattersByHomeRuns(int year) {
    const QString dir = QStringLiteral(LAHMAN_CSV_DIR);
    const QString script = QStringLiteral(BBSTATS_TEST_AWK);
    QProcess awk;
    QProcess sort;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    awk.setProcessEnvironment(env);
    sort.setProcessEnvironment(env);
    awk.setStandardOutputProcess(&sort);
    awk.start(QStringLiteral("awk"),
              {QStringLiteral("-v"), QStringLiteral("year=%1").arg(year), QStringLiteral("-f"),
               script, dir + QStringLiteral("/People.csv"), dir + QStringLiteral("/Batting.csv")});
    sort.start(QStringLiteral("sort"), {QStringLiteral("-t|"), QStringLiteral("-k4,4nr"),
                                        QStringLiteral("-k1,1f"), QStringLiteral("-k8,8n")});
    awk.waitForFinished(120000);
    sort.closeWriteChannel();
    sort.waitForFinished(120000);
    QStringList lines = QString::fromUtf8(sort.readAllStandardOutput())
                            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Names compare as the service's name order does: without case, accented
    // letters as their base letter ("P\u00e9rez" before "Perkins").
    const auto folded = [](const QString& line) {
        QString name;
        for (const QChar c :
             line.section(QLatin1Char('|'), 0, 0).normalized(QString::NormalizationForm_D))
            if (c.category() != QChar::Mark_NonSpacing)
                name += c.toLower();
        return name;
    };
    const auto field = [](const QString& line, int n) {
        return line.section(QLatin1Char('|'), n, n).toInt();
    };
    std::stable_sort(lines.begin(), lines.end(), [&](const QString& a, const QString& b) {
        if (field(a, 3) != field(b, 3))
            return field(a, 3) > field(b, 3);
        const int names = folded(a).compare(folded(b));
        return names != 0 ? names < 0 : field(a, 7) < field(b, 7);
    });
    QStringList rows;
    for (const QString& line : lines)
        rows << line.section(QLatin1Char('|'), 0, 6);
    return rows;
}

// What a page request of the view's query would send (position 0, one row).
QString RequestText(StatisticsView& view) {
    return QString::fromStdString(PageRequest(view.queryState(), 0, 1));
}

QList<QAction*> Named(QMenu* menu, const QString& name) {
    return menu->findChildren<QAction*>(name);
}

} // namespace

class TestViewCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void exportMatchesTheData_data();
    void exportMatchesTheData();
    void failedExportsLeaveNoFile_data();
    void failedExportsLeaveNoFile();
    void copyTwoRowsAsTabText();
    void contextCommandsSendTheMenuRequests_data();
    void contextCommandsSendTheMenuRequests();
    void undoGivesBackEachPreviousRequest();
    void queryInWords_data();
    void queryInWords();
    void linesModes();

private:
    // Batters sorted by home runs descending and limited to `year`.
    void sortByHomeRunsIn(int year);
    int loggedRequests() const;

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
    std::unique_ptr<TForm2A> m_view;
    std::unique_ptr<QMenuBar> m_bar;
    MainMenu m_menu;
    std::unique_ptr<ViewCommands> m_commands;
    TForm6* m_sort = nullptr;
    TBtnRightDlg* m_limit = nullptr;
    TBtnRightDlg1* m_select = nullptr;
    TForm11* m_unhide = nullptr;
};

void TestViewCommands::initTestCase() {
    QString error;
    m_host = StartRealService(m_service, QStringLiteral(BBSTATSD_PATH), m_dir, &error);
    QVERIFY2(!m_host.isEmpty(), qPrintable(error));
    m_bar = std::make_unique<QMenuBar>();
    m_menu = buildMainMenu(m_bar.get(), m_bar.get());
    m_sort = new TForm6(m_bar.get());
    m_limit = new TBtnRightDlg(m_bar.get());
    m_select = new TBtnRightDlg1(m_bar.get());
    m_unhide = new TForm11(m_bar.get());
    m_commands = std::make_unique<ViewCommands>(
        m_menu,
        [this] { return QueryDialogs{m_sort, m_select, m_limit, m_unhide, nullptr, nullptr}; },
        [this] { return m_view.get(); }, nullptr);
}

void TestViewCommands::cleanupTestCase() {
    m_commands.reset();
    m_bar.reset();
    if (m_service.state() != QProcess::NotRunning) {
        m_service.terminate();
        if (!m_service.waitForFinished(20000))
            m_service.kill();
        m_service.waitForFinished(5000);
    }
}

void TestViewCommands::init() {
    m_view = std::make_unique<TForm2A>(Hosts(m_host, m_host, m_host));
    m_view->resize(1000, 700);
    m_view->show();
    m_commands->AttachView(m_view.get());
    QVERIFY(m_view->refreshView());
}

void TestViewCommands::cleanup() {
    m_view.reset();
}

int TestViewCommands::loggedRequests() const {
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
}

void TestViewCommands::sortByHomeRunsIn(int year) {
    ApplySortCodes(m_view->queryState(), ComputeSortCodes(SortChoice{{17, 0, 0, 0}, {1, 0, 0, 0}}));
    m_view->queryState().AppendGroup({QStringLiteral("E1!%1!%1!").arg(year).toStdString()});
    QVERIFY(m_view->refreshView());
}

void TestViewCommands::exportMatchesTheData_data() {
    QTest::addColumn<QList<int>>("hide");
    QTest::newRow("every column") << QList<int>{};
    QTest::newRow("team name, AB and AVG hidden") << QList<int>{3, 9, 18};
}

// Batters sorted by home runs descending and limited to 1927: the file holds
// the shown columns' titles, then every row of the result in that order with
// the values the data files give.
void TestViewCommands::exportMatchesTheData() {
    QFETCH(QList<int>, hide);
    sortByHomeRunsIn(1927);
    for (const int column : hide)
        HideColumn(*m_view, column);
    const QString path = m_dir.filePath(QStringLiteral("batters.csv"));
    QString message;
    QCOMPARE(m_commands->Exporter().exportTo(*m_view, path, &message),
             CsvExporter::Outcome::Written);
    QVERIFY2(message.isEmpty(), qPrintable(message));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    // The window's status line names the rows written and the file.
    QCOMPARE(m_view->StatusText->text(),
             QStringLiteral("Exported %1 rows to %2")
                 .arg(QLocale().toString(lines.size() - 1), QDir::toNativeSeparators(path)));
    const QStringList header = CsvFields(lines.value(0));
    QStringList titles;
    for (int column = 0; column < 31; ++column) {
        if (!hide.contains(column))
            titles << ColumnTitle(DatabaseKind::Batters, column);
    }
    QCOMPARE(header, titles);
    QCOMPARE(header.value(2), QStringLiteral("TEAM CODE"));

    const QStringList expected = AwkBattersByHomeRuns(1927);
    QVERIFY(expected.size() > 400);
    QCOMPARE(lines.size() - 1, expected.size());
    const QStringList compared{QStringLiteral("PLAYER NAME"), QStringLiteral("YEAR"),
                               QStringLiteral("TEAM CODE"),   QStringLiteral("HR"),
                               QStringLiteral("AB"),          QStringLiteral("H"),
                               QStringLiteral("AVG")};
    for (qsizetype row = 0; row < expected.size(); ++row) {
        const QStringList fields = CsvFields(lines[row + 1]);
        QCOMPARE(fields.size(), header.size());
        const QStringList want = expected[row].split(QLatin1Char('|'));
        for (qsizetype i = 0; i < compared.size(); ++i) {
            const qsizetype at = header.indexOf(compared[i]);
            if (at < 0)
                continue;
            QVERIFY2(fields[at] == want[i],
                     qPrintable(QStringLiteral("row %1 %2: \"%3\", data \"%4\"")
                                    .arg(row)
                                    .arg(compared[i], fields[at], want[i])));
        }
    }
}

void TestViewCommands::failedExportsLeaveNoFile_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("says");
    QTest::newRow("cancelled") << "cancel"
                               << "";
    QTest::newRow("folder missing") << "missing"
                                    << "cannot be written";
    QTest::newRow("read-only folder") << "readonly"
                                      << "cannot be written";
    QTest::newRow("refused by the service") << "refused"
                                            << "refused";
}

// Every way an export ends without the whole result: no file is left, a file
// that was there is whole, and the message says what happened.
void TestViewCommands::failedExportsLeaveNoFile() {
    QFETCH(QString, how);
    QFETCH(QString, says);
    QTemporaryDir out;
    QString path = out.filePath(QStringLiteral("batters.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old export\r\n");
    }
    CsvExporter& exporter = m_commands->Exporter();
    if (how == QLatin1String("cancel")) {
        exporter.setProgressHook([&](qint64) { exporter.cancel(); });
    } else if (how == QLatin1String("missing")) {
        path = out.filePath(QStringLiteral("no/such/folder/batters.csv"));
    } else if (how == QLatin1String("readonly")) {
        // Permissions do not stop the superuser: a folder of /proc does.
        if (geteuid() == 0) {
            path = QStringLiteral("/proc/self/batters.csv");
        } else {
            QVERIFY(QFile::setPermissions(out.path(), QFile::ReadOwner | QFile::ExeOwner));
        }
    } else {
        m_view->queryState().AppendGroup({"Qnothing"});
    }
    QString message;
    const CsvExporter::Outcome outcome = exporter.exportTo(*m_view, path, &message);
    exporter.setProgressHook(nullptr);
    QFile::setPermissions(out.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(outcome, how == QLatin1String("cancel") ? CsvExporter::Outcome::Cancelled
                                                     : CsvExporter::Outcome::Failed);
    if (says.isEmpty()) {
        QVERIFY(message.isEmpty());
    } else {
        QVERIFY2(message.contains(says) && message.contains(QDir::toNativeSeparators(path)),
                 qPrintable(message));
    }
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("batters.csv")});
    QFile old(out.filePath(QStringLiteral("batters.csv")));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old export\r\n"));
    // The window exports again after any of these.
    if (how == QLatin1String("refused"))
        m_view->queryState().SelectionCount = 0;
    QCOMPARE(exporter.exportTo(*m_view, out.filePath(QStringLiteral("again.csv")), &message),
             CsvExporter::Outcome::Written);
}

// Two selected rows, a hidden column left out: a title line and the rows'
// cells as drawn, tab-separated; the current row alone when one is selected.
void TestViewCommands::copyTwoRowsAsTabText() {
    sortByHomeRunsIn(1927);
    HideColumn(*m_view, 3);
    DrawGrid* grid = m_view->DrawGrid1;
    grid->setCurrentCell(4, 2);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    m_menu.Print1->setEnabled(true);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QStringList lines =
        QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QStringList titles = lines[0].split(QLatin1Char('\t'));
    QCOMPARE(titles.size(), 30);
    QVERIFY(!titles.contains(QStringLiteral("TEAM NAME")));
    QCOMPARE(titles.mid(0, 4), (QStringList{"PLAYER NAME", "YEAR", "TEAM CODE", "LGE"}));
    for (int row = 0; row < 2; ++row) {
        const QStringList cells = lines[row + 1].split(QLatin1Char('\t'));
        QCOMPARE(cells.size(), 30);
        QCOMPARE(cells[0], ViewCellAt(m_view->records(), 0, row + 2).text.trimmed());
        QCOMPARE(cells[titles.indexOf("HR")],
                 ViewCellAt(m_view->records(), 16, row + 2).text.trimmed());
    }
    QCOMPARE(lines[1].section(QLatin1Char('\t'), 0, 0), QStringLiteral("Ruth, Babe"));
    grid->setCurrentCell(4, 5);
    ViewCommands::CopyRows(m_view.get());
    lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[1].section(QLatin1Char('\t'), 0, 0),
             ViewCellAt(m_view->records(), 0, 5).text.trimmed());
}

void TestViewCommands::contextCommandsSendTheMenuRequests_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("column");
    QTest::newRow("sort ascending") << "SortAscending" << 16;
    QTest::newRow("sort descending") << "SortDescending" << 16;
    QTest::newRow("sort by a fixed column") << "SortDescending" << 1;
    QTest::newRow("next sort key") << "AddSortDescending" << 11;
    QTest::newRow("limit") << "LimitColumn" << 16;
}

// Each context command on a column sends the request its menu command sends
// with the same choice in its dialog; the Sort dialog shows the choice next.
void TestViewCommands::contextCommandsSendTheMenuRequests() {
    QFETCH(QString, entry);
    QFETCH(int, column);
    const int field = column; // Batters columns are their sortable fields
    const bool descending = entry.endsWith(QLatin1String("Descending"));
    for (int round = 0; round < 2; ++round) {
        // Through the menu's dialogs: the Sort dialog, for the next key
        // after a sort by HR; the Limit dialog on the field.
        m_view->queryState().Reset();
        if (entry.startsWith(QLatin1String("AddSort")))
            ApplySortCodes(m_view->queryState(),
                           ComputeSortCodes(SortChoice{{17, 0, 0, 0}, {1, 0, 0, 0}}));
        if (entry == QLatin1String("LimitColumn")) {
            OnNextModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<TBtnRightDlg*>(modal);
                dialog->ListBox1->setCurrentRow(field);
                dialog->Edit1->setText(QStringLiteral("30"));
                dialog->OKBtn->click();
            });
            LimitRecords(*m_view, *m_limit);
        } else {
            OnNextModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<TForm6*>(modal);
                const int slot = entry.startsWith(QLatin1String("AddSort")) ? 1 : 0;
                if (slot == 1) {
                    dialog->ComboBox1->setCurrentIndex(17);
                    dialog->RadioGroup1->setItemIndex(1);
                }
                (slot == 0 ? dialog->ComboBox1 : dialog->ComboBox2)->setCurrentIndex(field + 1);
                (slot == 0 ? dialog->RadioGroup1 : dialog->RadioGroup2)
                    ->setItemIndex(descending ? 1 : 0);
                dialog->Button1->click();
            });
            SortRecords(*m_view, *m_sort);
        }
        const QString fromMenu = RequestText(*m_view);
        const std::array<int, 4> menuChoice = m_sort->LastSortChoice();

        // Through the context menu on the column.
        m_view->queryState().Reset();
        if (entry.startsWith(QLatin1String("AddSort")))
            ApplySortCodes(m_view->queryState(),
                           ComputeSortCodes(SortChoice{{17, 0, 0, 0}, {1, 0, 0, 0}}));
        QVERIFY(m_view->refreshView());
        const int before = loggedRequests();
        std::unique_ptr<QMenu> menu(m_commands->ContextMenu(m_view.get(), column));
        const QList<QAction*> found = Named(menu.get(), entry);
        QCOMPARE(found.size(), 1);
        QVERIFY(found.front()->isEnabled());
        if (entry == QLatin1String("LimitColumn")) {
            OnNextModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<TBtnRightDlg*>(modal);
                // Opened on the column's field.
                QCOMPARE(dialog->SelectedField(), field);
                dialog->Edit1->setText(QStringLiteral("30"));
                dialog->OKBtn->click();
            });
        }
        found.front()->trigger();
        QCOMPARE(RequestText(*m_view), fromMenu);
        QVERIFY(loggedRequests() > before);
        if (entry != QLatin1String("LimitColumn"))
            QCOMPARE(m_sort->LastSortChoice(), menuChoice);
    }
}

// Sort, Select, Limit and Reset, each undone in turn: every undo gives back
// the request text before the step, and fetches it; the history keeps 50.
void TestViewCommands::undoGivesBackEachPreviousRequest() {
    QStringList texts{RequestText(*m_view)};
    OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TForm6*>(modal);
        dialog->ComboBox1->setCurrentIndex(17);
        dialog->RadioGroup1->setItemIndex(1);
        for (QComboBox* box : {dialog->ComboBox2, dialog->ComboBox3, dialog->ComboBox4})
            box->setCurrentIndex(0);
        dialog->Button1->click();
    });
    SortRecords(*m_view, *m_sort);
    texts << RequestText(*m_view);
    OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnRightDlg1*>(modal);
        const QList<QListWidgetItem*> found =
            dialog->ListBox1->findItems(QStringLiteral("New York Yankees"), Qt::MatchExactly);
        if (!found.isEmpty())
            found.front()->setSelected(true);
        dialog->OKBtn->click();
    });
    SelectRecords(*m_view, *m_select, SelectWhat::Team);
    texts << RequestText(*m_view);
    OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnRightDlg*>(modal);
        dialog->ListBox1->setCurrentRow(1);
        dialog->Edit1->setText(QStringLiteral("1950"));
        dialog->Edit2->setText(QStringLiteral("1959"));
        dialog->OKBtn->click();
    });
    LimitRecords(*m_view, *m_limit);
    texts << RequestText(*m_view);
    QCOMPARE(m_view->QueryText->fullText(),
             QStringLiteral("HR descending; Team: New York Yankees; Year 1950 to 1959"));
    QCOMPARE(m_view->QueryText->toolTip(), m_view->QueryText->fullText());
    // A column hidden by double-click between the query steps.
    const int abWidth = m_view->DrawGrid1->colWidth(9);
    QVERIFY(abWidth > 0);
    QTest::mouseDClick(m_view->DrawGrid1->viewport(), Qt::LeftButton, {},
                       m_view->DrawGrid1->cellRect(9, 2).center());
    QCOMPARE(m_view->DrawGrid1->colWidth(9), 0);
    ResetQuery(*m_view);
    texts << RequestText(*m_view);
    QCOMPARE(texts.size(), 5);
    // Reset gives the initial request; the steps between differ from it and each other.
    QCOMPARE(texts[4], texts[0]);
    QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), 4);

    // The shortcut reaches the grid once the window is active again.
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    m_view->DrawGrid1->setFocus();
    for (int step = 3; step >= 0; --step) {
        const int before = loggedRequests();
        std::unique_ptr<QMenu> menu(m_commands->ContextMenu(m_view.get(), 5));
        QVERIFY(Named(menu.get(), QStringLiteral("UndoQuery")).front()->isEnabled());
        QTest::keyClick(m_view->DrawGrid1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(RequestText(*m_view), texts[step]);
        QVERIFY(loggedRequests() > before);
        QCOMPARE(m_view->DrawGrid1->colWidth(9), step == 3 ? 0 : abWidth);
        if (step == 3) {
            // The hide is the next step back: the column shows again at
            // its width, and the query stays.
            const int requests = loggedRequests();
            QTest::keyClick(m_view->DrawGrid1, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(m_view->DrawGrid1->colWidth(9), abWidth);
            QVERIFY(m_view->hiddenColumns().entries.isEmpty());
            QCOMPARE(RequestText(*m_view), texts[3]);
            QCOMPARE(loggedRequests(), requests);
        }
    }
    std::unique_ptr<QMenu> menu(m_commands->ContextMenu(m_view.get(), 5));
    QVERIFY(!Named(menu.get(), QStringLiteral("UndoQuery")).front()->isEnabled());
    QVERIFY(!m_view->undoQuery());

    QueryHistory history{QueryState{}};
    QueryState state;
    for (int code = 0; code < 60; ++code) {
        state.SortCode = code;
        history.note(state);
        history.note(state); // the same query again is no step
    }
    QCOMPARE(history.size(), QueryHistory::Depth);
    QCOMPARE(history.undo()->SortCode, 58);
}

void TestViewCommands::queryInWords_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("words");
    const int batters = static_cast<int>(DatabaseKind::Batters);
    const int teams = static_cast<int>(DatabaseKind::Teams);
    QTest::newRow("initial") << batters << QList<int>{300} << QStringList{} << "Default order";
    QTest::newRow("two keys, a team, a limit")
        << batters << QList<int>{16, 101}
        << QStringList{"BNew York Yankees", "*", "E1!1950!1959!", "*"}
        << "HR descending, then Year ascending; Team: New York Yankees; Year 1950 to 1959";
    QTest::newRow("alternatives, open bounds, an empty group")
        << batters << QList<int>{29, 118, 4} << QStringList{"BBoston Red Sox",
                                                            "BChicago Cubs",
                                                            "*",
                                                            "*",
                                                            "E16!30!!",
                                                            "*",
                                                            "E7!!100!",
                                                            "*"}
        << "GIDP descending, then AVG ascending, then LGE descending; Team: Boston Red Sox or "
           "Chicago Cubs; HR from 30; G up to 100";
    QTest::newRow("teams, a dashed name")
        << teams << QList<int>{109, 14} << QStringList{"D1990", "*"}
        << "W-L% ascending, then Batting TPA descending; League: 1990";
}

void TestViewCommands::queryInWords() {
    QFETCH(int, kind);
    QFETCH(QList<int>, codes);
    QFETCH(QStringList, items);
    QFETCH(QString, words);
    QueryState state;
    SortCodes sort;
    sort.count = static_cast<int>(codes.size());
    for (qsizetype i = 0; i < codes.size(); ++i)
        sort.codes[static_cast<std::size_t>(i)] = codes[i];
    ApplySortCodes(state, sort);
    for (const QString& item : items)
        state.SelectionItems[static_cast<std::size_t>(state.SelectionCount++)] = item.toStdString();
    QCOMPARE(DescribeQuery(static_cast<DatabaseKind>(kind), state), words);
}

// The lines modes from Options > "&Lines" and the context menu: career lines
// sorted by home runs put Bonds first with 762, the path carries the mode,
// the words name it, the qualifier follows the mode, undo steps back over it,
// and a Teams window offers none of it.
void TestViewCommands::linesModes() {
    const auto entry = [](QMenu* menu, const char* name) {
        const QList<QAction*> found = menu->findChildren<QAction*>(QLatin1String(name));
        return found.isEmpty() ? nullptr : found.front();
    };
    QMenu* lines = m_menu.Options1->findChild<QMenu*>(QStringLiteral("Lines1"));
    QVERIFY(lines != nullptr);
    QCOMPARE(lines->menuAction()->text(), QStringLiteral("&Lines"));
    emit m_menu.Options1->aboutToShow();
    QVERIFY(entry(lines, "LinesPerTeam")->isChecked());
    QVERIFY(entry(lines, "QualifiedOnly")->isEnabled());
    const QString perTeamUrl = m_view->HttpCli1().URL();
    QVERIFY(!perTeamUrl.contains(QLatin1Char('?')));

    ApplySortCodes(m_view->queryState(), ComputeSortCodes(SortChoice{{17, 0, 0, 0}, {1, 0, 0, 0}}));
    QVERIFY(m_view->refreshView());
    entry(lines, "LinesPerCareer")->trigger();
    QVERIFY(m_view->HttpCli1().URL().endsWith(QStringLiteral("/cgi-bin/getbat.exe?lines=career")));
    QCOMPARE(m_view->QueryText->fullText(), QStringLiteral("career lines, HR descending"));
    QCOMPARE(ViewCellAt(m_view->records(), 0, 2).text.trimmed(), QStringLiteral("Bonds, Barry"));
    QCOMPARE(ViewCellAt(m_view->records(), 16, 2).text.trimmed(), QStringLiteral("762"));
    QCOMPARE(ViewCellAt(m_view->records(), 2, 2).text.trimmed(), QStringLiteral("TOT"));
    emit m_menu.Options1->aboutToShow();
    QVERIFY(entry(lines, "LinesPerCareer")->isChecked());
    QVERIFY(!entry(lines, "QualifiedOnly")->isEnabled());

    // The context menu switches the same way: season lines, then qualified only.
    std::unique_ptr<QMenu> context(m_commands->ContextMenu(m_view.get(), 5));
    QMenu* contextLines = context->findChild<QMenu*>(QStringLiteral("LinesMenu"));
    QVERIFY(contextLines != nullptr);
    entry(contextLines, "LinesPerSeason")->trigger();
    context.reset(m_commands->ContextMenu(m_view.get(), 5));
    contextLines = context->findChild<QMenu*>(QStringLiteral("LinesMenu"));
    QVERIFY(entry(contextLines, "LinesPerSeason")->isChecked());
    entry(contextLines, "QualifiedOnly")->trigger();
    QVERIFY(m_view->HttpCli1().URL().endsWith(QStringLiteral("?lines=season&qualified=1")));
    QCOMPARE(m_view->QueryText->fullText(),
             QStringLiteral("qualified season lines, HR descending"));

    // Undo steps back over each mode change, to the per-team request.
    for (int step = 0; step < 3; ++step)
        QVERIFY(m_view->undoQuery());
    QCOMPARE(m_view->queryState().Lines, LinesMode::PerTeam);
    QVERIFY(!m_view->queryState().QualifiedOnly);
    QCOMPARE(m_view->HttpCli1().URL(), perTeamUrl);
    QCOMPARE(m_view->QueryText->fullText(), QStringLiteral("HR descending"));

    // Teams: nothing to switch.
    std::unique_ptr<StatisticsView> teams(
        CreateStatisticsView(DatabaseKind::Teams, Hosts(m_host, m_host, m_host)));
    QMenu teamsLines;
    LinesMenu::Fill(&teamsLines, teams.get());
    for (const char* name : {"LinesPerTeam", "LinesPerSeason", "LinesPerCareer", "QualifiedOnly"})
        QVERIFY(!entry(&teamsLines, name)->isEnabled());
}

QTEST_MAIN(TestViewCommands)
#include "test_viewcommands.moc"
