// The CSV export against a hostile service on loopback: a reply stating more
// than the largest export and one streaming rows without end both fail
// within the export's bound, leave no file and keep an old one whole.

#include <memory>

#include <QtTest>

#include "tests/views/viewtestsupport.h"
#include "views/csvexporter.h"
#include "views/databaseviews.h"
#include "views/statisticsview.h"

class TestExportBounds : public QObject {
    Q_OBJECT
private slots:
    void hostileExportFails_data();
    void hostileExportFails();
};

void TestExportBounds::hostileExportFails_data() {
    QTest::addColumn<bool>("endless");
    QTest::newRow("stated length past the largest export") << false;
    QTest::newRow("rows without end and no stated length") << true;
}

void TestExportBounds::hostileExportFails() {
    QFETCH(bool, endless);
    const QByteArray row = "Babe Ruth,1927,NYA,60\r\n";
    FloodServer flood("HTTP/1.0 200 OK\r\nContent-Type: text/csv\r\n\r\n", row);
    RecordingServer server;
    const RecordingServer::Responder pages =
        FakeService(DatabaseKind::Batters, {{"Babe Ruth", "1927"}, {"Lou Gehrig", "1927"}});
    server.setResponder([&](const QByteArray& request) -> QByteArray {
        if (!RequestPath(request).contains(".csv"))
            return pages(request);
        if (endless)
            return "HTTP/1.0 302 Found\r\nLocation: http://" + flood.hostPort().toLatin1() +
                   "/cgi-bin/getbat.csv\r\n\r\n";
        return HttpReply("200 OK", row,
                         "Content-Length: " + QByteArray::number(CsvExporter::MaxReplyBytes + 1) +
                             "\r\n");
    });
    std::unique_ptr<StatisticsView> view(CreateStatisticsView(
        DatabaseKind::Batters, Hosts(server.hostPort(), server.hostPort(), server.hostPort())));
    view->resize(800, 600);
    view->show();
    QVERIFY(view->refreshView());

    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("batters.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old export\r\n");
    }
    CsvExporter exporter;
    // Past twice the bound the export has none: stop it rather than fill the disk.
    const qint64 tooMany = 2 * CsvExporter::MaxReplyBytes / row.size();
    exporter.setProgressHook([&](qint64 rows) {
        if (rows > tooMany)
            exporter.cancel();
    });
    QString message;
    QCOMPARE(exporter.exportTo(*view, path, &message), CsvExporter::Outcome::Failed);
    QVERIFY2(message.contains(
                 QStringLiteral("reply larger than %1 bytes").arg(CsvExporter::MaxReplyBytes)),
             qPrintable(message));
    // The client gave up on the reply: no refusal of the service's.
    QVERIFY2(!message.contains(QStringLiteral("refused")), qPrintable(message));
    if (endless) {
        qInfo("bytes the flood handed over: %lld", flood.bytesSent());
        QVERIFY(flood.bytesSent() >= CsvExporter::MaxReplyBytes - 1024 * 1024);
    } else {
        QCOMPARE(flood.bytesSent(), qint64{0});
    }
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("batters.csv")});
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old export\r\n"));
}

QTEST_MAIN(TestExportBounds)
#include "test_exportbounds.moc"
