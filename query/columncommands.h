#pragma once

#include "query/sortcodes.h"

class QueryTarget;
class TForm6;

// The sort keys in force as the Sort dialog's choice: each key's field (list
// position, 1 = the first field) and direction; the default order gives no
// key (all "NONE").
SortChoice CurrentSortChoice(const QueryState& state);

// Sorts the view by field `field` alone (0-based), descending or ascending,
// as the Sort dialog does when that field is its only key: the same codes,
// the selections kept, the dialog showing the choice on its next opening;
// then fetches the page.
void SortByField(QueryTarget& target, TForm6& dialog, int field, bool descending);

// Adds field `field` after the sort keys in force (the first key when the
// order is the default one) and sorts as the Sort dialog would with those
// keys chosen. Does nothing when the field is a key already or four keys are
// in force. Returns whether it sorted.
bool AddSortField(QueryTarget& target, TForm6& dialog, int field, bool descending);

// Whether AddSortField can add `field` to the keys of `state`.
bool CanAddSortField(const QueryState& state, int field);

// Sorts the view as a click on the title of grid column `column` asks
// (HeaderClickChoice, Shift held when `shift`): the codes the Sort dialog
// gives for those keys, the dialog showing them on its next opening, then
// the page. Does nothing for a column outside the view's table.
void SortByTitleClick(QueryTarget& target, TForm6& dialog, int column, bool shift);
