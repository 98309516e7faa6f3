#include "service/engine/recordwriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "service/engine/shownfigure.h"

namespace bbstatsd {

namespace {

void appendInt(std::string& out, long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

// The missing marker of a table's reals, with the decimals of the line.
void appendMissingReal(std::string& out, const TableDef& def, int decimals) {
    appendUnits(out, std::llround(def.missingReal * std::pow(10.0, decimals)), decimals);
}

// Innings in box-score form: whole innings and the outs past them as tenths.
void appendInnings(std::string& out, const TableDef& def, long long outs) {
    if (outs < 0) {
        appendMissingReal(out, def, 1);
    } else {
        appendUnits(out, outs / 3 * 10 + outs % 3, 1);
    }
}

void endLine(std::string& out) {
    out += "\r\n";
}

} // namespace

void appendRecord(const TableData& data, std::uint32_t row, std::string& out) {
    const TableDef& def = data.def();
    for (std::size_t line = 0; line < def.fields.size(); ++line) {
        const Column& c = data.column(static_cast<int>(line));
        switch (c.kind) {
        case FieldKind::Name:
        case FieldKind::Text:
        case FieldKind::Char:
            out += c.dict[c.ids[row]];
            break;
        case FieldKind::Year:
        case FieldKind::Count:
            appendInt(out, c.ints[row]);
            break;
        case FieldKind::Innings:
        case FieldKind::Ratio:
        case FieldKind::Real: {
            const ShownLine shown(data, static_cast<int>(line));
            long long units = 0;
            if (shown.units(row, units)) {
                appendUnits(out, units, shown.decimals());
            } else {
                appendMissingReal(out, def, shown.decimals());
            }
            break;
        }
        }
        endLine(out);
    }
}

void appendBlankRecord(const TableDef& def, std::string& out) {
    for (std::size_t line = 0; line < def.fields.size(); ++line) {
        endLine(out);
    }
}

std::string totalsRecord(const TableData& data, const std::vector<std::uint32_t>& rows) {
    const TableDef& def = data.def();
    const std::size_t lines = def.fields.size();
    // Sums of the counts (outs for innings); -1 while no row had a value.
    std::vector<long long> sums(lines, rows.empty() ? 0 : -1);
    for (std::size_t line = 0; line < lines; ++line) {
        const Column& c = data.column(static_cast<int>(line));
        if (c.kind != FieldKind::Count && c.kind != FieldKind::Innings) {
            continue;
        }
        long long total = 0;
        bool any = false;
        const std::int32_t* values = c.ints.data();
        for (std::uint32_t row : rows) {
            const std::int32_t v = values[row];
            total += v >= 0 ? v : 0;
            any = any || v >= 0;
        }
        if (any) {
            sums[line] = total;
        }
    }
    // Ratios in units of their shown decimals; -1 while missing.
    std::vector<long long> ratios(lines, -1);
    for (const RatioDef& r : def.ratios) {
        // Only rows whose own ratio has its required values take part.
        std::vector<const std::int32_t*> required;
        for (int line : r.required) {
            required.push_back(data.column(line).ints.data());
        }
        std::vector<std::pair<const std::int32_t*, int>> num, den;
        for (const Term& t : r.num) {
            num.emplace_back(data.column(t.line).ints.data(), t.coef);
        }
        for (const Term& t : r.den) {
            den.emplace_back(data.column(t.line).ints.data(), t.coef);
        }
        long long numSum = 0;
        long long denSum = 0;
        for (std::uint32_t row : rows) {
            bool complete = true;
            for (const std::int32_t* col : required) {
                complete = complete && col[row] >= 0;
            }
            if (!complete) {
                continue;
            }
            for (const auto& [col, coef] : num) {
                numSum += static_cast<long long>(std::max(0, col[row])) * coef;
            }
            for (const auto& [col, coef] : den) {
                denSum += static_cast<long long>(std::max(0, col[row])) * coef;
            }
        }
        if (denSum > 0) {
            ratios[static_cast<std::size_t>(r.line)] =
                roundedUnits(numSum, denSum, static_cast<long long>(r.scale), r.decimals);
        }
    }
    std::string out;
    for (std::size_t line = 0; line < lines; ++line) {
        const FieldDef& f = def.fields[line];
        switch (f.kind) {
        case FieldKind::Name:
        case FieldKind::Text:
        case FieldKind::Char:
        case FieldKind::Year:
            if (static_cast<int>(line) == def.nameLine) {
                out += "TOTALS";
            }
            break;
        case FieldKind::Count:
            appendInt(out, sums[line]);
            break;
        case FieldKind::Innings:
            appendInnings(out, def, sums[line]);
            break;
        case FieldKind::Ratio:
            if (ratios[line] >= 0) {
                appendUnits(out, ratios[line], shownDecimals(def, static_cast<int>(line)));
            } else {
                appendMissingReal(out, def, shownDecimals(def, static_cast<int>(line)));
            }
            break;
        case FieldKind::Real:
            appendMissingReal(out, def, shownDecimals(def, static_cast<int>(line)));
            break;
        }
        endLine(out);
    }
    return out;
}

} // namespace bbstatsd
