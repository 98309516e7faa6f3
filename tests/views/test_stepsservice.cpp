// The query steps panel of a Batters window against the real statistics
// service over the imported data (a loopback port of its own): four steps
// built, each count checked against the service's count of that prefix
// asked on its own, one step removed and edited in place, Undo, and the
// panel following and closing with its window.

#include <algorithm>
#include <memory>

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "fakequerytarget.h"
#include "mainwindow/mainmenu.h"
#include "mainwindow/querystepscommands.h"
#include "protocol/pagerequest.h"
#include "query/querydescription.h"
#include "query/selectionitems.h"
#include "tests/views/viewtestsupport.h"
#include "views/databaseviews.h"
#include "views/querystepspanel.h"
#include "views/querytextlabel.h"
#include "views/stepcounts.h"
#include "views/stepeditors.h"
#include "views/viewcell.h"

namespace {

int BattersField(const char* name) {
    for (int field = 0; field < DatabaseInfoFor(DatabaseKind::Batters).sortFields.size(); ++field) {
        if (FieldShortName(DatabaseKind::Batters, field) == QLatin1String(name))
            return field;
    }
    return -1;
}

// The steps of the check, as the Select, Limit and Lines commands enter them.
std::vector<std::string> Fifties() {
    std::vector<std::string> years;
    for (int year = 1950; year <= 1959; ++year)
        years.push_back(std::to_string(year));
    return years;
}
void SelectFifties(QueryState& state) {
    state.AppendGroup(SelectionGroup('C', Fifties()));
}
void SelectAL(QueryState& state) {
    state.AppendGroup(SelectionGroup('D', {"AL"}));
}
void LimitHR(QueryState& state, const char* minimum) {
    state.AppendGroup(
        {LimitItem(BattersField("HR"), QLatin1String(minimum), QStringLiteral("99"))});
}

// The text of every cell of the rows `view` shows whole (title rows too).
QStringList ShownRows(StatisticsView& view) {
    QStringList rows;
    const int last = std::min(view.DrawGrid1->topRow() + view.DrawGrid1->visibleRowCount(),
                              view.DrawGrid1->rowCount());
    for (int row = view.DrawGrid1->topRow(); row < last; ++row) {
        QStringList cells;
        for (int col = 0; col < view.DrawGrid1->colCount(); ++col)
            cells << ViewCellAt(view.records(), col, row).text;
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestStepsService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fourStepsCountedRemovedEditedAndUndone();

private:
    // The record count the service states for `state`, asked by a window of
    // its own for its first page.
    int serviceCount(const QueryState& state);
    // Page requests the service has logged.
    QStringList loggedRequests() const;

    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
};

void TestStepsService::initTestCase() {
    QString error;
    m_host = StartRealService(m_service, QStringLiteral(BBSTATSD_PATH), m_dir, &error);
    QVERIFY2(!m_host.isEmpty(), qPrintable(error));
}

void TestStepsService::cleanupTestCase() {
    if (m_service.state() != QProcess::NotRunning) {
        m_service.terminate();
        if (!m_service.waitForFinished(20000))
            m_service.kill();
        m_service.waitForFinished(5000);
    }
}

int TestStepsService::serviceCount(const QueryState& state) {
    TForm2A other(Hosts(m_host, m_host, m_host));
    other.resize(1000, 700);
    other.queryState() = state;
    if (!other.refreshView())
        return -2;
    return other.exchange().TotalRecords();
}

QStringList TestStepsService::loggedRequests() const {
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestStepsService::fourStepsCountedRemovedEditedAndUndone() {
    QMenuBar bar;
    const MainMenu menu = buildMainMenu(&bar, &bar);
    auto view = std::make_unique<TForm2A>(Hosts(m_host, m_host, m_host));
    StatisticsView* shown = view.get();
    QueryStepsCommands commands(
        menu, menu.Print1, [shown] { return shown; },
        [this] { return Hosts(m_host, m_host, m_host); }, nullptr);
    QCOMPARE(commands.QuerySteps1->text(), QStringLiteral("Query &steps..."));
    commands.AttachView(view.get());
    view->resize(1000, 700);
    view->show();
    QVERIFY(view->refreshView());
    const int allRows = view->exchange().TotalRecords();
    QVERIFY(allRows > 100000);

    // The four steps, each entered as its command enters it.
    QueryState& state = view->queryState();
    SelectFifties(state);
    QVERIFY(view->refreshView());
    SelectAL(state);
    QVERIFY(view->refreshView());
    LimitHR(state, "20");
    QVERIFY(view->refreshView());
    state.Lines = LinesMode::PerCareer;
    QVERIFY(view->refreshView());
    const QStringList before = loggedRequests();

    // A click on the query in words opens the panel, which counts each prefix.
    QTest::mouseClick(view->QueryText, Qt::LeftButton);
    QueryStepsPanel* panel = QueryStepsCommands::PanelOf(view.get());
    QVERIFY(panel != nullptr);
    QPointer<QueryStepsPanel> guard(panel);
    QTRY_VERIFY(!panel->counts().empty() && panel->counts().back() >= 0);
    QStringList texts;
    for (int row = 0; row < panel->StepList->topLevelItemCount(); ++row)
        texts << panel->StepList->topLevelItem(row)->text(0);
    QCOMPARE(texts.mid(1),
             (QStringList{QStringLiteral("1. Year: 1950 or 1951 or 1952 or 1953 or "
                                         "1954 or 1955 or 1956 or 1957 or 1958 or 1959"),
                          QStringLiteral("2. League: AL"), QStringLiteral("3. Career lines"),
                          QStringLiteral("4. HR 20 to 99")}));
    // Each count is the service's own count of the steps up to it, entered
    // alone; every step narrows the rows.
    QueryState prefix;
    std::vector<int> expected{serviceCount(prefix)};
    SelectFifties(prefix);
    expected.push_back(serviceCount(prefix));
    SelectAL(prefix);
    expected.push_back(serviceCount(prefix));
    prefix.Lines = LinesMode::PerCareer;
    expected.push_back(serviceCount(prefix));
    LimitHR(prefix, "20");
    expected.push_back(serviceCount(prefix));
    const std::vector<std::int32_t> counts = panel->counts();
    QCOMPARE(std::vector<int>(counts.begin(), counts.end()), expected);
    QCOMPARE(expected.front(), allRows);
    QCOMPARE(expected.back(), view->exchange().TotalRecords());
    for (std::size_t k = 1; k < expected.size(); ++k)
        QVERIFY2(expected[k] < expected[k - 1], qPrintable(QString::number(k)));
    QCOMPARE(panel->chainText().split(QStringLiteral(" \u2192 ")).size(), 5);
    // One-row page requests, one per prefix, asked once.
    const QStringList counted = loggedRequests().mid(before.size(), 5);
    QCOMPARE(counted.size(), 5);
    for (const QString& request : counted)
        QVERIFY2(request.contains(QStringLiteral(" 0!1!300!")), qPrintable(request));
    QCOMPARE(panel->countRequests(), 5);
    QVERIFY(panel->refresh());
    QCOMPARE(panel->countRequests(), 5);

    // Removing the second step gives the rows of the same query built
    // without it; the panel follows with the counts it lacks.
    QVERIFY(panel->removeStep(1));
    QueryState without;
    SelectFifties(without);
    LimitHR(without, "20");
    without.Lines = LinesMode::PerCareer;
    QCOMPARE(PageRequest(view->queryState(), 0, 0), PageRequest(without, 0, 0));
    const QStringList rowsAfterRemoval = ShownRows(*view);
    const int countAfterRemoval = view->exchange().TotalRecords();
    {
        TForm2A built(Hosts(m_host, m_host, m_host));
        built.resize(1000, 700);
        built.show();
        built.queryState() = without;
        QVERIFY(built.refreshView());
        QCOMPARE(built.exchange().TotalRecords(), countAfterRemoval);
        QCOMPARE(ShownRows(built), rowsAfterRemoval);
    }
    QVERIFY(countAfterRemoval > expected.back());
    QTRY_COMPARE(panel->steps().size(), std::size_t{3});
    QTRY_VERIFY(panel->counts().back() >= 0);
    QCOMPARE(panel->counts().back(), countAfterRemoval);

    // Undo brings the four steps back with the counts already known.
    const int requestsBeforeUndo = panel->countRequests();
    QVERIFY(view->undoQuery());
    QTRY_COMPARE(panel->steps().size(), std::size_t{4});
    QTRY_VERIFY(panel->counts().back() >= 0);
    QCOMPARE(panel->counts().back(), expected.back());
    QCOMPARE(panel->countRequests(), requestsBeforeUndo);

    // Editing the limit in place: a bound that is not a number is refused
    // and the editor stays open; 30 to 99 is taken in the limit's place.
    panel->StepList->setCurrentItem(panel->StepList->topLevelItem(4));
    MessageBoxCatcher boxes;
    OnNextModal([](QWidget* modal) {
        auto* editor = qobject_cast<LimitStepEditor*>(modal);
        QVERIFY(editor != nullptr);
        QCOMPARE(editor->Edit1->text(), QStringLiteral("20"));
        editor->Edit1->setText(QStringLiteral("abc"));
        editor->accept();
        QVERIFY(editor->isVisible());
        editor->Edit1->setText(QStringLiteral("30"));
        editor->accept();
    });
    QVERIFY(panel->editStep(3));
    QCOMPARE(boxes.texts().size(), 1);
    QVERIFY2(boxes.texts().front().contains(QStringLiteral("abc")),
             qPrintable(boxes.texts().front()));
    QueryState edited;
    SelectFifties(edited);
    SelectAL(edited);
    LimitHR(edited, "30");
    edited.Lines = LinesMode::PerCareer;
    QCOMPARE(PageRequest(view->queryState(), 0, 0), PageRequest(edited, 0, 0));
    QTRY_VERIFY(panel->counts().back() >= 0 && panel->steps().back().minimum == "30");
    QCOMPARE(panel->counts().back(), serviceCount(edited));

    // The whole league list has the Federal League of 1914-1915.
    StepCounts lists(DatabaseKind::Batters, Hosts(m_host, m_host, m_host));
    const ListResult leaguesEver = lists.pickList(QueryState(), ListKind::Leagues);
    QCOMPARE(leaguesEver.result, FetchResult::Done);
    QVERIFY(std::count(leaguesEver.entries.begin(), leaguesEver.entries.end(), "FL") == 1);
    // Editing the league group in place: the pick list is the one under the
    // steps before it (the fifties have no Federal League), NL ticked too.
    OnNextModal([](QWidget* modal) {
        auto* editor = qobject_cast<SelectStepEditor*>(modal);
        QVERIFY(editor != nullptr);
        const QList<QListWidgetItem*> nl =
            editor->ListBox1->findItems(QStringLiteral("NL"), Qt::MatchExactly);
        QCOMPARE(nl.size(), 1);
        QVERIFY(editor->ListBox1->findItems(QStringLiteral("FL"), Qt::MatchExactly).isEmpty());
        QCOMPARE(editor->ticked(), std::vector<std::string>{"AL"});
        nl.front()->setCheckState(Qt::Checked);
        editor->accept();
    });
    QVERIFY(panel->editStep(1));
    QueryState leagues;
    SelectFifties(leagues);
    leagues.AppendGroup(SelectionGroup('D', {"AL", "NL"}));
    LimitHR(leagues, "30");
    leagues.Lines = LinesMode::PerCareer;
    QCOMPARE(PageRequest(view->queryState(), 0, 0), PageRequest(leagues, 0, 0));
    QTRY_VERIFY(panel->counts().back() >= 0 && panel->steps()[1].values.size() == 2);
    QCOMPARE(panel->counts().back(), serviceCount(leagues));

    // The panel goes with its window.
    view->close();
    QTRY_VERIFY(guard.isNull());
    view.release();
}

QTEST_MAIN(TestStepsService)
#include "test_stepsservice.moc"
