#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bbstatsd {

class SqliteDb;
class TableData;

// Finds players by name and answers their facts, from memory. Built once when the tables are
// loaded; read-only afterwards, so any number of threads may ask at once.
//
// A search matches a player when each of its words is the start of a word of his used first
// name, last name or given name, case and accents ignored, in any order. Lines whose words are
// exactly his used first and last name come first, then more games first (batting games, or
// pitching games for a player without batting rows), then name order and player code.
class PlayerSearch {
public:
    static constexpr std::size_t MaxQueryBytes = 200;
    static constexpr std::size_t MaxLines = 50;

    // Reads the table player_facts of db and the players of the three player tables (batters,
    // pitchers, fielders: their seasons, games, positions and pick-list labels, which are read
    // from the tables: they must outlive the search). Throws std::runtime_error naming the
    // problem.
    PlayerSearch(SqliteDb& db, const TableData& batters, const TableData& pitchers,
                 const TableData& fielders);

    // The reply to a search: the raw query of the request (its "q" value form-encoded UTF-8),
    // at most MaxLines lines "ID TAB NAME TAB YEARS TAB TABLES TAB POSITIONS TAB BORN TAB GAMES
    // TAB BATTERS TAB PITCHERS TAB FIELDERS" ending CR LF, best match first. Throws RequestError
    // (400) for a missing or empty text, one over MaxQueryBytes once decoded, a bad percent
    // escape, bytes that are not UTF-8 and control characters.
    std::string search(std::string_view rawQuery) const;

    // "KEY TAB VALUE" lines ending CR LF of a player's facts, known values only. Throws
    // RequestError (404) for an unknown code.
    std::string facts(std::string_view playerId) const;

    // Players known.
    std::size_t size() const { return m_players.size(); }

private:
    struct Player {
        std::string id;
        std::string name;  // "Last, First"
        std::string facts; // People's as reply lines ("KEY TAB VALUE" CR LF), none empty
        int firstYear = 0;
        int lastYear = 0;
        std::string tables;    // "B", "P", "F" for each table he has rows in
        std::string positions; // fielding positions, most games first
        std::string born;      // birth year
        long long games = 0;
        // In m_wordText: the folded words of his used and given names, sorted and distinct, and
        // those of his used first and last name, sorted (see wordsAt).
        std::uint32_t words = 0;
        std::uint32_t exact = 0;
        // Pick-list label per player table (the table's own text), empty without rows.
        std::array<std::string_view, 3> labels;
    };
    // A word of a player's names: where it starts in m_wordText, and his position.
    struct Word {
        std::uint32_t at;
        std::uint32_t player;
    };

    // The players matching the folded query words, best first, at most MaxLines.
    std::vector<std::uint32_t> matches(const std::vector<std::string>& words) const;
    void addTable(const TableData& data, int table);
    // Position of the player with code id, or m_players.size().
    std::size_t find(std::string_view id) const;
    // Adds words to m_wordText, each ended by NUL, the list by one more; returns where it starts.
    std::uint32_t keepWords(const std::vector<std::string>& words);
    // The words of a list kept at `at`.
    std::vector<std::string_view> wordsAt(std::uint32_t at) const;
    std::string_view wordAt(std::uint32_t at) const { return m_wordText.c_str() + at; }

    std::vector<Player> m_players; // by code
    std::string m_wordText;
    std::vector<Word> m_words; // every word of every player, by word then player
};

// The words of text folded as the search compares them: split at every byte that is not a
// letter, digit or part of a UTF-8 character ("O'Neill" is one word "oneill").
std::vector<std::string> searchWords(std::string_view text);

} // namespace bbstatsd
