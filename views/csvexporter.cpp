#include "views/csvexporter.h"

#include <algorithm>

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>

#include "platform/dialogfolder.h"
#include "protocol/httpcli.h"
#include "protocol/pagerequest.h"
#include "query/selectionitems.h"
#include "views/statisticsview.h"
#include "views/tabletext.h"

namespace {

// The longest an export may take, start to end; stalls fail sooner, on the
// client's read time-out.
constexpr int ExportDeadlineMs = 30 * 60 * 1000;

// The reply stream of an export: passes the bytes to the file and counts
// the rows for the progress dialog.
class ExportSink : public QIODevice {
public:
    ExportSink(QSaveFile& file, std::function<void(qint64)> progress)
        : m_file(file), m_progress(std::move(progress)) {
        open(QIODevice::WriteOnly);
    }
    qint64 rows() const { return m_rows; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const qint64 written = m_file.write(data, size);
        if (written != size) {
            setErrorString(m_file.errorString());
            return -1;
        }
        m_rows += std::count(data, data + size, '\n');
        if (m_progress) {
            m_progress(m_rows);
        }
        return written;
    }

private:
    QSaveFile& m_file;
    std::function<void(qint64)> m_progress;
    qint64 m_rows = 0;
};

QString FailureText(const QString& path, const QString& why) {
    return QStringLiteral("The export to \"%1\" failed: %2.\nNo file was written; a file that "
                          "was there before is unchanged.")
        .arg(QDir::toNativeSeparators(path), why);
}

} // namespace

CsvExporter::CsvExporter(QObject* parent) : QObject(parent) {}

CsvExporter::~CsvExporter() {
    cancel();
}

QString CsvExporter::DefaultFileName(const StatisticsView& view) {
    return DatabaseWord(view.databaseKind()).toLower() + QStringLiteral(".csv");
}

QString CsvExporter::ExportUrl(StatisticsView& view) {
    const DatabaseInfo& info = view.records().info();
    QString url = view.HttpCli1().URL();
    const qsizetype at = url.lastIndexOf(info.servicePath);
    if (at >= 0) {
        url.truncate(at);
    }
    QString path = info.servicePath;
    if (path.endsWith(QLatin1String(".exe"))) {
        path.chop(4);
    }
    QStringList fields;
    for (const int column : ShownColumns(*view.DrawGrid1)) {
        fields << QString::number(info.columns[static_cast<std::size_t>(column)].sortField);
    }
    QString lines = QString::fromStdString(LinesQuery(view.queryState()));
    if (!lines.isEmpty()) {
        lines[0] = QLatin1Char('&');
    }
    return url + path + QStringLiteral(".csv?columns=") + fields.join(QLatin1Char(',')) + lines;
}

void CsvExporter::cancel() {
    m_cancelled = true;
    if (m_client) {
        m_client->Abort();
    }
}

CsvExporter::Outcome CsvExporter::exportTo(StatisticsView& view, const QString& path,
                                           QString* message) {
    QString ignored;
    QString& why = message != nullptr ? *message : ignored;
    why.clear();
    if (isRunning()) {
        why = FailureText(path, QStringLiteral("another export is running"));
        return Outcome::Failed;
    }
    m_cancelled = false;
    QPointer<StatisticsView> viewGuard(&view);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        why = FailureText(
            path, QStringLiteral("the folder cannot be written (%1)").arg(file.errorString()));
        return Outcome::Failed;
    }
    const DatabaseKind kind = view.databaseKind();
    QStringList titles;
    for (const int column : ShownColumns(*view.DrawGrid1)) {
        titles << ColumnTitle(kind, column);
    }
    const QByteArray header = CsvLine(titles).toUtf8();
    if (file.write(header) != header.size()) {
        why = FailureText(path, file.errorString());
        return Outcome::Failed;
    }

    const std::int32_t total = view.exchange().TotalRecords();
    // The dialog belongs to the view's window, which the user may close
    // while the export waits: it is held by a guard, never on the stack.
    QPointer<QProgressDialog> progress = new QProgressDialog(
        QStringLiteral("Exporting %1 rows to %2...")
            .arg(QLocale().toString(std::max(total, 0)), QFileInfo(path).fileName()),
        QStringLiteral("Cancel"), 0, std::max(total, 1), view.window());
    progress->setWindowTitle(QStringLiteral("Export to CSV"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(400);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    connect(progress, &QProgressDialog::canceled, this, &CsvExporter::cancel);

    ExportSink sink(file, [&](qint64 rows) {
        if (progress) {
            progress->setValue(static_cast<int>(std::min<qint64>(rows, progress->maximum())));
        }
        if (m_hook) {
            m_hook(rows);
        }
    });
    QBuffer body;
    body.setData(QByteArray::fromStdString(PageRequest(view.queryState(), 0, 1)));
    body.open(QIODevice::ReadOnly);

    THttpCli client;
    const THttpCli& viewClient = view.HttpCli1();
    client.setProxy(viewClient.Proxy());
    client.setProxyPort(viewClient.ProxyPort());
    client.setProxyUsername(viewClient.ProxyUsername());
    client.setProxyPassword(viewClient.ProxyPassword());
    client.setURL(ExportUrl(view));
    client.setSendStream(&body);
    client.setRcvdStream(&sink);
    client.setExchangeDeadline(ExportDeadlineMs);
    client.setMaxReplyBytes(MaxReplyBytes);
    m_client = &client;
    QString failure;
    try {
        client.Post();
    } catch (const EHttpException& error) {
        failure = error.Message();
        if (client.FailedByServer()) {
            failure = QStringLiteral("the service refused it (%1 %2)")
                          .arg(client.StatusCode())
                          .arg(error.Message());
        }
    }
    m_client = nullptr;
    delete progress;
    if (m_cancelled) {
        file.cancelWriting();
        return Outcome::Cancelled;
    }
    if (!failure.isEmpty()) {
        file.cancelWriting();
        why = FailureText(path, failure);
        return Outcome::Failed;
    }
    if (!file.commit()) {
        why = FailureText(path, file.errorString());
        return Outcome::Failed;
    }
    // The window may have closed while the rows arrived.
    if (viewGuard) {
        viewGuard->showStatus(
            QStringLiteral("Exported %1 rows to %2")
                .arg(QLocale().toString(sink.rows()), QDir::toNativeSeparators(path)));
    }
    return Outcome::Written;
}

void CsvExporter::Export1Click(StatisticsView* view) {
    if (view == nullptr || isRunning()) {
        return;
    }
    QPointer<StatisticsView> guard(view);
    const QString folder = DialogStartFolder();
    // Qt's own dialog, as the print commands use: the same keys everywhere.
    QFileDialog dialog(view->window(), QStringLiteral("Export to CSV"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("CSV files (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QDir(folder).filePath(DefaultFileName(*view)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().front();
    if (path.isEmpty() || guard.isNull()) {
        return;
    }
    RememberDialogFolder(path);
    QString message;
    if (exportTo(*view, path, &message) == Outcome::Failed) {
        QMessageBox::warning(guard ? guard->window() : nullptr, QStringLiteral("Export to CSV"),
                             message);
    }
}
