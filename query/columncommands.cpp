#include "query/columncommands.h"

#include "query/headersort.h"
#include "query/querytarget.h"
#include "query/selectionitems.h"
#include "query/tform6.h"

namespace {

void ApplyChoice(QueryTarget& target, TForm6& dialog, const SortChoice& choice) {
    dialog.RememberChoice(choice);
    target.startBusy();
    ApplySortCodes(target.queryState(), ComputeSortCodes(choice));
    if (!target.refreshView())
        return;
    target.stopBusy();
}

int KeyCount(const SortChoice& choice) {
    int count = 0;
    while (count < 4 && choice.positions[static_cast<std::size_t>(count)] > 0)
        ++count;
    return count;
}

} // namespace

SortChoice CurrentSortChoice(const QueryState& state) {
    std::vector<std::int32_t> codes;
    if (state.SortQuad[0] >= 0)
        codes.assign(state.SortQuad.begin(), state.SortQuad.end());
    else if (state.SortTriple[0] >= 0)
        codes.assign(state.SortTriple.begin(), state.SortTriple.end());
    else if (state.SortPair[0] >= 0)
        codes.assign(state.SortPair.begin(), state.SortPair.end());
    else
        codes.push_back(state.SortCode);
    SortChoice choice;
    std::size_t slot = 0;
    for (const std::int32_t code : codes) {
        // 300, 99 and negative codes stand for the default order.
        if (code < 0 || code == 99 || code >= 200)
            continue;
        const bool ascending = code >= 100;
        choice.positions[slot] = (ascending ? code - 100 : code) + 1;
        choice.directions[slot] = ascending ? 0 : 1;
        ++slot;
    }
    return choice;
}

void SortByField(QueryTarget& target, TForm6& dialog, int field, bool descending) {
    SortChoice choice;
    choice.positions[0] = field + 1;
    choice.directions[0] = descending ? 1 : 0;
    ApplyChoice(target, dialog, choice);
}

bool CanAddSortField(const QueryState& state, int field) {
    const SortChoice choice = CurrentSortChoice(state);
    const int count = KeyCount(choice);
    for (int i = 0; i < count; ++i) {
        if (choice.positions[static_cast<std::size_t>(i)] == field + 1)
            return false;
    }
    return count < 4;
}

bool AddSortField(QueryTarget& target, TForm6& dialog, int field, bool descending) {
    if (!CanAddSortField(target.queryState(), field))
        return false;
    SortChoice choice = CurrentSortChoice(target.queryState());
    const auto slot = static_cast<std::size_t>(KeyCount(choice));
    choice.positions[slot] = field + 1;
    choice.directions[slot] = descending ? 1 : 0;
    ApplyChoice(target, dialog, choice);
    return true;
}

void SortByTitleClick(QueryTarget& target, TForm6& dialog, int column, bool shift) {
    const DatabaseKind kind = target.databaseKind();
    // The window's columns: the added ones too while "More columns" is on.
    const DatabaseInfo& info = DatabaseInfoFor(kind, target.queryState().MoreColumns);
    if (column < 0 || static_cast<std::size_t>(column) >= info.columns.size())
        return;
    const int field = info.columns[static_cast<std::size_t>(column)].sortField;
    const HeaderClick click{field, shift, LimitFieldIsNumeric(kind, field)};
    ApplyChoice(target, dialog, HeaderClickChoice(CurrentSortChoice(target.queryState()), click));
}
