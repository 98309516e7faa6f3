#pragma once

#include <array>
#include <vector>

#include <QString>
#include <QWidget>

#include "databases/databaseinfo.h"
#include "mainwindow/playerpagedata.h"
#include "protocol/playerlookup.h"

class QLabel;
class QMenu;
class QTableWidget;

// The page of one player, a window inside the main window captioned with his name: his facts on
// top, then his batting, pitching and fielding (each only where he has rows), one line per
// season with a traded season's stints under its "TOT" line, and his career line last. Each
// table has its own context menu: copy, export, print, chart and "Team season". The page shows
// what it is given; its owner fetches it.
class PlayerPage : public QWidget {
    Q_OBJECT
public:
    struct Table {
        DatabaseKind kind = DatabaseKind::Batters;
        std::vector<PlayerPageRow> rows;
    };

    // tables: in the order shown; one without rows is left out.
    PlayerPage(const PlayerFacts& facts, std::vector<Table> tables, QWidget* parent = nullptr);

    QString playerId() const { return m_facts.value(QStringLiteral("ID")); }
    const PlayerFacts& facts() const { return m_facts; }
    // The table of kind, null when the page has none.
    QTableWidget* table(DatabaseKind kind) const;
    // Its rows, null when the page has none.
    const std::vector<PlayerPageRow>* rows(DatabaseKind kind) const;
    // Rows of a table as tab-separated text with a title line (copy); all rows when rows is
    // empty.
    QString rowsText(DatabaseKind kind, const QList<int>& rows = {}) const;
    // The rows a table shows, in its order, as CSV lines with a title line (export).
    QString csvText(DatabaseKind kind) const;
    // The context menu of a table at row (-1: none), built for the caller to run.
    QMenu* contextMenu(DatabaseKind kind, int row, int column);
    // Copies the selected rows of a table to the clipboard, all of them when none is selected.
    void copySelected(DatabaseKind kind);
    // Gives the keyboard to the first table, on its first row.
    void focusFirstTable();

    QLabel* Facts = nullptr;

signals:
    // "Team season" was chosen on a season of club teamName in year.
    void teamSeasonRequested(const QString& teamName, const QString& year);

private:
    const Table* find(DatabaseKind kind) const;
    void exportTable(DatabaseKind kind);
    void printTable(DatabaseKind kind);
    void chartColumn(DatabaseKind kind, int column);

    PlayerFacts m_facts;
    std::vector<Table> m_tables;
    std::vector<QTableWidget*> m_widgets; // one per table, same order
};
