#include "query/sortcodes.h"

namespace {

std::int32_t Code(int field, int direction) {
    return direction == 1 ? field : field + 100;
}

} // namespace

SortCodes ComputeSortCodes(const SortChoice& choice) {
    std::array<int, 4> k{};
    std::array<int, 4> d = choice.directions;
    for (std::size_t i = 0; i < 4; ++i)
        k[i] = choice.positions[i] - 1;
    // Exactly one pass, back to front: a gap two places wide stays open. A
    // direction moves only with a key; when every box is "NONE" the code
    // therefore follows the 1st direction.
    for (int slot = 2; slot >= 0; --slot) {
        const auto i = static_cast<std::size_t>(slot);
        if (k[i] != -1)
            continue;
        if (k[i + 1] != -1)
            d[i] = d[i + 1];
        k[i] = k[i + 1];
        k[i + 1] = -1;
    }
    SortCodes codes;
    codes.count = k[3] >= 0 ? 4 : k[2] >= 0 ? 3 : k[1] >= 0 ? 2 : 1;
    for (std::size_t i = 0; i < static_cast<std::size_t>(codes.count); ++i)
        codes.codes[i] = Code(k[i], d[i]);
    return codes;
}

void ApplySortCodes(QueryState& state, const SortCodes& codes) {
    state.SortPair[0] = -1;
    state.SortTriple[0] = -1;
    state.SortQuad[0] = -1;
    switch (codes.count) {
    case 4:
        for (std::size_t i = 0; i < 4; ++i)
            state.SortQuad[i] = codes.codes[i];
        state.SortCode = -1;
        break;
    case 3:
        for (std::size_t i = 0; i < 3; ++i)
            state.SortTriple[i] = codes.codes[i];
        state.SortCode = -1;
        break;
    case 2:
        for (std::size_t i = 0; i < 2; ++i)
            state.SortPair[i] = codes.codes[i];
        state.SortCode = -1;
        break;
    default:
        state.SortCode = codes.codes[0];
        break;
    }
}

void ResetSortCodes(QueryState& state) {
    state.SortCode = QueryState::DefaultSortCode;
    state.SortPair[0] = -1;
    state.SortTriple[0] = -1;
    state.SortQuad[0] = -1;
}
