#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "service/engine/recordtexts.h"
#include "service/engine/tabledata.h"

namespace bbstatsd {

class MoreFigures;

// What one row of a reply stands for: a stint (one player with one club in one season, the
// rows as stored), a player's season, or a player's career over the selected seasons.
enum class LinesMode { Team, Season, Career };

// The lines a request asks for, read from the query of the service path.
struct LinesOptions {
    LinesMode mode = LinesMode::Team;
    bool qualified = false; // only lines that qualify for the rate titles of their season
    bool plain() const { return mode == LinesMode::Team && !qualified; }
};

// Reads "lines=team|season|career" and "qualified=0|1" from a raw query (other keys are left
// to others). Throws RequestError (400) for an unknown value, for lines on the Teams table and
// for qualified on Fielders or with career lines.
LinesOptions parseLinesOptions(std::string_view query, Table table);

// Text added to a query's cache key so that each lines mode has its own entries; empty for
// the plain mode, so its keys stay as they are.
std::string linesKey(const LinesOptions& options);

// The games each league scheduled in a season: the most any of its clubs played.
class Schedule {
public:
    // Reads year, league and games of every club-season of the Teams table.
    explicit Schedule(const TableData& teams);
    // Scheduled games of league in year, 0 when the league-season is unknown.
    int games(int year, const std::string& league) const;

private:
    std::map<std::pair<int, std::string>, int> m_games;
};

// Whether a line of data qualifies for the rate titles of its season: batters 3.1 plate
// appearances per scheduled game (rounded to the nearest), pitchers 1 inning per scheduled game.
// games: scheduled games of the line's league-season (the most of its leagues). Other tables
// qualify every line.
bool qualifies(const TableData& data, std::uint32_t line, int games);

// An array that tables of the same lines share (those of the more-columns option share the
// plain lines'): made once, then read.
template <typename T> class SharedArray {
public:
    const T& operator[](std::size_t i) const { return (*m_values)[i]; }
    std::size_t size() const { return m_values->size(); }
    const T* data() const { return m_values->data(); }
    typename std::vector<T>::const_iterator begin() const { return m_values->begin(); }
    typename std::vector<T>::const_iterator end() const { return m_values->end(); }
    // Bytes held, counting shared values.
    std::size_t bytes() const { return m_values->capacity() * sizeof(T); }
    // The values, to make them.
    std::vector<T>& make() { return *m_values; }
    // Reads other's values from now on.
    void share(const SharedArray& other) { m_values = other.m_values; }

private:
    std::shared_ptr<std::vector<T>> m_values = std::make_shared<std::vector<T>>();
};

// Combined lines of a set of stint rows, with their texts written and each line's stint rows.
struct LinesTable {
    std::unique_ptr<TableData> data;
    std::unique_ptr<RecordTexts> texts;
    SharedArray<std::uint8_t> qualified;    // per line
    SharedArray<std::uint32_t> memberStart; // lines + 1 entries: where each line's rows start
    SharedArray<std::uint32_t> members;     // stint rows of each line, in default order

    std::size_t bytes() const;
    // The stint rows of lines, in default order.
    std::vector<std::uint32_t> stintRows(const std::vector<std::uint32_t>& lines) const;
};

// Combines stint rows (positions of stints, in default order) into season or career lines:
// one line per player and season (career: per player), and per position in Fielders. A count
// is the sum of what the stints record (missing only when none records it); a ratio takes the
// stints that record every count it requires, so that a line's figures are those of the totals
// record of its stints. Team code "TOT" only over two or more clubs; a season with one club
// keeps its code and name. Lines come in the order of their first rows; their ranks are
// computed when a sort first asks for them. With
// stintTexts (the record texts of stints, which must outlive the lines), a line of one stint
// whose text is that stint's refers to it instead of holding a copy. With more (stints of the
// more-columns table), the added figures that are no ratio of the sums are filled in. With
// plain (the same lines of the same rows without the option, which must outlive the lines),
// the lines keep only the added lines and the added part of each text, and read the rest from
// plain.
std::shared_ptr<const LinesTable>
combineLines(const TableData& stints, const std::vector<std::uint32_t>& rows, LinesMode mode,
             const Schedule& schedule, const RecordTexts* stintTexts = nullptr,
             const MoreFigures* more = nullptr, const LinesTable* plain = nullptr);

// The qualifier of every stint row, for per-team lines that are asked qualified.
std::vector<std::uint8_t> stintQualifiers(const TableData& stints, const Schedule& schedule);

} // namespace bbstatsd
