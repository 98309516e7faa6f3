// The steps of a query without widgets: the order the service applies them
// in, the query after each prefix of them, and removing or editing one step.
// Each change must give the query that entering the remaining steps (as the
// Sort, Select, Limit and Lines commands enter them) gives.

#include <QtTest>

#include "protocol/pagerequest.h"
#include "query/querydescription.h"
#include "query/querysteps.h"
#include "query/selectionitems.h"
#include "query/sortcodes.h"

namespace {

// One command as a user enters it.
struct Entry {
    QueryStepKind kind = QueryStepKind::Select;
    char letter = 0;
    std::vector<std::string> values;
    QString field; // Limit, Sort: the field's short name ("HR")
    QString minimum;
    QString maximum;
    LinesMode lines = LinesMode::PerTeam;
    bool ascending = false;
};
using Script = std::vector<Entry>;

Entry Select(char letter, std::vector<std::string> values) {
    return {QueryStepKind::Select, letter, std::move(values), {}, {}, {}, LinesMode::PerTeam};
}
Entry Limit(const char* field, const char* minimum, const char* maximum) {
    return {QueryStepKind::Limit,  0, {}, QLatin1String(field), QLatin1String(minimum),
            QLatin1String(maximum)};
}
Entry Lines(LinesMode mode) {
    Entry entry;
    entry.kind = QueryStepKind::Lines;
    entry.lines = mode;
    return entry;
}
Entry Qualified() {
    Entry entry;
    entry.kind = QueryStepKind::Qualifier;
    return entry;
}
Entry Sort(const char* field, bool ascending) {
    Entry entry;
    entry.kind = QueryStepKind::Sort;
    entry.field = QLatin1String(field);
    entry.ascending = ascending;
    return entry;
}

int FieldNumber(DatabaseKind kind, const QString& name) {
    for (int field = 0; field < DatabaseInfoFor(kind).sortFields.size(); ++field) {
        if (FieldShortName(kind, field) == name)
            return field;
    }
    return -1;
}

// The query the commands give for `script`, entered in its order; the sort
// keys are chosen in one Sort, the last command.
QueryState Enter(DatabaseKind kind, const Script& script) {
    QueryState state;
    SortCodes sort;
    sort.count = 0;
    for (const Entry& entry : script) {
        switch (entry.kind) {
        case QueryStepKind::Select:
            state.AppendGroup(SelectionGroup(entry.letter, entry.values));
            break;
        case QueryStepKind::Limit:
            state.AppendGroup(
                {LimitItem(FieldNumber(kind, entry.field), entry.minimum, entry.maximum)});
            break;
        case QueryStepKind::Lines:
            state.Lines = entry.lines;
            break;
        case QueryStepKind::Qualifier:
            state.QualifiedOnly = true;
            break;
        case QueryStepKind::Sort:
            sort.codes[static_cast<std::size_t>(sort.count++)] =
                FieldNumber(kind, entry.field) + (entry.ascending ? 100 : 0);
            break;
        }
    }
    if (sort.count > 0)
        ApplySortCodes(state, sort);
    return state;
}

// What the service is asked: the request without its page part, with the
// lines mode of the path.
QString Asked(const QueryState& state) {
    return QString::fromStdString(PageRequest(state, 0, 0) + LinesQuery(state));
}

// The entry of `script` that made step `index` of `steps`: the n-th step of
// a kind is the n-th entry of that kind.
std::size_t EntryOf(const Script& script, const std::vector<QueryStep>& steps, std::size_t index) {
    int ordinal = 0;
    for (std::size_t i = 0; i < index; ++i)
        ordinal += steps[i].kind == steps[index].kind ? 1 : 0;
    for (std::size_t e = 0; e < script.size(); ++e) {
        if (script[e].kind == steps[index].kind && ordinal-- == 0)
            return e;
    }
    return script.size();
}

Script Without(Script script, std::size_t entry) {
    script.erase(script.begin() + static_cast<std::ptrdiff_t>(entry));
    return script;
}

} // namespace

Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(DatabaseKind)

class TestQuerySteps : public QObject {
    Q_OBJECT
private slots:
    void removingAnyStep_data();
    void removingAnyStep();
    void editingInPlace_data();
    void editingInPlace();
    void editsRefusedAsTheDialogsRefuse();
};

void TestQuerySteps::removingAnyStep_data() {
    QTest::addColumn<DatabaseKind>("kind");
    QTest::addColumn<Script>("script");
    QTest::addColumn<QStringList>("texts");
    const std::vector<std::string> fifties = {"1950", "1951", "1952", "1953", "1954",
                                              "1955", "1956", "1957", "1958", "1959"};
    QTest::newRow("years, league, HR limit, career lines")
        << DatabaseKind::Batters
        << Script{Select('C', fifties), Select('D', {"AL"}), Limit("HR", "20", "99"),
                  Lines(LinesMode::PerCareer)}
        << QStringList{"Year: " + QStringList{"1950", "1951", "1952", "1953", "1954", "1955",
                                              "1956", "1957", "1958", "1959"}
                                      .join(QStringLiteral(" or ")),
                       "League: AL", "Career lines", "HR 20 to 99"};
    // Entered mixed; listed selections first, then lines and qualifier, then
    // limits, then the sort keys.
    QTest::newRow("limit first, two selections, season lines, qualifier, two keys")
        << DatabaseKind::Batters
        << Script{Limit("G", "100", ""),       Select('B', {"Boston Red Sox", "New York Yankees"}),
                  Limit("AVG", ".300", ""),    Select('A', {"Williams, Ted"}),
                  Lines(LinesMode::PerSeason), Qualified(),
                  Sort("AVG", false),          Sort("Year", true)}
        << QStringList{"Team: Boston Red Sox or New York Yankees",
                       "Player: Williams, Ted",
                       "Season lines",
                       "Qualified only",
                       "G from 100",
                       "AVG from .300",
                       "Sort: AVG descending",
                       "Sort: Year ascending"};
    QTest::newRow("pitchers qualified per team, three keys")
        << DatabaseKind::Pitchers
        << Script{Select('D', {"NL"}), Qualified(),       Limit("ERA", "", "2.50"),
                  Sort("W", false),    Sort("ERA", true), Sort("Year", true)}
        << QStringList{"League: NL",         "Qualified only",      "ERA up to 2.50",
                       "Sort: W descending", "Sort: ERA ascending", "Sort: Year ascending"};
    QTest::newRow("fielders positions, four keys")
        << DatabaseKind::Fielders
        << Script{Select('G', {"ss", "2b"}), Select('C', {"1927"}), Limit("ERR", "0", "10"),
                  Sort("ERR", true),         Sort("G", false),      Sort("PO", false),
                  Sort("Year", true)}
        << QStringList{"Position: ss or 2b",  "Year: 1927",         "ERR 0 to 10",
                       "Sort: ERR ascending", "Sort: G descending", "Sort: PO descending",
                       "Sort: Year ascending"};
}

void TestQuerySteps::removingAnyStep() {
    QFETCH(DatabaseKind, kind);
    QFETCH(Script, script);
    QFETCH(QStringList, texts);
    const QueryState state = Enter(kind, script);
    const std::vector<QueryStep> steps = QuerySteps(state);
    QStringList shown;
    for (const QueryStep& step : steps)
        shown << StepText(kind, step);
    QCOMPARE(shown, texts);

    Script listed;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        // The query after k steps is the first k of them entered alone.
        QCOMPARE(Asked(StepsPrefix(state, k)), Asked(Enter(kind, listed)));
        const std::size_t entry = EntryOf(script, steps, k);
        QVERIFY(entry < script.size());
        listed.push_back(script[entry]);
        // Removing it gives the other steps as if entered without it.
        QCOMPARE(Asked(WithoutStep(state, k)), Asked(Enter(kind, Without(script, entry))));
    }
    QCOMPARE(Asked(StepsPrefix(state, steps.size())), Asked(Enter(kind, listed)));
    // Past the steps nothing changes.
    QCOMPARE(Asked(WithoutStep(state, steps.size())), Asked(state));
}

void TestQuerySteps::editingInPlace_data() {
    QTest::addColumn<Script>("script");
    QTest::addColumn<int>("entry");
    QTest::addColumn<Script>("edited");
    const Script base{Limit("PA", "502", ""),  Select('C', {"1941"}),       Select('D', {"AL"}),
                      Limit("HR", "20", "99"), Lines(LinesMode::PerSeason), Sort("HR", false)};
    Script widened = base;
    widened[0] = Limit("PA", "100", "");
    QTest::newRow("first limit widened") << base << 0 << widened;
    Script opened = base;
    opened[3] = Limit("HR", "", "");
    QTest::newRow("second limit opened") << base << 3 << opened;
    Script years = base;
    years[1] = Select('C', {"1941", "1942", "1946"});
    QTest::newRow("years added") << base << 1 << years;
    Script league = base;
    league[2] = Select('D', {"NL"});
    QTest::newRow("league changed") << base << 2 << league;
    // Nothing ticked leaves no group: the step goes.
    QTest::newRow("years emptied") << base << 1 << Without(base, 1);
}

void TestQuerySteps::editingInPlace() {
    QFETCH(Script, script);
    QFETCH(int, entry);
    QFETCH(Script, edited);
    const DatabaseKind kind = DatabaseKind::Batters;
    const QueryState state = Enter(kind, script);
    const std::vector<QueryStep> steps = QuerySteps(state);
    std::size_t index = steps.size();
    for (std::size_t k = 0; k < steps.size(); ++k) {
        if (EntryOf(script, steps, k) == static_cast<std::size_t>(entry))
            index = k;
    }
    QVERIFY(index < steps.size());
    QVERIFY(StepEditable(steps[index]));
    const Entry& change =
        edited.size() == script.size() ? edited[static_cast<std::size_t>(entry)] : Entry{};
    QString error;
    std::optional<QueryState> result;
    if (steps[index].kind == QueryStepKind::Limit) {
        result = WithLimitBounds(kind, state, index, change.minimum, change.maximum, &error);
    } else {
        result = WithGroupValues(state, index, change.values, &error);
    }
    QVERIFY2(result.has_value(), qPrintable(error));
    QCOMPARE(Asked(*result), Asked(Enter(kind, edited)));
}

void TestQuerySteps::editsRefusedAsTheDialogsRefuse() {
    const DatabaseKind kind = DatabaseKind::Batters;
    const QueryState state =
        Enter(kind, {Select('D', {"AL"}), Lines(LinesMode::PerCareer), Limit("HR", "500", ""),
                     Limit("Player Name", "A", "B"), Sort("HR", false)});
    const std::vector<QueryStep> steps = QuerySteps(state);
    QCOMPARE(steps.size(), std::size_t{5});
    // The lines mode and the sort keys are removed, never edited.
    QVERIFY(!StepEditable(steps[1]));
    QVERIFY(!StepEditable(steps[4]));
    QString error;
    QVERIFY(!WithLimitBounds(kind, state, 1, "1", "2", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!WithGroupValues(state, 2, {"NL"}, &error));
    QVERIFY(!error.isEmpty());
    // A group mixing kinds is removed whole, never edited as one kind.
    QueryState mixed = state;
    QVERIFY(mixed.AppendGroup({"BBoston Red Sox", "C1946"}));
    const std::vector<QueryStep> withMixed = QuerySteps(mixed);
    QCOMPARE(StepText(kind, withMixed[1]), QStringLiteral("Item: BBoston Red Sox or C1946"));
    QVERIFY(!StepEditable(withMixed[1]));
    QCOMPARE(Asked(WithoutStep(mixed, 1)), Asked(state));

    struct Refusal {
        std::size_t step;
        QString minimum, maximum, named;
    };
    const Refusal refusals[] = {
        {2, "abc", "", "abc"},    // not a number on a numeric field
        {2, "700", "600", "700"}, // minimum above maximum
        {2, "5!0", "", "!"},      // would shift the item's fields
        {3, "Z", "A", "Z"},       // text order on a text field
    };
    for (const Refusal& refusal : refusals) {
        error.clear();
        QVERIFY(
            !WithLimitBounds(kind, state, refusal.step, refusal.minimum, refusal.maximum, &error));
        QVERIFY2(error.contains(refusal.named), qPrintable(error));
    }
    // A text field takes text bounds; the item keeps them as typed.
    const std::optional<QueryState> names = WithLimitBounds(kind, state, 3, "Aa", "Aaz", &error);
    QVERIFY(names);
    QCOMPARE(StepText(kind, QuerySteps(*names)[3]), QStringLiteral("Player Name Aa to Aaz"));

    // A group that would pass the 500 items is refused with the Select
    // command's message, and nothing changes.
    std::vector<std::string> many;
    for (int i = 0; i < QueryState::MaxSelectionItems; ++i)
        many.push_back("Player " + std::to_string(i));
    QVERIFY(!WithGroupValues(state, 0, many, &error));
    QCOMPARE(error, SelectionFullMessage());
}

QTEST_GUILESS_MAIN(TestQuerySteps)
#include "test_querysteps.moc"
