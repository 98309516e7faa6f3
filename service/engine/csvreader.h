#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace bbstatsd {

// Reads a comma-separated file with quoting as RFC 4180 writes it: fields may be quoted,
// a doubled quote inside quotes is one quote, quoted fields may hold commas and line breaks.
// Lines end with LF or CR LF. Every failure is a std::runtime_error "file:line:column: problem".
// The file is read as a stream through a small buffer; a field or a record past its bound is an
// error, so no input makes the reader hold more than about a record.
class CsvReader {
public:
    static constexpr std::size_t MaxFieldBytes = 64 * 1024;
    static constexpr std::size_t MaxRecordBytes = 1024 * 1024;

    // Opens the file; throws when it cannot be opened. displayName is used in messages.
    CsvReader(const std::string& path, std::string displayName);

    // Moves to the next record; false at the end of the file. Throws on broken quoting.
    bool next();
    // Fields of the current record.
    const std::vector<std::string>& fields() const { return m_fields; }
    // Line on which the current record starts (1-based).
    int line() const { return m_line; }
    // Column (1-based characters on its line) where field i of the current record starts.
    int column(std::size_t i) const;
    // Throws "file:line:column: problem" for field i of the current record.
    [[noreturn]] void fail(std::size_t i, const std::string& problem) const;
    // Throws "file:line:column: problem" for an explicit place.
    [[noreturn]] void failAt(int line, int column, const std::string& problem) const;

private:
    // The byte `ahead` places on (0: the next one), or -1 past the end.
    int peek(std::size_t ahead = 0);
    // Takes the next byte, keeping the line and column of the one after it.
    char take();
    // Appends a byte of the current record's field, within the bounds.
    void append(std::string& field, char byte, std::size_t& recordBytes) const;

    std::string m_name;
    std::string m_path;
    std::ifstream m_in;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    int m_nextLine = 1;
    int m_nextColumn = 1;
    int m_line = 0;
    std::vector<std::string> m_fields;
    std::vector<std::pair<int, int>> m_starts; // line and column of each field
};

// A CSV file whose first record is a header of known column names.
class CsvTable {
public:
    // Opens dir/name and reads the header. Every header name must be one of known (any name
    // when known is empty), none twice; every name in required must be present. Throws with
    // file, line and column on failure.
    CsvTable(const std::string& dir, const std::string& name, const std::vector<std::string>& known,
             const std::vector<std::string>& required);

    // Moves to the next data record; checks its field count. False at the end.
    bool next();
    // Index of a required column.
    std::size_t col(std::string_view name) const;
    // Index of an optional column, -1 when the header lacks it.
    std::ptrdiff_t find(std::string_view name) const;
    // Fields of the current data record.
    const std::vector<std::string>& fields() const { return m_reader.fields(); }
    // Text of a column in the current record.
    const std::string& text(std::size_t col) const { return m_reader.fields()[col]; }
    // Whole number of a column; -1 when empty; throws when not a whole number >= 0.
    int count(std::size_t col) const;
    // Whole number of a column that must be present.
    int required(std::size_t col) const;
    // Throws "file:line:column: problem" for a column of the current record.
    [[noreturn]] void fail(std::size_t col, const std::string& problem) const {
        m_reader.fail(col, problem);
    }

private:
    CsvReader m_reader;
    std::vector<std::string> m_header;
};

} // namespace bbstatsd
