#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/engine/request.h"
#include "service/engine/tabledata.h"

namespace bbstatsd {

// One sort key: the record line it orders by and its direction.
struct SortKey {
    int line;
    bool ascending;
};

using Groups = std::vector<std::vector<SelectionItem>>;

// Sort keys of the codes, default-order codes and repeated fields left out.
std::vector<SortKey> sortKeys(const TableDef& def, const std::vector<int>& codes);

// Text naming a query uniquely: the same for requests that select and order alike.
std::string queryKey(const TableDef& def, const std::vector<SortKey>& keys, const Groups& groups);

// Rows matching every group (items of a group are alternatives), in default order. everyRow,
// when given, is set to whether every row of the table matches; the rows are then not copied
// out, and the result is empty.
std::vector<std::uint32_t> filterRows(const TableData& data, const Groups& groups,
                                      bool* everyRow = nullptr);

// Orders rows (given in default order, as filterRows returns them) by the keys; missing values
// last; ties keep default order.
void sortRows(const TableData& data, const std::vector<SortKey>& keys,
              std::vector<std::uint32_t>& rows);

} // namespace bbstatsd
