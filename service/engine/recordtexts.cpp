#include "service/engine/recordtexts.h"

#include <stdexcept>

#include "service/engine/recordwriter.h"

namespace bbstatsd {

RecordTexts::RecordTexts(const TableData& data) {
    write(data, nullptr);
}

RecordTexts::RecordTexts(const TableData& data, const RecordTexts& base,
                         const std::vector<std::uint32_t>& standIn)
    : m_base(&base) {
    write(data, &standIn);
}

void RecordTexts::write(const TableData& data, const std::vector<std::uint32_t>* standIn) {
    const std::uint32_t rows = data.rows();
    // Two passes: the first measures every record so that the block is allocated once at its
    // final size. Growing it instead leaves freed blocks of tens of megabytes in the heap.
    m_offsets.reserve(static_cast<std::size_t>(rows) + 1);
    m_offsets.push_back(0);
    if (standIn != nullptr) {
        m_borrowed.assign(rows, kMissingRank);
    }
    std::string scratch;
    std::size_t total = 0;
    for (std::uint32_t row = 0; row < rows; ++row) {
        scratch.clear();
        appendRecord(data, row, scratch);
        const std::uint32_t other = standIn != nullptr ? (*standIn)[row] : kMissingRank;
        if (other != kMissingRank && m_base->record(other) == scratch) {
            m_borrowed[row] = other;
        } else {
            total += scratch.size();
        }
        if (total > 0xffffffffu) {
            throw std::runtime_error(std::string("record text of ") + data.def().sqlName +
                                     " is over 4 GB");
        }
        m_offsets.push_back(static_cast<std::uint32_t>(total));
    }
    m_text.reserve(total);
    for (std::uint32_t row = 0; row < rows; ++row) {
        if (m_borrowed.empty() || m_borrowed[row] == kMissingRank) {
            appendRecord(data, row, m_text);
        }
    }
    appendBlankRecord(data.def(), m_blank);
}

std::size_t RecordTexts::bytesOf(const std::uint32_t* first, const std::uint32_t* last) const {
    std::size_t total = 0;
    for (; first != last; ++first) {
        total += record(*first).size();
    }
    return total;
}

std::size_t RecordTexts::bytes() const {
    return m_text.capacity() +
           (m_offsets.capacity() + m_borrowed.capacity()) * sizeof(std::uint32_t) +
           m_blank.capacity();
}

} // namespace bbstatsd
