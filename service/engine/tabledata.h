#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "service/engine/packedints.h"
#include "service/engine/schema.h"

namespace bbstatsd {

class SqliteDb;

inline constexpr std::uint32_t kMissingRank = 0xffffffffu;

// The distinct texts of a text line: its own, or those of a line of another table that it
// shares (lines combined from stints show their first stint's name), which must outlive it.
class TextDict {
public:
    const std::string& operator[](std::size_t id) const { return texts()[id]; }
    std::size_t size() const { return texts().size(); }
    std::vector<std::string>::const_iterator begin() const { return texts().begin(); }
    std::vector<std::string>::const_iterator end() const { return texts().end(); }
    const std::vector<std::string>& texts() const { return m_shared ? *m_shared : m_own; }
    // Whether the texts are another line's.
    bool shared() const { return m_shared != nullptr; }
    // Adds a text of the line's own (a dict that shares none).
    void push_back(std::string text) { m_own.push_back(std::move(text)); }
    // Reads other's texts from now on instead of holding any.
    void share(const TextDict& other) {
        m_own = std::vector<std::string>();
        m_shared = &other.texts();
    }

private:
    std::vector<std::string> m_own;
    const std::vector<std::string>* m_shared = nullptr;
};

// One record line of every row, stored by kind. Whole numbers are held in as few bytes as
// their values need (PackedInts).
struct Column {
    FieldKind kind = FieldKind::Count;
    PackedInts<std::int32_t> ints; // Year, Count (-1 missing), Innings (outs, -1 missing)
    // Real and Ratio (NaN missing) while a table is being made; a made table holds units.
    std::vector<double> reals;
    // Ratio lines: each row's figure as shown, in units of its last decimal (-1 missing). A
    // stored row's figure is that of its own counts; a combined line's is not (its ratio takes
    // only the stints that record every count it requires). Real lines: the figure as shown
    // less unitsLow, so that most take one or two bytes (-1 missing).
    PackedInts<std::int32_t> units;
    std::int32_t unitsLow = 0;
    PackedInts<std::uint32_t> ids;          // text kinds: index into dict
    TextDict dict;                          // distinct texts
    std::vector<std::uint32_t> dictRank;    // text kinds: sort rank of each dict entry
    std::uint32_t missingId = kMissingRank; // dict entry of the missing marker, if any
    PackedInts<std::uint32_t> rank; // sortable lines: rank of each row, kMissingRank if missing
    std::uint32_t distinct = 0;     // number of ranks in use

    bool isText() const {
        return kind == FieldKind::Name || kind == FieldKind::Text || kind == FieldKind::Char;
    }
    bool missing(std::uint32_t row) const;
    // Numeric value of a row (years, counts, box-score innings, reals); false when missing and
    // for decimal lines held as units (see ShownLine).
    bool number(std::uint32_t row, double& out) const;
};

// One record table held in memory, rows in default order.
class TableData {
public:
    // Loads the table of def from db; throws std::runtime_error naming the file. A line is
    // ranked when a sort first asks for it (ranked).
    TableData(SqliteDb& db, const TableDef& def);
    // A table of lines built in memory from filled columns (combined lines); it offers no
    // selection indexes. The ranks of a line are computed when a sort first asks for them
    // (ranked), or all at once by rankAll.
    TableData(const TableDef& def, std::vector<Column> columns, std::uint32_t rows);
    // A loaded table with further lines after its own (def: base's lines, then the added
    // ones): base's lines and selection indexes are read from base, not copied, so base must
    // outlive this; an added line is ranked when a sort first asks for it.
    TableData(const TableData& base, const TableDef& def, std::vector<Column> added);

    const TableDef& def() const { return m_def; }
    std::uint32_t rows() const { return m_rows; }
    const Column& column(int line) const {
        const auto at = static_cast<std::size_t>(line);
        return at < m_first ? m_base->column(line) : m_cols[at - m_first];
    }
    // The column of a sortable or text line with its ranks (rank, distinct) computed.
    // Thread-safe.
    const Column& ranked(int line) const;
    // Computes the ranks of every sortable and text line now.
    void rankAll() const;
    int yearMin() const { return home().m_yearMin; }
    // Number of seasons from the first to the last.
    std::size_t yearSpan() const { return home().m_byYear.size(); }

    // Player of each row and the pick-list entry of each player (player tables only).
    const std::vector<std::uint32_t>& playerOfRow() const { return home().m_player; }
    const std::vector<std::string>& playerEntries() const { return home().m_playerEntry; }
    // The data's player code of each player (player tables only).
    const std::vector<std::string>& playerIds() const { return home().m_playerIds; }
    // Players a player item names: by pick-list entry, or by plain name (all who share it);
    // empty when it names none.
    std::span<const std::uint32_t> playersNamed(std::string_view text) const;

    // Rows of a player, of a dict entry of the team name, league or position line, of a year.
    std::span<const std::uint32_t> rowsOfPlayer(std::uint32_t p) const {
        const TableData& home = this->home();
        return std::span<const std::uint32_t>(home.m_playerRows)
            .subspan(home.m_playerStart[p], home.m_playerStart[p + 1] - home.m_playerStart[p]);
    }
    const std::vector<std::uint32_t>& rowsOfText(int line, std::uint32_t id) const;
    const std::vector<std::uint32_t>* rowsOfYear(int year) const;

    // Dict entry of text on the team name, league or position line, or kMissingRank (always
    // on other lines, and on tables of combined lines).
    std::uint32_t idOf(int line, const std::string& text) const;
    // Approximate bytes held (not counting a base's).
    std::size_t bytes() const;

private:
    // Gives each ratio and real line of this table's own lines its units, figured from each
    // row's counts or real where it has none, and drops the reals it was built with.
    void figureDecimals();
    void computeRanks(Column& c);
    // The table that holds the selection indexes: the base of an extended table, else this.
    const TableData& home() const { return m_base != nullptr ? m_base->home() : *this; }

    const TableDef& m_def;
    const TableData* m_base = nullptr; // of an extended table: holds lines [0, m_first)
    std::size_t m_first = 0;           // lines read from m_base; m_cols holds the rest
    // Lines whose ranks wait for their first sort: one flag each; null when all are ranked.
    std::unique_ptr<std::once_flag[]> m_rankOnce;
    std::uint32_t m_rows = 0;
    std::vector<Column> m_cols;                                           // lines from m_first on
    std::vector<std::unordered_map<std::string, std::uint32_t>> m_lookup; // per text line
    std::vector<std::uint32_t> m_player;
    std::vector<std::string> m_playerEntry;
    std::vector<std::string> m_playerIds;
    // The texts that name players (names, pick-list entries and the part of an entry the client
    // keeps), sorted, each with its players in m_namedPlayers: views of m_playerEntry and of
    // the name line's dict.
    std::vector<std::string_view> m_names;
    std::vector<std::uint32_t> m_namedPlayers;
    // The rows of each player p, in order: m_playerRows from m_playerStart[p] to [p + 1].
    std::vector<std::uint32_t> m_playerStart;
    std::vector<std::uint32_t> m_playerRows;
    std::unordered_map<int, std::vector<std::vector<std::uint32_t>>> m_byText; // line -> id -> rows
    std::vector<std::vector<std::uint32_t>> m_byYear;
    int m_yearMin = 0;
};

} // namespace bbstatsd
