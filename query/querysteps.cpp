#include "query/querysteps.h"

#include <algorithm>

#include <QStringList>

#include "query/querydescription.h"
#include "query/selectionitems.h"
#include "query/sortcodes.h"

namespace {

// The sort keys the request sends: the multi-key form in force, else the
// single code; codes of the default order (300, 99, negative) are no keys.
std::vector<std::int32_t> SortKeys(const QueryState& state) {
    std::vector<std::int32_t> codes;
    if (state.SortQuad[0] >= 0) {
        codes.assign(state.SortQuad.begin(), state.SortQuad.end());
    } else if (state.SortTriple[0] >= 0) {
        codes.assign(state.SortTriple.begin(), state.SortTriple.end());
    } else if (state.SortPair[0] >= 0) {
        codes.assign(state.SortPair.begin(), state.SortPair.end());
    } else {
        codes.push_back(state.SortCode);
    }
    std::erase_if(codes, [](std::int32_t code) { return code < 0 || code == 99 || code >= 200; });
    return codes;
}

// Stores `keys` as the Sort dialog stores its choice; no key is the default
// order.
void SetSortKeys(QueryState& state, const std::vector<std::int32_t>& keys) {
    if (keys.empty()) {
        ResetSortCodes(state);
        return;
    }
    SortCodes codes;
    codes.count = static_cast<int>(std::min<std::size_t>(keys.size(), 4));
    for (std::size_t i = 0; i < static_cast<std::size_t>(codes.count); ++i)
        codes.codes[i] = keys[i];
    ApplySortCodes(state, codes);
}

// The items of `state` in use.
std::vector<std::string> ItemsOf(const QueryState& state) {
    const int count = std::clamp(state.SelectionCount, 0, QueryState::MaxSelectionItems);
    return {state.SelectionItems.begin(), state.SelectionItems.begin() + count};
}

// `state` with its items replaced by `items` (at most 500 of them).
void SetItems(QueryState& state, const std::vector<std::string>& items) {
    const std::size_t count =
        std::min(items.size(), static_cast<std::size_t>(QueryState::MaxSelectionItems));
    for (std::size_t i = 0; i < count; ++i)
        state.SelectionItems[i] = items[i].substr(0, QueryState::MaxItemLength);
    state.SelectionCount = static_cast<std::int32_t>(count);
}

// The group items of a Select or Limit step, without its closing "*".
std::vector<std::string> GroupItems(const QueryState& state, const QueryStep& step) {
    std::vector<std::string> items;
    for (int i = step.firstItem; i < step.firstItem + step.itemCount; ++i) {
        const std::string& item = state.SelectionItems[static_cast<std::size_t>(i)];
        if (item != "*")
            items.push_back(item);
    }
    return items;
}

// `state` with the items of `step` replaced by `group` (with its "*"; an
// empty `group` removes them). False when the result passes 500 items.
bool ReplaceGroup(QueryState& state, const QueryStep& step, const std::vector<std::string>& group) {
    std::vector<std::string> items = ItemsOf(state);
    const auto first = items.begin() + step.firstItem;
    items.erase(first, first + step.itemCount);
    std::vector<std::string> inserted = group;
    if (!inserted.empty())
        inserted.push_back("*");
    if (items.size() + inserted.size() > static_cast<std::size_t>(QueryState::MaxSelectionItems))
        return false;
    items.insert(items.begin() + step.firstItem, inserted.begin(), inserted.end());
    SetItems(state, items);
    return true;
}

QString LinesWords(LinesMode mode) {
    return mode == LinesMode::PerCareer ? QStringLiteral("Career lines")
                                        : QStringLiteral("Season lines");
}

} // namespace

std::vector<QueryStep> QuerySteps(const QueryState& state) {
    std::vector<QueryStep> selects;
    std::vector<QueryStep> limits;
    const std::vector<std::string> items = ItemsOf(state);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= items.size(); ++i) {
        // A group ends at its "*" or, unclosed, at the last item.
        const bool end = i == items.size() || items[i] == "*";
        if (!end)
            continue;
        const std::size_t stop = i < items.size() ? i + 1 : i;
        QueryStep step;
        step.firstItem = static_cast<int>(start);
        step.itemCount = static_cast<int>(stop - start);
        bool limitsOnly = true;
        for (std::size_t k = start; k < i; ++k) {
            if (items[k].empty() || items[k].front() != 'E')
                limitsOnly = false;
        }
        if (i > start) {
            if (limitsOnly) {
                step.kind = QueryStepKind::Limit;
                const QStringList parts =
                    QString::fromStdString(items[start]).mid(1).split(QLatin1Char('!'));
                bool number = false;
                step.field = parts.value(0).toInt(&number);
                if (!number)
                    step.field = -1;
                step.minimum = parts.value(1);
                step.maximum = parts.value(2);
                limits.push_back(step);
            } else {
                step.kind = QueryStepKind::Select;
                step.letter = items[start].empty() ? 0 : items[start].front();
                bool oneKind = true;
                for (std::size_t k = start; k < i; ++k)
                    oneKind = oneKind && !items[k].empty() && items[k].front() == step.letter;
                // A group mixing kinds (only a hand-made query file holds one)
                // keeps its items whole and has no kind to edit it as.
                if (!oneKind)
                    step.letter = 0;
                for (std::size_t k = start; k < i; ++k)
                    step.values.push_back(oneKind ? items[k].substr(1) : items[k]);
                selects.push_back(step);
            }
        }
        start = stop;
    }
    std::vector<QueryStep> steps = selects;
    if (state.Lines != LinesMode::PerTeam) {
        QueryStep lines;
        lines.kind = QueryStepKind::Lines;
        lines.lines = state.Lines;
        steps.push_back(lines);
    }
    if (state.QualifiedOnly) {
        QueryStep qualifier;
        qualifier.kind = QueryStepKind::Qualifier;
        steps.push_back(qualifier);
    }
    steps.insert(steps.end(), limits.begin(), limits.end());
    const std::vector<std::int32_t> keys = SortKeys(state);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        QueryStep sort;
        sort.kind = QueryStepKind::Sort;
        sort.sortKey = static_cast<int>(k);
        sort.sortCode = keys[k];
        steps.push_back(sort);
    }
    return steps;
}

QueryState StepsPrefix(const QueryState& state, std::size_t count) {
    const std::vector<QueryStep> steps = QuerySteps(state);
    QueryState prefix;
    // "More columns" is the window's setting, not a step: every prefix keeps
    // it, so a step on an added field reads the same in each.
    prefix.MoreColumns = state.MoreColumns;
    std::vector<std::int32_t> keys;
    for (std::size_t i = 0; i < std::min(count, steps.size()); ++i) {
        const QueryStep& step = steps[i];
        switch (step.kind) {
        case QueryStepKind::Select:
        case QueryStepKind::Limit:
            prefix.AppendGroup(GroupItems(state, step));
            break;
        case QueryStepKind::Lines:
            prefix.Lines = step.lines;
            break;
        case QueryStepKind::Qualifier:
            prefix.QualifiedOnly = true;
            break;
        case QueryStepKind::Sort:
            keys.push_back(step.sortCode);
            break;
        }
    }
    SetSortKeys(prefix, keys);
    return prefix;
}

QueryState WithoutStep(const QueryState& state, std::size_t index) {
    const std::vector<QueryStep> steps = QuerySteps(state);
    QueryState result = state;
    if (index >= steps.size())
        return result;
    const QueryStep& step = steps[index];
    switch (step.kind) {
    case QueryStepKind::Select:
    case QueryStepKind::Limit:
        ReplaceGroup(result, step, {});
        break;
    case QueryStepKind::Lines:
        result.Lines = LinesMode::PerTeam;
        break;
    case QueryStepKind::Qualifier:
        result.QualifiedOnly = false;
        break;
    case QueryStepKind::Sort: {
        std::vector<std::int32_t> keys = SortKeys(state);
        keys.erase(keys.begin() + step.sortKey);
        SetSortKeys(result, keys);
        break;
    }
    }
    return result;
}

bool StepEditable(const QueryStep& step) {
    if (step.kind == QueryStepKind::Limit)
        return step.field >= 0 && step.itemCount <= 2;
    if (step.kind != QueryStepKind::Select)
        return false;
    if (std::string_view("ABCDG").find(step.letter) == std::string_view::npos)
        return false;
    return true;
}

std::optional<QueryState> WithLimitBounds(DatabaseKind kind, const QueryState& state,
                                          std::size_t index, const QString& minimum,
                                          const QString& maximum, QString* error) {
    const std::vector<QueryStep> steps = QuerySteps(state);
    if (index >= steps.size() || steps[index].kind != QueryStepKind::Limit ||
        !StepEditable(steps[index])) {
        *error = QStringLiteral("This step is not a limit that can be edited.");
        return std::nullopt;
    }
    const QueryStep& step = steps[index];
    *error = LimitBoundsError(minimum, maximum, LimitFieldOrder(kind, step.field));
    if (!error->isEmpty())
        return std::nullopt;
    QueryState result = state;
    ReplaceGroup(result, step, {LimitItem(step.field, minimum, maximum)});
    return result;
}

std::optional<QueryState> WithGroupValues(const QueryState& state, std::size_t index,
                                          const std::vector<std::string>& values, QString* error) {
    const std::vector<QueryStep> steps = QuerySteps(state);
    if (index >= steps.size() || steps[index].kind != QueryStepKind::Select ||
        !StepEditable(steps[index])) {
        *error = QStringLiteral("This step is not a selection that can be edited.");
        return std::nullopt;
    }
    const QueryStep& step = steps[index];
    QueryState result = state;
    if (!ReplaceGroup(result, step, SelectionGroup(step.letter, values))) {
        *error = SelectionFullMessage();
        return std::nullopt;
    }
    error->clear();
    return result;
}

QString StepText(DatabaseKind kind, const QueryStep& step) {
    switch (step.kind) {
    case QueryStepKind::Select: {
        QStringList values;
        for (const std::string& value : step.values)
            values << QString::fromStdString(value);
        return SelectionWord(step.letter) + QStringLiteral(": ") +
               values.join(QStringLiteral(" or "));
    }
    case QueryStepKind::Lines:
        return LinesWords(step.lines);
    case QueryStepKind::Qualifier:
        return QStringLiteral("Qualified only");
    case QueryStepKind::Limit:
        return LimitWords(
            kind, QStringLiteral("E%1!%2!%3!").arg(step.field).arg(step.minimum, step.maximum));
    case QueryStepKind::Sort: {
        const bool ascending = step.sortCode >= 100;
        const QString name = FieldShortName(kind, ascending ? step.sortCode - 100 : step.sortCode);
        return QStringLiteral("Sort: ") + name +
               (ascending ? QStringLiteral(" ascending") : QStringLiteral(" descending"));
    }
    }
    return {};
}
