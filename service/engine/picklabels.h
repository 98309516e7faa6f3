#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bbstatsd {

// Characters of a pick-list label the client keeps in a selection item (50 with the item
// letter). Characters, not bytes: an accented letter is never cut in two.
inline constexpr std::size_t kLabelChars = 49;

// One player of a table as its pick list names him.
struct PickPlayer {
    std::string id;   // the data's player code; orders number marks
    std::string name; // "Last, First"
    int firstYear = 0;
    int lastYear = 0;
    int birthYear = -1; // -1 when unknown
};

// The first at most `chars` characters of UTF-8 text (a byte that is no valid UTF-8 counts as
// one character).
std::string_view cutLabel(std::string_view text, std::size_t chars = kLabelChars);

// Pick-list labels of a table's players, in their order: the name; where several players
// share it, the name with the first and last season, "Smith, John (1901-1910)"; where that is
// shared too, the birth year when it tells the player apart, "Garcia, Luis (2020-2025, born
// 2000)", else a number mark in player-code order, "Smith (1921-1921) #2". Every label differs
// from the others within its first kLabelChars characters. Throws std::runtime_error when the
// marks cannot make them differ.
std::vector<std::string> pickLabels(const std::vector<PickPlayer>& players);

} // namespace bbstatsd
