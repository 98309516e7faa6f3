#include "service/engine/playersearch.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "service/engine/engine.h"
#include "service/engine/schema.h"
#include "service/engine/sqlitedb.h"
#include "service/engine/tabledata.h"

namespace bbstatsd {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The "q" value of a raw query, form-decoded ("+" a blank, percent escapes); refuses what a
// search cannot read.
std::string searchText(std::string_view query) {
    std::string_view raw;
    bool found = false;
    std::size_t start = 0;
    while (start <= query.size()) {
        const auto end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        if (pair.starts_with("q=")) {
            raw = pair.substr(2);
            found = true;
            break;
        }
        start = end + 1;
    }
    if (!found) {
        throw RequestError(400, "no q= search text");
    }
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (text.size() > PlayerSearch::MaxQueryBytes) {
            break;
        }
        if (raw[i] == '+') {
            text.push_back(' ');
        } else if (raw[i] != '%') {
            text.push_back(raw[i]);
        } else if (i + 2 < raw.size() && hexValue(raw[i + 1]) >= 0 && hexValue(raw[i + 2]) >= 0) {
            text.push_back(static_cast<char>(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2])));
            i += 2;
        } else {
            throw RequestError(400, "bad percent escape in the search text");
        }
    }
    if (text.size() > PlayerSearch::MaxQueryBytes) {
        throw RequestError(400, "search text over " + std::to_string(PlayerSearch::MaxQueryBytes) +
                                    " bytes");
    }
    // UTF-8 without overlong forms or surrogates, and no control character.
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            throw RequestError(400, "control character in the search text");
        }
        std::size_t length = c < 0x80                ? 1
                             : c >= 0xc2 && c < 0xe0 ? 2
                             : c >= 0xe0 && c < 0xf0 ? 3
                             : c >= 0xf0 && c < 0xf5 ? 4
                                                     : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
        }
        if (valid && length > 2) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            valid = !(c == 0xe0 && next < 0xa0) && !(c == 0xed && next >= 0xa0) &&
                    !(c == 0xf0 && next < 0x90) && !(c == 0xf4 && next >= 0x90);
        }
        if (!valid) {
            throw RequestError(400, "search text is not UTF-8");
        }
        if (length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
            throw RequestError(400, "control character in the search text");
        }
        i += length;
    }
    return text;
}

void appendYears(std::string& out, int first, int last) {
    if (first > 0) {
        out += std::to_string(first) + "-" + std::to_string(last);
    }
}

} // namespace

std::vector<std::string> searchWords(std::string_view text) {
    const std::string folded = foldText(text);
    std::vector<std::string> words;
    std::string word;
    for (const char ch : folded) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\'') {
            continue;
        }
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0x80) {
            word.push_back(ch);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    return words;
}

PlayerSearch::PlayerSearch(SqliteDb& db, const TableData& batters, const TableData& pitchers,
                           const TableData& fielders) {
    static const char* const keys[] = {"First",  "Last",       "Given",     "Born",    "BirthPlace",
                                       "Died",   "DeathPlace", "Bats",      "Throws",  "Height",
                                       "Weight", "Debut",      "FinalGame", "BbrefID", "RetroID"};
    SqliteStmt select(db, "SELECT PlayerID, NameFirst, NameLast, NameGiven, Born, BirthPlace, "
                          "Died, DeathPlace, Bats, Throws, Height, Weight, Debut, FinalGame, "
                          "BbrefID, RetroID FROM player_facts ORDER BY PlayerID");
    while (select.step()) {
        Player p;
        p.id = select.text(0);
        const std::string first(select.text(1));
        const std::string last(select.text(2));
        p.name = first.empty() ? last : last + ", " + first;
        for (int i = 0; i < 15; ++i) {
            const std::string_view value = select.text(i + 1);
            if (!value.empty()) {
                p.facts.append(keys[i]).append(1, '\t').append(value).append("\r\n");
            }
        }
        std::vector<std::string> exact = searchWords(first + " " + last);
        std::sort(exact.begin(), exact.end());
        p.exact = keepWords(exact);
        std::vector<std::string> words =
            searchWords(first + " " + last + " " + std::string(select.text(3)));
        std::sort(words.begin(), words.end());
        words.erase(std::unique(words.begin(), words.end()), words.end());
        p.words = keepWords(words);
        p.born = std::string(select.text(4)).substr(0, 4);
        // The codes come in order: one equal to the one before is there twice.
        if (!m_players.empty() && m_players.back().id == p.id) {
            throw std::runtime_error("player_facts holds " + p.id + " twice");
        }
        m_players.push_back(std::move(p));
    }
    m_players.shrink_to_fit();
    m_wordText.shrink_to_fit();
    addTable(batters, 0);
    addTable(pitchers, 1);
    addTable(fielders, 2);
    for (std::uint32_t i = 0; i < m_players.size(); ++i) {
        for (std::uint32_t at = m_players[i].words; m_wordText[at] != '\0';
             at += static_cast<std::uint32_t>(wordAt(at).size()) + 1) {
            m_words.push_back({at, i});
        }
    }
    std::sort(m_words.begin(), m_words.end(), [&](const Word& a, const Word& b) {
        const int order = wordAt(a.at).compare(wordAt(b.at));
        return order != 0 ? order < 0 : a.player < b.player;
    });
}

std::uint32_t PlayerSearch::keepWords(const std::vector<std::string>& words) {
    const auto at = static_cast<std::uint32_t>(m_wordText.size());
    for (const std::string& word : words) {
        m_wordText.append(word).append(1, '\0');
    }
    m_wordText.append(1, '\0');
    return at;
}

std::vector<std::string_view> PlayerSearch::wordsAt(std::uint32_t at) const {
    std::vector<std::string_view> out;
    for (std::string_view word = wordAt(at); !word.empty(); word = wordAt(at)) {
        out.push_back(word);
        at += static_cast<std::uint32_t>(word.size()) + 1;
    }
    return out;
}

std::size_t PlayerSearch::find(std::string_view id) const {
    const auto it = std::lower_bound(m_players.begin(), m_players.end(), id,
                                     [](const Player& p, std::string_view v) { return p.id < v; });
    return it != m_players.end() && it->id == id ? static_cast<std::size_t>(it - m_players.begin())
                                                 : m_players.size();
}

// Seasons, games and labels of one player table; fielding positions by games.
void PlayerSearch::addTable(const TableData& data, int table) {
    const TableDef& def = data.def();
    int gamesLine = -1;
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        if (std::string_view(def.fields[i].column) == "G") {
            gamesLine = static_cast<int>(i);
        }
    }
    const Column& years = data.column(def.yearLine);
    const Column& games = data.column(gamesLine);
    for (std::uint32_t q = 0; q < data.playerIds().size(); ++q) {
        const std::size_t at = find(data.playerIds()[q]);
        if (at == m_players.size()) {
            throw std::runtime_error(std::string(def.sqlName) + " holds player " +
                                     data.playerIds()[q] + " without facts");
        }
        Player& p = m_players[at];
        p.labels[static_cast<std::size_t>(table)] = data.playerEntries()[q];
        p.tables += "BPF"[table];
        long long sum = 0;
        std::map<std::string, long long> byPosition;
        for (const std::uint32_t row : data.rowsOfPlayer(q)) {
            const int year = years.ints[row];
            p.firstYear = p.firstYear == 0 ? year : std::min(p.firstYear, year);
            p.lastYear = std::max(p.lastYear, year);
            const long long g = std::max(games.ints[row], 0);
            sum += g;
            if (def.positionLine >= 0) {
                const Column& position = data.column(def.positionLine);
                byPosition[foldText(position.dict[position.ids[row]])] += g;
            }
        }
        // Batting games rank a player; pitching games one who never batted.
        if (table == 0 || (table == 1 && p.tables == "P")) {
            p.games = sum;
        }
        std::vector<std::pair<long long, std::string>> order;
        for (auto& [position, g] : byPosition) {
            order.emplace_back(-g, position);
        }
        std::sort(order.begin(), order.end());
        for (const auto& [g, position] : order) {
            p.positions += (p.positions.empty() ? "" : ",") + position;
        }
    }
}

std::vector<std::uint32_t> PlayerSearch::matches(const std::vector<std::string>& words) const {
    // Candidates come from the word that starts the fewest words of names.
    auto fewest = std::pair(m_words.end(), m_words.end());
    for (const std::string& word : words) {
        const auto low =
            std::lower_bound(m_words.begin(), m_words.end(), word,
                             [&](const Word& e, const std::string& w) { return wordAt(e.at) < w; });
        const auto high = std::partition_point(
            low, m_words.end(), [&](const Word& e) { return wordAt(e.at).starts_with(word); });
        if (&word == &words.front() || high - low < fewest.second - fewest.first) {
            fewest = {low, high};
        }
    }
    std::vector<std::uint32_t> found;
    for (auto it = fewest.first; it != fewest.second; ++it) {
        found.push_back(it->player);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::erase_if(found, [&](std::uint32_t i) {
        const std::vector<std::string_view> own = wordsAt(m_players[i].words);
        return !std::all_of(words.begin(), words.end(), [&](const std::string& w) {
            return std::any_of(own.begin(), own.end(),
                               [&](std::string_view o) { return o.starts_with(w); });
        });
    });
    std::vector<std::string> sorted = words;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::pair<bool, std::uint32_t>> ranked;
    for (const std::uint32_t i : found) {
        const std::vector<std::string_view> exact = wordsAt(m_players[i].exact);
        ranked.emplace_back(std::equal(exact.begin(), exact.end(), sorted.begin(), sorted.end()),
                            i);
    }
    const auto better = [&](const auto& a, const auto& b) {
        const Player& x = m_players[a.second];
        const Player& y = m_players[b.second];
        if (a.first != b.first) {
            return a.first;
        }
        if (x.games != y.games) {
            return x.games > y.games;
        }
        const int order = compareText(x.name, y.name);
        return order != 0 ? order < 0 : x.id < y.id;
    };
    const std::size_t kept = std::min(ranked.size(), MaxLines);
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(kept),
                      ranked.end(), better);
    std::vector<std::uint32_t> out;
    for (std::size_t k = 0; k < kept; ++k) {
        out.push_back(ranked[k].second);
    }
    return out;
}

std::string PlayerSearch::search(std::string_view rawQuery) const {
    const std::string text = searchText(rawQuery);
    const std::vector<std::string> words = searchWords(text);
    if (words.empty()) {
        throw RequestError(400, "empty search text");
    }
    std::string out;
    for (const std::uint32_t i : matches(words)) {
        const Player& p = m_players[i];
        out += p.id + '\t' + p.name + '\t';
        appendYears(out, p.firstYear, p.lastYear);
        out +=
            '\t' + p.tables + '\t' + p.positions + '\t' + p.born + '\t' + std::to_string(p.games);
        for (const std::string_view label : p.labels) {
            out += '\t';
            out += label;
        }
        out += "\r\n";
    }
    return out;
}

std::string PlayerSearch::facts(std::string_view playerId) const {
    const std::size_t at = find(playerId);
    if (at == m_players.size()) {
        throw RequestError(404, "no player with that code");
    }
    const Player& p = m_players[at];
    std::string out = "ID\t" + p.id + "\r\nName\t" + p.name + "\r\n";
    out += p.facts;
    if (p.firstYear > 0) {
        out += "Years\t";
        appendYears(out, p.firstYear, p.lastYear);
        out += "\r\n";
    }
    static const char* const tables[] = {"Batters", "Pitchers", "Fielders"};
    for (std::size_t t = 0; t < 3; ++t) {
        if (!p.labels[t].empty()) {
            out.append(tables[t]).append(1, '\t').append(p.labels[t]).append("\r\n");
        }
    }
    return out;
}

} // namespace bbstatsd
