// The statistics engine refusing what it cannot read (status and reason), accepting the
// line-end variants, answering alike from several threads, and failing on a missing file.
#include <QtTest>

#include <QTemporaryDir>

#include <atomic>
#include <thread>

#include "service/engine/engine.h"
#include "service/engine/sqlitedb.h"
#include "tests/service/test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::RequestError;
using bbstatsd::Table;
using namespace enginetest;

class TestEngineRequests : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Engine> m_engine;

private slots:
    void initTestCase() { m_engine = std::make_unique<Engine>(dbPath()); }

    void malformedRequests_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        const int bat = int(Table::Batters);
        QTest::newRow("empty") << bat << QByteArray() << 400 << "0x1A";
        QTest::newRow("no end byte") << bat << QByteArray("0!30!300!\r\n*\r\n") << 400 << "0x1A";
        QTest::newRow("data after end")
            << bat << QByteArray("0!30!300!\r\n*\r\n\x1aXY") << 400 << "after";
        QTest::newRow("only end byte") << bat << QByteArray("\x1a") << 400 << "empty";
        QTest::newRow("bad position")
            << bat << QByteArray("x!30!300!\r\n*\r\n\x1a") << 400 << "position";
        QTest::newRow("negative rows")
            << bat << QByteArray("0!-3!300!\r\n*\r\n\x1a") << 400 << "row count";
        QTest::newRow("too many rows")
            << bat << QByteArray("0!1001!300!\r\n*\r\n\x1a") << 400 << "row count";
        QTest::newRow("no closing mark")
            << bat << QByteArray("0!30!300\r\n*\r\n\x1a") << 400 << "first line";
        QTest::newRow("unknown sort code")
            << bat << QByteArray("0!30!57!\r\n*\r\n\x1a") << 400 << "unknown sort code 57";
        QTest::newRow("code past the list")
            << bat << QByteArray("0!30!131!\r\n*\r\n\x1a") << 400 << "unknown sort code 131";
        QTest::newRow("text sort code")
            << bat << QByteArray("0!30!ab!\r\n*\r\n\x1a") << 400 << "not a number";
        QTest::newRow("pair short")
            << bat << QByteArray("0!30!B!1!\r\n*\r\n\x1a") << 400 << "needs 2 sort codes";
        QTest::newRow("quad long")
            << bat << QByteArray("0!30!Z!1!2!3!4!5!\r\n*\r\n\x1a") << 400 << "needs 4";
        QTest::newRow("unknown form")
            << bat << QByteArray("0!30!Q!\r\n*\r\n\x1a") << 400 << "unknown sort form";
        QTest::newRow("unknown item") << bat << QByteArray("0!30!300!\r\nX1\r\n*\r\n\x1a") << 400
                                      << "unknown selection item kind 'X'";
        QTest::newRow("empty item line")
            << bat << QByteArray("0!30!300!\r\n\r\n*\r\n\x1a") << 400 << "empty selection line";
        QTest::newRow("binary") << bat << QByteArray("0!30!300!\r\n\0*\r\n\x1a", 16) << 400
                                << "binary";
        QTest::newRow("limit field missing")
            << bat << QByteArray("0!30!300!\r\nE31!1!2!\r\n*\r\n\x1a") << 400
            << "limit on field 31";
        QTest::newRow("limit without bounds")
            << bat << QByteArray("0!30!300!\r\nE5\r\n*\r\n\x1a") << 400 << "lacks its bounds";
        QTest::newRow("limit extra field")
            << bat << QByteArray("0!30!300!\r\nE5!1!2!3!\r\n*\r\n\x1a") << 400 << "too many fields";
        QTest::newRow("position in batters")
            << bat << QByteArray("0!30!300!\r\nGSS\r\n*\r\n\x1a") << 400 << "no position selection";
        QTest::newRow("player list of teams")
            << int(Table::Teams) << QByteArray("0!0!A!\r\n*\r\n\x1a") << 400 << "no player list";
        QTest::newRow("position list of pitchers")
            << int(Table::Pitchers) << QByteArray("0!0!G!\r\n*\r\n\x1a") << 400
            << "no position list";
        QTest::newRow("teams field 67") << int(Table::Teams) << QByteArray("0!30!67!\r\n*\r\n\x1a")
                                        << 400 << "unknown sort code 67";
        QByteArray big("0!30!300!\r\n");
        while (big.size() <= 64 * 1024) {
            big += "BNew York Yankees\r\n";
        }
        QTest::newRow("over 64 KiB") << bat << (big + "*\r\n\x1a") << 413 << "64 KiB";
        // Requests within the line bound whose evaluation would cost far more than any real
        // query: hundreds of limits tested on every row, in one group or one to a group, and
        // limits on a text field that each compare every name.
        const int fld = int(Table::Fielders);
        QByteArray limits("0!40!Z!105!6!101!7!\r\n");
        QByteArray groups = limits;
        QByteArray names = limits;
        for (int item = 0; item < 250; ++item) {
            limits += "E5!99999!99998\r\nE6!99999!99998\r\n";
            groups += "E5!1!2\r\n*\r\n";
            names += "E0!Zz!Aa\r\nE0!Zy!Ab\r\n";
        }
        QTest::newRow("limits matching nothing")
            << fld << (limits + "\x1a") << 400 << "would test about";
        QTest::newRow("a limit to a group")
            << fld << (groups + "\x1a") << 400 << "would test about";
        QTest::newRow("text limits") << fld << (names + "\x1a") << 400 << "would test about";
        // Past the most lines a client sends, refused before any item is read.
        QByteArray lines("0!30!300!\r\n");
        for (int item = 0; item < 500; ++item) {
            lines += "C2000\r\n";
        }
        QTest::newRow("501 selection lines")
            << bat << (lines + "*\r\n\x1a") << 400 << "too costly: more than 500 selection lines";
    }

    void malformedRequests() {
        QFETCH(int, table);
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QString, reason);
        try {
            m_engine->answer(static_cast<Table>(table),
                             std::string_view(request.constData(), request.size()));
            QFAIL("request accepted");
        } catch (const RequestError& e) {
            QCOMPARE(e.status(), status);
            const QString what = QString::fromStdString(e.what());
            QVERIFY2(what.contains(reason), qPrintable(what));
            QVERIFY(!what.contains('\r') && !what.contains('\n'));
        }
    }

    void acceptedVariants() {
        // Lone LF line ends, a final group without "*", line ends after the end byte.
        const std::string reply = m_engine->answer(Table::Teams, "0!1!100!\nC2001\n\x1a\r\n");
        QCOMPARE(splitReply(reply)[0], std::string("30"));
        // The heaviest ordinary queries stay within the bound: a four-key sort of every
        // fielder, and one narrowed by every season and a dozen limits that keep every row.
        const std::string all =
            m_engine->answer(Table::Fielders, "0!1!Z!105!6!101!7!\r\n*\r\n\x1a");
        std::string narrowed = "0!1!Z!105!6!101!7!\r\n";
        for (int year = 1871; year <= 2030; ++year) {
            // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal
            // joined to a temporary string.
            narrowed.append(1, 'C').append(std::to_string(year)).append("\r\n");
        }
        narrowed += "*\r\n";
        for (int limit = 0; limit < 12; ++limit) {
            narrowed += "E5!!\r\n*\r\n";
        }
        QCOMPARE(splitReply(m_engine->answer(Table::Fielders, narrowed + "\x1a"))[0],
                 splitReply(all)[0]);
        // As many selection lines as a client may send (the ten seasons of the 1990s named
        // again and again, then "*") select what the ten named once do.
        std::string most = "0!1!16!\r\n";
        std::string once = most;
        for (int item = 0; item < 499; ++item) {
            most.append(1, 'C').append(std::to_string(1990 + item % 10)).append("\r\n");
        }
        for (int year = 1990; year < 2000; ++year) {
            once.append(1, 'C').append(std::to_string(year)).append("\r\n");
        }
        QCOMPARE(splitReply(m_engine->answer(Table::Batters, most + "*\r\n\x1a"))[0],
                 splitReply(m_engine->answer(Table::Batters, once + "*\r\n\x1a"))[0]);
    }

    void concurrentAnswersAgree() {
        const std::vector<std::string> bodies = {
            body("0!20!Z!4!101!12!107!"), body("50!20!16!", {"C1961", "*"}),
            body("0!10!118!", {"E7!300!!", "*"}), body("0!0!A!", {"BSeattle Mariners", "*"})};
        std::vector<std::string> expected;
        for (const std::string& b : bodies) {
            expected.push_back(m_engine->answer(Table::Batters, b));
        }
        Engine fresh(dbPath(), 1 << 20);
        std::vector<std::thread> threads;
        std::atomic<int> mismatches{0};
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 12; ++i) {
                    const std::size_t q = static_cast<std::size_t>(t + i) % bodies.size();
                    if (fresh.answer(Table::Batters, bodies[q]) != expected[q]) {
                        ++mismatches;
                    }
                }
            });
        }
        for (auto& th : threads) {
            th.join();
        }
        QCOMPARE(mismatches.load(), 0);
    }

    void unreadableDatabase_data() {
        QTest::addColumn<QString>("content"); // empty: the file does not exist
        QTest::newRow("missing file") << QString();
        QTest::newRow("not a database") << "just some text, no SQLite header";
        // Figures of earlier definitions are not served: the file must be imported again.
        QTest::newRow("earlier import") << "format 1";
    }

    void unreadableDatabase() {
        QFETCH(QString, content);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/lahman.db").toStdString();
        if (content == "format 1") {
            bbstatsd::SqliteDb db(path, false);
            db.exec("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                    "INSERT INTO meta VALUES ('format', '1')");
        } else if (!content.isEmpty()) {
            QFile f(QString::fromStdString(path));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content.toUtf8().repeated(200));
        }
        try {
            Engine e(path);
            QFAIL("engine opened an unusable file");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString(e.what()).contains(QString::fromStdString(path)), e.what());
            QVERIFY2(content != "format 1" || QString(e.what()).contains("import the data again"),
                     e.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestEngineRequests)
#include "test_engine_requests.moc"
