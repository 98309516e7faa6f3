#pragma once

// The Lahman CSV files read whole, for the checks that recompute served figures from them
// (test_wholetable, test_morecolumns).
#include <QtTest>

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lahmancsv {

inline std::string lahmanDir() {
    const QByteArray dir = qgetenv("LAHMAN_DIR");
    return dir.isEmpty() ? qgetenv("BBSTATS_SOURCE_DIR").toStdString() + "/../shared/data/lahman"
                         : dir.toStdString();
}

// A Lahman CSV file read whole; fields as written, quotes removed, taken by column.
class Csv {
public:
    explicit Csv(const std::string& name) {
        std::ifstream in(lahmanDir() + "/" + name, std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        m_text = buffer.str();
        const std::string_view text(m_text);
        std::vector<std::string_view> fields;
        std::size_t width = 0;
        for (std::size_t i = 0; i < text.size();) {
            std::size_t end = i;
            if (text[i] == '"') { // the data doubles no quote inside a quoted field
                end = text.find('"', i + 1);
                fields.push_back(text.substr(i + 1, end - i - 1));
                ++end;
            } else {
                end = std::min(text.find_first_of(",\r\n", i), text.size());
                fields.push_back(text.substr(i, end - i));
            }
            i = end + 1;
            if (end < text.size() && text[end] == ',') {
                continue;
            }
            i += end < text.size() && text[end] == '\r' ? 1 : 0;
            if (width == 0) {
                width = fields.size();
            }
            QVERIFY2(fields.size() % width == 0, name.c_str());
        }
        for (std::size_t c = 0; c < width; ++c) {
            auto& column = m_columns[std::string(fields[c])];
            for (std::size_t at = width + c; at < fields.size(); at += width) {
                column.push_back(fields[at]);
            }
        }
        m_rows = width ? fields.size() / width - 1 : 0;
    }
    std::size_t rows() const { return m_rows; }
    // The texts of a column.
    const std::vector<std::string_view>& texts(const std::string& column) const {
        const auto it = m_columns.find(column);
        if (it == m_columns.end()) {
            qFatal("no column %s", column.c_str());
        }
        return it->second;
    }
    // The counts of a column, -1 where blank.
    const std::vector<long long>& counts(const std::string& column) const {
        auto& out = m_counts[column];
        if (out.empty()) {
            for (const std::string_view f : texts(column)) {
                long long v = -1;
                std::from_chars(f.data(), f.data() + f.size(), v);
                out.push_back(v);
            }
        }
        return out;
    }

private:
    std::string m_text;
    std::size_t m_rows = 0;
    std::unordered_map<std::string, std::vector<std::string_view>> m_columns;
    mutable std::unordered_map<std::string, std::vector<long long>> m_counts;
};

} // namespace lahmancsv
