#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>

class StatisticsView;
class THttpCli;

// Exports the whole current result of a statistics window to a CSV file: the
// columns the window shows, in its order, under a header row of their titles,
// then every row of the query in the window's sort order, as the service
// streams them from its export path. The file is written beside the target
// and renamed into place only when the whole result has arrived, so a
// cancelled or failed export leaves no partial file and an old file whole.
class CsvExporter : public QObject {
    Q_OBJECT
public:
    // How an export ended.
    enum class Outcome { Written, Cancelled, Failed };
    // The largest export the service sends (all its exports at once are
    // held within 96 MiB by default) and a margin: an export reply stating
    // more fails before a byte is written, and one that does not state its
    // length fails once it passes this.
    static constexpr qint64 MaxReplyBytes = qint64{100} * 1024 * 1024;

    explicit CsvExporter(QObject* parent = nullptr);
    ~CsvExporter() override;

    // "batters.csv" and the like.
    static QString DefaultFileName(const StatisticsView& view);
    // The export address of the view: its current service address with the
    // service path's ".exe" replaced by ".csv", and the shown columns' field
    // numbers as "?columns=".
    static QString ExportUrl(StatisticsView& view);

    // Waits (the event loop runs). Writes the view's result to `path` with a
    // progress dialog (Cancel) over the view; returns the outcome and, unless
    // written, sets `message` to what went wrong (empty when cancelled).
    Outcome exportTo(StatisticsView& view, const QString& path, QString* message);
    // The menu command: asks for the file name (default after the database,
    // in the folder of the last export) and exports, showing a failure in a
    // message box. Does nothing without a view or while an export runs.
    void Export1Click(StatisticsView* view);
    // Whether an export is running.
    bool isRunning() const { return m_client != nullptr; }
    // Stops the running export as Cancel does.
    void cancel();
    // Called with the rows written so far as the export goes (tests use it).
    void setProgressHook(std::function<void(qint64 rows)> hook) { m_hook = std::move(hook); }

private:
    QPointer<THttpCli> m_client;
    bool m_cancelled = false;
    std::function<void(qint64)> m_hook;
};
