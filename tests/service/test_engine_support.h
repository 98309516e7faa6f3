#pragma once

// Helpers shared by the engine tests: where the imported database is, request bodies and
// replies split into lines.
#include <QByteArray>

#include <string>
#include <vector>

namespace enginetest {

using Lines = std::vector<std::string>;

// The imported database: BBSTATS_TEST_DB, else the fixture's place in the build folder.
inline std::string dbPath() {
    const QByteArray db = qgetenv("BBSTATS_TEST_DB");
    if (!db.isEmpty()) {
        return db.toStdString();
    }
    return qgetenv("BBSTATS_BINARY_DIR").toStdString() + "/test-data/lahman.db";
}

// Splits a reply at CR LF; a bare CR or LF, or an unterminated last line, shows as a line
// holding "<".
inline Lines splitReply(const std::string& reply) {
    Lines lines;
    std::size_t start = 0;
    while (start < reply.size()) {
        const std::size_t end = reply.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back("<unterminated:" + reply.substr(start) + ">");
            break;
        }
        const std::string line = reply.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos) {
            lines.push_back("<bare line end>");
        }
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

// A request body: the first line, the items (a lone "*" when there are none), then 0x1A.
inline std::string body(const std::string& first, const Lines& items = {}) {
    std::string b = first + "\r\n";
    if (items.empty()) {
        b += "*\r\n";
    }
    for (const std::string& item : items) {
        b += item + "\r\n";
    }
    return b + "\x1a";
}

} // namespace enginetest
