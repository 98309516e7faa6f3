// The order of a sort, on the real data imported by the lahman_db fixture: for random sorts of
// one to four keys on the columns of the four tables and of combined season and career lines,
// over every row and over random selections of rows, the engine's order is the one a plain
// comparison of the values gives: ascending or descending per key, a missing value last in
// either direction, texts in the text order (a one-letter code byte by byte), decimal figures
// by the figure as shown, and ties kept in default order. The keys with the most distinct
// values are sorted together too, so that sorts too wide for one 64-bit key are checked.
#include <QtTest>

#include <algorithm>
#include <bit>
#include <iterator>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "service/engine/lines.h"
#include "service/engine/query.h"
#include "service/engine/shownfigure.h"
#include "service/engine/sqlitedb.h"
#include "service/engine/tabledata.h"
#include "tests/service/test_engine_support.h"

using namespace bbstatsd;

namespace {

// The value of each row on one line, read as the user sees it, for a plain comparison.
struct KeyValues {
    bool text = false;
    bool exact = false;                // one-letter codes compare byte by byte
    std::vector<std::uint8_t> missing; // per row
    std::vector<double> number;        // numeric lines
    const Column* column = nullptr;    // text lines
};

KeyValues valuesOf(const TableData& data, int line) {
    const Column& c = data.column(line);
    KeyValues v;
    v.column = &c;
    v.text = c.isText();
    v.exact = c.kind == FieldKind::Char;
    v.missing.resize(data.rows());
    if (v.text) {
        for (std::uint32_t r = 0; r < data.rows(); ++r) {
            v.missing[r] = c.ids[r] == c.missingId;
        }
        return v;
    }
    v.number.resize(data.rows());
    std::optional<ShownLine> shown;
    if (shownDecimals(data.def(), line) >= 0) {
        shown.emplace(data, line);
    }
    for (std::uint32_t r = 0; r < data.rows(); ++r) {
        long long units = 0;
        double x = 0;
        const bool present = shown ? shown->units(r, units) : c.number(r, x);
        v.missing[r] = !present;
        v.number[r] = shown ? static_cast<double>(units) : x;
    }
    return v;
}

// -1, 0 or 1 as row a orders before, with or after row b on one key.
int compareOn(const KeyValues& v, bool ascending, std::uint32_t a, std::uint32_t b) {
    if (v.missing[a] || v.missing[b]) {
        return v.missing[a] == v.missing[b] ? 0 : (v.missing[a] ? 1 : -1);
    }
    int r = 0;
    if (v.text) {
        const std::string& x = v.column->dict[v.column->ids[a]];
        const std::string& y = v.column->dict[v.column->ids[b]];
        r = v.exact ? x.compare(y) : compareText(x, y);
        r = r < 0 ? -1 : (r > 0 ? 1 : 0);
    } else {
        r = v.number[a] < v.number[b] ? -1 : (v.number[a] > v.number[b] ? 1 : 0);
    }
    return ascending ? r : -r;
}

std::string describe(const TableData& data, const std::vector<SortKey>& keys) {
    std::string text = data.def().sqlName;
    for (const SortKey& k : keys) {
        text.append(" ").append(data.def().fields[static_cast<std::size_t>(k.line)].column);
        text.append(k.ascending ? "+" : "-");
    }
    return text;
}

} // namespace

class TestEngineSortOrder : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SqliteDb> m_db;
    std::vector<std::unique_ptr<TableData>> m_tables; // Batters, Pitchers, Fielders, Teams
    std::vector<std::shared_ptr<const LinesTable>> m_lines;
    std::mt19937 m_random{20261208};
    int m_wide = 0; // sorts whose keys take more than 64 bits

    // Sorts rows by keys with the engine and with a plain comparison; fails on the first row
    // where the orders differ.
    void check(const TableData& data, const std::vector<SortKey>& keys,
               const std::vector<std::uint32_t>& rows) {
        std::vector<KeyValues> values;
        int bits = std::bit_width(data.rows());
        for (const SortKey& k : keys) {
            values.push_back(valuesOf(data, k.line));
            bits += std::bit_width(data.ranked(k.line).distinct);
        }
        m_wide += bits > 64;
        std::vector<std::uint32_t> expected = rows;
        std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (const int r = compareOn(values[i], keys[i].ascending, a, b); r != 0) {
                    return r < 0;
                }
            }
            return false;
        });
        std::vector<std::uint32_t> sorted = rows;
        sortRows(data, keys, sorted);
        const auto differ = std::mismatch(sorted.begin(), sorted.end(), expected.begin());
        QVERIFY2(differ.first == sorted.end(),
                 qPrintable(QString::fromStdString(describe(data, keys)) +
                            QString(": row %1 of %2 differs (row %3, expected %4)")
                                .arg(differ.first - sorted.begin())
                                .arg(rows.size())
                                .arg(differ.first == sorted.end() ? 0 : *differ.first)
                                .arg(differ.first == sorted.end() ? 0 : *differ.second)));
    }

    void randomSorts(const TableData& data, int count) {
        std::vector<int> lines;
        for (std::size_t i = 0; i < data.def().fields.size(); ++i) {
            if (data.def().fields[i].sortNo >= 0) {
                lines.push_back(static_cast<int>(i));
            }
        }
        std::vector<std::uint32_t> all(data.rows());
        std::iota(all.begin(), all.end(), 0u);
        for (int n = 0; n < count; ++n) {
            std::shuffle(lines.begin(), lines.end(), m_random);
            std::vector<SortKey> keys;
            const int width = static_cast<int>(m_random() % 4) + 1;
            for (int k = 0; k < width; ++k) {
                keys.push_back({lines[static_cast<std::size_t>(k)], m_random() % 2 == 0});
            }
            // Every other sort takes a random selection of about a tenth of the rows.
            std::vector<std::uint32_t> rows;
            if (n % 2 == 0) {
                rows = all;
            } else {
                std::copy_if(all.begin(), all.end(), std::back_inserter(rows),
                             [&](std::uint32_t) { return m_random() % 10 == 0; });
            }
            check(data, keys, rows);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        // The four lines with the most distinct values, in both directions.
        std::sort(lines.begin(), lines.end(),
                  [&](int a, int b) { return data.ranked(a).distinct > data.ranked(b).distinct; });
        std::vector<SortKey> widest;
        for (std::size_t k = 0; k < std::min<std::size_t>(4, lines.size()); ++k) {
            widest.push_back({lines[k], k % 2 == 1});
        }
        check(data, widest, all);
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<SqliteDb>(enginetest::dbPath(), true);
        for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
            m_tables.push_back(std::make_unique<TableData>(*m_db, tableDef(t)));
        }
        const Schedule schedule(*m_tables[3]);
        for (std::size_t t = 0; t < 3; ++t) {
            std::vector<std::uint32_t> all(m_tables[t]->rows());
            std::iota(all.begin(), all.end(), 0u);
            m_lines.push_back(combineLines(*m_tables[t], all, LinesMode::Season, schedule));
            m_lines.push_back(combineLines(*m_tables[t], all, LinesMode::Career, schedule));
        }
    }

    void stintRowsAsCompared_data() {
        QTest::addColumn<int>("table");
        QTest::newRow("Batters") << 0;
        QTest::newRow("Pitchers") << 1;
        QTest::newRow("Fielders") << 2;
        QTest::newRow("Teams") << 3;
    }

    void stintRowsAsCompared() {
        QFETCH(int, table);
        randomSorts(*m_tables[static_cast<std::size_t>(table)], 12);
    }

    void combinedLinesAsCompared_data() {
        QTest::addColumn<int>("lines");
        QTest::newRow("Batters season") << 0;
        QTest::newRow("Batters career") << 1;
        QTest::newRow("Pitchers season") << 2;
        QTest::newRow("Pitchers career") << 3;
        QTest::newRow("Fielders season") << 4;
        QTest::newRow("Fielders career") << 5;
    }

    void combinedLinesAsCompared() {
        QFETCH(int, lines);
        randomSorts(*m_lines[static_cast<std::size_t>(lines)]->data, 8);
    }

    void cleanupTestCase() {
        // The widest sorts must have taken the path for keys of more than 64 bits somewhere.
        QVERIFY(m_wide > 0);
    }
};

QTEST_GUILESS_MAIN(TestEngineSortOrder)
#include "test_engine_sortorder.moc"
