#pragma once

#include <cstdint>

#include "service/engine/query.h"

namespace bbstatsd {

// Work a request's selection causes, in looks at one row value: compiling its items (a limit
// on a text field compares each distinct text of the field) and testing each candidate row
// against every group that does not supply the candidates. Estimated before any of it is done,
// from the same postings the query uses.
std::uint64_t selectionCost(const TableData& data, const Groups& groups);

// How much a request may cost: a small multiple of the heaviest ordinary query, a sort on four
// keys over every row of the largest table (`largestRows` rows).
std::uint64_t selectionCostBound(std::uint32_t largestRows);

// Throws RequestError (400) naming the cost when the selection costs more than `bound`.
void checkSelectionCost(const TableData& data, const Groups& groups, std::uint64_t bound);

} // namespace bbstatsd
