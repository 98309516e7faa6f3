#pragma once

#include <QString>

#include "databases/databaseinfo.h"
#include "protocol/querystate.h"

// The short name of sortable field `field` of `kind`: the abbreviation of its
// Sort-list entry ("HR" of "HR  - Home Runs", "Batting TPA" of the Teams
// entry "Batting  - TPA - ..."), or the entry itself when it has none
// ("Player Name"); empty for a number outside the list.
QString FieldShortName(DatabaseKind kind, int field);

// The word of selection item letter `letter`: "Player", "Team", "Year",
// "League", "Position" ("Item" for any other).
QString SelectionWord(char letter);

// A limit item ("E" field "!" min "!" max "!") in words: "Year 1950 to
// 1959", "Year from 1950", "Year up to 1959", "Year any".
QString LimitWords(DatabaseKind kind, const QString& item);

// The query of a view in words: the sort keys ("HR descending, then Year
// ascending", "Default order" for the initial sort), then each selection
// group ("Team: New York Yankees or Boston Red Sox") and each limit ("Year
// 1950 to 1959", "Year from 1950", "Year up to 1959"), separated by "; ".
// Empty groups say nothing. "More columns" adds "; more columns" at the end.
QString DescribeQuery(DatabaseKind kind, const QueryState& state);
