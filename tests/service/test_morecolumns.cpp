// The more-columns option ("more=1") on the real data imported by the lahman_db fixture: the
// published figures named one by one, and the option's fields on the page and CSV paths.
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "mainwindow/moredefinitions.h"
#include "service/csvexport.h"
#include "service/engine/engine.h"
#include "service/engine/lines.h"
#include "service/engine/moreschema.h"
#include "service/engine/recordtexts.h"
#include "service/engine/resultcache.h"
#include "service/engine/tabledata.h"
#include "tests/service/morecolumns_reference.h"
#include "tests/service/test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::Table;

namespace {

using enginetest::Lines;
using lahmancsv::Csv;
using morecolumnsref::agrees;
using morecolumnsref::batterFigures;
using morecolumnsref::kNaN;
using morecolumnsref::pitcherFigures;
using morecolumnsref::Stint;

// Lines of a record: Batters 31, Pitchers 31, Fielders 17, Teams 67, then the added ones.
constexpr int kRecordLines[] = {31, 31, 17, 67};
constexpr int kAddedLines[] = {5, 8, 1, 3};
constexpr const char* kTableNames[] = {"batters", "pitchers", "fielders", "teams"};

} // namespace

class TestMoreColumns : public QObject {
    Q_OBJECT

    std::unique_ptr<Engine> m_engine;
    morecolumnsref::Reference m_ref;

    // The records of a page reply, line by line.
    std::vector<Lines> records(Table table, const std::string& reply) {
        const Lines lines = enginetest::splitReply(reply);
        const auto width = static_cast<std::size_t>(kRecordLines[static_cast<int>(table)] +
                                                    kAddedLines[static_cast<int>(table)]);
        std::vector<Lines> out;
        const std::size_t count = std::stoul(lines.at(0));
        // The records before the totals record.
        for (std::size_t i = 0; i < count && 1 + (i + 2) * width <= lines.size(); ++i) {
            out.emplace_back(lines.begin() + static_cast<long>(1 + i * width),
                             lines.begin() + static_cast<long>(1 + (i + 1) * width));
        }
        return out;
    }

    // The CSV path's reply to a page request (the export route, in process).
    std::pair<int, std::string> exportCsv(Table table, const std::string& query,
                                          const std::string& body) {
        static const char* paths[] = {"/cgi-bin/getbat.exe", "/cgi-bin/getpit.exe",
                                      "/cgi-bin/getfield.exe", "/cgi-bin/getbaseteam.exe"};
        const bbstatsd::HttpRoute route = bbstatsd::csvExportRoute(
            *m_engine, paths[static_cast<int>(table)], table,
            std::make_shared<bbstatsd::ExportBudget>(std::uint64_t(256) << 20));
        bbstatsd::HttpRequest request;
        request.method = "POST";
        request.path = route.path;
        request.query = query;
        request.body = body;
        request.peer = "127.0.0.1";
        const bbstatsd::HttpReply reply = route.handler(request);
        if (reply.status != 200) {
            return {reply.status, reply.body};
        }
        std::string text(reply.streamLength, '\0');
        for (std::size_t at = 0; at < text.size();) {
            const long n = reply.stream(at, text.data() + at, text.size() - at);
            if (n <= 0) {
                break;
            }
            at += static_cast<std::size_t>(n);
        }
        return {200, text};
    }

private slots:
    void initTestCase() {
        m_engine = std::make_unique<Engine>(enginetest::dbPath());
        m_ref.read();
    }

    // Every added figure of every record of the four tables, and of every season and career
    // line of batters and pitchers, against the figures computed here from the CSVs (a combined
    // line's counts summed over its stints as the line records them).
    void everyFigure_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("lines");
        for (int t = 0; t < 4; ++t) {
            QTest::addRow("%s", kTableNames[t]) << t << "";
        }
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("%s season lines", kTableNames[t]) << t << "season";
            QTest::addRow("%s career lines", kTableNames[t]) << t << "career";
        }
    }

    void everyFigure() {
        QFETCH(int, table);
        QFETCH(QString, lines);
        const auto t = static_cast<Table>(table);
        const std::string body = enginetest::body("0!1!300!");
        const bbstatsd::ResultRows stints = m_engine->wholeResult(t, body, "more=1");
        const bbstatsd::TableData& data = *stints.data;
        const bool big = t == Table::Batters || t == Table::Teams;
        const int first = kRecordLines[table];
        // The stint of each served row, matched by player, season and stint order.
        std::vector<const Stint*> stintOf(data.rows(), nullptr);
        std::size_t checked = 0;
        auto compare = [&](const Lines& record, const std::vector<double>& expected,
                           const std::vector<int>& decimals) {
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const std::string& shown = record.at(static_cast<std::size_t>(first) + i);
                if (!agrees(shown, expected[i], decimals[i], big)) {
                    QFAIL(qPrintable(
                        QString("%1 %2 line %3: shown %4, expected %5")
                            .arg(QString::fromStdString(record[0]),
                                 QString::fromStdString(record[t == Table::Teams ? 4 : 1]))
                            .arg(first + int(i))
                            .arg(QString::fromStdString(shown))
                            .arg(expected[i], 0, 'f', 6)));
                }
                ++checked;
            }
        };
        const std::vector<int> batterDecimals{3, 0, 3, 3, 0},
            pitcherDecimals{3, 1, 1, 1, 2, 0, 2, 0};
        if (t == Table::Teams) {
            std::map<std::pair<std::string, std::string>, std::size_t> csvRow;
            const Csv& csv = *m_ref.teamsCsv;
            for (std::size_t i = 0; i < csv.rows(); ++i) {
                csvRow[{std::string(csv.texts("yearID")[i]), std::string(csv.texts("teamID")[i])}] =
                    i;
            }
            for (const std::uint32_t r : stints.result->rows) {
                const Lines record = enginetest::splitReply(std::string(stints.texts->record(r)));
                const std::size_t i = csvRow.at({record[4], record[0]});
                // OBP and SLG from the record's counts (test_wholetable checks those against
                // the CSVs): H 18, AB 17, BB 24, HBP 26, SacF 29, TB 19.
                auto n = [&](int line) {
                    return std::stoll(record[static_cast<std::size_t>(line)]);
                };
                const long long onDen = n(17) + n(24) + std::max(0LL, n(26)) + std::max(0LL, n(29));
                const double ops =
                    n(18) >= 0 && n(17) > 0 && n(24) >= 0 && onDen > 0
                        ? double(n(18) + n(24) + std::max(0LL, n(26))) / double(onDen) +
                              double(n(19)) / double(n(17))
                        : kNaN;
                const long long er = csv.counts("ER")[i], outs = csv.counts("IPouts")[i];
                const double era = er >= 0 && outs > 0 ? 27.0 * double(er) / double(outs) : kNaN;
                const double lgEra =
                    m_ref.league.era(record[4], std::string(csv.texts("lgID")[i])) *
                    morecolumnsref::Reference::parkFactor(m_ref.league, record[4], record[0],
                                                          false);
                const double rs = double(csv.counts("R")[i]), ra = double(csv.counts("RA")[i]);
                const double pyth =
                    rs >= 0 && ra >= 0 && rs + ra > 0
                        ? std::pow(rs, 1.83) / (std::pow(rs, 1.83) + std::pow(ra, 1.83))
                        : kNaN;
                compare(record, {ops, era > 0 ? 100.0 * lgEra / era : kNaN, pyth}, {3, 0, 3});
            }
            QCOMPARE(checked, std::size_t(3) * stints.result->rows.size());
            return;
        }
        std::map<std::pair<std::string, std::string>, std::size_t> seen;
        const auto& source = t == Table::Batters ? m_ref.battingStints : m_ref.pitchingStints;
        for (const std::uint32_t r : stints.result->rows) {
            const std::string& code = data.playerIds()[data.playerOfRow()[r]];
            const Lines record = enginetest::splitReply(std::string(stints.texts->record(r)));
            if (t == Table::Fielders) {
                if (lines.isEmpty()) {
                    compare(record, {m_ref.league.age(code, record[1])}, {0});
                }
                continue;
            }
            const std::size_t at = seen[{code, record[1]}]++;
            stintOf[r] = &source.at({code, record[1]}).at(at);
            if (lines.isEmpty()) {
                const std::vector<const Stint*> one{stintOf[r]};
                compare(record,
                        t == Table::Batters ? batterFigures(one, false, record)
                                            : pitcherFigures(one, false, record),
                        t == Table::Batters ? batterDecimals : pitcherDecimals);
            }
        }
        if (!lines.isEmpty()) {
            const bool career = lines == "career";
            const bbstatsd::ResultRows combined =
                m_engine->wholeResult(t, body, "more=1&lines=" + lines.toStdString());
            const bbstatsd::LinesTable& table = *combined.result->lines;
            for (const std::uint32_t l : combined.result->rows) {
                std::vector<const Stint*> members;
                for (std::uint32_t m = table.memberStart[l]; m < table.memberStart[l + 1]; ++m) {
                    members.push_back(stintOf.at(table.members[m]));
                }
                const Lines record = enginetest::splitReply(std::string(combined.texts->record(l)));
                compare(record,
                        t == Table::Batters ? batterFigures(members, career, record)
                                            : pitcherFigures(members, career, record),
                        t == Table::Batters ? batterDecimals : pitcherDecimals);
            }
        }
        QVERIFY(checked > 0);
    }

    // Sorted and limited by each added field, the page path and the CSV path list the same
    // rows; a limit keeps the figures shown at or above its bound. The CSV path's header row
    // names every column, the added ones last, as the definitions window names them.
    void pageAndCsvAgree() {
        const int firstField[] = {31, 31, 16, 67};
        for (int table = 0; table < 4; ++table) {
            const auto t = static_cast<Table>(table);
            const bool teams = t == Table::Teams;
            const int nameField = teams ? 2 : 0, nameLine = teams ? 1 : 0;
            const auto [status, header] =
                exportCsv(t, "more=1&header=1", enginetest::body("0!1!300!"));
            QCOMPARE(status, 200);
            const Lines titles = enginetest::splitReply(header.substr(0, header.find("\r\n") + 2));
            QCOMPARE(titles.size(), std::size_t(1));
            // The added columns the definitions window explains, in the grid's order.
            std::vector<std::string> added;
            for (const moredefinitions::Column& column : moredefinitions::AddedColumns[table]) {
                added.emplace_back(column.abbreviation);
            }
            QVERIFY2(
                titles[0].starts_with(teams ? "YEAR,TEAM CODE," : "PLAYER NAME,YEAR,TEAM CODE,"),
                titles[0].c_str());
            std::string tail;
            for (const std::string& title : added) {
                tail += "," + title;
            }
            QVERIFY2(titles[0].ends_with(tail), titles[0].c_str());
            QCOMPARE(std::count(titles[0].begin(), titles[0].end(), ','),
                     long(firstField[table] + long(added.size()) - 1));
            for (std::size_t i = 0; i < added.size(); ++i) {
                const int field = firstField[table] + int(i);
                const std::size_t line = std::size_t(kRecordLines[table]) + i;
                const std::string columns =
                    "more=1&columns=" + std::to_string(nameField) + "," + std::to_string(field);
                const std::string sort = "0!1!" + std::to_string(field) + "!";
                const Lines all =
                    enginetest::splitReply(exportCsv(t, columns, enginetest::body(sort)).second);
                // A bound from the figure of the 100th row (or the last one with a figure).
                std::vector<double> values;
                for (const std::string& row : all) {
                    const std::string value = row.substr(row.rfind(',') + 1);
                    if (!value.empty()) {
                        values.push_back(std::stod(value));
                    }
                }
                QVERIFY(!values.empty());
                QVERIFY(std::is_sorted(values.rbegin(), values.rend()));
                const double bound = values[std::min<std::size_t>(99, values.size() - 1)];
                const std::string boundText =
                    all[std::min<std::size_t>(99, values.size() - 1)].substr(
                        all[std::min<std::size_t>(99, values.size() - 1)].rfind(',') + 1);
                const Lines items{"E" + std::to_string(field) + "!" + boundText + "!!", "*"};
                const std::string first = "0!40!" + std::to_string(field) + "!";
                const Lines limited = enginetest::splitReply(
                    exportCsv(t, columns, enginetest::body(first, items)).second);
                const long long atOrAbove = std::count_if(values.begin(), values.end(),
                                                          [&](double v) { return v >= bound; });
                QCOMPARE((long long)limited.size(), atOrAbove);
                const auto page =
                    records(t, m_engine->answer(t, enginetest::body(first, items), "more=1"));
                QCOMPARE(page.size(), std::min<std::size_t>(40, limited.size()));
                for (std::size_t r = 0; r < page.size(); ++r) {
                    const std::string& name = page[r][static_cast<std::size_t>(nameLine)];
                    const std::string quoted =
                        name.find(',') == std::string::npos ? name : "\"" + name + "\"";
                    QCOMPARE(quoted + "," + page[r][line], limited[r]);
                }
            }
        }
        // List requests answer the same with the option.
        for (const auto& items : {Lines{"C1941", "*"}, Lines{}}) {
            const std::string list = enginetest::body("0!0!A!", items);
            QCOMPARE(m_engine->answer(Table::Batters, list, "more=1&lines=season"),
                     m_engine->answer(Table::Batters, list, "lines=season"));
        }
        const std::string body = enginetest::body("0!1!300!");
        QCOMPARE(exportCsv(Table::Batters, "header=2", body).first, 400);
        QCOMPARE(exportCsv(Table::Batters, "columns=35", body).first, 400);
        QCOMPARE(exportCsv(Table::Batters, "more=1&columns=35", body).first, 200);
        for (const char* query : {"more=2", "more=", "more=yes"}) {
            try {
                m_engine->answer(Table::Pitchers, body, query);
                QFAIL(query);
            } catch (const bbstatsd::RequestError& e) {
                QCOMPARE(e.status(), 400);
                QVERIFY2(std::string(e.what()).starts_with("more:"), e.what());
            }
        }
    }

    // With the option a reply is the reply without it, each record (TOTALS too) followed by
    // its added lines; "more=0" is no option. TOTALS shows the ratios of its sums: OPS from
    // its OBP and SLG as shown, WHIP and the rates per nine innings from its counts, the
    // expected W-L% from its runs; OPS+, ERA+, FIP and age missing.
    void optionOnlyAppends_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("first");
        for (int t = 0; t < 4; ++t) {
            QTest::addRow("%s", kTableNames[t]) << t << ""
                                                << "0!30!300!";
            QTest::addRow("%s sorted, past the end", kTableNames[t]) << t << ""
                                                                     << "490!30!5!";
        }
        for (int t = 0; t < 2; ++t) {
            QTest::addRow("%s season lines", kTableNames[t]) << t << "lines=season"
                                                             << "0!30!8!";
            QTest::addRow("%s qualified", kTableNames[t]) << t << "lines=season&qualified=1"
                                                          << "0!30!13!";
            QTest::addRow("%s career lines", kTableNames[t]) << t << "lines=career"
                                                             << "0!30!300!";
        }
    }

    void optionOnlyAppends() {
        QFETCH(int, table);
        QFETCH(QString, query);
        QFETCH(QString, first);
        const auto t = static_cast<Table>(table);
        const std::string body = enginetest::body(first.toStdString(), {"C1968", "*"});
        const std::string q = query.toStdString();
        const std::string plain = m_engine->answer(t, body, q);
        QCOMPARE(m_engine->answer(t, body, q.empty() ? "more=0" : q + "&more=0"), plain);
        const Lines with =
            enginetest::splitReply(m_engine->answer(t, body, q.empty() ? "more=1" : q + "&more=1"));
        const Lines without = enginetest::splitReply(plain);
        const auto width = std::size_t(kRecordLines[table]),
                   added = std::size_t(kAddedLines[table]);
        QCOMPARE(with.size() - 1, (without.size() - 1) / width * (width + added));
        Lines stripped{with[0]};
        for (std::size_t at = 1; at < with.size(); at += width + added) {
            stripped.insert(stripped.end(), with.begin() + long(at),
                            with.begin() + long(at + width));
        }
        QCOMPARE(stripped, without);
        const Lines totals(with.end() - long(width + added), with.end());
        auto units = [&](std::size_t line) {
            std::string digits;
            for (const char c : totals.at(line)) {
                if (c != '.') {
                    digits += c;
                }
            }
            return std::stoll(digits);
        };
        auto rounded = [](double x, int decimals) {
            std::ostringstream out;
            out << std::fixed << std::setprecision(decimals) << x;
            return out.str();
        };
        switch (t) {
        case Table::Batters:
            QCOMPARE(units(31), units(15) + units(16));
            QCOMPARE(totals[32], std::string("1000000"));
            QCOMPARE(totals[33], rounded(double(std::stoll(totals[29]) - std::stoll(totals[9])) /
                                             double(std::stoll(totals[7])),
                                         3));
            QCOMPARE(totals[35], std::string("1000000"));
            break;
        case Table::Pitchers: {
            const long long outs = units(14) / 10 * 3 + units(14) % 10;
            QCOMPARE(totals[31],
                     rounded(3.0 * double(std::stoll(totals[20]) + std::stoll(totals[16])) /
                                 double(outs),
                             3));
            QCOMPARE(totals[32], rounded(27.0 * double(std::stoll(totals[21])) / double(outs), 1));
            QCOMPARE(totals[36] + " " + totals[37] + " " + totals[38], std::string("-1 -1.00 -1"));
            break;
        }
        case Table::Fielders:
            QCOMPARE(totals[17], std::string("-1"));
            break;
        case Table::Teams: {
            QCOMPARE(units(67), units(31) + units(32));
            QCOMPARE(totals[68], std::string("1000000"));
            const double rs = std::pow(double(std::stoll(totals[15])), 1.83),
                         ra = std::pow(double(std::stoll(totals[16])), 1.83);
            QCOMPARE(totals[69], rounded(rs / (rs + ra), 3));
            break;
        }
        }
    }

    // The figures table of the definitions window and the figures guide: each of our figures
    // is what the service sends, and within 4 of the published one for OPS+ and ERA+, equal
    // to it otherwise (Pedro Martinez's 2000 WHIP 0.737 and K/9 11.8 exactly as shown).
    void publishedFigures_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("player");
        QTest::addColumn<int>("season"); // 0: the career line
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("published");
        QTest::addColumn<QString>("ours");
        for (const moredefinitions::Figure& f : moredefinitions::Figures) {
            const std::string season = f.season > 0 ? std::to_string(f.season) : "career";
            QTest::addRow("%s %s %s %s", f.player, season.c_str(), f.column, f.published)
                << f.database << f.player << f.season << f.column << f.published << f.ours;
        }
    }

    void publishedFigures() {
        QFETCH(int, table);
        QFETCH(QString, player);
        QFETCH(int, season);
        QFETCH(QString, column);
        QFETCH(QString, published);
        QFETCH(QString, ours);
        Lines items{"A" + player.toStdString(), "*"};
        if (season > 0) {
            items.insert(items.end(), {"C" + std::to_string(season), "*"});
        }
        const auto t = static_cast<Table>(table);
        const bbstatsd::TableDef& def = bbstatsd::moreTableDef(t);
        std::size_t line = def.fields.size();
        for (std::size_t i = 0; i < def.fields.size(); ++i) {
            if (def.fields[i].sortNo >= 0 &&
                bbstatsd::fieldTitle(def, def.fields[i].sortNo) == column.toStdString()) {
                line = i;
            }
        }
        QVERIFY2(line < def.fields.size(), qPrintable(column));
        const std::string query = season > 0 ? "lines=season&more=1" : "lines=career&more=1";
        const auto found =
            records(t, m_engine->answer(t, enginetest::body("0!5!300!", items), query));
        QCOMPARE(found.size(), std::size_t(1));
        const QString shown = QString::fromStdString(found[0].at(line));
        QCOMPARE(shown, ours);
        const double tolerance = column == "OPS+" || column == "ERA+" ? 4.0 : 0.0;
        QVERIFY2(std::fabs(shown.toDouble() - published.toDouble()) <= tolerance + 1e-9,
                 qPrintable(QString("shown %1, published %2").arg(shown, published)));
    }
};

QTEST_GUILESS_MAIN(TestMoreColumns)
#include "test_morecolumns.moc"
