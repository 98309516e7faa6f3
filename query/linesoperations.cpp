#include "query/linesoperations.h"

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
