#include "service/engine/recordtexts.h"

#include <algorithm>
#include <stdexcept>

#include "service/engine/recordwriter.h"

namespace bbstatsd {

RecordTexts::RecordTexts(const TableData& data) {
    const std::uint32_t rows = data.rows();
    m_offsets.reserve(static_cast<std::size_t>(rows) + 1);
    m_offsets.push_back(0);
    // The first rows give the average record size; the block is sized from it so that it is
    // seldom copied while it grows, and trimmed to its length at the end.
    std::string sample;
    const std::uint32_t sampleRows = std::min<std::uint32_t>(rows, 1000);
    for (std::uint32_t row = 0; row < sampleRows; ++row) {
        appendRecord(data, row, sample);
    }
    if (sampleRows > 0) {
        m_text.reserve(sample.size() / sampleRows * rows * 9 / 8);
    }
    for (std::uint32_t row = 0; row < rows; ++row) {
        appendRecord(data, row, m_text);
        if (m_text.size() > 0xffffffffu) {
            throw std::runtime_error(std::string("record text of ") + data.def().sqlName +
                                     " is over 4 GB");
        }
        m_offsets.push_back(static_cast<std::uint32_t>(m_text.size()));
    }
    m_text.shrink_to_fit();
    appendBlankRecord(data.def(), m_blank);
}

std::size_t RecordTexts::bytesOf(const std::uint32_t* first, const std::uint32_t* last) const {
    std::size_t total = 0;
    for (; first != last; ++first) {
        total += m_offsets[*first + 1] - m_offsets[*first];
    }
    return total;
}

std::size_t RecordTexts::bytes() const {
    return m_text.capacity() + m_offsets.capacity() * sizeof(std::uint32_t) + m_blank.capacity();
}

} // namespace bbstatsd
