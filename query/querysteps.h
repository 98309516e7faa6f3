#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "databases/databaseinfo.h"
#include "protocol/querystate.h"

// The kinds of step a query is built from.
enum class QueryStepKind { Select, Lines, Qualifier, Limit, Sort };

// One step of a query as the service applies it. Select and Limit steps are
// one selection group each: items `firstItem` .. `firstItem` + `itemCount` - 1
// of the state, its closing "*" included when it has one.
struct QueryStep {
    QueryStepKind kind = QueryStepKind::Select;
    int firstItem = 0;
    int itemCount = 0;
    // Select: the item letter and the values behind it (without the letter).
    char letter = 0;
    std::vector<std::string> values;
    // Limit: the field and the bounds as typed.
    int field = -1;
    QString minimum;
    QString maximum;
    // Lines: the mode.
    LinesMode lines = LinesMode::PerTeam;
    // Sort: the key's place among the sort keys and its code.
    int sortKey = 0;
    std::int32_t sortCode = -1;
};

// The steps of `state` in the order the service applies them: the selection
// groups in the order entered, then the lines mode and the qualifier, then
// the limits in the order entered, then the sort keys. Empty groups change
// nothing and are not steps; a group of limits only is a Limit step, any
// other group a Select step.
std::vector<QueryStep> QuerySteps(const QueryState& state);

// The query of the first `count` steps of `state` alone (0: every row, in
// the default order): what the service answers after that step.
QueryState StepsPrefix(const QueryState& state, std::size_t count);

// `state` without step `index` of QuerySteps(state); the other steps stay in
// their order. Removing the lines step goes back to per-team lines, the
// qualifier step turns the qualifier off. An index past the steps changes
// nothing.
QueryState WithoutStep(const QueryState& state, std::size_t index);

// Whether step `step` can be edited in place: a limit on one field, or a
// selection group whose items all are of one kind.
bool StepEditable(const QueryStep& step);

// `state` with Limit step `index` on the bounds `minimum` and `maximum`, in
// its place; nothing, with `error` set, when the bounds are refused as the
// Limit dialog refuses them or the step is not an editable limit.
std::optional<QueryState> WithLimitBounds(DatabaseKind kind, const QueryState& state,
                                          std::size_t index, const QString& minimum,
                                          const QString& maximum, QString* error);

// `state` with Select step `index` holding `values` (without their letter),
// in its place; no value removes the step. Nothing, with `error` set, when
// the group would take the selection past its 500 items or the step is not
// an editable selection.
std::optional<QueryState> WithGroupValues(const QueryState& state, std::size_t index,
                                          const std::vector<std::string>& values, QString* error);

// The step in words: "Year: 1950 or 1951", "Career lines", "Qualified only",
// "HR 20 to 99", "Sort: HR descending".
QString StepText(DatabaseKind kind, const QueryStep& step);
