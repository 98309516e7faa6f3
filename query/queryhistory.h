#pragma once

#include <deque>
#include <optional>

#include "protocol/querystate.h"

// The query states a view had before its last Sort, Select, Limit and Reset
// commands, newest last, at most Depth of them: what Undo steps back to.
class QueryHistory {
public:
    static constexpr std::size_t Depth = 50;

    // Starts from the state the view is created with.
    explicit QueryHistory(const QueryState& initial) : m_current(initial) {}

    // Called before each page request with the state it sends: a state that
    // differs from the last one sent keeps that last one as a step back
    // (and returns true).
    bool note(const QueryState& sent);
    // The state before the last change, removed from the history (and taken
    // as the state sent); nothing when there is no step back.
    std::optional<QueryState> undo();
    // Steps back held.
    std::size_t size() const { return m_steps.size(); }

private:
    std::deque<QueryState> m_steps;
    QueryState m_current;
};
