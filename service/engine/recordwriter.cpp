#include "service/engine/recordwriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace bbstatsd {

namespace {

void appendInt(std::string& out, long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void appendInnings(std::string& out, long long outs, double missing) {
    appendReal(out, outs < 0
                        ? missing
                        : static_cast<double>(outs / 3) + static_cast<double>(outs % 3) / 10.0);
}

void endLine(std::string& out) {
    out += "\r\n";
}

} // namespace

void appendReal(std::string& out, double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    out.append(buf, r.ptr);
}

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
            appendInnings(out, c.ints[row], def.missingReal);
            break;
        case FieldKind::Ratio:
        case FieldKind::Real:
            appendReal(out, std::isnan(c.reals[row]) ? def.missingReal : c.reals[row]);
            break;
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
        for (std::uint32_t row : rows) {
            if (c.ints[row] >= 0) {
                total += c.ints[row];
                any = true;
            }
        }
        if (any) {
            sums[line] = total;
        }
    }
    std::vector<double> ratios(lines, def.missingReal);
    for (const RatioDef& r : def.ratios) {
        // Only rows whose own ratio has its required values take part.
        double num = 0;
        double den = 0;
        for (std::uint32_t row : rows) {
            auto value = [&](int line) { return data.column(line).ints[row]; };
            if (std::any_of(r.required.begin(), r.required.end(),
                            [&](int line) { return value(line) < 0; })) {
                continue;
            }
            for (const Term& t : r.num) {
                num += std::max(0, value(t.line)) * static_cast<double>(t.coef);
            }
            for (const Term& t : r.den) {
                den += std::max(0, value(t.line)) * static_cast<double>(t.coef);
            }
        }
        if (den > 0) {
            ratios[static_cast<std::size_t>(r.line)] = r.scale * num / den;
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
            appendInnings(out, sums[line], def.missingReal);
            break;
        case FieldKind::Ratio:
            appendReal(out, ratios[line]);
            break;
        case FieldKind::Real:
            appendReal(out, def.missingReal);
            break;
        }
        endLine(out);
    }
    return out;
}

std::string listReply(const TableData& data, char listLetter,
                      const std::vector<std::uint32_t>& rows) {
    const TableDef& def = data.def();
    std::vector<const std::string*> entries;
    if (listLetter == 'A') {
        std::vector<std::uint8_t> present(data.playerEntries().size(), 0);
        for (std::uint32_t row : rows) {
            present[data.playerOfRow()[row]] = 1;
        }
        for (std::uint32_t p : data.playersInOrder()) {
            const std::string& entry = data.playerEntries()[p];
            if (present[p] && (entries.empty() || *entries.back() != entry)) {
                entries.push_back(&entry);
            }
        }
    } else if (listLetter == 'C') {
        std::vector<std::uint8_t> present(data.yearSpan(), 0);
        const Column& years = data.column(def.yearLine);
        for (std::uint32_t row : rows) {
            present[static_cast<std::size_t>(years.ints[row] - data.yearMin())] = 1;
        }
        std::string out;
        std::size_t count = 0;
        std::string body;
        for (std::size_t i = 0; i < present.size(); ++i) {
            if (present[i]) {
                appendInt(body, data.yearMin() + static_cast<long long>(i));
                endLine(body);
                ++count;
            }
        }
        appendInt(out, static_cast<long long>(count));
        endLine(out);
        return out + body + "*\r\n";
    } else {
        const int line = listLetter == 'D'   ? def.teamNameLine
                         : listLetter == 'E' ? def.leagueLine
                                             : def.positionLine;
        const Column& c = data.column(line);
        std::vector<std::uint8_t> present(c.dict.size(), 0);
        for (std::uint32_t row : rows) {
            present[c.ids[row]] = 1;
        }
        for (std::size_t id = 0; id < c.dict.size(); ++id) {
            if (present[id]) {
                entries.push_back(&c.dict[id]);
            }
        }
        std::sort(entries.begin(), entries.end(), [](const std::string* a, const std::string* b) {
            const int r = compareText(*a, *b);
            return r != 0 ? r < 0 : *a < *b;
        });
    }
    std::string out;
    appendInt(out, static_cast<long long>(entries.size()));
    endLine(out);
    for (const std::string* e : entries) {
        out += *e;
        endLine(out);
    }
    out += "*\r\n";
    return out;
}

} // namespace bbstatsd
