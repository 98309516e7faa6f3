// Finding players by name and their facts, on the real data: matching words in any order with
// case and accents ignored, the ranking, the refusals, and a thousand searches of real names.
#include <QtTest>

#include <algorithm>
#include <string>
#include <vector>

#include "service/engine/engine.h"
#include "service/engine/playersearch.h"
#include "service/engine/sqlitedb.h"
#include "test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::RequestError;
using enginetest::dbPath;
using enginetest::Lines;
using enginetest::splitReply;

namespace {

Lines fields(const std::string& line) {
    Lines out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            return out;
        }
        start = tab + 1;
    }
}

std::vector<std::string> sortedWords(const std::string& text) {
    std::vector<std::string> words = bbstatsd::searchWords(text);
    std::sort(words.begin(), words.end());
    return words;
}

} // namespace

class TestPlayerSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<Engine> m_engine;

    // The player codes of a search's lines, in order.
    std::vector<std::string> ids(const std::string& query) {
        std::vector<std::string> out;
        for (const std::string& line : splitReply(m_engine->findPlayers(query))) {
            out.push_back(fields(line)[0]);
        }
        return out;
    }

private slots:
    void initTestCase() { m_engine = std::make_unique<Engine>(dbPath()); }

    void findsByAnyWordsOfTheNames_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("first");   // the leading codes, in order
        QTest::addColumn<QStringList>("present"); // codes anywhere in the reply
        QTest::newRow("used name") << "q=babe+ruth" << QStringList{"ruthba01"} << QStringList{};
        QTest::newRow("reversed, upper case")
            << "q=RUTH%20Babe" << QStringList{"ruthba01"} << QStringList{};
        QTest::newRow("last name: most games first")
            << "q=ruth" << QStringList{"ruthba01"} << QStringList{};
        QTest::newRow("given name")
            << "q=george+herman" << QStringList{} << QStringList{"ruthba01"};
        QTest::newRow("word starts") << "q=ba+ru" << QStringList{} << QStringList{"ruthba01"};
        QTest::newRow("accent ignored")
            << "q=acuna+ronald" << QStringList{"acunaro01"} << QStringList{};
        QTest::newRow("accent typed")
            << "q=acu%C3%B1a+ronald" << QStringList{"acunaro01"} << QStringList{};
        QTest::newRow("namesakes")
            << "q=griffey" << QStringList{} << QStringList{"griffke01", "griffke02"};
        // A used first and last name typed exactly outranks players with more games.
        QTest::newRow("exact name first")
            << "q=ken+griffey" << QStringList{"griffke02", "griffke01"} << QStringList{};
        QTest::newRow("traded star")
            << "q=rickey+henderson" << QStringList{"henderi01"} << QStringList{};
        QTest::newRow("other parameters")
            << "x=1&q=babe+ruth&y=2" << QStringList{"ruthba01"} << QStringList{};
    }
    void findsByAnyWordsOfTheNames() {
        QFETCH(QString, query);
        QFETCH(QStringList, first);
        QFETCH(QStringList, present);
        const std::vector<std::string> found = ids(query.toStdString());
        QVERIFY(!found.empty());
        QVERIFY(found.size() <= bbstatsd::PlayerSearch::MaxLines);
        for (int i = 0; i < first.size(); ++i) {
            QCOMPARE(QString::fromStdString(found.at(static_cast<std::size_t>(i))), first[i]);
        }
        for (const QString& id : present) {
            QVERIFY2(std::find(found.begin(), found.end(), id.toStdString()) != found.end(),
                     qPrintable(id));
        }
    }

    // Each line: code, "Last, First", seasons, tables, positions, birth year, games, labels.
    void linesTellNamesakesApart() {
        const Lines lines = splitReply(m_engine->findPlayers("q=griffey"));
        std::vector<Lines> kens;
        for (const std::string& line : lines) {
            if (line.starts_with("griffke0")) {
                kens.push_back(fields(line));
            }
        }
        QCOMPARE(kens.size(), std::size_t(2));
        // The son played more games, so he comes first.
        QCOMPARE(kens[0],
                 (Lines{"griffke02", "Griffey, Ken", "1989-2010", "BF", "of,1b", "1969", "2671",
                        "Griffey, Ken (1989-2010)", "", "Griffey, Ken (1989-2009)"}));
        // His fielding ended a season before his batting: each table labels him by its own years.
        QCOMPARE(kens[1][2], std::string("1973-1991"));
        QCOMPARE(kens[1][5], std::string("1950"));
        QVERIFY(kens[0][7] != kens[1][7]);
    }

    void refusesWhatItCannotRead_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("problem");
        QTest::newRow("no text") << ""
                                 << "no q= search text";
        QTest::newRow("empty") << "q="
                               << "empty search text";
        QTest::newRow("blanks only") << "q=+%20+"
                                     << "empty search text";
        QTest::newRow("over 200 bytes") << "q=" + QString(201, 'a') << "search text over 200 bytes";
        QTest::newRow("over 200 once decoded")
            << "q=" + QString("%C3%B1").repeated(101) << "search text over 200 bytes";
        QTest::newRow("not UTF-8") << "q=ruth%FF"
                                   << "search text is not UTF-8";
        QTest::newRow("cut character") << "q=acu%C3"
                                       << "search text is not UTF-8";
        QTest::newRow("overlong") << "q=%C0%A0ruth"
                                  << "search text is not UTF-8";
        QTest::newRow("control") << "q=ruth%0Ababe"
                                 << "control character in the search text";
        QTest::newRow("delete") << "q=ruth%7F"
                                << "control character in the search text";
        QTest::newRow("C1 control") << "q=ruth%C2%85"
                                    << "control character in the search text";
        QTest::newRow("bad escape") << "q=ruth%G1"
                                    << "bad percent escape in the search text";
        QTest::newRow("cut escape") << "q=ruth%4"
                                    << "bad percent escape in the search text";
    }
    void refusesWhatItCannotRead() {
        QFETCH(QString, query);
        QFETCH(QString, problem);
        try {
            m_engine->findPlayers(query.toStdString());
            QFAIL("answered");
        } catch (const RequestError& error) {
            QCOMPARE(error.status(), 400);
            QCOMPARE(QString::fromStdString(error.reason()), problem);
        }
    }

    void answersFacts() {
        const Lines lines = splitReply(m_engine->playerFacts("ruthba01"));
        for (const char* line : {"ID\truthba01",
                                 "Name\tRuth, Babe",
                                 "First\tBabe",
                                 "Last\tRuth",
                                 "Given\tGeorge Herman",
                                 "Born\t1895-02-06",
                                 "BirthPlace\tBaltimore, MD, USA",
                                 "Died\t1948-08-16",
                                 "DeathPlace\tNew York, NY, USA",
                                 "Bats\tL",
                                 "Throws\tL",
                                 "Height\t74",
                                 "Weight\t215",
                                 "Debut\t1914-07-11",
                                 "FinalGame\t1935-05-30",
                                 "BbrefID\truthba01",
                                 "RetroID\truthb101",
                                 "Years\t1914-1935",
                                 "Batters\tRuth, Babe",
                                 "Pitchers\tRuth, Babe",
                                 "Fielders\tRuth, Babe"}) {
            QVERIFY2(std::find(lines.begin(), lines.end(), line) != lines.end(), line);
        }
        // A living player has no death lines.
        const std::string acuna = m_engine->playerFacts("acunaro01");
        QVERIFY(acuna.find("Last\tAcuña\r\n") != std::string::npos);
        QVERIFY(acuna.find("Died") == std::string::npos);
        for (const char* unknown : {"nosuchpl01", "", "RUTHBA01", "ruthba01 "}) {
            try {
                m_engine->playerFacts(unknown);
                QFAIL(unknown);
            } catch (const RequestError& error) {
                QCOMPARE(error.status(), 404);
                QCOMPARE(error.reason(), std::string("no player with that code"));
            }
        }
    }

    // A thousand searches of one to three words taken from real players: each player is found
    // by his used name and by his used and given name, and every reply is ranked. The time is
    // reported, never checked.
    void thousandSearches() {
        struct Name {
            std::string id, first, last, given;
        };
        std::vector<Name> names;
        {
            bbstatsd::SqliteDb db(dbPath(), true);
            bbstatsd::SqliteStmt select(db, "SELECT PlayerID, NameFirst, NameLast, NameGiven "
                                            "FROM player_facts WHERE NameFirst <> '' "
                                            "ORDER BY PlayerID");
            while (select.step()) {
                names.push_back({std::string(select.text(0)), std::string(select.text(1)),
                                 std::string(select.text(2)), std::string(select.text(3))});
            }
        }
        QVERIFY(names.size() > 20000);
        QElapsedTimer timer;
        qint64 spent = 0;
        for (std::size_t i = 0; i < 1000; ++i) {
            const Name& n = names[i * names.size() / 1000];
            const std::string givenWord = n.given.substr(0, n.given.find(' '));
            const std::string text = i % 3 == 0   ? n.last
                                     : i % 3 == 1 ? n.last + " " + n.first
                                                  : n.first + " " + givenWord + " " + n.last;
            std::string query = "q=";
            for (const char c : text) {
                query += c == ' ' ? std::string("+")
                                  : QByteArray(1, c).toPercentEncoding().toStdString();
            }
            timer.start();
            const std::string reply = m_engine->findPlayers(query);
            spent += timer.nsecsElapsed();
            const Lines lines = splitReply(reply);
            QVERIFY2(!lines.empty() && lines.size() <= 50, text.c_str());
            bool found = false;
            bool exactBlock = true;
            long long lastGames = -1;
            const std::vector<std::string> typed = sortedWords(text);
            for (const std::string& line : lines) {
                const Lines f = fields(line);
                QVERIFY2(f.size() == 10, line.c_str());
                found = found || f[0] == n.id;
                const bool exact = sortedWords(f[1]) == typed;
                QVERIFY2(!exact || exactBlock, (text + ": " + line).c_str());
                const long long games = std::stoll(f[6]);
                if (exact != exactBlock) {
                    exactBlock = false;
                    lastGames = -1;
                }
                QVERIFY2(lastGames < 0 || games <= lastGames, (text + ": " + line).c_str());
                lastGames = games;
            }
            QVERIFY2(found || (i % 3 == 0 && lines.size() == 50), text.c_str());
        }
        qInfo("1000 searches: %.3f ms in all, %.1f us each", spent / 1e6, spent / 1e6);
    }
};

QTEST_GUILESS_MAIN(TestPlayerSearch)
#include "test_playersearch.moc"
