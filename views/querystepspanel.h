#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "protocol/pagefetcher.h"
#include "query/querysteps.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class StatisticsView;
class StepCounts;

// The steps of one database window's query in the order the service applies
// them, each with the rows left after it ("128,598 → 9,812 → 412"), in a
// window of its own owned by the database window (it goes when that window
// goes). The counts come from the service, one one-row page request per
// step not yet counted, asked one at a time. Any one step can be removed
// (Delete), a limit's bounds or a selection's items edited in place (Enter),
// each change one undo step of the window (Ctrl+Z); the list follows every
// new query of the window and never shows counts of another query.
class QueryStepsPanel : public QWidget {
    Q_OBJECT
public:
    // The panel of `view`, asking `hosts` for the counts. Nothing is fetched
    // until refresh().
    QueryStepsPanel(StatisticsView* view, const ServiceHosts& hosts);
    ~QueryStepsPanel() override;

    // Waits. Lists the steps of the window's query and asks the service for
    // the counts not yet known, one at a time; a new query of the window
    // meanwhile starts the list again. False when a count did not arrive
    // (the panel says why) or either window closed.
    bool refresh();

    // The steps listed.
    const std::vector<QueryStep>& steps() const { return m_steps; }
    // The rows left: entry 0 before any step (every row), entry i + 1 after
    // step i; -1 where the count is not known yet.
    std::vector<std::int32_t> counts() const;
    // The counts as the panel's top line shows them, joined by " → ".
    QString chainText() const;
    // The query of the first `count` steps, as its count is asked for.
    QueryState prefix(std::size_t count) const;

    // Waits. Removes step `index` (of steps()) as one undo step of the window
    // and fetches the window's page; false when nothing changed.
    bool removeStep(std::size_t index);
    // Waits. Edits step `index` in place with its editor (a limit's bounds,
    // a selection's items from the service's pick list); false when nothing
    // changed.
    bool editStep(std::size_t index);
    // Waits. Puts `state` in the window as one undo step and fetches its
    // page; false when the window is busy or closed.
    bool applyState(const QueryState& state);

    StatisticsView* view() const;
    // Count requests this panel has sent.
    int countRequests() const;

    QLabel* Chain = nullptr;
    QTreeWidget* StepList = nullptr;
    QLabel* Note = nullptr;
    QPushButton* RemoveButton = nullptr;
    QPushButton* EditButton = nullptr;
    QPushButton* UndoButton = nullptr;
    QPushButton* CloseButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewPageShown();
    // Lists the window's steps with the counts known so far.
    void showSteps();
    void showCounts();
    void updateButtons();
    // The step of the list's current row, -1 for the first row or none.
    int currentStep() const;

    QPointer<StatisticsView> m_view;
    std::unique_ptr<StepCounts> m_counts;
    std::vector<QueryStep> m_steps;
    std::vector<QueryState> m_prefixes;
    std::uint32_t m_shownTag = 0;
    bool m_failed = false;
    bool m_counting = false;
    bool m_again = false;
};
