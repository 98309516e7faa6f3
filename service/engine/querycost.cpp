#include "service/engine/querycost.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>
#include <string>
#include <utility>

#include "service/engine/engine.h"
#include "service/engine/schema.h"

namespace bbstatsd {

namespace {

// Comparing a limit's bound with one distinct text costs about as much as a few row looks.
constexpr std::uint64_t TextCompareCost = 2;
// Rows of the largest table times this is the most one request may cost: about 16 times a
// four-key sort of every row of it, which looks at each row a few times per key.
constexpr std::uint64_t RowLooksPerRow = 64;

struct GroupCost {
    std::uint64_t compile = 0;
    std::uint64_t postingRows = 0; // rows the group names, when it has no limits
    std::uint64_t perRow = 1;      // looks at one row to test it against the group
    bool hasLimits = false;
};

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b
               ? std::numeric_limits<std::uint64_t>::max()
               : a + b;
}

std::uint64_t saturatingMul(std::uint64_t a, std::uint64_t b) {
    return b != 0 && a > std::numeric_limits<std::uint64_t>::max() / b
               ? std::numeric_limits<std::uint64_t>::max()
               : a * b;
}

GroupCost costOf(const TableData& data, const std::vector<SelectionItem>& items) {
    const TableDef& def = data.def();
    GroupCost cost;
    // Each posting counts once, as the query takes it once.
    std::set<std::pair<int, std::uint32_t>> named;
    auto text = [&](int line, const std::string& value) {
        if (line < 0) {
            return;
        }
        const std::uint32_t id = data.idOf(line, value);
        if (id != kMissingRank && named.insert({line, id}).second) {
            cost.postingRows += data.rowsOfText(line, id).size();
        }
    };
    for (const SelectionItem& item : items) {
        cost.compile = saturatingAdd(cost.compile, 1);
        switch (item.kind) {
        case 'A':
            for (const std::uint32_t p : data.playersNamed(item.value)) {
                if (named.insert({-1, p}).second) {
                    cost.postingRows += data.rowsOfPlayer(p).size();
                }
            }
            break;
        case 'B':
            text(def.teamNameLine, item.value);
            break;
        case 'D':
            text(def.leagueLine, item.value);
            break;
        case 'G':
            text(def.positionLine, item.value);
            break;
        case 'C': {
            // Years are few; each one's rows counted at most once.
            int year = 0;
            const char* end = item.value.data() + item.value.size();
            const auto parsed = std::from_chars(item.value.data(), end, year);
            if (parsed.ec != std::errc() || parsed.ptr != end || year < 0) {
                break;
            }
            const auto* rows = data.rowsOfYear(year);
            if (rows != nullptr && named.insert({-2, static_cast<std::uint32_t>(year)}).second) {
                cost.postingRows += rows->size();
            }
            break;
        }
        case 'E': {
            cost.hasLimits = true;
            cost.perRow = saturatingAdd(cost.perRow, 1);
            const Column& column = data.column(lineOfSortField(def, item.field));
            if (column.isText() && !(item.min.empty() && item.max.empty())) {
                cost.compile = saturatingAdd(cost.compile, column.dict.size() * TextCompareCost);
            }
            break;
        }
        default:
            break;
        }
    }
    return cost;
}

} // namespace

std::uint64_t selectionCost(const TableData& data, const Groups& groups) {
    std::vector<GroupCost> costs;
    for (const auto& group : groups) {
        if (!group.empty()) {
            costs.push_back(costOf(data, group));
        }
    }
    // The group without limits naming the fewest rows supplies the candidates; without one,
    // every row is a candidate.
    const GroupCost* driver = nullptr;
    for (const GroupCost& cost : costs) {
        if (!cost.hasLimits && (driver == nullptr || cost.postingRows < driver->postingRows)) {
            driver = &cost;
        }
    }
    const std::uint64_t candidates = driver != nullptr ? driver->postingRows : data.rows();
    std::uint64_t total = 0;
    for (const GroupCost& cost : costs) {
        total = saturatingAdd(total, cost.compile);
        if (&cost != driver) {
            total = saturatingAdd(total, saturatingMul(candidates, cost.perRow));
        }
    }
    return total;
}

std::uint64_t selectionCostBound(std::uint32_t largestRows) {
    return std::max<std::uint64_t>(largestRows, 1024) * RowLooksPerRow;
}

void checkSelectionCost(const TableData& data, const Groups& groups, std::uint64_t bound) {
    const std::uint64_t cost = selectionCost(data, groups);
    if (cost > bound) {
        const auto millions = [](std::uint64_t n) {
            return std::to_string((n + 999999) / 1000000);
        };
        throw RequestError(400, "request too costly: its selection would test about " +
                                    millions(cost) + " million row values, at most " +
                                    millions(bound) + " million are allowed; use fewer items");
    }
}

} // namespace bbstatsd
