#include <algorithm>
#include <memory>

#include <QBuffer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "fakequerytarget.h"
#include "protocol/httpcli.h"
#include "query/queryoperations.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "tests/support/csvfields.h"

namespace {

// Rows of a CSV file as maps from column name to text.
QList<QHash<QString, QString>> ReadCsv(const QString& path) {
    QList<QHash<QString, QString>> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return rows;
    const QStringList header = CsvFields(QString::fromUtf8(file.readLine()).trimmed());
    while (!file.atEnd()) {
        const QStringList fields = CsvFields(QString::fromUtf8(file.readLine()).trimmed());
        QHash<QString, QString> row;
        for (qsizetype i = 0; i < header.size() && i < fields.size(); ++i)
            row.insert(header[i], fields[i]);
        rows.append(row);
    }
    return rows;
}

// A batters view whose requests go to a running statistics service.
class ServiceTarget : public FakeQueryTarget {
public:
    explicit ServiceTarget(const QString& host) : FakeQueryTarget(DatabaseKind::Batters) {
        m_http.setURL(host + QStringLiteral("/cgi-bin/getbat.exe"));
        m_http.setTimeouts(60000, 60000);
    }

    bool refreshView() override {
        FakeQueryTarget::refreshView();
        const std::string reply = post(pageRequest()).toStdString();
        const std::vector<std::string_view> lines = SplitReplyLines(reply);
        total =
            lines.empty() ? -1 : QByteArray(lines[0].data(), qsizetype(lines[0].size())).toInt();
        return true;
    }

    ListResult requestList(ListKind kind) override {
        FakeQueryTarget::requestList(kind);
        ListResult result;
        const QByteArray reply = post(ListRequest(queryState(), kind));
        if (ListEntries(reply.toStdString(), result.entries))
            result.result = FetchResult::Done;
        return result;
    }

    // The Year line of each of the first `rows` records of the result.
    QStringList years(int rows) {
        const std::string reply = post(PageRequest(queryState(), 0, rows)).toStdString();
        const std::vector<std::string_view> lines = SplitReplyLines(reply);
        QStringList found;
        for (int r = 0; r < rows; ++r) {
            const std::size_t at = 1 + static_cast<std::size_t>(r) * 31 + 1;
            if (at < lines.size())
                found.append(QString::fromUtf8(lines[at].data(), qsizetype(lines[at].size())));
        }
        return found;
    }

    int total = -1;

private:
    QByteArray post(const std::string& body) {
        QBuffer request;
        request.setData(QByteArray::fromStdString(body));
        request.open(QIODevice::ReadOnly);
        QBuffer reply;
        reply.open(QIODevice::WriteOnly);
        m_http.setSendStream(&request);
        m_http.setRcvdStream(&reply);
        try {
            m_http.Post();
        } catch (const EHttpException& error) {
            qWarning("POST failed: %s", qPrintable(error.Message()));
            return {};
        }
        return reply.data();
    }

    THttpCli m_http;
};

} // namespace

// Select and Limit as the running service applies them to the real data.
class TestQueryService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void teamAndHomeRunLimit();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_service;
    QString m_host;
};

void TestQueryService::initTestCase() {
    const QString db = qEnvironmentVariable("BBSTATS_TEST_DB");
    QVERIFY2(!db.isEmpty(), "BBSTATS_TEST_DB is not set");
    QVERIFY(m_dir.isValid());
    m_service = std::make_unique<QProcess>();
    m_service->start(QStringLiteral(BBSTATSD_PATH), {"serve", "--db", db, "--listen", "127.0.0.1:0",
                                                     "--events", m_dir.filePath("events.db")});
    QVERIFY(m_service->waitForStarted());
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QString output;
    const bool up = QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(m_service->readAllStandardOutput());
            return listening.match(output).hasMatch() || m_service->state() != QProcess::Running;
        },
        240000);
    const QRegularExpressionMatch match = listening.match(output);
    QVERIFY2(up && match.hasMatch(), qPrintable(output + m_service->readAllStandardError()));
    m_host = match.captured(1);
}

void TestQueryService::cleanupTestCase() {
    if (m_service && m_service->state() != QProcess::NotRunning) {
        m_service->terminate();
        if (!m_service->waitForFinished(20000))
            m_service->kill();
        m_service->waitForFinished(5000);
    }
}

void TestQueryService::teamAndHomeRunLimit() {
    const QString team = QStringLiteral("Boston Red Sox");
    const int minimum = 30;

    // The seasons counted straight from the CSV files: the club's name in
    // Teams for (team, year), home runs from Batting.
    QString csvDir = qEnvironmentVariable("LAHMAN_DIR");
    if (csvDir.isEmpty())
        csvDir = QStringLiteral(LAHMAN_CSV_DIR);
    QSet<QString> clubSeasons;
    for (const auto& row : ReadCsv(csvDir + "/Teams.csv")) {
        if (row.value("name") == team)
            clubSeasons.insert(row.value("teamID") + "/" + row.value("yearID"));
    }
    QVERIFY2(!clubSeasons.isEmpty(), qPrintable(csvDir));
    QStringList expectedYears;
    for (const auto& row : ReadCsv(csvDir + "/Batting.csv")) {
        bool number = false;
        const int homeRuns = row.value("HR").toInt(&number);
        if (number && homeRuns >= minimum &&
            clubSeasons.contains(row.value("teamID") + "/" + row.value("yearID")))
            expectedYears.append(row.value("yearID"));
    }
    std::sort(expectedYears.begin(), expectedYears.end());
    QVERIFY(expectedYears.size() > 10);

    ServiceTarget view(m_host);
    TBtnRightDlg1 select;
    bool listed = false;
    OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnRightDlg1*>(modal);
        const QList<QListWidgetItem*> found = dialog->ListBox1->findItems(team, Qt::MatchExactly);
        listed = found.size() == 1;
        if (listed)
            found.front()->setSelected(true);
        dialog->OKBtn->click();
    });
    SelectRecords(view, select, SelectWhat::Team);
    QVERIFY(listed);

    TBtnRightDlg limit;
    OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnRightDlg*>(modal);
        dialog->ListBox1->setCurrentRow(16); // "HR  - Home Runs"
        dialog->Edit1->setText(QString::number(minimum));
        dialog->OKBtn->click();
    });
    LimitRecords(view, limit);
    QCOMPARE(view.pageRequest(),
             std::string("0!20!300!\r\nBBoston Red Sox\r\n*\r\nE16!30!9999!\r\n*\r\n\x1a"));
    QCOMPARE(view.total, expectedYears.size());

    QStringList years = view.years(view.total);
    std::sort(years.begin(), years.end());
    QCOMPARE(years, expectedYears);
}

QTEST_MAIN(TestQueryService)
#include "test_queryservice.moc"
