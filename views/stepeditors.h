#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "databases/databaseinfo.h"
#include "protocol/querystate.h"

class QLabel;
class QLineEdit;
class QListWidget;

// Edits the bounds of one Limit step of a query in place: the field named,
// "Minimum Value" and "Maximum Value" filled with the bounds in force. OK
// refuses bounds as the Limit dialog does (the message names why, and the
// dialog stays open as typed).
class LimitStepEditor : public QDialog {
    Q_OBJECT
public:
    // For step `index` (a Limit step) of `state` in a window of `kind`.
    LimitStepEditor(DatabaseKind kind, const QueryState& state, std::size_t index,
                    QWidget* parent = nullptr);

    // The query with the new bounds, after OK.
    const std::optional<QueryState>& result() const { return m_result; }

    QLineEdit* Edit1 = nullptr; // minimum
    QLineEdit* Edit2 = nullptr; // maximum

    void accept() override;

private:
    DatabaseKind m_kind;
    QueryState m_state;
    std::size_t m_index;
    std::optional<QueryState> m_result;
};

// Edits the items of one Select step in place: the pick list under the steps
// before it, with the group's items ticked (items the list lacks are kept
// and shown ticked). OK with nothing ticked removes the step; a group that
// would pass the 500 items is refused with the Select command's message.
class SelectStepEditor : public QDialog {
    Q_OBJECT
public:
    // For step `index` (a Select step) of `state`; `pickList` the entries
    // the service listed.
    SelectStepEditor(DatabaseKind kind, const QueryState& state, std::size_t index,
                     const std::vector<std::string>& pickList, QWidget* parent = nullptr);

    const std::optional<QueryState>& result() const { return m_result; }
    // The ticked entries, in the order listed.
    std::vector<std::string> ticked() const;

    QListWidget* ListBox1 = nullptr;

    void accept() override;

private:
    void showCount();

    QueryState m_state;
    std::size_t m_index;
    std::optional<QueryState> m_result;
    QLabel* m_count = nullptr;
};
