#include "mainwindow/playerfinder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "protocol/httpcli.h"

namespace {

// One line of the list: the name and what tells namesakes apart.
QString matchText(const PlayerMatch& m) {
    QStringList parts{m.name};
    if (!m.years.isEmpty()) {
        parts << m.years;
    }
    if (!m.positions.isEmpty()) {
        parts << m.positions;
    }
    if (!m.born.isEmpty()) {
        parts << QStringLiteral("born ") + m.born;
    }
    return parts.join(QStringLiteral("   "));
}

} // namespace

PlayerFinder::PlayerFinder(std::function<ServiceHosts()> hosts, QWidget* parent)
    : QDialog(parent), m_hosts(std::move(hosts)) {
    setObjectName(QStringLiteral("PlayerFinder"));
    setWindowTitle(QStringLiteral("Find player"));
    setModal(false);
    Edit = new QLineEdit(this);
    Edit->setObjectName(QStringLiteral("SearchEdit"));
    Edit->setPlaceholderText(QStringLiteral("Name, e.g. babe ruth"));
    Results = new QListWidget(this);
    Results->setObjectName(QStringLiteral("SearchResults"));
    OpenPage = new QPushButton(QStringLiteral("&Open page"), this);
    OpenPage->setObjectName(QStringLiteral("OpenPage"));
    SelectInWindow = new QPushButton(QStringLiteral("Select in the active window"), this);
    SelectInWindow->setObjectName(QStringLiteral("SelectInWindow"));
    for (QPushButton* button : {OpenPage, SelectInWindow}) {
        button->setAutoDefault(false);
    }
    Status = new QLabel(this);
    Status->setObjectName(QStringLiteral("SearchStatus"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OpenPage);
    buttons->addWidget(SelectInWindow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Edit);
    layout->addWidget(Results, 1);
    layout->addLayout(buttons);
    layout->addWidget(Status);
    resize(420, 360);

    connect(Edit, &QLineEdit::textEdited, this, &PlayerFinder::search);
    const auto open = [this] {
        if (const auto player = current()) {
            emit openRequested(*player);
        }
    };
    connect(Edit, &QLineEdit::returnPressed, this, open);
    connect(OpenPage, &QPushButton::clicked, this, open);
    connect(Results, &QListWidget::itemActivated, this, open);
    connect(SelectInWindow, &QPushButton::clicked, this, [this] {
        if (const auto player = current()) {
            emit selectRequested(*player);
        }
    });
    connect(Results, &QListWidget::currentRowChanged, this, [this] { updateButtons(); });
    updateButtons();
}

void PlayerFinder::search(const QString& text) {
    const quint64 number = ++m_started;
    if (text.trimmed().isEmpty()) {
        m_shown = number;
        showMatches({});
        showStatus({});
        return;
    }
    if (text.toUtf8().size() > MaxPlayerSearchBytes) {
        m_shown = number;
        showStatus(QStringLiteral("The name is longer than %1 bytes.").arg(MaxPlayerSearchBytes));
        return;
    }
    // A client per search: a key pressed while one waits starts the next at once.
    auto* client = new THttpCli(this);
    QPointer<PlayerFinder> guard(this);
    const std::optional<QByteArray> reply =
        FetchFromHosts(*client, m_hosts(), PlayerSearchPath(text));
    if (!guard) {
        return;
    }
    client->deleteLater();
    if (number <= m_shown) {
        return; // a newer search is already shown
    }
    m_shown = number;
    if (!reply) {
        showStatus(QStringLiteral("No statistics host answered the search."));
        return;
    }
    showMatches(ParsePlayerMatches(*reply));
    showStatus(m_matches.empty() ? QStringLiteral("No player of that name.") : QString());
}

void PlayerFinder::showMatches(const std::vector<PlayerMatch>& found) {
    m_matches = found;
    Results->clear();
    for (const PlayerMatch& m : m_matches) {
        Results->addItem(matchText(m));
    }
    if (!m_matches.empty()) {
        Results->setCurrentRow(0);
    }
    updateButtons();
}

std::optional<PlayerMatch> PlayerFinder::current() const {
    const int row = Results->currentRow();
    if (row < 0 || row >= static_cast<int>(m_matches.size())) {
        return std::nullopt;
    }
    return m_matches[static_cast<std::size_t>(row)];
}

void PlayerFinder::setActiveDatabase(std::optional<DatabaseKind> kind) {
    m_active = kind;
    updateButtons();
}

void PlayerFinder::showStatus(const QString& text) {
    Status->setText(text);
}

void PlayerFinder::updateButtons() {
    const bool chosen = current().has_value();
    OpenPage->setEnabled(chosen);
    const bool playerTable = m_active && *m_active != DatabaseKind::Teams;
    SelectInWindow->setEnabled(chosen && playerTable);
    SelectInWindow->setToolTip(
        m_active && *m_active == DatabaseKind::Teams
            ? QStringLiteral("Teams lists clubs, not players")
            : (m_active ? QString()
                        : QStringLiteral("Open a Batters, Pitchers or Fielders window first")));
}
