#include "protocol/querystate.h"

#include <algorithm>

QueryState::QueryState(std::int32_t initialSortCode) : SortCode(initialSortCode) {}

void QueryState::Reset(std::int32_t initialSortCode) {
    SortCode = initialSortCode;
    SortPair[0] = -1;
    SortTriple[0] = -1;
    SortQuad[0] = -1;
    SelectionCount = 0;
}

bool QueryState::AppendGroup(const std::vector<std::string>& items) {
    const auto needed = static_cast<std::int64_t>(items.size()) + 1;
    if (SelectionCount < 0)
        SelectionCount = 0;
    if (SelectionCount + needed > MaxSelectionItems)
        return false;
    for (const std::string& item : items) {
        const std::size_t length = std::min(item.size(), MaxItemLength);
        SelectionItems[static_cast<std::size_t>(SelectionCount++)].assign(item.data(), length);
    }
    SelectionItems[static_cast<std::size_t>(SelectionCount++)].assign(1, '*');
    return true;
}
