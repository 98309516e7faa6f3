#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "service/engine/tabledata.h"

namespace bbstatsd {

// The pick lists of one table, kept ready since they change only with the data: the reply to
// each list request without a selection, and each list's entry lines in list order, so that
// the list over a selection is the lines of the entries present, copied in order. Kept apart
// from the result cache: built once when the table is loaded and never dropped.
class PickLists {
public:
    // Builds every list the table offers (players, seasons, teams, leagues, positions).
    explicit PickLists(const TableData& data);

    // Whether the table offers the list of letter (A, C, D, E or G).
    bool offers(char letter) const;
    // The reply over the whole table: count, entries in text order, "*". letter is offered.
    const std::string& whole(char letter) const { return list(letter).whole; }
    // The reply over rows (positions of the table): the entries present in them, in the same
    // order. letter is offered.
    std::string over(char letter, const std::vector<std::uint32_t>& rows) const;
    // Bytes held.
    std::size_t bytes() const;

private:
    struct List {
        bool offered = false;
        std::vector<std::uint32_t> slotOf;  // key of a row (player, season, text id) -> slot
        std::string lines;                  // every entry with its CR LF, in slot order
        std::vector<std::uint32_t> offsets; // slots + 1: where each slot's line starts
        std::string whole;
    };
    static int indexOf(char letter);
    const List& list(char letter) const {
        return m_lists[static_cast<std::size_t>(indexOf(letter))];
    }
    // Key of row in the list of letter.
    std::uint32_t keyOf(char letter, std::uint32_t row) const;
    void build(char letter, std::vector<std::string> entries);

    const TableData& m_data;
    std::array<List, 5> m_lists; // A, C, D, E, G
};

} // namespace bbstatsd
