#include "query/linesoperations.h"

#include "query/querysteps.h"
#include "query/querytarget.h"

namespace {

// Fetches the page for the changed state as a new query.
void Requery(QueryTarget& target) {
    target.startBusy();
    if (!target.refreshView())
        return;
    target.runBandPass();
    target.stopBusy();
}

} // namespace

bool LinesOffered(DatabaseKind kind) {
    return kind != DatabaseKind::Teams;
}

bool QualifierOffered(DatabaseKind kind, const QueryState& state) {
    return (kind == DatabaseKind::Batters || kind == DatabaseKind::Pitchers) &&
           state.Lines != LinesMode::PerCareer;
}

void SetLinesMode(QueryTarget& target, LinesMode mode) {
    QueryState& state = target.queryState();
    if (!LinesOffered(target.databaseKind()) || state.Lines == mode)
        return;
    state.Lines = mode;
    if (mode == LinesMode::PerCareer)
        state.QualifiedOnly = false;
    Requery(target);
}

void SetQualifiedOnly(QueryTarget& target, bool on) {
    QueryState& state = target.queryState();
    if (!QualifierOffered(target.databaseKind(), state) || state.QualifiedOnly == on)
        return;
    state.QualifiedOnly = on;
    Requery(target);
}

QueryState WithoutAddedFields(const QueryState& state, int ownFields) {
    const std::vector<QueryStep> steps = QuerySteps(state);
    QueryState result = state;
    // From the last step back, so the steps still to look at keep their places.
    for (std::size_t i = steps.size(); i-- > 0;) {
        const QueryStep& step = steps[i];
        const bool added = (step.kind == QueryStepKind::Limit && step.field >= ownFields) ||
                           (step.kind == QueryStepKind::Sort && step.sortCode % 100 >= ownFields);
        if (added)
            result = WithoutStep(result, i);
    }
    return result;
}

void SetMoreColumns(QueryTarget& target, bool on) {
    QueryState& state = target.queryState();
    if (state.MoreColumns == on)
        return;
    if (!on) {
        const auto ownFields =
            static_cast<int>(DatabaseInfoFor(target.databaseKind()).sortFields.size());
        state = WithoutAddedFields(state, ownFields);
    }
    state.MoreColumns = on;
    Requery(target);
}
