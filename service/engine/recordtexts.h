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
    // The same, except that a row whose text begins with the whole text of its stand-in in base
    // (standIn[row], kMissingRank for none) holds only the rest and refers to base for the
    // beginning: a line that shows a stint unchanged holds nothing, a record of the
    // more-columns option only its added lines. base must outlive this.
    RecordTexts(const TableData& data, const RecordTexts& base,
                const std::vector<std::uint32_t>& standIn);

    // The lines of row (each ended by CR LF). A record held in two parts is joined in a buffer
    // of the calling thread: the view is then valid until the thread's next call.
    std::string_view record(std::uint32_t row) const {
        const std::uint32_t prefix = prefixOf(row);
        if (prefix == kMissingRank) {
            return own(row);
        }
        if (m_offsets[row] == m_offsets[row + 1]) {
            return m_base->record(prefix);
        }
        return joined(row);
    }
    // Appends the lines of row to out.
    void appendTo(std::uint32_t row, std::string& out) const {
        if (const std::uint32_t prefix = prefixOf(row); prefix != kMissingRank) {
            m_base->appendTo(prefix, out);
        }
        out += own(row);
    }
    // Bytes of the record of row.
    std::size_t size(std::uint32_t row) const {
        const std::size_t rest = m_offsets[row + 1] - m_offsets[row];
        const std::uint32_t prefix = prefixOf(row);
        return prefix == kMissingRank ? rest : m_base->size(prefix) + rest;
    }
    // Bytes of the records of rows [first, last) taken from positions of a result.
    std::size_t bytesOf(const std::uint32_t* first, const std::uint32_t* last) const;
    // A record of empty lines, for positions past the end of a result.
    std::string_view blank() const { return m_blank; }
    // Bytes held (not counting base's).
    std::size_t bytes() const;

private:
    void write(const TableData& data, const std::vector<std::uint32_t>* standIn);
    std::string_view own(std::uint32_t row) const {
        return std::string_view(m_text.data() + m_offsets[row],
                                m_offsets[row + 1] - m_offsets[row]);
    }
    std::string_view joined(std::uint32_t row) const;
    // Base's row the text of row begins with, or kMissingRank.
    std::uint32_t prefixOf(std::uint32_t row) const {
        return m_samePrefix ? row : (m_prefix.empty() ? kMissingRank : m_prefix[row]);
    }

    const RecordTexts* m_base = nullptr;
    std::vector<std::uint32_t> m_prefix;  // per row: base's row its text begins with, or none
    bool m_samePrefix = false;            // instead of m_prefix: each row's text begins with
                                          // that of the same row of base
    std::string m_text;                   // each row's text, or what follows its prefix
    std::vector<std::uint32_t> m_offsets; // rows + 1 entries: where each row's text starts
    std::string m_blank;
};

} // namespace bbstatsd
