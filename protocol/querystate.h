#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What one row of a view stands for: a stint (one player with one club in
// one season, as the service stores it), a player's season with every club
// combined, or a player's career over the selected seasons.
enum class LinesMode { PerTeam, PerSeason, PerCareer };

// What a statistics view asks the service for: its sort keys and its
// selection and limit items. One per view window.
struct QueryState {
    static constexpr int MaxSelectionItems = 500;
    // Characters (not bytes) a selection or limit item keeps.
    static constexpr std::size_t MaxItemLength = 50;
    static constexpr std::int32_t DefaultSortCode = 300;
    static constexpr std::int32_t TeamsSortCode = 100;

    // The single sort code, sent when no multi-key sort is active.
    std::int32_t SortCode = DefaultSortCode;
    // Multi-key sorts; each is active when its first code is not negative.
    std::array<std::int32_t, 2> SortPair{-1, -1};
    std::array<std::int32_t, 3> SortTriple{-1, -1, -1};
    std::array<std::int32_t, 4> SortQuad{-1, -1, -1, -1};
    // Items 0 .. SelectionCount - 1 are in use; each group ends with "*".
    std::array<std::string, MaxSelectionItems> SelectionItems;
    std::int32_t SelectionCount = 0;
    // The lines the view shows, and whether only lines that qualify for the
    // rate titles of their season are kept. Sent on the service path, only
    // when not the default.
    LinesMode Lines = LinesMode::PerTeam;
    bool QualifiedOnly = false;
    // "More columns": each record carries the added figures after its own
    // lines, and sort codes and limit items may name them. Sent on the
    // service path, only when on.
    bool MoreColumns = false;

    // A fresh state whose single sort code is `initialSortCode`.
    explicit QueryState(std::int32_t initialSortCode = DefaultSortCode);

    // Back to the fresh state: the initial sort code, no multi-key sort, no
    // selections. Only the first code of each multi-key sort is cleared.
    void Reset(std::int32_t initialSortCode = DefaultSortCode);
    // Appends `items` followed by the group end "*", each cut to 50
    // characters (CutItem). Appends nothing and returns false when the group would pass
    // the 500 items.
    bool AppendGroup(const std::vector<std::string>& items);
};

// `item` (UTF-8) cut to its first QueryState::MaxItemLength characters: a
// letter of several bytes is kept whole or left out whole, never split. A
// byte that is not part of a well-formed character counts as one character.
std::string CutItem(std::string_view item);

// The characters of `text` (UTF-8), counted as CutItem counts them.
std::size_t ItemCharacters(std::string_view text);
