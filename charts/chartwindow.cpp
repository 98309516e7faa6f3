#include "charts/chartwindow.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include "charts/chartfetch.h"
#include "platform/dialogfolder.h"
#include "protocol/pagerequest.h"
#include "query/querydescription.h"
#include "views/statisticsview.h"

namespace {

// Line colours, one per player (six at most).
const QColor kLineColours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                               QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                               QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b)};

// A value axis over [low, high] with some room, never a zero-wide range.
void SetRange(QValueAxis* axis, double low, double high) {
    if (low > high) {
        low = 0;
        high = 1;
    }
    if (low == high) {
        low -= 1;
        high += 1;
    }
    axis->setRange(low, high);
    axis->applyNiceNumbers();
}

// Ticks of a count axis at whole steps, labelled without decimals: 60, not
// 60.0.
void WholeNumberTicks(QValueAxis* axis) {
    const double low = std::floor(axis->min());
    const double high = std::ceil(axis->max());
    axis->setRange(low, high);
    const double step = std::max(1.0, std::ceil((high - low) / 8.0));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    axis->setLabelFormat(QStringLiteral("%d"));
}

// The start of a picture's file name: what the chart is.
QString FileStem(const ChartModel& model) {
    return model.fileStem.isEmpty() ? QStringLiteral("chart") : model.fileStem;
}

// A value as the tooltip shows it: counts whole, others as the grid would.
QString ValueText(double value, bool whole) {
    return whole ? QString::number(qRound64(value)) : QString::number(value, 'g', 6);
}

QString SaveFailure(const QString& path, const QString& reason) {
    return QStringLiteral("The chart could not be written to \"%1\": %2.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

ChartWindow::ChartWindow(StatisticsView* view, int column, const ServiceHosts& hosts)
    : QWidget(view, Qt::Window), m_view(view), m_hosts(hosts), m_column(column) {
    setObjectName(QStringLiteral("ChartWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    const DatabaseKind kind = view->databaseKind();
    setWindowTitle(QStringLiteral("Chart - %1").arg(DatabaseInfoFor(kind).caption));

    m_chart = new QChart();
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chartView = new QChartView(m_chart, this);
    m_chartView->setObjectName(QStringLiteral("ChartView"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumSize(640, 420);

    m_columns = new QComboBox(this);
    m_columns->setObjectName(QStringLiteral("ChartColumn"));
    // The window's columns, the "More columns" option's ones included when on.
    const auto columns = DatabaseInfoFor(kind, view->queryState().MoreColumns).columns;
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        if (IsChartableColumn(kind, c)) {
            m_columns->addItem(ChartAxisTitle(kind, c), c);
            if (c == column)
                m_columns->setCurrentIndex(m_columns->count() - 1);
        }
    }
    auto* columnLabel = new QLabel(QStringLiteral("C&olumn:"), this);
    columnLabel->setBuddy(m_columns);
    m_png = new QPushButton(QStringLiteral("Export P&NG..."), this);
    m_png->setObjectName(QStringLiteral("ExportPng"));
    m_svg = new QPushButton(QStringLiteral("Export S&VG..."), this);
    m_svg->setObjectName(QStringLiteral("ExportSvg"));
    m_copy = new QPushButton(QStringLiteral("Co&py"), this);
    m_copy->setObjectName(QStringLiteral("CopyChart"));
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("ChartNote"));
    auto* attribution = new QLabel(DataAttributionLine(), this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(columnLabel);
    bar->addWidget(m_columns, 1);
    bar->addWidget(m_png);
    bar->addWidget(m_svg);
    bar->addWidget(m_copy);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_chartView, 1);
    layout->addWidget(m_note);
    layout->addWidget(attribution);
    resize(900, 620);

    connect(m_png, &QPushButton::clicked, this, &ChartWindow::ExportPngClick);
    connect(m_svg, &QPushButton::clicked, this, &ChartWindow::ExportSvgClick);
    connect(m_copy, &QPushButton::clicked, this, &ChartWindow::copyPicture);
    connect(m_columns, &QComboBox::activated, this,
            [this](int index) { setColumn(m_columns->itemData(index).toInt()); });
    // Queued: the window finishes its page before the chart asks for rows.
    connect(view, &StatisticsView::pageShown, this, &ChartWindow::viewPageShown,
            Qt::QueuedConnection);
    connect(view, &StatisticsView::viewClosed, this, &QWidget::close);
}

ChartWindow::~ChartWindow() = default;

StatisticsView* ChartWindow::view() const {
    return m_view.data();
}

QString ChartWindow::queryKey() const {
    if (!m_view)
        return {};
    return QString::fromStdString(PageRequest(m_view->queryState(), 0, 1)) +
           QString::number(m_column);
}

void ChartWindow::viewPageShown() {
    // Scrolling fetches pages of the same query: only a new query redraws.
    if (m_view && queryKey() != m_drawnKey)
        redraw();
}

void ChartWindow::setColumn(int column) {
    if (!IsChartableColumn(m_view ? m_view->databaseKind() : DatabaseKind::Batters, column))
        return;
    m_column = column;
    const int index = m_columns->findData(column);
    if (index >= 0)
        m_columns->setCurrentIndex(index);
    redraw();
}

bool ChartWindow::redraw() {
    if (!m_view)
        return false;
    // One fetch at a time; a redraw asked for meanwhile follows it.
    if (m_fetching) {
        m_again = true;
        return true;
    }
    QPointer<ChartWindow> guard(this);
    m_fetching = true;
    bool drawn = false;
    do {
        m_again = false;
        if (!m_view)
            break;
        const DatabaseKind kind = m_view->databaseKind();
        const QueryState state = m_view->queryState();
        const QString key = queryKey();
        const ChartPlan plan = PlanChart(kind, state, m_view->exchange().TotalRecords());
        const QString words = DescribeQuery(kind, state);
        m_note->setText(QStringLiteral("Fetching the rows..."));
        m_fetcher = MakeChartFetcher(kind, m_hosts);
        // The window's count bounds the rows; before its first reply the
        // first page tells.
        const int cap = plan.mode == ChartMode::Bars ? ChartBarRows : ChartLineRowCap;
        const int wanted = plan.rowsWanted > 0 ? plan.rowsWanted : cap;
        const ChartFetcher::Result result =
            m_fetcher->fetch(ChartQueryState(state, plan.mode), m_column, wanted);
        if (!guard)
            return false;
        m_fetcher.reset();
        if (result.result != FetchResult::Done) {
            m_note->setText(result.message.isEmpty() ? QStringLiteral("The rows did not arrive.")
                                                     : result.message);
            drawn = false;
            continue;
        }
        drawModel(BuildChartModel(kind, m_column, plan, result.rows, result.totalRows, words));
        m_drawnKey = key;
        ++m_drawCount;
        drawn = true;
    } while (m_again && guard);
    if (!guard)
        return false;
    m_fetching = false;
    return drawn;
}

void ChartWindow::drawModel(const ChartModel& model) {
    m_model = model;
    m_chart->removeAllSeries();
    for (QAbstractAxis* axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    m_chart->setTitle(model.title);

    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(model.yTitle);
    m_chart->addAxis(yAxis, Qt::AlignLeft);
    double low = 0;
    double high = 0;
    bool any = false;
    const auto take = [&](double y) {
        low = any ? std::min(low, y) : y;
        high = any ? std::max(high, y) : y;
        any = true;
    };

    if (model.mode == ChartMode::Lines) {
        auto* xAxis = new QValueAxis;
        xAxis->setTitleText(model.xTitle);
        xAxis->setLabelFormat(QStringLiteral("%d"));
        m_chart->addAxis(xAxis, Qt::AlignBottom);
        double first = 0;
        double last = 0;
        bool anyYear = false;
        for (std::size_t s = 0; s < model.series.size(); ++s) {
            const ChartSeriesData& data = model.series[s];
            const QColor colour = kLineColours[s % std::size(kLineColours)];
            bool named = false;
            // A gap ends a line; the player's next run is a new line of
            // the same colour, listed once in the legend.
            for (const std::vector<QPointF>& run : ChartSegments(data)) {
                auto* line = new QLineSeries;
                line->setColor(colour);
                line->setPointsVisible(true);
                line->setName(data.name);
                line->append(QList<QPointF>(run.begin(), run.end()));
                const QString player = data.name;
                const bool whole = model.wholeNumbers;
                connect(line, &QLineSeries::hovered, this,
                        [player, whole](const QPointF& point, bool on) {
                            if (!on) {
                                QToolTip::hideText();
                                return;
                            }
                            QToolTip::showText(QCursor::pos(),
                                               QStringLiteral("%1 %2: %3")
                                                   .arg(player)
                                                   .arg(qRound(point.x()))
                                                   .arg(ValueText(point.y(), whole)));
                        });
                m_chart->addSeries(line);
                line->attachAxis(xAxis);
                line->attachAxis(yAxis);
                if (named) {
                    const auto markers = m_chart->legend()->markers(line);
                    for (QLegendMarker* marker : markers)
                        marker->setVisible(false);
                }
                named = true;
                for (const QPointF& p : run)
                    take(p.y());
            }
            for (const ChartPoint& p : data.points) {
                first = anyYear ? std::min(first, p.x) : p.x;
                last = anyYear ? std::max(last, p.x) : p.x;
                anyYear = true;
            }
        }
        SetRange(xAxis, first, last);
        xAxis->setLabelFormat(QStringLiteral("%d"));
        m_chart->legend()->setVisible(true);
    } else {
        // Bars of the first rows, labelled by player (or club) and season. On
        // their side the labels read across; rank 1 is then at the top, so the
        // categories run from the last row up.
        const std::vector<ChartPoint> none;
        const std::vector<ChartPoint>& points =
            model.series.empty() ? none : model.series.front().points;
        auto* set = new QBarSet(model.series.empty() ? QString() : model.series.front().name);
        set->setColor(kLineColours[0]);
        QStringList labels;
        for (const ChartPoint& p : points) {
            // No value draws no bar; its label says so.
            set->append(p.y.value_or(0.0));
            labels << (p.y ? p.label : p.label + QStringLiteral(" (---)"));
            if (p.y)
                take(*p.y);
        }
        auto* categories = new QBarCategoryAxis;
        categories->setTitleText(model.xTitle);
        // A label is the point of a bar: never cut to "...".
        categories->setTruncateLabels(false);
        QAbstractBarSeries* bars = nullptr;
        if (model.horizontal) {
            QBarSet* reversed = new QBarSet(set->label());
            reversed->setColor(set->color());
            QStringList upward;
            for (qsizetype i = labels.size() - 1; i >= 0; --i) {
                reversed->append(set->at(i));
                upward << labels[i];
            }
            delete set;
            set = reversed;
            labels = upward;
            bars = new QHorizontalBarSeries;
            m_chart->removeAxis(yAxis);
            m_chart->addAxis(yAxis, Qt::AlignBottom);
            m_chart->addAxis(categories, Qt::AlignLeft);
        } else {
            bars = new QBarSeries;
            m_chart->addAxis(categories, Qt::AlignBottom);
        }
        categories->append(labels);
        bars->append(set);
        m_chart->addSeries(bars);
        bars->attachAxis(categories);
        bars->attachAxis(yAxis);
        // The value of a bar under the pointer, with its label.
        const QStringList shown = labels;
        const QString column = model.yTitle;
        const bool whole = model.wholeNumbers;
        connect(set, &QBarSet::hovered, this, [set, shown, column, whole](bool on, int index) {
            if (!on || index < 0 || index >= shown.size()) {
                QToolTip::hideText();
                return;
            }
            const bool missing = shown[index].endsWith(QStringLiteral(" (---)"));
            QToolTip::showText(QCursor::pos(), shown[index] + QStringLiteral(": ") +
                                                   (missing ? QStringLiteral("---")
                                                            : ValueText(set->at(index), whole)) +
                                                   QStringLiteral("\n") + column);
        });
        low = std::min(low, 0.0);
        m_chart->legend()->setVisible(false);
    }
    SetRange(yAxis, any ? low : 0, any ? high : 1);
    if (model.wholeNumbers)
        WholeNumberTicks(yAxis);
    m_note->setText(model.countNote);
}

void ChartWindow::paintPicture(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::white);
    const QRect chartArea(area.left(), area.top(), area.width(), area.height() - AttributionHeight);
    m_chartView->render(&painter, chartArea, QRect(), Qt::IgnoreAspectRatio);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPointSize(9);
    painter.setFont(font);
    painter.drawText(
        QRect(area.left() + 8, chartArea.bottom(), area.width() - 16, AttributionHeight),
        Qt::AlignLeft | Qt::AlignVCenter, DataAttributionLine());
}

QImage ChartWindow::picture(QSize size) const {
    if (!size.isValid())
        size = m_chartView->size() + QSize(0, AttributionHeight);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintPicture(painter, QRect(QPoint(0, 0), size));
    return image;
}

bool ChartWindow::exportPng(const QString& path, QString* message) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *message = SaveFailure(path, file.errorString());
        return false;
    }
    if (!picture().save(&file, "PNG")) {
        file.cancelWriting();
        *message = SaveFailure(path, QStringLiteral("the picture could not be encoded"));
        return false;
    }
    if (!file.commit()) {
        *message = SaveFailure(path, file.errorString());
        return false;
    }
    return true;
}

bool ChartWindow::exportSvg(const QString& path, QString* message) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *message = SaveFailure(path, file.errorString());
        return false;
    }
    const QSize size = m_chartView->size() + QSize(0, AttributionHeight);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(m_model.title);
        svg.setDescription(DataAttributionLine());
        QPainter painter;
        if (!painter.begin(&svg)) {
            file.cancelWriting();
            *message = SaveFailure(path, QStringLiteral("the picture could not be drawn"));
            return false;
        }
        paintPicture(painter, QRect(QPoint(0, 0), size));
        painter.end();
    }
    if (!file.commit()) {
        *message = SaveFailure(path, file.errorString());
        return false;
    }
    return true;
}

void ChartWindow::copyPicture() const {
    QApplication::clipboard()->setImage(picture());
}

void ChartWindow::ExportPngClick() {
    const QString start =
        QDir(DialogStartFolder()).filePath(FileStem(m_model) + QStringLiteral(".png"));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export chart as PNG"),
                                                      start, QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return;
    RememberDialogFolder(path);
    QString message;
    if (!exportPng(path, &message))
        QMessageBox::warning(this, windowTitle(), message);
}

void ChartWindow::ExportSvgClick() {
    const QString start =
        QDir(DialogStartFolder()).filePath(FileStem(m_model) + QStringLiteral(".svg"));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export chart as SVG"),
                                                      start, QStringLiteral("SVG (*.svg)"));
    if (path.isEmpty())
        return;
    RememberDialogFolder(path);
    QString message;
    if (!exportSvg(path, &message))
        QMessageBox::warning(this, windowTitle(), message);
}
