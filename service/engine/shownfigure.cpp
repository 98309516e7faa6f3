#include "service/engine/shownfigure.h"

#include <algorithm>
#include <cmath>

namespace bbstatsd {

namespace {

constexpr long long kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// Bounds past every figure: a bound beyond them keeps all rows or none, as its sign says.
constexpr long long kFar = 1'000'000'000'000'000LL;

const RatioDef* ratioOf(const TableDef& def, int line) {
    for (const RatioDef& r : def.ratios) {
        if (r.line == line) {
            return &r;
        }
    }
    return nullptr;
}

} // namespace

int shownDecimals(const TableDef& def, int line) {
    switch (def.fields[static_cast<std::size_t>(line)].kind) {
    case FieldKind::Ratio: {
        const RatioDef* r = ratioOf(def, line);
        return r ? r->decimals : -1;
    }
    case FieldKind::Innings:
        return 1;
    case FieldKind::Real:
        return def.fields[static_cast<std::size_t>(line)].decimals;
    default:
        return -1;
    }
}

long long roundedUnits(long long num, long long den, long long scale, int decimals) {
    // floor(scale * num * 10^d / den + 1/2), in whole numbers.
    return (2 * scale * num * kPowers[decimals] + den) / (2 * den);
}

ShownLine::ShownLine(const TableData& data, int line)
    : m_kind(data.column(line).kind), m_decimals(shownDecimals(data.def(), line)) {
    const Column& c = data.column(line);
    if (m_kind == FieldKind::Innings) {
        m_ints = &c.ints;
    } else if (m_kind == FieldKind::Real) {
        if (!c.units.empty()) {
            m_units = &c.units;
            m_low = c.unitsLow;
        } else {
            m_reals = c.reals.data();
        }
    } else if (const RatioDef* r =
                   m_kind == FieldKind::Ratio ? ratioOf(data.def(), line) : nullptr) {
        if (!c.units.empty()) {
            m_units = &c.units;
            return;
        }
        m_scale = static_cast<long long>(r->scale);
        for (const bbstatsd::Term& t : r->num) {
            m_num.at(m_nums++) = {&data.column(t.line).ints, t.coef};
        }
        for (const bbstatsd::Term& t : r->den) {
            m_den.at(m_dens++) = {&data.column(t.line).ints, t.coef};
        }
        for (int l : r->required) {
            m_required.at(m_requireds++) = &data.column(l).ints;
        }
    } else {
        m_decimals = -1;
    }
}

bool ShownLine::units(std::uint32_t row, long long& out) const {
    switch (m_kind) {
    case FieldKind::Innings: {
        const std::int32_t outs = (*m_ints)[row];
        out = static_cast<long long>(outs / 3) * 10 + outs % 3;
        return outs >= 0;
    }
    case FieldKind::Real: {
        if (m_units != nullptr) {
            const std::int32_t held = (*m_units)[row];
            out = held + m_low;
            return held >= 0;
        }
        const double x = m_reals[row];
        if (std::isnan(x)) {
            return false;
        }
        out =
            static_cast<long long>(std::floor(x * static_cast<double>(kPowers[m_decimals]) + 0.5));
        return true;
    }
    case FieldKind::Ratio: {
        if (m_decimals < 0) {
            return false;
        }
        if (m_units != nullptr) {
            out = (*m_units)[row];
            return out >= 0;
        }
        // As evalRatio: required values present, other missing values counted 0.
        for (std::size_t i = 0; i < m_requireds; ++i) {
            if ((*m_required[i])[row] < 0) {
                return false;
            }
        }
        long long num = 0, den = 0;
        for (std::size_t i = 0; i < m_nums; ++i) {
            num += std::max(0, (*m_num[i].values)[row]) * m_num[i].coef;
        }
        for (std::size_t i = 0; i < m_dens; ++i) {
            den += std::max(0, (*m_den[i].values)[row]) * m_den[i].coef;
        }
        if (den <= 0 || num < 0) {
            return false;
        }
        out = roundedUnits(num, den, m_scale, m_decimals);
        return true;
    }
    default:
        return false;
    }
}

void appendUnits(std::string& out, long long units, int decimals) {
    if (units < 0) {
        out += '-';
        units = -units;
    }
    const long long scale = kPowers[decimals];
    out += std::to_string(units / scale);
    if (decimals > 0) {
        const std::string fraction = std::to_string(units % scale + scale);
        out += '.';
        out.append(fraction, 1, std::string::npos);
    }
}

bool boundUnits(std::string_view text, int decimals, bool lower, long long& units) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    // The bound's magnitude: whole units in `whole`, and whether digits past them are not 0.
    long long whole = 0;
    bool digits = false;
    bool rest = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        whole = std::min(kFar, whole * 10 + (text[i] - '0'));
        digits = true;
    }
    int places = 0;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (places < decimals) {
                whole = std::min(kFar, whole * 10 + (text[i] - '0'));
                ++places;
            } else {
                rest = rest || text[i] != '0';
            }
            digits = true;
        }
    }
    if (!digits || i != text.size()) {
        return false;
    }
    for (; places < decimals; ++places) {
        whole = std::min(kFar, whole * 10);
    }
    // The bound is (whole + a fraction, positive when rest) units with its sign: a lower
    // bound rounds up to the next unit, an upper one down.
    if (!negative) {
        units = whole + (lower && rest ? 1 : 0);
    } else {
        units = -whole - (!lower && rest ? 1 : 0);
    }
    return true;
}

} // namespace bbstatsd
