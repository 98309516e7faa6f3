#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/querystate.h"

// The pick lists a list request can ask for, by their code letter.
enum class ListKind : char {
    Players = 'A',
    Years = 'C',
    Teams = 'D',
    Leagues = 'E',
    Positions = 'G'
};

// The page request text for `rowCount` records from result position
// `topPosition`: the position, count and sort line, the selection lines (or
// "*") and the closing byte 0x1A.
std::string PageRequest(const QueryState& state, int topPosition, int rowCount);

// The list request text: the list's code line, then the selection lines as
// in a page request, then 0x1A.
std::string ListRequest(const QueryState& state, ListKind kind);

// The query the service path carries for the view's lines: empty for per-team
// lines without the qualifier (the request as it always was), else
// "?lines=season", "?lines=career", "?qualified=1" or
// "?lines=season&qualified=1"; "more=1" follows when the state has "More
// columns" on ("?more=1" alone, or "?lines=career&more=1").
std::string LinesQuery(const QueryState& state);

// Splits a reply into lines: CR LF, a lone CR and a lone LF each end a
// line; a NUL byte ends the text. A last line without an end still counts.
// At most `maxLines` lines are split off; the rest is not looked at. The
// views point into `reply`.
std::vector<std::string_view> SplitReplyLines(std::string_view reply,
                                              std::size_t maxLines = SIZE_MAX);

// Most entries a list reply may hold: far more than the longest pick list
// of any database (its players, about 20,000), so a longer reply is
// malformed. With the count line and the "*", its lines.
inline constexpr std::size_t MaxListEntries = 200'000;
inline constexpr std::size_t MaxListReplyLines = MaxListEntries + 2;

// The entries of a list reply: its lines without the first (the count) and
// the last (the "*"). A reply that is not whole (fewer than two lines, no
// closing "*", or a count other than the number of entries) or longer than
// MaxListReplyLines lines gives nothing and false.
bool ListEntries(std::string_view reply, std::vector<std::string>& entries);
