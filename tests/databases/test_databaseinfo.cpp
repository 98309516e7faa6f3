#include <QtTest>

#include "databases/batterrecord.h"
#include "databases/columncatalogue.h"
#include "databases/databaseinfo.h"
#include "databases/fielderrecord.h"
#include "databases/pitcherrecord.h"
#include "databases/teamrecord.h"

Q_DECLARE_METATYPE(DatabaseKind)

namespace {

QStringList descriptions(const ColumnCatalogue& catalogue) {
    QStringList list;
    for (const CatalogueEntry& e : catalogue.entries) {
        list << e.description;
    }
    return list;
}

} // namespace

class TestDatabaseInfo : public QObject {
    Q_OBJECT
private slots:
    void sizesAgree_data();
    void sizesAgree();
    void catalogueEntries_data();
    void catalogueEntries();
    void catalogueFollowsSortListExceptPitchers();
    void catalogueLookupIsExact();
    void columnTitles_data();
    void columnTitles();
    void pitcherColumnsMapToSortNumbers();
    void identity();
};

void TestDatabaseInfo::sizesAgree_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("fixed");
    QTest::addColumn<int>("longest");
    QTest::addColumn<int>("bandCapacity");
    QTest::newRow("batters") << DatabaseKind::Batters << 31 << 3 << 40 << 90000;
    QTest::newRow("pitchers") << DatabaseKind::Pitchers << 31 << 3 << 40 << 90000;
    QTest::newRow("fielders") << DatabaseKind::Fielders << 16 << 3 << 40 << 110000;
    QTest::newRow("teams") << DatabaseKind::Teams << 67 << 2 << 70 << 48000;
}

void TestDatabaseInfo::sizesAgree() {
    QFETCH(DatabaseKind, kind);
    QFETCH(int, count);
    QFETCH(int, fixed);
    QFETCH(int, longest);
    QFETCH(int, bandCapacity);
    const DatabaseInfo& info = DatabaseInfoFor(kind);
    const ColumnCatalogue catalogue = DefaultCatalogue(kind);
    QCOMPARE(info.kind, kind);
    QCOMPARE(catalogue.kind, kind);
    QCOMPARE(catalogue.count(), count);
    QCOMPARE(static_cast<int>(info.columns.size()), count);
    QCOMPARE(info.sortFields.size(), count);
    QCOMPARE(info.fixedColumns, fixed);
    QCOMPARE(info.rowBandsCapacity, bandCapacity);
    for (const CatalogueEntry& e : catalogue.entries) {
        QVERIFY2(e.description.size() <= longest, qPrintable(e.description));
        QVERIFY(e.printWidth > 0);
    }
}

void TestDatabaseInfo::catalogueEntries_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("description");
    QTest::newRow("B first") << DatabaseKind::Batters << 0 << 18 << "Player Name";
    QTest::newRow("B team name") << DatabaseKind::Batters << 3 << 34 << "Team Name";
    QTest::newRow("B GIDP") << DatabaseKind::Batters << 29 << 7
                            << "GIDP- Grounded Into Double Play";
    QTest::newRow("B last") << DatabaseKind::Batters << 30 << 21 << "POS - Positions Played";
    QTest::newRow("P league") << DatabaseKind::Pitchers << 4 << 4 << "League";
    QTest::newRow("P throws fifth") << DatabaseKind::Pitchers << 5 << 4 << "THR - Throws";
    QTest::newRow("P ERA") << DatabaseKind::Pitchers << 14 << 9 << "ERA - Earned Run Average";
    QTest::newRow("P last") << DatabaseKind::Pitchers << 30 << 7
                            << "OPP OB% - Opponents On Base Percentage";
    QTest::newRow("F range") << DatabaseKind::Fielders << 13 << 7 << "RANGE  - Range = (PO+A)/G";
    QTest::newRow("F total chances")
        << DatabaseKind::Fielders << 12 << 8 << "TOT CH - Total Chances";
    QTest::newRow("T year") << DatabaseKind::Teams << 0 << 5 << "Year";
    QTest::newRow("T division") << DatabaseKind::Teams << 4 << 4 << "DIV - Division";
    QTest::newRow("T games behind") << DatabaseKind::Teams << 8 << 7 << "GB  - Games Behind";
    QTest::newRow("T TPA") << DatabaseKind::Teams << 14 << 7
                           << "Batting  - TPA - Total Plate Appearances";
    QTest::newRow("T ERA") << DatabaseKind::Teams << 41 << 9
                           << "Pitching - ERA - Earned Run Average";
    QTest::newRow("T IP") << DatabaseKind::Teams << 42 << 8 << "Pitching - IP  - Innings Pitched";
    QTest::newRow("T opp runs") << DatabaseKind::Teams << 46 << 7
                                << "Pitching - OPP RS - Opponents Runs Scored";
    QTest::newRow("T opp SO") << DatabaseKind::Teams << 52 << 8
                              << "Pitching - OPP SO - Opponents Strikeouts";
    QTest::newRow("T opp AVG") << DatabaseKind::Teams << 57 << 8
                               << "Pitching - OPP AVG - Opponents Batting Average";
    QTest::newRow("T last") << DatabaseKind::Teams << 66 << 7
                            << "Fielding - FA  - Fielding Average";
}

void TestDatabaseInfo::catalogueEntries() {
    QFETCH(DatabaseKind, kind);
    QFETCH(int, index);
    QFETCH(int, width);
    QFETCH(QString, description);
    const ColumnCatalogue catalogue = DefaultCatalogue(kind);
    QCOMPARE(catalogue.entries[index].description, description);
    QCOMPARE(catalogue.entries[index].printWidth, width);
}

void TestDatabaseInfo::catalogueFollowsSortListExceptPitchers() {
    for (DatabaseKind kind : {DatabaseKind::Batters, DatabaseKind::Fielders, DatabaseKind::Teams}) {
        QCOMPARE(descriptions(DefaultCatalogue(kind)), DatabaseInfoFor(kind).sortFields);
    }
    // The pitchers' sort list follows the reply lines, with throws last and
    // its own names for the first and fifth field.
    const QStringList sort = PitchersInfo().sortFields;
    QCOMPARE(sort.at(0), QStringLiteral("Pitcher Name"));
    QCOMPARE(sort.at(4), QStringLiteral("LGE - League"));
    QCOMPARE(sort.at(5), QStringLiteral("G   - Games"));
    QCOMPARE(sort.at(30), QStringLiteral("THR - Throws"));
    QCOMPARE(TeamsInfo().sortFields.at(23), QStringLiteral("Batting  - AVG - Average"));
}

void TestDatabaseInfo::catalogueLookupIsExact() {
    const ColumnCatalogue catalogue = DefaultCatalogue(DatabaseKind::Fielders);
    QCOMPARE(catalogue.indexOf(QStringLiteral("POS    - Position")), 5);
    QCOMPARE(catalogue.indexOf(QStringLiteral("pos    - position")), -1);
    QCOMPARE(catalogue.indexOf(QStringLiteral("POS - Position")), -1);
}

void TestDatabaseInfo::columnTitles_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("pixels");
    QTest::newRow("B code") << DatabaseKind::Batters << 2 << "TEAM"
                            << "CODE" << 50;
    QTest::newRow("B bats") << DatabaseKind::Batters << 5 << ""
                            << " BAT" << 31;
    QTest::newRow("B RBI") << DatabaseKind::Batters << 17 << ""
                           << "    RBI" << 61;
    QTest::newRow("B POS") << DatabaseKind::Batters << 30 << ""
                           << " POS" << 180;
    QTest::newRow("P league") << DatabaseKind::Pitchers << 4 << ""
                              << "LGE" << 31;
    QTest::newRow("P IP") << DatabaseKind::Pitchers << 15 << ""
                          << "       IP" << 71;
    QTest::newRow("P opp avg") << DatabaseKind::Pitchers << 29 << "   OPP"
                               << "   AVG" << 55;
    QTest::newRow("P opp obp") << DatabaseKind::Pitchers << 30 << "  OPP"
                               << "  OB%" << 55;
    QTest::newRow("F league") << DatabaseKind::Fielders << 4 << ""
                              << "LGE" << 37;
    QTest::newRow("F TCH/G") << DatabaseKind::Fielders << 14 << ""
                             << " TCH/G" << 55;
    QTest::newRow("T code") << DatabaseKind::Teams << 1 << "TEAM"
                            << "CODE" << 35;
    QTest::newRow("T home wins") << DatabaseKind::Teams << 10 << "   HOME"
                                 << "   WINS" << 52;
    QTest::newRow("T hits") << DatabaseKind::Teams << 17 << ""
                            << "     H" << 52;
    QTest::newRow("T bat SHO") << DatabaseKind::Teams << 36 << "  BAT"
                               << "  SHO" << 42;
    QTest::newRow("T pit SHO") << DatabaseKind::Teams << 38 << "  PIT"
                               << "  SHO" << 36;
    QTest::newRow("T opp runs") << DatabaseKind::Teams << 46 << "    OPP"
                                << "     RS" << 50;
    QTest::newRow("T opp HR") << DatabaseKind::Teams << 48 << "   OPP"
                              << "    HR" << 45;
    QTest::newRow("T opp SacF") << DatabaseKind::Teams << 54 << "    OPP"
                                << "   SacF" << 50;
    QTest::newRow("T wild pitches") << DatabaseKind::Teams << 55 << ""
                                    << "     WP" << 50;
    QTest::newRow("T chances") << DatabaseKind::Teams << 62 << "     TOT"
                               << "      CH" << 60;
}

void TestDatabaseInfo::columnTitles() {
    QFETCH(DatabaseKind, kind);
    QFETCH(int, column);
    QFETCH(QString, top);
    QFETCH(QString, title);
    QFETCH(int, pixels);
    const ColumnSpec& col = DatabaseInfoFor(kind).columns[static_cast<std::size_t>(column)];
    QCOMPARE(QString::fromLatin1(col.headerTop), top);
    QCOMPARE(QString::fromLatin1(col.title), title);
    QCOMPARE(col.pixels, pixels);
}

void TestDatabaseInfo::pitcherColumnsMapToSortNumbers() {
    const DatabaseInfo& info = PitchersInfo();
    QCOMPARE(info.columns[4].sortField, 4);
    QCOMPARE(info.columns[5].sortField, 30);
    QCOMPARE(info.columns[6].sortField, 5);
    QCOMPARE(info.columns[30].sortField, 29);
    for (int c = 0; c < 67; ++c) {
        QCOMPARE(TeamsInfo().columns[static_cast<std::size_t>(c)].sortField, c);
    }
}

void TestDatabaseInfo::identity() {
    QCOMPARE(BattersInfo().caption, QStringLiteral("Baseball Batters Statistics"));
    QCOMPARE(BattersInfo().servicePath, QStringLiteral("/cgi-bin/getbat.exe"));
    QCOMPARE(PitchersInfo().servicePath, QStringLiteral("/cgi-bin/getpit.exe"));
    QCOMPARE(FieldersInfo().servicePath, QStringLiteral("/cgi-bin/getfield.exe"));
    QCOMPARE(TeamsInfo().servicePath, QStringLiteral("/cgi-bin/getbaseteam.exe"));
    QCOMPARE(TeamsInfo().caption, QStringLiteral("Baseball Teams Statistics"));
    QCOMPARE(FieldersInfo().sortCaption, QStringLiteral("Baseball Fielders - Sort Options"));
    QCOMPARE(PitchersInfo().printFilter,
             QStringLiteral("Pitcher Print Definition File (*.BSP)|*.bsp"));
    QCOMPARE(&TeamsDatabase().layout, &TeamLayout());
    QCOMPARE(&FieldersDatabase().info, &DatabaseInfoFor(DatabaseKind::Fielders));
}

QTEST_APPLESS_MAIN(TestDatabaseInfo)
#include "test_databaseinfo.moc"
