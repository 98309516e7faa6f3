#include "views/statisticsview.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QToolTip>

#include "platform/bannerimage.h"
#include "platform/busyanimation.h"
#include "platform/busycursor.h"
#include "query/bandsettings.h"
#include "query/columncommands.h"
#include "query/columnhiding.h"
#include "query/querydescription.h"
#include "views/querytextlabel.h"
#include "views/rankheader.h"
#include "views/titlemarks.h"
#include "views/viewcell.h"

namespace {

QFont gridFont() {
    return QFont(QStringLiteral("Courier New"), 8);
}

bool holdsHidden(const HiddenColumns& hidden, int column) {
    for (const HiddenColumn& entry : hidden.entries) {
        if (entry.column == column) {
            return true;
        }
    }
    return false;
}

} // namespace

StatisticsView::StatisticsView(DatabaseKind kind, const ServiceHosts& hosts, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_hosts(hosts), m_records(MakeViewRecords(kind, hosts)),
      m_history(m_records->exchange().State()), m_text(gridFont()) {
    const DatabaseInfo& info = m_records->info();
    setWindowTitle(info.caption);
    resize(900, 600);

    DrawGrid1 = new DrawGrid(this);
    DrawGrid1->setObjectName(QStringLiteral("DrawGrid1"));
    DrawGrid1->setFont(gridFont());
    // Keys reach the grid whenever the window has the focus.
    setFocusProxy(DrawGrid1);
    Label1 = new QLabel(QStringLiteral("Lines = 0"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Animate1 = new BusyAnimation(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->hide();
    StatusText = new QLabel(this);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    QueryText = new QueryTextLabel(this);
    QueryText->setObjectName(QStringLiteral("QueryText"));
    RankHeader1 = new RankHeader(
        DrawGrid1, [this] { return m_records->shownRecords(); }, this);
    RankHeader1->setObjectName(QStringLiteral("RankHeader1"));
    RankHeader1->hide();
    Image1 = new BannerImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->hide();
    Image2 = new BannerImage(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->hide();

    m_animationDelay.setSingleShot(true);
    m_animationDelay.setInterval(BusyAnimationDelay);
    connect(&m_animationDelay, &QTimer::timeout, Animate1, &BusyAnimation::start);

    DrawGrid1->installEventFilter(this);
    DrawGrid1->viewport()->installEventFilter(this);
    connect(DrawGrid1, &DrawGrid::topLeftChanged, this, &StatisticsView::DrawGrid1TopLeftChanged);
    connect(DrawGrid1, &DrawGrid::drawCell, this, &StatisticsView::DrawGrid1DrawCell);
    connect(DrawGrid1, &DrawGrid::cellDoubleClicked, this, &StatisticsView::DrawGrid1DblClick);
    FormCreate();
    m_openTime.start();
}

StatisticsView::~StatisticsView() = default;

void StatisticsView::FormCreate() {
    const DatabaseInfo& info = m_records->info();
    const int columns = static_cast<int>(info.columns.size());
    DrawGrid1->setColCount(columns);
    DrawGrid1->setRowCount(DesignRowCount);
    DrawGrid1->setFixedRows(2);
    DrawGrid1->setFixedCols(info.fixedColumns);
    for (int col = 0; col < columns; ++col) {
        DrawGrid1->setColWidth(col, info.columns[static_cast<std::size_t>(col)].pixels);
    }
    // The Fielders grid lets the user reorder its columns; the others let
    // the user size them.
    const bool fielders = m_kind == DatabaseKind::Fielders;
    DrawGrid1->setColMoving(fielders);
    DrawGrid1->setColSizing(!fielders);
    DrawGrid1->setCurrentCell(info.fixedColumns, 2);
    m_lastTopRow = DrawGrid1->topRow();
    Animate1->stop();
    Label1->setText(QStringLiteral("Total Lines: -1"));

    const QSize outer = outerSize();
    DrawGrid1->setGeometry(0, 0, std::max(outer.width() - 30, 0), std::max(outer.height() - 70, 0));
    Label1->move(8, outer.height() - 50);
}

void StatisticsView::FormActivate() {
    emit viewActivated(m_kind);
}

QSize StatisticsView::outerSize() const {
    // Inside the main window the view fills an MDI sub-window, whose frame
    // is the window's outer size.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        return frame->size();
    }
    return size();
}

void StatisticsView::ResizeMe() {
    const QSize outer = outerSize();
    const int h = outer.height();
    const int w = outer.width();
    const int left = gridLeft();
    DrawGrid1->setGeometry(left, 0, std::max(w - 30 - left, 0), std::max(h - 132, 0));
    RankHeader1->setGeometry(0, 0, left, std::max(h - 132, 0));
    Label1->setGeometry(8, h - 60, 180, 16);
    Animate1->move(196, h - 60);
    Label2->setGeometry(300, h - 60, 260, 16);
    Label3->setGeometry(568, h - 60, 260, 16);
    StatusText->setGeometry(568, h - 60, std::max(w - 606, 0), 16);
    Image1->setGeometry(8, h - 122, 468, 60);
    Image2->setGeometry(484, h - 122, 468, 60);
    // Below the labels' row, in the strip the layout leaves free above the
    // frame's lower edge.
    QueryText->setGeometry(8, h - 44, std::max(w - 46, 0), 14);
}

void StatisticsView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ResizeMe();
}

void StatisticsView::startBusy() {
    if (m_busyDepth++ == 0) {
        m_busyCursor = std::make_unique<BusyCursor>();
        // The animation shows only once the wait lasts: a request answered
        // sooner would cost two repaints of the window for a clip no one
        // sees. The hourglass comes at once and costs no repaint.
        m_animationDelay.start();
    }
}

void StatisticsView::stopBusy() {
    if (m_busyDepth == 0) {
        return;
    }
    if (--m_busyDepth == 0) {
        m_busyCursor.reset();
        m_animationDelay.stop();
        Animate1->stop();
    }
}

bool StatisticsView::refreshView() {
    if (m_closed) {
        return false;
    }
    // One page request at a time: a refresh asked for while one waits (a
    // scroll, or a query command from the menu) is made when it returns, at
    // the grid's top row of that moment.
    if (m_fetching) {
        m_refetch = true;
        return true;
    }
    QPointer<StatisticsView> guard(this);
    m_fetching = true;
    startBusy();
    RefreshResult outcome;
    do {
        m_refetch = false;
        // Scroll bars that a resize made appear or go are settled first: the
        // page holds the rows the grid shows at its final size.
        QCoreApplication::sendPostedEvents(DrawGrid1);
        applyColumns();
        const int top = DrawGrid1->topRow();
        const int rows = DrawGrid1->visibleRowCount();
        if (m_history.note(queryState())) {
            noteUndoStep(-1);
        }
        ++m_waiting;
        outcome = m_records->exchange().RefreshView(top - 2, rows);
        if (!guard) {
            return false;
        }
        --m_waiting;
        if (m_closed || outcome.result == FetchResult::Closed) {
            m_fetching = false;
            stopBusy();
            freeWindow();
            return false;
        }
        if (outcome.result == FetchResult::Done) {
            m_lastTopRow = top;
            m_records->pageArrived();
            // May clamp the top row, which asks for another page.
            DrawGrid1->setRowCount(m_records->shownRecords() + 3);
            runBandPass();
            showQueryText();
            // A new row count can show more rows than were asked for (a
            // result grown from a few rows, a scroll bar gone): those rows
            // are fetched too, once, at the grid's new top and size.
            QCoreApplication::sendPostedEvents(DrawGrid1);
            if (!m_refetch && visibleRowsMissing() &&
                (DrawGrid1->topRow() != top || DrawGrid1->visibleRowCount() != rows)) {
                m_refetch = true;
            }
        }
    } while (m_refetch && outcome.result == FetchResult::Done);
    m_fetching = false;
    stopBusy();
    if (outcome.result == FetchResult::Done) {
        emit pageShown();
    }
    if (outcome.result == FetchResult::Failed) {
        showFailure(RefreshFailureText(outcome));
        if (!guard) {
            return false;
        }
    }
    return true;
}

void StatisticsView::noteUndoStep(int column) {
    m_undoSteps.push_back(column);
    // Room for every step the query history keeps and as many hidden
    // columns; older steps are forgotten.
    if (m_undoSteps.size() > 2 * QueryHistory::Depth) {
        m_undoSteps.pop_front();
    }
}

bool StatisticsView::canUndo() const {
    for (const int column : m_undoSteps) {
        if (column < 0 ? m_history.size() > 0 : holdsHidden(m_hiddenColumns, column)) {
            return true;
        }
    }
    return false;
}

bool StatisticsView::undoQuery() {
    if (m_closed) {
        return false;
    }
    while (!m_undoSteps.empty()) {
        const int column = m_undoSteps.back();
        m_undoSteps.pop_back();
        if (column >= 0) {
            // A column shown again meanwhile (Unhide column) has nothing to
            // undo: the step before it is taken instead.
            const QList<HiddenColumn>& entries = m_hiddenColumns.entries;
            for (int row = 0; row < entries.size(); ++row) {
                if (entries[row].column == column) {
                    for (const auto& [col, width] : TakeHiddenColumns(m_hiddenColumns, {row})) {
                        DrawGrid1->setColWidth(col, width);
                    }
                    return true;
                }
            }
            continue;
        }
        std::optional<QueryState> previous = m_history.undo();
        if (!previous) {
            continue;
        }
        queryState() = std::move(*previous);
        refreshView();
        return true;
    }
    return false;
}

void StatisticsView::showStatus(const QString& text) {
    StatusText->setText(text);
    StatusText->setToolTip(text);
}

void StatisticsView::showQueryText() {
    QueryText->setFullText(DescribeQuery(m_kind, queryState()));
}

void StatisticsView::showFailure(const QString& message) {
    QMessageBox::warning(this, windowTitle(), message);
}

void StatisticsView::runBandPass() {
    if (m_records->shownRecords() >= 0) {
        Label1->setText(m_records->exchange().TotalLinesLabel());
    }
    m_records->runBandPass(BandSettingsFor(m_kind).BandMode);
    DrawGrid1->viewport()->update();
    if (RankHeader1->isVisible()) {
        // The ranks' width follows the result's size.
        if (RankHeader1->width() != gridLeft()) {
            ResizeMe();
        }
        RankHeader1->update();
    }
}

void StatisticsView::applyColumns() {
    const DatabaseInfo& info = m_records->info();
    const int columns = static_cast<int>(info.columns.size());
    const int shown = DrawGrid1->colCount();
    const bool ranks = queryState().MoreColumns;
    if (shown != columns) {
        m_hiddenColumns.entries.removeIf(
            [columns](const HiddenColumn& entry) { return entry.column >= columns; });
        DrawGrid1->setColCount(columns);
        for (int col = shown; col < columns; ++col) {
            DrawGrid1->setColWidth(col, info.columns[static_cast<std::size_t>(col)].pixels);
        }
    }
    if (RankHeader1->isVisibleTo(this) != ranks) {
        RankHeader1->setVisible(ranks);
        ResizeMe();
    }
}

int StatisticsView::gridLeft() {
    return RankHeader1 != nullptr && queryState().MoreColumns
               ? RankHeader1->widthFor(m_records->shownRecords())
               : 0;
}

ListResult StatisticsView::requestList(ListKind kind) {
    if (m_closed) {
        return {FetchResult::Closed, {}};
    }
    QPointer<StatisticsView> guard(this);
    startBusy();
    ++m_waiting;
    ListResult result = m_records->exchange().RequestList(kind);
    if (!guard) {
        result.result = FetchResult::Closed;
        return result;
    }
    --m_waiting;
    stopBusy();
    if (m_closed) {
        result.result = FetchResult::Closed;
        if (!m_fetching) {
            freeWindow();
        }
    }
    return result;
}

QString StatisticsView::largestValue(int field) {
    if (m_closed) {
        return {};
    }
    // The host that answered the view's last page first.
    const QString url = HttpCli1().URL();
    const QString current = url.left(url.indexOf(QLatin1Char('/')));
    ServiceHosts hosts = m_hosts;
    if (current == m_hosts.Mirror3) {
        std::swap(hosts.Mirror2, hosts.Mirror3);
    } else if (current == m_hosts.Primary) {
        hosts = ServiceHosts{m_hosts.Mirror2, m_hosts.Primary, m_hosts.Mirror3};
    }
    QPointer<StatisticsView> guard(this);
    startBusy();
    ++m_waiting;
    QString value = m_records->firstValueSortedBy(queryState(), field, hosts);
    if (!guard) {
        return {};
    }
    --m_waiting;
    stopBusy();
    if (m_closed) {
        if (!m_fetching) {
            freeWindow();
        }
        return {};
    }
    return value;
}

bool StatisticsView::visibleRowsMissing() const {
    const int shown = m_records->shownRecords();
    const int first = DrawGrid1->topRow() - 2;
    const int end = std::min(first + DrawGrid1->visibleRowCount(), shown);
    for (int position = std::max(first, 0); position < end; ++position) {
        if (!m_records->isFetched(position)) {
            return true;
        }
    }
    return false;
}

bool StatisticsView::fetchVisibleRows() {
    if (m_closed) {
        return false;
    }
    if (m_records->shownRecords() < 0 || !visibleRowsMissing()) {
        return true;
    }
    QPointer<StatisticsView> guard(this);
    return refreshView() && guard && !m_closed;
}

void StatisticsView::queueMissingRowsCheck() {
    if (m_checkQueued || m_closed) {
        return;
    }
    m_checkQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_checkQueued = false;
        fetchMissingRows();
    });
}

void StatisticsView::fetchMissingRows() {
    // Before the first reply the open command fetches; a failed fetch is
    // not retried on its own, only by the user's next step.
    if (m_closed || m_records->shownRecords() < 0 || !visibleRowsMissing()) {
        return;
    }
    if (m_fetching) {
        m_refetch = true;
        return;
    }
    DrawGrid1->setInputBlocked(true);
    if (!refreshView()) {
        return;
    }
    DrawGrid1->setInputBlocked(false);
}

void StatisticsView::DrawGrid1TopLeftChanged() {
    // Scrolling sideways leaves the top row as it was and fetches nothing.
    if (m_closed || DrawGrid1->topRow() == m_lastTopRow) {
        return;
    }
    if (m_fetching) {
        m_refetch = true;
        return;
    }
    // No input reaches the grid while its page is on the way. Disabling it
    // would also take the keyboard focus from it (and repaint it twice), so
    // its input is blocked instead.
    DrawGrid1->setInputBlocked(true);
    if (!refreshView()) {
        return;
    }
    DrawGrid1->setInputBlocked(false);
}

void StatisticsView::DrawGrid1DrawCell(QPainter* painter, int col, int row, const QRect& rect,
                                       DrawGrid::CellState state) {
    const ViewCell cell = ViewCellAt(*m_records, col, row);
    if (row < DrawGrid1->fixedRows()) {
        drawSortMark(painter, col, row, rect);
    }
    if (cell.text.isEmpty()) {
        return;
    }
    // A selected cell keeps the grid's highlight text colour, readable on
    // the highlight whatever the band colours are.
    if (!(state & DrawGrid::Selected)) {
        const BandSettings& bands = BandSettingsFor(m_kind);
        QColor color = Qt::black;
        if (cell.ink == CellInk::FirstBand) {
            color = bands.firstColor();
        } else if (cell.ink == CellInk::SecondBand) {
            color = bands.secondColor();
        }
        // A pen per ink, made again only when the colour options change: a
        // pen made from a colour costs an allocation, once a cell.
        QPen& pen = m_inkPens[static_cast<std::size_t>(cell.ink)];
        if (pen.color() != color) {
            pen = QPen(color);
        }
        painter->setPen(pen);
    }
    m_text.draw(painter, QRectF(rect), m_text.fit(cell.text, rect.width()));
}

void StatisticsView::drawSortMark(QPainter* painter, int col, int row, const QRect& rect) {
    const auto& columns = m_records->info().columns;
    if (col >= 0 && static_cast<std::size_t>(col) < columns.size()) {
        m_titleMarks.draw(painter, rect, row, columns[static_cast<std::size_t>(col)],
                          CurrentSortChoice(queryState()), m_text.advance());
    }
}

void StatisticsView::DrawGrid1DblClick(int col, int row) {
    Q_UNUSED(row);
    emit columnHideRequested(col);
    const bool wasHidden = holdsHidden(m_hiddenColumns, col);
    HideColumn(*this, col);
    if (!wasHidden && holdsHidden(m_hiddenColumns, col)) {
        noteUndoStep(col);
    }
}

QString StatisticsView::cellToolTip(int col, int row) const {
    const QString text = ViewCellAt(*m_records, col, row).text;
    const QRect rect = DrawGrid1->cellRect(col, row);
    if (text.isEmpty() || rect.isEmpty()) {
        return QString();
    }
    const CellFit fit = m_text.fit(text, rect.width());
    return fit.cut || fit.narrow ? text.trimmed() : QString();
}

void StatisticsView::showCellToolTip(QHelpEvent* event) {
    int col = -1;
    int row = -1;
    const QString tip =
        DrawGrid1->cellAt(event->pos(), &col, &row) ? cellToolTip(col, row) : QString();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(event->globalPos(), tip, DrawGrid1->viewport(),
                       DrawGrid1->cellRect(col, row));
}

void StatisticsView::closeEvent(QCloseEvent* event) {
    event->accept();
    FormDest();
}

bool StatisticsView::eventFilter(QObject* watched, QEvent* event) {
    // A grid grown by a resize or a maximise shows rows no page brought.
    if (watched == DrawGrid1 && event->type() == QEvent::Resize) {
        queueMissingRowsCheck();
    }
    if (watched == DrawGrid1->viewport() && event->type() == QEvent::ToolTip) {
        showCellToolTip(static_cast<QHelpEvent*>(event));
        return true;
    }
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit siteLinkClicked(m_kind);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void StatisticsView::FormDest() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    // Announced before the window hides: hiding activates the next child
    // window, whose menu settings must come after this view's.
    emit viewClosed(m_kind, m_openTime.elapsed());
    hide();
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->hide();
    }
    if (m_waiting > 0) {
        // Dropping the exchange ends its waiting request, which returns
        // Closed; the window is freed when that request has unwound. A fresh
        // exchange keeps the accessors valid until then.
        m_records = MakeViewRecords(m_kind, m_hosts);
        return;
    }
    freeWindow();
}

void StatisticsView::freeWindow() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->deleteLater();
    } else {
        deleteLater();
    }
}
