// "More columns" against the real service over the imported data: each
// database's window reads the added figures once the option is on (and the
// rank header shows the rows' places); a sort and a limit on an added field
// give the page path the same rows as the CSV path, whose header=1 titles
// are the grid's; turning the option off leaves the window as before.

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "protocol/httpcli.h"
#include "query/linesoperations.h"
#include "tests/views/viewtestsupport.h"
#include "views/csvexporter.h"
#include "views/databaseviews.h"
#include "views/rankheader.h"
#include "views/tabletext.h"
#include "views/viewcell.h"

Q_DECLARE_METATYPE(DatabaseKind)

namespace {

// The CSV path's answer for the view's query with header=1: its lines.
QStringList CsvLines(StatisticsView& view) {
    QBuffer body;
    body.setData(QByteArray::fromStdString(PageRequest(view.queryState(), 0, 1)));
    body.open(QIODevice::ReadOnly);
    QByteArray reply;
    QBuffer sink(&reply);
    sink.open(QIODevice::WriteOnly);
    THttpCli client;
    client.setURL(CsvExporter::ExportUrl(view) + QStringLiteral("&header=1"));
    client.setSendStream(&body);
    client.setRcvdStream(&sink);
    try {
        client.Post();
    } catch (const EHttpException& error) {
        qWarning("%s", qPrintable(error.Message()));
        return {};
    }
    return QString::fromUtf8(reply).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

// The grid's text of `column` in data row `position`, as a CSV field holds
// it (trimmed, a missing "---" empty).
QString Shown(StatisticsView& view, int column, int position) {
    QString text = ViewCellAt(view.records(), column, position + 2).text.trimmed();
    return text == QLatin1String("---") ? QString() : text;
}

} // namespace

class TestMoreService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachDatabaseReadsTheAddedFigures_data();
    void eachDatabaseReadsTheAddedFigures();

private:
    QTemporaryDir m_dir;
    QProcess m_service;
    QString m_host;
};

void TestMoreService::initTestCase() {
    QVERIFY(m_dir.isValid());
    QString error;
    m_host = StartRealService(m_service, QStringLiteral(BBSTATSD_PATH), m_dir, &error);
    QVERIFY2(!m_host.isEmpty(), qPrintable(error));
}

void TestMoreService::cleanupTestCase() {
    m_service.terminate();
    if (!m_service.waitForFinished(20000))
        m_service.kill();
}

void TestMoreService::eachDatabaseReadsTheAddedFigures_data() {
    QTest::addColumn<DatabaseKind>("kind");
    // The added field sorted by and limited on, and the limit's lower bound.
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("from");
    // A limit on an own field beside it (empty: none).
    QTest::addColumn<QString>("other");
    QTest::newRow("Batters by OPS+ from 150, 400 at bats") << DatabaseKind::Batters << 32 << "150"
                                                           << "E9!400!!";
    QTest::newRow("Pitchers by ERA+ from 200") << DatabaseKind::Pitchers << 36 << "200"
                                               << "";
    QTest::newRow("Fielders by age from 45") << DatabaseKind::Fielders << 16 << "45"
                                             << "";
    QTest::newRow("Teams by expected W-L% from .650") << DatabaseKind::Teams << 69 << ".650"
                                                      << "";
}

void TestMoreService::eachDatabaseReadsTheAddedFigures() {
    QFETCH(DatabaseKind, kind);
    QFETCH(int, field);
    QFETCH(QString, from);
    QFETCH(QString, other);
    std::unique_ptr<StatisticsView> view(CreateStatisticsView(kind, Hosts(m_host, m_host, m_host)));
    view->resize(1000, 700);
    view->show();
    QVERIFY(view->refreshView());
    const int own = static_cast<int>(DatabaseInfoFor(kind).columns.size());
    const int all = static_cast<int>(DatabaseInfoFor(kind, true).columns.size());
    QCOMPARE(view->DrawGrid1->colCount(), own);
    QVERIFY(!view->RankHeader1->isVisible());
    const QString ownFirstRow = Shown(*view, 0, 0) + Shown(*view, own - 1, 0);

    SetMoreColumns(*view, true);
    QCOMPARE(view->DrawGrid1->colCount(), all);
    QVERIFY(view->RankHeader1->isVisible());
    // The grid moved right of the rank header; its columns did not change.
    QCOMPARE(view->DrawGrid1->x(), view->RankHeader1->width());
    QCOMPARE(Shown(*view, 0, 0) + Shown(*view, own - 1, 0), ownFirstRow);
    QVERIFY(view->queryHistory().size() > 0);

    // Sorted by the added field, most first, and limited on it.
    view->queryState().SortCode = field;
    // Built in steps: GCC 12 at -O3 warns falsely (-Wrestrict) on "E" + std::to_string(...).
    const std::string limit = QStringLiteral("E%1!%2!!").arg(field).arg(from).toStdString();
    QVERIFY(view->queryState().AppendGroup({limit}));
    if (!other.isEmpty())
        QVERIFY(view->queryState().AppendGroup({other.toStdString()}));
    QVERIFY(view->refreshView());
    const int shown = view->records().shownRecords();
    QVERIFY2(shown > 3, qPrintable(QString::number(shown)));
    // Every added column has figures on the first rows.
    for (int column = own; column < all; ++column) {
        bool some = false;
        for (int position = 0; position < std::min(shown, 10); ++position)
            some = some || !Shown(*view, column, position).isEmpty();
        QVERIFY2(some, qPrintable(ColumnTitle(kind, column)));
    }
    QCOMPARE(RowRank(2, shown), 1);
    QCOMPARE(RowRank(shown + 2, shown), 0); // TOTALS

    const QStringList csv = CsvLines(*view);
    QCOMPARE(csv.size(), shown + 1);
    const QList<int> columns = ShownColumns(*view->DrawGrid1);
    QStringList titles;
    for (const int column : columns)
        titles << ColumnTitle(kind, column);
    QCOMPARE(CsvFields(csv[0]), titles);
    // The rows the grid shows, in its order: the identifying columns and the
    // added ones.
    const int rows = std::min(view->DrawGrid1->visibleRowCount(), shown);
    for (int position = 0; position < rows; ++position) {
        const QStringList fields = CsvFields(csv[position + 1]);
        QCOMPARE(fields.size(), columns.size());
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const int column = columns[i];
            if (column > 2 && column < own)
                continue;
            const QString grid = Shown(*view, column, position);
            const QString file = fields[i].trimmed();
            // The CSV may write a figure under 1 with its leading zero.
            QVERIFY2(grid == file || QStringLiteral("0") + grid == file,
                     qPrintable(QStringLiteral("row %1 %2: grid \"%3\", CSV \"%4\"")
                                    .arg(position)
                                    .arg(titles[i], grid, file)));
        }
    }

    // Off again: the own columns only, no rank header, the limit on the
    // added field gone, and requests without the option.
    SetMoreColumns(*view, false);
    QCOMPARE(view->DrawGrid1->colCount(), own);
    QVERIFY(!view->RankHeader1->isVisible());
    QCOMPARE(view->DrawGrid1->x(), 0);
    QCOMPARE(view->queryState().SelectionCount, other.isEmpty() ? 0 : 2);
    QVERIFY(!view->HttpCli1().URL().contains(QStringLiteral("more")));
    // Undo steps back to the option on, with its sort and limit.
    QVERIFY(view->undoQuery());
    QVERIFY(view->queryState().MoreColumns);
    QCOMPARE(view->queryState().SortCode, field);
    QCOMPARE(view->DrawGrid1->colCount(), all);
    QCOMPARE(view->records().shownRecords(), shown);
}

QTEST_MAIN(TestMoreService)
#include "test_moreservice.moc"
