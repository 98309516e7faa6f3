#pragma once

#include <functional>

#include <QObject>
#include <QString>

#include "mainwindow/mainmenu.h"
#include "protocol/pagefetcher.h"
#include "query/queryfile.h"

class QAction;
class QWidget;
class StatisticsView;

// Options > "Save &query..." (Ctrl+S) and "&Open query..." (Ctrl+O): a
// database window's query kept in a "*.bbq" file, and a file opened into
// that database's window (opened, or the open one reused) with one page
// fetch.
class QueryFileCommands : public QObject {
    Q_OBJECT
public:
    // Opens the window of a database, calling `prepare` on it before its
    // first page is fetched; returns the window (null when it closed).
    using OpenView =
        std::function<StatisticsView*(DatabaseKind, const std::function<void(StatisticsView&)>&)>;

    // Adds the two entries after `after`. `activeView` gives the window
    // "Save &query..." acts on, `openView` the window of a database (the
    // open one when there is one), `hosts` the statistics hosts.
    QueryFileCommands(const MainMenu& menu, QAction* after,
                      std::function<StatisticsView*()> activeView,
                      std::function<StatisticsView*(DatabaseKind)> openedView, OpenView openView,
                      std::function<ServiceHosts()> hosts, QWidget* dialogParent, QObject* parent);

    QAction* SaveQuery1 = nullptr;
    QAction* OpenQuery1 = nullptr;

    // What `view` shows, as a file keeps it.
    static SavedQuery Capture(StatisticsView& view);
    // Puts `query`'s hidden columns and band settings on `view` and its
    // query state in place; fetches nothing.
    static void Apply(const SavedQuery& query, StatisticsView& view);

    // Writes `view`'s query beside `path` and renames it into place; false
    // with a message naming the file and the reason.
    static bool save(StatisticsView& view, const QString& path, QString* message);
    // Waits. Reads and checks `path` whole, then opens or reuses the
    // database's window and applies the query with one page fetch. False,
    // applying nothing, with `message` naming the file, line and problem
    // when the file is refused or unreadable. On success `notice` lists the
    // selected players and teams the data does not have (empty when none).
    bool open(const QString& path, QString* message, QString* notice);

    // The menu commands: a file dialog, then save or open; messages in boxes.
    void SaveQuery1Click();
    void OpenQuery1Click();

private:
    // The selected players and teams absent from the service's lists.
    QString absentNames(const SavedQuery& query);

    std::function<StatisticsView*()> m_activeView;
    std::function<StatisticsView*(DatabaseKind)> m_openedView;
    OpenView m_openView;
    std::function<ServiceHosts()> m_hosts;
    QWidget* m_dialogParent = nullptr;
};
