#include "service/engine/request.h"

#include <charconv>

#include "service/engine/engine.h"

namespace bbstatsd {

namespace {

[[noreturn]] void bad(const std::string& reason) {
    throw RequestError(400, reason);
}

// Text safe to quote in a reason: printable ASCII, at most 20 characters.
std::string quoted(std::string_view s) {
    std::string out = "'";
    for (char c : s.substr(0, 20)) {
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return out + (s.size() > 20 ? "...'" : "'");
}

bool parseInt(std::string_view s, long long& out) {
    if (s.empty() || s.size() > 12 || s[0] == '+') {
        return false;
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// The lines of text, at most `most` of them: any further lines are left out.
std::vector<std::string_view> splitLines(std::string_view text, std::size_t most) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size() && lines.size() < most; ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size() && lines.size() < most) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::vector<std::string_view> splitBang(std::string_view s) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == '!') {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

int sortCode(std::string_view s, const TableShape& shape) {
    long long c = 0;
    if (!parseInt(s, c)) {
        bad("sort code " + quoted(s) + " is not a number");
    }
    const long long n = shape.sortFieldCount;
    if (c == 300 || c == 99 || c == -1 || (c >= 0 && c < n) || (c >= 100 && c < 100 + n)) {
        return static_cast<int>(c);
    }
    bad("unknown sort code " + std::to_string(c));
}

void parseFirstLine(std::string_view line, const TableShape& shape, ParsedRequest& req) {
    if (line.empty() || line.back() != '!') {
        bad("first line must be fields each ended by '!'");
    }
    std::vector<std::string_view> f = splitBang(line.substr(0, line.size() - 1));
    if (f.size() < 3) {
        bad("first line needs a position, a row count and a sort code or list code");
    }
    long long top = 0, rows = 0;
    if (!parseInt(f[0], top) || top < 0 || top > 0x7fffffff) {
        bad("first record position " + quoted(f[0]) + " is not a number of 0 or more");
    }
    if (!parseInt(f[1], rows) || rows < 0) {
        bad("row count " + quoted(f[1]) + " is not a number of 0 or more");
    }
    if (rows > kMaxPageRows) {
        bad("row count " + std::to_string(rows) + " is above " + std::to_string(kMaxPageRows));
    }
    req.top = static_cast<std::uint32_t>(top);
    req.rows = static_cast<std::uint32_t>(rows);
    const std::string_view form = f[2];
    if (form.size() == 1 && form[0] >= 'A' && form[0] <= 'Z') {
        const char letter = form[0];
        std::size_t codes = 0;
        switch (letter) {
        case 'B':
            codes = 2;
            break;
        case 'Y':
            codes = 3;
            break;
        case 'Z':
            codes = 4;
            break;
        case 'A':
        case 'C':
        case 'D':
        case 'E':
        case 'G':
            if (f.size() != 3) {
                bad("list request has fields after its list code");
            }
            if (letter == 'A' && !shape.players) {
                bad("this table has no player list");
            }
            if (letter == 'G' && !shape.positions) {
                bad("this table has no position list");
            }
            req.list = true;
            req.listLetter = letter;
            return;
        default:
            bad("unknown sort form or list code " + quoted(form));
        }
        if (f.size() != 3 + codes) {
            bad(std::string("sort form ") + letter + " needs " + std::to_string(codes) +
                " sort codes, found " + std::to_string(f.size() - 3));
        }
        for (std::size_t i = 3; i < f.size(); ++i) {
            req.sortCodes.push_back(sortCode(f[i], shape));
        }
        return;
    }
    if (f.size() != 3) {
        bad("first line has fields after its sort code");
    }
    req.sortCodes.push_back(sortCode(form, shape));
}

SelectionItem parseItem(std::string_view line, const TableShape& shape) {
    SelectionItem item;
    item.kind = line[0];
    switch (item.kind) {
    case 'A':
        if (!shape.players) {
            bad("this table has no player selection");
        }
        break;
    case 'G':
        if (!shape.positions) {
            bad("this table has no position selection");
        }
        break;
    case 'B':
    case 'C':
    case 'D':
        break;
    case 'E': {
        std::vector<std::string_view> f = splitBang(line.substr(1));
        // A closing "!" may have been cut away with the tail of a long item.
        if (f.size() == 4 && f[3].empty()) {
            f.pop_back();
        }
        if (f.size() < 2) {
            bad("limit item " + quoted(line) + " lacks its bounds");
        }
        if (f.size() > 3) {
            bad("limit item " + quoted(line) + " has too many fields");
        }
        long long field = 0;
        if (!parseInt(f[0], field) || field < 0) {
            bad("limit field " + quoted(f[0]) + " is not a field number");
        }
        if (field >= shape.sortFieldCount) {
            bad("limit on field " + std::to_string(field) + ", which this table does not have");
        }
        item.field = static_cast<int>(field);
        item.min = std::string(f[1]);
        item.max = f.size() > 2 ? std::string(f[2]) : std::string();
        return item;
    }
    default:
        bad("unknown selection item kind " + quoted(line.substr(0, 1)));
    }
    item.value = std::string(line.substr(1));
    return item;
}

} // namespace

ParsedRequest parseRequest(std::string_view body, const TableShape& shape) {
    if (body.size() > kMaxBodyBytes) {
        throw RequestError(413, "request body is larger than 64 KiB");
    }
    const std::size_t end = body.find('\x1a');
    if (end == std::string_view::npos) {
        bad("request does not end with the byte 0x1A");
    }
    for (char c : body.substr(end + 1)) {
        if (c != '\r' && c != '\n') {
            bad("data after the closing byte 0x1A");
        }
    }
    const std::string_view text = body.substr(0, end);
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\r' && c != '\n' && c != '\t') || u == 0x7f) {
            bad("request holds binary data");
        }
    }
    // Refused before any item is read: thousands of items in 64 KiB cost far more to read
    // than any real request.
    const std::vector<std::string_view> lines = splitLines(text, kMaxSelectionLines + 2);
    if (lines.empty()) {
        bad("request is empty");
    }
    if (lines.size() > kMaxSelectionLines + 1) {
        bad("request too costly: more than " + std::to_string(kMaxSelectionLines) +
            " selection lines; use fewer items");
    }
    ParsedRequest req;
    parseFirstLine(lines[0], shape, req);
    std::vector<SelectionItem> group;
    bool open = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line == "*") {
            req.groups.push_back(std::move(group));
            group.clear();
            open = false;
            continue;
        }
        if (line.empty()) {
            bad("empty selection line " + std::to_string(i + 1));
        }
        group.push_back(parseItem(line, shape));
        open = true;
    }
    if (open) {
        req.groups.push_back(std::move(group));
    }
    return req;
}

} // namespace bbstatsd
