#pragma once

#include <array>
#include <deque>
#include <memory>

#include <QElapsedTimer>
#include <QPen>
#include <QTimer>
#include <QWidget>

#include "platform/bannerimage.h"
#include "platform/drawgrid.h"
#include "platform/fixedpitchtext.h"
#include "protocol/pagefetcher.h"
#include "query/hiddencolumns.h"
#include "query/queryhistory.h"
#include "query/querytarget.h"
#include "views/titlemarks.h"
#include "views/viewrecords.h"

class BusyAnimation;
class BusyCursor;
class QHelpEvent;
class QLabel;
class QPainter;
class QueryTextLabel;
class RankHeader;

// The message a window shows when no host gave it its page: the failure's
// own message, led, when no host could even be reached (every connection
// refused or unresolved), by what to do: no statistics service answered at
// the addresses tried, and bbstatsd is the service that serves them.
QString RefreshFailureText(const RefreshResult& outcome);

// The window of one statistics database: a virtual grid over the database's
// page cache that asks the service for exactly the visible rows whenever its
// top row or the query changes, a "Total Lines: " label, the busy animation
// and the site link label. The record type lives behind ViewRecords, so the
// four database windows are this one class with different tables.
//
// The view frees itself (and the MDI sub-window holding it) when closed. A
// view closed while one of its requests waits drops its exchange at once, so
// the request ends; the window is freed once that request has unwound.
class StatisticsView : public QWidget, public QueryTarget {
    Q_OBJECT
public:
    // Creates the view of `kind` on `hosts` (its requests start on the
    // second mirror) and runs FormCreate. No request is sent yet.
    StatisticsView(DatabaseKind kind, const ServiceHosts& hosts, QWidget* parent = nullptr);
    ~StatisticsView() override;

    // QueryTarget. A refresh asked for while this view's page request waits
    // returns true at once; the page is fetched again, at the grid's top row
    // of that moment, as soon as the waiting request returns.
    DatabaseKind databaseKind() const override { return m_kind; }
    QWidget* window() override { return this; }
    QueryState& queryState() override { return m_records->exchange().State(); }
    bool refreshView() override;
    void runBandPass() override;
    ListResult requestList(ListKind kind) override;
    void startBusy() override;
    void stopBusy() override;
    DrawGrid* grid() override { return DrawGrid1; }
    HiddenColumns& hiddenColumns() override { return m_hiddenColumns; }
    // Asked of the host the view's pages come from, failing over as they do.
    QString largestValue(int field) override;

    // The view's HTTP client; its URL holds the current service address.
    THttpCli& HttpCli1() { return m_records->exchange().HttpCli1(); }
    // The page exchange and the record cells (read by tests and printing).
    PageExchange& exchange() { return m_records->exchange(); }
    const ViewRecords& records() const { return *m_records; }
    // The top row of the last page fetched.
    int LastTopRow() const { return m_lastTopRow; }
    // Whether a page or list request of this view is waiting.
    bool isFetching() const { return m_waiting > 0; }
    // Whether a row the grid shows whole lacks its record of the shown query
    // (never fetched for it, or rewritten since by another query's page).
    bool visibleRowsMissing() const;
    // Waits when rows are missing (visibleRowsMissing): fetches the page the
    // grid shows. False when the view closed meanwhile; after a failed fetch
    // (its message shown) the rows stay blank and the result is true.
    bool fetchVisibleRows();
    // Undoes the last step: a column hidden by double-click shows again at
    // its width, or (waiting) the query steps back to before the last Sort,
    // Select, Limit or Reset and the page is fetched. False when there is
    // no step back.
    bool undoQuery();
    // Whether undoQuery has a step back.
    bool canUndo() const;
    // Shows `text` on the window's status line (StatusText), its whole text
    // also as the tooltip.
    void showStatus(const QString& text);
    // The whole value of the cell at (`col`, `row`) when the cell shows it
    // narrowed or not at all (a number too long for its column); empty when
    // the cell shows it as it is.
    QString cellToolTip(int col, int row) const;
    // Gives the grid the columns of the view's tables (the "More columns"
    // option's ones while it is on, each at its width; hidden ones that go
    // leave the hidden list) and shows the rank header while it is on.
    void applyColumns();
    // The query states Undo steps back to.
    const QueryHistory& queryHistory() const { return m_history; }

    // Design rows of the grid before the first reply: enough for any window.
    static constexpr int DesignRowCount = 1000;
    // Milliseconds a request waits before the busy animation shows (the
    // hourglass shows at once).
    static constexpr int BusyAnimationDelay = 100;

    // Handlers.
    void FormCreate();
    // Announces the activation to the main window (viewActivated).
    void FormActivate();
    // Lays the window out for its outer size.
    void ResizeMe();
    // Fetches the page at the new top row when the top row changed.
    void DrawGrid1TopLeftChanged();
    void DrawGrid1DrawCell(QPainter* painter, int col, int row, const QRect& rect,
                           DrawGrid::CellState state);
    // Hides the double-clicked column (fixed columns stay), announcing it
    // first (columnHideRequested).
    void DrawGrid1DblClick(int col, int row);
    // The closing steps: announces the close once, then frees the window
    // (after the waiting request when one waits).
    void FormDest();

    DrawGrid* DrawGrid1 = nullptr;
    QLabel* Label1 = nullptr; // "Total Lines: " and the record count
    BusyAnimation* Animate1 = nullptr;
    QLabel* Label2 = nullptr; // site link
    QLabel* Label3 = nullptr; // banner caption (not shown)
    // The query in words, elided, under the record count; the whole text
    // is its tooltip.
    QueryTextLabel* QueryText = nullptr;
    // The window's status line, right of the site link: what the last
    // command that ran on its own (an export) did.
    QLabel* StatusText = nullptr;
    // The rank of each row, left of the grid; shown while "More columns" is on.
    RankHeader* RankHeader1 = nullptr;
    // The two 468 x 60 banners, left and right; hidden until the main
    // window's banner rotation takes the view.
    BannerImage* Image1 = nullptr;
    BannerImage* Image2 = nullptr;

signals:
    // The view became the active child window.
    void viewActivated(DatabaseKind kind);
    // The view is closing after being open `msOpen` milliseconds (from the
    // end of its creation).
    void viewClosed(DatabaseKind kind, qint64 msOpen);
    // The user chose the site link label (`Label2`).
    void siteLinkClicked(DatabaseKind kind);
    // The user double-clicked a cell of `column`, which is hidden next.
    void columnHideRequested(int column);
    // A page of the current query arrived and is shown (after every Sort,
    // Select, Limit, Reset and Undo, and after scrolling).
    void pageShown();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFailure(const QString& message);
    // The grid's left edge: right of the rank header while it shows.
    int gridLeft();
    // Fetches the page when the grid shows rows the shown query has no
    // records for (after a resize or a change of the row count); asked for
    // from the event loop, never while the grid is being laid out.
    void fetchMissingRows();
    void queueMissingRowsCheck();
    void noteUndoStep(int column);
    void showCellToolTip(QHelpEvent* event);
    // Draws the sort key mark of column `col` in its title row `row` when
    // the column's field is a key of the query.
    void drawSortMark(QPainter* painter, int col, int row, const QRect& rect);
    void showQueryText();
    void freeWindow();
    QSize outerSize() const;

    DatabaseKind m_kind;
    ServiceHosts m_hosts;
    std::unique_ptr<ViewRecords> m_records;
    HiddenColumns m_hiddenColumns;
    QueryHistory m_history;
    // Undo steps newest last: a hidden column's number, or -1 for a step of
    // the query history.
    std::deque<int> m_undoSteps;
    FixedPitchText m_text;
    TitleMarks m_titleMarks;
    std::array<QPen, 3> m_inkPens; // by CellInk
    std::unique_ptr<BusyCursor> m_busyCursor;
    QTimer m_animationDelay;
    QElapsedTimer m_openTime;
    int m_busyDepth = 0;
    int m_waiting = 0;
    int m_lastTopRow = 2;
    bool m_fetching = false;
    bool m_refetch = false;
    bool m_checkQueued = false;
    bool m_closed = false;
};
