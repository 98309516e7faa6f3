#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/engine/tabledata.h"

namespace bbstatsd {

// The reply text of every record of a table, written once when the table is loaded, so that a
// page is assembled by copying bytes. Each record's text is exactly what appendRecord writes.
class RecordTexts {
public:
    // Writes the text of every row of data into one block.
    explicit RecordTexts(const TableData& data);
    // The same, except that a row whose text is byte for byte that of its stand-in in base
    // (standIn[row], kMissingRank for none) refers to base's text instead of holding a copy.
    // base must outlive this.
    RecordTexts(const TableData& data, const RecordTexts& base,
                const std::vector<std::uint32_t>& standIn);

    // The lines of row (each ended by CR LF).
    std::string_view record(std::uint32_t row) const {
        if (!m_borrowed.empty() && m_borrowed[row] != kMissingRank) {
            return m_base->record(m_borrowed[row]);
        }
        return std::string_view(m_text.data() + m_offsets[row],
                                m_offsets[row + 1] - m_offsets[row]);
    }
    // Bytes of the records of rows [first, last) taken from positions of a result.
    std::size_t bytesOf(const std::uint32_t* first, const std::uint32_t* last) const;
    // A record of empty lines, for positions past the end of a result.
    std::string_view blank() const { return m_blank; }
    // Bytes held.
    std::size_t bytes() const;

private:
    void write(const TableData& data, const std::vector<std::uint32_t>* standIn);

    const RecordTexts* m_base = nullptr;
    std::vector<std::uint32_t> m_borrowed; // per row: base's row it refers to, or kMissingRank
    std::string m_text;
    std::vector<std::uint32_t> m_offsets; // rows + 1 entries: where each record starts
    std::string m_blank;
};

} // namespace bbstatsd
