#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "service/engine/engine.h"

namespace bbstatsd {

// How a record field is stored, compared and written.
enum class FieldKind {
    Name,    // player name: text, compared case-insensitively
    Text,    // text compared case-insensitively
    Char,    // one-letter text compared exactly
    Year,    // season: integer written as plain digits
    Count,   // integer count, -1 when missing
    Ratio,   // real computed from counts of the same record (see RatioDef)
    Innings, // outs pitched, written in box-score form (914 outs = 304.2)
    Real,    // real stored as computed at import (games behind)
};

// One line of a record as the service sends it.
struct FieldDef {
    const char* column; // column name in the imported database
    FieldKind kind;
    int sortNo;          // position in the sortable-field list, -1 when not sortable
    const char* missing; // text fields: the text that marks a missing value, else nullptr
    int decimals = 1;    // Real lines: the decimals shown
};

// A term of a ratio: coefficient times the value of a record line.
struct Term {
    int line;
    int coef;
};

// value = scale * sum(num) / sum(den); missing when a required line is missing or the
// denominator is not positive. Optional lines that are missing count as 0. The client shows
// it with `decimals` decimals, and the service sends and compares it so.
struct RatioDef {
    int line;
    double scale; // a whole number
    std::span<const Term> num;
    std::span<const Term> den;
    std::span<const int> required;
    int decimals;
};

// Everything that differs between the four record tables.
struct TableDef {
    Table table;
    const char* sqlName;              // table name in the imported database
    std::span<const FieldDef> fields; // in reply-line order
    std::span<const RatioDef> ratios;
    int sortFieldCount; // length of the sortable-field list
    double missingReal; // marker of a missing real value
    int nameLine;       // line carrying "TOTALS" in the totals record
    int yearLine;
    int teamNameLine;
    int leagueLine;
    int positionLine; // -1 when the table has no position selection
    bool hasPlayers;
};

// Text order for names: letters compare without case, and accented Latin
// letters (UTF-8) as their base letter, so "Álvarez" sorts among the A's;
// <0, 0 or >0.
int compareText(std::string_view a, std::string_view b);

// text folded as compareText compares it: ASCII letters in lower case, accented Latin letters
// as their base letter, every other byte as it is.
std::string foldText(std::string_view text);

// The definition of one table.
const TableDef& tableDef(Table table);

// Reply line of the field with sortable-field position sortNo, or -1 when there is none.
int lineOfSortField(const TableDef& def, int sortNo);

// Evaluates a ratio over a value getter (line -> value, missing as -1); returns false when
// the ratio is missing.
template <typename Get> bool evalRatio(const RatioDef& r, Get&& get, double& out) {
    for (int line : r.required) {
        if (get(line) < 0) {
            return false;
        }
    }
    double num = 0;
    double den = 0;
    for (const Term& t : r.num) {
        const auto v = get(t.line);
        num += v < 0 ? 0.0 : static_cast<double>(v) * t.coef;
    }
    for (const Term& t : r.den) {
        const auto v = get(t.line);
        den += v < 0 ? 0.0 : static_cast<double>(v) * t.coef;
    }
    // A negative numerator comes only from counts that contradict each other (more home runs
    // than hits): the figure is missing.
    if (!(den > 0) || num < 0) {
        return false;
    }
    out = r.scale * num / den;
    return true;
}

} // namespace bbstatsd
