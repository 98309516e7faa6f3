#include "query/headersort.h"

#include <utility>
#include <vector>

namespace {

// The keys of `choice` in order as (list position, direction), gaps closed.
std::vector<std::pair<int, int>> KeysOf(const SortChoice& choice) {
    std::vector<std::pair<int, int>> keys;
    for (std::size_t i = 0; i < 4; ++i) {
        if (choice.positions[i] > 0)
            keys.emplace_back(choice.positions[i], choice.directions[i]);
    }
    return keys;
}

} // namespace

SortChoice HeaderClickChoice(const SortChoice& current, const HeaderClick& click) {
    std::vector<std::pair<int, int>> keys = KeysOf(current);
    const int position = click.field + 1;
    const int first = click.numeric ? 1 : 0;
    std::size_t at = 0;
    while (at < keys.size() && keys[at].first != position)
        ++at;
    const bool chosen = at < keys.size();
    if (chosen && (click.shift || at == 0)) {
        keys[at].second = 1 - keys[at].second;
    } else if (!click.shift) {
        keys.assign(1, {position, first});
    } else if (keys.size() < 4) {
        keys.emplace_back(position, first);
    } else {
        keys[3] = {position, first};
    }
    SortChoice choice;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        choice.positions[i] = keys[i].first;
        choice.directions[i] = keys[i].second;
    }
    return choice;
}

int SortKeyOf(const SortChoice& choice, int field, bool* descending) {
    const std::vector<std::pair<int, int>> keys = KeysOf(choice);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].first == field + 1) {
            *descending = keys[i].second == 1;
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int SortKeyCount(const SortChoice& choice) {
    return static_cast<int>(KeysOf(choice).size());
}
