#include "service/engine/recordwriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <span>

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
    RecordWriter(data).append(row, out);
}

RecordWriter::RecordWriter(const TableData& data) : m_data(data) {
    const std::size_t lines = data.def().fields.size();
    m_shown.reserve(lines);
    for (std::size_t line = 0; line < lines; ++line) {
        m_shown.emplace_back(data, static_cast<int>(line));
    }
}

RecordWriter::~RecordWriter() = default;

void RecordWriter::append(std::uint32_t row, std::string& out) const {
    const TableDef& def = m_data.def();
    for (std::size_t line = 0; line < m_shown.size(); ++line) {
        const Column& c = m_data.column(static_cast<int>(line));
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
            const ShownLine& shown = m_shown[line];
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
    // Sums of the counts (outs for innings); -1 while no row had a value. present: the sum of
    // the values present; complete: whether every row has the value.
    std::vector<long long> sums(lines, rows.empty() ? 0 : -1);
    std::vector<long long> present(lines, 0);
    std::vector<std::uint8_t> complete(lines, 1);
    for (std::size_t line = 0; line < lines; ++line) {
        const Column& c = data.column(static_cast<int>(line));
        if (c.kind != FieldKind::Count && c.kind != FieldKind::Innings) {
            continue;
        }
        long long total = 0;
        std::size_t missing = 0;
        c.ints.visit([&](auto values) {
            for (std::uint32_t row : rows) {
                const std::int32_t v = values[row];
                total += v >= 0 ? v : 0;
                missing += v < 0 ? 1 : 0;
            }
        });
        present[line] = total;
        complete[line] = missing == 0;
        if (missing < rows.size()) {
            sums[line] = total;
        }
    }
    // Ratios in units of their shown decimals; -1 while missing. Only rows whose own ratio has
    // its required values take part: when every row has them, the sums of the terms are the
    // column sums above, else the rows are picked column by column.
    std::vector<long long> ratios(lines, -1);
    std::vector<std::uint8_t> takes;
    for (const RatioDef& r : def.ratios) {
        const bool all = std::all_of(r.required.begin(), r.required.end(), [&](int line) {
            return complete[static_cast<std::size_t>(line)] != 0;
        });
        if (!all) {
            takes.assign(rows.size(), 1);
            for (int line : r.required) {
                data.column(line).ints.visit([&](auto values) {
                    for (std::size_t i = 0; i < rows.size(); ++i) {
                        takes[i] &= values[rows[i]] >= 0 ? 1 : 0;
                    }
                });
            }
        }
        auto termSum = [&](std::span<const Term> terms) {
            long long sum = 0;
            for (const Term& t : terms) {
                long long column = 0;
                if (all) {
                    column = present[static_cast<std::size_t>(t.line)];
                } else {
                    data.column(t.line).ints.visit([&](auto values) {
                        for (std::size_t i = 0; i < rows.size(); ++i) {
                            column += takes[i] ? std::max(0, values[rows[i]]) : 0;
                        }
                    });
                }
                sum += column * t.coef;
            }
            return sum;
        };
        const long long numSum = termSum(r.num);
        const long long denSum = termSum(r.den);
        if (denSum > 0 && numSum >= 0) {
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
