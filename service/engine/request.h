#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bbstatsd {

// Largest body the service reads, and the most rows one page request may ask for.
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;
inline constexpr std::uint32_t kMaxPageRows = 1000;
// Selection lines (items and "*") a request may carry: as many as the client can hold.
inline constexpr std::size_t kMaxSelectionLines = 500;

// What a table allows in a request.
struct TableShape {
    int sortFieldCount = 0;
    bool players = false;   // player items and the player list
    bool positions = false; // position items and the position list
};

// One selection item: kind letter A, B, C, D, G with its value, or E with field and bounds.
struct SelectionItem {
    char kind = 0;
    std::string value;    // A, B, C, D, G
    int field = -1;       // E
    std::string min, max; // E, as typed; empty is open
};

// A page request or a list request, checked against the table's shape.
struct ParsedRequest {
    bool list = false;
    char listLetter = 0; // A players, C years, D teams, E leagues, G positions
    std::uint32_t top = 0;
    std::uint32_t rows = 0;
    std::vector<int> sortCodes;                     // as sent, default-order codes included
    std::vector<std::vector<SelectionItem>> groups; // closed by "*" lines; empty groups kept
};

// Reads one request body; throws RequestError (400, or 413 when too large) naming the problem.
ParsedRequest parseRequest(std::string_view body, const TableShape& shape);

} // namespace bbstatsd
