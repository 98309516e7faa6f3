// The lines the service combines from stint records, and the totals record of any records, by
// the rules of record keeping, recomputed here from the records of the CSVs.
#include "tests/service/wholetable_source.h"

#include <algorithm>
#include <sstream>

namespace wholetable {

std::vector<Values> SourceRecords::combined(const Shape& s, bool career,
                                            std::vector<std::set<std::string>>* leaguesOf) const {
    const std::vector<Values>& stints = m_expected.at(s.table);
    const std::vector<std::string>& ids = m_ids.at(s.table);
    std::unordered_map<std::string, std::size_t> groupOf;
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < stints.size(); ++i) {
        std::string key = career ? ids[i] : ids[i] + "|" + stints[i][1];
        if (s.table == Table::Fielders) {
            key += "|" + stints[i][15];
        }
        const auto [it, fresh] = groupOf.emplace(key, groups.size());
        if (fresh) {
            groups.emplace_back();
        }
        groups[it->second].push_back(i);
    }
    const std::set<int> texts = s.table == Table::Batters    ? std::set<int>{26, 27, 28}
                                : s.table == Table::Pitchers ? std::set<int>{30}
                                                             : std::set<int>{15};
    std::vector<Values> out;
    for (const auto& group : groups) {
        if (leaguesOf) {
            auto& set = leaguesOf->emplace_back();
            for (const std::size_t i : group) {
                set.insert(stints[i][4]);
            }
        }
        if (!career && group.size() == 1) {
            out.push_back(stints[group[0]]);
            continue;
        }
        const Values& first = stints[group[0]];
        Values v(static_cast<std::size_t>(s.lines));
        std::set<std::string> codes, leagues;
        std::set<int> years;
        std::vector<std::string> positions;
        std::vector<const Values*> members;
        for (const std::size_t i : group) {
            members.push_back(&stints[i]);
            codes.insert(stints[i][2]);
            leagues.insert(stints[i][4]);
            years.insert(std::stoi(stints[i][1]));
            if (s.table == Table::Batters && stints[i][26] != "-1") {
                std::stringstream list(stints[i][26]);
                for (std::string p; std::getline(list, p, ',');) {
                    if (std::find(positions.begin(), positions.end(), p) == positions.end()) {
                        positions.push_back(p);
                    }
                }
            }
        }
        v[0] = first[0];
        v[1] = std::to_string(*years.begin());
        v[2] = codes.size() == 1 ? *codes.begin() : "TOT";
        const std::string clubs =
            std::to_string(codes.size()) + (codes.size() == 1 ? " team" : " teams");
        const std::string span = std::to_string(*years.begin()) +
                                 (years.size() > 1 ? "-" + std::to_string(*years.rbegin()) : "");
        v[3] = career ? span + ", " + clubs : (codes.size() == 1 ? first[3] : clubs);
        v[4] = leagues.size() == 1 ? *leagues.begin() : "MLB";
        for (int line = 5; line < s.lines; ++line) {
            if (texts.count(line)) {
                v[static_cast<std::size_t>(line)] = first[static_cast<std::size_t>(line)];
            } else if (!s.reals.count(line) || s.innings.count(line)) {
                Sum sum;
                for (const std::size_t i : group) {
                    const long long x = number(s, line, stints[i][static_cast<std::size_t>(line)]);
                    if (x >= 0) {
                        sum.add(x);
                    }
                }
                v[static_cast<std::size_t>(line)] = s.innings.count(line)
                                                        ? box(sum.value(), s.missingReal)
                                                        : std::to_string(sum.value());
            }
        }
        if (s.table == Table::Batters) {
            std::string list;
            for (const std::string& p : positions) {
                list += (list.empty() ? "" : ",") + p;
            }
            v[26] = list.empty() ? "-1" : list;
        }
        for (const Ratio& r : s.ratios) {
            v[static_cast<std::size_t>(r.line)] = ratioOver(s, r, members);
        }
        out.push_back(std::move(v));
    }
    return out;
}

Values SourceRecords::totalsOver(const Shape& s, const std::vector<const Values*>& chosen) {
    Values expected(static_cast<std::size_t>(s.lines));
    expected[static_cast<std::size_t>(s.nameLine)] = "TOTALS";
    const std::set<int> texts = {0,
                                 1,
                                 2,
                                 3,
                                 4,
                                 s.table == Table::Batters ? 26 : -1,
                                 s.table == Table::Batters ? 27 : -1,
                                 s.table == Table::Batters ? 28 : -1,
                                 s.table == Table::Pitchers ? 30 : -1,
                                 s.table == Table::Fielders ? 15 : -1};
    for (int line = 0; line < s.lines; ++line) {
        if (texts.count(line) || (s.reals.count(line) && !s.innings.count(line))) {
            continue;
        }
        Sum sum;
        for (const Values* v : chosen) {
            const long long x = number(s, line, (*v)[static_cast<std::size_t>(line)]);
            if (x >= 0) {
                sum.add(x);
            }
        }
        const long long total = sum.any ? sum.total : -1;
        expected[static_cast<std::size_t>(line)] =
            s.innings.count(line) ? box(total, s.missingReal) : std::to_string(total);
    }
    for (int line : s.unsummed) {
        expected[static_cast<std::size_t>(line)] = missingText(s.missingReal, 1);
    }
    for (const Ratio& r : s.ratios) {
        expected[static_cast<std::size_t>(r.line)] = ratioOver(s, r, chosen);
    }
    return expected;
}

} // namespace wholetable
