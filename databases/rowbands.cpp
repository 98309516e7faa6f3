#include "databases/rowbands.h"

RowBands::RowBands(int capacity) : m_bands(capacity > 0 ? static_cast<std::size_t>(capacity) : 0) {}

std::uint8_t RowBands::at(int position) const {
    if (position < 0 || position >= size()) {
        return 0;
    }
    return m_bands[static_cast<std::size_t>(position)];
}

void RowBands::set(int position, std::uint8_t band) {
    if (position < 0) {
        return;
    }
    ensureSize(position + 1);
    m_bands[static_cast<std::size_t>(position)] = band;
}

void RowBands::ensureSize(int count) {
    if (count > size()) {
        m_bands.resize(static_cast<std::size_t>(count), 0);
    }
}
