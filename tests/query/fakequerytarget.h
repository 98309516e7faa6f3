#pragma once

#include <functional>
#include <string>

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "platform/drawgrid.h"
#include "query/hiddencolumns.h"
#include "query/querytarget.h"

// A statistics view stand-in for tests: a real QueryState and DrawGrid,
// and a log of every call the query operations make. refreshView logs the
// page request it would send ("refresh:" + text), requestList the list
// request ("list:" + text) and answers with `listReply`.
class FakeQueryTarget : public QWidget, public QueryTarget {
public:
    // A view of `kind` with the database's caption, initial sort code and
    // grid columns (each 50 pixels wide).
    explicit FakeQueryTarget(DatabaseKind kind, QWidget* parent = nullptr);

    DatabaseKind databaseKind() const override { return m_kind; }
    QWidget* window() override { return this; }
    QueryState& queryState() override { return m_state; }
    bool refreshView() override;
    void runBandPass() override { calls.append(QStringLiteral("bandPass")); }
    ListResult requestList(ListKind kind) override;
    void startBusy() override { calls.append(QStringLiteral("startBusy")); }
    void stopBusy() override { calls.append(QStringLiteral("stopBusy")); }
    DrawGrid* grid() override { return m_grid; }
    HiddenColumns& hiddenColumns() override { return m_hidden; }
    // Notes the field in `largestAsked`, runs `whileLearning` (input that
    // arrives while the service is asked) and answers `largest` of that field
    // (empty when it has none).
    QString largestValue(int field) override;

    // The page request for the grid's first 20 rows under the current state.
    std::string pageRequest() const;
    // The calls so far with the request texts left out ("refresh", "list").
    QStringList callNames() const;

    QStringList calls;
    ListResult listReply;
    QHash<int, QString> largest;
    QList<int> largestAsked;
    std::function<void()> whileLearning;
    // Runs inside refreshView after logging; returning false reports the
    // view as closed.
    std::function<bool()> onRefresh;

private:
    DatabaseKind m_kind;
    QueryState m_state;
    DrawGrid* m_grid;
    HiddenColumns m_hidden;
};

// Runs `action` on the next modal widget other than `notThis` once it is
// the active modal widget (a dialog opened with exec or a message box).
// The returned watcher is gone once the action ran or after ten seconds.
QPointer<QTimer> OnNextModal(const std::function<void(QWidget*)>& action,
                             QWidget* notThis = nullptr);
