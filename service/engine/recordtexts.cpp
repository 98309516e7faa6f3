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
    const RecordWriter writer(data);
    // Two passes: the first measures every record so that the block is allocated once at its
    // final size. Growing it instead maps fresh memory again and again (and, without the
    // service's malloc settings, leaves freed blocks of tens of megabytes in the heap).
    m_offsets.reserve(static_cast<std::size_t>(rows) + 1);
    m_offsets.push_back(0);
    if (standIn != nullptr) {
        m_prefix.assign(rows, kMissingRank);
    }
    std::string scratch;
    std::size_t total = 0;
    for (std::uint32_t row = 0; row < rows; ++row) {
        scratch.clear();
        writer.append(row, scratch);
        const std::uint32_t other = standIn != nullptr ? (*standIn)[row] : kMissingRank;
        std::size_t shared = 0;
        if (other != kMissingRank) {
            const std::string_view prefix = m_base->record(other);
            if (std::string_view(scratch).starts_with(prefix)) {
                m_prefix[row] = other;
                shared = prefix.size();
            }
        }
        total += scratch.size() - shared;
        if (total > 0xffffffffu) {
            throw std::runtime_error(std::string("record text of ") + data.def().sqlName +
                                     " is over 4 GB");
        }
        m_offsets.push_back(static_cast<std::uint32_t>(total));
    }
    m_text.reserve(total);
    for (std::uint32_t row = 0; row < rows; ++row) {
        const std::size_t own = m_offsets[row + 1] - m_offsets[row];
        if (m_prefix.empty() || m_prefix[row] == kMissingRank) {
            writer.append(row, m_text);
        } else if (own > 0) {
            // A record whose beginning is base's keeps what follows it.
            scratch.clear();
            writer.append(row, scratch);
            m_text.append(scratch, scratch.size() - own);
        }
    }
    // Records that each begin with the same row's of base (those of the more-columns option)
    // need no list of which.
    std::uint32_t same = 0;
    while (same < m_prefix.size() && m_prefix[same] == same) {
        ++same;
    }
    if (!m_prefix.empty() && same == m_prefix.size()) {
        m_prefix = std::vector<std::uint32_t>();
        m_samePrefix = true;
    }
    appendBlankRecord(data.def(), m_blank);
}

std::string_view RecordTexts::joined(std::uint32_t row) const {
    thread_local std::string buffer;
    buffer.clear();
    appendTo(row, buffer);
    return buffer;
}

std::size_t RecordTexts::bytesOf(const std::uint32_t* first, const std::uint32_t* last) const {
    std::size_t total = 0;
    for (; first != last; ++first) {
        total += size(*first);
    }
    return total;
}

std::size_t RecordTexts::bytes() const {
    return m_text.capacity() +
           (m_offsets.capacity() + m_prefix.capacity()) * sizeof(std::uint32_t) +
           m_blank.capacity();
}

} // namespace bbstatsd
