#include "service/engine/picklabels.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace bbstatsd {

namespace {

using Groups = std::map<std::string, std::vector<std::size_t>, std::less<>>;

// Players grouped by what key gives them, only groups of two or more.
template <typename Key> Groups shared(std::size_t count, Key&& key) {
    Groups groups;
    for (std::size_t i = 0; i < count; ++i) {
        groups[std::string(key(i))].push_back(i);
    }
    std::erase_if(groups, [](const auto& g) { return g.second.size() < 2; });
    return groups;
}

} // namespace

std::string_view cutLabel(std::string_view text, std::size_t chars) {
    std::size_t end = 0;
    for (std::size_t counted = 0; end < text.size() && counted < chars; ++counted) {
        // A lead byte and the continuation bytes (10xxxxxx) that follow it are one character.
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return text.substr(0, end);
}

std::vector<std::string> pickLabels(const std::vector<PickPlayer>& players) {
    const std::size_t n = players.size();
    std::vector<std::string> labels(n);
    for (std::size_t i = 0; i < n; ++i) {
        labels[i] = players[i].name;
    }
    auto seasons = [&](std::size_t i) {
        return " (" + std::to_string(players[i].firstYear) + "-" +
               std::to_string(players[i].lastYear);
    };
    for (const auto& [name, group] : shared(n, [&](std::size_t i) { return labels[i]; })) {
        for (std::size_t i : group) {
            labels[i] = players[i].name + seasons(i) + ")";
        }
    }
    for (const auto& [label, group] : shared(n, [&](std::size_t i) { return labels[i]; })) {
        std::map<int, int> born;
        for (std::size_t i : group) {
            ++born[players[i].birthYear];
        }
        for (std::size_t i : group) {
            const int year = players[i].birthYear;
            if (year >= 0 && born[year] == 1) {
                labels[i] = players[i].name + seasons(i) + ", born " + std::to_string(year) + ")";
            }
        }
    }
    // What is still shared, in full or within what the client keeps, gets a number mark.
    for (auto [cut, group] : shared(n, [&](std::size_t i) { return cutLabel(labels[i]); })) {
        std::sort(group.begin(), group.end(),
                  [&](std::size_t a, std::size_t b) { return players[a].id < players[b].id; });
        for (std::size_t k = 0; k < group.size(); ++k) {
            const std::string mark = " #" + std::to_string(k + 1);
            std::string& label = labels[group[k]];
            label = std::string(cutLabel(label, kLabelChars - mark.size())) + mark;
        }
    }
    const Groups left = shared(n, [&](std::size_t i) { return cutLabel(labels[i]); });
    if (!left.empty()) {
        throw std::runtime_error("pick-list label '" + left.begin()->first +
                                 "' names several players");
    }
    return labels;
}

} // namespace bbstatsd
