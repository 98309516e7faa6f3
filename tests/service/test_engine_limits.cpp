// Limits on the decimal fields, on the real data imported by the lahman_db fixture: on every
// decimal field of the four tables, a limit with bounds taken from the figures the field sends
// keeps exactly the rows whose figure, as sent (and so as shown), lies inside the bounds as a
// user types them; a one-sided limit agrees with a two-sided one; a missing figure is inside
// no limit, not even one with both bounds empty.
#include <QtTest>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "service/engine/engine.h"
#include "service/engine/recordtexts.h"
#include "service/engine/resultcache.h"
#include "service/engine/schema.h"
#include "tests/service/test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::FieldKind;
using bbstatsd::Table;

namespace {

// The figures one decimal field sends, in units of their last decimal ("0.274" is 274,
// "304.2" is 3042), with the text of each.
struct Field {
    int sortNo = 0;
    int line = 0;
    std::map<long long, std::string> text; // units -> the text sent
    std::vector<long long> present;        // units of every row with a figure, sorted
};

long long unitsOf(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c != '.') {
            digits += c;
        }
    }
    return std::stoll(digits);
}

// The bound a user types for a sent figure: ".300" for "0.300", "-4.0" and "304.2" as sent.
std::string typed(const std::string& sent) {
    return sent.rfind("0.", 0) == 0 ? sent.substr(1) : sent;
}

} // namespace

class TestEngineLimits : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Engine> m_engine;

    long long count(Table t, int sortNo, const std::string& min, const std::string& max) {
        const std::string item = "E" + std::to_string(sortNo) + "!" + min + "!" + max + "!";
        const enginetest::Lines lines =
            enginetest::splitReply(m_engine->answer(t, enginetest::body("0!0!300!", {item, "*"})));
        return std::stoll(lines.at(0));
    }

    // Every decimal field of a table with the figures of all its rows.
    std::vector<Field> fieldsOf(Table t, long long& rows) {
        const bbstatsd::TableDef& def = bbstatsd::tableDef(t);
        std::vector<Field> fields;
        for (std::size_t line = 0; line < def.fields.size(); ++line) {
            const FieldKind kind = def.fields[line].kind;
            if (kind == FieldKind::Ratio || kind == FieldKind::Real || kind == FieldKind::Innings) {
                fields.push_back({def.fields[line].sortNo, static_cast<int>(line), {}, {}});
            }
        }
        // Missing figures are sent as the table's marker: 1000000 or -1.
        const std::string marker = def.missingReal > 0 ? "1000000." : "-1.";
        const bbstatsd::ResultRows whole = m_engine->wholeResult(t, enginetest::body("0!0!300!"));
        rows = static_cast<long long>(whole.result->rows.size());
        for (const std::uint32_t row : whole.result->rows) {
            const std::string_view record = whole.texts->record(row);
            std::vector<std::string_view> lines;
            for (std::size_t at = 0; at < record.size();) {
                const std::size_t end = record.find("\r\n", at);
                lines.push_back(record.substr(at, end - at));
                at = end + 2;
            }
            for (Field& f : fields) {
                const std::string_view text = lines.at(static_cast<std::size_t>(f.line));
                if (text.rfind(marker, 0) == 0) {
                    continue;
                }
                const long long units = unitsOf(text);
                f.present.push_back(units);
                f.text.try_emplace(units, text);
            }
        }
        for (Field& f : fields) {
            std::sort(f.present.begin(), f.present.end());
        }
        return fields;
    }

private slots:
    void initTestCase() { m_engine = std::make_unique<Engine>(enginetest::dbPath()); }

    void decimalFieldsCompareAsShown() {
        int checked = 0;
        int withMissing = 0; // fields some rows lack, whose limits must leave those rows out
        for (const Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
            long long rows = 0;
            for (const Field& f : fieldsOf(t, rows)) {
                const auto& p = f.present;
                const QByteArray where =
                    QByteArray::number(int(t)) + " field " + QByteArray::number(f.sortNo);
                QVERIFY2(!p.empty(), where);
                const auto below = [&](long long v) {
                    return std::lower_bound(p.begin(), p.end(), v) - p.begin();
                };
                const auto atMost = [&](long long v) {
                    return std::upper_bound(p.begin(), p.end(), v) - p.begin();
                };
                // Bounds from the figures present: the commonest, the median, and .300 where
                // the field shows it.
                long long commonest = p.front();
                long long most = 0;
                for (auto at = p.begin(); at != p.end();) {
                    const auto next = std::upper_bound(at, p.end(), *at);
                    if (next - at > most) {
                        most = next - at;
                        commonest = *at;
                    }
                    at = next;
                }
                const long n = static_cast<long>(p.size());
                std::vector<long long> bounds{commonest, p[p.size() / 2]};
                if (f.text.count(300) && f.text.at(300) == "0.300") {
                    bounds.push_back(300);
                }
                for (const long long v : bounds) {
                    const std::string bound = typed(f.text.at(v));
                    const QByteArray what = where + " bound " + QByteArray(bound.c_str());
                    QVERIFY2(count(t, f.sortNo, bound, bound) == atMost(v) - below(v), what);
                    QVERIFY2(count(t, f.sortNo, bound, "") == n - below(v), what);
                    QVERIFY2(count(t, f.sortNo, "", bound) == atMost(v), what);
                    if (v >= 0) {
                        // A bound between two shown figures: from it keeps those above v.
                        QVERIFY2(count(t, f.sortNo, bound + "5", "") == n - atMost(v), what);
                    }
                    ++checked;
                }
                // One-sided, two-sided and open limits agree: each keeps every present figure
                // and no missing one.
                const std::string low = typed(f.text.at(p.front()));
                const std::string high = typed(f.text.at(p.back()));
                QVERIFY2(count(t, f.sortNo, low, high) == n, where);
                QVERIFY2(count(t, f.sortNo, low, "") == n, where);
                QVERIFY2(count(t, f.sortNo, "", "") == n, where);
                withMissing += n < rows ? 1 : 0;
            }
        }
        QVERIFY(checked >= 2 * (3 + 4 + 3 + 10));
        QVERIFY(withMissing >= 10);
    }
};

QTEST_GUILESS_MAIN(TestEngineLimits)
#include "test_engine_limits.moc"
