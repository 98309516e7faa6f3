#pragma once

#include "query/sortcodes.h"

// A click on a column title, as the sort keys see it.
struct HeaderClick {
    int field = 0;       // the column's field, 0-based in the Sort list
    bool shift = false;  // Shift was held: the column joins the keys
    bool numeric = true; // numbers sort most first, texts from A
};

// The sort keys after `click`, from the keys in force `current` (as
// CurrentSortChoice gives them: keys first, "NONE" after). A plain click
// makes the column the only key in its first order (numbers descending,
// texts ascending); on the first key it turns that key's order instead and
// keeps the others. A Shift+click turns the order of a column that is a key
// already, else adds it as the next key in its first order, a fifth key
// taking the fourth's place.
SortChoice HeaderClickChoice(const SortChoice& current, const HeaderClick& click);

// The place of `field` (0-based) among the keys of `choice`: 1 to 4, or 0
// when it is none of them; *descending tells its order when it is one.
int SortKeyOf(const SortChoice& choice, int field, bool* descending);

// How many keys `choice` holds (0 for the default order).
int SortKeyCount(const SortChoice& choice);
