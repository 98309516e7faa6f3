#pragma once

#include "query/querydispatch.h"
#include "query/selectionitems.h"

class QMdiArea;
class QueryTarget;
class TBtnBottomDlg;
class TBtnRightDlg;
class TBtnRightDlg1;
class TForm10;
class TForm11;
class TForm6;

// The single-instance dialogs the query commands use; all live for the run.
struct QueryDialogs {
    TForm6* sort = nullptr;
    TBtnRightDlg1* select = nullptr;
    TBtnRightDlg* limit = nullptr;
    TForm11* unhide = nullptr;
    TBtnBottomDlg* colors = nullptr;
    TForm10* fielderColors = nullptr;
};

// Back to the initial query: sort code 300 (Teams too), every multi-key
// sort off, no selections, 250 rows, then the page, repaint and band pass.
void ResetQuery(QueryTarget& target);

// Runs the Sort dialog for the view; on OK stores the chosen sort codes
// (selections kept) and fetches the page. Cancel changes nothing.
void SortRecords(QueryTarget& target, TForm6& dialog);

// Asks the service for the pick list of `what`, lets the user tick lines and
// appends them as one group (Player and Position put the sort back to 300
// first). A failed list request or a too short reply ends quietly; Cancel
// runs the band pass only; a group that would pass the 500 items is refused
// with a message and nothing changes.
void SelectRecords(QueryTarget& target, TBtnRightDlg1& dialog, SelectWhat what);

// Runs the Limit dialog (on `startField`, else on the first field); on OK
// appends the limit item and "*" and fetches. Cancel, or no room for the
// group (refused with a message), changes nothing. The dialog's Maximum box
// learns the largest value of a numeric field from the view (largestValue)
// when the field is chosen, so that the default bound removes no row.
void LimitRecords(QueryTarget& target, TBtnRightDlg& dialog, int startField = 0);

// Runs the colour dialog for the view by its whole caption; on OK the
// dialog has stored the setting and the view's band pass runs.
void ColorOptions(QueryTarget& target, TBtnBottomDlg& colors, TForm10& fielderColors);

// The menu entry point: finds the view `command` reaches in `area` and runs
// the command on it with `dialogs`; does nothing when no view is reached.
void RunQueryCommand(QueryCommand command, QMdiArea* area, const QueryDialogs& dialogs);
