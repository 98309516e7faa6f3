#include <random>
#include <string>
#include <vector>

#include <QtTest>

#include "databases/batterrecord.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/rowbands.h"
#include "databases/teamrecord.h"

namespace {

// Band bytes of positions 0 .. count - 1 as a string of digits.
QString bandText(const RowBands& bands, int count) {
    QString text;
    for (int i = 0; i < count; ++i) {
        text += QString::number(bands.at(i));
    }
    return text;
}

BatterRecord batter(const char* name, const char* team, const char* year) {
    BatterRecord r{};
    r.PlayerName.assign(name);
    r.TeamName.assign(team);
    r.Year.assign(year);
    return r;
}

// Three seasons of Aaron with two clubs, two of Banks, one of Cobb.
std::vector<BatterRecord> battersCache() {
    return {batter("Aaron, Hank", "Milwaukee Braves", "1954"),
            batter("Aaron, Hank", "Milwaukee Braves", "1955"),
            batter("Aaron, Hank", "Atlanta Braves", "1966"),
            batter("Banks, Ernie", "Chicago Cubs", "1966"),
            batter("Banks, Ernie", "Chicago Cubs", "1967"),
            batter("Cobb, Ty", "Detroit Tigers", "1967")};
}

TeamRecord team(const char* name, const char* year, const char* division, const char* league) {
    TeamRecord r{};
    r.TeamName.assign(name);
    r.Year.assign(year);
    r.Division.assign(division);
    r.League.assign(league);
    return r;
}

} // namespace

class TestRowBands : public QObject {
    Q_OBJECT
private slots:
    void battersModes_data();
    void battersModes();
    void teamsModes_data();
    void teamsModes();
    void fieldersPositionMode();
    void pitchersDoNotKnowModeThree();
    void unknownModeKeepsRowsButNotStaleTotals();
    void emptyResultIsTotalsOnly();
    void noResultChangesNothing();
    void growsBeyondCapacity();
    void unfetchedRowsCompareEqual();
    void keysCompareWholeText();
    void outOfRangeReadsZero();
    void trackerMatchesTheWholePass_data();
    void trackerMatchesTheWholePass();
};

void TestRowBands::battersModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("player") << 0 << "0001103";
    QTest::newRow("team") << 1 << "0010013";
    QTest::newRow("year") << 2 << "0100113";
}

void TestRowBands::battersModes() {
    QFETCH(int, mode);
    QFETCH(QString, expected);
    const std::vector<BatterRecord> cache = battersCache();
    RowBands bands(90000);
    RunBandPass(bands, cache, 6, BattersDatabase(), mode);
    QCOMPARE(bandText(bands, 7), expected);
    QCOMPARE(bands.size(), 90000);
}

void TestRowBands::teamsModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("team name") << 0 << "01013";
    QTest::newRow("year") << 1 << "00103";
    QTest::newRow("division") << 2 << "01103";
    QTest::newRow("league") << 3 << "01103";
    QTest::newRow("unknown 4") << 4 << "00003";
}

void TestRowBands::teamsModes() {
    QFETCH(int, mode);
    QFETCH(QString, expected);
    const std::vector<TeamRecord> cache = {
        team("Boston Red Sox", "1912", "-", "AL"), team("Chicago Cubs", "1912", "E", "NL"),
        team("Boston Red Sox", "1913", "E", "NL"), team("Chicago Cubs", "1914", "W", "AL")};
    RowBands bands(48000);
    RunBandPass(bands, cache, 4, TeamsDatabase(), mode);
    QCOMPARE(bandText(bands, 5), expected);
}

void TestRowBands::fieldersPositionMode() {
    std::vector<FielderRecord> cache(4);
    const char* positions[] = {"SS", "SS", "2B", "SS"};
    for (int i = 0; i < 4; ++i) {
        cache[static_cast<std::size_t>(i)].PlayerName.assign("Smith, Ozzie");
        cache[static_cast<std::size_t>(i)].Position.assign(positions[i]);
    }
    RowBands bands(110000);
    RunBandPass(bands, cache, 4, FieldersDatabase(), 3);
    QCOMPARE(bandText(bands, 5), QStringLiteral("00103"));
    RunBandPass(bands, cache, 4, FieldersDatabase(), 0);
    QCOMPARE(bandText(bands, 5), QStringLiteral("00003"));
}

void TestRowBands::pitchersDoNotKnowModeThree() {
    std::vector<PitcherRecord> cache(3);
    cache[0].PlayerName.assign("Grove, Lefty");
    cache[1].PlayerName.assign("Young, Cy");
    cache[2].PlayerName.assign("Young, Cy");
    RowBands bands(90000);
    bands.set(1, 1);
    bands.set(2, 0);
    RunBandPass(bands, cache, 3, PitchersDatabase(), 3);
    QCOMPARE(bandText(bands, 4), QStringLiteral("0103"));
    RunBandPass(bands, cache, 3, PitchersDatabase(), 0);
    QCOMPARE(bandText(bands, 4), QStringLiteral("0113"));
}

void TestRowBands::unknownModeKeepsRowsButNotStaleTotals() {
    const std::vector<BatterRecord> cache = battersCache();
    RowBands bands(16);
    RunBandPass(bands, cache, 6, BattersDatabase(), 1);
    QCOMPARE(bandText(bands, 7), QStringLiteral("0010013"));
    RunBandPass(bands, cache, 6, BattersDatabase(), 99);
    QCOMPARE(bandText(bands, 7), QStringLiteral("0010013"));
    RunBandPass(bands, cache, 6, BattersDatabase(), -1);
    QCOMPARE(bandText(bands, 7), QStringLiteral("0010013"));

    // A shorter result marks its totals row at 3; a longer result under an
    // unknown mode must not draw the totals record in data row 3.
    RunBandPass(bands, cache, 3, BattersDatabase(), 0);
    QCOMPARE(bandText(bands, 4), QStringLiteral("0003"));
    RunBandPass(bands, cache, 6, BattersDatabase(), 3);
    QCOMPARE(bandText(bands, 7), QStringLiteral("0000013"));
}

void TestRowBands::emptyResultIsTotalsOnly() {
    RowBands bands(10);
    bands.set(0, 1);
    RunBandPass(bands, {}, 0, BattersDatabase(), 0);
    QCOMPARE(bands.at(0), RowBands::Totals);
    QCOMPARE(bandText(bands, 3), QStringLiteral("300"));
}

void TestRowBands::noResultChangesNothing() {
    RowBands bands(3);
    bands.set(0, 1);
    RunBandPass(bands, {}, -1, BattersDatabase(), 0);
    QCOMPARE(bandText(bands, 3), QStringLiteral("100"));
    QCOMPARE(bands.size(), 3);
}

void TestRowBands::growsBeyondCapacity() {
    const std::vector<BatterRecord> cache = battersCache();
    // Positions 6 to 8 lie beyond the cache and read as empty names.
    RowBands bands(4);
    RunBandPass(bands, cache, 9, BattersDatabase(), 0);
    QVERIFY(bands.size() >= 10);
    QCOMPARE(bandText(bands, 10), QStringLiteral("0001101113"));
}

void TestRowBands::unfetchedRowsCompareEqual() {
    // Positions 2 and 3 were never fetched: zero-filled slots with empty
    // names, equal to each other, different from the fetched rows.
    std::vector<BatterRecord> cache(5);
    cache[0] = batter("Aaron, Hank", "", "1954");
    cache[1] = batter("Aaron, Hank", "", "1955");
    cache[4] = batter("Aaron, Hank", "", "1956");
    RowBands bands(8);
    RunBandPass(bands, cache, 5, BattersDatabase(), 0);
    QCOMPARE(bandText(bands, 6), QStringLiteral("001103"));
}

void TestRowBands::keysCompareWholeText() {
    std::vector<BatterRecord> cache = {batter("Smith, John", "", ""),
                                       batter("Smith, John ", "", ""),
                                       batter("smith, john", "", "")};
    RowBands bands(4);
    RunBandPass(bands, cache, 3, BattersDatabase(), 0);
    QCOMPARE(bandText(bands, 4), QStringLiteral("0103"));
}

void TestRowBands::outOfRangeReadsZero() {
    RowBands bands(2);
    bands.set(1, 1);
    QCOMPARE(bands.at(-1), std::uint8_t{0});
    QCOMPARE(bands.at(2), std::uint8_t{0});
    bands.set(-5, 1);
    QCOMPARE(bands.size(), 2);
    QCOMPARE(RowBands(-3).size(), 0);
}

void TestRowBands::trackerMatchesTheWholePass_data() {
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("positions");
    QTest::newRow("within one block") << 1u << 700;
    QTest::newRow("across blocks") << 2u << 5000;
    QTest::newRow("across blocks, other writes") << 3u << 5000;
}

// Random page writes, record counts and band modes: after every update the
// tracker's bands are byte for byte those of the whole pass run on the same
// keys after each of the same steps (positions past the result included).
void TestRowBands::trackerMatchesTheWholePass() {
    QFETCH(unsigned, seed);
    QFETCH(int, positions);
    std::mt19937 random(seed);
    const auto pick = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(n));
    };
    // The keys of modes 0 and 1, all empty (never fetched) at first; mode 7
    // has no key.
    std::vector<std::string> keys[2] = {
        std::vector<std::string>(static_cast<std::size_t>(positions)),
        std::vector<std::string>(static_cast<std::size_t>(positions))};
    const auto keyOf = [&keys](int mode) {
        const std::vector<std::string>& modeKeys = keys[mode == 1 ? 1 : 0];
        return [&modeKeys](int i) -> std::string_view {
            return i >= 0 && i < static_cast<int>(modeKeys.size())
                       ? std::string_view(modeKeys[static_cast<std::size_t>(i)])
                       : std::string_view();
        };
    };
    RowBands whole(100);
    BandTracker tracker(100);
    int total = positions / 2;
    int mode = 0;
    for (int step = 0; step < 600; ++step) {
        std::vector<PositionRange> changed;
        const int action = pick(20);
        if (action < 14) {
            // One to three pages, reaching past the stored positions at
            // times; some bring the records they replace again.
            for (int page = pick(3); page >= 0; --page) {
                const PositionRange range{pick(positions), 1 + pick(90)};
                const bool same = pick(3) == 0;
                for (std::int64_t i = range.first;
                     i < range.first + range.count && i < positions && !same; ++i) {
                    // Appended rather than "P" + ...: GCC 12 at -O3 takes the insertion at
                    // the front for an overlapping copy (a false -Wrestrict).
                    keys[0][static_cast<std::size_t>(i)] =
                        std::string("P").append(std::to_string(pick(3)));
                    keys[1][static_cast<std::size_t>(i)] =
                        std::string("T").append(std::to_string(pick(2)));
                }
                changed.push_back(range);
            }
        } else if (action < 16) {
            total = pick(positions + 200) - (pick(30) == 0 ? positions + 300 : 0);
        } else if (action < 18) {
            static constexpr int modes[] = {0, 1, 7};
            mode = modes[pick(3)];
        }
        const bool allChanged = pick(25) == 0;
        RunBandPassOverKeys(whole, total, mode != 7, keyOf(mode));
        tracker.update(total, mode, mode != 7, keyOf(mode), changed, allChanged);
        QCOMPARE(tracker.bands().size(), whole.size());
        for (int i = 0; i < whole.size(); ++i) {
            if (tracker.bands().at(i) != whole.at(i)) {
                QFAIL(qPrintable(QStringLiteral("step %1, position %2: %3, whole pass %4")
                                     .arg(step)
                                     .arg(i)
                                     .arg(tracker.bands().at(i))
                                     .arg(whole.at(i))));
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestRowBands)
#include "test_rowbands.moc"
