#include "query/queryhistory.h"

namespace {

// Only what a request carries counts: the multi-key forms from their first
// code on, only when active, and the selection items in use.
bool SameQuery(const QueryState& a, const QueryState& b) {
    if (a.SortCode != b.SortCode || a.SortPair[0] != b.SortPair[0] ||
        a.SortTriple[0] != b.SortTriple[0] || a.SortQuad[0] != b.SortQuad[0] ||
        a.SelectionCount != b.SelectionCount || a.Lines != b.Lines ||
        a.QualifiedOnly != b.QualifiedOnly || a.MoreColumns != b.MoreColumns) {
        return false;
    }
    if ((a.SortPair[0] >= 0 && a.SortPair != b.SortPair) ||
        (a.SortTriple[0] >= 0 && a.SortTriple != b.SortTriple) ||
        (a.SortQuad[0] >= 0 && a.SortQuad != b.SortQuad)) {
        return false;
    }
    const int count = std::min(a.SelectionCount, QueryState::MaxSelectionItems);
    for (int i = 0; i < count; ++i) {
        if (a.SelectionItems[static_cast<std::size_t>(i)] !=
            b.SelectionItems[static_cast<std::size_t>(i)]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool QueryHistory::note(const QueryState& sent) {
    if (SameQuery(sent, m_current)) {
        return false;
    }
    m_steps.push_back(m_current);
    if (m_steps.size() > Depth) {
        m_steps.pop_front();
    }
    m_current = sent;
    return true;
}

std::optional<QueryState> QueryHistory::undo() {
    if (m_steps.empty()) {
        return std::nullopt;
    }
    m_current = m_steps.back();
    m_steps.pop_back();
    return m_current;
}
