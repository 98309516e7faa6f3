#include "views/querystepspanel.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "query/selectionitems.h"
#include "views/statisticsview.h"
#include "views/stepcounts.h"
#include "views/stepeditors.h"

namespace {

QString CountText(std::int32_t count) {
    return count < 0 ? QStringLiteral("...") : QLocale(QLocale::English).toString(count);
}

// The pick list a selection item letter comes from.
ListKind ListOfLetter(char letter) {
    switch (letter) {
    case 'A':
        return ListKind::Players;
    case 'C':
        return ListKind::Years;
    case 'D':
        return ListKind::Leagues;
    case 'G':
        return ListKind::Positions;
    default:
        return ListKind::Teams;
    }
}

} // namespace

QueryStepsPanel::QueryStepsPanel(StatisticsView* view, const ServiceHosts& hosts)
    : QWidget(view, Qt::Window), m_view(view),
      m_counts(std::make_unique<StepCounts>(view->databaseKind(), hosts)) {
    setObjectName(QStringLiteral("QueryStepsPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Query Steps - %1").arg(view->windowTitle()));

    Chain = new QLabel(this);
    Chain->setObjectName(QStringLiteral("StepsChain"));
    Chain->setTextFormat(Qt::PlainText);
    StepList = new QTreeWidget(this);
    StepList->setObjectName(QStringLiteral("StepList"));
    StepList->setColumnCount(2);
    StepList->setHeaderLabels({QStringLiteral("Step"), QStringLiteral("Rows left")});
    StepList->setRootIsDecorated(false);
    StepList->setUniformRowHeights(true);
    StepList->header()->setStretchLastSection(false);
    StepList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    StepList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    StepList->installEventFilter(this);
    Note = new QLabel(this);
    Note->setObjectName(QStringLiteral("StepsNote"));
    Note->setWordWrap(true);

    RemoveButton = new QPushButton(QStringLiteral("&Remove"), this);
    RemoveButton->setObjectName(QStringLiteral("RemoveStep"));
    EditButton = new QPushButton(QStringLiteral("&Edit..."), this);
    EditButton->setObjectName(QStringLiteral("EditStep"));
    UndoButton = new QPushButton(QStringLiteral("&Undo"), this);
    UndoButton->setObjectName(QStringLiteral("UndoStep"));
    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseSteps"));
    for (QPushButton* button : {RemoveButton, EditButton, UndoButton, CloseButton})
        button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(RemoveButton);
    buttons->addWidget(EditButton);
    buttons->addWidget(UndoButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Chain);
    layout->addWidget(StepList, 1);
    layout->addWidget(Note);
    layout->addLayout(buttons);
    resize(520, 360);

    // Ctrl+Z here steps the window back, as it does in the window.
    auto* undo = new QAction(QStringLiteral("Undo"), this);
    undo->setShortcut(QKeySequence::Undo);
    addAction(undo);
    auto* escape = new QAction(QStringLiteral("Close"), this);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(escape);
    const auto undoStep = [this] {
        if (m_view && !m_view->isFetching())
            m_view->undoQuery();
    };
    connect(undo, &QAction::triggered, this, undoStep);
    connect(UndoButton, &QPushButton::clicked, this, undoStep);
    connect(escape, &QAction::triggered, this, &QWidget::close);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(RemoveButton, &QPushButton::clicked, this, [this] {
        if (currentStep() >= 0)
            removeStep(static_cast<std::size_t>(currentStep()));
    });
    connect(EditButton, &QPushButton::clicked, this, [this] {
        if (currentStep() >= 0)
            editStep(static_cast<std::size_t>(currentStep()));
    });
    connect(StepList, &QTreeWidget::currentItemChanged, this, &QueryStepsPanel::updateButtons);
    // Queued: the window finishes its page before the panel asks for counts.
    connect(view, &StatisticsView::pageShown, this, &QueryStepsPanel::viewPageShown,
            Qt::QueuedConnection);
    connect(view, &StatisticsView::viewClosed, this, &QWidget::close);
    showSteps();
}

QueryStepsPanel::~QueryStepsPanel() = default;

StatisticsView* QueryStepsPanel::view() const {
    return m_view.data();
}

int QueryStepsPanel::countRequests() const {
    return m_counts->requestsSent();
}

QueryState QueryStepsPanel::prefix(std::size_t count) const {
    return count < m_prefixes.size() ? m_prefixes[count] : QueryState();
}

std::vector<std::int32_t> QueryStepsPanel::counts() const {
    std::vector<std::int32_t> out;
    for (const QueryState& state : m_prefixes)
        out.push_back(m_counts->known(state).value_or(-1));
    return out;
}

QString QueryStepsPanel::chainText() const {
    QStringList texts;
    for (const std::int32_t count : counts())
        texts << CountText(count);
    return texts.join(QStringLiteral(" \u2192 "));
}

void QueryStepsPanel::viewPageShown() {
    // Scrolling fetches pages of the same query: only a new query, or counts
    // that did not arrive, ask again.
    updateButtons();
    if (m_view && (m_failed || PageExchange::QueryTag(m_view->queryState()) != m_shownTag))
        refresh();
}

void QueryStepsPanel::showSteps() {
    if (!m_view)
        return;
    const QueryState& state = m_view->queryState();
    const DatabaseKind kind = m_view->databaseKind();
    m_shownTag = PageExchange::QueryTag(state);
    m_steps = QuerySteps(state);
    m_prefixes.clear();
    for (std::size_t i = 0; i <= m_steps.size(); ++i)
        m_prefixes.push_back(StepsPrefix(state, i));
    const int current = StepList->currentItem() != nullptr
                            ? StepList->indexOfTopLevelItem(StepList->currentItem())
                            : 0;
    StepList->clear();
    new QTreeWidgetItem(StepList, {QStringLiteral("All rows"), QString()});
    for (std::size_t i = 0; i < m_steps.size(); ++i) {
        new QTreeWidgetItem(
            StepList,
            {QStringLiteral("%1. %2").arg(i + 1).arg(StepText(kind, m_steps[i])), QString()});
    }
    for (int column = 0; column < 2; ++column)
        StepList->topLevelItem(0)->setForeground(column, palette().placeholderText());
    StepList->setCurrentItem(
        StepList->topLevelItem(std::clamp(current, 0, StepList->topLevelItemCount() - 1)));
    showCounts();
}

void QueryStepsPanel::showCounts() {
    const std::vector<std::int32_t> known = counts();
    for (std::size_t i = 0; i < known.size(); ++i) {
        QTreeWidgetItem* item = StepList->topLevelItem(static_cast<int>(i));
        if (item != nullptr) {
            item->setText(1, CountText(known[i]));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    Chain->setText(chainText());
    updateButtons();
}

void QueryStepsPanel::updateButtons() {
    const bool idle = m_view && !m_view->isFetching();
    const int step = currentStep();
    RemoveButton->setEnabled(idle && step >= 0);
    EditButton->setEnabled(idle && step >= 0 &&
                           StepEditable(m_steps[static_cast<std::size_t>(step)]));
    UndoButton->setEnabled(idle && m_view->canUndo());
}

int QueryStepsPanel::currentStep() const {
    QTreeWidgetItem* item = StepList->currentItem();
    const int row = item != nullptr ? StepList->indexOfTopLevelItem(item) : -1;
    return row >= 1 && row <= static_cast<int>(m_steps.size()) ? row - 1 : -1;
}

bool QueryStepsPanel::refresh() {
    if (!m_view)
        return false;
    // One count at a time; a refresh asked for meanwhile starts the list
    // again once the waiting count returns.
    if (m_counting) {
        m_again = true;
        return true;
    }
    QPointer<QueryStepsPanel> guard(this);
    m_counting = true;
    bool done = true;
    do {
        m_again = false;
        done = true;
        m_failed = false;
        showSteps();
        Note->clear();
        const std::vector<QueryState> prefixes = m_prefixes;
        for (const QueryState& state : prefixes) {
            if (m_counts->known(state))
                continue;
            Note->setText(QStringLiteral("Counting the rows..."));
            const StepCounts::Result result = m_counts->fetch(state);
            if (!guard)
                return false;
            if (!m_view) {
                m_counting = false;
                return false;
            }
            if (m_again)
                break;
            if (result.result != FetchResult::Done) {
                m_failed = true;
                done = false;
                Note->setText(result.message.isEmpty()
                                  ? QStringLiteral("The counts did not arrive.")
                                  : result.message);
                break;
            }
            showCounts();
        }
        if (done && !m_again)
            Note->clear();
    } while (m_again);
    m_counting = false;
    showCounts();
    return done;
}

bool QueryStepsPanel::applyState(const QueryState& state) {
    if (!m_view || m_view->isFetching())
        return false;
    QPointer<StatisticsView> view = m_view;
    view->queryState() = state;
    view->startBusy();
    if (!view->refreshView() || !view)
        return false;
    view->runBandPass();
    view->stopBusy();
    return true;
}

bool QueryStepsPanel::removeStep(std::size_t index) {
    if (!m_view || index >= m_steps.size())
        return false;
    return applyState(WithoutStep(m_view->queryState(), index));
}

bool QueryStepsPanel::editStep(std::size_t index) {
    if (!m_view || m_view->isFetching() || index >= m_steps.size() || !StepEditable(m_steps[index]))
        return false;
    QPointer<QueryStepsPanel> guard(this);
    const DatabaseKind kind = m_view->databaseKind();
    const QueryState state = m_view->queryState();
    const std::uint32_t tag = PageExchange::QueryTag(state);
    std::optional<QueryState> edited;
    if (m_steps[index].kind == QueryStepKind::Limit) {
        LimitStepEditor editor(kind, state, index, this);
        if (editor.exec() != QDialog::Accepted || !guard)
            return false;
        edited = editor.result();
    } else {
        // The pick list under the steps before the group, as the Select
        // command lists what the selection in force leaves.
        Note->setText(QStringLiteral("Fetching the list..."));
        const ListResult list =
            m_counts->pickList(StepsPrefix(state, index), ListOfLetter(m_steps[index].letter));
        if (!guard)
            return false;
        Note->clear();
        if (list.result != FetchResult::Done) {
            Note->setText(QStringLiteral("The list did not arrive; nothing was changed."));
            return false;
        }
        SelectStepEditor editor(kind, state, index, list.entries, this);
        if (editor.exec() != QDialog::Accepted || !guard)
            return false;
        edited = editor.result();
    }
    // An edit of a query the window no longer shows is dropped.
    if (!edited || !m_view || PageExchange::QueryTag(m_view->queryState()) != tag)
        return false;
    return applyState(*edited);
}

bool QueryStepsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StepList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            updateButtons();
            if (key->key() == Qt::Key_Delete) {
                if (RemoveButton->isEnabled())
                    removeStep(static_cast<std::size_t>(currentStep()));
                return true;
            }
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (EditButton->isEnabled())
                    editStep(static_cast<std::size_t>(currentStep()));
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
