#pragma once

#include "databases/databaseinfo.h"
#include "protocol/querystate.h"

class QueryTarget;

// Whether a view of `kind` offers the lines modes: Teams has one line per
// club and season already.
bool LinesOffered(DatabaseKind kind);

// Whether "Qualified only" can be switched for `state` in a view of `kind`:
// batters and pitchers, with per-team or season lines (a career has no
// season to qualify in).
bool QualifierOffered(DatabaseKind kind, const QueryState& state);

// Switches the view to `mode` as a new query: the page, row count, label and
// band pass as after a sort. Career lines drop the qualifier. Nothing happens
// when the mode is the current one or the view does not offer it.
void SetLinesMode(QueryTarget& target, LinesMode mode);

// Switches "Qualified only" as a new query; nothing when it is not offered
// or already so.
void SetQualifiedOnly(QueryTarget& target, bool on);

// `state` without the sort keys and limit steps on fields at or past
// `ownFields` (the fields "More columns" adds), the other steps as they were;
// a sort left without keys is the default order.
QueryState WithoutAddedFields(const QueryState& state, int ownFields);

// Switches "More columns" as a new query (every database offers it); turning
// it off drops the sort keys and limits on the added fields first, since a
// request without the option cannot name them. Nothing when already so.
void SetMoreColumns(QueryTarget& target, bool on);
