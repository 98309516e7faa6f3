#include "protocol/pagerequest.h"

#include <algorithm>
#include <string>

namespace {

constexpr char EndOfText = '\x1a';
constexpr std::string_view LineEnd = "\r\n";

template <std::size_t N>
void appendCodes(std::string& text, char form, const std::array<std::int32_t, N>& codes) {
    text += '!';
    text += form;
    text += '!';
    for (const std::int32_t code : codes) {
        text += std::to_string(code);
        text += '!';
    }
}

void appendSelections(std::string& text, const QueryState& state) {
    if (state.SelectionCount <= 0) {
        text += '*';
        text += LineEnd;
        return;
    }
    const int count = std::min(state.SelectionCount, QueryState::MaxSelectionItems);
    for (int i = 0; i < count; ++i) {
        text += state.SelectionItems[static_cast<std::size_t>(i)];
        text += LineEnd;
    }
}

} // namespace

std::string PageRequest(const QueryState& state, int topPosition, int rowCount) {
    std::string text = std::to_string(topPosition);
    text += '!';
    text += std::to_string(rowCount);
    if (state.SortQuad[0] >= 0) {
        appendCodes(text, 'Z', state.SortQuad);
    } else if (state.SortTriple[0] >= 0) {
        appendCodes(text, 'Y', state.SortTriple);
    } else if (state.SortPair[0] >= 0) {
        appendCodes(text, 'B', state.SortPair);
    } else {
        text += '!';
        text += std::to_string(state.SortCode);
        text += '!';
    }
    text += LineEnd;
    appendSelections(text, state);
    text += EndOfText;
    return text;
}

std::string ListRequest(const QueryState& state, ListKind kind) {
    std::string text = "0!0!";
    text += static_cast<char>(kind);
    text += '!';
    text += LineEnd;
    appendSelections(text, state);
    text += EndOfText;
    return text;
}

std::string LinesQuery(const QueryState& state) {
    std::string query;
    if (state.Lines == LinesMode::PerSeason) {
        query = "lines=season";
    } else if (state.Lines == LinesMode::PerCareer) {
        query = "lines=career";
    }
    if (state.QualifiedOnly) {
        query += query.empty() ? "qualified=1" : "&qualified=1";
    }
    if (state.MoreColumns) {
        query += query.empty() ? "more=1" : "&more=1";
    }
    return query.empty() ? query : "?" + query;
}

std::vector<std::string_view> SplitReplyLines(std::string_view reply, std::size_t maxLines) {
    const std::size_t nul = reply.find('\0');
    if (nul != std::string_view::npos)
        reply = reply.substr(0, nul);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < reply.size() && lines.size() < maxLines) {
        const char c = reply[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(reply.substr(start, i - start));
        if (c == '\r' && i + 1 < reply.size() && reply[i + 1] == '\n')
            ++i;
        start = ++i;
    }
    if (start < reply.size() && lines.size() < maxLines)
        lines.push_back(reply.substr(start));
    return lines;
}

bool ListEntries(std::string_view reply, std::vector<std::string>& entries) {
    entries.clear();
    // One line more than the longest list is enough to tell a reply too long.
    const std::vector<std::string_view> lines = SplitReplyLines(reply, MaxListReplyLines + 1);
    if (lines.size() > MaxListReplyLines || lines.size() < 2 || lines.back() != "*" ||
        lines.front() != std::to_string(lines.size() - 2))
        return false;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
        entries.emplace_back(lines[i]);
    return true;
}
