#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace bbstatsd {

// The four statistics tables the service answers for.
enum class Table { Batters, Pitchers, Fielders, Teams };

// A request the service cannot read: status 400 (413 for size); reason() names the problem in
// one short line (no CR/LF).
class RequestError : public std::runtime_error {
public:
    // Builds an error with an HTTP status and a one-line reason.
    RequestError(int status, std::string reason);
    // HTTP status to answer with (400 or 413).
    int status() const { return m_status; }
    // The one-line reason, same as what().
    std::string reason() const { return what(); }

private:
    int m_status;
};

class EngineData;
class RecordTexts;
class TableData;
struct QueryResult;

// The whole result of a query: its rows in order and the table they index, for a reply written
// row by row. Holding it keeps the result alive.
struct ResultRows {
    const TableData* data = nullptr;
    const RecordTexts* texts = nullptr;
    std::shared_ptr<const QueryResult> result;
};

class Engine {
public:
    // Loads the four tables and pick lists from an imported SQLite file, opened read-only.
    // Throws std::runtime_error naming the file on failure.
    explicit Engine(const std::string& dbPath, std::size_t cacheBytes = 128u << 20);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Answers one POST body of a statistics service (page request or list request) with the
    // reply body. query: the query of the service path, which may ask for combined lines
    // ("lines=season|career", "qualified=1"). Thread-safe. Throws RequestError.
    std::string answer(Table table, std::string_view body, std::string_view query = {});

    // The answer when the result cache already holds the query's result (nullopt otherwise),
    // at the cost of writing the reply. Thread-safe. Throws RequestError for a body it cannot
    // read.
    std::optional<std::string> answerIfCached(Table table, std::string_view body,
                                              std::string_view query = {});

    // As answerIfCached, but a reply the engine keeps ready from load (a pick list over the whole
    // table) is not copied: it is put in `kept`, valid as long as the engine lives, and the text
    // returned is empty.
    std::optional<std::string> answerIfCached(Table table, std::string_view body,
                                              std::string_view query, std::string_view& kept);

    // The whole sorted result of a page request body: the body is checked as a page request
    // (its position and row count are read but not applied). Thread-safe. Throws RequestError
    // for what answer refuses, and for a list request.
    ResultRows wholeResult(Table table, std::string_view body, std::string_view query = {});

    // The players a search names, best first: rawQuery is the query of GET /players
    // ("q=" form-encoded UTF-8). Answered from memory. Thread-safe. Throws RequestError (400).
    std::string findPlayers(std::string_view rawQuery) const;

    // The People facts of one player code as "KEY TAB VALUE" lines. Thread-safe. Throws
    // RequestError (404) for an unknown code.
    std::string playerFacts(std::string_view playerId) const;

private:
    std::optional<std::string> respond(Table table, std::string_view body, std::string_view query,
                                       bool cachedOnly, std::string_view* kept = nullptr);

    std::unique_ptr<EngineData> m_data;
};

// Imports the Lahman CSV files in dir into a new SQLite file at dbPath (replaced atomically).
// Throws std::runtime_error with "file:line:column: problem".
void importLahman(const std::string& dir, const std::string& dbPath);

} // namespace bbstatsd
