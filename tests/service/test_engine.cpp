// The statistics engine on the real data imported by the lahman_db fixture: reply framing,
// sorting, selections, limits, pick lists, totals and known seasons checked against the CSVs.
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "service/engine/engine.h"
#include "tests/service/test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::Table;

using namespace enginetest;

namespace {

// The Lahman CSV folder the fixture imported.
std::string lahmanDir() {
    const QByteArray dir = qgetenv("LAHMAN_DIR");
    if (!dir.isEmpty()) {
        return dir.toStdString();
    }
    return qgetenv("BBSTATS_SOURCE_DIR").toStdString() + "/../shared/data/lahman";
}

// Text order of the service: ASCII letters folded, then bytes.
int foldCompare(const std::string& a, const std::string& b) {
    auto fold = [](std::string s) {
        for (char& c : s) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + 32);
            }
        }
        return s;
    };
    const std::string x = fold(a), y = fold(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

// num / den (den > 0) rounded half up to 1/unit, as text: what the client shows.
std::string shown(long long num, long long den, long long unit) {
    const long long units = (2 * num * unit + den) / (2 * den);
    const int decimals = unit == 1000 ? 3 : unit == 100 ? 2 : 1;
    std::string fraction = std::to_string(units % unit);
    fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
    return std::to_string(units / unit) + "." + fraction;
}

bool isMissing(const std::string& s) {
    return s == "-1" || s.rfind("1000000.", 0) == 0 || s.empty();
}

int linesPerRecord(Table t) {
    return t == Table::Fielders ? 17 : t == Table::Teams ? 67 : 31;
}

// One page: the count, the records and the totals record.
struct Page {
    long long count = 0;
    std::vector<Lines> records;
    Lines totals;
};

// CSV rows of a Lahman file as maps from column name to text.
std::vector<std::map<std::string, std::string>>
csvRows(const std::string& file, const std::string& keyColumn, const std::string& key) {
    std::ifstream in(lahmanDir() + "/" + file);
    std::string line;
    std::getline(in, line);
    auto split = [](const std::string& l) {
        std::vector<std::string> f;
        std::stringstream ss(l);
        std::string x;
        while (std::getline(ss, x, ',')) {
            if (x.size() >= 2 && x.front() == '"') {
                x = x.substr(1, x.size() - 2);
            }
            f.push_back(x);
        }
        if (!l.empty() && l.back() == ',') {
            f.push_back("");
        }
        return f;
    };
    const std::vector<std::string> header = split(line);
    std::vector<std::map<std::string, std::string>> rows;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = split(line);
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < header.size() && i < f.size(); ++i) {
            row[header[i]] = f[i];
        }
        if (key.empty() || row[keyColumn] == key) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Engine> m_engine;

    Page page(Table t, const std::string& first, const Lines& items = {}) {
        const Lines lines = splitReply(m_engine->answer(t, body(first, items)));
        Page p;
        const int n = linesPerRecord(t);
        if (lines.empty() || (lines.size() - 1) % static_cast<std::size_t>(n) != 0) {
            qWarning("reply of %zu lines does not frame", lines.size());
            return p;
        }
        p.count = std::stoll(lines[0]);
        const std::size_t records = (lines.size() - 1) / static_cast<std::size_t>(n);
        for (std::size_t r = 0; r < records; ++r) {
            Lines rec(lines.begin() + 1 + static_cast<long>(r) * n,
                      lines.begin() + 1 + static_cast<long>(r + 1) * n);
            if (r + 1 == records) {
                p.totals = rec;
            } else {
                p.records.push_back(rec);
            }
        }
        return p;
    }

    // Every record of a query, in order, fetched a page of at most 1,000 rows at a time.
    std::vector<Lines> all(Table t, const std::string& sort, const Lines& items = {}) {
        const Page first = page(t, "0!0!" + sort, items);
        std::vector<Lines> records;
        for (long long top = 0; top < first.count; top += 1000) {
            const long long rows = std::min(1000LL, first.count - top);
            Page p = page(t, std::to_string(top) + "!" + std::to_string(rows) + "!" + sort, items);
            records.insert(records.end(), p.records.begin(), p.records.end());
        }
        return records;
    }

    Lines list(Table t, char letter, const Lines& items = {}) {
        Lines lines =
            splitReply(m_engine->answer(t, body(std::string("0!0!") + letter + "!", items)));
        if (lines.size() < 2 || lines.back() != "*" ||
            std::stoul(lines.front()) != lines.size() - 2) {
            qWarning("list reply badly framed");
            return {};
        }
        return Lines(lines.begin() + 1, lines.end() - 1);
    }

private slots:
    void initTestCase() { m_engine = std::make_unique<Engine>(dbPath()); }

    void framing_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("rows");
        QTest::addColumn<long long>("count");
        QTest::newRow("batters") << int(Table::Batters) << 30 << 128598LL;
        QTest::newRow("pitchers") << int(Table::Pitchers) << 5 << 57630LL;
        QTest::newRow("fielders") << int(Table::Fielders) << 7 << 174332LL;
        QTest::newRow("teams") << int(Table::Teams) << 3 << 3614LL;
        QTest::newRow("no rows") << int(Table::Teams) << 0 << 3614LL;
    }

    void framing() {
        QFETCH(int, table);
        QFETCH(int, rows);
        QFETCH(long long, count);
        const Table t = static_cast<Table>(table);
        const std::string reply = m_engine->answer(t, body("0!" + std::to_string(rows) + "!300!"));
        const Lines lines = splitReply(reply);
        QCOMPARE(lines.size(), std::size_t(1 + (rows + 1) * linesPerRecord(t)));
        QCOMPARE(std::count(reply.begin(), reply.end(), '\n'),
                 std::count(reply.begin(), reply.end(), '\r'));
        QCOMPARE(std::stoll(lines[0]), count);
        for (const std::string& l : lines) {
            QVERIFY2(l.find('<') == std::string::npos, l.c_str());
        }
    }

    void paddingPastTheEnd() {
        const Page p = page(Table::Teams, "3612!4!300!");
        QCOMPARE(p.count, 3614LL);
        QCOMPARE(p.records.size(), std::size_t(4));
        QVERIFY(!p.records[0][4].empty());
        QVERIFY(!p.records[1][4].empty());
        for (int r = 2; r < 4; ++r) {
            for (const std::string& line : p.records[static_cast<std::size_t>(r)]) {
                QVERIFY(line.empty());
            }
        }
        QCOMPARE(p.totals[1], std::string("TOTALS"));
    }

    void homeRunRecordMatchesSource() {
        const Page p = page(Table::Batters, "0!1!16!");
        QCOMPARE(p.records.size(), std::size_t(1));
        const Lines& r = p.records[0];
        QCOMPARE(r[0], std::string("Bonds, Barry"));
        QCOMPARE(r[1], std::string("2001"));
        QCOMPARE(r[12], std::string("73"));
        const auto src = csvRows("Batting.csv", "playerID", "bondsba01");
        const auto season = std::find_if(src.begin(), src.end(),
                                         [](auto& row) { return row.at("yearID") == "2001"; });
        QVERIFY(season != src.end());
        QCOMPARE(r[2], season->at("teamID"));
        QCOMPARE(r[5], season->at("G"));
        QCOMPARE(r[7], season->at("AB"));
        QCOMPARE(r[9], season->at("H"));
        QCOMPARE(r[10], season->at("X2B"));
        QCOMPARE(r[17], season->at("BB"));
        QCOMPARE(r[18], season->at("IBB"));
        QCOMPARE(r[14], shown(std::stoll(season->at("H")), std::stoll(season->at("AB")), 1000));
        const int tb = std::stoi(season->at("H")) + std::stoi(season->at("X2B")) +
                       2 * std::stoi(season->at("X3B")) + 3 * std::stoi(season->at("HR"));
        QCOMPARE(std::stoi(r[29]), tb);
        QCOMPARE(r[27], std::string("L"));
    }

    void eraRecordMatchesSource() {
        // Lowest ERA with at least 200 innings: computed here from Pitching.csv.
        const auto src = csvRows("Pitching.csv", "", "");
        double best = 1e9;
        std::string bestId, bestYear;
        for (const auto& row : src) {
            const int outs = std::stoi(row.at("IPouts"));
            if (outs >= 600) {
                const double era = 27.0 * std::stoi(row.at("ER")) / outs;
                if (era < best) {
                    best = era;
                    bestId = row.at("playerID");
                    bestYear = row.at("yearID");
                }
            }
        }
        const Page p = page(Table::Pitchers, "0!1!113!", {"E14!200!!", "*"});
        QCOMPARE(p.records.size(), std::size_t(1));
        QCOMPARE(p.records[0][1], bestYear);
        QVERIFY(std::abs(std::stod(p.records[0][13]) - best) <= 0.005);
        // Innings in box-score form: 1968 Gibson pitched 914 outs.
        const Page g = page(Table::Pitchers, "0!1!300!", {"AGibson, Bob", "*", "C1968", "*"});
        QCOMPARE(g.count, 1LL);
        QCOMPARE(g.records[0][14], std::string("304.2"));
    }

    void defaultOrderCodesAgree() {
        const Page plain = page(Table::Fielders, "100!20!300!");
        for (const char* code : {"99", "-1"}) {
            const Page other = page(Table::Fielders, std::string("100!20!") + code + "!");
            QCOMPARE(other.records, plain.records);
        }
        // Default order: name, then season, stint and position.
        for (std::size_t i = 1; i < plain.records.size(); ++i) {
            const Lines& a = plain.records[i - 1];
            const Lines& b = plain.records[i];
            QVERIFY(foldCompare(a[0], b[0]) <= 0);
            if (a[0] == b[0]) {
                QVERIFY(a[1] <= b[1]);
            }
        }
    }

    void defaultOrderIsTheNameOrder() {
        // Accented names sort among their base letters in the default order as in a name sort.
        const auto byDefault = all(Table::Batters, "300!", {"E0!A!Az!", "*"});
        QCOMPARE(all(Table::Batters, "100!", {"E0!A!Az!", "*"}), byDefault);
        const auto name = [&](const char* n) {
            return std::find_if(byDefault.begin(), byDefault.end(),
                                [&](auto& r) { return r[0] == n; });
        };
        QVERIFY(name("Álvarez, Raúl") != byDefault.end());
        QVERIFY(name("Álvarez, Raúl") < name("Amaro, Rubén"));
        QVERIFY(name("Alvarez, R. J.") < name("Álvarez, Raúl"));
        QVERIFY(name("Álvarez, Raúl") < name("Alvarez, Tavo"));
    }

    // Figures a reference book gives for famous seasons, and the classes they stand for.
    void recordKeepingFigures_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("figure"); // a count, or an average at three decimals
        auto row = [](const char* name, Table t, const QStringList& items, int line,
                      const char* figure) {
            QTest::newRow(name) << int(t) << items << line << figure;
        };
        const auto B = Table::Batters, P = Table::Pitchers, T = Table::Teams;
        row("OBP counts sacrifice flies: Aaron 1959", B, {"AAaron, Hank", "*", "C1959", "*"}, 15,
            "0.401");
        row("OBP counts sacrifice flies: Bonds 2004", B, {"ABonds, Barry", "*", "C2004", "*"}, 15,
            "0.609");
        row("opponents' OBP keeps sacrifice flies: Martinez 2000", P,
            {"AMartinez, Pedro", "*", "C2000", "*"}, 29, "0.213");
        row("team OBP: 1998 Yankees", T, {"BNew York Yankees", "*", "C1998", "*"}, 31, "0.364");
        row("team opponents' OBP: 1998 Yankees", T, {"BNew York Yankees", "*", "C1998", "*"}, 58,
            "0.312");
        row("team HBP from batting: 1950 Red Sox", T, {"BBoston Red Sox", "*", "C1950", "*"}, 26,
            "25");
        row("team SF from batting: 1961 Yankees", T, {"BNew York Yankees", "*", "C1961", "*"}, 29,
            "45");
        row("team OBP with them: 1961 Yankees", T, {"BNew York Yankees", "*", "C1961", "*"}, 31,
            "0.330");
        row("first in the standings: 1933 Pittsburgh", T,
            {"BPittsburgh Crawfords", "*", "C1933", "*"}, 8, "0.000");
        row("better record, second: 1933 Chicago", T,
            {"BChicago American Giants", "*", "C1933", "*", "DNN2", "*"}, 8, "-4.000");
        row("two ranked first: 2022 Rays", T, {"BTampa Bay Rays", "*", "C2022", "*"}, 8, "13.000");
        row("none ranked first: 1911 St. Louis", T, {"BSt. Louis Giants", "*", "C1911", "*"}, 8,
            "3.500");
        row("team sum with untracked players: 1950 Red Sox IBB", T,
            {"BBoston Red Sox", "*", "C1950", "*"}, 25, "-1");
        row("team sum with untracked players: 1938 Yankees GIDP", T,
            {"BNew York Yankees", "*", "C1938", "*"}, 35, "-1");
        row("total bases with more homers than hits: 1912", B,
            {"ATaylor, C. I.", "*", "C1912", "*"}, 29, "3");
        row("its slugging", B, {"ATaylor, C. I.", "*", "C1912", "*"}, 16, "0.429");
        row("its singles, negative in the source", B, {"ATaylor, C. I.", "*", "C1912", "*"}, 30,
            "-1");
        row("rounded once: 2011 Cardinals AVG 1513/5532 = .27349", T,
            {"BSt. Louis Cardinals", "*", "C2011", "*"}, 30, "0.273");
        row("no batters faced with outs: 1915 Baltimore's batters faced", T,
            {"BBaltimore Terrapins", "*", "C1915", "*"}, 44, "-1");
        row("and its opponents' average", T, {"BBaltimore Terrapins", "*", "C1915", "*"}, 57,
            "1000000.000");
        row("hits allowed far below its pitchers': 1927 Birmingham", T,
            {"BBirmingham Black Barons", "*", "C1927", "*"}, 43, "830");
    }

    void recordKeepingFigures() {
        QFETCH(int, table);
        QFETCH(QStringList, items);
        QFETCH(int, line);
        QFETCH(QString, figure);
        Lines body;
        for (const QString& item : items) {
            body.push_back(item.toStdString());
        }
        const Page p = page(static_cast<Table>(table), "0!2!300!", body);
        QCOMPARE(p.count, 1LL);
        const QString sent = QString::fromStdString(p.records[0][static_cast<std::size_t>(line)]);
        QCOMPARE(figure.contains('.') ? QString::number(sent.toDouble(), 'f', 3) : sent, figure);
    }

    void sortForms_data() {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QList<int>>("lines");
        QTest::addColumn<QList<bool>>("ascending");
        QTest::newRow("plain descending HR") << "16!" << QList<int>{12} << QList<bool>{false};
        QTest::newRow("plain ascending games") << "107!" << QList<int>{5} << QList<bool>{true};
        QTest::newRow("one-letter bats, unknown last")
            << "5!" << QList<int>{27} << QList<bool>{false};
        QTest::newRow("B year up, HR down")
            << "B!101!16!" << QList<int>{1, 12} << QList<bool>{true, false};
        QTest::newRow("Y team, AVG, games")
            << "Y!103!18!7!" << QList<int>{3, 14, 5} << QList<bool>{true, false, false};
        QTest::newRow("Z four keys") << "Z!4!101!12!107!" << QList<int>{4, 1, 29, 5}
                                     << QList<bool>{false, true, false, true};
        QTest::newRow("Z with gaps")
            << "Z!16!-1!99!9!" << QList<int>{12, 7} << QList<bool>{false, false};
    }

    void sortForms() {
        QFETCH(QString, sort);
        QFETCH(QList<int>, lines);
        QFETCH(QList<bool>, ascending);
        const auto rows = all(Table::Batters, sort.toStdString(), {"C1998", "C1999", "*"});
        QVERIFY(rows.size() > 2000);
        auto numeric = [](const std::string& s) {
            return s.find_first_not_of("-.0123456789") == std::string::npos;
        };
        for (std::size_t i = 1; i < rows.size(); ++i) {
            for (int k = 0; k < lines.size(); ++k) {
                const std::string& a = rows[i - 1][static_cast<std::size_t>(lines[k])];
                const std::string& b = rows[i][static_cast<std::size_t>(lines[k])];
                int c = 0;
                if (isMissing(a) || isMissing(b)) {
                    QVERIFY2(!isMissing(a) || isMissing(b), "a missing value before a present one");
                    if (isMissing(a) != isMissing(b)) {
                        break;
                    }
                    continue;
                }
                if (numeric(a) && numeric(b)) {
                    c = std::stod(a) < std::stod(b) ? -1 : (std::stod(a) > std::stod(b) ? 1 : 0);
                } else {
                    c = foldCompare(a, b);
                }
                if (c == 0) {
                    continue;
                }
                QVERIFY2(
                    ascending[k] ? c < 0 : c > 0,
                    qPrintable(QString("row %1 key %2: %3 then %4")
                                   .arg(i)
                                   .arg(k)
                                   .arg(QString::fromStdString(a), QString::fromStdString(b))));
                break;
            }
        }
    }

    void tiesFallBackToDefaultOrder() {
        const auto rows = all(Table::Batters, "101!", {"BSeattle Mariners", "*"});
        for (std::size_t i = 1; i < rows.size(); ++i) {
            if (rows[i - 1][1] == rows[i][1]) {
                QVERIFY(foldCompare(rows[i - 1][0], rows[i][0]) <= 0);
            }
        }
    }

    void missingValuesLastBothWays_data() {
        QTest::addColumn<QString>("code");
        QTest::newRow("descending") << "23!";
        QTest::newRow("ascending") << "123!";
    }

    void missingValuesLastBothWays() {
        QFETCH(QString, code);
        // IBB is unknown before 1955; mixed seasons hold both kinds.
        const auto rows = all(Table::Batters, code.toStdString(), {"C1950", "C1960", "*"});
        bool seenMissing = false;
        int missing = 0;
        for (const Lines& r : rows) {
            if (r[18] == "-1") {
                seenMissing = true;
                ++missing;
            } else {
                QVERIFY2(!seenMissing, "a present value after a missing one");
            }
        }
        QVERIFY(missing > 100);
        QVERIFY(missing < static_cast<int>(rows.size()));
    }

    void selectionGroups() {
        const auto rows =
            all(Table::Batters, "300!", {"C2001", "C2002", "*", "BSeattle Mariners", "*"});
        QCOMPARE(rows.size(), std::size_t(75));
        for (const Lines& r : rows) {
            QVERIFY(r[1] == "2001" || r[1] == "2002");
            QCOMPARE(r[3], std::string("Seattle Mariners"));
        }
        // An empty group changes nothing; an unknown value selects nothing.
        QCOMPARE(page(Table::Batters, "0!0!300!", {"*", "*"}).count, 128598LL);
        QCOMPARE(page(Table::Batters, "0!0!300!", {"BNo Such Club", "*"}).count, 0LL);
        // League and position items.
        const auto ss = all(Table::Fielders, "300!", {"GSS", "*", "C1980", "*", "DAL", "*"});
        QVERIFY(!ss.empty());
        for (const Lines& r : ss) {
            QCOMPARE(r[15], std::string("SS"));
            QCOMPARE(r[1], std::string("1980"));
            QCOMPARE(r[4], std::string("AL"));
        }
    }

    void limits_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::newRow("home runs 50 up") << "E16!50!!" << 12 << "50"
                                         << "";
        QTest::newRow("years of the fifties") << "E1!1950!1959!" << 1 << "1950"
                                              << "1959";
        QTest::newRow("average over .400") << "E18!0.4!1!" << 14 << "0.4"
                                           << "1";
        QTest::newRow("names Aa to Aaz") << "E0!Aa!Aaz!" << 0 << "Aa"
                                         << "Aaz";
        QTest::newRow("closing mark cut") << "E16!60!70" << 12 << "60"
                                          << "70";
    }

    void limits() {
        QFETCH(QString, item);
        QFETCH(int, line);
        QFETCH(QString, min);
        QFETCH(QString, max);
        const auto rows = all(Table::Batters, "300!", {item.toStdString(), "*"});
        QVERIFY(!rows.empty());
        for (const Lines& r : rows) {
            const QString v = QString::fromStdString(r[static_cast<std::size_t>(line)]);
            if (line == 0) {
                QVERIFY(v.startsWith("Aa", Qt::CaseInsensitive));
                continue;
            }
            QVERIFY2(v.toDouble() >= min.toDouble(), qPrintable(v));
            if (!max.isEmpty()) {
                QVERIFY2(v.toDouble() <= max.toDouble(), qPrintable(v));
            }
        }
        if (item == "E16!50!!") {
            QCOMPARE(rows.size(), std::size_t(53));
        }
    }

    void limitBounds() {
        QCOMPARE(page(Table::Batters, "0!0!300!", {"E16!!!", "*"}).count, 128598LL);
        QCOMPARE(page(Table::Batters, "0!0!300!", {"E16!abc!!", "*"}).count, 0LL);
        QCOMPARE(page(Table::Batters, "0!0!300!", {"E16!!x!", "*"}).count, 0LL);
        // Two limits in one group are alternatives, in two groups both apply.
        const long long either =
            page(Table::Batters, "0!0!300!", {"E16!60!!", "E12!400!!", "*"}).count;
        const long long both =
            page(Table::Batters, "0!0!300!", {"E16!60!!", "*", "E12!400!!", "*"}).count;
        QVERIFY(either > both);
        QVERIFY(both > 0);
        // Divisions: the unknown division "-" is missing and never inside a range.
        const auto teams = all(Table::Teams, "100!", {"E4!A!Z!", "*"});
        for (const Lines& r : teams) {
            QVERIFY(r[3] != "-");
        }
    }

    void totalsRecomputedFromSums() {
        const Page p = page(Table::Batters, "0!40!300!", {"ABonds, Barry", "*"});
        QVERIFY(p.count > 20 && p.count < 40);
        long long hr = 0, h = 0, ab = 0, tb = 0;
        for (long long i = 0; i < p.count; ++i) {
            const Lines& r = p.records[static_cast<std::size_t>(i)];
            QCOMPARE(r[0], std::string("Bonds, Barry"));
            hr += std::stoll(r[12]);
            h += std::stoll(r[9]);
            ab += std::stoll(r[7]);
            tb += std::stoll(r[29]);
        }
        QCOMPARE(p.totals[0], std::string("TOTALS"));
        QCOMPARE(p.totals[1], std::string());
        QCOMPARE(std::stoll(p.totals[12]), hr);
        // Averages as shown: three decimals, rounded half up once.
        QCOMPARE(p.totals[14], shown(h, ab, 1000));
        QCOMPARE(p.totals[16], shown(tb, ab, 1000));
        // Teams: name "TOTALS", league and division empty, W-L% from summed wins and losses.
        const Page t = page(Table::Teams, "0!200!100!", {"BSeattle Mariners", "*"});
        long long w = 0, l = 0;
        for (long long i = 0; i < t.count; ++i) {
            w += std::stoll(t.records[static_cast<std::size_t>(i)][6]);
            l += std::stoll(t.records[static_cast<std::size_t>(i)][7]);
        }
        QCOMPARE(t.totals[1], std::string("TOTALS"));
        QCOMPARE(t.totals[2], std::string());
        QCOMPARE(t.totals[3], std::string());
        QCOMPARE(t.totals[9], shown(w, w + l, 1000));
        // Pitchers: innings summed as outs and written in box-score form, ERA from the sums.
        const Page g = page(Table::Pitchers, "0!40!300!", {"AGibson, Bob", "*"});
        QVERIFY(g.count > 10);
        long long outs = 0, er = 0;
        for (long long i = 0; i < g.count; ++i) {
            const Lines& r = g.records[static_cast<std::size_t>(i)];
            const double ip = std::stod(r[14]);
            outs += static_cast<long long>(ip) * 3 + std::llround((ip - std::floor(ip)) * 10);
            er += std::stoll(r[18]);
        }
        QCOMPARE(g.totals[14], std::to_string(outs / 3) + "." + std::to_string(outs % 3));
        QCOMPARE(g.totals[13], shown(27 * er, outs, 100));
        QCOMPARE(g.totals[30], std::string());
        // An empty result: counts 0, averages missing.
        const Page none = page(Table::Pitchers, "0!1!300!", {"BNo Such Club", "*"});
        QCOMPARE(none.totals[5], std::string("0"));
        QCOMPARE(none.totals[13], std::string("-1.00"));
    }

    void missingValueMarkers() {
        // A pitcher without hit batters recorded, a fielder who is no catcher.
        const Page f = page(Table::Fielders, "0!1!300!", {"ASmith, Ozzie", "*", "C1980", "*"});
        QCOMPARE(f.records[0][10], std::string("-1"));
        QCOMPARE(f.records[0][15], std::string("SS"));
        const Page t = page(Table::Teams, "0!1!100!");
        QCOMPARE(t.records[0][3], std::string("-"));
        QCOMPARE(t.records[0][10], std::string("-1"));
        const Page zeroAb = page(Table::Batters, "0!1!300!", {"E9!0!0!", "*"});
        QCOMPARE(zeroAb.records[0][14], std::string("1000000.000"));
    }

    void pickLists() {
        const Lines years = list(Table::Teams, 'C');
        QCOMPARE(years.size(), std::size_t(2025 - 1871 + 1));
        QCOMPARE(years.front(), std::string("1871"));
        const Lines teams2001 = list(Table::Batters, 'D', {"C2001", "*"});
        QCOMPARE(teams2001.size(), std::size_t(30));
        QVERIFY(std::is_sorted(teams2001.begin(), teams2001.end(),
                               [](auto& a, auto& b) { return foldCompare(a, b) < 0; }));
        const Lines positions = list(Table::Fielders, 'G');
        QCOMPARE(positions, (Lines{"1B", "2B", "3B", "C", "OF", "P", "PH", "PR", "SS"}));
        const Lines leagues = list(Table::Pitchers, 'E', {"C1990", "*"});
        QCOMPARE(leagues, (Lines{"AL", "NL"}));
        // The lists kept ready for no selection are the lists over every row.
        for (const char letter : {'A', 'C', 'D', 'E', 'G'}) {
            QCOMPARE(list(Table::Fielders, letter), list(Table::Fielders, letter, {"E1!!!", "*"}));
        }
        // They are handed out in place, byte for byte the reply; a list over a selection is not.
        for (const char letter : {'A', 'C', 'D', 'E', 'G'}) {
            const std::string whole = body(std::string("0!0!") + letter + "!");
            std::string_view kept;
            const auto text = m_engine->answerIfCached(Table::Fielders, whole, {}, kept);
            QVERIFY(text && text->empty());
            QCOMPARE(std::string(kept), m_engine->answer(Table::Fielders, whole));
            const std::string some = body(std::string("0!0!") + letter + "!", {"C1990", "*"});
            kept = {};
            m_engine->answer(Table::Fielders, some);
            QCOMPARE(m_engine->answerIfCached(Table::Fielders, some, {}, kept),
                     std::optional<std::string>(m_engine->answer(Table::Fielders, some)));
            QVERIFY(kept.empty());
        }
    }

    void sharedPlayerNames() {
        const Lines players = list(Table::Batters, 'A');
        QVERIFY(std::find(players.begin(), players.end(), "Bonds, Barry") != players.end());
        QVERIFY(std::adjacent_find(players.begin(), players.end()) == players.end());
        const std::string entry = "Smith, John (1873-1875)";
        QVERIFY(std::find(players.begin(), players.end(), entry) != players.end());
        QVERIFY(std::find(players.begin(), players.end(), "Smith, John") == players.end());
        const auto rows = all(Table::Batters, "300!", {"A" + entry, "*"});
        QVERIFY(!rows.empty());
        for (const Lines& r : rows) {
            QCOMPARE(r[0], std::string("Smith, John"));
            QVERIFY(std::stoi(r[1]) >= 1873 && std::stoi(r[1]) <= 1875);
        }
        // The plain shared name selects every player who carries it.
        QVERIFY(page(Table::Batters, "0!0!300!", {"ASmith, John", "*"}).count >
                qint64(rows.size()));
        // Every player has a label of his own within the 49 characters a selection item keeps.
        QCOMPARE(players.size(), std::size_t(24011));
        std::set<QString> cut;
        for (const std::string& p : players) {
            QVERIFY2(cut.insert(QString::fromStdString(p).left(49)).second, p.c_str());
        }
        const std::vector<std::tuple<std::string, long long, std::string>> own = {
            {"Garcia, Luis (2020-2025, born 2000)", 6, "WAS"},
            {"Garcia, Luis (2020-2025, born 1996)", 5, "HOU"},
            {"Smith (1921-1921) #1", 1, "DS"},
            {"Smith (1921-1921) #3", 1, "COG"}};
        for (const auto& [label, count, team] : own) {
            const auto rows = all(Table::Batters, "300!", {"A" + label, "*"});
            QCOMPARE(qint64(rows.size()), count);
            for (const Lines& r : rows) {
                QCOMPARE(r[2], team);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
