#include "service/engine/csvreader.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace bbstatsd {

namespace {

constexpr std::size_t BufferBytes = 64 * 1024;
// Bytes of a problem text shown at most: a quoted field may be 64 KiB long.
constexpr std::size_t ShownBytes = 200;

// The text with control characters (C0, DEL, C1), bytes that are not part of UTF-8 and
// backslashes written as escapes ("\x1B", "\\"), at most ShownBytes of it: a hostile file's
// bytes quoted in a message cannot drive the terminal that shows it.
std::string escaped(std::string_view text) {
    std::string out;
    const auto hex = [&out](unsigned char byte) {
        static constexpr char digits[] = "0123456789ABCDEF";
        out += "\\x";
        out += digits[byte >> 4];
        out += digits[byte & 15];
    };
    const std::size_t end = std::min(text.size(), ShownBytes);
    for (std::size_t i = 0; i < end;) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80                   ? 1
                                   : byte >= 0xC2 && byte < 0xE0 ? 2
                                   : byte >= 0xE0 && byte < 0xF0 ? 3
                                   : byte >= 0xF0 && byte < 0xF5 ? 4
                                                                 : 0;
        bool whole = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k) {
            whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        const bool c1 =
            whole && length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (!whole || c1 || byte < 0x20 || byte == 0x7F) {
            hex(byte);
            ++i;
        } else if (byte == '\\') {
            out += "\\\\";
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    if (text.size() > ShownBytes) {
        out += "...";
    }
    return out;
}

} // namespace

CsvReader::CsvReader(const std::string& path, std::string displayName)
    : m_name(std::move(displayName)), m_path(path), m_in(path, std::ios::binary),
      m_buffer(BufferBytes) {
    if (!m_in) {
        failAt(0, 0, "cannot open file " + path);
    }
}

int CsvReader::peek(std::size_t ahead) {
    if (m_pos + ahead >= m_end) {
        // Keep what is left at the front and fill the rest.
        std::copy(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_pos),
                  m_buffer.begin() + static_cast<std::ptrdiff_t>(m_end), m_buffer.begin());
        m_end -= m_pos;
        m_pos = 0;
        if (m_in) {
            m_in.read(m_buffer.data() + m_end,
                      static_cast<std::streamsize>(m_buffer.size() - m_end));
            m_end += static_cast<std::size_t>(m_in.gcount());
            if (m_in.bad()) {
                failAt(m_nextLine, m_nextColumn, "cannot read file " + m_path);
            }
        }
        if (ahead >= m_end) {
            return -1;
        }
    }
    return static_cast<unsigned char>(m_buffer[m_pos + ahead]);
}

char CsvReader::take() {
    const char byte = m_buffer[m_pos++];
    if (byte == '\n') {
        ++m_nextLine;
        m_nextColumn = 1;
    } else {
        ++m_nextColumn;
    }
    return byte;
}

void CsvReader::append(std::string& field, char byte, std::size_t& recordBytes) const {
    if (field.size() >= MaxFieldBytes) {
        failAt(m_starts.back().first, m_starts.back().second,
               "field longer than " + std::to_string(MaxFieldBytes) + " bytes");
    }
    if (++recordBytes > MaxRecordBytes) {
        failAt(m_line, 1, "record longer than " + std::to_string(MaxRecordBytes) + " bytes");
    }
    field += byte;
}

void CsvReader::failAt(int line, int column, const std::string& problem) const {
    throw std::runtime_error(m_name + ":" + std::to_string(line) + ":" + std::to_string(column) +
                             ": " + escaped(problem));
}

int CsvReader::column(std::size_t i) const {
    return i < m_starts.size() ? m_starts[i].second : 1;
}

void CsvReader::fail(std::size_t i, const std::string& problem) const {
    if (i < m_starts.size()) {
        failAt(m_starts[i].first, m_starts[i].second, problem);
    }
    failAt(m_line, 1, problem);
}

bool CsvReader::next() {
    m_fields.clear();
    m_starts.clear();
    if (peek() < 0) {
        return false;
    }
    m_line = m_nextLine;
    std::size_t recordBytes = 0;
    const auto endsLine = [this](int at) {
        return peek(at) == '\n' || (peek(at) == '\r' && peek(at + 1) == '\n');
    };
    while (true) {
        std::string field;
        m_starts.emplace_back(m_nextLine, m_nextColumn);
        if (peek() == '"') {
            const int quoteLine = m_nextLine;
            const int quoteColumn = m_nextColumn;
            take();
            while (true) {
                const int byte = peek();
                if (byte < 0) {
                    failAt(quoteLine, quoteColumn, "quoted field is not closed");
                }
                if (byte == '"') {
                    take();
                    if (peek() != '"') {
                        break;
                    }
                }
                append(field, take(), recordBytes);
            }
            if (peek() >= 0 && peek() != ',' && !endsLine(0)) {
                failAt(m_nextLine, m_nextColumn, "unexpected character after closing quote");
            }
        } else {
            while (peek() >= 0 && peek() != ',' && !endsLine(0)) {
                if (peek() == '"') {
                    failAt(m_nextLine, m_nextColumn, "quote inside an unquoted field");
                }
                append(field, take(), recordBytes);
            }
        }
        m_fields.push_back(std::move(field));
        if (peek() < 0) {
            return true;
        }
        const char separator = take();
        if (separator == ',') {
            if (++recordBytes > MaxRecordBytes) {
                failAt(m_line, 1,
                       "record longer than " + std::to_string(MaxRecordBytes) + " bytes");
            }
            continue;
        }
        if (separator == '\r') {
            take(); // the LF after it
        }
        return true;
    }
}

CsvTable::CsvTable(const std::string& dir, const std::string& name,
                   const std::vector<std::string>& known, const std::vector<std::string>& required)
    : m_reader(dir + "/" + name, name) {
    if (!m_reader.next()) {
        m_reader.failAt(1, 1, "file is empty, expected a header line");
    }
    m_header = m_reader.fields();
    for (std::size_t i = 0; i < m_header.size(); ++i) {
        if (!known.empty() && std::find(known.begin(), known.end(), m_header[i]) == known.end()) {
            m_reader.fail(i, "unknown column '" + m_header[i] + "' in header");
        }
        if (std::find(m_header.begin(), m_header.begin() + static_cast<long>(i), m_header[i]) !=
            m_header.begin() + static_cast<long>(i)) {
            m_reader.fail(i, "column '" + m_header[i] + "' appears twice in header");
        }
    }
    for (const std::string& r : required) {
        if (std::find(m_header.begin(), m_header.end(), r) == m_header.end()) {
            m_reader.failAt(1, 1, "missing column '" + r + "' in header");
        }
    }
}

bool CsvTable::next() {
    if (!m_reader.next()) {
        return false;
    }
    const auto& f = m_reader.fields();
    if (f.size() != m_header.size()) {
        if (f.size() == 1 && f[0].empty()) {
            m_reader.failAt(m_reader.line(), 1, "empty line");
        }
        const std::size_t at = std::min(f.size(), m_header.size()) - 1;
        m_reader.fail(at, "expected " + std::to_string(m_header.size()) + " fields, found " +
                              std::to_string(f.size()));
    }
    return true;
}

std::ptrdiff_t CsvTable::find(std::string_view name) const {
    const auto it = std::find(m_header.begin(), m_header.end(), name);
    return it == m_header.end() ? -1 : it - m_header.begin();
}

std::size_t CsvTable::col(std::string_view name) const {
    const auto it = std::find(m_header.begin(), m_header.end(), name);
    return static_cast<std::size_t>(it - m_header.begin());
}

int CsvTable::count(std::size_t c) const {
    const std::string& t = text(c);
    if (t.empty()) {
        return -1;
    }
    int v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || v < 0) {
        m_reader.fail(c, "'" + t + "' in column '" + m_header[c] + "' is not a whole number");
    }
    return v;
}

int CsvTable::required(std::size_t c) const {
    const int v = count(c);
    if (v < 0) {
        m_reader.fail(c, "column '" + m_header[c] + "' is empty");
    }
    return v;
}

} // namespace bbstatsd
