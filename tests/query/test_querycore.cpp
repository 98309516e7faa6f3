#include <QtTest>

#include "protocol/pagerequest.h"
#include "query/columncommands.h"
#include "query/columnhiding.h"
#include "query/headersort.h"
#include "query/querydispatch.h"
#include "query/selectionitems.h"
#include "query/sortcodes.h"
#include "query/tbtnrightdlg1.h"

Q_DECLARE_METATYPE(QueryCommand)
Q_DECLARE_METATYPE(DatabaseKind)
Q_DECLARE_METATYPE(LimitOrder)

namespace {

// Sort keys as (field, descending) pairs.
using Keys = QList<QPair<int, bool>>;

QByteArray FirstLine(const QueryState& state) {
    const std::string text = PageRequest(state, 0, 20);
    return QByteArray::fromStdString(text.substr(0, text.find("\r\n")));
}

} // namespace

// The pure parts of the query operations: sort codes, selection and limit
// items, dispatch by caption, menu enabling and the hidden-column list.
class TestQueryCore : public QObject {
    Q_OBJECT
private slots:
    void sortCodes_data();
    void sortCodes();
    void sortKeepsSelections();
    void headerClick_data();
    void headerClick();
    void limitItem_data();
    void limitItem();
    void limitBounds_data();
    void limitBounds();
    void selectionGroup();
    void captions();
    void dispatch_data();
    void dispatch();
    void commandEnabled();
    void hiddenColumnList();
    void hiddenColumnTitles();
    void tickedLines();
};

void TestQueryCore::sortCodes_data() {
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QList<int>>("directions");
    QTest::addColumn<QByteArray>("firstLine");
    // Positions count "NONE" as 0, so the field "Year" (number 1) is 2.
    QTest::newRow("year ascending")
        << QList<int>{2, 0, 0, 0} << QList<int>{0, 0, 0, 0} << QByteArray("0!20!101!");
    QTest::newRow("none then year descending")
        << QList<int>{0, 2, 0, 0} << QList<int>{0, 1, 0, 0} << QByteArray("0!20!1!");
    QTest::newRow("pair name desc, year asc")
        << QList<int>{1, 2, 0, 0} << QList<int>{1, 0, 0, 0} << QByteArray("0!20!B!0!101!");
    QTest::newRow("triple") << QList<int>{1, 2, 3, 0} << QList<int>{0, 1, 0, 0}
                            << QByteArray("0!20!Y!100!1!102!");
    QTest::newRow("quad with the highest teams code")
        << QList<int>{67, 1, 2, 3} << QList<int>{0, 1, 1, 0} << QByteArray("0!20!Z!166!0!1!102!");
    QTest::newRow("all none ascending")
        << QList<int>{0, 0, 0, 0} << QList<int>{0, 1, 1, 1} << QByteArray("0!20!99!");
    QTest::newRow("all none descending")
        << QList<int>{0, 0, 0, 0} << QList<int>{1, 0, 0, 0} << QByteArray("0!20!-1!");
    QTest::newRow("only 4th moves up to the 1st")
        << QList<int>{0, 0, 0, 5} << QList<int>{0, 0, 0, 1} << QByteArray("0!20!4!");
    QTest::newRow("gap at 2nd with 3rd and 4th set leaves a hole")
        << QList<int>{3, 0, 4, 5} << QList<int>{0, 0, 1, 0} << QByteArray("0!20!Z!102!3!-1!104!");
    QTest::newRow("gap at 1st and 3rd leaves a hole")
        << QList<int>{0, 3, 0, 5} << QList<int>{0, 0, 0, 1} << QByteArray("0!20!Y!102!99!4!");
}

void TestQueryCore::sortCodes() {
    QFETCH(QList<int>, positions);
    QFETCH(QList<int>, directions);
    QFETCH(QByteArray, firstLine);
    SortChoice choice;
    for (std::size_t i = 0; i < 4; ++i) {
        choice.positions[i] = positions[static_cast<int>(i)];
        choice.directions[i] = directions[static_cast<int>(i)];
    }
    QueryState state;
    // Leftovers of an earlier four-key sort must not leak into a shorter one.
    state.SortQuad = {5, 6, 7, 8};
    state.SortTriple = {5, 6, 7};
    state.SortPair = {5, 6};
    ApplySortCodes(state, ComputeSortCodes(choice));
    QCOMPARE(FirstLine(state), firstLine);
}

void TestQueryCore::sortKeepsSelections() {
    QueryState state;
    QVERIFY(state.AppendGroup({"BBoston Red Sox"}));
    SortChoice choice;
    choice.positions = {2, 0, 0, 0};
    ApplySortCodes(state, ComputeSortCodes(choice));
    QCOMPARE(QByteArray::fromStdString(PageRequest(state, 0, 20)),
             QByteArray("0!20!101!\r\nBBoston Red Sox\r\n*\r\n\x1a"));
    ResetSortCodes(state);
    QCOMPARE(FirstLine(state), QByteArray("0!20!300!"));
    QCOMPARE(state.SelectionCount, 2);
}

void TestQueryCore::headerClick_data() {
    // Batters fields: 0 name (text), 1 year, 7 G, 16 HR, 18 AVG. The keys
    // in force are (field, descending) pairs, the click a field and Shift;
    // `key` is the clicked field's place among the new keys (0: none).
    QTest::addColumn<Keys>("before");
    QTest::addColumn<int>("field");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::addColumn<int>("key");
    const Keys four{{16, true}, {18, true}, {1, false}, {0, false}};
    QTest::newRow("number, default order: descending")
        << Keys{} << 16 << false << QByteArray("0!20!16!") << 1;
    QTest::newRow("text, default order: ascending")
        << Keys{} << 0 << false << QByteArray("0!20!100!") << 1;
    QTest::newRow("second click turns the order")
        << Keys{{16, true}} << 16 << false << QByteArray("0!20!116!") << 1;
    QTest::newRow("third click turns it back")
        << Keys{{16, false}} << 16 << false << QByteArray("0!20!16!") << 1;
    QTest::newRow("another column replaces the keys")
        << Keys{{16, true}, {18, true}} << 0 << false << QByteArray("0!20!100!") << 1;
    QTest::newRow("plain click on the second key: alone, first order")
        << Keys{{16, true}, {18, false}} << 18 << false << QByteArray("0!20!18!") << 1;
    QTest::newRow("plain click on the first key turns it, others stay")
        << Keys{{16, true}, {18, true}} << 16 << false << QByteArray("0!20!B!116!18!") << 1;
    QTest::newRow("shift on the default order: first key")
        << Keys{} << 18 << true << QByteArray("0!20!18!") << 1;
    QTest::newRow("shift adds the next key")
        << Keys{{16, true}} << 18 << true << QByteArray("0!20!B!16!18!") << 2;
    QTest::newRow("shift adds a text key ascending")
        << Keys{{16, true}, {18, true}} << 0 << true << QByteArray("0!20!Y!16!18!100!") << 3;
    QTest::newRow("shift on a chosen key turns that key")
        << Keys{{16, true}, {18, true}} << 18 << true << QByteArray("0!20!B!16!118!") << 2;
    QTest::newRow("shift on the first key turns it")
        << Keys{{0, false}, {18, true}} << 0 << true << QByteArray("0!20!B!0!18!") << 1;
    QTest::newRow("fifth key replaces the fourth")
        << four << 7 << true << QByteArray("0!20!Z!16!18!101!7!") << 4;
    QTest::newRow("shift on the third of four turns it")
        << four << 1 << true << QByteArray("0!20!Z!16!18!1!100!") << 3;
}

// A click on a column title gives the keys the rule names, sent as the Sort
// dialog sends the same keys.
void TestQueryCore::headerClick() {
    QFETCH(Keys, before);
    QFETCH(int, field);
    QFETCH(bool, shift);
    QFETCH(QByteArray, firstLine);
    QFETCH(int, key);
    QueryState state;
    SortChoice start;
    for (qsizetype i = 0; i < before.size(); ++i) {
        start.positions[static_cast<std::size_t>(i)] = before[i].first + 1;
        start.directions[static_cast<std::size_t>(i)] = before[i].second ? 1 : 0;
    }
    ApplySortCodes(state, ComputeSortCodes(start));
    const HeaderClick click{field, shift, LimitFieldIsNumeric(DatabaseKind::Batters, field)};
    const SortChoice after = HeaderClickChoice(CurrentSortChoice(state), click);
    ApplySortCodes(state, ComputeSortCodes(after));
    QCOMPARE(FirstLine(state), firstLine);
    bool descending = false;
    QCOMPARE(SortKeyOf(CurrentSortChoice(state), field, &descending), key);
}

void TestQueryCore::limitItem_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<QByteArray>("item");
    QTest::newRow("untouched dialog") << 0 << "0"
                                      << "9999" << QByteArray("E0!0!9999!");
    QTest::newRow("years of the fifties") << 1 << "1950"
                                          << "1959" << QByteArray("E1!1950!1959!");
    QTest::newRow("empty bounds") << 7 << ""
                                  << "" << QByteArray("E7!!!");
    QTest::newRow("sent as typed") << 16 << " 3x"
                                   << "-1" << QByteArray("E16! 3x!-1!");
    QTest::newRow("cut at 50, closing ! first")
        << 16 << QString(20, QLatin1Char('1')) << QString(30, QLatin1Char('2'))
        << QByteArray("E16!" + QByteArray(20, '1') + "!" + QByteArray(25, '2'));
    // 50 characters, not bytes: accented letters count once and are never split.
    QTest::newRow("accented bounds cut at 50 characters")
        << 0 << QString(20, QChar(0xC9)) << QString(30, QChar(0xE9))
        << QByteArray("E0!" + QString(20, QChar(0xC9)).toUtf8() + "!" +
                      QString(26, QChar(0xE9)).toUtf8());
}

void TestQueryCore::limitItem() {
    QFETCH(int, field);
    QFETCH(QString, minimum);
    QFETCH(QString, maximum);
    QFETCH(QByteArray, item);
    const std::string made = LimitItem(field, minimum, maximum);
    QCOMPARE(QByteArray::fromStdString(made), item);
    QVERIFY(QString::fromStdString(made).size() <= 50);
    // The query state keeps an item it is given as it is when it fits.
    QueryState state;
    QVERIFY(state.AppendGroup({made}));
    QCOMPARE(QByteArray::fromStdString(state.SelectionItems[0]), item);
}

void TestQueryCore::limitBounds_data() {
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<LimitOrder>("order");
    QTest::addColumn<QString>("error"); // empty: accepted
    constexpr LimitOrder number = LimitOrder::Number;
    constexpr LimitOrder text = LimitOrder::Text;
    constexpr LimitOrder exact = LimitOrder::Exact;
    const QString bang = QStringLiteral("A minimum or maximum value must not contain \"!\".");
    QTest::newRow("numbers") << "0"
                             << "9999" << number << "";
    QTest::newRow("empty") << ""
                           << "" << number << "";
    QTest::newRow("decimals and blanks") << " .250"
                                         << "+0.4 " << number << "";
    QTest::newRow("equal bounds") << "40"
                                  << "40.0" << number << "";
    QTest::newRow("! in minimum") << "1!2"
                                  << "3" << text << bang;
    QTest::newRow("! alone in maximum") << "1"
                                        << "!" << number << bang;
    QTest::newRow("letters") << "abc"
                             << "xyz" << number << "'abc' is not a number";
    QTest::newRow("letters in maximum") << "1"
                                        << "4o" << number << "'4o' is not a number";
    QTest::newRow("exponent") << "1e3"
                              << "" << number << "'1e3' is not a number";
    QTest::newRow("from above to") << "99"
                                   << "40" << number << "from 99 is above to 40";
    QTest::newRow("text order") << "abc"
                                << "xyz" << text << "";
    QTest::newRow("text order ignores case") << "Smith"
                                             << "aaron" << text << "from Smith is above to aaron";
    // Numbers of a text field compare as text: "9" comes after "10".
    QTest::newRow("digits as text") << "9"
                                    << "10" << text << "from 9 is above to 10";
    // The service compares one-letter fields byte for byte: "R" to "l" holds
    // the R and S batters; "r" to "L" holds nothing.
    QTest::newRow("one letter exactly") << "R"
                                        << "l" << exact << "";
    QTest::newRow("one letter, lower above upper") << "r"
                                                   << "L" << exact << "from r is above to L";
    QTest::newRow("names ignore case") << "R"
                                       << "l" << text << "from R is above to l";
    // Names compare accented letters as their base letters.
    QTest::newRow("accent folded") << QString::fromUtf8("\u00c9lie") << "F" << text << "";
    QTest::newRow("accent folded, above") << "Fa" << QString::fromUtf8("\u00c9lie") << text
                                          << QString::fromUtf8("from Fa is above to \u00c9lie");
    QTest::newRow("accent equal to its base") << QString::fromUtf8("\u00e9") << "E" << text << "";
}

void TestQueryCore::limitBounds() {
    QFETCH(QString, minimum);
    QFETCH(QString, maximum);
    QFETCH(LimitOrder, order);
    QFETCH(QString, error);
    QCOMPARE(LimitBoundsError(minimum, maximum, order), error);
    // The fields the service compares as numbers.
    QVERIFY(LimitFieldIsNumeric(DatabaseKind::Batters, 1));   // Year
    QVERIFY(LimitFieldIsNumeric(DatabaseKind::Batters, 16));  // HR
    QVERIFY(LimitFieldIsNumeric(DatabaseKind::Batters, 18));  // AVG
    QVERIFY(!LimitFieldIsNumeric(DatabaseKind::Batters, 0));  // name
    QVERIFY(!LimitFieldIsNumeric(DatabaseKind::Batters, 30)); // positions
    QVERIFY(!LimitFieldIsNumeric(DatabaseKind::Teams, 4));    // division
    QCOMPARE(LimitFieldOrder(DatabaseKind::Batters, 0), LimitOrder::Text);
    QCOMPARE(LimitFieldOrder(DatabaseKind::Batters, 5), LimitOrder::Exact);   // bats
    QCOMPARE(LimitFieldOrder(DatabaseKind::Pitchers, 30), LimitOrder::Exact); // throws
}

void TestQueryCore::selectionGroup() {
    const std::string longLine(60, 'x');
    const std::vector<std::string> items =
        SelectionGroup('A', {"Aaron, Hank", std::string(49, 'y'), longLine});
    QCOMPARE(items.size(), std::size_t(3));
    QCOMPARE(items[0], std::string("AAaron, Hank"));
    // 49 characters plus the letter fit exactly; a longer line loses its tail.
    QCOMPARE(items[1], "A" + std::string(49, 'y'));
    QCOMPARE(items[2], "A" + std::string(49, 'x'));
    // 49 letters of two bytes each stay whole; a 50th goes whole.
    const QString accented(50, QChar(0xE9));
    const std::vector<std::string> names = SelectionGroup('A', {accented.toStdString()});
    QCOMPARE(QString::fromStdString(names[0]), QLatin1Char('A') + accented.left(49));
    QVERIFY(SelectionGroup('B', {}).empty());
}

void TestQueryCore::captions() {
    QStringList all;
    for (DatabaseKind kind : {DatabaseKind::Batters, DatabaseKind::Pitchers, DatabaseKind::Fielders,
                              DatabaseKind::Teams}) {
        for (SelectWhat what : {SelectWhat::Player, SelectWhat::Team, SelectWhat::Year,
                                SelectWhat::League, SelectWhat::Position}) {
            if (const std::optional<QString> caption = SelectCaption(kind, what))
                all.append(*caption);
        }
    }
    const QStringList expected{
        "Baseball Batters - Select Player",    "Baseball Batters - Select Team",
        "Baseball Batters - Select Year",      "Baseball Batters - Select League",
        "Baseball Pitchers - Select Player",   "Baseball Pitchers - Select Team",
        "Baseball Pitchers - Select Year",     "Baseball Pitchers - Select League",
        "Baseball Fielders - Select Player",   "Baseball Fielders - Select Team",
        "Baseball Fielders - Select Year",     "Baseball Fielders - Select League",
        "Baseball Fielders - Select Position", "Baseball Teams - Select Team",
        "Baseball Teams - Select Year",        "Baseball Teams - Select League"};
    QCOMPARE(all, expected);
    QCOMPARE(LimitCaption(DatabaseKind::Pitchers), QString("Baseball Pitchers - Limit Options"));
    QCOMPARE(LimitCaption(DatabaseKind::Teams), QString("Baseball Teams - Limit Options"));
    // The list letters differ from the item letters for teams, years, leagues.
    QCOMPARE(char(SelectKindOf(SelectWhat::Team).list), 'D');
    QCOMPARE(SelectKindOf(SelectWhat::Team).itemLetter, 'B');
    QCOMPARE(char(SelectKindOf(SelectWhat::League).list), 'E');
    QCOMPARE(SelectKindOf(SelectWhat::League).itemLetter, 'D');
    QCOMPARE(char(SelectKindOf(SelectWhat::Position).list), 'G');
    QVERIFY(SelectKindOf(SelectWhat::Position).resetsSort);
    QVERIFY(!SelectKindOf(SelectWhat::Year).resetsSort);
}

void TestQueryCore::dispatch_data() {
    QTest::addColumn<QueryCommand>("command");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("kind"); // -1 nothing
    const int batters = int(DatabaseKind::Batters), pitchers = int(DatabaseKind::Pitchers),
              fielders = int(DatabaseKind::Fielders), teams = int(DatabaseKind::Teams);
    QTest::newRow("sort batters") << QueryCommand::Sort << "Baseball Batters Statistics" << true
                                  << batters;
    QTest::newRow("limit pitchers")
        << QueryCommand::Limit << "Baseball Pitchers Statistics" << true << pitchers;
    QTest::newRow("reset fielders")
        << QueryCommand::Reset << "Baseball Fielders Statistics" << true << fielders;
    QTest::newRow("year teams") << QueryCommand::SelectYear << "Baseball Teams Statistics" << true
                                << teams;
    QTest::newRow("unknown caption is teams")
        << QueryCommand::Unhide << "Data Sources" << true << teams;
    QTest::newRow("short caption is teams")
        << QueryCommand::SelectTeam << "Baseball" << true << teams;
    QTest::newRow("player on fielders")
        << QueryCommand::SelectPlayer << "Baseball Fielders Statistics" << true << fielders;
    QTest::newRow("player on teams goes to fielders")
        << QueryCommand::SelectPlayer << "Baseball Teams Statistics" << true << fielders;
    QTest::newRow("position on fielders")
        << QueryCommand::SelectPosition << "Baseball Fielders Statistics" << true << fielders;
    QTest::newRow("position on batters")
        << QueryCommand::SelectPosition << "Baseball Batters Statistics" << true << -1;
    QTest::newRow("position, no window") << QueryCommand::SelectPosition << "" << false << -1;
    QTest::newRow("reset, no window") << QueryCommand::Reset << "" << false << -1;
    QTest::newRow("prefix only counts")
        << QueryCommand::Sort << "XXXXXXXXXBatter" << true << batters;
    QTest::newRow("colours by whole caption")
        << QueryCommand::ColorOptions << "Baseball Teams Statistics" << true << teams;
    QTest::newRow("colours, other caption")
        << QueryCommand::ColorOptions << "Baseball Batters Statistics!" << true << -1;
}

void TestQueryCore::dispatch() {
    QFETCH(QueryCommand, command);
    QFETCH(QString, caption);
    QFETCH(bool, active);
    QFETCH(int, kind);
    const std::optional<DatabaseKind> got = DispatchTarget(command, caption, active);
    QCOMPARE(got ? int(*got) : -1, kind);
}

void TestQueryCore::commandEnabled() {
    QVERIFY(!CommandEnabled(DatabaseKind::Teams, QueryCommand::SelectPlayer));
    QVERIFY(CommandEnabled(DatabaseKind::Pitchers, QueryCommand::SelectPlayer));
    QVERIFY(CommandEnabled(DatabaseKind::Fielders, QueryCommand::SelectPosition));
    for (DatabaseKind kind : {DatabaseKind::Batters, DatabaseKind::Pitchers, DatabaseKind::Teams})
        QVERIFY(!CommandEnabled(kind, QueryCommand::SelectPosition));
    for (QueryCommand command :
         {QueryCommand::SelectTeam, QueryCommand::SelectYear, QueryCommand::SelectLeague,
          QueryCommand::Sort, QueryCommand::Limit, QueryCommand::Reset, QueryCommand::Unhide,
          QueryCommand::ColorOptions})
        QVERIFY(CommandEnabled(DatabaseKind::Teams, command));
}

void TestQueryCore::hiddenColumnList() {
    HiddenColumns hidden;
    QVERIFY(!AddHiddenColumn(hidden, DatabaseKind::Batters, 2, 50, "Team Code"));
    QVERIFY(AddHiddenColumn(hidden, DatabaseKind::Teams, 2, 200, "Team Name"));
    QVERIFY(!AddHiddenColumn(hidden, DatabaseKind::Teams, 1, 50, "Team Code"));
    QVERIFY(!AddHiddenColumn(hidden, DatabaseKind::Teams, 2, 0, "again"));
    QVERIFY(AddHiddenColumn(hidden, DatabaseKind::Teams, 7, 40, "Lost"));
    QVERIFY(AddHiddenColumn(hidden, DatabaseKind::Teams, 5, 30, "G"));
    // Taking the middle entry keeps the first and third in their order.
    const QList<QPair<int, int>> taken = TakeHiddenColumns(hidden, {1, 9});
    QCOMPARE(taken, (QList<QPair<int, int>>{{7, 40}}));
    QCOMPARE(hidden.entries.size(), 2);
    QCOMPARE(hidden.entries[0].column, 2);
    QCOMPARE(hidden.entries[1].column, 5);
    QVERIFY(TakeHiddenColumns(hidden, {}).isEmpty());
    QCOMPARE(hidden.entries.size(), 2);
}

void TestQueryCore::hiddenColumnTitles() {
    QCOMPARE(HiddenColumnTitle(DatabaseKind::Teams, 14), QString("Batting  - TPA - Total Plate A"));
    QCOMPARE(HiddenColumnTitle(DatabaseKind::Teams, 14).size(), 30);
    QCOMPARE(HiddenColumnTitle(DatabaseKind::Pitchers, 5), QString("THR - Throws"));
    // Past every column, the one "More columns" adds (16) included.
    QCOMPARE(HiddenColumnTitle(DatabaseKind::Fielders, 17), QString());
}

void TestQueryCore::tickedLines() {
    TickedLines ticked;
    ticked.Drawn("smith", true, false);
    ticked.Drawn("Aaron", true, false);
    ticked.Drawn("Baker", true, false);
    ticked.Drawn("Aaron", true, false);
    QCOMPARE(ticked.Lines(), (QStringList{"Aaron", "Baker", "smith"}));
    // An unticked twin does not remove the text a ticked line still holds.
    ticked.Drawn("Baker", false, true);
    QCOMPARE(ticked.Lines().size(), 3);
    ticked.Drawn("Baker", false, false);
    ticked.Drawn("Nobody", false, false);
    QCOMPARE(ticked.Lines(), (QStringList{"Aaron", "smith"}));
}

QTEST_GUILESS_MAIN(TestQueryCore)
#include "test_querycore.moc"
