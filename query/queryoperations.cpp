#include "query/queryoperations.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "platform/drawgrid.h"
#include "query/columnhiding.h"
#include "query/querytarget.h"
#include "query/sortcodes.h"
#include "query/tbtnbottomdlg.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "query/tform10.h"
#include "query/tform11.h"
#include "query/tform6.h"

namespace {

bool GroupFits(const QueryState& state, std::size_t items) {
    return static_cast<std::size_t>(state.SelectionCount) + items + 1 <=
           static_cast<std::size_t>(QueryState::MaxSelectionItems);
}

void RefuseFullSelection(QueryTarget& target) {
    QMessageBox::warning(target.window(), target.window()->windowTitle(), SelectionFullMessage());
}

// Fetches the page for the changed state; false when the view closed meanwhile.
bool Refresh(QueryTarget& target) {
    return target.refreshView();
}

} // namespace

void ResetQuery(QueryTarget& target) {
    QueryState& state = target.queryState();
    ResetSortCodes(state);
    target.startBusy();
    state.SelectionCount = 0;
    if (DrawGrid* grid = target.grid())
        grid->setRowCount(250);
    if (!Refresh(target))
        return;
    if (DrawGrid* grid = target.grid())
        grid->viewport()->update();
    target.runBandPass();
    target.stopBusy();
}

void SortRecords(QueryTarget& target, TForm6& dialog) {
    QPointer<QWidget> view = target.window();
    const DatabaseInfo& info =
        DatabaseInfoFor(target.databaseKind(), target.queryState().MoreColumns);
    dialog.Prepare(info.sortCaption, info.sortFields);
    if (dialog.exec() != QDialog::Accepted || view.isNull())
        return;
    target.startBusy();
    ApplySortCodes(target.queryState(), ComputeSortCodes(dialog.Choice()));
    if (!Refresh(target))
        return;
    target.stopBusy();
}

void SelectRecords(QueryTarget& target, TBtnRightDlg1& dialog, SelectWhat what) {
    const DatabaseKind database = target.databaseKind();
    const std::optional<QString> caption = SelectCaption(database, what);
    if (!caption)
        return;
    const SelectKind kind = SelectKindOf(what);
    QPointer<QWidget> view = target.window();
    target.startBusy();
    dialog.Prepare(*caption, {});
    const ListResult list = target.requestList(kind.list);
    if (view.isNull())
        return;
    if (list.result != FetchResult::Done) {
        target.stopBusy();
        return;
    }
    dialog.Prepare(*caption, list.entries);
    target.stopBusy();
    if (dialog.exec() != QDialog::Accepted) {
        if (!view.isNull())
            target.runBandPass();
        return;
    }
    if (view.isNull())
        return;
    const std::vector<std::string> group = SelectionGroup(kind.itemLetter, dialog.Ticked());
    QueryState& state = target.queryState();
    if (!GroupFits(state, group.size())) {
        RefuseFullSelection(target);
        return;
    }
    if (kind.resetsSort)
        ResetSortCodes(state);
    target.startBusy();
    state.AppendGroup(group);
    if (!Refresh(target))
        return;
    target.stopBusy();
}

void LimitRecords(QueryTarget& target, TBtnRightDlg& dialog, int startField) {
    const DatabaseKind database = target.databaseKind();
    QPointer<QWidget> view = target.window();
    dialog.Prepare(LimitCaption(database),
                   DatabaseInfoFor(database, target.queryState().MoreColumns).sortFields);
    dialog.Arrange();
    dialog.SetLimitDatabase(database);
    dialog.SetStartField(startField);
    dialog.SetLargestValue([&target, view](int field) {
        return view.isNull() ? QString() : target.largestValue(field);
    });
    const int result = dialog.exec();
    dialog.SetLargestValue(nullptr);
    if (result != QDialog::Accepted || view.isNull())
        return;
    const int field = dialog.SelectedField();
    if (field < 0)
        return;
    QueryState& state = target.queryState();
    if (!GroupFits(state, 1)) {
        RefuseFullSelection(target);
        return;
    }
    target.startBusy();
    state.AppendGroup({LimitItem(field, dialog.Edit1->text(), dialog.Edit2->text())});
    if (!Refresh(target))
        return;
    target.runBandPass();
    target.stopBusy();
}

void ColorOptions(QueryTarget& target, TBtnBottomDlg& colors, TForm10& fielderColors) {
    const std::optional<DatabaseKind> kind =
        DispatchTarget(QueryCommand::ColorOptions, target.window()->windowTitle(), true);
    if (!kind)
        return;
    QPointer<QWidget> view = target.window();
    int result = QDialog::Rejected;
    if (*kind == DatabaseKind::Fielders) {
        result = fielderColors.exec();
    } else {
        colors.Relabel(*kind);
        result = colors.exec();
    }
    if (result == QDialog::Accepted && !view.isNull() && target.databaseKind() == *kind)
        target.runBandPass();
}

void RunQueryCommand(QueryCommand command, QMdiArea* area, const QueryDialogs& dialogs) {
    QueryTarget* target = QueryTargetFor(area, command);
    if (target == nullptr)
        return;
    switch (command) {
    case QueryCommand::SelectPlayer:
    case QueryCommand::SelectTeam:
    case QueryCommand::SelectYear:
    case QueryCommand::SelectLeague:
    case QueryCommand::SelectPosition: {
        static constexpr SelectWhat kinds[] = {SelectWhat::Player, SelectWhat::Team,
                                               SelectWhat::Year, SelectWhat::League,
                                               SelectWhat::Position};
        if (dialogs.select != nullptr)
            SelectRecords(*target, *dialogs.select, kinds[static_cast<int>(command)]);
        break;
    }
    case QueryCommand::Sort:
        if (dialogs.sort != nullptr)
            SortRecords(*target, *dialogs.sort);
        break;
    case QueryCommand::Limit:
        if (dialogs.limit != nullptr)
            LimitRecords(*target, *dialogs.limit);
        break;
    case QueryCommand::Reset:
        ResetQuery(*target);
        break;
    case QueryCommand::Unhide:
        if (dialogs.unhide != nullptr)
            UnhideColumns(*target, *dialogs.unhide);
        break;
    case QueryCommand::ColorOptions:
        if (dialogs.colors != nullptr && dialogs.fielderColors != nullptr)
            ColorOptions(*target, *dialogs.colors, *dialogs.fielderColors);
        break;
    }
}
