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
        SelectionItems[static_cast<std::size_t>(SelectionCount++)] = CutItem(item);
    }
    SelectionItems[static_cast<std::size_t>(SelectionCount++)].assign(1, '*');
    return true;
}

namespace {

// Bytes of the character starting at `i`: 1 for ASCII and for a byte that
// does not begin a well-formed UTF-8 sequence, else the sequence's length.
std::size_t characterBytes(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 1;
    if (c < 0xC2 || c > 0xF4 || i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

} // namespace

std::string CutItem(std::string_view item) {
    std::size_t end = 0;
    for (std::size_t kept = 0; end < item.size() && kept < QueryState::MaxItemLength; ++kept)
        end += characterBytes(item, end);
    return std::string(item.substr(0, end));
}

std::size_t ItemCharacters(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count)
        i += characterBytes(text, i);
    return count;
}
