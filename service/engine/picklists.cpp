#include "service/engine/picklists.h"

#include <algorithm>
#include <charconv>
#include <numeric>

namespace bbstatsd {

namespace {

constexpr char kLetters[] = {'A', 'C', 'D', 'E', 'G'};

void appendCount(std::string& out, std::size_t n) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
    out += "\r\n";
}

} // namespace

int PickLists::indexOf(char letter) {
    const auto* at = std::find(std::begin(kLetters), std::end(kLetters), letter);
    return at == std::end(kLetters) ? 0 : static_cast<int>(at - std::begin(kLetters));
}

PickLists::PickLists(const TableData& data) : m_data(data) {
    const TableDef& def = data.def();
    if (def.hasPlayers) {
        build('A', data.playerEntries());
    }
    std::vector<std::string> years(data.yearSpan());
    for (std::size_t i = 0; i < years.size(); ++i) {
        years[i] = std::to_string(data.yearMin() + static_cast<long long>(i));
    }
    build('C', std::move(years));
    build('D', data.column(def.teamNameLine).dict.texts());
    build('E', data.column(def.leagueLine).dict.texts());
    if (def.positionLine >= 0) {
        build('G', data.column(def.positionLine).dict.texts());
    }
}

void PickLists::build(char letter, std::vector<std::string> entries) {
    List& l = m_lists[static_cast<std::size_t>(indexOf(letter))];
    std::vector<std::uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    if (letter != 'C') { // seasons are in order already
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int c = compareText(entries[a], entries[b]);
            return c != 0 ? c < 0 : entries[a] < entries[b];
        });
    }
    l.offered = true;
    l.slotOf.assign(entries.size(), 0);
    l.offsets.assign(1, 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::uint32_t key = order[i];
        // Equal texts share one slot, so that the list is distinct.
        if (i > 0 && entries[key] == entries[order[i - 1]]) {
            l.slotOf[key] = l.slotOf[order[i - 1]];
            continue;
        }
        l.slotOf[key] = static_cast<std::uint32_t>(l.offsets.size() - 1);
        l.lines += entries[key];
        l.lines += "\r\n";
        l.offsets.push_back(static_cast<std::uint32_t>(l.lines.size()));
    }
    std::vector<std::uint32_t> all(m_data.rows());
    std::iota(all.begin(), all.end(), 0u);
    l.whole = over(letter, all);
    l.whole.shrink_to_fit();
}

bool PickLists::offers(char letter) const {
    return std::find(std::begin(kLetters), std::end(kLetters), letter) != std::end(kLetters) &&
           list(letter).offered;
}

std::string PickLists::over(char letter, const std::vector<std::uint32_t>& rows) const {
    const List& l = list(letter);
    const std::size_t slots = l.offsets.size() - 1;
    std::vector<std::uint8_t> present(slots, 0);
    auto mark = [&](auto&& key) {
        for (const std::uint32_t row : rows) {
            present[l.slotOf[key(row)]] = 1;
        }
    };
    const TableDef& def = m_data.def();
    if (letter == 'A') {
        const std::uint32_t* player = m_data.playerOfRow().data();
        mark([&](std::uint32_t row) { return player[row]; });
    } else if (letter == 'C') {
        const int first = m_data.yearMin();
        m_data.column(def.yearLine).ints.visit([&](auto year) {
            mark([&](std::uint32_t row) { return static_cast<std::uint32_t>(year[row] - first); });
        });
    } else {
        const int line = letter == 'D'   ? def.teamNameLine
                         : letter == 'E' ? def.leagueLine
                                         : def.positionLine;
        m_data.column(line).ids.visit(
            [&](auto id) { mark([&](std::uint32_t row) { return id[row]; }); });
    }
    std::size_t count = 0;
    std::size_t bytes = 0;
    for (std::size_t s = 0; s < slots; ++s) {
        if (present[s]) {
            ++count;
            bytes += l.offsets[s + 1] - l.offsets[s];
        }
    }
    std::string out;
    out.reserve(24 + bytes + 3);
    appendCount(out, count);
    // Runs of present slots are copied in one piece.
    for (std::size_t s = 0; s < slots;) {
        if (!present[s]) {
            ++s;
            continue;
        }
        const std::size_t from = s;
        while (s < slots && present[s]) {
            ++s;
        }
        out.append(l.lines, l.offsets[from], l.offsets[s] - l.offsets[from]);
    }
    out += "*\r\n";
    return out;
}

std::size_t PickLists::bytes() const {
    std::size_t total = 0;
    for (const List& l : m_lists) {
        total += l.slotOf.capacity() * 4 + l.lines.capacity() + l.offsets.capacity() * 4 +
                 l.whole.capacity();
    }
    return total;
}

} // namespace bbstatsd
