// Pick-list labels: every player of a table named apart within what the client keeps of a
// selection item, with the seasons, the birth year or a number mark only where needed.
#include <QtTest>

#include <string>
#include <vector>

#include "service/engine/picklabels.h"

using bbstatsd::PickPlayer;

Q_DECLARE_METATYPE(std::vector<PickPlayer>)
Q_DECLARE_METATYPE(std::vector<std::string>)

class TestPickLabels : public QObject {
    Q_OBJECT

private slots:
    void labels_data() {
        QTest::addColumn<std::vector<PickPlayer>>("players");
        QTest::addColumn<std::vector<std::string>>("labels");
        // 50 characters in 52 bytes: alike with a letter more within the 49 characters kept; the
        // 46 before a mark end with the "é" whole (46 bytes would end inside it).
        const std::string longName = "Encarnacion-Strand-Montes De Oca, Christian Jérôme";
        QTest::newRow("names of their own")
            << std::vector<PickPlayer>{{"a01", "Aaron, Hank", 1954, 1976, 1934},
                                       {"b01", "Bonds, Barry", 1986, 2007, 1964}}
            << std::vector<std::string>{"Aaron, Hank", "Bonds, Barry"};
        QTest::newRow("shared name: seasons")
            << std::vector<PickPlayer>{{"s1", "Smith, John", 1873, 1875, -1},
                                       {"s2", "Smith, John", 1901, 1910, 1880}}
            << std::vector<std::string>{"Smith, John (1873-1875)", "Smith, John (1901-1910)"};
        QTest::newRow("shared seasons: birth years")
            << std::vector<PickPlayer>{{"g4", "Garcia, Luis", 2020, 2025, 2000},
                                       {"g5", "Garcia, Luis", 2020, 2025, 1996},
                                       {"g1", "Garcia, Luis", 1999, 1999, 1975}}
            << std::vector<std::string>{"Garcia, Luis (2020-2025, born 2000)",
                                        "Garcia, Luis (2020-2025, born 1996)",
                                        "Garcia, Luis (1999-1999)"};
        QTest::newRow("birth years unknown or alike: marks in code order")
            << std::vector<PickPlayer>{{"smith16", "Smith", 1926, 1926, -1},
                                       {"smith15", "Smith", 1926, 1926, -1},
                                       {"jones2", "Jones", 1930, 1930, 1900},
                                       {"jones1", "Jones", 1930, 1930, 1900},
                                       {"jones3", "Jones", 1930, 1930, 1901}}
            << std::vector<std::string>{"Smith (1926-1926) #2", "Smith (1926-1926) #1",
                                        "Jones (1930-1930) #2", "Jones (1930-1930) #1",
                                        "Jones (1930-1930, born 1901)"};
        QTest::newRow("alike within the characters kept: cut whole characters, marked")
            << std::vector<PickPlayer>{{"e1", longName, 2000, 2001, 1980},
                                       {"e2", longName + "s", 2000, 2001, 1981}}
            << std::vector<std::string>{"Encarnacion-Strand-Montes De Oca, Christian Jé #1",
                                        "Encarnacion-Strand-Montes De Oca, Christian Jé #2"};
        // 49 characters in 51 bytes, apart only in the last: kept whole, so no mark.
        const std::string upToM = longName.substr(0, longName.size() - 2); // "...Jérôm"
        const std::string upToN = upToM.substr(0, upToM.size() - 1) + "n"; // "...Jérôn"
        QTest::newRow("49 characters in more bytes: apart without a mark")
            << std::vector<PickPlayer>{{"f1", upToM, 2000, 2001, 1980},
                                       {"f2", upToN, 2000, 2001, 1981}}
            << std::vector<std::string>{upToM, upToN};
    }

    void labels() {
        QFETCH(std::vector<PickPlayer>, players);
        QFETCH(std::vector<std::string>, labels);
        const std::vector<std::string> made = bbstatsd::pickLabels(players);
        QCOMPARE(made, labels);
    }
};

QTEST_GUILESS_MAIN(TestPickLabels)
#include "test_picklabels.moc"
