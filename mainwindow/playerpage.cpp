#include "mainwindow/playerpage.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QScrollArea>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include "charts/chartmodel.h"
#include "views/tabletext.h"

namespace {

QString tableTitle(DatabaseKind kind) {
    switch (kind) {
    case DatabaseKind::Batters:
        return QStringLiteral("Batting");
    case DatabaseKind::Pitchers:
        return QStringLiteral("Pitching");
    case DatabaseKind::Fielders:
        return QStringLiteral("Fielding");
    case DatabaseKind::Teams:
        break;
    }
    return QStringLiteral("Teams");
}

QString objectNameOf(DatabaseKind kind) {
    return tableTitle(kind) + QStringLiteral("Table");
}

} // namespace

PlayerPage::PlayerPage(const PlayerFacts& facts, std::vector<Table> tables, QWidget* parent)
    : QWidget(parent), m_facts(facts) {
    setObjectName(QStringLiteral("PlayerPage"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(facts.value(QStringLiteral("Name")));
    auto* inner = new QWidget;
    auto* layout = new QVBoxLayout(inner);
    Facts = new QLabel(PlayerFactLines(facts, QDate::currentDate()).join(QLatin1Char('\n')));
    Facts->setObjectName(QStringLiteral("PlayerFacts"));
    Facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Facts);
    for (Table& t : tables) {
        if (t.rows.empty()) {
            continue;
        }
        const DatabaseInfo& info = DatabaseInfoFor(t.kind);
        const int columns = static_cast<int>(info.columns.size());
        auto* widget = new QTableWidget(static_cast<int>(t.rows.size()), columns);
        widget->setObjectName(objectNameOf(t.kind));
        widget->setEditTriggers(QAbstractItemView::NoEditTriggers);
        widget->setSelectionBehavior(QAbstractItemView::SelectRows);
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        QStringList titles;
        for (int c = 0; c < columns; ++c) {
            titles << ColumnTitle(t.kind, c);
        }
        widget->setHorizontalHeaderLabels(titles);
        QStringList marks;
        for (int r = 0; r < static_cast<int>(t.rows.size()); ++r) {
            const PlayerPageRow& row = t.rows[static_cast<std::size_t>(r)];
            marks << (row.kind == PlayerPageRow::Kind::Career  ? QStringLiteral("Career")
                      : row.kind == PlayerPageRow::Kind::Stint ? QStringLiteral("  stint")
                                                               : QString());
            for (int c = 0; c < columns && c < row.cells.size(); ++c) {
                const QString& text = row.cells[c];
                auto* item = new QTableWidgetItem(text.trimmed());
                // Numbers line up on the right as in the grid; names and codes on the left.
                item->setTextAlignment(text.startsWith(QLatin1Char(' ')) ? Qt::AlignRight
                                                                         : Qt::AlignLeft);
                if (row.kind != PlayerPageRow::Kind::Season) {
                    QFont font = item->font();
                    font.setItalic(row.kind == PlayerPageRow::Kind::Stint);
                    font.setBold(row.kind == PlayerPageRow::Kind::Career);
                    item->setFont(font);
                }
                widget->setItem(r, c, item);
            }
        }
        widget->setVerticalHeaderLabels(marks);
        widget->resizeColumnsToContents();
        widget->setMinimumHeight(std::min(400, 30 + 22 * static_cast<int>(t.rows.size())));
        const DatabaseKind kind = t.kind;
        // Ctrl+C copies the selected rows (all when none is), as in the grid.
        auto* copy = new QAction(widget);
        copy->setShortcut(QKeySequence::Copy);
        copy->setShortcutContext(Qt::WidgetShortcut);
        widget->addAction(copy);
        connect(copy, &QAction::triggered, this, [this, kind] { copySelected(kind); });
        connect(widget, &QTableWidget::customContextMenuRequested, this,
                [this, widget, kind](const QPoint& at) {
                    const QModelIndex index = widget->indexAt(at);
                    QMenu* menu = contextMenu(kind, index.isValid() ? index.row() : -1,
                                              index.isValid() ? index.column() : -1);
                    menu->exec(widget->viewport()->mapToGlobal(at));
                    delete menu;
                });
        auto* caption = new QLabel(tableTitle(t.kind));
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        layout->addWidget(caption);
        layout->addWidget(widget);
        m_tables.push_back(std::move(t));
        m_widgets.push_back(widget);
    }
    layout->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(inner);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

const PlayerPage::Table* PlayerPage::find(DatabaseKind kind) const {
    for (const Table& t : m_tables) {
        if (t.kind == kind) {
            return &t;
        }
    }
    return nullptr;
}

QTableWidget* PlayerPage::table(DatabaseKind kind) const {
    for (std::size_t i = 0; i < m_tables.size(); ++i) {
        if (m_tables[i].kind == kind) {
            return m_widgets[i];
        }
    }
    return nullptr;
}

const std::vector<PlayerPageRow>* PlayerPage::rows(DatabaseKind kind) const {
    const Table* t = find(kind);
    return t != nullptr ? &t->rows : nullptr;
}

QString PlayerPage::rowsText(DatabaseKind kind, const QList<int>& rows) const {
    const Table* t = find(kind);
    if (t == nullptr) {
        return {};
    }
    const int columns = static_cast<int>(DatabaseInfoFor(kind).columns.size());
    QStringList titles;
    for (int c = 0; c < columns; ++c) {
        titles << ColumnTitle(kind, c);
    }
    QString text = titles.join(QLatin1Char('\t')) + QLatin1Char('\n');
    QList<int> wanted = rows;
    if (wanted.isEmpty()) {
        for (int r = 0; r < static_cast<int>(t->rows.size()); ++r) {
            wanted << r;
        }
    }
    for (const int r : wanted) {
        if (r < 0 || r >= static_cast<int>(t->rows.size())) {
            continue;
        }
        QStringList cells;
        for (const QString& cell : t->rows[static_cast<std::size_t>(r)].cells) {
            const QString trimmed = cell.trimmed();
            cells << (trimmed == QLatin1String("---") ? QString() : trimmed);
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

QString PlayerPage::csvText(DatabaseKind kind) const {
    const Table* t = find(kind);
    if (t == nullptr) {
        return {};
    }
    const int columns = static_cast<int>(DatabaseInfoFor(kind).columns.size());
    QStringList titles;
    for (int c = 0; c < columns; ++c) {
        titles << ColumnTitle(kind, c);
    }
    QString text = CsvLine(titles);
    for (const PlayerPageRow& row : t->rows) {
        QStringList cells;
        for (const QString& cell : row.cells) {
            const QString trimmed = cell.trimmed();
            cells << (trimmed == QLatin1String("---") ? QString() : trimmed);
        }
        text += CsvLine(cells);
    }
    return text;
}

void PlayerPage::copySelected(DatabaseKind kind) {
    QTableWidget* widget = table(kind);
    if (widget == nullptr) {
        return;
    }
    QList<int> rows;
    for (const QModelIndex& index : widget->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    QApplication::clipboard()->setText(rowsText(kind, rows));
}

void PlayerPage::focusFirstTable() {
    if (!m_widgets.empty()) {
        m_widgets.front()->setFocus();
        m_widgets.front()->setCurrentCell(0, 0);
    }
}

QMenu* PlayerPage::contextMenu(DatabaseKind kind, int row, int column) {
    auto* menu = new QMenu(this);
    const Table* t = find(kind);
    QAction* copy =
        menu->addAction(QStringLiteral("&Copy"), this, [this, kind] { copySelected(kind); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setObjectName(QStringLiteral("PageCopy"));
    menu->addAction(QStringLiteral("&Export to CSV..."), this, [this, kind] { exportTable(kind); })
        ->setObjectName(QStringLiteral("PageExport"));
    menu->addAction(QStringLiteral("&Print..."), this, [this, kind] { printTable(kind); })
        ->setObjectName(QStringLiteral("PagePrint"));
    const int plotted = FirstChartableColumn(kind, std::max(column, 0));
    QAction* chart = menu->addAction(QStringLiteral("C&hart by season"), this,
                                     [this, kind, plotted] { chartColumn(kind, plotted); });
    chart->setObjectName(QStringLiteral("PageChart"));
    chart->setEnabled(plotted >= 0);
    menu->addSeparator();
    QAction* team = menu->addAction(QStringLiteral("&Team season"));
    team->setObjectName(QStringLiteral("PageTeamSeason"));
    const PlayerPageRow* chosen = t != nullptr && row >= 0 && row < static_cast<int>(t->rows.size())
                                      ? &t->rows[static_cast<std::size_t>(row)]
                                      : nullptr;
    const bool seasonOfOneClub =
        chosen != nullptr && chosen->kind != PlayerPageRow::Kind::Career &&
        chosen->cells.size() > PlayerPageTeamNameColumn &&
        chosen->cells[PlayerPageTeamCodeColumn].trimmed() != QLatin1String("TOT");
    team->setEnabled(seasonOfOneClub);
    if (seasonOfOneClub) {
        const QString name = chosen->cells[PlayerPageTeamNameColumn].trimmed();
        const QString year = chosen->cells[PlayerPageYearColumn].trimmed();
        connect(team, &QAction::triggered, this,
                [this, name, year] { emit teamSeasonRequested(name, year); });
    }
    return menu;
}

void PlayerPage::exportTable(DatabaseKind kind) {
    const QString suggested =
        windowTitle().remove(QLatin1Char(',')).replace(QLatin1Char(' '), QLatin1Char('_')) +
        QLatin1Char('_') + tableTitle(kind).toLower() + QStringLiteral(".csv");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export to CSV"),
                                                      suggested, QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    QSaveFile file(path);
    const QByteArray bytes = csvText(kind).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    }
}

void PlayerPage::printTable(DatabaseKind kind) {
    const Table* t = find(kind);
    if (t == nullptr) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QString html = QStringLiteral("<h3>") + windowTitle().toHtmlEscaped() + QStringLiteral(": ") +
                   tableTitle(kind) + QStringLiteral("</h3><table border=1 cellspacing=0><tr>");
    const int columns = static_cast<int>(DatabaseInfoFor(kind).columns.size());
    for (int c = 0; c < columns; ++c) {
        html +=
            QStringLiteral("<th>") + ColumnTitle(kind, c).toHtmlEscaped() + QStringLiteral("</th>");
    }
    html += QStringLiteral("</tr>");
    for (const PlayerPageRow& row : t->rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row.cells) {
            html +=
                QStringLiteral("<td>") + cell.trimmed().toHtmlEscaped() + QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
}

// A line of the column's figure per season line, in a window of its own.
void PlayerPage::chartColumn(DatabaseKind kind, int column) {
    const Table* t = find(kind);
    if (t == nullptr || column < 0) {
        return;
    }
    auto* series = new QLineSeries;
    series->setName(ChartAxisTitle(kind, column));
    for (const PlayerPageRow& row : t->rows) {
        if (row.kind != PlayerPageRow::Kind::Season || row.cells.size() <= column) {
            continue;
        }
        const double year = row.cells[PlayerPageYearColumn].trimmed().toDouble();
        if (const auto value = ChartValue(kind, column, row.cells[column])) {
            series->append(year, *value);
        }
    }
    auto* chart = new QChart;
    chart->addSeries(series);
    chart->createDefaultAxes();
    chart->setTitle(windowTitle() + QStringLiteral(": ") + ChartAxisTitle(kind, column));
    auto* view = new QChartView(chart);
    view->setObjectName(QStringLiteral("PageChartView"));
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setParent(this, Qt::Window);
    view->setWindowTitle(chart->title());
    view->resize(640, 400);
    view->show();
}
