#include "service/engine/csvreader.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace bbstatsd {

CsvReader::CsvReader(const std::string& path, std::string displayName)
    : m_name(std::move(displayName)) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        failAt(0, 0, "cannot open file " + path);
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        failAt(0, 0, "cannot read file " + path);
    }
    m_text = std::move(buffer).str();
}

void CsvReader::failAt(int line, int column, const std::string& problem) const {
    throw std::runtime_error(m_name + ":" + std::to_string(line) + ":" + std::to_string(column) +
                             ": " + problem);
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
    if (m_pos >= m_text.size()) {
        return false;
    }
    m_line = m_nextLine;
    std::size_t lineStart = m_pos;
    const std::size_t n = m_text.size();
    auto col = [&](std::size_t at) { return static_cast<int>(at - lineStart) + 1; };
    while (true) {
        std::string field;
        m_starts.emplace_back(m_nextLine, col(m_pos));
        if (m_pos < n && m_text[m_pos] == '"') {
            const int quoteLine = m_nextLine;
            const int quoteCol = col(m_pos);
            ++m_pos;
            while (true) {
                if (m_pos >= n) {
                    failAt(quoteLine, quoteCol, "quoted field is not closed");
                }
                const char c = m_text[m_pos];
                if (c == '"') {
                    if (m_pos + 1 < n && m_text[m_pos + 1] == '"') {
                        field += '"';
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                if (c == '\n') {
                    ++m_nextLine;
                    lineStart = m_pos + 1;
                }
                field += c;
                ++m_pos;
            }
            if (m_pos < n && m_text[m_pos] != ',' && m_text[m_pos] != '\n' &&
                !(m_text[m_pos] == '\r' && m_pos + 1 < n && m_text[m_pos + 1] == '\n')) {
                failAt(m_nextLine, col(m_pos), "unexpected character after closing quote");
            }
        } else {
            while (m_pos < n && m_text[m_pos] != ',' && m_text[m_pos] != '\n') {
                if (m_text[m_pos] == '"') {
                    failAt(m_nextLine, col(m_pos), "quote inside an unquoted field");
                }
                if (m_text[m_pos] == '\r' && m_pos + 1 < n && m_text[m_pos + 1] == '\n') {
                    break;
                }
                field += m_text[m_pos];
                ++m_pos;
            }
        }
        m_fields.push_back(std::move(field));
        if (m_pos >= n) {
            return true;
        }
        if (m_text[m_pos] == ',') {
            ++m_pos;
            continue;
        }
        if (m_text[m_pos] == '\r') {
            ++m_pos;
        }
        ++m_pos; // the LF
        ++m_nextLine;
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
        if (std::find(known.begin(), known.end(), m_header[i]) == known.end()) {
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
