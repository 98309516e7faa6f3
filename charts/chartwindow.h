#pragma once

#include <memory>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "charts/chartmodel.h"
#include "protocol/pagefetcher.h"

class ChartFetcher;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QPainter;
class QPushButton;
class StatisticsView;

// The chart of one database window's result: a window of its own (owned by
// the database window, so it goes when that window goes) that plots one
// numeric column over the rows of the window's current query, fetched from
// the service by pages. It follows its window: whenever the window shows the
// page of a different query (Sort, Select, Limit, Reset, Undo), the chart is
// drawn again. Exports PNG and SVG pictures carrying the data's attribution
// line and copies the picture to the clipboard.
class ChartWindow : public QWidget {
    Q_OBJECT
public:
    // The chart of `column` over `view`'s result, asking `hosts`. Nothing is
    // fetched until redraw().
    ChartWindow(StatisticsView* view, int column, const ServiceHosts& hosts);
    ~ChartWindow() override;

    // Waits. Fetches the rows of the window's query and draws them; false
    // when the fetch failed (the chart says why) or either window closed.
    bool redraw();
    // Draws `model` (the data already here).
    void drawModel(const ChartModel& model);
    // Plots `column` instead (a chartable column) and redraws.
    void setColumn(int column);

    int column() const { return m_column; }
    const ChartModel& model() const { return m_model; }
    QChartView* chartView() const { return m_chartView; }
    StatisticsView* view() const;
    // How many times the chart was drawn from fetched rows.
    int drawCount() const { return m_drawCount; }

    // The picture with the attribution line under the chart, `size` in
    // pixels (the chart's own size by default).
    QImage picture(QSize size = QSize()) const;
    // Write the picture beside `path` and rename it into place; false with
    // `message` naming the file and the reason.
    bool exportPng(const QString& path, QString* message) const;
    bool exportSvg(const QString& path, QString* message) const;
    // Puts the picture on the clipboard.
    void copyPicture() const;

    // The buttons' commands: ask for a file name, export, show a failure.
    void ExportPngClick();
    void ExportSvgClick();

    static constexpr int AttributionHeight = 28;

private:
    void viewPageShown();
    void paintPicture(QPainter& painter, const QRect& area) const;
    QString queryKey() const;

    QPointer<StatisticsView> m_view;
    ServiceHosts m_hosts;
    int m_column = 0;
    ChartModel m_model;
    QString m_drawnKey;
    std::unique_ptr<ChartFetcher> m_fetcher;
    QChart* m_chart = nullptr;
    QChartView* m_chartView = nullptr;
    QComboBox* m_columns = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_png = nullptr;
    QPushButton* m_svg = nullptr;
    QPushButton* m_copy = nullptr;
    int m_drawCount = 0;
    bool m_fetching = false;
    bool m_again = false;
};
