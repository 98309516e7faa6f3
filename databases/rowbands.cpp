#include "databases/rowbands.h"

#include <algorithm>

RowBands::RowBands(int capacity) {
    ensureSize(capacity);
}

void RowBands::ensureSize(int count) {
    if (count <= size()) {
        return;
    }
    // Only whole blocks are ever flipped by their flag, so a block the array
    // ends inside has none set and its new bytes read 0.
    m_bands.resize(static_cast<std::size_t>(count), 0);
    m_flipped.resize((static_cast<std::size_t>(count) + BlockSize - 1) >> BlockShift, 0);
}

void RowBands::flip(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, size() - 1);
    if (first > last) {
        return;
    }
    const auto flipBytes = [this](int from, int to) {
        for (int i = from; i <= to; ++i) {
            m_bands[static_cast<std::size_t>(i)] ^= 1;
        }
    };
    // Whole blocks inside the range flip by their flag, the ends byte by byte.
    const int firstBlock = (first + BlockSize - 1) >> BlockShift;
    const int endBlock = (last + 1) >> BlockShift; // one past the last whole block
    if (firstBlock >= endBlock) {
        flipBytes(first, last);
        return;
    }
    flipBytes(first, (firstBlock << BlockShift) - 1);
    for (int block = firstBlock; block < endBlock; ++block) {
        m_flipped[static_cast<std::size_t>(block)] ^= 1;
    }
    flipBytes(endBlock << BlockShift, last);
}
