// The record texts written at load time against the record writer, on the real data imported
// by the lahman_db fixture: every record of the four tables and of their combined lines, and
// whole page replies of the engine against pages put together line by line from the same query;
// and the narrow storage of the columns behind them.
#include <QtTest>

#include <algorithm>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "service/engine/engine.h"
#include "service/engine/lines.h"
#include "service/engine/morefields.h"
#include "service/engine/packedints.h"
#include "service/engine/query.h"
#include "service/engine/recordtexts.h"
#include "service/engine/recordwriter.h"
#include "service/engine/request.h"
#include "service/engine/sqlitedb.h"
#include "service/engine/tabledata.h"
#include "tests/service/test_engine_support.h"

using namespace bbstatsd;

namespace {

constexpr Table kTables[] = {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams};

} // namespace

class TestEngineRecordTexts : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SqliteDb> m_db;
    std::unique_ptr<TableData> m_tables[4];
    std::unique_ptr<RecordTexts> m_texts[4];
    std::unique_ptr<Engine> m_engine;

    const TableData& data(Table t) const { return *m_tables[static_cast<int>(t)]; }
    const RecordTexts& texts(Table t) const { return *m_texts[static_cast<int>(t)]; }

    // The page reply written field by field: the result of the same query, every record
    // formatted now, blank records past the end, the totals of the whole result.
    std::string formatted(Table t, const std::string& body) const {
        const TableData& d = data(t);
        const TableDef& def = d.def();
        const ParsedRequest req =
            parseRequest(body, {def.sortFieldCount, def.hasPlayers, def.positionLine >= 0});
        std::vector<std::uint32_t> rows = filterRows(d, req.groups);
        const std::string totals = totalsRecord(d, rows);
        sortRows(d, sortKeys(def, req.sortCodes), rows);
        std::string out = std::to_string(rows.size()) + "\r\n";
        for (std::uint64_t i = req.top; i < std::uint64_t(req.top) + req.rows; ++i) {
            if (i < rows.size()) {
                appendRecord(d, rows[i], out);
            } else {
                appendBlankRecord(def, out);
            }
        }
        return out + totals;
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<SqliteDb>(enginetest::dbPath(), true);
        for (Table t : kTables) {
            const int i = static_cast<int>(t);
            m_tables[i] = std::make_unique<TableData>(*m_db, tableDef(t));
            m_texts[i] = std::make_unique<RecordTexts>(*m_tables[i]);
        }
        m_engine = std::make_unique<Engine>(enginetest::dbPath());
    }

    void everyRecordAsWritten_data() {
        QTest::addColumn<int>("table");
        QTest::newRow("batters") << int(Table::Batters);
        QTest::newRow("pitchers") << int(Table::Pitchers);
        QTest::newRow("fielders") << int(Table::Fielders);
        QTest::newRow("teams") << int(Table::Teams);
    }

    // Every row, so records with missing values of every kind are among them; the count of
    // such rows shows that they were.
    void everyRecordAsWritten() {
        QFETCH(int, table);
        const Table t = static_cast<Table>(table);
        const TableData& d = data(t);
        QVERIFY(d.rows() > 0);
        std::string expected;
        std::uint32_t withMissing = 0;
        for (std::uint32_t row = 0; row < d.rows(); ++row) {
            expected.clear();
            appendRecord(d, row, expected);
            if (texts(t).record(row) != expected) {
                QFAIL(qPrintable(QStringLiteral("row %1 differs: \"%2\" vs \"%3\"")
                                     .arg(row)
                                     .arg(QString::fromStdString(std::string(texts(t).record(row))))
                                     .arg(QString::fromStdString(expected))));
            }
            for (std::size_t line = 0; line < d.def().fields.size(); ++line) {
                if (d.column(static_cast<int>(line)).missing(row)) {
                    ++withMissing;
                    break;
                }
            }
        }
        QVERIFY(withMissing > 0);
        std::string blank;
        appendBlankRecord(d.def(), blank);
        QCOMPARE(std::string(texts(t).blank()), blank);
    }

    // Combined lines refer to the text of the stint a line of one stint shows unchanged: each
    // line's record is still the one written from the line's own values, and a table whose
    // lines are mostly single stints holds far less text than a copy of it.
    void combinedLinesAsWritten() {
        const Schedule schedule(data(Table::Teams));
        for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders}) {
            std::vector<std::uint32_t> all(data(t).rows());
            std::iota(all.begin(), all.end(), 0u);
            for (LinesMode mode : {LinesMode::Season, LinesMode::Career}) {
                const auto lines = combineLines(data(t), all, mode, schedule, &texts(t));
                const RecordTexts copy(*lines->data);
                const TableData& d = *lines->data;
                std::string expected;
                for (std::uint32_t line = 0; line < d.rows(); ++line) {
                    expected.clear();
                    appendRecord(d, line, expected);
                    if (lines->texts->record(line) != expected) {
                        QFAIL(qPrintable(QStringLiteral("%1 line %2 differs: \"%3\" vs \"%4\"")
                                             .arg(d.def().sqlName)
                                             .arg(line)
                                             .arg(QString::fromStdString(
                                                 std::string(lines->texts->record(line))))
                                             .arg(QString::fromStdString(expected))));
                    }
                }
                std::vector<std::uint32_t> order(d.rows());
                std::iota(order.rbegin(), order.rend(), 0u);
                QCOMPARE(lines->texts->bytesOf(order.data(), order.data() + order.size()),
                         copy.bytesOf(order.data(), order.data() + order.size()));
                if (mode == LinesMode::Season) {
                    QVERIFY2(lines->texts->bytes() < copy.bytes() / 2, d.def().sqlName);
                }
            }
        }
    }

    // The records of the more-columns option keep only their added lines and read the rest
    // from the loaded table's (a line's from the plain line's): each record, whole or appended,
    // is still the one written from the option's own values, and holds a small part of a copy.
    void moreColumnsRecordsAsWritten() {
        const MoreFigures more(
            *m_db, {m_tables[0].get(), m_tables[1].get(), m_tables[2].get(), m_tables[3].get()});
        const Schedule schedule(data(Table::Teams));
        auto check = [](const TableData& d, const RecordTexts& texts) {
            std::string expected, appended;
            for (std::uint32_t row = 0; row < d.rows(); ++row) {
                expected.clear();
                appendRecord(d, row, expected);
                appended.clear();
                texts.appendTo(row, appended);
                if (texts.record(row) != expected || appended != expected ||
                    texts.size(row) != expected.size()) {
                    QFAIL(qPrintable(QStringLiteral("%1 row %2: \"%3\" vs \"%4\"")
                                         .arg(d.def().sqlName)
                                         .arg(row)
                                         .arg(QString::fromStdString(appended))
                                         .arg(QString::fromStdString(expected))));
                }
            }
            const RecordTexts copy(d);
            QVERIFY2(texts.bytes() < copy.bytes() / 3, d.def().sqlName);
        };
        for (Table t : kTables) {
            const std::unique_ptr<TableData> extended = more.extend(data(t));
            QVERIFY(extended->def().fields.size() > data(t).def().fields.size());
            std::vector<std::uint32_t> all(data(t).rows());
            std::iota(all.begin(), all.end(), 0u);
            const RecordTexts texts(*extended, this->texts(t), all);
            check(*extended, texts);
            if (!extended->def().hasPlayers) {
                continue;
            }
            for (LinesMode mode : {LinesMode::Season, LinesMode::Career}) {
                const auto plain = combineLines(data(t), all, mode, schedule, &this->texts(t));
                const auto lines =
                    combineLines(*extended, all, mode, schedule, &texts, &more, plain.get());
                QCOMPARE(lines->data->rows(), plain->data->rows());
                check(*lines->data, *lines->texts);
            }
        }
    }

    // The columns' narrow storage widens, at any point, without changing a value held: the
    // real data never sets a slot past its column's width after load, so it is walked here.
    void packedValuesSurviveWidening() {
        PackedInts<std::int32_t> counts;
        const std::vector<std::int32_t> values = {-1, 0, 254, 255, 65534, 65535, 1 << 20, -1};
        std::vector<int> widths;
        for (std::int32_t value : values) {
            counts.push_back(value);
            widths.push_back(counts.width());
        }
        QCOMPARE(widths, (std::vector<int>{1, 1, 1, 2, 2, 4, 4, 4}));
        for (std::size_t i = 0; i < values.size(); ++i) {
            QCOMPARE(counts[i], values[i]);
        }
        PackedInts<std::int32_t> set;
        set.assign(4, -1);
        set.set(1, 300);
        set.set(2, 70000);
        QCOMPARE(set.width(), 4);
        const std::vector<std::int32_t> read = set.visit([&](auto view) {
            return std::vector<std::int32_t>{view[0], view[1], view[2], view[3]};
        });
        QCOMPARE(read, (std::vector<std::int32_t>{-1, 300, 70000, -1}));
        PackedInts<std::uint32_t> ranks;
        ranks.assign(3, kMissingRank, 1000);
        QCOMPARE(ranks.width(), 2);
        ranks.set(0, 1000);
        QCOMPARE(ranks.width(), 2);
        QCOMPARE(ranks[0], 1000u);
        QCOMPARE(ranks[2], kMissingRank);
    }

    void pageRepliesAsWritten_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QStringList>("items");
        const int bat = int(Table::Batters), pit = int(Table::Pitchers);
        const int fld = int(Table::Fielders), tm = int(Table::Teams);
        QTest::newRow("batters, default order") << bat << "5000!40!300!" << QStringList();
        QTest::newRow("batters, home runs") << bat << "0!60!16!" << QStringList();
        QTest::newRow("batters, averages ascending, a season")
            << bat << "100!40!118!" << QStringList{"C1927", "*"};
        QTest::newRow("batters, last page and past the end")
            << bat << "128580!40!300!" << QStringList();
        QTest::newRow("pitchers, innings, two leagues")
            << pit << "0!40!15!" << QStringList{"DAL", "DNL", "*"};
        QTest::newRow("pitchers, earned run average, limit")
            << pit << "20!40!114!" << QStringList{"E15!100!!", "*"};
        QTest::newRow("fielders, four keys") << fld << "1000!50!Z!105!6!101!7!" << QStringList();
        QTest::newRow("fielders, catchers, past the end")
            << fld << "0!40!300!" << QStringList{"GC", "*", "C1880", "*"};
        QTest::newRow("teams, every record and blanks") << tm << "3600!30!300!" << QStringList();
        QTest::newRow("teams, a club")
            << tm << "0!200!100!" << QStringList{"BSeattle Mariners", "*"};
        QTest::newRow("no matches") << bat << "0!5!300!" << QStringList{"BNo Such Club", "*"};
        QTest::newRow("start far past the end") << tm << "2000000000!3!300!" << QStringList();
        QTest::newRow("no rows asked") << fld << "10!0!300!" << QStringList();
    }

    // The engine's reply, copied from the texts, is byte for byte the written one; asked twice
    // so that the second comes from the result cache.
    void pageRepliesAsWritten() {
        QFETCH(int, table);
        QFETCH(QString, first);
        QFETCH(QStringList, items);
        const Table t = static_cast<Table>(table);
        enginetest::Lines lines;
        for (const QString& item : items) {
            lines.push_back(item.toStdString());
        }
        const std::string request = enginetest::body(first.toStdString(), lines);
        const std::string expected = formatted(t, request);
        QVERIFY(expected.size() > 4);
        QCOMPARE(m_engine->answer(t, request), expected);
        QCOMPARE(m_engine->answer(t, request), expected);
    }
};

QTEST_GUILESS_MAIN(TestEngineRecordTexts)
#include "test_engine_recordtexts.moc"
