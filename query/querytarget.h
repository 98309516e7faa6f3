#pragma once

#include "databases/databaseinfo.h"
#include "protocol/pagefetcher.h"
#include "protocol/pagerequest.h"
#include "protocol/querystate.h"

class DrawGrid;
class QWidget;
struct HiddenColumns;

// What the query operations (reset, sort, select, limit, column hiding,
// colour options) need of a statistics view. The view window implements it.
// Calls marked "waits" pump the event loop: the user may close the view
// during them, so callers guard the view with a QPointer on window() and
// touch nothing once it is gone.
class QueryTarget {
public:
    virtual ~QueryTarget() = default;

    // Which database the view shows.
    virtual DatabaseKind databaseKind() const = 0;
    // The view's window: parent for dialogs, object for guards.
    virtual QWidget* window() = 0;
    // The view's query state, sent with every page and list request.
    virtual QueryState& queryState() = 0;
    // Waits. Busy indication, the page at the grid's current top row with host
    // fail-over, row count, "Total Lines: " label and band pass. When every
    // host fails the view shows its message and stays open. Returns false
    // when the view was closed during the wait.
    virtual bool refreshView() = 0;
    // The band pass alone: label, row bands from the current band setting,
    // repaint.
    virtual void runBandPass() = 0;
    // Waits. A list request of `kind` narrowed by the current selections,
    // with the list fail-over; shows the busy indication while it waits.
    virtual ListResult requestList(ListKind kind) = 0;
    // The busy indication (hourglass and animation), for operations that
    // run several steps under one indication; calls nest.
    virtual void startBusy() = 0;
    virtual void stopBusy() = 0;
    // The view's grid: row count, current cell, column widths.
    virtual DrawGrid* grid() = 0;
    // The columns the user has hidden in this view.
    virtual HiddenColumns& hiddenColumns() = 0;
    // Waits. The value of limit field `field` in the first row of the current
    // query sorted by that field, most first (one row asked for; the totals
    // record left aside), as the grid shows it: the largest value the result
    // holds. Empty when no row has one or no host answers. Changes neither
    // the view's rows nor its query.
    virtual QString largestValue(int field) = 0;
};
