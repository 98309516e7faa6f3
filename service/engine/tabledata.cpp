#include "service/engine/tabledata.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "service/engine/picklabels.h"
#include "service/engine/shownfigure.h"
#include "service/engine/sqlitedb.h"

namespace bbstatsd {

bool Column::missing(std::uint32_t row) const {
    switch (kind) {
    case FieldKind::Name:
    case FieldKind::Text:
    case FieldKind::Char:
        return ids[row] == missingId;
    case FieldKind::Year:
        return false;
    case FieldKind::Count:
    case FieldKind::Innings:
        return ints[row] < 0;
    case FieldKind::Ratio:
        return units[row] < 0;
    case FieldKind::Real:
        return reals.empty() ? units[row] < 0 : std::isnan(reals[row]);
    }
    return true;
}

bool Column::number(std::uint32_t row, double& out) const {
    switch (kind) {
    case FieldKind::Year:
    case FieldKind::Count: {
        const std::int32_t v = ints[row];
        out = v;
        return kind == FieldKind::Year || v >= 0;
    }
    case FieldKind::Innings: {
        const std::int32_t v = ints[row];
        out = v / 3 + (v % 3) / 10.0;
        return v >= 0;
    }
    case FieldKind::Real:
        if (reals.empty()) {
            return false;
        }
        out = reals[row];
        return !std::isnan(out);
    default:
        return false;
    }
}

namespace {

// Texts of the default order compare as every text sort of the service does (compareText),
// so that the default order and a sort by name agree, accented names included.
int textOrder(void*, int aBytes, const void* a, int bBytes, const void* b) {
    return compareText(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(aBytes)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bBytes)));
}

std::string selectSql(const TableDef& def) {
    std::string sql = "SELECT ";
    sql += def.hasPlayers ? "PlayerID" : "NULL";
    for (const FieldDef& f : def.fields) {
        sql += std::string(", \"") + f.column + "\"";
    }
    sql += std::string(" FROM ") + def.sqlName + " ORDER BY ";
    if (def.hasPlayers) {
        sql += "PlayerName COLLATE TEXTORDER, Year, Stint";
        if (def.positionLine >= 0) {
            sql += ", Position COLLATE TEXTORDER";
        }
        sql += ", PlayerID";
    } else {
        sql += "Year, League COLLATE TEXTORDER, Division = '-', Division COLLATE TEXTORDER, "
               "TeamName COLLATE TEXTORDER, TeamCode";
    }
    return sql;
}

} // namespace

TableData::TableData(SqliteDb& db, const TableDef& def) : m_def(def) {
    const std::size_t lines = def.fields.size();
    m_cols.resize(lines);
    m_lookup.resize(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        m_cols[i].kind = def.fields[i].kind;
    }
    std::unordered_map<std::string, std::uint32_t> playerIndex;
    std::vector<std::string> playerIds;
    if (sqlite3_create_collation_v2(db.handle(), "TEXTORDER", SQLITE_UTF8, nullptr, textOrder,
                                    nullptr) != SQLITE_OK) {
        db.fail("cannot set the text order");
    }
    // Each column is made at its final size: grown row by row, it would keep up to twice the
    // room it needs.
    std::size_t expected = 0;
    {
        SqliteStmt count(db, std::string("SELECT count(*) FROM ") + def.sqlName);
        expected = count.step() ? static_cast<std::size_t>(std::max(0LL, count.integer(0))) : 0;
    }
    for (Column& c : m_cols) {
        c.ids.reserve(c.isText() ? expected : 0);
        c.ints.reserve(c.isText() ? 0 : expected);
    }
    m_player.reserve(def.hasPlayers ? expected : 0);
    SqliteStmt select(db, selectSql(def));
    while (select.step()) {
        if (def.hasPlayers) {
            const std::string id(select.text(0));
            const auto [it, fresh] =
                playerIndex.try_emplace(id, static_cast<std::uint32_t>(playerIds.size()));
            if (fresh) {
                playerIds.push_back(id);
            }
            m_player.push_back(it->second);
        }
        for (std::size_t i = 0; i < lines; ++i) {
            Column& c = m_cols[i];
            const int col = static_cast<int>(i) + 1;
            switch (c.kind) {
            case FieldKind::Name:
            case FieldKind::Text:
            case FieldKind::Char: {
                const std::string text(select.text(col));
                const auto [it, fresh] =
                    m_lookup[i].try_emplace(text, static_cast<std::uint32_t>(c.dict.size()));
                if (fresh) {
                    c.dict.push_back(text);
                    if (def.fields[i].missing && text == def.fields[i].missing) {
                        c.missingId = it->second;
                    }
                }
                c.ids.push_back(it->second);
                break;
            }
            case FieldKind::Year:
            case FieldKind::Count: {
                const long long v = select.integer(col);
                c.ints.push_back(v < 0 ? -1 : static_cast<std::int32_t>(std::min(v, 0x7fffffffLL)));
                break;
            }
            case FieldKind::Innings: {
                const double x = select.real(col);
                if (x < 0 || x == def.missingReal || !(x < 1e9)) {
                    c.ints.push_back(-1);
                } else {
                    const double whole = std::floor(x);
                    c.ints.push_back(static_cast<std::int32_t>(whole) * 3 +
                                     static_cast<std::int32_t>(std::llround((x - whole) * 10)));
                }
                break;
            }
            case FieldKind::Ratio:
                break; // figured from the row's counts below
            case FieldKind::Real: {
                const double x = select.real(col);
                c.reals.push_back(x == def.missingReal ? std::numeric_limits<double>::quiet_NaN()
                                                       : x);
                break;
            }
            }
        }
        ++m_rows;
    }
    if (def.hasPlayers) {
        m_playerEntry.resize(playerIds.size());
        std::vector<bool> seen(playerIds.size());
        SqliteStmt entries(db, "SELECT PlayerID, Entry FROM players WHERE tbl = ?");
        entries.bind(1, std::string_view(def.sqlName));
        while (entries.step()) {
            const auto it = playerIndex.find(std::string(entries.text(0)));
            if (it != playerIndex.end()) {
                m_playerEntry[it->second] = std::string(entries.text(1));
                seen[it->second] = true;
            }
        }
        if (std::find(seen.begin(), seen.end(), false) != seen.end()) {
            throw std::runtime_error(std::string("pick list of ") + def.sqlName +
                                     " lacks players of the table");
        }
        m_playerStart.assign(playerIds.size() + 1, 0);
        for (const std::uint32_t p : m_player) {
            ++m_playerStart[p + 1];
        }
        for (std::size_t p = 0; p < playerIds.size(); ++p) {
            m_playerStart[p + 1] += m_playerStart[p];
        }
        m_playerRows.resize(m_rows);
        std::vector<std::uint32_t> fill(m_playerStart.begin(), m_playerStart.end() - 1);
        std::vector<bool> named(playerIds.size());
        const Column& names = m_cols[static_cast<std::size_t>(def.nameLine)];
        std::vector<std::pair<std::string_view, std::uint32_t>> byText;
        for (std::uint32_t r = 0; r < m_rows; ++r) {
            const std::uint32_t p = m_player[r];
            m_playerRows[fill[p]++] = r;
            if (!named[p]) {
                named[p] = true;
                const std::string& name = names.dict[names.ids[r]];
                byText.emplace_back(name, p);
                const std::string& entry = m_playerEntry[p];
                if (entry != name) {
                    byText.emplace_back(entry, p);
                }
                // The client keeps the first kLabelChars characters of a label it selects.
                if (const std::string_view kept = cutLabel(entry); kept.size() < entry.size()) {
                    byText.emplace_back(kept, p);
                }
            }
        }
        // Players who share a text keep the order of their first rows.
        std::stable_sort(byText.begin(), byText.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        m_names.reserve(byText.size());
        m_namedPlayers.reserve(byText.size());
        for (const auto& [text, p] : byText) {
            m_names.push_back(text);
            m_namedPlayers.push_back(p);
        }
        m_playerIds = std::move(playerIds);
    }
    for (int line : {def.teamNameLine, def.leagueLine, def.positionLine}) {
        if (line < 0) {
            continue;
        }
        const Column& c = m_cols[static_cast<std::size_t>(line)];
        auto& byId = m_byText[line];
        byId.resize(c.dict.size());
        for (std::uint32_t r = 0; r < m_rows; ++r) {
            byId[c.ids[r]].push_back(r);
        }
    }
    const Column& years = m_cols[static_cast<std::size_t>(def.yearLine)];
    if (m_rows > 0) {
        int lo = years.ints[0], hi = lo;
        for (std::uint32_t r = 1; r < m_rows; ++r) {
            lo = std::min(lo, years.ints[r]);
            hi = std::max(hi, years.ints[r]);
        }
        m_yearMin = lo;
        m_byYear.resize(static_cast<std::size_t>(hi - lo + 1));
        for (std::uint32_t r = 0; r < m_rows; ++r) {
            m_byYear[static_cast<std::size_t>(years.ints[r] - m_yearMin)].push_back(r);
        }
    }
    figureDecimals();
    // Texts are looked up on the lines that select rows only.
    for (std::size_t i = 0; i < lines; ++i) {
        const auto line = static_cast<int>(i);
        if (line != def.teamNameLine && line != def.leagueLine && line != def.positionLine) {
            m_lookup[i] = {};
        }
    }
    // Each line is ranked when a sort first asks for it: the lines nobody sorts by cost no
    // memory, and loading does not wait for them.
    m_rankOnce = std::make_unique<std::once_flag[]>(lines);
}

TableData::TableData(const TableDef& def, std::vector<Column> columns, std::uint32_t rows)
    : m_def(def), m_rankOnce(std::make_unique<std::once_flag[]>(columns.size())), m_rows(rows),
      m_cols(std::move(columns)) {
    m_lookup.resize(m_cols.size());
    figureDecimals();
}

TableData::TableData(const TableData& base, const TableDef& def, std::vector<Column> added)
    : m_def(def), m_base(&base), m_first(base.m_first + base.m_cols.size()),
      m_rankOnce(std::make_unique<std::once_flag[]>(added.size())), m_rows(base.m_rows),
      m_cols(std::move(added)) {
    m_lookup.resize(m_cols.size());
    figureDecimals();
}

const Column& TableData::ranked(int line) const {
    const auto at = static_cast<std::size_t>(line);
    if (at < m_first) {
        return m_base->ranked(line);
    }
    if (m_rankOnce) {
        // The object is never const itself: a const table only defers this work.
        std::call_once(m_rankOnce[at - m_first], [&] {
            const_cast<TableData*>(this)->computeRanks(const_cast<Column&>(m_cols[at - m_first]));
        });
    }
    return m_cols[at - m_first];
}

void TableData::rankAll() const {
    for (std::size_t i = 0; i < m_first + m_cols.size(); ++i) {
        if (m_def.fields[i].sortNo >= 0 || column(static_cast<int>(i)).isText()) {
            ranked(static_cast<int>(i));
        }
    }
}

void TableData::figureDecimals() {
    for (std::size_t at = m_first; at < m_first + m_cols.size(); ++at) {
        Column& c = m_cols[at - m_first];
        const auto line = static_cast<int>(at);
        if ((c.kind != FieldKind::Ratio && c.kind != FieldKind::Real) ||
            shownDecimals(m_def, line) < 0 || m_rows == 0) {
            continue;
        }
        if (!c.units.empty()) {
            c.reals = std::vector<double>(); // combined lines come with their units
            continue;
        }
        // Before c holds units, a shown line figures them from the row's counts or real.
        const ShownLine shown(*this, line);
        std::vector<long long> figures(m_rows, -1);
        long long low = 0, high = 0;
        bool any = false;
        for (std::uint32_t row = 0; row < m_rows; ++row) {
            long long u = 0;
            if (shown.units(row, u)) {
                low = any ? std::min(low, u) : u;
                high = any ? std::max(high, u) : u;
                any = true;
                figures[row] = u;
            }
        }
        // A ratio is never negative; a real line's figures count from the least of them.
        if (c.kind == FieldKind::Real) {
            if (high - low >= std::numeric_limits<std::int32_t>::max() ||
                low <= std::numeric_limits<std::int32_t>::min()) {
                continue; // too wide for units: the line keeps its reals
            }
            c.unitsLow = static_cast<std::int32_t>(low);
        }
        PackedInts<std::int32_t> units;
        units.reserve(m_rows);
        for (std::uint32_t row = 0; row < m_rows; ++row) {
            const bool present =
                c.kind == FieldKind::Real ? !std::isnan(c.reals[row]) : figures[row] >= 0;
            units.push_back(!present ? -1
                                     : static_cast<std::int32_t>(std::min<long long>(
                                           figures[row] - c.unitsLow,
                                           std::numeric_limits<std::int32_t>::max())));
        }
        c.units = std::move(units);
        c.reals = std::vector<double>();
    }
}

void TableData::computeRanks(Column& c) {
    if (c.isText()) {
        std::vector<std::uint32_t> order(c.dict.size());
        std::iota(order.begin(), order.end(), 0u);
        const bool exact = c.kind == FieldKind::Char;
        auto cmp = [&](std::uint32_t a, std::uint32_t b) {
            return exact ? c.dict[a].compare(c.dict[b]) : compareText(c.dict[a], c.dict[b]);
        };
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int r = cmp(a, b);
            return r != 0 ? r < 0 : c.dict[a] < c.dict[b];
        });
        c.dictRank.assign(c.dict.size(), kMissingRank);
        std::uint32_t rank = 0;
        bool any = false;
        std::uint32_t prev = 0;
        for (const std::uint32_t id : order) {
            if (id == c.missingId) {
                continue;
            }
            if (any && cmp(prev, id) != 0) {
                ++rank;
            }
            c.dictRank[id] = rank;
            prev = id;
            any = true;
        }
        c.distinct = any ? rank + 1 : 0;
        c.rank.assign(m_rows, kMissingRank, c.distinct);
        c.ids.visit([&](auto ids) {
            for (std::uint32_t r = 0; r < m_rows; ++r) {
                c.rank.set(r, c.dictRank[ids[r]]);
            }
        });
        return;
    }
    // A decimal line orders by the figure as shown: rows that show the same figure tie, and the
    // next sort key orders them, as the user sees them alike.
    const int line = static_cast<int>(m_first + static_cast<std::size_t>(&c - m_cols.data()));
    std::optional<ShownLine> shown;
    if (shownDecimals(m_def, line) >= 0) {
        shown.emplace(*this, line);
    }
    auto number = [&](std::uint32_t r, double& out) {
        long long units = 0;
        if (!shown) {
            return c.number(r, out);
        }
        if (!shown->units(r, units)) {
            return false;
        }
        out = static_cast<double>(units);
        return true;
    };
    std::vector<double> values;
    values.reserve(m_rows);
    double x = 0;
    for (std::uint32_t r = 0; r < m_rows; ++r) {
        if (number(r, x)) {
            values.push_back(x);
        }
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    c.distinct = static_cast<std::uint32_t>(values.size());
    c.rank.assign(m_rows, kMissingRank, c.distinct);
    for (std::uint32_t r = 0; r < m_rows; ++r) {
        if (number(r, x)) {
            c.rank.set(r, static_cast<std::uint32_t>(
                              std::lower_bound(values.begin(), values.end(), x) - values.begin()));
        }
    }
}

std::span<const std::uint32_t> TableData::playersNamed(std::string_view text) const {
    const TableData& home = this->home();
    const auto [lo, hi] = std::equal_range(home.m_names.begin(), home.m_names.end(), text);
    const auto first = static_cast<std::size_t>(lo - home.m_names.begin());
    return std::span<const std::uint32_t>(home.m_namedPlayers)
        .subspan(first, static_cast<std::size_t>(hi - lo));
}

const std::vector<std::uint32_t>& TableData::rowsOfText(int line, std::uint32_t id) const {
    return home().m_byText.at(line)[id];
}

const std::vector<std::uint32_t>* TableData::rowsOfYear(int year) const {
    const TableData& home = this->home();
    const long long i = static_cast<long long>(year) - home.m_yearMin;
    if (i < 0 || i >= static_cast<long long>(home.m_byYear.size())) {
        return nullptr;
    }
    return &home.m_byYear[static_cast<std::size_t>(i)];
}

std::uint32_t TableData::idOf(int line, const std::string& text) const {
    const auto at = static_cast<std::size_t>(line);
    if (at < m_first) {
        return m_base->idOf(line, text);
    }
    const auto& lookup = m_lookup[at - m_first];
    const auto it = lookup.find(text);
    return it == lookup.end() ? kMissingRank : it->second;
}

std::size_t TableData::bytes() const {
    std::size_t total = 0;
    for (const Column& c : m_cols) {
        total += c.ints.bytes() + c.reals.capacity() * 8 + c.ids.bytes() + c.units.bytes() +
                 c.rank.bytes() + c.dictRank.capacity() * 4;
        for (const std::string& s : c.dict) {
            total += c.dict.shared() ? 0 : s.capacity() + sizeof(std::string);
        }
    }
    total += m_player.capacity() * 4;
    total += (m_playerStart.capacity() + m_playerRows.capacity()) * 4;
    return total;
}

} // namespace bbstatsd
