#include "service/engine/lines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <unordered_map>

#include "service/engine/morefields.h"
#include "service/engine/shownfigure.h"

namespace bbstatsd {

namespace {

// The league a line with stints in several leagues shows.
constexpr const char* kSeveralLeagues = "MLB";

int lineNamed(const TableDef& def, const char* column) {
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        if (std::strcmp(def.fields[i].column, column) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The value of key in a raw query, up to the next "&"; nullopt when the key is absent.
bool queryValue(std::string_view query, std::string_view key, std::string_view& out) {
    std::size_t start = 0;
    while (start <= query.size()) {
        const auto end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        if (pair.size() >= key.size() + 1 && pair.starts_with(key) && pair[key.size()] == '=') {
            out = pair.substr(key.size() + 1);
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string shown(std::string_view value) {
    return value.size() > 20 ? std::string(value.substr(0, 20)) + "..." : std::string(value);
}

// Texts of one text line of a table being built, each distinct text kept once.
class TextColumn {
public:
    TextColumn(Column& column, const char* missing) : m_column(column), m_missing(missing) {}
    void push(const std::string& text) {
        const auto [it, fresh] =
            m_index.try_emplace(text, static_cast<std::uint32_t>(m_column.dict.size()));
        if (fresh) {
            m_column.dict.push_back(text);
            if (m_missing && text == m_missing) {
                m_column.missingId = it->second;
            }
        }
        m_column.ids.push_back(it->second);
    }

private:
    Column& m_column;
    const char* m_missing;
    std::unordered_map<std::string, std::uint32_t> m_index;
};

// Positions lists ("ss,3b") of several stints as one list: each position once, in the order
// they first appear; the missing marker when no stint has a list.
std::string mergedPositions(const Column& c, const std::uint32_t* rows, std::size_t n) {
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < n; ++i) {
        if (c.ids[rows[i]] == c.missingId) {
            continue;
        }
        const std::string& list = c.dict[c.ids[rows[i]]];
        std::size_t at = 0;
        while (at <= list.size()) {
            const std::size_t end = std::min(list.find(',', at), list.size());
            std::string item = list.substr(at, end - at);
            if (!item.empty() && std::find(seen.begin(), seen.end(), item) == seen.end()) {
                seen.push_back(std::move(item));
            }
            at = end + 1;
        }
    }
    if (seen.empty()) {
        return c.missingId == kMissingRank ? std::string() : c.dict[c.missingId];
    }
    std::string out;
    for (const std::string& item : seen) {
        out += (out.empty() ? "" : ",") + item;
    }
    return out;
}

// A ratio over stint rows as record books figure it, and as the totals record does: only the
// stints that record every count it requires take part, their other counts summed as recorded
// (a missing one counts 0). units: the figure as shown (-1 missing); value: the exact ratio.
// False when no stint takes part, the denominator is not positive or the numerator negative
// (a row with more home runs than hits gives no BABIP), as for a record's own ratios.
bool stintsRatio(const TableData& stints, const RatioDef& r, const std::uint32_t* rows,
                 std::size_t n, long long& units, double& value) {
    long long num = 0, den = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t row = rows[i];
        const bool takesPart = std::all_of(r.required.begin(), r.required.end(), [&](int line) {
            return stints.column(line).ints[row] >= 0;
        });
        if (!takesPart) {
            continue;
        }
        for (const Term& t : r.num) {
            num += static_cast<long long>(std::max(0, stints.column(t.line).ints[row])) * t.coef;
        }
        for (const Term& t : r.den) {
            den += static_cast<long long>(std::max(0, stints.column(t.line).ints[row])) * t.coef;
        }
    }
    if (den <= 0 || num < 0) {
        units = -1;
        return false;
    }
    units = roundedUnits(num, den, static_cast<long long>(r.scale), r.decimals);
    value = r.scale * static_cast<double>(num) / static_cast<double>(den);
    return true;
}

// The real of a real line of row, or, where its table holds the line as units, a real that
// shows as the row's figure: the units scaled back, which round to the same units again.
double realOf(const TableData& data, int line, std::uint32_t row) {
    const Column& c = data.column(line);
    if (!c.reals.empty()) {
        return c.reals[row];
    }
    constexpr double kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    const ShownLine shown(data, line);
    long long units = 0;
    return shown.units(row, units)
               ? static_cast<double>(units) / kScale[std::clamp(shown.decimals(), 0, 6)]
               : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

LinesOptions parseLinesOptions(std::string_view query, Table table) {
    LinesOptions options;
    std::string_view value;
    if (queryValue(query, "lines", value)) {
        if (value == "team") {
            options.mode = LinesMode::Team;
        } else if (value == "season") {
            options.mode = LinesMode::Season;
        } else if (value == "career") {
            options.mode = LinesMode::Career;
        } else {
            throw RequestError(400, "lines: unknown value \"" + shown(value) +
                                        "\" (team, season or career)");
        }
    }
    if (queryValue(query, "qualified", value)) {
        if (value != "0" && value != "1") {
            throw RequestError(400, "qualified: unknown value \"" + shown(value) + "\" (0 or 1)");
        }
        options.qualified = value == "1";
    }
    if (table == Table::Teams && options.mode != LinesMode::Team) {
        throw RequestError(400, "lines: the Teams table has one line per club and season");
    }
    if (options.qualified && (table == Table::Fielders || table == Table::Teams)) {
        throw RequestError(400, "qualified: only batters and pitchers qualify for rate titles");
    }
    if (options.qualified && options.mode == LinesMode::Career) {
        throw RequestError(400, "qualified: career lines have no season to qualify in");
    }
    return options;
}

std::string linesKey(const LinesOptions& options) {
    if (options.plain()) {
        return {};
    }
    std::string key = "\x1c";
    key += options.mode == LinesMode::Team ? 't' : (options.mode == LinesMode::Season ? 's' : 'c');
    if (options.qualified) {
        key += 'q';
    }
    return key;
}

Schedule::Schedule(const TableData& teams) {
    const TableDef& def = teams.def();
    const Column& years = teams.column(def.yearLine);
    const Column& leagues = teams.column(def.leagueLine);
    const Column& games = teams.column(lineNamed(def, "G"));
    for (std::uint32_t r = 0; r < teams.rows(); ++r) {
        int& most = m_games[{years.ints[r], leagues.dict[leagues.ids[r]]}];
        most = std::max(most, games.ints[r]);
    }
}

int Schedule::games(int year, const std::string& league) const {
    const auto it = m_games.find({year, league});
    return it == m_games.end() ? 0 : it->second;
}

bool qualifies(const TableData& data, std::uint32_t line, int games) {
    const TableDef& def = data.def();
    if (def.table == Table::Batters) {
        const std::int32_t pa = data.column(lineNamed(def, "PA")).ints[line];
        return games > 0 && pa >= 0 && static_cast<long long>(pa) >= (31LL * games + 5) / 10;
    }
    if (def.table == Table::Pitchers) {
        const std::int32_t outs = data.column(lineNamed(def, "IP")).ints[line];
        return games > 0 && outs >= 0 && static_cast<long long>(outs) >= 3LL * games;
    }
    return true;
}

std::size_t LinesTable::bytes() const {
    return data->bytes() + texts->bytes() + qualified.bytes() + memberStart.bytes() +
           members.bytes();
}

std::vector<std::uint32_t> LinesTable::stintRows(const std::vector<std::uint32_t>& lines) const {
    std::vector<std::uint32_t> out;
    for (const std::uint32_t line : lines) {
        out.insert(out.end(), members.begin() + memberStart[line],
                   members.begin() + memberStart[line + 1]);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::uint8_t> stintQualifiers(const TableData& stints, const Schedule& schedule) {
    const TableDef& def = stints.def();
    const Column& years = stints.column(def.yearLine);
    const Column& leagues = stints.column(def.leagueLine);
    std::vector<std::uint8_t> out(stints.rows());
    for (std::uint32_t r = 0; r < stints.rows(); ++r) {
        out[r] = qualifies(stints, r, schedule.games(years.ints[r], leagues.dict[leagues.ids[r]]));
    }
    return out;
}

std::shared_ptr<const LinesTable> combineLines(const TableData& stints,
                                               const std::vector<std::uint32_t>& rows,
                                               LinesMode mode, const Schedule& schedule,
                                               const RecordTexts* stintTexts,
                                               const MoreFigures* more, const LinesTable* plain) {
    const TableDef& def = stints.def();
    const bool career = mode == LinesMode::Career;
    const std::vector<std::uint32_t>& playerOf = stints.playerOfRow();
    const Column& yearCol = stints.column(def.yearLine);
    const Column* positionCol = def.positionLine >= 0 ? &stints.column(def.positionLine) : nullptr;

    // Each row's line: lines are numbered in the order of their first rows.
    auto out = std::make_shared<LinesTable>();
    std::unordered_map<std::uint64_t, std::uint32_t> lineOf;
    lineOf.reserve(rows.size());
    std::vector<std::uint32_t> rowLine(rows.size());
    std::vector<std::uint32_t> sizes;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::uint32_t r = rows[i];
        std::uint64_t key = static_cast<std::uint64_t>(playerOf[r]) << 32;
        if (!career) {
            key |= static_cast<std::uint64_t>(yearCol.ints[r] & 0xfffff) << 12;
        }
        // Fielders combine per position; a table has far fewer than 4096 positions.
        key |= positionCol ? (positionCol->ids[r] & 0xfff) : 0;
        const auto [it, fresh] = lineOf.try_emplace(key, static_cast<std::uint32_t>(sizes.size()));
        if (fresh) {
            sizes.push_back(0);
        }
        rowLine[i] = it->second;
        ++sizes[it->second];
    }
    const auto lines = static_cast<std::uint32_t>(sizes.size());
    std::vector<std::uint32_t>& memberStart = out->memberStart.make();
    memberStart.assign(lines + 1, 0);
    for (std::uint32_t l = 0; l < lines; ++l) {
        memberStart[l + 1] = memberStart[l] + sizes[l];
    }
    std::vector<std::uint32_t>& memberRows = out->members.make();
    memberRows.resize(rows.size());
    {
        std::vector<std::uint32_t> fill(memberStart.begin(), memberStart.end() - 1);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            memberRows[fill[rowLine[i]]++] = rows[i];
        }
    }

    const std::size_t width = def.fields.size();
    const int codeLine = lineNamed(def, "TeamCode");
    const int positionsLine = lineNamed(def, "Positions");
    std::vector<Column> cols(width);
    std::vector<TextColumn> texts;
    texts.reserve(width);
    // A text line that every line takes from its first stint (the name, the hands, a fielder's
    // position) shares the stints' texts instead of copying them.
    std::vector<std::uint8_t> firstStints(width, 0);
    for (std::size_t c = 0; c < width; ++c) {
        cols[c].kind = def.fields[c].kind;
        // Made at their final size (see the loaded tables).
        if (cols[c].kind == FieldKind::Ratio || cols[c].kind == FieldKind::Real) {
            cols[c].reals.reserve(lines);
            cols[c].units.reserve(cols[c].kind == FieldKind::Ratio ? lines : 0);
        } else {
            cols[c].ids.reserve(cols[c].isText() ? lines : 0);
            cols[c].ints.reserve(cols[c].isText() ? 0 : lines);
        }
        texts.emplace_back(cols[c], def.fields[c].missing);
        const auto line = static_cast<int>(c);
        if (cols[c].isText() && line != codeLine && line != def.teamNameLine &&
            line != def.leagueLine && line != positionsLine) {
            const Column& from = stints.column(line);
            cols[c].dict.share(from.dict);
            cols[c].missingId = from.missingId;
            firstStints[c] = 1;
        }
    }
    std::vector<std::string> codes, leagues;
    for (std::uint32_t l = 0; l < lines; ++l) {
        const std::uint32_t* members = out->members.data() + out->memberStart[l];
        const std::size_t n = sizes[l];
        const std::uint32_t first = members[0];
        // A season of one stint keeps its line as it is.
        const bool asIs = !career && n == 1;
        codes.clear();
        leagues.clear();
        int lastYear = yearCol.ints[first];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t r = members[i];
            const Column& code = stints.column(codeLine);
            const Column& league = stints.column(def.leagueLine);
            const std::string& c = code.dict[code.ids[r]];
            const std::string& lg = league.dict[league.ids[r]];
            if (std::find(codes.begin(), codes.end(), c) == codes.end()) {
                codes.push_back(c);
            }
            if (std::find(leagues.begin(), leagues.end(), lg) == leagues.end()) {
                leagues.push_back(lg);
            }
            lastYear = std::max(lastYear, yearCol.ints[r]);
        }
        for (std::size_t c = 0; c < width; ++c) {
            const Column& from = stints.column(static_cast<int>(c));
            Column& to = cols[c];
            switch (to.kind) {
            case FieldKind::Name:
            case FieldKind::Text:
            case FieldKind::Char: {
                const int line = static_cast<int>(c);
                if (firstStints[c]) {
                    to.ids.push_back(from.ids[first]);
                } else if (asIs) {
                    texts[c].push(from.dict[from.ids[first]]);
                } else if (line == codeLine) {
                    texts[c].push(codes.size() == 1 ? codes[0] : "TOT");
                } else if (line == def.teamNameLine && !career && codes.size() == 1) {
                    // Two stints with one club in a season: the club's own line.
                    texts[c].push(from.dict[from.ids[first]]);
                } else if (line == def.teamNameLine) {
                    std::string name;
                    if (career) {
                        name = std::to_string(yearCol.ints[first]);
                        if (lastYear != yearCol.ints[first]) {
                            name += "-" + std::to_string(lastYear);
                        }
                        name += ", ";
                    }
                    name += std::to_string(codes.size()) + (codes.size() == 1 ? " team" : " teams");
                    texts[c].push(name);
                } else if (line == def.leagueLine) {
                    texts[c].push(leagues.size() == 1 ? leagues[0] : kSeveralLeagues);
                } else if (line == positionsLine) {
                    texts[c].push(mergedPositions(from, members, n));
                } else {
                    texts[c].push(from.dict[from.ids[first]]);
                }
                break;
            }
            case FieldKind::Year:
                to.ints.push_back(from.ints[first]);
                break;
            case FieldKind::Count:
            case FieldKind::Innings: {
                // What the stints record, summed; missing only when none records it.
                long long total = -1;
                for (std::size_t i = 0; i < n; ++i) {
                    const std::int32_t v = from.ints[members[i]];
                    total = v < 0 ? total : std::max(total, 0LL) + v;
                }
                to.ints.push_back(static_cast<std::int32_t>(
                    std::min<long long>(total, std::numeric_limits<std::int32_t>::max())));
                break;
            }
            case FieldKind::Ratio:
                // The line's exact ratio, for the figures made from it, set below; the table
                // made of the lines keeps only its units.
                to.reals.push_back(std::numeric_limits<double>::quiet_NaN());
                break;
            case FieldKind::Real:
                to.reals.push_back(asIs ? realOf(stints, static_cast<int>(c), first)
                                        : std::numeric_limits<double>::quiet_NaN());
                break;
            }
        }
        for (const RatioDef& r : def.ratios) {
            Column& to = cols[static_cast<std::size_t>(r.line)];
            long long units = -1;
            double value = 0;
            if (stintsRatio(stints, r, members, n, units, value)) {
                to.reals.back() = value;
            }
            to.units.push_back(static_cast<std::int32_t>(
                std::min<long long>(units, std::numeric_limits<std::int32_t>::max())));
        }
    }
    if (more != nullptr) {
        more->fillLines(def, cols, *out, career);
    }
    const std::size_t ownLines = plain != nullptr ? plain->data->def().fields.size() : 0;
    if (plain != nullptr && plain->data->rows() == lines && ownLines <= width) {
        // The lines of plain are these lines' first ones, figured alike: only the added ones
        // are kept, and each text holds what follows plain's.
        std::vector<Column> added(std::make_move_iterator(cols.begin() + ownLines),
                                  std::make_move_iterator(cols.end()));
        cols = std::vector<Column>();
        out->data = std::make_unique<TableData>(*plain->data, def, std::move(added));
        std::vector<std::uint32_t> same(lines);
        std::iota(same.begin(), same.end(), 0u);
        out->texts = std::make_unique<RecordTexts>(*out->data, *plain->texts, same);
        // Their stint rows and qualifiers are plain's too.
        out->members.share(plain->members);
        out->memberStart.share(plain->memberStart);
        out->qualified.share(plain->qualified);
        return out;
    } else if (stintTexts != nullptr && !career) {
        // Career lines show their span on every line, so only season lines can show a stint
        // as is.
        out->data = std::make_unique<TableData>(def, std::move(cols), lines);
        std::vector<std::uint32_t> standIn(lines, kMissingRank);
        for (std::uint32_t l = 0; l < lines; ++l) {
            if (sizes[l] == 1) {
                standIn[l] = out->members[out->memberStart[l]];
            }
        }
        out->texts = std::make_unique<RecordTexts>(*out->data, *stintTexts, standIn);
    } else {
        out->data = std::make_unique<TableData>(def, std::move(cols), lines);
        out->texts = std::make_unique<RecordTexts>(*out->data);
    }
    const Column& years = out->data->column(def.yearLine);
    std::vector<std::uint8_t>& qualified = out->qualified.make();
    qualified.assign(lines, 0);
    for (std::uint32_t l = 0; l < lines && !career; ++l) {
        int games = 0;
        const std::uint32_t* members = out->members.data() + out->memberStart[l];
        const Column& league = stints.column(def.leagueLine);
        for (std::uint32_t i = 0; i < sizes[l]; ++i) {
            games =
                std::max(games, schedule.games(years.ints[l], league.dict[league.ids[members[i]]]));
        }
        qualified[l] = qualifies(*out->data, l, games);
    }
    return out;
}

} // namespace bbstatsd
