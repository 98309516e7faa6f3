#include "service/engine/morefields.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "service/engine/lines.h"
#include "service/engine/moreschema.h"
#include "service/engine/parkfactors.h"
#include "service/engine/recordwriter.h"
#include "service/engine/shownfigure.h"
#include "service/engine/sqlitedb.h"

namespace bbstatsd {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPythagoras = 1.83;

int lineNamed(const TableDef& def, const char* column) {
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        if (std::strcmp(def.fields[i].column, column) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const RatioDef& ratioOfLine(const TableDef& def, int line) {
    for (const RatioDef& r : def.ratios) {
        if (r.line == line) {
            return r;
        }
    }
    throw std::logic_error("no ratio on the line");
}

const std::string& textOf(const TableData& data, int line, std::uint32_t row) {
    const Column& c = data.column(line);
    return c.dict[c.ids[row]];
}

// Sums of a league-season's rows.
struct LeagueSums {
    long long h = 0, bb = 0, hbp = 0, ab = 0, sf = 0, tb = 0; // batting, pitchers' left out
    long long er = 0, eraOuts = 0;                            // pitching rows with ER and outs
    long long hr = 0, pbb = 0, hb = 0, so = 0, fipOuts = 0;   // rows with HR, BB, SO and outs
};

using LeagueKey = std::pair<int, std::string>;

struct League {
    double obp = kNaN, slg = kNaN, era = kNaN, fipConst = kNaN;
};

std::map<LeagueKey, League> leagueFigures(const TableData& batters, const TableData& pitchers) {
    const TableDef& bd = batters.def();
    const TableDef& pd = pitchers.def();
    // Games batting and pitching of each player-season, by player code and year.
    std::unordered_map<std::string, std::pair<long long, long long>> games;
    auto gamesKey = [](const TableData& data, std::uint32_t r) {
        const std::string& code = data.playerIds()[data.playerOfRow()[r]];
        return code + ':' + std::to_string(data.column(data.def().yearLine).ints[r]);
    };
    const Column& bg = batters.column(lineNamed(bd, "G"));
    for (std::uint32_t r = 0; r < batters.rows(); ++r) {
        games[gamesKey(batters, r)].first += std::max(0, bg.ints[r]);
    }
    const Column& pg = pitchers.column(lineNamed(pd, "G"));
    for (std::uint32_t r = 0; r < pitchers.rows(); ++r) {
        games[gamesKey(pitchers, r)].second += std::max(0, pg.ints[r]);
    }
    std::map<LeagueKey, LeagueSums> sums;
    {
        const auto& ints = [&](const char* name) -> const PackedInts<std::int32_t>& {
            return batters.column(lineNamed(bd, name)).ints;
        };
        const auto &h = ints("H"), &bb = ints("BB"), &hbp = ints("HBP"), &ab = ints("AB"),
                   &sf = ints("SF"), &tb = ints("TB"), &years = ints("Year");
        for (std::uint32_t r = 0; r < batters.rows(); ++r) {
            const auto& [batting, pitching] = games[gamesKey(batters, r)];
            if (pitching > 0 && 2 * pitching >= batting) {
                continue;
            }
            if (h[r] < 0 || ab[r] < 0 || bb[r] < 0 || tb[r] < 0) {
                continue;
            }
            LeagueSums& s = sums[{years[r], textOf(batters, bd.leagueLine, r)}];
            s.h += h[r];
            s.bb += bb[r];
            s.hbp += std::max(0, hbp[r]);
            s.ab += ab[r];
            s.sf += std::max(0, sf[r]);
            s.tb += tb[r];
        }
    }
    {
        const auto& ints = [&](const char* name) -> const PackedInts<std::int32_t>& {
            return pitchers.column(lineNamed(pd, name)).ints;
        };
        const auto &er = ints("ER"), &outs = ints("IP"), &hr = ints("HR"), &bb = ints("BB"),
                   &hb = ints("HB"), &so = ints("SO"), &years = ints("Year");
        for (std::uint32_t r = 0; r < pitchers.rows(); ++r) {
            LeagueSums& s = sums[{years[r], textOf(pitchers, pd.leagueLine, r)}];
            if (er[r] >= 0 && outs[r] >= 0) {
                s.er += er[r];
                s.eraOuts += outs[r];
            }
            if (hr[r] >= 0 && bb[r] >= 0 && so[r] >= 0 && outs[r] >= 0) {
                s.hr += hr[r];
                s.pbb += bb[r];
                s.hb += std::max(0, hb[r]);
                s.so += so[r];
                s.fipOuts += outs[r];
            }
        }
    }
    std::map<LeagueKey, League> out;
    for (const auto& [key, s] : sums) {
        League& lg = out[key];
        const long long onDen = s.ab + s.bb + s.hbp + s.sf;
        if (onDen > 0 && s.ab > 0) {
            lg.obp = static_cast<double>(s.h + s.bb + s.hbp) / static_cast<double>(onDen);
            lg.slg = static_cast<double>(s.tb) / static_cast<double>(s.ab);
        }
        if (s.eraOuts > 0) {
            lg.era = 27.0 * static_cast<double>(s.er) / static_cast<double>(s.eraOuts);
            if (s.fipOuts > 0) {
                lg.fipConst =
                    lg.era - 3.0 * static_cast<double>(13 * s.hr + 3 * (s.pbb + s.hb) - 2 * s.so) /
                                 static_cast<double>(s.fipOuts);
            }
        }
    }
    return out;
}

// Birth year and month of each player code (-1 unknown).
std::unordered_map<std::string, std::pair<int, int>> birthDates(SqliteDb& db) {
    std::unordered_map<std::string, std::pair<int, int>> out;
    SqliteStmt select(db, "SELECT PlayerID, BirthYear, BirthMonth FROM people");
    while (select.step()) {
        out[std::string(select.text(0))] = {static_cast<int>(select.integer(1)),
                                            static_cast<int>(select.integer(2))};
    }
    return out;
}

// Age on June 30 of year: a player born in July or later has not had that year's birthday.
double ageIn(int year, std::pair<int, int> birth) {
    if (birth.first <= 0) {
        return kNaN;
    }
    return year - birth.first - (birth.second > 6 ? 1 : 0);
}

double expectedWinPct(long long rs, long long ra) {
    if (rs < 0 || ra < 0 || rs + ra == 0) {
        return kNaN;
    }
    const double s = std::pow(static_cast<double>(rs), kPythagoras);
    const double a = std::pow(static_cast<double>(ra), kPythagoras);
    return s / (s + a);
}

struct LineCounts;
double ratioValue(const TableDef& def, int line, const LineCounts& counts);

// The record's counts of a line of data, missing as -1, and its ratios as computed for the
// line (NaN missing): a combined line's averages are its own, so the added figures made from
// them agree with what the line shows. A line being built (cols) holds its ratios as reals; a
// stored row's are figured from its counts, as the importer figured them.
struct LineCounts {
    const std::vector<Column>* cols = nullptr;
    const TableData* data = nullptr;
    std::uint32_t at = 0;
    const Column& column(int line) const {
        return cols ? (*cols)[static_cast<std::size_t>(line)] : data->column(line);
    }
    long long operator()(int line) const { return column(line).ints[at]; }
    double real(int line) const {
        const Column& c = column(line);
        return c.reals.empty() ? ratioValue(data->def(), line, *this) : c.reals[at];
    }
};

double ratioValue(const TableDef& def, int line, const LineCounts& counts) {
    double v = kNaN;
    return evalRatio(ratioOfLine(def, line), counts, v) ? v : kNaN;
}

} // namespace

// Per stint row (Teams: per club-season) of one table: what its added figures compare with.
// The league figures of a row depend on its club-season only, so each row holds which pair of
// figures is its own; its weight and age are read from the table.
struct MoreFigures::Basis {
    const TableData* data = nullptr;
    const Column* weights = nullptr;  // plate appearances (batters) or outs; null for fielders
    PackedInts<std::uint32_t> figure; // per row: its pair in figures
    // Batters: league OBP and SLG times the half-weight park factor; pitchers and clubs:
    // league ERA times PPF / 100 and the FIP constant.
    std::vector<std::pair<double, double>> figures;
    std::vector<std::pair<int, int>> births; // per player of data: birth year, month (0 unknown)

    double weight(std::uint32_t r) const { return std::max(0, weights->ints[r]); }
    double a(std::uint32_t r) const { return figures[figure[r]].first; }
    double b(std::uint32_t r) const { return figures[figure[r]].second; }
    double age(std::uint32_t r) const {
        return births.empty() ? kNaN
                              : ageIn(data->column(data->def().yearLine).ints[r],
                                      births[data->playerOfRow()[r]]);
    }
    // Gives the next row the pair (x, y), kept once however many rows share it.
    void addFigures(double x, double y,
                    std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint32_t>& seen) {
        const auto [it, fresh] =
            seen.try_emplace({std::bit_cast<std::uint64_t>(x), std::bit_cast<std::uint64_t>(y)},
                             static_cast<std::uint32_t>(figures.size()));
        if (fresh) {
            figures.emplace_back(x, y);
        }
        figure.push_back(it->second);
    }
};

MoreFigures::MoreFigures(SqliteDb& db, const std::array<const TableData*, 4>& tables) {
    const TableData& batters = *tables[static_cast<std::size_t>(Table::Batters)];
    const TableData& pitchers = *tables[static_cast<std::size_t>(Table::Pitchers)];
    const std::map<LeagueKey, League> leagues = leagueFigures(batters, pitchers);
    const ParkFactors parks(db);
    const auto births = birthDates(db);
    auto leagueOf = [&](const TableData& data, std::uint32_t r) {
        const TableDef& def = data.def();
        const auto it =
            leagues.find({data.column(def.yearLine).ints[r], textOf(data, def.leagueLine, r)});
        return it == leagues.end() ? League() : it->second;
    };
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const TableData& data = *tables[t];
        const TableDef& def = data.def();
        auto b = std::make_unique<Basis>();
        b->data = &data;
        const std::uint32_t rows = data.rows();
        const Column& years = data.column(def.yearLine);
        const int codeLine = lineNamed(def, "TeamCode");
        if (def.hasPlayers) {
            b->births.resize(data.playerIds().size());
            for (std::size_t p = 0; p < data.playerIds().size(); ++p) {
                const auto it = births.find(data.playerIds()[p]);
                b->births[p] = it == births.end() ? std::pair(0, 0) : it->second;
            }
        }
        std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint32_t> seen;
        if (def.table == Table::Batters) {
            b->weights = &data.column(lineNamed(def, "PA"));
            for (std::uint32_t r = 0; r < rows; ++r) {
                const int bpf = parks.of(years.ints[r], textOf(data, codeLine, r)).first;
                const double factor = bpf > 0 ? (1.0 + bpf / 100.0) / 2.0 : 1.0;
                const League lg = leagueOf(data, r);
                b->addFigures(lg.obp * factor, lg.slg * factor, seen);
            }
        } else if (def.table == Table::Pitchers || def.table == Table::Teams) {
            b->weights = &data.column(lineNamed(def, "IP"));
            for (std::uint32_t r = 0; r < rows; ++r) {
                const int ppf = parks.of(years.ints[r], textOf(data, codeLine, r)).second;
                const League lg = leagueOf(data, r);
                b->addFigures(lg.era * (ppf > 0 ? ppf / 100.0 : 1.0), lg.fipConst, seen);
            }
        }
        m_basis[t] = std::move(b);
    }
}

MoreFigures::~MoreFigures() = default;

namespace {

// The added figures of one line (a stint, or a combined line with its stint rows `members`)
// that are no ratio of its counts, written to their columns at `at`. basis: the table's
// MoreFigures::Basis.
template <typename Basis>
void lineFigures(const TableDef& def, const LineCounts& counts, const std::uint32_t* members,
                 std::size_t n, bool career, const Basis& basis,
                 const std::function<void(int, double)>& set) {
    // Weighted averages over the members of the two league figures of each stint.
    auto weighted = [&](double& ox, double& oy) {
        double w = 0, sx = 0, sy = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t r = members[i];
            const double weight = basis.weight(r), x = basis.a(r), y = basis.b(r);
            if (weight > 0 && std::isfinite(x) && std::isfinite(y)) {
                w += weight;
                sx += weight * x;
                sy += weight * y;
            }
        }
        ox = w > 0 ? sx / w : kNaN;
        oy = w > 0 ? sy / w : kNaN;
    };
    const double years = career ? kNaN : basis.age(members[0]);
    switch (def.table) {
    case Table::Batters: {
        const double obp = counts.real(lineNamed(def, "OBP"));
        const double slg = counts.real(lineNamed(def, "SLG"));
        double lgObp = kNaN, lgSlg = kNaN;
        weighted(lgObp, lgSlg);
        set(moreLine(def, "OPS"), obp + slg);
        set(moreLine(def, "OPSPlus"),
            lgObp > 0 && lgSlg > 0 ? 100.0 * (obp / lgObp + slg / lgSlg - 1.0) : kNaN);
        set(moreLine(def, "Age"), years);
        break;
    }
    case Table::Pitchers: {
        const long long outs = counts(lineNamed(def, "IP"));
        const long long hr = counts(lineNamed(def, "HR")), bb = counts(lineNamed(def, "BB"));
        const long long so = counts(lineNamed(def, "SO")), hb = counts(lineNamed(def, "HB"));
        double lgEra = kNaN, fipConst = kNaN;
        weighted(lgEra, fipConst);
        const double era = counts.real(lineNamed(def, "ERA"));
        set(moreLine(def, "ERAPlus"), era > 0 ? 100.0 * lgEra / era : kNaN);
        set(moreLine(def, "FIP"),
            hr >= 0 && bb >= 0 && so >= 0 && outs > 0
                ? 3.0 * static_cast<double>(13 * hr + 3 * (bb + std::max(0LL, hb)) - 2 * so) /
                          static_cast<double>(outs) +
                      fipConst
                : kNaN);
        set(moreLine(def, "Age"), years);
        break;
    }
    case Table::Fielders:
        set(moreLine(def, "Age"), years);
        break;
    case Table::Teams: {
        const double era = counts.real(lineNamed(def, "ERA"));
        const double lgEra = basis.a(members[0]);
        set(moreLine(def, "OPS"),
            counts.real(lineNamed(def, "OBP")) + counts.real(lineNamed(def, "SLG")));
        set(moreLine(def, "ERAPlus"), era > 0 ? 100.0 * lgEra / era : kNaN);
        set(moreLine(def, "ExpWLPct"),
            expectedWinPct(counts(lineNamed(def, "RS")), counts(lineNamed(def, "OppRS"))));
        break;
    }
    }
}

} // namespace

std::unique_ptr<TableData> MoreFigures::extend(const TableData& base) const {
    const TableDef& def = moreTableDef(base.def().table);
    const Basis& b = *m_basis[static_cast<std::size_t>(def.table)];
    const std::size_t first = base.def().fields.size();
    std::vector<Column> added(def.fields.size() - first);
    // The added ratios are figured from each row's counts when the table is made.
    for (std::size_t i = 0; i < added.size(); ++i) {
        added[i].kind = def.fields[first + i].kind;
        if (added[i].kind != FieldKind::Ratio) {
            added[i].reals.assign(base.rows(), kNaN);
        }
    }
    for (std::uint32_t r = 0; r < base.rows(); ++r) {
        const LineCounts counts{nullptr, &base, r};
        lineFigures(def, counts, &r, 1, false, b, [&](int line, double v) {
            added[static_cast<std::size_t>(line) - first].reals[r] = std::isfinite(v) ? v : kNaN;
        });
    }
    return std::make_unique<TableData>(base, def, std::move(added));
}

void MoreFigures::fillLines(const TableDef& def, std::vector<Column>& cols, const LinesTable& lines,
                            bool career) const {
    const Basis& b = *m_basis[static_cast<std::size_t>(def.table)];
    const auto count = static_cast<std::uint32_t>(lines.memberStart.size() - 1);
    for (std::uint32_t l = 0; l < count; ++l) {
        const std::uint32_t* members = lines.members.data() + lines.memberStart[l];
        const std::size_t n = lines.memberStart[l + 1] - lines.memberStart[l];
        if (!career && n == 1) {
            continue;
        }
        lineFigures(def, LineCounts{&cols, nullptr, l}, members, n, career, b,
                    [&](int line, double v) {
                        cols[static_cast<std::size_t>(line)].reals[l] = std::isfinite(v) ? v : kNaN;
                    });
    }
}

namespace {

// A decimal line of a totals record in units; false when it is missing.
bool unitsOf(std::string_view text, long long& units) {
    std::string digits;
    for (const char c : text) {
        if (c != '.') {
            digits += c;
        }
    }
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), units);
    return ec == std::errc() && end == digits.data() + digits.size() && units >= 0 &&
           units < 1000000LL * 1000;
}

} // namespace

std::string recordTotals(const TableData& data, const std::vector<std::uint32_t>& rows) {
    std::string out = totalsRecord(data, rows);
    const TableDef& def = data.def();
    if (!isMoreDef(def) || (def.table != Table::Batters && def.table != Table::Teams)) {
        return out;
    }
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find("\r\n", at);
        lines.emplace_back(out, at, end - at);
        at = end + 2;
    }
    auto line = [&](const char* column) -> std::string& {
        return lines[static_cast<std::size_t>(lineNamed(def, column))];
    };
    // OPS: the record's OBP and SLG as shown, added.
    long long obp = 0, slg = 0;
    const bool missingObp = def.missingReal > 0 && line("OBP").starts_with("1000000");
    if (!missingObp && unitsOf(line("OBP"), obp) && unitsOf(line("SLG"), slg) &&
        !line("SLG").starts_with("1000000")) {
        std::string ops;
        appendUnits(ops, obp + slg, 3);
        line("OPS") = ops;
    }
    if (def.table == Table::Teams) {
        long long rs = -1, ra = -1;
        std::from_chars(line("RS").data(), line("RS").data() + line("RS").size(), rs);
        std::from_chars(line("OppRS").data(), line("OppRS").data() + line("OppRS").size(), ra);
        const double pct = expectedWinPct(rs, ra);
        if (std::isfinite(pct)) {
            std::string text;
            appendUnits(text, static_cast<long long>(std::floor(pct * 1000 + 0.5)), 3);
            line("ExpWLPct") = text;
        }
    }
    out.clear();
    for (const std::string& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

} // namespace bbstatsd
