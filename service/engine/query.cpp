#include "service/engine/query.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <span>

#include "service/engine/shownfigure.h"

namespace bbstatsd {

namespace {

__extension__ typedef unsigned __int128 Key128;

// A limit keeps the rows whose value on its line is present and inside its range; an empty
// bound is open. A missing value is inside no range, so a limit with both bounds empty keeps
// exactly the rows that have a value.
struct CompiledLimit {
    int line = 0;
    bool none = false; // a bound is not a number: no row
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
    std::optional<ShownLine> shown; // decimal lines: the bounds in units of the shown figure
    long long loUnits = std::numeric_limits<long long>::min();
    long long hiUnits = std::numeric_limits<long long>::max();
    std::vector<std::uint8_t> textOk; // text lines: per dict entry
};

struct CompiledGroup {
    std::vector<std::uint8_t> players, years;
    std::vector<std::uint8_t> teams, leagues, positions;
    std::vector<CompiledLimit> limits;
    std::vector<std::span<const std::uint32_t>> postings;
    std::size_t postingRows = 0;
    bool hasLimits = false;
};

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// Reads a plain decimal number: optional sign, digits, optional "." and digits.
bool parseNumber(std::string_view s, double& out) {
    s = trim(s);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    double value = 0;
    bool digits = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
            value += (s[i] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (!digits || i != s.size()) {
        return false;
    }
    out = negative ? -value : value;
    return true;
}

bool parseYear(std::string_view s, int& out) {
    if (s.empty() || s.size() > 6) {
        return false;
    }
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

CompiledLimit compileLimit(const TableData& data, const SelectionItem& item) {
    CompiledLimit lim;
    lim.line = lineOfSortField(data.def(), item.field);
    const Column& c = data.column(lim.line);
    if (c.isText()) {
        const bool exact = c.kind == FieldKind::Char;
        auto cmp = [&](const std::string& a, const std::string& b) {
            return exact ? a.compare(b) : compareText(a, b);
        };
        lim.textOk.assign(c.dict.size(), 0);
        for (std::size_t id = 0; id < c.dict.size(); ++id) {
            if (id == c.missingId) {
                continue;
            }
            const bool aboveMin = item.min.empty() || cmp(c.dict[id], item.min) >= 0;
            const bool belowMax = item.max.empty() || cmp(c.dict[id], item.max) <= 0;
            lim.textOk[id] = aboveMin && belowMax;
        }
        return lim;
    }
    if (const int decimals = shownDecimals(data.def(), lim.line); decimals >= 0) {
        // A decimal line compares the figure the client shows with the bound as typed.
        lim.shown.emplace(data, lim.line);
        if ((!item.min.empty() && !boundUnits(item.min, decimals, true, lim.loUnits)) ||
            (!item.max.empty() && !boundUnits(item.max, decimals, false, lim.hiUnits))) {
            lim.none = true;
        }
        return lim;
    }
    if ((!item.min.empty() && !parseNumber(item.min, lim.lo)) ||
        (!item.max.empty() && !parseNumber(item.max, lim.hi))) {
        lim.none = true;
    }
    return lim;
}

bool limitMatches(const TableData& data, const CompiledLimit& lim, std::uint32_t row) {
    if (lim.none) {
        return false;
    }
    const Column& c = data.column(lim.line);
    if (!lim.textOk.empty() || c.isText()) {
        return lim.textOk[c.ids[row]] != 0;
    }
    if (lim.shown) {
        long long units = 0;
        return lim.shown->units(row, units) && units >= lim.loUnits && units <= lim.hiUnits;
    }
    double x = 0;
    return c.number(row, x) && x >= lim.lo && x <= lim.hi;
}

void markText(const TableData& data, int line, const std::string& value,
              std::vector<std::uint8_t>& bits, CompiledGroup& g) {
    if (line < 0) {
        return;
    }
    const std::uint32_t id = data.idOf(line, value);
    if (id == kMissingRank) {
        return;
    }
    if (bits.empty()) {
        bits.assign(data.column(line).dict.size(), 0);
    }
    if (!bits[id]) {
        bits[id] = 1;
        const auto& rows = data.rowsOfText(line, id);
        g.postings.push_back(rows);
        g.postingRows += rows.size();
    }
}

CompiledGroup compileGroup(const TableData& data, const std::vector<SelectionItem>& items) {
    const TableDef& def = data.def();
    CompiledGroup g;
    for (const SelectionItem& item : items) {
        switch (item.kind) {
        case 'A':
            if (const auto players = data.playersNamed(item.value); !players.empty()) {
                if (g.players.empty()) {
                    g.players.assign(data.playerEntries().size(), 0);
                }
                for (std::uint32_t p : players) {
                    if (!g.players[p]) {
                        g.players[p] = 1;
                        g.postings.push_back(data.rowsOfPlayer(p));
                        g.postingRows += data.rowsOfPlayer(p).size();
                    }
                }
            }
            break;
        case 'B':
            markText(data, def.teamNameLine, item.value, g.teams, g);
            break;
        case 'D':
            markText(data, def.leagueLine, item.value, g.leagues, g);
            break;
        case 'G':
            markText(data, def.positionLine, item.value, g.positions, g);
            break;
        case 'C': {
            int year = 0;
            const auto* rows = parseYear(item.value, year) ? data.rowsOfYear(year) : nullptr;
            if (rows && !rows->empty()) {
                if (g.years.empty()) {
                    g.years.assign(data.yearSpan(), 0);
                }
                const auto at = static_cast<std::size_t>(year - data.yearMin());
                if (!g.years[at]) {
                    g.years[at] = 1;
                    g.postings.push_back(*rows);
                    g.postingRows += rows->size();
                }
            }
            break;
        }
        case 'E':
            g.limits.push_back(compileLimit(data, item));
            g.hasLimits = true;
            break;
        default:
            break;
        }
    }
    return g;
}

bool groupMatches(const TableData& data, const CompiledGroup& g, std::uint32_t row) {
    const TableDef& def = data.def();
    if (!g.players.empty() && g.players[data.playerOfRow()[row]]) {
        return true;
    }
    if (!g.teams.empty() && g.teams[data.column(def.teamNameLine).ids[row]]) {
        return true;
    }
    if (!g.leagues.empty() && g.leagues[data.column(def.leagueLine).ids[row]]) {
        return true;
    }
    if (!g.positions.empty() && g.positions[data.column(def.positionLine).ids[row]]) {
        return true;
    }
    if (!g.years.empty()) {
        const auto at =
            static_cast<std::size_t>(data.column(def.yearLine).ints[row] - data.yearMin());
        if (at < g.years.size() && g.years[at]) {
            return true;
        }
    }
    for (const CompiledLimit& lim : g.limits) {
        if (limitMatches(data, lim, row)) {
            return true;
        }
    }
    return false;
}

// Whether each row of data matches a group of limits only, one byte per row in out: a count or
// season line is read a whole column at a time, as it is held; other lines row by row.
void matchLimits(const TableData& data, const CompiledGroup& g, std::vector<std::uint8_t>& out) {
    const std::uint32_t rows = data.rows();
    out.assign(rows, 0);
    for (const CompiledLimit& lim : g.limits) {
        const Column& c = data.column(lim.line);
        if (lim.none || !lim.textOk.empty() || lim.shown ||
            (c.kind != FieldKind::Count && c.kind != FieldKind::Year)) {
            for (std::uint32_t r = 0; r < rows; ++r) {
                out[r] |= limitMatches(data, lim, r) ? 1 : 0;
            }
            continue;
        }
        const bool year = c.kind == FieldKind::Year;
        c.ints.visit([&](auto values) {
            for (std::uint32_t r = 0; r < rows; ++r) {
                const std::int32_t v = values[r];
                out[r] |= (year || v >= 0) && v >= lim.lo && v <= lim.hi ? 1 : 0;
            }
        });
    }
}

bool limitsOnly(const CompiledGroup& g) {
    return g.players.empty() && g.teams.empty() && g.leagues.empty() && g.positions.empty() &&
           g.years.empty() && !g.limits.empty();
}

// Working memory of a thread, kept from one query to the next: fresh pages cost more than the
// sort itself, and the keys of the largest table are a few megabytes.
template <typename K> struct SortScratch {
    std::vector<K> keys;
    std::vector<K> buffer;
    std::vector<std::size_t> count;
};

template <typename K> SortScratch<K>& sortScratch() {
    thread_local SortScratch<K> scratch;
    return scratch;
}

// Stable least-significant-digit radix sort on bits from..bits-1 of keys[0..n); the sorted keys
// end in keys or in buffer, whichever the returned pointer names.
template <typename K>
K* radixSortFrom(K* keys, K* buffer, std::size_t n, int from, int bits,
                 std::vector<std::size_t>& count) {
    constexpr int kDigit = 11;
    constexpr std::size_t kBuckets = std::size_t(1) << kDigit;
    count.resize(kBuckets);
    for (int shift = from; shift < bits; shift += kDigit) {
        std::fill(count.begin(), count.end(), 0);
        for (std::size_t i = 0; i < n; ++i) {
            ++count[static_cast<std::size_t>(keys[i] >> shift) & (kBuckets - 1)];
        }
        if (std::find(count.begin(), count.end(), n) != count.end()) {
            continue; // every key has the same digit here
        }
        std::size_t sum = 0;
        for (std::size_t& c : count) {
            const std::size_t m = c;
            c = sum;
            sum += m;
        }
        for (std::size_t i = 0; i < n; ++i) {
            buffer[count[static_cast<std::size_t>(keys[i] >> shift) & (kBuckets - 1)]++] = keys[i];
        }
        std::swap(keys, buffer);
    }
    return keys;
}

template <typename K>
void sortPacked(const TableData& data, const std::vector<SortKey>& keys,
                std::vector<std::uint32_t>& rows, int rowBits, int bits) {
    SortScratch<K>& scratch = sortScratch<K>();
    const std::size_t n = rows.size();
    if (scratch.keys.size() < n) {
        scratch.keys.resize(n);
        scratch.buffer.resize(n);
    }
    K* packed = scratch.keys.data();
    for (std::size_t i = 0; i < n; ++i) {
        packed[i] = rows[i];
    }
    int shift = rowBits;
    // Keys are packed from the last (least significant) to the first.
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        const Column& c = data.ranked(key->line);
        const std::uint32_t d = c.distinct;
        if (d == 0) {
            continue; // no row has a value: the key orders nothing
        }
        c.rank.visit([&](auto rank) {
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint32_t r = rank[rows[i]];
                const std::uint32_t v = r == kMissingRank ? d : (key->ascending ? r : d - 1 - r);
                packed[i] |= static_cast<K>(v) << shift;
            }
        });
        shift += std::bit_width(d);
    }
    // Rows come in default order and the sort is stable, so the row bits need no sorting.
    const K* sorted = radixSortFrom(packed, scratch.buffer.data(), n, rowBits, bits, scratch.count);
    const K mask = (K(1) << rowBits) - 1;
    for (std::size_t i = 0; i < n; ++i) {
        rows[i] = static_cast<std::uint32_t>(sorted[i] & mask);
    }
}

} // namespace

std::vector<SortKey> sortKeys(const TableDef& def, const std::vector<int>& codes) {
    std::vector<SortKey> keys;
    for (int code : codes) {
        if (code == 300 || code == 99 || code < 0) {
            continue;
        }
        const bool ascending = code >= 100;
        const int sortNo = ascending ? code - 100 : code;
        const int line = lineOfSortField(def, sortNo);
        if (line < 0 || std::any_of(keys.begin(), keys.end(),
                                    [&](const SortKey& k) { return k.line == line; })) {
            continue;
        }
        keys.push_back({line, ascending});
    }
    return keys;
}

std::string queryKey(const TableDef& def, const std::vector<SortKey>& keys, const Groups& groups) {
    std::string key = def.sqlName;
    for (const SortKey& k : keys) {
        key += k.ascending ? '+' : '-';
        key += std::to_string(k.line);
    }
    std::vector<std::string> canonical;
    for (const auto& group : groups) {
        std::vector<std::string> items;
        for (const SelectionItem& item : group) {
            std::string text(1, item.kind);
            if (item.kind == 'E') {
                text.append(std::to_string(item.field)).append(1, '\x1f');
                text.append(item.min).append(1, '\x1f').append(item.max);
            } else {
                text.append(item.value);
            }
            items.push_back(std::move(text));
        }
        if (items.empty()) {
            continue;
        }
        std::sort(items.begin(), items.end());
        items.erase(std::unique(items.begin(), items.end()), items.end());
        std::string text;
        for (const std::string& item : items) {
            text.append(item).append(1, '\x1e');
        }
        canonical.push_back(std::move(text));
    }
    std::sort(canonical.begin(), canonical.end());
    canonical.erase(std::unique(canonical.begin(), canonical.end()), canonical.end());
    for (const std::string& group : canonical) {
        key.append(1, '\x1d').append(group);
    }
    return key;
}

std::vector<std::uint32_t> filterRows(const TableData& data, const Groups& groups, bool* everyRow) {
    std::vector<CompiledGroup> compiled;
    for (const auto& group : groups) {
        if (!group.empty()) {
            compiled.push_back(compileGroup(data, group));
        }
    }
    // The group without limits that names the fewest rows supplies the candidates.
    const CompiledGroup* driver = nullptr;
    for (const CompiledGroup& g : compiled) {
        if (!g.hasLimits && (!driver || g.postingRows < driver->postingRows)) {
            driver = &g;
        }
    }
    thread_local std::vector<std::uint32_t> candidates;
    candidates.clear();
    if (driver) {
        for (const auto rows : driver->postings) {
            candidates.insert(candidates.end(), rows.begin(), rows.end());
        }
        if (driver->postings.size() > 1) {
            std::sort(candidates.begin(), candidates.end());
            candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        }
    }
    // The matching rows gather in memory the thread keeps, and leave as one block of their
    // exact size: growing a vector row by row maps fresh pages several times over.
    thread_local std::vector<std::uint32_t> out;
    out.clear();
    auto keep = [&](std::uint32_t row) {
        for (const CompiledGroup& g : compiled) {
            if (&g != driver && !groupMatches(data, g, row)) {
                return false;
            }
        }
        return true;
    };
    if (driver) {
        for (std::uint32_t row : candidates) {
            if (keep(row)) {
                out.push_back(row);
            }
        }
    } else {
        // Every row is a candidate: a group of limits only is figured for all rows first.
        thread_local std::vector<std::vector<std::uint8_t>> matched;
        matched.resize(std::max(matched.size(), compiled.size()));
        std::vector<const std::uint8_t*> masks(compiled.size(), nullptr);
        for (std::size_t i = 0; i < compiled.size(); ++i) {
            if (limitsOnly(compiled[i])) {
                matchLimits(data, compiled[i], matched[i]);
                masks[i] = matched[i].data();
            }
        }
        for (std::uint32_t row = 0; row < data.rows(); ++row) {
            bool kept = true;
            for (std::size_t i = 0; i < compiled.size() && kept; ++i) {
                kept =
                    masks[i] != nullptr ? masks[i][row] != 0 : groupMatches(data, compiled[i], row);
            }
            if (kept) {
                out.push_back(row);
            }
        }
    }
    if (everyRow != nullptr) {
        *everyRow = out.size() == data.rows();
        if (*everyRow) {
            return {};
        }
    }
    return std::vector<std::uint32_t>(out.begin(), out.end());
}

void sortRows(const TableData& data, const std::vector<SortKey>& keys,
              std::vector<std::uint32_t>& rows) {
    if (keys.empty() || rows.size() < 2) {
        return;
    }
    int bits = std::bit_width(data.rows());
    const int rowBits = bits;
    for (const SortKey& key : keys) {
        bits += std::bit_width(data.ranked(key.line).distinct);
    }
    if (bits <= 64) {
        sortPacked<std::uint64_t>(data, keys, rows, rowBits, bits);
    } else {
        sortPacked<Key128>(data, keys, rows, rowBits, bits);
    }
}

} // namespace bbstatsd
