#pragma once

#include <array>
#include <cstdint>

#include "protocol/querystate.h"

// The four choices of the Sort dialog: list positions (0 = "NONE", 1 = the
// first field) and directions (0 ascending, 1 descending).
struct SortChoice {
    std::array<int, 4> positions{0, 0, 0, 0};
    std::array<int, 4> directions{0, 0, 0, 0};
};

// The sort codes a choice gives: `count` keys (1 to 4) in `codes`. Gaps are
// closed in one pass from the back (3rd from 4th, 2nd from 3rd, 1st from
// 2nd); a key is its field number plus 100 when ascending. All "NONE" gives
// one code, 99 (ascending) or -1 (descending).
struct SortCodes {
    int count = 1;
    std::array<std::int32_t, 4> codes{-1, -1, -1, -1};
};

// Turns the dialog's choices into sort codes.
SortCodes ComputeSortCodes(const SortChoice& choice);

// Stores `codes` in `state`: the quad, triple, pair or single code by their
// number, the other forms switched off (first code -1; SortCode -1 for a
// multi-key sort). Selection items are left alone.
void ApplySortCodes(QueryState& state, const SortCodes& codes);

// The sort back to the plain default code 300, every multi-key form off.
void ResetSortCodes(QueryState& state);
