#include "mainwindow/queryfilecommands.h"

#include <algorithm>
#include <set>

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>

#include "platform/boundedread.h"
#include "platform/dialogfolder.h"
#include "platform/drawgrid.h"
#include "query/bandsettings.h"
#include "query/columnhiding.h"
#include "query/selectionitems.h"
#include "views/statisticsview.h"
#include "views/viewrecords.h"

namespace {

// Query files are a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxFileBytes = 1024 * 1024;
// The longest wait for the bytes of a file that trickles in (a FIFO).
constexpr int kMaxWaitMs = 5000;

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

QueryFileCommands::QueryFileCommands(const MainMenu& menu, QAction* after,
                                     std::function<StatisticsView*()> activeView,
                                     std::function<StatisticsView*(DatabaseKind)> openedView,
                                     OpenView openView, std::function<ServiceHosts()> hosts,
                                     QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_activeView(std::move(activeView)), m_openedView(std::move(openedView)),
      m_openView(std::move(openView)), m_hosts(std::move(hosts)), m_dialogParent(dialogParent) {
    SaveQuery1 = new QAction(QStringLiteral("Save &query..."), menu.Options1);
    SaveQuery1->setObjectName(QStringLiteral("SaveQuery1"));
    SaveQuery1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveQuery1->setEnabled(menu.Print1->isEnabled());
    OpenQuery1 = new QAction(QStringLiteral("&Open query..."), menu.Options1);
    OpenQuery1->setObjectName(QStringLiteral("OpenQuery1"));
    OpenQuery1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    const QList<QAction*> options = menu.Options1->actions();
    QAction* before = options.value(options.indexOf(after) + 1);
    menu.Options1->insertAction(before, SaveQuery1);
    menu.Options1->insertAction(before, OpenQuery1);
    QAction* printEntry = menu.Print1;
    connect(printEntry, &QAction::changed, SaveQuery1,
            [this, printEntry] { SaveQuery1->setEnabled(printEntry->isEnabled()); });
    connect(SaveQuery1, &QAction::triggered, this, &QueryFileCommands::SaveQuery1Click);
    connect(OpenQuery1, &QAction::triggered, this, &QueryFileCommands::OpenQuery1Click);
}

SavedQuery QueryFileCommands::Capture(StatisticsView& view) {
    SavedQuery query;
    query.database = view.databaseKind();
    query.state = view.queryState();
    for (const HiddenColumn& entry : view.hiddenColumns().entries)
        query.hiddenColumns.push_back(entry.column);
    query.bands = BandSettingsFor(query.database);
    return query;
}

void QueryFileCommands::Apply(const SavedQuery& query, StatisticsView& view) {
    // The columns hidden now come back first, then the file's are hidden in
    // its order (so Unhide lists them as they were).
    HiddenColumns& hidden = view.hiddenColumns();
    QList<int> all;
    for (int i = 0; i < hidden.entries.size(); ++i)
        all << i;
    for (const auto& [column, width] : TakeHiddenColumns(hidden, all))
        view.DrawGrid1->setColWidth(column, width);
    // The query first: with "More columns" the grid gains the added columns,
    // which the file may hide.
    view.queryState() = query.state;
    view.applyColumns();
    for (const int column : query.hiddenColumns)
        HideColumn(view, column);
    BandSettingsFor(query.database) = query.bands;
}

bool QueryFileCommands::save(StatisticsView& view, const QString& path, QString* message) {
    QSaveFile file(path);
    const QByteArray text = WriteQueryFile(Capture(view));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        *message = QStringLiteral("The query could not be written to \"%1\": %2.")
                       .arg(Native(path), file.errorString());
        return false;
    }
    return true;
}

QString QueryFileCommands::absentNames(const SavedQuery& query) {
    QStringList notes;
    // Against the whole lists: a list under the file's own selections would
    // be narrowed by the very names being checked.
    const auto check = [&](char letter, ListKind list, const QString& word) {
        const std::vector<std::string> wanted = SelectionValues(query.state, letter);
        if (wanted.empty())
            return;
        std::unique_ptr<ViewRecords> records = MakeViewRecords(query.database, m_hosts());
        PageExchange& exchange = records->exchange();
        exchange.HttpCli1().setURL(m_hosts().Mirror2 + records->info().servicePath);
        exchange.State() = QueryState();
        const ListResult result = exchange.RequestList(list);
        if (result.result != FetchResult::Done) {
            notes << QStringLiteral("The %1 selected could not be checked against the data.")
                         .arg(word);
            return;
        }
        const std::set<std::string> known(result.entries.begin(), result.entries.end());
        QStringList absent;
        for (const std::string& value : wanted) {
            if (known.count(value) == 0)
                absent << QString::fromStdString(value);
        }
        if (!absent.isEmpty())
            notes << QStringLiteral("Not in the data (kept in the query, matching no rows): "
                                    "%1 %2.")
                         .arg(word, absent.join(QStringLiteral(", ")));
    };
    check('A', SelectKindOf(SelectWhat::Player).list, QStringLiteral("players"));
    check('B', SelectKindOf(SelectWhat::Team).list, QStringLiteral("teams"));
    return notes.join(QLatin1Char('\n'));
}

bool QueryFileCommands::open(const QString& path, QString* message, QString* notice) {
    notice->clear();
    // Bounded in size and in waiting, whatever the path names (a FIFO, a
    // device): the window never hangs on it.
    const BoundedRead file = ReadBounded(path, kMaxFileBytes, kMaxWaitMs);
    if (!file.error.isEmpty()) {
        *message = QueryFileMessage(Native(path), {0, file.error});
        return false;
    }
    QueryFileError error;
    const std::optional<SavedQuery> query = ReadQueryFile(file.bytes, &error);
    if (!query) {
        *message = QueryFileMessage(Native(path), error);
        return false;
    }
    *notice = absentNames(*query);
    StatisticsView* view = m_openedView(query->database);
    if (view == nullptr) {
        // A new window fetches its first page with the file's query.
        view =
            m_openView(query->database, [&query](StatisticsView& fresh) { Apply(*query, fresh); });
        return view != nullptr;
    }
    QPointer<StatisticsView> guard(view);
    Apply(*query, *view);
    view->refreshView();
    return !guard.isNull();
}

void QueryFileCommands::SaveQuery1Click() {
    StatisticsView* view = m_activeView();
    if (view == nullptr)
        return;
    const QString name = DatabaseWord(view->databaseKind()).toLower() + QStringLiteral(".bbq");
    const QString start = QDir(DialogStartFolder()).filePath(name);
    QPointer<StatisticsView> guard(view);
    const QString path = QFileDialog::getSaveFileName(m_dialogParent, QStringLiteral("Save query"),
                                                      start, QStringLiteral("Query (*.bbq)"));
    if (path.isEmpty() || !guard)
        return;
    RememberDialogFolder(path);
    QString message;
    if (!save(*guard, path, &message))
        QMessageBox::warning(m_dialogParent, QStringLiteral("Save query"), message);
}

void QueryFileCommands::OpenQuery1Click() {
    const QString path = QFileDialog::getOpenFileName(
        m_dialogParent, QStringLiteral("Open query"), DialogStartFolder(),
        QStringLiteral("Query (*.bbq);;All files (*)"));
    if (path.isEmpty())
        return;
    RememberDialogFolder(path);
    QString message;
    QString notice;
    if (!open(path, &message, &notice)) {
        if (!message.isEmpty())
            QMessageBox::warning(m_dialogParent, QStringLiteral("Open query"), message);
        return;
    }
    if (!notice.isEmpty())
        QMessageBox::information(m_dialogParent, QStringLiteral("Open query"), notice);
}
