#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/engine/schema.h"

namespace bbstatsd {

// The more-columns option ("more=1" on the service path): each record carries further figures
// after all of its own lines, numbered after the table's sortable fields so that sort codes and
// limit items take them.
//
// Batters:  OPS, OPS+, ISO, BABIP, Age         (lines 31-35, fields 31-35)
// Pitchers: WHIP, K/9, BB/9, HR/9, K/BB, ERA+, FIP, Age (lines 31-38, fields 31-38)
// Fielders: Age                               (line 17, field 16)
// Teams:    OPS, ERA+, expected W-L%          (lines 67-69, fields 67-69)

// The table's lines with the added ones. The same object on every call; thread-safe.
const TableDef& moreTableDef(Table table);

// Whether def is the one of the option (it has the added lines).
bool isMoreDef(const TableDef& def);

// Reads "more=0|1" from a raw query; throws RequestError (400) for another value.
bool parseMoreOption(std::string_view query);

// Reads "header=0|1" from a raw query (the CSV path); throws RequestError (400) for another
// value.
bool parseHeaderOption(std::string_view query);

// The column title of a sortable field as the grid shows it (its two title rows joined by a
// blank), "" past the fields of def.
std::string_view fieldTitle(const TableDef& def, int sortNo);

// Added lines of a table by name; -1 when the table has no such line.
int moreLine(const TableDef& def, std::string_view column);

} // namespace bbstatsd
