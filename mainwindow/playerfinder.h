#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QDialog>

#include "databases/databaseinfo.h"
#include "protocol/pagefetcher.h"
#include "protocol/playerlookup.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The "Find player" box: a search field that asks the statistics hosts as the user types and
// lists the players found, best first. Enter or a double-click asks for the player's page;
// "Select in the active window" asks to tick him in the active database window. The box only
// finds: what the two choices do is its owner's (openRequested, selectRequested).
class PlayerFinder : public QDialog {
    Q_OBJECT
public:
    // hosts: where the searches go, asked when each search starts.
    PlayerFinder(std::function<ServiceHosts()> hosts, QWidget* parent = nullptr);

    // Searches for text now (as typing it does) and shows the result of the newest search.
    void search(const QString& text);
    // The players of the shown result.
    const std::vector<PlayerMatch>& matches() const { return m_matches; }
    // The player of the current line, nothing when the list is empty.
    std::optional<PlayerMatch> current() const;
    // The database of the active window, or nothing when none is active; "Select in the active
    // window" is disabled without one and on Teams.
    void setActiveDatabase(std::optional<DatabaseKind> kind);
    // Shows text on the box's status line.
    void showStatus(const QString& text);

    QLineEdit* Edit = nullptr;
    QListWidget* Results = nullptr;
    QPushButton* OpenPage = nullptr;
    QPushButton* SelectInWindow = nullptr;
    QLabel* Status = nullptr;

signals:
    void openRequested(const PlayerMatch& player);
    void selectRequested(const PlayerMatch& player);

private:
    void showMatches(const std::vector<PlayerMatch>& found);
    void updateButtons();

    std::function<ServiceHosts()> m_hosts;
    std::vector<PlayerMatch> m_matches;
    std::optional<DatabaseKind> m_active;
    // Searches started and the newest whose result is shown: an older result never replaces
    // a newer one.
    quint64 m_started = 0;
    quint64 m_shown = 0;
};
