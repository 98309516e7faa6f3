// The more-columns option ("more=1") on the real data imported by the lahman_db fixture: the
// published figures named one by one, and the option's fields on the page and CSV paths.
#include <QtTest>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "service/engine/engine.h"
#include "tests/service/test_engine_support.h"

using bbstatsd::Engine;
using bbstatsd::Table;

namespace {

using enginetest::Lines;

// Lines of a record: Batters 31, Pitchers 31, Fielders 17, Teams 67, then the added ones.
constexpr int kBatterOps = 31, kBatterOpsPlus = 32, kPitcherWhip = 31, kPitcherK9 = 32,
              kPitcherEraPlus = 36;
constexpr int kRecordLines[] = {31, 31, 17, 67};
constexpr int kAddedLines[] = {5, 8, 1, 3};

} // namespace

class TestMoreColumns : public QObject {
    Q_OBJECT

    std::unique_ptr<Engine> m_engine;

    // The records of a page reply, line by line.
    std::vector<Lines> records(Table table, const std::string& reply) {
        const Lines lines = enginetest::splitReply(reply);
        const auto width = static_cast<std::size_t>(kRecordLines[static_cast<int>(table)] +
                                                    kAddedLines[static_cast<int>(table)]);
        std::vector<Lines> out;
        const std::size_t count = std::stoul(lines.at(0));
        for (std::size_t i = 0; i < count && 1 + (i + 1) * width <= lines.size(); ++i) {
            out.emplace_back(lines.begin() + static_cast<long>(1 + i * width),
                             lines.begin() + static_cast<long>(1 + (i + 1) * width));
        }
        return out;
    }

private slots:
    void initTestCase() { m_engine = std::make_unique<Engine>(enginetest::dbPath()); }

    // Figures as the reference books publish them: OPS+ and ERA+ within 4, Pedro Martinez's
    // 2000 WHIP and strikeouts per nine innings exactly as shown.
    void publishedFigures_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("player");
        QTest::addColumn<QString>("season"); // empty: the career line
        QTest::addColumn<int>("line");
        QTest::addColumn<double>("published");
        QTest::addColumn<double>("tolerance");
        const int b = static_cast<int>(Table::Batters), p = static_cast<int>(Table::Pitchers);
        QTest::newRow("Ruth 1920 OPS+ 255") << b << "Ruth, Babe"
                                            << "1920" << kBatterOpsPlus << 255.0 << 4.0;
        QTest::newRow("Williams 1941 OPS+ 235") << b << "Williams, Ted"
                                                << "1941" << kBatterOpsPlus << 235.0 << 4.0;
        QTest::newRow("Bonds 2004 OPS+ 263") << b << "Bonds, Barry"
                                             << "2004" << kBatterOpsPlus << 263.0 << 4.0;
        QTest::newRow("Gibson 1968 ERA+ 258") << p << "Gibson, Bob"
                                              << "1968" << kPitcherEraPlus << 258.0 << 4.0;
        QTest::newRow("Martinez 2000 ERA+ 291") << p << "Martinez, Pedro"
                                                << "2000" << kPitcherEraPlus << 291.0 << 4.0;
        QTest::newRow("Maddux 1994 ERA+ 271") << p << "Maddux, Greg"
                                              << "1994" << kPitcherEraPlus << 271.0 << 4.0;
        QTest::newRow("Martinez 2000 WHIP 0.737") << p << "Martinez, Pedro"
                                                  << "2000" << kPitcherWhip << 0.737 << 0.0;
        QTest::newRow("Martinez 2000 K/9 11.8") << p << "Martinez, Pedro"
                                                << "2000" << kPitcherK9 << 11.8 << 0.0;
        QTest::newRow("Ruth career OPS+ 206") << b << "Ruth, Babe"
                                              << "" << kBatterOpsPlus << 206.0 << 4.0;
        QTest::newRow("Williams career OPS+ 191") << b << "Williams, Ted"
                                                  << "" << kBatterOpsPlus << 191.0 << 4.0;
        QTest::newRow("Rivera career ERA+ 205") << p << "Rivera, Mariano"
                                                << "" << kPitcherEraPlus << 205.0 << 4.0;
        QTest::newRow("Bonds 2004 OPS 1.422") << b << "Bonds, Barry"
                                              << "2004" << kBatterOps << 1.422 << 0.0;
    }

    void publishedFigures() {
        QFETCH(int, table);
        QFETCH(QString, player);
        QFETCH(QString, season);
        QFETCH(int, line);
        QFETCH(double, published);
        QFETCH(double, tolerance);
        Lines items{"A" + player.toStdString(), "*"};
        if (!season.isEmpty()) {
            items.insert(items.end(), {"C" + season.toStdString(), "*"});
        }
        const auto t = static_cast<Table>(table);
        const std::string query = season.isEmpty() ? "lines=career&more=1" : "lines=season&more=1";
        const auto found =
            records(t, m_engine->answer(t, enginetest::body("0!5!300!", items), query));
        QCOMPARE(found.size(), std::size_t(1));
        const double shown = std::stod(found[0].at(static_cast<std::size_t>(line)));
        qInfo("%s: %s", qPrintable(player), found[0][static_cast<std::size_t>(line)].c_str());
        QVERIFY2(std::fabs(shown - published) <= tolerance + 1e-9,
                 qPrintable(QString("shown %1, published %2").arg(shown).arg(published)));
    }
};

QTEST_GUILESS_MAIN(TestMoreColumns)
#include "test_morecolumns.moc"
