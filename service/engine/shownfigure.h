#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/engine/tabledata.h"

namespace bbstatsd {

// The decimal lines (ratios, innings, games behind) as the client shows them: each value
// rounded once, half up, to the decimals shown, and held exactly as a whole number of units of
// the last decimal (.274 at three decimals is 274). The service sends this figure and a limit
// compares it, so that a value shown as .300 is inside a limit from .300.

// Decimals of a decimal line: a ratio's own, one for innings (box-score form) and games
// behind (halves); -1 for a line of another kind.
int shownDecimals(const TableDef& def, int line);

// scale * num / den rounded once, half up, to units of `decimals` decimals (den > 0,
// num >= 0, scale a whole number).
long long roundedUnits(long long num, long long den, long long scale, int decimals);

// A decimal line of a table, ready to give the figure of each row.
class ShownLine {
public:
    // The line of data; decimals() is -1 when it is no decimal line. data must outlive it.
    ShownLine(const TableData& data, int line);

    int decimals() const { return m_decimals; }
    // The figure of row, in units; false when the value is missing. A ratio is the figure its
    // table holds (see Column::units), or, while it holds none, computed from the row's counts
    // so that no rounding precedes the one.
    bool units(std::uint32_t row, long long& out) const;

private:
    using Values = PackedInts<std::int32_t>;
    struct Term {
        const Values* values;
        long long coef;
    };
    static constexpr std::size_t kTerms = 8;

    FieldKind m_kind = FieldKind::Count;
    int m_decimals = -1;
    const Values* m_ints = nullptr;  // innings
    const double* m_reals = nullptr; // games behind
    const Values* m_units = nullptr; // ratios and reals whose units are held
    long long m_low = 0;             // reals held as units: what they count from
    long long m_scale = 1;           // ratios
    std::array<Term, kTerms> m_num{}, m_den{};
    std::array<const Values*, kTerms> m_required{};
    std::size_t m_nums = 0, m_dens = 0, m_requireds = 0;
};

// Appends units as decimal text with `decimals` decimals and "." ("0.274", "-1.5").
void appendUnits(std::string& out, long long units, int decimals);

// A limit bound typed as text on a decimal line, in units: the least figure at or above it
// (lower) or the greatest at or below it (upper), so that comparing units is comparing the
// shown figure with the bound as typed. False when the text is not a plain decimal number
// (optional sign, digits, optional "." and digits, blanks around).
bool boundUnits(std::string_view text, int decimals, bool lower, long long& units);

} // namespace bbstatsd
